// The tiles of "P4M", "P4G", "P6M" and "P6" through GenerateTile, judged by what a tile must be:
// one period of its lattice, invariant under the group's turns and mirrors, seamless across its
// edges and, once feathered, across its seams; and the folds, which every pixel goes through.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "core/ProgressMeter.h"
#include "generators/GenerateTile.h"
#include "generators/P4GGenerator.h"
#include "generators/P4MGenerator.h"
#include "generators/P6Generator.h"
#include "generators/P6MGenerator.h"
#include "generators/RectangularPeriod.h"
#include "generators/TileLattice.h"
#include "platform/win32/clock.h"
#include "tests/generators/TileSymmetry.h"
#include "tests/generators/TileTestImages.h"

namespace corvel {
namespace {

using namespace tile_symmetry;
using testing_images::MakeGradient;
using testing_images::MakeWaves;

// A shape from the anchor at the middle of a size x size source, P1 at b from it and P2 at
// (width, 0).
TileShape Shape(int method, int width, POINT b, int size, double feather, double k0, double k1) {
  TileShape shape;
  shape.method = method;
  shape.p0 = {size / 2, size / 2};
  shape.p1 = {size / 2 + b.x, size / 2 + b.y};
  shape.p2 = {size / 2 + width, size / 2};
  shape.centre = shape.p0;
  shape.seamK0 = k0;
  shape.seamK1 = k1;
  shape.feather = feather;
  shape.area = {0, 0, size - 1, size - 1};
  return shape;
}

Point2D AtLattice(const Lattice& l, double u, double v) { return l.ToPlane(u, v); }

// One group's case: the lattice the tile must repeat (shrunk by the feather where the group
// feathers), the shift of the picture in the tile, and the group's turns and mirrors on that
// lattice. The square shapes are picked so that the shrunk sides stay even (48 shrinks to 38
// or 24): the turn centres and mirrors then map pixels onto pixels. The hexagonal lattices are
// hexagonal only up to the rounding of their integer vectors.
struct GroupCase {
  const char* name;
  int method, width;
  POINT b;
  Lattice lattice;
  Point2D shift;
  std::vector<PlaneMap> symmetries;
  double slack;
};

std::vector<GroupCase> Cases(double feather) {
  const double f = feather / 400;
  auto scaled = [](int n, double factor) { return LONG(RoundToInt(n * factor)); };
  std::vector<GroupCase> cases;
  auto add = [&](const char* name, int method, int width, POINT b, Lattice l, Point2D shift,
                 std::vector<PlaneMap> (*symmetries)(const Lattice&), double slack) {
    cases.push_back({name, method, width, b, l, shift, symmetries(l), slack});
  };
  add("P4M", keTilingP4M, -24, {0, 24}, {{48, 0}, {0, 48}}, {0, 0},
      [](const Lattice& l) {
        return std::vector<PlaneMap>{TurnAbout(l, {0, 0}, 90), TurnAbout(l, AtLattice(l, 0.5, 0.5), 90),
                                     l.Affine(-1, 0, 0, 1, 0, 0), l.Affine(0, 1, 1, 0, 0, 0)};
      },
      0);
  const LONG p4g = scaled(48, 1 - 2 * f);
  add("P4G", keTilingP4G, 24, {0, 24}, {{p4g, 0}, {0, p4g}}, {0, 0},
      [](const Lattice& l) {
        // The quarter turns, the mirror u + v = 0.5 and the glide along u across v = 0.25.
        return std::vector<PlaneMap>{TurnAbout(l, {0, 0}, 90), TurnAbout(l, AtLattice(l, 0.5, 0.5), 90),
                                     l.Affine(0, -1, -1, 0, 0.5, 0.5), l.Affine(1, 0, 0, -1, 0.5, 0.5)};
      },
      0);
  // The hexagonal groups repeat their cell into the tile one pixel on and past their origin.
  add("P6M", keTilingP6M, 41, {0, 71}, {{123, -71}, {0, 142}}, {1, 71},
      [](const Lattice& l) {
        return std::vector<PlaneMap>{TurnAbout(l, {0, 0}, 60), TurnAbout(l, AtLattice(l, 1.0 / 3, 2.0 / 3), 120),
                                     TurnAbout(l, AtLattice(l, 0.5, 0), 180),
                                     MirrorThrough(l, {0, 0}, AtLattice(l, 1, 1)),
                                     MirrorThrough(l, {0, 0}, AtLattice(l, 0.5, 1))};
      },
      0.5);
  add("P6", keTilingP6, 52, {0, 45}, {{scaled(104, 1 - 2 * f), 0}, {scaled(52, 1 - 2 * f), scaled(90, 1 - 2 * f)}},
      {1, 0},
      [](const Lattice& l) {
        return std::vector<PlaneMap>{TurnAbout(l, {0, 0}, 60), TurnAbout(l, AtLattice(l, 1.0 / 3, 1.0 / 3), 120),
                                     TurnAbout(l, AtLattice(l, 0.5, 0), 180), TurnAbout(l, AtLattice(l, 0.5, 0.5), 180)};
      },
      0.5);
  return cases;
}

TEST(SquareAndHexagonalGroups, TilesAreOnePeriodAndKeepTheGroupsSymmetries) {
  struct Setting {
    double feather, k0, k1;
  } settings[] = {{0, 0, 0}, {0, 0.3, -0.2}, {40, 0, 0}, {40, 0.3, -0.2}, {100, -0.25, 0.3}};
  CRowIteratorBands source;
  MakeGradient(source, 240, 240);
  for (const Setting& s : settings) {
    for (const GroupCase& c : Cases(s.feather)) {
      const std::string what = std::string(c.name) + " feather " + std::to_string(int(s.feather)) + " k0 " +
                               std::to_string(s.k0) + " k1 " + std::to_string(s.k1);
      TileShape shape = Shape(c.method, c.width, c.b, 240, s.feather, s.k0, s.k1);
      CRowIteratorBands tile;
      ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;
      const POINT period = RectangularPeriod(c.lattice.a, c.lattice.b);
      ASSERT_EQ(tile.Width(), period.x) << what;
      ASSERT_EQ(tile.Height(), period.y) << what;
      const bool hard = s.feather == 0;
      ExpectSymmetry(tile, c.shift, c.lattice.Affine(1, 0, 0, 1, 1, 0), 1, 0, hard, what + " along A");
      ExpectSymmetry(tile, c.shift, c.lattice.Affine(1, 0, 0, 1, 0, 1), 1, 0, hard, what + " along B");
      for (std::size_t i = 0; i < c.symmetries.size(); ++i)
        ExpectSymmetry(tile, c.shift, c.symmetries[i], 1, c.slack, hard, what + " symmetry " + std::to_string(i));
      if (!hard) {
        const Steps steps = NeighbourSteps(tile);
        EXPECT_LE(steps.acrossEdges, steps.inside) << what;
      }
    }
  }
}

// Smooth waves a cell long: inside a copy neighbours differ by a few levels, across a hard seam
// by up to the waves' full height. The mirror groups fold the picture onto itself and have no
// hard seam at all; feathered, "P4G" and "P6" must join every seam and every corner where seams
// meet without a jump, straight or bent either way. A jump of up to 200 levels ramps over a
// band of 10 to 20 pixels at a feather of 40, and of 25 to 37 at 100; with the waves' own slope
// of about 5 that gives steps up to about 20. At a feather of 100 the bend of "P6"'s median
// seams rises over the few pixels between the band of the axis and the three-fold corner, and
// its steps grow with the bend, to twice that for the strongest. Where a seam on an axis and one
// on a median meet, bends of both past 0.15 overlap.
TEST(SquareAndHexagonalGroups, SeamsHaveNoJumps) {
  CRowIteratorBands source;
  MakeWaves(source, 480, 480);
  struct Case {
    const char* name;
    int method, width;
    POINT b;
    bool feathers;
    int largestStep[2];  // at a feather of 40 and of 100
    double k0, k1;       // the seam curves, bent either way
  } cases[] = {
      {"P4M", keTilingP4M, -100, {0, 100}, false, {8, 8}, 0.3, 0.3},
      {"P6M", keTilingP6M, 41, {0, 71}, false, {8, 8}, 0.3, 0.3},
      {"P4G", keTilingP4G, 100, {0, 100}, true, {20, 20}, 0.3, 0},
      {"P6", keTilingP6, 104, {0, 90}, true, {20, 28}, 0.15, 0.15},
      {"P6", keTilingP6, 104, {0, 90}, true, {24, 20}, 0.3, 0},
      {"P6", keTilingP6, 104, {0, 90}, true, {20, 45}, 0, 0.3},
  };
  for (const Case& c : cases) {
    for (double feather : {40.0, 100.0}) {
      for (double k : {0.0, 1.0, -1.0}) {
        const std::string what = std::string(c.name) + " feather " + std::to_string(int(feather)) + " k0 " +
                                 std::to_string(k * c.k0) + " k1 " + std::to_string(-k * c.k1);
        int largest[2] = {0, 0};
        for (int soft = 0; soft < 2; ++soft) {
          TileShape shape = Shape(c.method, c.width, c.b, 480, soft ? feather : 0, k * c.k0, -k * c.k1);
          CRowIteratorBands tile;
          ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;
          const Steps steps = NeighbourSteps(tile);
          largest[soft] = std::max(steps.inside, steps.acrossEdges);
        }
        if (c.feathers) {
          EXPECT_GE(largest[0], 100) << what;
        }
        EXPECT_LE(largest[1], c.largestStep[feather == 100]) << what;
      }
    }
  }
}

// A flat source gives a flat tile: the weights of every pixel's samples sum to 1, wherever
// seams bend and corners meet, so neither a dark rim nor a bright spot appears; white stays
// white rather than wrapping to dark. Grey sources go through the same blend.
TEST(SquareAndHexagonalGroups, AFlatSourceGivesAFlatTile) {
  struct Case {
    int method, width;
    POINT b;
  } cases[] = {{keTilingP4M, -40, {0, 40}}, {keTilingP4G, 40, {0, 40}}, {keTilingP6M, 41, {0, 71}},
               {keTilingP6, 52, {0, 45}}};
  for (keFormat format : {keFormatBGRA, keFormatGrey}) {
    for (int level : {200, 255}) {
      CRowIteratorBands source;
      ASSERT_EQ(source.Create(120, 120, format).GetCode(), keErrorNone);
      for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 120; ++x) source.SetPixel(x, y, CColorRef(BYTE(level), BYTE(level), BYTE(level), 255, 0, 0)).GetCode();
      }
      for (const Case& c : cases) {
        for (double feather : {0.0, 30.0, 100.0}) {
          for (double k : {0.0, 0.4, -0.4}) {
            const std::string what = "method " + std::to_string(c.method) + " format " + std::to_string(format) +
                                     " level " + std::to_string(level) + " feather " + std::to_string(feather) +
                                     " k " + std::to_string(k);
            TileShape shape = Shape(c.method, c.width, c.b, 120, feather, k, -k);
            CRowIteratorBands tile;
            ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;
            int low = 255, high = 0;
            for (int y = 0; y < tile.Height(); ++y)
              for (int x = 0; x < tile.Width(); ++x) {
                const Bgra p = PixelAt(tile, x, y);
                for (int i = 0; i < 3; ++i) {
                  low = std::min(low, p[i]);
                  high = std::max(high, p[i]);
                }
              }
            // Truncating a sum of products loses at most a level or two.
            EXPECT_GE(low, level - 2) << what;
            EXPECT_LE(high, level) << what;
          }
        }
      }
    }
  }
}

