// The hand-written AVX2 lanes of the hexagonal groups against the doubles they stand for, on
// random cell positions and on their fold lines, bit for bit.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <random>
#include <vector>

#include "core/CpuFeatures.h"
#include "generators/detail/TileWorker.h"
#include "generators/groups/HexagonalPlans.h"
#include "generators/groups/P3LMKite.h"
#include "generators/groups/P3LMPlan.h"
#include "generators/groups/P3LMSeams.h"
#include "generators/groups/P3Plan.h"
#include "generators/groups/P3Rhombus.h"
#include "generators/groups/P3Seams.h"
#include "generators/groups/P6Kite.h"
#include "generators/groups/P6MTriangle.h"
#include "generators/groups/P6Plan.h"
#include "generators/groups/P6Seams.h"

namespace corvel {
namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Lattices a little off the hexagon (whole pixels cannot make one), one turned on the source.
struct Lattice {
  POINT a, b, c, d;
};
const Lattice kLattices[] = {{{64, 0}, {32, 55}, {64, 0}, {32, 55}},
                             {{61, 1}, {29, 53}, {55, 27}, {-1, 61}},
                             {{256, 0}, {128, 222}, {222, 128}, {-128, 222}}};

void Prepare(TileGenerator& g, const Lattice& lattice) {
  g.basisA = lattice.a;
  g.basisB = lattice.b;
  g.basisC = lattice.c;
  g.basisD = lattice.d;
  g.origin = {300.25, 120.5};
  g.PrepareLattice();
}

// Random cell positions, and positions right on the lines the fold and its clamps test.
std::vector<Point2D> CellPositions() {
  std::mt19937 random(48);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<Point2D> cells;
  for (int i = 0; i < 4000; ++i) cells.push_back({unit(random), unit(random)});
  for (int i = 0; i <= 60; ++i) {
    const double t = i / 60.0;
    for (const Point2D& on : {Point2D(t, 1 - t), Point2D(t, 1 - 2 * t), Point2D(1 - 2 * t, t), Point2D(t, t),
                              Point2D(1.0 / 3, t), Point2D(t, 0), Point2D(0, t), Point2D(0.5, t)})
      cells.push_back(on);
  }
  return cells;
}

// Four cell positions at a time folded in lanes, on every lattice, bit for bit as the kite folds
// each in doubles (expected).
template <class Kite, class Lanes, class Expected>
void ExpectFoldedAsTheDoubles(void (*foldInLanes)(const Lanes&, double*, double*), Expected&& expected) {
  const std::vector<Point2D> cells = CellPositions();
  for (const Lattice& lattice : kLattices) {
    TileGenerator g;
    Prepare(g, lattice);
    const Kite kite(g, 0.03, 0.05);
    const Lanes lanes = kite.Lanes(ThirdOfAPixel(g.basisA, g.basisB));
    for (std::size_t i = 0; i + 4 <= cells.size(); i += 4) {
      double u[4], v[4];
      for (int k = 0; k < 4; ++k) u[k] = cells[i + k].x, v[k] = cells[i + k].y;
      foldInLanes(lanes, u, v);
      for (int k = 0; k < 4; ++k) {
        const Point2D folded = expected(kite, cells[i + k]);
        ASSERT_TRUE(SameBits(u[k], folded.x) && SameBits(v[k], folded.y))
            << lattice.b.x << " at " << cells[i + k].x << "," << cells[i + k].y << ": " << u[k] << "," << v[k]
            << " against " << folded.x << "," << folded.y;
      }
    }
  }
}

TEST(P6Lanes, FoldOntoTheKiteAsTheDoublesDo) {
  if (!ProbeCpuFeatures().avx2) GTEST_SKIP() << "no AVX2";
  ExpectFoldedAsTheDoubles<P6Kite>(
      detail::FoldP6Avx2, [](const P6Kite& kite, Point2D cell) { return kite.Carried(kite.OntoKite(cell)); });
}

TEST(P3LMLanes, FoldOntoTheKiteAsTheDoublesDo) {
  if (!ProbeCpuFeatures().avx2) GTEST_SKIP() << "no AVX2";
  ExpectFoldedAsTheDoubles<P3LMKite>(detail::FoldP3LMAvx2,
                                     [](const P3LMKite& kite, Point2D cell) { return kite.OntoKite(cell); });
}

// Unfeathered and unbent, every pixel is one sample: the lanes' 24.8 positions of rows of 301
// pixels (not always a whole number of lanes), and of pixels each on a row of its own, are the
// plan's.
template <class Plan, class Lanes>
void ExpectPlannedPositions(const TileGenerator& g, const Plan& plan, const Lanes& lanes,
                            void (*planInLanes)(const Lanes&, int, int, const int*, const int*, int,
                                                std::int32_t*)) {
  std::vector<int> xs(301), ys(xs.size());
  for (int i = 0; i < int(xs.size()); ++i) xs[std::size_t(i)] = i;
  std::vector<std::int32_t> positions(2 * xs.size());
  const auto expectPlanned = [&](int count, auto rowOf) {
    for (int i = 0; i < count; ++i) {
      SamplePlan single;
      plan(-20 + i, rowOf(i), single);
      ASSERT_EQ(single.count, 1);
      std::int32_t expected[2];
      detail::ToFixed(single.points[0] + g.origin, expected);
      ASSERT_EQ(positions[2 * std::size_t(i)], expected[0]) << g.basisB.x << " at " << i << "," << rowOf(i);
      ASSERT_EQ(positions[2 * std::size_t(i) + 1], expected[1])
          << g.basisB.x << " at " << i << "," << rowOf(i);
    }
  };
  for (int y = -40; y < 260; ++y) {
    const int count = int(xs.size()) - (y + 42) % 3;
    planInLanes(lanes, -20, y, xs.data(), nullptr, count, positions.data());
    expectPlanned(count, [y](int) { return y; });
    for (int i = 0; i < count; ++i) ys[std::size_t(i)] = -40 + (y + 40 + 7 * i) % 300;
    planInLanes(lanes, -20, 0, xs.data(), ys.data(), count, positions.data());
    expectPlanned(count, [&ys](int i) { return ys[std::size_t(i)]; });
  }
}

TEST(P6Lanes, PlanPositionsAsTheDoublesDo) {
  if (!ProbeCpuFeatures().avx2) GTEST_SKIP() << "no AVX2";
  for (const Lattice& lattice : kLattices) {
    TileGenerator g;
    Prepare(g, lattice);
    const P6Kite kite(g);
    const P6Seams seams(g, kite);
    ASSERT_TRUE(seams.hardUnbent);
    ExpectPlannedPositions(g, P6Plan(g, kite, seams), kite.Lanes(seams.near), detail::PlanP6Avx2);
  }
}

// Also on the shape the benchmark renders, whose pixels on the cell's edges and mirrors the copied
// rows plan again.
TEST(P6MLanes, PlanPositionsAsTheDoublesDo) {
  if (!ProbeCpuFeatures().avx2) GTEST_SKIP() << "no AVX2";
  std::vector<Lattice> lattices(std::begin(kLattices), std::end(kLattices));
  lattices.push_back({{192, -111}, {0, 222}, {192, -111}, {0, 222}});
  for (const Lattice& lattice : lattices) {
    TileGenerator g;
    Prepare(g, lattice);
    const P6MTriangle triangle(g);
    const auto plan = [&](int x, int y, SamplePlan& single) {
      const Point2D uv = triangle.PixelOnTriangle(x, y);
      single.Single(g.LatticeToSource(uv.x, uv.y));
    };
    ExpectPlannedPositions(g, plan, triangle.Lanes(), detail::PlanP6MAvx2);
  }
}

TEST(P3LMLanes, PlanPositionsAsTheDoublesDo) {
  if (!ProbeCpuFeatures().avx2) GTEST_SKIP() << "no AVX2";
  for (const Lattice& lattice : kLattices) {
    TileGenerator g;
    Prepare(g, lattice);
    const P3LMKite kite(g);
    const P3LMSeams seams(g, kite);
    ASSERT_TRUE(seams.hardUnbent);
    ExpectPlannedPositions(g, P3LMPlan(g, kite, seams), kite.Lanes(seams.near), detail::PlanP3LMAvx2);
  }
}

TEST(P3Lanes, PlanPositionsAsTheDoublesDo) {
  if (!ProbeCpuFeatures().avx2) GTEST_SKIP() << "no AVX2";
  for (const Lattice& lattice : kLattices) {
    TileGenerator g;
    Prepare(g, lattice);
    const P3Rhombus rhombus(g);
    const P3Seams seams(g);
    ASSERT_TRUE(seams.hardUnbent);
    ExpectPlannedPositions(g, P3Plan(g, rhombus, seams), seams.Lanes(g, rhombus), detail::PlanP3Avx2);
  }
}

}  // namespace
}  // namespace corvel
