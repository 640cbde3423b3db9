// Every group through GenerateTile, judged by what a tile must be: one period of its lattice
// (shrunk by the feather without losing its structure), invariant under the group's turns,
// mirrors and glides, seamless once feathered, flat from a flat source, and stoppable.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "core/CpuFeatures.h"
#include "core/ProgressMeter.h"
#include "core/RowThreads.h"
#include "generators/GenerateTile.h"
#include "generators/RectangularPeriod.h"
#include "generators/TileGroups.h"
#include "platform/win32/Clock.h"
#include "resources/ParameterTable.h"
#include "tests/generators/TileSymmetry.h"
#include "tests/generators/TileTestImages.h"

namespace corvel {
namespace {

using namespace tile_symmetry;
using testing_images::Bgra;
using testing_images::MakeGradient;
using testing_images::MakeWaves;

// One group: its pick (P2 at (width, 0) and P1 at b from the anchor), whether it feathers, and
// the largest neighbour step of its tile fully feathered on the waves.
struct Group {
  int method, width;
  POINT b;
  bool feathers;
  int featheredStep;
};

void PrintTo(const Group& g, std::ostream* os) { *os << FindTileGroup(g.method)->name; }

const Group kGroups[] = {
    {keTilingP1, 48, {0, 48}, true, 10},   {keTilingP2, 48, {0, 48}, true, 17},
    {keTilingPM, 48, {0, 24}, true, 12},   {keTilingPG, 24, {0, 48}, true, 12},
    {keTilingPMM, 24, {0, 24}, false, 8},  {keTilingPMG, 48, {0, 12}, true, 24},
    {keTilingPGG, 24, {0, 24}, true, 16},  {keTilingCM, -48, {0, 48}, true, 14},
    {keTilingCMM, -48, {0, 48}, true, 12}, {keTilingP4, 24, {0, 24}, true, 12},
    {keTilingP4M, -24, {0, 24}, false, 8}, {keTilingP4G, 24, {0, 24}, true, 12},
    {keTilingP3, 45, {0, 52}, true, 14},   {keTilingP3ML, 45, {0, 52}, false, 8},
    {keTilingP3LM, 52, {0, 45}, true, 38}, {keTilingP6, 52, {0, 45}, true, 60},
    {keTilingP6M, 41, {0, 71}, false, 8},
};
static_assert(sizeof(kGroups) / sizeof(kGroups[0]) == keTilingMethodCount, "one record per group");

// The pick scaled by `scale` from `anchor` of a picture of `size`.
TileShape Pick(const Group& g, POINT anchor, int size, double scale, double feather, double k0, double k1) {
  auto scaled = [scale](LONG n) { return LONG(std::lround(n * scale)); };
  TileShape shape;
  shape.method = g.method;
  shape.p0 = anchor;
  shape.p1 = {anchor.x + scaled(g.b.x), anchor.y + scaled(g.b.y)};
  shape.p2 = {anchor.x + scaled(g.width), anchor.y};
  shape.centre = shape.p0;
  shape.seamK0 = shape.seamK2 = k0;
  shape.seamK1 = k1;
  shape.feather = feather;
  shape.area = {0, 0, size - 1, size - 1};
  return shape;
}

class GroupTile : public testing::TestWithParam<Group> {
 protected:
  std::string Name(double feather, double k0) const {
    return std::string(FindTileGroup(GetParam().method)->name) + " feather " + std::to_string(int(feather)) +
           " k0 " + std::to_string(k0);
  }
};

TEST_P(GroupTile, IsOnePeriodAndKeepsTheGroupsSymmetries) {
  const Group& g = GetParam();
  CRowIteratorBands source;
  MakeGradient(source, 240, 240);
  struct Setting {
    double feather, k0, k1;
  } settings[] = {{0, 0, 0}, {0, 0.2, -0.15}, {50, 0, 0}, {50, 0.2, -0.15}, {100, -0.1, 0.2}};
  // The symmetries come from the fold, not from the turned source lattice: they hold at any angle.
  for (int angle : {0, 90, 180, 270, 30}) {
    for (const Setting& s : settings) {
      const std::string what = Name(s.feather, s.k0) + " angle " + std::to_string(angle);
      TileShape shape = Pick(g, {120, 120}, 240, 1, s.feather, s.k0, s.k1);
      shape.angle = angle;
      CRowIteratorBands tile;
      ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;
      const bool hard = s.feather == 0;
      ExpectGroupSymmetries(tile, shape, hard, what);
      if (!hard) {
        // An edge on a seam's middle mixes its two sides half and half, which may truncate a
        // level off its neighbours' ramp.
        EXPECT_LE(NeighbourSteps(tile).acrossEdges, NeighbourSteps(tile).inside + 1) << what;
      }
    }
  }
}

// Pixels right on a hard seam show one side of it; every copy of such a pixel shows the same side,
// or the seam steps by a pixel from copy to copy. Judged on every pixel, seams included; the
// hexagonal lattices are only nearly so, and their turns keep their half-pixel allowance.
TEST(HardSeams, PixelsOnThemShowTheSameSideInEveryCopy) {
  CRowIteratorBands source;
  MakeWaves(source, 480, 480);
  for (int method = 0; method < keTilingMethodCount; ++method) {
    for (int angle : {0, 30, 90, 180, 270}) {
      const std::string what = std::string(FindTileGroup(method)->name) + " angle " + std::to_string(angle);
      TileShape shape = Pick(kGroups[method], {240, 240}, 480, 2, 0, 0, 0);
      shape.angle = angle;
      CRowIteratorBands tile;
      ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;
      const Lattice l = TileLatticeOf(shape, tile, what);
      const std::vector<PlaneMap> symmetries = GroupSymmetries(method, l);
      for (std::size_t i = 0; i < symmetries.size(); ++i)
        ExpectSymmetry(tile, TileShift(shape, l), symmetries[i], 1, method >= keTilingP3 ? 0.5 : 0, false,
                       what + " symmetry " + std::to_string(i));
    }
  }
}

// Narrow feathers on turned lattices on a picture that is not square, each with a row of the
// tile right on a seam's middle: the band pixels mixed in lanes still match their images.
TEST(FeatheredSeams, MiddlePixelsMatchTheirImagesOnATurnedLattice) {
  struct Case {
    int method, width;
    POINT b;
    int angle;
    double feather;
  };
  const Case cases[] = {
      {keTilingPG, 48, {0, 36}, 30, 10},  {keTilingPMG, 48, {0, 12}, 300, 10},
      {keTilingPGG, 24, {0, 24}, 30, 20}, {keTilingP2, 48, {0, 48}, 45, 10},
      {keTilingP4G, 24, {0, 24}, 60, 20}, {keTilingCM, -48, {0, 48}, 30, 10},
  };
  CRowIteratorBands source;
  MakeGradient(source, 240, 180);
  for (const Case& c : cases) {
    const std::string what = std::string(FindTileGroup(c.method)->name) + " at " + std::to_string(c.angle) +
                             " degrees feathered " + std::to_string(int(c.feather));
    TileShape shape = Pick({c.method, c.width, c.b, true, 0}, {96, 72}, 240, 1, c.feather, 0, 0);
    shape.angle = c.angle;
    shape.centre = {120, 90};
    shape.area = {0, 0, 239, 179};
    CRowIteratorBands tile;
    ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;
    ExpectGroupSymmetries(tile, shape, false, what);
  }
}

// The bands' width as a share of the cell the feather took off: "PGG"'s cell of two quarters holds
// two feathered seams, each band reaching into a copy a quarter of what the cell lost; "PMG"'s band
// is a quarter of the feather in units of v, its cell four strips high, and reaches an eighth.
// Measured at the seam v = 0 down a column whose own sample and partner differ by tens of levels.
TEST(FeatheredSeams, BandsSpanTheirShareOfWhatTheFeatherTookOffTheCell) {
  CRowIteratorBands source;
  MakeGradient(source, 256, 256);
  for (const auto& [method, width, u, share] :
       {std::tuple{keTilingPMG, 200, 0.3, 8}, std::tuple{keTilingPGG, 100, 0.1, 4}}) {
    for (double feather : {50.0, 100.0}) {
      const std::string what = std::string(FindTileGroup(method)->name) + " feathered " +
                               std::to_string(int(feather));
      TileShape plain = Pick({method, width, {0, 100}, true, 0}, {20, 20}, 256, 1, 0, 0, 0), shape = plain;
      shape.feather = feather;
      CRowIteratorBands unfeathered, tile;
      ASSERT_EQ(GenerateTile(nullptr, source, plain, unfeathered).GetCode(), keErrorNone) << what;
      ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;
      const int height = tile.Height(), x = int(u * tile.Width());
      const double expected = (1 - double(height) / unfeathered.Height()) / share * height;
      const int inside = PixelAt(tile, x, height / 8)[2];
      int rows = 0;
      while (rows < height / 8 && std::abs(PixelAt(tile, x, rows)[2] - inside) > 1) ++rows;
      EXPECT_NEAR(rows, expected, 1.5) << what;
    }
  }
}

// Feathers of 5 to 10 on cells of 45 to 52 pixels ask for blends of a pixel or less, and the seams
// of an integer lattice's copies lie a fraction of a pixel apart: so steep a blend would turn that
// into most of the jump.
TEST(FeatheredSeams, NarrowBandsOnSmallPicksKeepTheTurns) {
  struct Case {
    int method, width;
    POINT b;
    double feather;
  };
  const Case cases[] = {
      {keTilingP3, 52, {26, 45}, 5},  {keTilingP3, 46, {23, 40}, 5}, {keTilingP3, 45, {0, 52}, 6},
      {keTilingP3LM, 52, {0, 45}, 8}, {keTilingP6, 52, {0, 45}, 5},
  };
  CRowIteratorBands source;
  MakeGradient(source, 240, 180);
  for (const Case& c : cases) {
    for (int angle : {0, 30}) {
      const std::string what = std::string(FindTileGroup(c.method)->name) + " " + std::to_string(c.width) +
                               " feathered " + std::to_string(int(c.feather)) + " at " +
                               std::to_string(angle);
      TileShape shape = Pick({c.method, c.width, c.b, true, 0}, {96, 72}, 240, 1, c.feather, 0, 0);
      shape.angle = angle;
      shape.centre = {120, 90};
      shape.area = {0, 0, 239, 179};
      CRowIteratorBands tile;
      ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;
      ExpectGroupSymmetries(tile, shape, false, what);
    }
  }
}

// A pixel stands out of its neighbours' range by at most what the source's slope allows: a pixel
// right on a cell's edge whose lattice coordinate rounds a hair below the whole number blends the
// side of the source its neighbours blend, by the plan and fast alike. The sheared lattice puts
// such pixels along the bands' edges every few hundred rows.
TEST(FeatheredSeams, PixelsRightOnACellsEdgeShowTheSideTheirNeighboursShow) {
  CRowIteratorBands source;
  MakeWaves(source, 480, 480);
  TileShape shape = Pick({keTilingP1, 113, {37, 101}, true, 0}, {200, 150}, 480, 1, 20, 0, 0);
  shape.p2.y += 7;
  for (const CpuFeatures& features : {CpuFeatures{}, ProbeCpuFeatures()}) {
    const CpuFeaturesOverride forced(features);
    CRowIteratorBands tile;
    TileShape rendered = shape;
    ASSERT_EQ(GenerateTile(nullptr, source, rendered, tile).GetCode(), keErrorNone);
    const TileView view(tile);
    int standingOut = 0;
    for (int y = 0; y < view.h; ++y)
      for (int x = 0; x < view.w; ++x) {
        const Bgra here = view.At(x, y);
        const Bgra around[] = {view.At(x - 1, y), view.At(x + 1, y), view.At(x, y - 1), view.At(x, y + 1)};
        int beyond = 0;
        for (int c = 0; c < 3; ++c) {
          int low = 255, high = 0;
          for (const Bgra& there : around) {
            low = std::min(low, there[c]);
            high = std::max(high, there[c]);
          }
          beyond = std::max({beyond, low - here[c], here[c] - high});
        }
        if (beyond > 8 && ++standingOut <= 3)
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") stands " << beyond << " levels out";
      }
    EXPECT_EQ(standingOut, 0) << view.w << " x " << view.h;
  }
}

// Smooth waves a cell long: inside a copy neighbours differ by a few levels, across a hard seam
// by most of the waves' height. Feathered by 100, the jump ramps over a band of a quarter cell;
// narrower bands (PGG, PMG's half-turn seam, the six-copy corners of the hexagonal groups and
// the bent seams of P3LM and P6) allow more. The mirror groups have no hard seam at all.
TEST_P(GroupTile, FeatheredSeamsAndCornersHaveNoJumps) {
  const Group& g = GetParam();
  CRowIteratorBands source;
  MakeWaves(source, 480, 480);
  for (double k : {0.0, 0.2}) {
    int largest[2] = {0, 0};
    for (int soft = 0; soft < 2; ++soft) {
      TileShape shape = Pick(g, {240, 240}, 480, 4, soft ? 100 : 0, k, -k);
      CRowIteratorBands tile;
      ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << Name(soft * 100, k);
      const Steps steps = NeighbourSteps(tile);
      largest[soft] = std::max(steps.inside, steps.acrossEdges);
    }
    if (g.feathers) {
      EXPECT_GE(largest[0], 60) << Name(0, k);
    }
    EXPECT_LE(largest[1], g.featheredStep) << Name(100, k);
  }
}

// The weights of every pixel's samples sum to 1 wherever seams bend and corners meet: a flat
// source gives a flat tile, white stays white, and picks of 8 to 16 pixels, whose bands are a
// pixel or less wide, stay within the picture's range.
TEST_P(GroupTile, AFlatSourceGivesAFlatTile) {
  const Group& g = GetParam();
  for (keFormat format : {keFormatBGRA, keFormatGrey}) {
    for (int level : {200, 255}) {
      CRowIteratorBands source;
      ASSERT_EQ(source.Create(120, 120, format).GetCode(), keErrorNone);
      for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 120; ++x)
          ASSERT_TRUE(
              source.SetPixel(x, y, CColorRef(BYTE(level), BYTE(level), BYTE(level), 255, 0, 0)).Ok());
      for (double scale : {1.0, 0.25}) {
        for (double feather : {0.0, 30.0, 100.0}) {
          for (double k : {0.0, 0.4, -0.4}) {
            const std::string what = Name(feather, k) + " level " + std::to_string(level) + " scale " +
                                     std::to_string(scale);
            TileShape shape = Pick(g, {60, 60}, 120, scale, feather, k, -k);
            CRowIteratorBands tile;
            ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;
            const TileView view(tile);
            for (const Bgra& p : view.pixels) {
              // Truncating a sum of products loses at most a level or two.
              ASSERT_GE(*std::min_element(p.begin(), p.begin() + 3), level - 2) << what;
              ASSERT_LE(*std::max_element(p.begin(), p.begin() + 3), level) << what;
            }
          }
        }
      }
    }
  }
}

TEST_P(GroupTile, AStopAfterTheFirstRowGivesABlankTileOfThePeriod) {
  platform::VirtualClockScope clock;
  ElapsedSeconds();
  platform::AdvanceVirtualClock(std::chrono::seconds(1));
  CRowIteratorBands source, tile, whole;
  MakeGradient(source, 240, 240);
  CProgressMeter meter;
  meter.SetContinueCallback([](CProgressMeter*) -> std::int32_t {
    platform::AdvanceVirtualClock(std::chrono::seconds(1));
    return 1;
  });
  TileShape shape = Pick(GetParam(), {120, 120}, 240, 1, 40, 0.2, 0.1);
  EXPECT_EQ(GenerateTile(&meter, source, shape, tile).GetCode(), keErrorStopped);
  ASSERT_EQ(GenerateTile(nullptr, source, shape, whole).GetCode(), keErrorNone);
  EXPECT_EQ(tile.Width(), whole.Width());
  EXPECT_EQ(tile.Height(), whole.Height());
  EXPECT_EQ(testing_images::PixelAt(tile, tile.Width() / 2, tile.Height() - 1), (Bgra{0, 0, 0, 0}));
}

// Feathering shrinks the lattice: the tile of any pick never grows with the feather (sheared
// "P1" lattices aside, whose shrunk vectors may lose their common period).
TEST_P(GroupTile, FeatheredTilesAreNoLargerThanUnfeathered) {
  const Group& g = GetParam();
  CRowIteratorBands source;
  MakeGradient(source, 64, 64);
  for (int width = 19; width <= 150; width += 19) {
    for (int height = 17; height <= 150; height += 29) {
      int size[2] = {0, 0};
      for (double feather : {0.0, 20.0, 100.0}) {
        TileShape shape = Pick(g, {32, 32}, 64, 1, feather, 0, 0);
        shape.p2 = {32 + (g.width < 0 ? -width : width), 32};
        shape.p1 = {32 + (g.method == keTilingP1 ? 0 : width / 2), 32 + height};
        CRowIteratorBands tile;
        ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone)
            << width << " " << height;
        if (feather == 0) {
          size[0] = tile.Width();
          size[1] = tile.Height();
        }
        EXPECT_LE(tile.Width(), size[0]) << Name(feather, 0) << " " << width << " x " << height;
        EXPECT_LE(tile.Height(), size[1]) << Name(feather, 0) << " " << width << " x " << height;
      }
    }
  }
}

