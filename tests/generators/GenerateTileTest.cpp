#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>

#include "core/ProgressMeter.h"
#include "generators/GenerateTile.h"
#include "generators/TileLattice.h"
#include "platform/win32/clock.h"
#include "tests/generators/TileSymmetry.h"
#include "tests/generators/TileTestImages.h"

namespace corvel {
namespace {

using testing_images::Bgra;
using testing_images::MakeGradient;
using testing_images::PixelAt;
using tile_symmetry::NeighbourSteps;
using tile_symmetry::Steps;

// A shape whose lattice is V1 = (w, 0) and V2 = b from the anchor (60, 60) of a 240 x 240
// gradient (red = x, green = y).
TileShape Shape(int method, int width, POINT b, double feather = 0, double k0 = 0, double k1 = 0, double k2 = 0) {
  TileShape shape;
  shape.method = method;
  shape.p0 = {60, 60};
  shape.p1 = {60 + b.x, 60 + b.y};
  shape.p2 = {60 + width, 60};
  shape.centre = shape.p0;
  shape.seamK0 = k0;
  shape.seamK1 = k1;
  shape.seamK2 = k2;
  shape.feather = feather;
  shape.area = {0, 0, 239, 239};
  return shape;
}

CoreResult Generate(TileShape shape, CRowIteratorBands& tile, CProgressMeter* meter = nullptr) {
  CRowIteratorBands source;
  MakeGradient(source, 240, 240);
  return GenerateTile(meter, source, shape, tile);
}

int Difference(const Bgra& a, const Bgra& b) {
  int d = 0;
  for (int c = 0; c < 4; ++c) d = std::max(d, std::abs(a[c] - b[c]));
  return d;
}

// Each lattice vector moves the tile onto itself, modulo its size.
void ExpectLatticePeriodic(CRowIteratorBands& tile, POINT a, POINT b) {
  const int w = tile.Width(), h = tile.Height();
  auto wrap = [](long long t, int n) { return int(((t % n) + n) % n); };
  int mismatches = 0;
  for (int y = 0; y < h; y += 3) {
    for (int x = 0; x < w; x += 3) {
      const Bgra here = PixelAt(tile, x, y);
      for (POINT v : {a, b}) {
        if (PixelAt(tile, wrap(x + v.x, w), wrap(y + v.y, h)) != here) ++mismatches;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(GenerateTile, P1WithoutFeatherOrSeamsCopiesTheCell) {
  CRowIteratorBands tile;
  ASSERT_EQ(Generate(Shape(keTilingP1, 40, {0, 30}), tile).GetCode(), keErrorNone);
  ASSERT_EQ(tile.Width(), 40);
  ASSERT_EQ(tile.Height(), 30);
  // The tile repeats the cell, read one pixel on along the row.
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      EXPECT_EQ(PixelAt(tile, x, y), (Bgra{7, 60 + y, 60 + (x + 1) % 40, 255})) << x << "," << y;
    }
  }
}

TEST(GenerateTile, P1TileIsOnePeriodOfTheShrunkLattice) {
  struct Case {
    int width;
    POINT b;
    double feather;
    int tileWidth, tileHeight;
  } cases[] = {
      {40, {0, 30}, 0, 40, 30},
      {200, {0, 100}, 20, 190, 95},
      {46, {0, 38}, 100, 34, 28},  // 34.5 and 28.5 round half to even
      {60, {9, 40}, 0, 60, 800},
      {200, {30, 100}, 20, 190, 9025},  // shrunk (190, 0), (28, 95)
  };
  for (const Case& c : cases) {
    CRowIteratorBands tile;
    ASSERT_EQ(Generate(Shape(keTilingP1, c.width, c.b, c.feather), tile).GetCode(), keErrorNone);
    EXPECT_EQ(tile.Width(), c.tileWidth);
    EXPECT_EQ(tile.Height(), c.tileHeight);
  }
}

TEST(GenerateTile, P1TilesRepeatAlongTheLatticeAndWithoutSeams) {
  struct Case {
    int width;
    POINT b;
    double feather, k0, k1;
    POINT shrunkA, shrunkB;
  } cases[] = {
      {40, {0, 30}, 0, 0, 0, {40, 0}, {0, 30}},
      {40, {12, 30}, 40, 0, 0, {36, 0}, {11, 27}},
      {40, {-12, 30}, 40, 0.1, -0.15, {36, 0}, {-11, 27}},
      {40, {12, 30}, 100, 0.2, 0.2, {30, 0}, {9, 22}},
      {40, {-50, 30}, 40, 0.1, 0.1, {36, 0}, {-45, 27}},  // sheared past a whole cell
      {200, {30, 100}, 20, 0, 0, {190, 0}, {28, 95}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.b.x);
    CRowIteratorBands tile;
    ASSERT_EQ(Generate(Shape(keTilingP1, c.width, c.b, c.feather, c.k0, c.k1), tile).GetCode(), keErrorNone);
    ExpectLatticePeriodic(tile, c.shrunkA, c.shrunkB);
    if (c.feather > 0) {
      // Feathered seams blend over the band, so the tile wraps as smoothly as it runs inside.
      Steps steps = NeighbourSteps(tile);
      EXPECT_LE(steps.acrossEdges, steps.inside);
    }
  }
}

TEST(GenerateTile, P2WithoutFeatherOrSeamsHalfTurnsTheCell) {
  CRowIteratorBands tile;
  ASSERT_EQ(Generate(Shape(keTilingP2, 40, {0, 30}), tile).GetCode(), keErrorNone);
  ASSERT_EQ(tile.Width(), 40);
  ASSERT_EQ(tile.Height(), 30);
  // Below the diagonal u + v = 1 the cell itself, beyond it the cell turned about its centre.
  // Which side a pixel right on the diagonal shows depends on the rounding of u and v.
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      if (x * 30 + y * 40 == 1200) continue;
      const bool turned = x * 30 + y * 40 > 1200;
      const Bgra expected = turned ? Bgra{7, 60 + 30 - y, 60 + 40 - x, 255} : Bgra{7, 60 + y, 60 + x, 255};
      EXPECT_LE(Difference(PixelAt(tile, x, y), expected), 1) << x << "," << y;
    }
  }
}

TEST(GenerateTile, P2TileIsSymmetricUnderTheHalfTurnAndSeamless) {
  struct Case {
    int width, height;
    double feather, k0, k1, k2;
  } cases[] = {
      {48, 40, 0, 0, 0, 0},   {48, 40, 0, 0.2, -0.1, 0.15},   {48, 40, 40, 0, 0, 0},
      {48, 40, 60, 0.2, -0.1, 0.15}, {48, 40, 100, 0.1, 0.1, 0.1}, {-48, -40, 60, 0.2, -0.1, 0.15},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.feather);
    CRowIteratorBands tile;
    const TileShape shape = Shape(keTilingP2, c.width, {0, c.height}, c.feather, c.k0, c.k1, c.k2);
    ASSERT_EQ(Generate(shape, tile).GetCode(), keErrorNone);
    const int w = tile.Width(), h = tile.Height();
    // Exactly one period of the lattice shrunk by the feather.
    EXPECT_EQ(w, RoundToInt(std::abs(c.width) * (1 - c.feather / 400)));
    EXPECT_EQ(h, RoundToInt(std::abs(c.height) * (1 - c.feather / 400)));
    // The half turn about the tile's corner maps (x, y) to (-x, -y), modulo the tile. Rounding
    // of the 24.8 positions may move a bilinear sample of the unit-slope gradient by one step.
    // A pixel right on a hard straight seam shows one side of it, not the blend of both.
    const bool hardStraight = c.feather == 0 && c.k0 == 0 && c.k1 == 0 && c.k2 == 0;
    int worst = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        if (hardStraight && (x == 0 || y == 0 || x * h + y * w == w * h)) continue;
        worst = std::max(worst, Difference(PixelAt(tile, x, y), PixelAt(tile, (w - x) % w, (h - y) % h)));
      }
    }
    EXPECT_LE(worst, 1);
    if (c.feather > 0) {
      Steps steps = NeighbourSteps(tile);
      EXPECT_LE(steps.acrossEdges, steps.inside);
    }
  }
}