TEST(SquareAndHexagonalGroups, ACancelAfterTheFirstRowStops) {
  platform::VirtualClockScope clock;
  ElapsedSeconds();
  platform::AdvanceVirtualClock(std::chrono::seconds(1));
  CRowIteratorBands source;
  MakeGradient(source, 240, 240);
  for (const GroupCase& c : Cases(40)) {
    CProgressMeter meter;
    meter.SetContinueCallback([](CProgressMeter*) -> std::int32_t {
      platform::AdvanceVirtualClock(std::chrono::seconds(1));
      return 1;
    });
    TileShape shape = Shape(c.method, c.width, c.b, 240, 40, 0.2, 0.1);
    CRowIteratorBands tile;
    EXPECT_EQ(GenerateTile(&meter, source, shape, tile).GetCode(), keErrorStopped) << c.name;
    const POINT period = RectangularPeriod(c.lattice.a, c.lattice.b);
    EXPECT_EQ(tile.Width(), period.x) << c.name;
    EXPECT_EQ(tile.Height(), period.y) << c.name;
  }
}

TEST(P4MFold, FoldsOntoTheTriangleBelowTheDiagonal) {
  struct Case {
    Point2D in, out;
  } cases[] = {{{0.5, 0.5}, {0.5, 0.5}}, {{0.75, 0.25}, {0.25, 0.25}}, {{0.1, 0.3}, {0.3, 0.1}},
               {{0.9, 0.8}, {0.2, 0.1}}, {{0.3, 0.1}, {0.3, 0.1}},     {{0, 0}, {0, 0}}};
  P4MGenerator g;
  g.basisA = {40, 0};
  g.basisB = {0, 40};
  g.PrepareLattice();
  for (const Case& c : cases) {
    const Point2D folded = g.MapPoint(g.LatticeToPlane(c.in.x, c.in.y));
    EXPECT_NEAR(folded.x, 40 * c.out.x, 1e-9) << c.in.x << ", " << c.in.y;
    EXPECT_NEAR(folded.y, 40 * c.out.y, 1e-9) << c.in.x << ", " << c.in.y;
  }
  // Without a lattice the plane coordinates fold as if they were lattice coordinates.
  P4MGenerator flat;
  flat.PrepareLattice();
  const Point2D folded = flat.MapPoint({0.9, 0.8});
  EXPECT_NEAR(folded.x, 0.2, 1e-12);
  EXPECT_NEAR(folded.y, 0.1, 1e-12);
}

