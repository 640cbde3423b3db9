#include "generators/detail/SourceWindow.h"

#include <gtest/gtest.h>

#include <cmath>

namespace corvel::detail {
namespace {

// Every tap of a sample a pixel off a turned parallelogram lies in its row's columns, and the
// rows copy well under the box.
TEST(ReachedColumns, HoldEveryTapNearTheReachAndLittleMore) {
  const double turn = 30 * 3.14159265358979 / 180;
  const SourceReach reach{{300.25, 40.5},
                          {400 * std::cos(turn), 400 * std::sin(turn)},
                          {-250 * std::sin(turn), 250 * std::cos(turn)}};
  for (double s = -0.002; s <= 1.002; s += 0.001)
    for (double t = -0.003; t <= 1.003; t += 0.0015) {
      const double x = reach.corner.x + s * reach.alongU.x + t * reach.alongV.x;
      const double y = reach.corner.y + s * reach.alongU.y + t * reach.alongV.y;
      for (const int row : {int(std::floor(y)), int(std::floor(y)) + 1}) {
        int first = 0, last = 0;
        ReachedColumns(reach, row, first, last);
        ASSERT_LE(first, int(std::floor(x))) << s << " " << t;
        ASSERT_GE(last, int(std::floor(x)) + 2) << s << " " << t;
      }
    }
  long long copied = 0;
  for (int row = 0; row < 600; ++row) {
    int first = 0, last = 0;
    ReachedColumns(reach, row, first, last);
    copied += last - first;
  }
  const double boxWidth = 400 * std::cos(turn) + 250 * std::sin(turn);
  const double boxHeight = 400 * std::sin(turn) + 250 * std::cos(turn);
  EXPECT_LT(copied, 0.7 * boxWidth * boxHeight);
}

// A flat reach (the rows of a strip) and rows far from it.
TEST(ReachedColumns, FlatReachAndFarRows) {
  const SourceReach flat{{10, 20}, {100, 0}, {0, 0}};
  int first = 0, last = 0;
  ReachedColumns(flat, 21, first, last);
  EXPECT_LE(first, 10);
  EXPECT_GE(last, 112);
  ReachedColumns(flat, 60, first, last);
  EXPECT_EQ(first, last);
}

}  // namespace
}  // namespace corvel::detail
