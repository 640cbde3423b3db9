#include "shapes/ZoomLevels.h"

#include <gtest/gtest.h>

namespace {

using shapes::ZoomFactor;

TEST(ZoomLevels, HoldTheThirtyFiveStopsAscending) {
  const std::vector<double> expected = {0.01, 0.02, 0.03, 0.04, 0.05, 0.06, 0.08, 0.1, 0.12, 0.15, 0.2, 0.25,
                                        0.3,  0.4,  0.5,  0.6,  0.8,  1,    1.2,  1.5, 2,    2.5,  3,   4,
                                        5,    6,    8,    10,   12,   15,   20,   25,  30,   40,   50};
  EXPECT_EQ(shapes::BuildZoomLevels(), expected);
  EXPECT_EQ(&shapes::GetZoomLevels(), &shapes::GetZoomLevels());
  EXPECT_EQ(shapes::GetZoomLevels(), expected);
}

TEST(ZoomLevels, StepToTheNeighbouringStopAndStayAtTheEnds) {
  const struct {
    double from, next, previous;
  } cases[] = {{1.0, 1.2, 0.8}, {0.7, 0.8, 0.6}, {50, 50, 40}, {0.01, 0.02, 0.01}, {1.0000001, 1.2, 0.8}};
  for (const auto& c : cases) {
    ZoomFactor zoom(c.from);
    EXPECT_DOUBLE_EQ(zoom.NextZoomLevel(false), c.next) << c.from;
    EXPECT_DOUBLE_EQ(zoom.value, c.from);
    EXPECT_DOUBLE_EQ(zoom.PreviousZoomLevel(true), c.previous) << c.from;
    EXPECT_DOUBLE_EQ(zoom.value, c.previous);
  }
}

TEST(ZoomLevels, FormatAsPercentagesWithTheDigitsTheyNeed) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{50, "5000"}, {1, "100"},  {0.125, "12.5"}, {0.0125, "1.25"},
               {1.5, "150"}, {0.01, "1"}, {0.015, "1.5"}};
  for (const auto& c : cases) EXPECT_EQ(shapes::FormatZoom(ZoomFactor(c.value)), c.text) << c.value;
}

}  // namespace