TEST(P4GFold, TurnsTheQuartersOntoTheFirstAndMirrorsAcrossItsDiagonal) {
  struct Case {
    Point2D in, out;
  } cases[] = {
      {{0.1, 0.2}, {0.1, 0.2}},       {{0.5 + 1e-9, 0.3}, {0.2, -1e-9}},  // within the tolerance: mirrored only
      {{0.5 + 1e-9, 0.8}, {-1e-9, 0.3}}, {{0.7, 0.1}, {0.1, 0.3}},  // quarter turn A: (v, 1 - u)
      {{0.2, 0.9}, {0.1, 0.2}},       {{0.9, 0.6}, {0.1, 0.4}},  // B then the mirror; the half turn
      {{0.3, 0.2}, {0.3, 0.2}},       {{0.25, 0.25}, {0.25, 0.25}},  // on the mirror
  };
  P4GGenerator g;
  g.basisA = {40, 0};
  g.basisB = {0, 40};
  g.PrepareLattice();
  for (const Case& c : cases) {
    const Point2D uv = g.Fold(c.in);
    EXPECT_NEAR(uv.x, c.out.x, 1e-12) << c.in.x << ", " << c.in.y;
    EXPECT_NEAR(uv.y, c.out.y, 1e-12) << c.in.x << ", " << c.in.y;
  }
}

