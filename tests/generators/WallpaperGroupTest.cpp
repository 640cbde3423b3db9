// The tiles of the groups "PM" to "P3LM" through GenerateTile, judged by what a tile must be:
// one period of its lattice, invariant under the group's mirrors, glides and turns, and seamless
// across its edges and seams once feathered.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "core/ProgressMeter.h"
#include "generators/GenerateTile.h"
#include "generators/RectangularPeriod.h"
#include "generators/TileLattice.h"
#include "tests/generators/TileSymmetry.h"
#include "tests/generators/TileTestImages.h"

namespace corvel {
namespace {

using testing_images::Bgra;
using testing_images::MakeGradient;
using testing_images::MakeWaves;
using testing_images::PixelAt;
using namespace tile_symmetry;

// A shape from the anchor (120, 120) of a 240 x 240 gradient (red = x, green = y), P1 at b from
// it and P2 at (width, 0).
TileShape Shape(int method, int width, POINT b, double feather = 0, double k0 = 0, double k1 = 0) {
  TileShape shape;
  shape.method = method;
  shape.p0 = {120, 120};
  shape.p1 = {120 + b.x, 120 + b.y};
  shape.p2 = {120 + width, 120};
  shape.centre = shape.p0;
  shape.seamK0 = k0;
  shape.seamK1 = k1;
  shape.feather = feather;
  shape.area = {0, 0, 239, 239};
  return shape;
}

CoreResult Generate(TileShape shape, CRowIteratorBands& tile, CProgressMeter* meter = nullptr) {
  CRowIteratorBands source;
  MakeGradient(source, 240, 240);
  return GenerateTile(meter, source, shape, tile);
}

// One group's case: the shape, the lattice the tile must repeat (shrunk by the feather), the
// shift of the picture in the tile and the group's symmetries on that lattice.
struct GroupCase {
  const char* name;
  TileShape shape;
  Lattice lattice;
  Point2D shift;
  std::vector<PlaneMap> symmetries;
  double slack = 0;
};

// The rectangular shapes are picked so that the shrunk lattices have even sides (48 shrinks to
// 42, 36 or 24): the group's mirrors, glides and turn centres then map pixels onto pixels, and
// the hexagonal ones so that their rectangular periods stay small. The hexagonal lattices are hexagonal only up to the rounding of their integer
// vectors, which moves the turns by up to half a pixel near their centre.
std::vector<GroupCase> Cases(double feather, double k0, double k1) {
  std::vector<GroupCase> cases;
  const double f = feather / 400;
  auto add = [&](const char* name, TileShape shape, Lattice l, std::vector<PlaneMap> (*symmetries)(const Lattice&),
                 Point2D shift = {0, 0}, double slack = 0) {
    cases.push_back({name, shape, l, shift, symmetries(l), slack});
  };
  auto scaled = [](int n, double factor) { return LONG(RoundToInt(n * factor)); };

  add("PM", Shape(keTilingPM, 48, {0, 24}, feather, k0, k1), {{scaled(48, 1 - f), 0}, {0, scaled(48, 1 - f)}},
      [](const Lattice& l) { return std::vector<PlaneMap>{l.Affine(1, 0, 0, -1, 0, 0)}; });
  add("PG", Shape(keTilingPG, 24, {0, 48}, feather, k0, k1),
      {{scaled(48, 1 - 2 * f), 0}, {0, scaled(48, 1 - f)}},
      [](const Lattice& l) { return std::vector<PlaneMap>{l.Affine(1, 0, 0, -1, 0.5, 0)}; });
  add("PMM", Shape(keTilingPMM, 24, {0, 24}, feather, k0, k1), {{48, 0}, {0, 48}}, [](const Lattice& l) {
    return std::vector<PlaneMap>{l.Affine(-1, 0, 0, 1, 0, 0), l.Affine(1, 0, 0, -1, 0, 0)};
  });
  add("PMG", Shape(keTilingPMG, 48, {0, 12}, feather, k0, k1), {{scaled(48, 1 - f), 0}, {0, scaled(48, 1 - f)}},
      [](const Lattice& l) {
        return std::vector<PlaneMap>{l.Affine(-1, 0, 0, -1, 1, 1), l.Affine(1, 0, 0, -1, 0, 0.5)};
      });
  add("PGG", Shape(keTilingPGG, 24, {0, 24}, feather, k0, k1),
      {{scaled(48, 1 - f), 0}, {0, scaled(48, 1 - f)}}, [](const Lattice& l) {  // half fractions, doubled
        return std::vector<PlaneMap>{l.Affine(-1, 0, 0, -1, 0, 0), l.Affine(1, 0, 0, -1, 0.5, 0.5)};
      });
  add("CM", Shape(keTilingCM, -48, {0, 48}, feather, k0, k1), {{scaled(48, 1 - f), 0}, {0, scaled(48, 1 - f)}},
      [](const Lattice& l) { return std::vector<PlaneMap>{l.Affine(0, 1, 1, 0, 0, 0)}; });
  add("CMM", Shape(keTilingCMM, -48, {0, 48}, feather, k0, k1),
      {{scaled(48, 1 - f), scaled(48, 1 - f)}, {scaled(48, 1 - f), -scaled(48, 1 - f)}}, [](const Lattice& l) {
        return std::vector<PlaneMap>{l.Affine(0, 1, 1, 0, 0, 0), l.Affine(0, -1, -1, 0, 1, 1),
                                     l.Affine(-1, 0, 0, -1, 1, 0)};
      });
  add("P4", Shape(keTilingP4, 24, {0, 24}, feather, k0, k1),
      {{scaled(48, 1 - 2 * f), 0}, {0, scaled(48, 1 - 2 * f)}}, [](const Lattice& l) {
        return std::vector<PlaneMap>{l.Affine(0, 1, -1, 0, 0, 1), l.Affine(-1, 0, 0, -1, 1, 1)};
      });
  // The hexagonal groups repeat their cell into the tile, one pixel on and past their origin.
  const Lattice p3{{scaled(90, 1 - 2 * f), scaled(-52, 1 - 2 * f)}, {0, scaled(104, 1 - 2 * f)}};
  add("P3", Shape(keTilingP3, 45, {0, 52}, feather, k0, k1), p3,
      [](const Lattice& l) {
        return std::vector<PlaneMap>{Turn120About(l, {0, 0}), Turn120About(l, l.ToPlane(1.0 / 3, 2.0 / 3))};
      },
      {1, -double(p3.a.y)}, 0.5);
  add("P3ML", Shape(keTilingP3ML, 45, {0, 52}, feather, k0, k1), {{90, -52}, {0, 104}},
      [](const Lattice& l) {
        return std::vector<PlaneMap>{Turn120About(l, {0, 0}), Turn120About(l, l.ToPlane(2.0 / 3, 1.0 / 3)),
                                     MirrorThroughAB(l)};
      },
      {1, 52}, 0.5);
  add("P3LM", Shape(keTilingP3LM, 52, {0, 45}, feather, k0, k1),
      {{scaled(104, 1 - 2 * f), 0}, {scaled(52, 1 - 2 * f), scaled(90, 1 - 2 * f)}},
      [](const Lattice& l) {
        return std::vector<PlaneMap>{Turn120About(l, l.ToPlane(1.0 / 3, 1.0 / 3)), MirrorThroughAB(l)};
      },
      {1, 0}, 0.5);
  return cases;
}

TEST(WallpaperGroups, TilesAreOnePeriodAndKeepTheGroupsSymmetries) {
  struct Setting {
    double feather, k0, k1;
  } settings[] = {{0, 0, 0}, {0, 0.2, -0.15}, {50, 0, 0}, {50, 0.2, -0.15}, {100, -0.1, 0.2}};
  for (const Setting& setting : settings) {
    for (const GroupCase& c : Cases(setting.feather, setting.k0, setting.k1)) {
      const std::string what = std::string(c.name) + " feather " + std::to_string(int(setting.feather)) + " k0 " +
                               std::to_string(setting.k0);
      CRowIteratorBands tile;
      ASSERT_EQ(Generate(c.shape, tile).GetCode(), keErrorNone) << what;
      const POINT period = RectangularPeriod(c.lattice.a, c.lattice.b);
      ASSERT_EQ(tile.Width(), period.x) << what;
      ASSERT_EQ(tile.Height(), period.y) << what;
      // Repeats along the lattice: each lattice vector is a symmetry too.
      const bool hard = setting.feather == 0;
      ExpectSymmetry(tile, c.shift, c.lattice.Affine(1, 0, 0, 1, 1, 0), 1, 0, hard, what + " along A");
      ExpectSymmetry(tile, c.shift, c.lattice.Affine(1, 0, 0, 1, 0, 1), 1, 0, hard, what + " along B");
      for (std::size_t i = 0; i < c.symmetries.size(); ++i)
        ExpectSymmetry(tile, c.shift, c.symmetries[i], 1, c.slack, hard, what + " symmetry " + std::to_string(i));
      if (setting.feather > 0) {
        const Steps steps = NeighbourSteps(tile);
        EXPECT_LE(steps.acrossEdges, steps.inside) << what;
      }
    }
  }
}

// Smooth waves a cell long: inside a copy neighbours differ by a few levels, across a hard
// seam by up to the waves' full height. Feathered, every seam and every corner where seams meet
// must join without a jump, the corners being where the copies' weights are easiest to get wrong.
TEST(WallpaperGroups, FeatheredSeamsAndCornersHaveNoJumps) {
  CRowIteratorBands source;
  MakeWaves(source, 480, 480);
  // A jump of up to 200 levels ramps over the band of a feather of 100: 25 to 37 pixels for
  // most groups, which with the waves' own slope of about 5 gives steps up to 12; PGG's bands
  // are half as wide, PMG's across its half-turn seam a quarter, P3's and P3LM's narrow towards
  // the six-copy corners and the centroid.
  struct Case {
    const char* name;
    int method, width;
    POINT b;
    int largestStep;
  } cases[] = {
      {"PM", keTilingPM, 200, {0, 100}, 12},   {"PG", keTilingPG, 100, {0, 200}, 13},
      {"PMG", keTilingPMG, 200, {0, 50}, 24},  {"PGG", keTilingPGG, 100, {0, 100}, 16},
      {"CM", keTilingCM, -200, {0, 200}, 14},  {"CMM", keTilingCMM, -200, {0, 200}, 12},
      {"P4", keTilingP4, 100, {0, 100}, 12},   {"P3", keTilingP3, 90, {0, 104}, 22},
      {"P3LM", keTilingP3LM, 104, {0, 90}, 26},
  };
  for (const Case& c : cases) {
    for (double k0 : {0.0, 0.2}) {
      const std::string what = std::string(c.name) + " k0 " + std::to_string(k0);
      int largest[2] = {0, 0};
      for (int soft = 0; soft < 2; ++soft) {
        TileShape shape = Shape(c.method, c.width, c.b, soft ? 100 : 0, k0, -k0);
        shape.p0 = {240, 240};
        shape.p1 = {240 + c.b.x, 240 + c.b.y};
        shape.p2 = {240 + c.width, 240};
        shape.centre = shape.p0;
        shape.area = {0, 0, 479, 479};
        CRowIteratorBands tile;
        ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << what;
        const Steps steps = NeighbourSteps(tile);
        largest[soft] = std::max(steps.inside, steps.acrossEdges);
      }
      EXPECT_GE(largest[0], 100) << what;
      EXPECT_LE(largest[1], c.largestStep) << what;
    }
  }
}

}  // namespace
}  // namespace corvel
