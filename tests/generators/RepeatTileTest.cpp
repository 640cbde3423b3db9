// The repeat stage: a tile filled from its cell along a lattice, and the integer steps that find
// each pixel's copy in the cell.
#include "generators/detail/RepeatTile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/generators/TileTestImages.h"

namespace corvel::detail {
namespace {

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

// Each pixel of the tile is its copy in the cell at whole pixels, the point of the cell's
// parallelogram a whole number of A and B from it; the tile starts a pixel on from the lattice's
// origin, as a render of the period does, and where B leans left the cell's box starts a pixel
// left of the lattice's origin.
TEST(RepeatCell, EveryPixelIsItsCopyInTheCell) {
  auto floorDiv = [](int a, int b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); };
  for (const int lean : {1, -1, 0}) {
    const Point2D origin(lean < 0 ? 1 : 0, 0);
    CRowIteratorBands cell, tile;
    testing_images::MakeGradient(cell, 6, 4);
    ASSERT_TRUE(tile.Create(13, 10, keFormatBGRA).Ok());
    ASSERT_EQ(RepeatCell(nullptr, {&cell, origin, {4, 0}, {lean, 3}}, tile, keFormatBGRA, SampleBilinearBgra),
              0);
    for (int y = 0; y < tile.Height(); ++y)
      for (int x = 0; x < tile.Width(); ++x) {
        // (x + 1, y) less whole Bs down to the cell's rows, then whole As into its parallelogram,
        // where 12 u = 3 x - lean y lies in [0, 12).
        const int v = y % 3, along = x + 1 - lean * (y / 3);
        const int u = along - 4 * floorDiv(3 * along - lean * v, 12);
        EXPECT_EQ(testing_images::PixelAt(tile, x, y),
                  testing_images::PixelAt(cell, u + int(origin.x), v + int(origin.y)))
            << lean << " at " << x << "," << y;
      }
  }
}

TEST(RepeatCell, RefusesADegenerateLattice) {
  CRowIteratorBands cell, tile;
  testing_images::MakeGradient(cell, 6, 4);
  ASSERT_TRUE(tile.Create(8, 8, keFormatBGRA).Ok());
  EXPECT_EQ(RepeatCell(nullptr, {&cell, {0, 0}, {4, 2}, {2, 1}}, tile, keFormatBGRA, SampleBilinearBgra),
            keErrorBadArgument);
}

}  // namespace
}  // namespace corvel::detail