// Rows are shared among threads; each depends on nothing but its own inputs.
TEST_P(GroupTile, OneAndEightThreadsGiveTheSameBytes) {
  CRowIteratorBands source;
  MakeWaves(source, 480, 480);
  CRowIteratorBands tiles[2];
  for (int i = 0; i < 2; ++i) {
    const RowThreads::ScopedCount threads(i == 0 ? 1 : 8);
    TileShape shape = Pick(GetParam(), {240, 240}, 480, 2, 30, 0.2, -0.1);
    shape.angle = 30;
    ASSERT_EQ(GenerateTile(nullptr, source, shape, tiles[i]).GetCode(), keErrorNone);
  }
  ASSERT_EQ(tiles[0].Width(), tiles[1].Width());
  ASSERT_EQ(tiles[0].Height(), tiles[1].Height());
  ASSERT_GT(tiles[0].Height(), 16);
  for (int y = 0; y < tiles[0].Height(); ++y) {
    ASSERT_EQ(std::memcmp(tiles[0].LockRowPointer(y, 0, -1), tiles[1].LockRowPointer(y, 0, -1),
                          4 * tiles[0].Width()),
              0)
        << y;
    tiles[0].UnlockRow(y);
    tiles[1].UnlockRow(y);
  }
}

INSTANTIATE_TEST_SUITE_P(AllGroups, GroupTile, testing::ValuesIn(kGroups),
                         [](const testing::TestParamInfo<Group>& info) {
                           return std::string(FindTileGroup(info.param.method)->name);
                         });

