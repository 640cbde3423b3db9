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

}  // namespace
}  // namespace corvel