// The folds of the hexagonal groups on an exact hexagonal lattice: every point of the cell lands
// in the fundamental region, on a point equivalent to it under the group.
TEST(HexagonalFolds, LandInTheFundamentalRegion) {
  const double h = 100 * std::sqrt(3.0);
  P6MGenerator p6m;
  p6m.basisA = {150, -87};
  p6m.basisB = {0, 173};
  p6m.PrepareLattice();
  // Inside the region a point stays; the centre turns onto itself and mirrors onto (0, 0.5).
  const Point2D inside = p6m.MapPoint(p6m.LatticeToPlane(0.1, 0.7));
  const Point2D expected = p6m.LatticeToPlane(0.1, 0.7);
  EXPECT_NEAR(inside.x, expected.x, 1e-9);
  EXPECT_NEAR(inside.y, expected.y, 1e-9);
  const Point2D centre = p6m.PlaneToLattice(p6m.MapPoint(p6m.LatticeToPlane(0.5, 0.5)).x,
                                            p6m.MapPoint(p6m.LatticeToPlane(0.5, 0.5)).y);
  EXPECT_NEAR(centre.x, 0, 0.01);
  EXPECT_NEAR(centre.y, 0.5, 0.01);

  P6Generator p6;
  p6.basisA = {200, 0};
  p6.basisB = {100, LONG(std::lround(h))};
  p6.PrepareLattice();
  for (int i = 0; i < 20; ++i) {
    for (int j = 0; j < 20; ++j) {
      const double u = (i + 0.5) / 20, v = (j + 0.5) / 20;
      const Point2D m = p6m.PlaneToLattice(p6m.MapPoint(p6m.LatticeToPlane(u, v)).x,
                                           p6m.MapPoint(p6m.LatticeToPlane(u, v)).y);
      // The triangle (0, 0.5), (0, 1), (1/3, 2/3), up to the lattice's rounding.
      EXPECT_GE(m.x, -0.01) << u << ", " << v;
      EXPECT_GE(m.y, 2 * m.x - 0.01) << u << ", " << v;
      EXPECT_GE(m.y, 0.5 + 0.5 * m.x - 0.01) << u << ", " << v;
      EXPECT_LE(m.x + m.y, 1.01) << u << ", " << v;

      const Point2D k = p6.PlaneToLattice(p6.MapPoint(p6.LatticeToPlane(u, v)).x,
                                          p6.MapPoint(p6.LatticeToPlane(u, v)).y);
      // The kite (0, 0), (0.5, 0), (1/3, 1/3), (0, 0.5).
      EXPECT_GE(k.x, -0.01) << u << ", " << v;
      EXPECT_GE(k.y, -0.01) << u << ", " << v;
      EXPECT_LE(2 * k.x + k.y, 1.01) << u << ", " << v;
      EXPECT_LE(k.x + 2 * k.y, 1.01) << u << ", " << v;
      if (2 * u + v < 0.99 && u + 2 * v < 0.99) {
        EXPECT_NEAR(k.x, u, 1e-9);
        EXPECT_NEAR(k.y, v, 1e-9);
      }
    }
  }
}

