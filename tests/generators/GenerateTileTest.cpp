#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/CpuFeatures.h"
#include "core/ProgressMeter.h"
#include "core/RowThreads.h"
#include "generators/GenerateTile.h"
#include "generators/TileLattice.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Memory.h"
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
TileShape Shape(int method, int width, POINT b, double feather = 0, double k0 = 0, double k1 = 0,
                double k2 = 0) {
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

// Each lattice vector moves the tile onto itself, modulo its size, to a level: the tile's pixels
// are planned one by one, and a copy one cell on may round the other way.
void ExpectLatticePeriodic(CRowIteratorBands& tile, POINT a, POINT b) {
  const int w = tile.Width(), h = tile.Height();
  auto wrap = [](long long t, int n) { return int(((t % n) + n) % n); };
  int mismatches = 0;
  for (int y = 0; y < h; y += 3) {
    for (int x = 0; x < w; x += 3) {
      const Bgra here = PixelAt(tile, x, y);
      for (POINT v : {a, b}) {
        const Bgra there = PixelAt(tile, wrap(x + v.x, w), wrap(y + v.y, h));
        for (int c = 0; c < 4; ++c) mismatches += std::abs(there[c] - here[c]) > 1;
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
      {40, {0, 30}, 0, 40, 30},   {200, {0, 100}, 20, 190, 95},
      {46, {0, 38}, 100, 34, 28},                                   // 34.5 and 28.5 round half to even
      {60, {9, 40}, 0, 60, 800},  {200, {30, 100}, 20, 190, 9025},  // shrunk (190, 0), (28, 95)
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
    double bend = 0;
  } cases[] = {
      {keTilingP1, {0, 30}, 40, keErrorBadArgument, std::nan("")},
      {keTilingP2, {0, 30}, 40, keErrorBadArgument, 0, std::nan("")},
      {keTilingCM, {0, 30}, 40, keErrorBadArgument, 20, HUGE_VAL},
      {keTilingP1, {0, 1 << 30}, 40, keErrorBadArgument},
      {-1, {0, 30}, 40, keErrorBadArgument},
      {keTilingMethodCount, {0, 30}, 40, keErrorBadArgument},
      {keTilingP1, {0, 30}, 0, keErrorBadArgument},  // a flat lattice
      {keTilingP2, {20, 0}, 40, keErrorBadArgument},
  };
  for (const Case& c : cases) {
    TileShape shape = Shape(c.method, c.width, c.b, c.feather);
    shape.seamK1 = c.bend;
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
  } cases[] = {
      {keTilingP1, 150, 100}, {keTilingP2, 1e300, 100}, {keTilingPM, -5, 0}, {keTilingPGG, -1e300, 0}};
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

// A scripted tile size may ask for a tile of gigabytes: it is refused before its images are made,
// on either render path, and the last tile stays as it was.
TEST(GenerateTile, RefusesATileBeyondTheMemoryBudget) {
  CRowIteratorBands source;
  MakeGradient(source, 240, 240);
  for (const CpuFeatures& features : {CpuFeatures{}, ProbeCpuFeatures()}) {
    const CpuFeaturesOverride forced(features);
    for (int method : {keTilingP4M, keTilingP2}) {
      CRowIteratorBands tile;
      TileShape shape = Shape(method, 100, {0, 100});
      ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone);
      const int width = tile.Width();
      shape.tileSize = 20000;  // at least 20000 x 20000 pixels, 1.6 GB
      EXPECT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorTileOverBudget) << method;
      EXPECT_EQ(tile.Width(), width) << method;
      shape.tileSize = 1000;
      ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << method;
      EXPECT_EQ(tile.Width(), 10 * width) << method;
    }
  }
}

// The tile's bytes, row by row.
std::vector<BYTE> TileBytes(CRowIteratorBands& tile) {
  std::vector<BYTE> bytes;
  for (int y = 0; y < tile.Height(); ++y) {
    const BYTE* row = tile.LockRowPointer(y, 0, -1);
    bytes.insert(bytes.end(), row, row + tile.GetRowBytes());
    tile.UnlockRow(y);
  }
  return bytes;
}

// Where the tile's memory lies: its first row and the bytes of its block.
struct TileMemory {
  const BYTE* start;
  SIZE_T bytes;
};
TileMemory MemoryOf(CRowIteratorBands& tile) {
  const BYTE* start = tile.LockRowPointer(0, 0, -1);
  tile.UnlockRow(0);
  return {start, tile.GetBand(0)->block->Size()};
}

// A preview renders again and again, a handle moved or the tile size changed: each render writes
// into the memory of the last tile where it has room, on every road (fold programs scaled or not,
// the plan in doubles scaled after or repeated into the period), whatever that memory held, and
// gives the bytes of a render into new memory, on one thread or eight.
TEST(GenerateTile, RendersIntoTheLastTilesMemoryWhereItHasRoom) {
  CRowIteratorBands source;
  testing_images::MakeWaves(source, 240, 240);
  struct Case {
    const char* what;
    TileShape shape;
  };
  const Case cases[] = {
      {"PMM", Shape(keTilingPMM, 40, {0, 40})},
      {"P6M", Shape(keTilingP6M, 40, {20, 35})},
      {"P4 feathered", Shape(keTilingP4, 40, {0, 40}, 20)},
      {"P6 bent", Shape(keTilingP6, 40, {20, 35}, 20, 0.1, -0.1)},
      {"P2 bent", Shape(keTilingP2, 44, {6, 30}, 0, 0.1, -0.1, 0.1)},
      {"P1 bent, sheared", Shape(keTilingP1, 37, {11, 29}, 0, 0.1, -0.1)},
  };
  for (const Case& c : cases) {
    for (int percent : {100, 70}) {
      TileShape shape = c.shape, larger = c.shape;
      shape.tileSize = percent;
      larger.tileSize = 130;
      const std::string what = std::string(c.what) + " at " + std::to_string(percent) + "%";
      CRowIteratorBands fresh, tile;
      {
        const RowThreads::ScopedCount one(1);
        ASSERT_EQ(GenerateTile(nullptr, source, shape, fresh).GetCode(), keErrorNone) << what;
      }
      const RowThreads::ScopedCount eight(8);
      ASSERT_EQ(GenerateTile(nullptr, source, larger, tile).GetCode(), keErrorNone) << what;
      for (int y = 0; y < tile.Height(); ++y) {
        std::fill_n(tile.LockRowPointer(y, 0, -1), tile.GetRowBytes(), BYTE(0xA5));
        tile.UnlockRow(y);
      }
      const TileMemory kept = MemoryOf(tile);
      const SIZE_T held = GetVirtualMemoryUse().now;
      shape = c.shape;
      shape.tileSize = percent;
      ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;
      EXPECT_EQ(GetVirtualMemoryUse().now, held) << what;
      const TileMemory now = MemoryOf(tile);
      EXPECT_TRUE(now.start >= kept.start && now.start < kept.start + kept.bytes) << what;
      ASSERT_EQ(tile.Width(), fresh.Width()) << what;
      ASSERT_EQ(tile.Height(), fresh.Height()) << what;
      EXPECT_TRUE(TileBytes(tile) == TileBytes(fresh)) << what;
    }
  }
}

// The memory of a last tile too small for the render goes before the render's is made: a
// larger tile never sits beside it.
TEST(GenerateTile, LetsGoOfTheLastTileBeforeMakingALargerOne) {
  CRowIteratorBands source;
  testing_images::MakeWaves(source, 240, 240);
  for (int method : {keTilingPMM, keTilingP6M}) {
    CRowIteratorBands tile;
    TileShape small = Shape(method, 40, {0, 40}), large = small;
    small.tileSize = 50;
    large.tileSize = 200;
    ASSERT_EQ(GenerateTile(nullptr, source, small, tile).GetCode(), keErrorNone);
    const SIZE_T before = GetVirtualMemoryUse().now;
    ResetVirtualMemoryPeak();
    ASSERT_EQ(GenerateTile(nullptr, source, large, tile).GetCode(), keErrorNone);
    const VirtualMemoryUse after = GetVirtualMemoryUse();
    EXPECT_GT(after.now, before) << method;
    EXPECT_EQ(after.peak, after.now) << method;
  }
}

}  // namespace
}  // namespace corvel