TEST(GenerateTile, FeatheredSeamsHaveNoJumps) {
  // The cell's gradient runs 40 steps across; a hard seam jumps by about that much, while a
  // band of a quarter cell spreads the jump over ten pixels: 4 per pixel, plus the slope of the
  // gradient itself, plus one for truncation. A bent seam crosses the rows at a slant, which
  // narrows the band along a row.
  struct Case {
    int method;
    POINT b;
    double k0;
    int largestStep;
  } cases[] = {
      {keTilingP1, {0, 40}, 0, 7},
      {keTilingP1, {12, 40}, 0, 7},
      {keTilingP1, {-50, 40}, 0.2, 12},  // sheared past a whole cell
      {keTilingP2, {0, 40}, 0, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.b.x);
    CRowIteratorBands hard, soft;
    ASSERT_EQ(Generate(Shape(c.method, 40, c.b), hard).GetCode(), keErrorNone);
    ASSERT_EQ(Generate(Shape(c.method, 40, c.b, 100, c.k0), soft).GetCode(), keErrorNone);
    Steps hardSteps = NeighbourSteps(hard), softSteps = NeighbourSteps(soft);
    EXPECT_GE(std::max(hardSteps.inside, hardSteps.acrossEdges), 30);
    EXPECT_LE(std::max(softSteps.inside, softSteps.acrossEdges), c.largestStep);
  }
}