// Shapes placed as the shape editor places them, leg L along x: the hexagonal lattices are
// hexagonal to within half a pixel, so the six- and three-fold turns hold to a level away from
// the seams, for every size.
TEST(HexagonalTiles, TurnWithinALevelForEverySize) {
  // Two levels a pixel: a turn that misses by a pixel misses by two levels.
  CRowIteratorBands source;
  ASSERT_EQ(source.CreateBGRA(128, 128).GetCode(), keErrorNone);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x)
      ASSERT_TRUE(source.SetPixel(x, y, CColorRef(BYTE(2 * x), BYTE(2 * y), 7, 255, 0, 0)).Ok());
  constexpr double kRoot3 = 1.7320508075688772;
  auto check = [&](int method, int leg, POINT p1, double degrees, Point2D centre) {
    TileShape shape;
    shape.method = method;
    shape.p0 = shape.centre = {10, 10};
    shape.p1 = {10 + p1.x, 10 + p1.y};
    shape.p2 = {10 + leg, 10};
    shape.area = {0, 0, 127, 127};
    CRowIteratorBands tile;
    const std::string what = std::string(FindTileGroup(method)->name) + " leg " + std::to_string(leg);
    ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;
    const Lattice l = TileLatticeOf(shape, tile, what);
    const Point2D shift(1, -std::min(0.0, double(l.a.y)));
    ExpectSymmetry(tile, shift, TurnAbout(l, l.ToPlane(centre.x, centre.y), degrees), 2, 0, true, what);
  };
  for (int leg = 30; leg <= 90; ++leg) check(keTilingP6M, leg, {0, LONG(kRoot3 * leg)}, 60, {0, 0});
  for (int leg = 60; leg <= 150; ++leg) {
    const POINT p1{LONG(std::lround(leg / 2.0)), LONG(std::lround(kRoot3 * leg / 2))};
    check(keTilingP3, leg, p1, 120, {0, 0});
    check(keTilingP3LM, leg, p1, 120, {1.0 / 3, 1.0 / 3});
    check(keTilingP6, leg, p1, 60, {0, 0});
  }
}

TEST(TileGroups, AreNamedAsTheFilterPublishesThem) {
  for (int method = 0; method < resources::kGroupCount; ++method)
    EXPECT_STREQ(FindTileGroup(method)->name, resources::kGroupNames[method]) << method;
  EXPECT_EQ(FindTileGroup(resources::kGroupCount), nullptr);
  EXPECT_STREQ(FindTileGroup(keTilingP3ML)->name, "P3ML");
  EXPECT_STREQ(FindTileGroup(keTilingP6M)->name, "P6M");
}

}  // namespace
}  // namespace corvel
