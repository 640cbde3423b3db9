#include <gtest/gtest.h>

#include <climits>

#include "generators/RectangularPeriod.h"

namespace corvel {
namespace {

TEST(GreatestCommonDivisor, SignsAndZeros) {
  EXPECT_EQ(GreatestCommonDivisor(-12, 8), 4);
  EXPECT_EQ(GreatestCommonDivisor(8, -12), 4);
  EXPECT_EQ(GreatestCommonDivisor(0, -7), 7);
  EXPECT_EQ(GreatestCommonDivisor(-7, 0), 7);
  EXPECT_EQ(GreatestCommonDivisor(0, 0), 0);
  EXPECT_EQ(GreatestCommonDivisor(17, 5), 1);
  EXPECT_EQ(GreatestCommonDivisor(INT_MIN, -1), 1);  // no overflow at the limit
}

struct PeriodCase {
  POINT a, b, period;
};

TEST(RectangularPeriod, SmallestAxisRepeat) {
  const PeriodCase cases[] = {
      {{30, 0}, {0, 20}, {30, 20}},      {{30, 0}, {12, 20}, {30, 100}},  // w*h / gcd(s, w)
      {{-12, -12}, {-12, -11}, {12, 1}}, {{4, 2}, {2, 4}, {6, 6}},
      {{3, 2}, {5, 0}, {5, 10}},         {{3, 0}, {7, 0}, {0, 0}},
      {{0, 3}, {0, 7}, {0, 0}},          {{2, 4}, {1, 2}, {0, 0}},  // parallel
  };
  for (const PeriodCase& c : cases) {
    const POINT negatedA{-c.a.x, -c.a.y};
    for (auto [a, b] : {std::pair{c.a, c.b}, std::pair{c.b, c.a}, std::pair{negatedA, c.b}}) {
      POINT period = RectangularPeriod(a, b);
      EXPECT_EQ(period.x, c.period.x) << a.x << "," << a.y << " " << b.x << "," << b.y;
      EXPECT_EQ(period.y, c.period.y) << a.x << "," << a.y << " " << b.x << "," << b.y;
    }
  }
}

// A hexagonal period scales by its shorter half, the longer half following by sqrt(3); any other
// side by side, rounded down; neither below a pixel, and neither at 100 %.
TEST(ScaledTileSize, KeepsAHexagonalPeriodAHexagon) {
  struct Case {
    POINT period;
    int percent;
    bool hexagonal;
    POINT size;
  } cases[] = {{{388, 672}, 91, true, {354, 614}},    {{672, 388}, 91, true, {614, 354}},
               {{388, 672}, 91, false, {353, 611}},   {{78, 46}, 100, true, {78, 46}},
               {{388, 672}, 1, true, {4, 6}},         {{2, 4}, 10, true, {2, 4}},
               {{387, 672}, 50, true, {193, 336}},    {{30, 20}, 250, false, {75, 50}},
               {{100, 174}, 2500, true, {2500, 4330}}};
  for (const Case& c : cases) {
    const POINT size = ScaledTileSize(c.period, c.percent, c.hexagonal);
    EXPECT_TRUE(size.x == c.size.x && size.y == c.size.y)
        << c.period.x << " x " << c.period.y << " at " << c.percent << ": " << size.x << " x " << size.y;
  }
}

}  // namespace
}  // namespace corvel
