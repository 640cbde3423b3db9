// The exact numbers of the group generators: the turns of the plane geometry, each fold, the
// tile origins and feather fractions, the shrunk tile sizes, and what "P3ML" takes of the source.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>

#include "core/ProgressMeter.h"
#include "generators/GenerateTile.h"
#include "generators/P3LMGenerator.h"
#include "generators/P3MLGenerator.h"
#include "generators/PGGGenerator.h"
#include "generators/TileLattice.h"
#include "platform/win32/clock.h"
#include "tests/generators/TileTestImages.h"

namespace corvel {
namespace {

using testing_images::Bgra;
using testing_images::MakeGradient;
using testing_images::PixelAt;

void ExpectNear(const Point2D& p, double x, double y, double tolerance = 1e-12) {
  EXPECT_NEAR(p.x, x, tolerance);
  EXPECT_NEAR(p.y, y, tolerance);
}

TEST(PlaneTurns, CompareWithTolerance) {
  const double nan = std::nan("");
  struct Case {
    double a, b;
    int expected;
  } cases[] = {{0.5, 0.5 + 5e-9, 0}, {1.0, 1.0 + 2e-8, -1}, {1.0 + 2e-8, 1.0, 1}, {nan, 0, 1}, {0, nan, 1}};
  for (const Case& c : cases) EXPECT_EQ(CompareWithTolerance(c.a, c.b), c.expected) << c.a << " " << c.b;
}

TEST(PlaneTurns, HalfAndQuarterTurns) {
  const Point2D centre(0.5, 0.5);
  ExpectNear(Point2D(0.75, 0.9).HalfTurn(centre), 0.25, 0.1, 1e-15);
  ExpectNear(Point2D(0.75, 0.25).QuarterTurnA(centre), 0.25, 0.25);
  ExpectNear(Point2D(0.25, 0.75).QuarterTurnB(centre), 0.25, 0.25);
  for (const Point2D p : {Point2D(0.1, 0.7), Point2D(-3, 12.5), centre}) {
    ExpectNear(p.QuarterTurnA(centre).QuarterTurnB(centre), p.x, p.y);
    ExpectNear(p.QuarterTurnA(centre).QuarterTurnA(centre), p.HalfTurn(centre).x, p.HalfTurn(centre).y);
  }
}

TEST(PlaneTurns, TurnsBySixtyAndHundredTwenty) {
  ExpectNear(Point2D(1, 0).RotatePlus120({0, 0}), -0.5, -std::sqrt(3.0) / 2, 1e-15);
  const Point2D centre(3, -2);
  for (const Point2D p : {Point2D(10, 4), Point2D(-7.5, 0.25), centre}) {
    Point2D three = p, six = p;
    for (int i = 0; i < 3; ++i) three = three.RotatePlus120(centre);
    for (int i = 0; i < 6; ++i) six = six.RotatePlus60(centre);
    ExpectNear(three, p.x, p.y, 1e-13);
    ExpectNear(six, p.x, p.y, 1e-13);
    ExpectNear(p.RotatePlus120(centre).RotateMinus120(centre), p.x, p.y, 1e-13);
    ExpectNear(p.RotatePlus60(centre).RotateMinus60(centre), p.x, p.y, 1e-13);
    ExpectNear(p.RotatePlus60(centre).RotatePlus60(centre), p.RotatePlus120(centre).x, p.RotatePlus120(centre).y,
               1e-13);
  }
}

TEST(PlaneTurns, LineValues) {
  const Line2D vertical(Point2D(2, 0), Point2D(2, 5)), horizontal(Point2D(0, 3), Point2D(7, 3));
  EXPECT_EQ(vertical.YAt(1.25), 1.25);  // no y exists: the argument comes back
  EXPECT_DOUBLE_EQ(horizontal.YAt(-4), 3);
  EXPECT_DOUBLE_EQ(vertical.XAt(9), 2);
  const Line2D slope(Point2D(0, 1), Point2D(1, 0));
  EXPECT_DOUBLE_EQ(slope.YAt(0.25), 0.75);
  EXPECT_DOUBLE_EQ(slope.XAt(0.25), 0.75);
}

// The fold of the generator of `method` on the lattice A, B, in lattice coordinates.
Point2D Fold(int method, POINT a, POINT b, double u, double v) {
  std::unique_ptr<TileGenerator> g = CreateTileGenerator(method);
  g->basisA = g->basisC = a;
  g->basisB = g->basisD = b;
  g->PrepareLattice();
  const Point2D p = g->LatticeToPlane(u, v);
  const Point2D q = g->MapPoint(p);
  return g->PlaneToLattice(q.x, q.y);
}

TEST(GroupFolds, RectangularAndSquareLattices) {
  const POINT a{1, 0}, b{0, 1}, a100{100, 0}, b100{0, 100};
  struct Case {
    int method;
    double u, v, foldedU, foldedV;
  } cases[] = {
      {keTilingPM, 0.3, 0.5, 0.3, 0.5},      {keTilingPM, 0.3, 0.75, 0.3, 0.25},
      {keTilingPG, 0.75, 0.2, 0.25, 0.8},    {keTilingPG, 0.3, 0.3, 0.3, 0.3},
      {keTilingPG, 0.5 + 5e-9, 0.3, 0.5 + 5e-9, 0.3},
      {keTilingPG, 0.5 + 2e-8, 0.3, 2e-8, 0.7},
      {keTilingPMM, 0.75, 0.25, 0.25, 0.25}, {keTilingPMM, 0.75, 0.75, 0.25, 0.25},
      {keTilingPMM, 0.5, 0.3, 0.5, 0.3},     {keTilingPMM, 0.3, 0.5, 0.3, 0.5},
      {keTilingPMG, 0.3, 0.5, 0.7, 0},       {keTilingPMG, 0.3, 0.6, 0.7, 0.1},
      {keTilingPMG, 0.3, 0.3, 0.3, 0.2},     {keTilingPMG, 0.3, 0.1, 0.3, 0.1},
      {keTilingPGG, 0.3, 0.6, 0.2, 0.1},     {keTilingPGG, 0.75, 0.25, 0.25, 0.25},
      {keTilingPGG, 0.75, 0.9, 0.25, 0.1},   {keTilingPGG, 0.2, 0.3, 0.2, 0.3},
      {keTilingCM, 0.3, 0.6, 0.6, 0.3},      {keTilingCM, 0.4, 0.4, 0.4, 0.4},
      {keTilingCMM, 0.3, 0.6, 0.6, 0.3},     {keTilingCMM, 0.5, 0.5, 0.5, 0.5},
      {keTilingCMM, 0.2, 0.1, 0.2, 0.1},     {keTilingCMM, 0.9, 0.3, 0.7, 0.1},
      {keTilingP4, 0.75, 0.75, 0.25, 0.25},  {keTilingP4, 0.75, 0.25, 0.25, 0.25},
      {keTilingP4, 0.25, 0.75, 0.25, 0.25},  {keTilingP4, 0.5, 0.2, 0.2, 0.5},
      {keTilingP4, 0.2, 0.5, 0.5, 0.2},      {keTilingP4, 0.5, 0.5, 0.5, 0.5},
      {keTilingP4, 0.1, 0.3, 0.1, 0.3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.method << ": " << c.u << ", " << c.v);
    ExpectNear(Fold(c.method, a, b, c.u, c.v), c.foldedU, c.foldedV, 1e-15);
    if (c.method != keTilingPG) ExpectNear(Fold(c.method, a100, b100, c.u, c.v), c.foldedU, c.foldedV);
  }
}

TEST(GroupFolds, HexagonalLattices) {
  const POINT a{90, -52}, b{0, 104};
  // "P3": the rhombus 0, anchor2, A + B, anchor1 stays; the lattice points A and B lie on the
  // line between the anchors and turn onto A + B.
  for (const Point2D uv : {Point2D(0, 0), Point2D(2.0 / 3, 1.0 / 3), Point2D(1, 1), Point2D(1.0 / 3, 2.0 / 3),
                           Point2D(0.5, 0.5), Point2D(0.4, 0.3)})
    ExpectNear(Fold(keTilingP3, a, b, uv.x, uv.y), uv.x, uv.y, 1e-12);
  ExpectNear(Fold(keTilingP3, a, b, 0, 1), 1, 1, 2e-3);
  ExpectNear(Fold(keTilingP3, a, b, 1, 0), 1, 1, 2e-3);
  // Every point of the cell lands in the rhombus: v between u / 2 and 2 u, and between
  // (u + 1) / 2 and 2 u - 1.
  for (int i = 0; i < 20; ++i) {
    for (int j = 0; j < 20; ++j) {
      const Point2D f = Fold(keTilingP3, a, b, i / 20.0 + 0.01, j / 20.0 + 0.02);
      EXPECT_GE(f.y, 0.5 * f.x - 2e-3);
      EXPECT_LE(f.y, 2 * f.x + 2e-3);
      EXPECT_LE(f.y, 0.5 + 0.5 * f.x + 2e-3);
      EXPECT_GE(f.y, 2 * f.x - 1 - 2e-3);
      // "P3ML" mirrors that onto the triangle 0, anchor2, anchor1.
      const Point2D m = Fold(keTilingP3ML, a, b, i / 20.0 + 0.01, j / 20.0 + 0.02);
      EXPECT_LE(m.x + m.y, 1 + 2e-3);
    }
  }
  // "P3LM" on A = (6, 0), B = (3, 5): the kite at the origin stays, its copies turn about the
  // centroid A / 3 + B / 3 = (3, 5 / 3).
  const POINT a3{6, 0}, b3{3, 5};
  const Point2D centroid(3, 5.0 / 3);
  auto turned = [&](double u, double v, bool plus) {
    const Point2D p(u * 6 + v * 3, v * 5);
    const Point2D q = plus ? p.RotatePlus120(centroid) : p.RotateMinus120(centroid);
    const double det = 30;
    return Point2D((q.x * 5 - q.y * 3) / det, (q.y * 6) / det);
  };
  ExpectNear(Fold(keTilingP3LM, a3, b3, 0.1, 0.1), 0.1, 0.1);
  const Point2D plus = turned(0.6, 0.1, true), minus = turned(0.3, 0.6, false), minus2 = turned(0.05, 0.6, false);
  ExpectNear(Fold(keTilingP3LM, a3, b3, 0.6, 0.1), plus.x, plus.y);
  ExpectNear(Fold(keTilingP3LM, a3, b3, 0.3, 0.6), minus.x, minus.y);
  ExpectNear(Fold(keTilingP3LM, a3, b3, 0.05, 0.6), minus2.x, minus2.y);
}

TEST(GroupGenerators, OriginsOfTheirTiles) {
  struct Case {
    int method;
    POINT a, b;
    double x, y;
  } cases[] = {
      {keTilingPM, {-40, 0}, {0, -30}, 40, 30},   {keTilingPM, {40, 0}, {0, 30}, 0, 0},
      {keTilingPM, {40, 0}, {-25, 30}, 25, 0},    {keTilingPG, {-40, 0}, {0, -30}, 40, 30},
      {keTilingCMM, {-3, 4}, {5, 7}, 6, 4},       {keTilingCMM, {3, -4}, {5, 7}, 0, 7},
      {keTilingP3, {90, -52}, {0, 104}, 0, 52},   {keTilingP3, {-90, 52}, {0, -104}, 90, 104},
      {keTilingP3ML, {5, -3}, {0, 6}, 0, 3},      {keTilingP3ML, {-5, 3}, {0, -6}, 5, 6},
      {keTilingP3ML, {0, 3}, {0, -6}, 0, 6},      {keTilingP3LM, {-4, 0}, {-2, 6}, 6, -6},
      {keTilingP3LM, {4, 0}, {2, -6}, 0, 0},      {keTilingPMG, {-10, 0}, {0, -8}, 10, 8},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TileGenerator> g = CreateTileGenerator(c.method);
    g->basisA = c.a;
    g->basisB = c.b;
    g->ComputeOrigin();
    EXPECT_EQ(g->origin.x, c.x) << c.method;
    EXPECT_EQ(g->origin.y, c.y) << c.method;
  }
}

TEST(GroupGenerators, FeatherFractionsAndAnchors) {
  struct Case {
    int method;
    double first, u, v;
  } cases[] = {{keTilingPM, 0, 0.025, 0.025}, {keTilingPGG, 0, 0.0125, 0.0125}, {keTilingCM, 0.025, 0.025, 0.025},
               {keTilingPMM, 0.025, 0.025, 0.025}, {keTilingP3ML, 0.025, 0.025, 0.025}, {keTilingP3, 0, 0.025, 0.025}};
  for (const Case& c : cases) {
    std::unique_ptr<TileGenerator> g = CreateTileGenerator(c.method);
    g->SetFeather(10);
    EXPECT_EQ(g->feather0, c.first) << c.method;
    EXPECT_EQ(g->feather1, c.u) << c.method;
    EXPECT_EQ(g->feather2, c.v) << c.method;
  }
  PGGGenerator pgg;
  pgg.SetFeather(40);
  EXPECT_EQ(pgg.feather1, 0.05);
}

CoreResult Generate(int method, int width, POINT b, double feather, CRowIteratorBands& tile,
                    CProgressMeter* meter = nullptr, int angle = 0) {
  CRowIteratorBands source;
  MakeGradient(source, 240, 240);
  TileShape shape;
  shape.method = method;
  shape.p0 = {120, 120};
  shape.p1 = {120 + b.x, 120 + b.y};
  shape.p2 = {120 + width, 120};
  shape.centre = shape.p0;
  shape.angle = angle;
  shape.feather = feather;
  shape.area = {0, 0, 239, 239};
  return GenerateTile(meter, source, shape, tile);
}

TEST(GroupGenerators, TilesOfTheShrunkLattice) {
  struct Case {
    int method, width;
    POINT b;
    double feather;
    int tileWidth, tileHeight;
  } cases[] = {
      {keTilingPM, 78, {0, 20}, 100, 58, 30},    // 58.5 rounds half to even
      {keTilingPG, 39, {0, 30}, 100, 39, 22},    // A by 1 - 2f, B by 1 - f: 39, 22.5
      {keTilingPMM, 39, {0, 30}, 100, 78, 60},   // mirrors need no feather
      {keTilingPMG, 30, {0, 10}, 20, 28, 38},    // 28.5 and 38
      {keTilingPGG, 100, {0, 50}, 40, 180, 90},  // half fractions: 200 by 0.9
      {keTilingCM, -46, {0, 34}, 100, 34, 26},   // 34.5 and 25.5
      {keTilingCMM, -23, {0, 17}, 100, 34, 26},  // A = (23, 17), B = (23, -17); 17.25, 12.75
      {keTilingP4, 23, {0, 23}, 100, 23, 23},
      {keTilingP3ML, 45, {0, 52}, 100, 180, 104},  // repeated into the rectangular period
  };
  for (const Case& c : cases) {
    CRowIteratorBands tile;
    ASSERT_EQ(Generate(c.method, c.width, c.b, c.feather, tile).GetCode(), keErrorNone) << c.method;
    EXPECT_EQ(tile.Width(), c.tileWidth) << c.method;
    EXPECT_EQ(tile.Height(), c.tileHeight) << c.method;
  }
}

TEST(GroupGenerators, WithoutFeatherOrSeamsTheFoldReadsTheSourceOnce) {
  // "PM": the lower half cell is the picked area; the upper its mirror image.
  CRowIteratorBands tile;
  ASSERT_EQ(Generate(keTilingPM, 30, {0, 20}, 0, tile).GetCode(), keErrorNone);
  ASSERT_EQ(tile.Width(), 30);
  ASSERT_EQ(tile.Height(), 40);
  for (int y = 0; y < 40; y += 3) {
    for (int x = 1; x < 30; x += 4) {
      const int mirrored = y <= 20 ? y : 40 - y;
      const Bgra p = PixelAt(tile, x, y);
      EXPECT_NEAR(p[1], 120 + mirrored, 1) << x << "," << y;
      EXPECT_NEAR(p[2], 120 + x, 1) << x << "," << y;
    }
  }
}

TEST(GroupGenerators, OnAStraightSeamAPixelIsTheMeanOfItsTwoCopies) {
  // "PM" with feather 50: A shrinks to 42 and samples sit hu = 1/16 of a cell into the source.
  // The column u = 0 lies on the seam: half its own sample at 120 + 42 / 16, half the partner
  // one cell on, so red is 120 + 42 (1/2 + 1/16), 143.6, truncated.
  CRowIteratorBands tile;
  ASSERT_EQ(Generate(keTilingPM, 48, {0, 24}, 50, tile).GetCode(), keErrorNone);
  ASSERT_EQ(tile.Width(), 42);
  for (int y = 0; y < tile.Height(); y += 5) EXPECT_NEAR(PixelAt(tile, 0, y)[2], 143, 1) << y;
  // Half a feather inside the region a pixel keeps its own colour: x = 3 reads 120 + 3 + 2.6.
  for (int y = 0; y < tile.Height(); y += 5) EXPECT_NEAR(PixelAt(tile, 3, y)[2], 125, 1) << y;
}

TEST(GroupGenerators, P3MLTakesTheAreaGrownByAPixel) {
  CRowIteratorBands source, bgr;
  MakeGradient(source, 240, 240);
  ASSERT_EQ(bgr.Create(240, 240, keFormatBGR).GetCode(), keErrorNone);
  for (int y = 0; y < 240; ++y) {
    BYTE* row = bgr.LockRowPointer(y, 0, -1);
    for (int x = 0; x < 240; ++x) {
      row[3 * x] = 7;
      row[3 * x + 1] = BYTE(y);
      row[3 * x + 2] = BYTE(x);
    }
    bgr.UnlockRow(y);
  }
  for (CRowIteratorBands* image : {&source, &bgr}) {
    P3MLGenerator g;
    ASSERT_EQ(g.TakeSourceArea(*image, 10, 20, 0, {10, 20, 110, 220}).GetCode(), keErrorNone);
    EXPECT_EQ(g.workImage.Width(), 102);
    EXPECT_EQ(g.workImage.Height(), 202);
    EXPECT_EQ(g.origin.x, 1);
    EXPECT_EQ(g.origin.y, 1);
    EXPECT_EQ(PixelAt(g.workImage, 0, 0), (Bgra{7, 19, 9, 255}));
    EXPECT_EQ(PixelAt(g.workImage, 101, 201), (Bgra{7, 220, 110, 255}));
  }
  // At the source's border the nearest edge pixel stands in for the pixel beyond it.
  P3MLGenerator g;
  ASSERT_EQ(g.TakeSourceArea(source, 0, 0, 0, {0, 0, 239, 239}).GetCode(), keErrorNone);
  EXPECT_EQ(PixelAt(g.workImage, 0, 0), (Bgra{7, 0, 0, 255}));
  EXPECT_EQ(PixelAt(g.workImage, 240, 240), (Bgra{7, 239, 239, 255}));
}

TEST(GroupGenerators, P3MLPickedUpsideDownReadsThePickedArea) {
  // P1 above P0 makes A point left; the driver turns the points half round the centre, and the
  // source lattice must turn back so that the tile still shows the area above P0 and left of
  // it. Turned by another half turn, it shows the area below and right.
  for (int angle : {0, 180}) {
    CRowIteratorBands tile;
    ASSERT_EQ(Generate(keTilingP3ML, 30, {0, -30}, 0, tile, nullptr, angle).GetCode(), keErrorNone);
    int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
    for (int y = 0; y < tile.Height(); ++y) {
      for (int x = 0; x < tile.Width(); ++x) {
        const Bgra p = PixelAt(tile, x, y);
        for (int c = 1; c < 3; ++c) {
          low[c] = std::min(low[c], p[c]);
          high[c] = std::max(high[c], p[c]);
        }
      }
    }
    for (int c = 1; c < 3; ++c) {
      if (angle == 0)
        EXPECT_LE(high[c], 121) << c;
      else
        EXPECT_GE(low[c], 119) << c;
    }
  }
}

TEST(GroupGenerators, StopWithoutHandingOnAPartialTile) {
  platform::VirtualClockScope clock;
  ElapsedSeconds();
  platform::AdvanceVirtualClock(std::chrono::seconds(1));
  for (int method : {keTilingPM, keTilingPG, keTilingPMM, keTilingPMG, keTilingPGG, keTilingCM, keTilingCMM,
                     keTilingP4, keTilingP3, keTilingP3ML, keTilingP3LM}) {
    CProgressMeter meter;
    meter.SetContinueCallback([](CProgressMeter*) -> std::int32_t {
      platform::AdvanceVirtualClock(std::chrono::seconds(1));
      return 1;
    });
    CRowIteratorBands tile;
    EXPECT_EQ(Generate(method, 20, {0, 20}, 20, tile, &meter).GetCode(), keErrorStopped) << method;
    ASSERT_TRUE(CRowIteratorBands::IsValid(&tile)) << method;
    EXPECT_EQ(PixelAt(tile, tile.Width() / 2, tile.Height() - 1), (Bgra{0, 0, 0, 0})) << method;
  }
}

}  // namespace
}  // namespace corvel