// Where the hexagonal tiles start in the box of their cell: "P6M" below a rising A, or past a
// negative A.x and B.y; "P6" past -(A + B) when A points left.
TEST(HexagonalOrigins, StartWhereTheCellsBoxStarts) {
  struct Case {
    POINT a, b;
    Point2D p6m, p6;
  } cases[] = {
      {{150, -87}, {0, 173}, {0, 87}, {0, 0}},
      {{150, -87}, {-40, -173}, {0, 87}, {0, 0}},
      {{-150, 87}, {0, -173}, {150, 173}, {150, 86}},
  };
  for (const Case& c : cases) {
    P6MGenerator p6m;
    P6Generator p6;
    for (TileGenerator* g : {static_cast<TileGenerator*>(&p6m), static_cast<TileGenerator*>(&p6)}) {
      g->basisA = c.a;
      g->basisB = c.b;
      g->ComputeOrigin();
    }
    EXPECT_EQ(p6m.origin.x, c.p6m.x) << c.a.x;
    EXPECT_EQ(p6m.origin.y, c.p6m.y) << c.a.x;
    EXPECT_EQ(p6.origin.x, c.p6.x) << c.a.x;
    EXPECT_EQ(p6.origin.y, c.p6.y) << c.a.x;
  }
}

}  // namespace
}  // namespace corvel