TEST(GenerateTile, StopsWithoutHandingOnAPartialTile) {
  platform::VirtualClockScope clock;
  ElapsedSeconds();
  platform::AdvanceVirtualClock(std::chrono::seconds(1));
  for (int method : {keTilingP1, keTilingP2}) {
    CProgressMeter meter;
    meter.SetContinueCallback([](CProgressMeter*) -> std::int32_t {
      platform::AdvanceVirtualClock(std::chrono::seconds(1));
      return 1;
    });
    CRowIteratorBands tile;
    EXPECT_EQ(Generate(Shape(method, 40, {0, 30}, 20), tile, &meter).GetCode(), keErrorStopped);
    ASSERT_EQ(tile.Width(), 38);
    ASSERT_EQ(tile.Height(), 28);
    for (int y = 0; y < tile.Height(); y += 5) EXPECT_EQ(PixelAt(tile, 17, y), (Bgra{0, 0, 0, 0}));
  }
}

TEST(GenerateTile, RefusesWhatItCannotMake) {
  CRowIteratorBands source, tile, indexed;
  MakeGradient(source, 100, 100);
  ASSERT_EQ(indexed.Create(10, 10, keFormatIndex8).GetCode(), keErrorNone);
  struct Case {
    int method;
    POINT b;
    int width;
    std::int32_t code;
    double feather = 0;
  } cases[] = {
      {keTilingP1, {0, 30}, 40, keErrorBadArgument, std::nan("")},
      {keTilingP1, {0, 1 << 30}, 40, keErrorBadArgument},
      {-1, {0, 30}, 40, keErrorBadArgument},
      {keTilingMethodCount, {0, 30}, 40, keErrorBadArgument},
      {keTilingP1, {0, 30}, 0, keErrorBadArgument},  // a flat lattice
      {keTilingP2, {20, 0}, 40, keErrorBadArgument},
  };
  for (const Case& c : cases) {
    TileShape shape = Shape(c.method, c.width, c.b, c.feather);
    EXPECT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), c.code) << c.method;
    EXPECT_FALSE(CRowIteratorBands::IsValid(&tile));
  }
  TileShape shape = Shape(keTilingP1, 4, {0, 4});
  shape.area = {0, 0, 9, 9};
  EXPECT_EQ(GenerateTile(nullptr, indexed, shape, tile).GetCode(), keErrorBadArgument);
}

TEST(GenerateTile, ClampsTheFeatherToItsRange) {
  // A scripting descriptor may carry any feather; past 100 the lattice would shrink to nothing.
  struct Case {
    int method;
    double feather, clamped;
  } cases[] = {{keTilingP1, 150, 100}, {keTilingP2, 1e300, 100}, {keTilingPM, -5, 0}, {keTilingPGG, -1e300, 0}};
  for (const Case& c : cases) {
    CRowIteratorBands tile, expected;
    ASSERT_EQ(Generate(Shape(c.method, 40, {0, 30}, c.feather, 0.1), tile).GetCode(), keErrorNone);
    ASSERT_EQ(Generate(Shape(c.method, 40, {0, 30}, c.clamped, 0.1), expected).GetCode(), keErrorNone);
    ASSERT_EQ(tile.Width(), expected.Width());
    ASSERT_EQ(tile.Height(), expected.Height());
    for (int y = 0; y < tile.Height(); y += 3) {
      for (int x = 0; x < tile.Width(); x += 3) ASSERT_EQ(PixelAt(tile, x, y), PixelAt(expected, x, y));
    }
  }
}

TEST(GenerateTile, P1SeamAmplitudesFollowTheFlippedLattice) {
  CRowIteratorBands source, tile;
  MakeGradient(source, 240, 240);
  TileShape shape = Shape(keTilingP1, -40, {10, -30}, 0, 0.25, 0.5, 0.75);
  ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone);
  EXPECT_EQ(shape.seamK0, -0.25);
  EXPECT_EQ(shape.seamK1, -0.5);
  EXPECT_EQ(shape.seamK2, 0.75);
}

TEST(GenerateTile, TurnedShapesReadTheTurnedSource) {
  // A quarter turn of the pick about its anchor: the tile's rows run down the source's columns.
  TileShape shape = Shape(keTilingP1, 30, {0, 20});
  shape.angle = 90;
  CRowIteratorBands tile;
  ASSERT_EQ(Generate(shape, tile).GetCode(), keErrorNone);
  ASSERT_EQ(tile.Width(), 30);
  const Bgra first = PixelAt(tile, 5, 5), next = PixelAt(tile, 6, 5);
  EXPECT_EQ(first[2], next[2]);
  EXPECT_EQ(std::abs(first[1] - next[1]), 1);
}

}  // namespace
}  // namespace corvel
