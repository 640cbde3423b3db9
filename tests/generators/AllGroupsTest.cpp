// Every one of the 17 groups through GenerateTile from one photo-like source: the tile is one
// period of the lattice its cell was generated on, and feathered it repeats without a seam.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "generators/GenerateTile.h"
#include "generators/RectangularPeriod.h"
#include "generators/TileLattice.h"
#include "tests/generators/TileSymmetry.h"
#include "tests/generators/TileTestImages.h"

namespace corvel {
namespace {

using namespace tile_symmetry;
using testing_images::Bgra;
using testing_images::MakeWaves;

// A pick from (240, 240) of a 480 x 480 waves picture: p2 at (width, 0) and p1 at b from the anchor.
TileShape WavesShape(int method, int width, POINT b, double k, double feather) {
  TileShape shape;
  shape.method = method;
  shape.p0 = {240, 240};
  shape.p1 = {240 + b.x, 240 + b.y};
  shape.p2 = {240 + width, 240};
  shape.centre = shape.p0;
  shape.seamK0 = k;
  shape.seamK1 = -k;
  shape.seamK2 = k;
  shape.feather = feather;
  shape.area = {0, 0, 479, 479};
  return shape;
}

TEST(AllGroups, RenderOnePeriodAndRepeatWithoutSeams) {
  // Shapes whose shrunk lattices keep small rectangular periods; the cell of each group shrinks
  // by the feather fraction f = feather / 400 times `shrinkA` along A and `shrinkB` along B.
  struct Case {
    const char* name;
    int method, width;
    POINT b;
    int shrinkA, shrinkB;
  } cases[] = {
      {"P1", keTilingP1, 48, {0, 48}, 1, 1},      {"P2", keTilingP2, 48, {0, 48}, 1, 1},
      {"PM", keTilingPM, 48, {0, 24}, 1, 1},      {"PG", keTilingPG, 24, {0, 48}, 2, 1},
      {"PMM", keTilingPMM, 24, {0, 24}, 0, 0},    {"PMG", keTilingPMG, 48, {0, 12}, 1, 1},
      {"PGG", keTilingPGG, 24, {0, 24}, 1, 1},    {"CM", keTilingCM, -48, {0, 48}, 1, 1},
      {"CMM", keTilingCMM, -48, {0, 48}, 1, 1},   {"P4", keTilingP4, 24, {0, 24}, 2, 2},
      {"P4M", keTilingP4M, -24, {0, 24}, 0, 0},   {"P4G", keTilingP4G, 24, {0, 24}, 2, 2},
      {"P3", keTilingP3, 45, {0, 52}, 2, 2},      {"P3ML", keTilingP3ML, 45, {0, 52}, 0, 0},
      {"P3LM", keTilingP3LM, 52, {0, 45}, 2, 2},  {"P6", keTilingP6, 52, {0, 45}, 2, 2},
      {"P6M", keTilingP6M, 41, {0, 71}, 0, 0},
  };
  static_assert(sizeof(cases) / sizeof(cases[0]) == keTilingMethodCount, "one case per group");
  CRowIteratorBands source;
  MakeWaves(source, 480, 480);
  for (const Case& c : cases) {
    for (double feather : {0.0, 20.0}) {
      const std::string what = std::string(c.name) + " feather " + std::to_string(int(feather));
      TileShape shape = WavesShape(c.method, c.width, c.b, 0.1, feather);
      CRowIteratorBands tile;
      ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;

      const TileLattice lattice = BuildTileLattice(c.method, shape.p0, shape.p1, shape.p2, shape.centre);
      const double f = feather / 400;
      auto shrunk = [](POINT p, double factor) {
        return POINT{LONG(RoundToInt(p.x * factor)), LONG(RoundToInt(p.y * factor))};
      };
      const POINT period = RectangularPeriod(shrunk(lattice.basisA, 1 - c.shrinkA * f),
                                             shrunk(lattice.basisB, 1 - c.shrinkB * f));
      EXPECT_EQ(tile.Width(), period.x) << what;
      EXPECT_EQ(tile.Height(), period.y) << what;
      const Steps steps = NeighbourSteps(tile);
      if (c.shrinkA == 0 && c.shrinkB == 0) {
        // The mirror groups fold a smooth picture into a smooth tile, edges and all.
        EXPECT_LE(steps.inside, 8) << what;
        EXPECT_LE(steps.acrossEdges, steps.inside) << what;
      } else if (feather > 0) {
        // The seams along the tile's edges are feathered like those inside it: a step across
        // them is no larger than one on a ramp inside, give or take where the edge cuts a ramp.
        EXPECT_LE(steps.acrossEdges, steps.inside + 8) << what;
      }
    }
  }
}

TEST(AllGroups, SmallFeatheredCellsBlendWithinThePicture) {
  // Picks of 8 to 16 pixels leave bands of a pixel or less, where most pixels fall off the
  // triangles that corner weights are taken from and the weights, clamped one by one, would sum
  // past 1. A blend stays within the picture's range, and feathering never steps harder than the
  // hard seams of the same pick, give or take where the shrunk seams cut the waves.
  struct Case {
    const char* name;
    int method, width;
    POINT b;
  } cases[] = {
      {"P1", keTilingP1, 48, {0, 48}},    {"P2", keTilingP2, 48, {0, 48}},    {"PM", keTilingPM, 48, {0, 48}},
      {"PG", keTilingPG, 48, {0, 48}},    {"PMG", keTilingPMG, 48, {0, 48}},  {"PGG", keTilingPGG, 48, {0, 48}},
      {"CM", keTilingCM, -48, {0, 48}},   {"CMM", keTilingCMM, -48, {0, 48}}, {"P4", keTilingP4, 48, {0, 48}},
      {"P4G", keTilingP4G, 48, {0, 48}},  {"P3", keTilingP3, 45, {0, 52}},    {"P3LM", keTilingP3LM, 52, {0, 45}},
      {"P6", keTilingP6, 52, {0, 45}},
  };
  CRowIteratorBands source;
  MakeWaves(source, 480, 480);
  const TileView picture(source);
  Bgra low{255, 255, 255, 255}, high{0, 0, 0, 0};
  for (const Bgra& pixel : picture.pixels) {
    for (int c = 0; c < 4; ++c) {
      low[c] = std::min(low[c], pixel[c]);
      high[c] = std::max(high[c], pixel[c]);
    }
  }
  for (const Case& c : cases) {
    const int longest = std::max(std::abs(c.width), std::abs(c.b.y));
    for (int pick = 8; pick <= 16; pick += 2) {
      auto scaled = [&](LONG n) { return LONG(std::lround(double(n) * pick / longest)); };
      for (double k : {0.1, -0.1, 0.3, -0.3}) {
        int hardStep = 0;
        for (double feather : {0.0, 20.0, 50.0}) {
          const std::string what = std::string(c.name) + " pick " + std::to_string(pick) + " k " +
                                   std::to_string(k) + " feather " + std::to_string(int(feather));
          TileShape shape = WavesShape(c.method, scaled(c.width), {scaled(c.b.x), scaled(c.b.y)}, k, feather);
          CRowIteratorBands tile;
          ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;
          const TileView view(tile);
          int below = 0, above = 0;
          for (const Bgra& pixel : view.pixels) {
            for (int ch = 0; ch < 4; ++ch) {
              below = std::max(below, low[ch] - pixel[ch]);
              above = std::max(above, pixel[ch] - high[ch]);
            }
          }
          EXPECT_EQ(below, 0) << what;
          EXPECT_EQ(above, 0) << what;
          const Steps steps = NeighbourSteps(tile);
          const int step = std::max(steps.inside, steps.acrossEdges);
          if (feather == 0)
            hardStep = step;
          else
            EXPECT_LE(step, hardStep + 20) << what;
        }
      }
    }
  }
}

}  // namespace
}  // namespace corvel
