#include "generators/detail/SourceWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/RowIteratorBands.h"
#include "generators/detail/ImageRows.h"

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

// Rows at one positive pitch that spreads them over the cache are read where they lie, across the
// bands the image keeps them in; rows at a pitch that aliases, bottom-up rows and our own banded
// rows are copied. Either way the window holds the part's pixels.
TEST(SourceWindow, ReadsSpreadRowsInPlaceAndCopiesOthers) {
  const int width = 40, height = 300;
  const std::intptr_t spread = SpreadPitch(width), aliasing = 256;
  std::vector<std::uint8_t> spreadRows(std::size_t(spread) * height), aliasingRows(aliasing * height),
      upwardRows(std::size_t(spread) * height);
  CRowIteratorBands images[4];
  ASSERT_TRUE(images[0].CreateView(width, height, spreadRows.data(), spread, keFormatBGRA).Ok());
  ASSERT_TRUE(images[1].CreateView(width, height, aliasingRows.data(), aliasing, keFormatBGRA).Ok());
  ASSERT_TRUE(images[2]
                  .CreateView(width, height, upwardRows.data() + (height - 1) * spread, -spread, keFormatBGRA)
                  .Ok());
  ASSERT_TRUE(images[3].CreateBGRA(width, height).Ok());
  const RECT part{5, 100, 35, 290};
  for (int i = 0; i < 4; ++i) {
    for (int y = 0; y < height; ++y) {
      BYTE* row = images[i].LockRowPointer(y, 0, -1);
      for (int x = 0; x < 4 * width; ++x) row[x] = BYTE(7 * x + 13 * y);
      images[i].UnlockRow(y);
    }
    ImageRows rows;
    ASSERT_EQ(rows.Lock(images[i]), 0);
    SourceWindow window;
    const BgraRows opened = window.Open(rows, part, 0);
    ASSERT_NE(opened.window, nullptr) << i;
    EXPECT_EQ(opened.window == rows.Row(part.top) + 4 * part.left, i == 0) << i;
    for (int y = part.top; y < part.bottom; ++y)
      ASSERT_EQ(std::memcmp(opened.window + (y - part.top) * opened.windowPitch, rows.Row(y) + 4 * part.left,
                            4 * std::size_t(part.right - part.left)),
                0)
          << i << " row " << y;
  }
}

}  // namespace
}  // namespace corvel::detail
