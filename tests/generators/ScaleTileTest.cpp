// The scale stage: the tile handed over at the share of its size it is used at.
#include "generators/detail/ScaleTile.h"

#include <gtest/gtest.h>

#include "core/ProgressMeter.h"
#include "generators/GenerateTile.h"
#include "tests/generators/TileTestImages.h"

namespace corvel::detail {
namespace {

TEST(HandOverScaled, TakesOverATileRenderedAtItsSizeAndScalesAnyOther) {
  struct Case {
    int rendered, percent, width, height;
  } cases[] = {{100, 100, 40, 30}, {50, 50, 40, 30}, {100, 50, 20, 15}, {100, 250, 100, 75}, {100, 1, 1, 1}};
  for (const Case& c : cases) {
    CRowIteratorBands tile, destination;
    testing_images::MakeGradient(tile, 40, 30);
    ASSERT_TRUE(HandOverScaled(tile, c.rendered, c.percent, false, destination).Ok());
    EXPECT_EQ(destination.Width(), c.width) << c.percent;
    EXPECT_EQ(destination.Height(), c.height) << c.percent;
    EXPECT_EQ(CRowIteratorBands::IsValid(&tile), c.rendered != c.percent) << c.percent;
  }
  // A flat colour stays flat.
  CRowIteratorBands flat, destination;
  const CColorRef colour(10, 20, 30, 255);
  ASSERT_TRUE(flat.CreateBGRA(40, 30, &colour).Ok());
  ASSERT_TRUE(HandOverScaled(flat, 100, 70, false, destination).Ok());
  for (int y = 0; y < destination.Height(); ++y)
    for (int x = 0; x < destination.Width(); ++x)
      ASSERT_EQ(testing_images::PixelAt(destination, x, y), (testing_images::Bgra{30, 20, 10, 255}));
}

// A hexagonal lattice's period scales as a hexagon's, scaled, stopped or taken over.
TEST(HandOverScaled, KeepsAHexagonalPeriodHexagonal) {
  CRowIteratorBands tile, destination;
  testing_images::MakeGradient(tile, 98, 170);
  ASSERT_TRUE(HandOverScaled(tile, 100, 90, true, destination).Ok());
  EXPECT_EQ(destination.Width(), 88);
  EXPECT_EQ(destination.Height(), 152);
  EXPECT_EQ(HandOverStopped(destination, 170, 98, 90, true, keFormatBGRA).GetCode(), keErrorStopped);
  EXPECT_EQ(destination.Width(), 152);
  EXPECT_EQ(destination.Height(), 88);
}

TEST(HandOverScaled, RefusesATileBeyondTheBudgetAndLeavesTheDestination) {
  CRowIteratorBands tile, destination;
  testing_images::MakeGradient(tile, 40, 30);
  testing_images::MakeGradient(destination, 5, 5);
  EXPECT_EQ(HandOverScaled(tile, 100, 100000, false, destination).GetCode(), keErrorTileOverBudget);
  EXPECT_EQ(destination.Width(), 5);
}

// A stop asked for during the scale hands back a blank tile of the scaled size.
TEST(HandOverScaled, AStopDuringTheScaleLeavesABlankTile) {
  CRowIteratorBands tile, destination;
  testing_images::MakeGradient(tile, 400, 300);
  CProgressMeter meter;
  meter.SetContinueCallback([](CProgressMeter*) -> std::int32_t { return 1; });
  EXPECT_EQ(HandOverScaled(tile, 100, 50, false, destination, &meter).GetCode(), keErrorStopped);
  EXPECT_EQ(destination.Width(), 200);
  EXPECT_EQ(destination.Height(), 150);
  EXPECT_EQ(testing_images::PixelAt(destination, 100, 70), (testing_images::Bgra{0, 0, 0, 0}));
}

TEST(HandOverStopped, LeavesABlankOfTheTilesSizeAndSaysStopped) {
  CRowIteratorBands destination;
  EXPECT_EQ(HandOverStopped(destination, 40, 30, 50, false, keFormatGrey).GetCode(), keErrorStopped);
  EXPECT_EQ(destination.Width(), 20);
  EXPECT_EQ(destination.Height(), 15);
  EXPECT_EQ(destination.GetFormat(), keFormatGrey);
  EXPECT_EQ(HandOverStopped(destination, 40, 30, 100000, false, keFormatBGRA).GetCode(),
            keErrorTileOverBudget);
}

}  // namespace
}  // namespace corvel::detail
