#include <gtest/gtest.h>

#include <vector>

#include "generators/GenerateTile.h"
#include "generators/TileLattice.h"

namespace corvel {
namespace {

bool Same(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

TEST(BuildTileLattice, EveryMethodFromOnePick) {
  const POINT p0{100, 100}, p1{110, 160}, p2{180, 105}, centre{100, 100};
  struct Case {
    int method;
    POINT v1, v2, anchor;
    bool repeats;
  } cases[] = {
      {keTilingP1, {80, 0}, {10, 60}, p0, true},
      {keTilingP2, {80, 0}, {0, 60}, p0, false},
      {keTilingPM, {80, 0}, {0, 120}, p0, false},
      {keTilingPG, {160, 0}, {0, 60}, p0, false},
      {keTilingPMM, {160, 0}, {0, 120}, p0, false},
      {keTilingPMG, {80, 0}, {0, 240}, p0, false},
      {keTilingPGG, {160, 0}, {0, 120}, p0, false},
      {keTilingCM, {-80, 0}, {0, 60}, p2, false},
      {keTilingCMM, {-90, 55}, {-90, -55}, p2, false},
      {keTilingP4, {160, 0}, {0, 120}, p0, false},
      {keTilingP4M, {-160, 0}, {0, 120}, p2, false},
      {keTilingP4G, {160, 0}, {0, 120}, p0, false},
      {keTilingP3, {150, -50}, {0, 115}, p0, true},
      {keTilingP3ML, {100, -57}, {0, 115}, p0, true},
      {keTilingP3LM, {160, 0}, {80, 120}, p0, true},
      {keTilingP6, {160, 0}, {80, 120}, p0, true},
      {keTilingP6M, {240, -138}, {0, 276}, {100, 238}, true},
  };
  for (const Case& c : cases) {
    TileLattice t = BuildTileLattice(c.method, p0, p1, p2, centre);
    EXPECT_TRUE(Same(t.basisA, c.v1)) << c.method << ": " << t.basisA.x << "," << t.basisA.y;
    EXPECT_TRUE(Same(t.basisB, c.v2)) << c.method << ": " << t.basisB.x << "," << t.basisB.y;
    EXPECT_TRUE(Same(t.anchor, c.anchor)) << c.method << ": " << t.anchor.x << "," << t.anchor.y;
    EXPECT_EQ(t.repeats, c.repeats) << c.method;
    EXPECT_EQ(t.anchorBelowD, c.method == keTilingP6M) << c.method;
  }
}

TEST(BuildTileLattice, P1FlipsItsVectorsToPointRightAndDown) {
  struct Case {
    POINT p0, p1, p2;
    POINT v1, v2, anchor;
    bool negateK0, negateK1;
  } cases[] = {
      // Both flipped: the anchor moves to P1 + V1 as first built.
      {{100, 100}, {120, 40}, {60, 100}, {40, 0}, {-20, 60}, {80, 40}, true, true},
      {{100, 100}, {120, 40}, {160, 100}, {60, 0}, {-20, 60}, {120, 40}, true, false},
      {{100, 100}, {120, 160}, {60, 100}, {40, 0}, {20, 60}, {60, 100}, false, true},
      {{100, 100}, {120, 160}, {160, 100}, {60, 0}, {20, 60}, {100, 100}, false, false},
  };
  for (const Case& c : cases) {
    TileLattice t = BuildTileLattice(keTilingP1, c.p0, c.p1, c.p2, {0, 0});
    EXPECT_TRUE(Same(t.basisA, c.v1)) << t.basisA.x << "," << t.basisA.y;
    EXPECT_TRUE(Same(t.basisB, c.v2)) << t.basisB.x << "," << t.basisB.y;
    EXPECT_TRUE(Same(t.anchor, c.anchor)) << t.anchor.x << "," << t.anchor.y;
    EXPECT_EQ(t.negateK0, c.negateK0);
    EXPECT_EQ(t.negateK1, c.negateK1);
  }
}

TEST(BuildTileLattice, SingleCases) {
  // PM doubles the height of d1 and keeps only the width of d2.
  TileLattice pm = BuildTileLattice(keTilingPM, {0, 0}, {5, 30}, {80, 3}, {0, 0});
  EXPECT_TRUE(Same(pm.basisA, {80, 0}));
  EXPECT_TRUE(Same(pm.basisB, {0, 60}));
  TileLattice p3lm = BuildTileLattice(keTilingP3LM, {0, 0}, {9, 20}, {35, 4}, {0, 0});
  EXPECT_TRUE(Same(p3lm.basisA, {70, 0}));
  EXPECT_TRUE(Same(p3lm.basisB, {35, 40}));
  // P3ML turns its points half round the centre when V1 would point left.
  TileLattice p3ml = BuildTileLattice(keTilingP3ML, {100, 100}, {110, 40}, {180, 105}, {50, 50});
  EXPECT_GT(p3ml.basisA.x, 0);
  EXPECT_TRUE(Same(p3ml.anchor, {0, 0}));
}

TEST(LatticeStepper, RemaindersTakeTheSignOfTheDeterminant) {
  struct Case {
    long long start, step, det;
    std::vector<long long> remainders;
  } cases[] = {
      // -7 gives 3; -10, a whole period, gives 5 rather than 0.
      {-12, 1, 5, {4, 5, 1, 2, 3, 4, 5, 1, 2, 3, 4, 0, 1, 2, 3, 4, 0}},
      {-14, 7, 5, {3, 0, 2, 4}},  // steps longer than det
      {12, -1, -5, {-4, -5, -1, -2, -3, -4, -5, -1, -2, -3, -4, 0, -1, -2, -3, -4, 0}},
      {2, -3, -5, {-1, -4, -2, 0, -3}},
  };
  for (const Case& c : cases) {
    LatticeStepper stepper(c.start, c.step, c.det);
    std::vector<long long> remainders;
    for (std::size_t k = 0; k < c.remainders.size(); ++k) remainders.push_back(stepper.Next());
    EXPECT_EQ(remainders, c.remainders) << c.start << " by " << c.step << " mod " << c.det;
  }
}

}  // namespace
}  // namespace corvel
