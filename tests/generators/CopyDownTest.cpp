// The copy-down stage: a tile of several cells repeats down itself by the lattice vector of the
// least height, and a tile that a half turn takes onto itself repeats its rows turned.
#include "generators/detail/CopyDown.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace corvel::detail {
namespace {

TEST(RepeatDown, FindsTheLatticeVectorOfTheLeastHeight) {
  struct Case {
    POINT a, b;
    int width, height;
    RowRepeat repeat;
  } cases[] = {
      {{60, 30}, {-60, 30}, 120, 60, {30, 60}},  // row y + 30 is row y moved by B, a half turn of the row
      {{64, 0}, {32, 55}, 64, 110, {55, 32}},    // the hexagonal groups' lattice
      {{64, 0}, {-32, 55}, 64, 110, {55, 32}},   // leaning left: the same rows, 32 from either side
      {{60, 0}, {0, 30}, 60, 30, {0, 0}},        // one cell high
      {{60, 30}, {-60, 30}, 120, 50, {0, 0}},    // the least height does not divide the rows
  };
  for (const Case& c : cases) {
    const RowRepeat repeat = RepeatDown(c.a, c.b, c.width, c.height);
    EXPECT_EQ(repeat.rows, c.repeat.rows) << c.b.x << " " << c.height;
    EXPECT_EQ(repeat.shift, c.repeat.shift) << c.b.x << " " << c.height;
  }
}

TEST(CopyRowDown, CopiesARowIntoEveryRowThatRepeatsItMovedAlong) {
  CRowIteratorBands image;
  ASSERT_TRUE(image.CreateBGRA(8, 7).Ok());
  ImageRows rows;
  ASSERT_EQ(rows.Lock(image), 0);
  std::vector<std::uint8_t> made(4 * 8), copyRow;
  for (int x = 0; x < 8; ++x) made[4 * std::size_t(x)] = std::uint8_t(10 + x);
  std::vector<int> told;
  CopyRowDown(rows, copyRow, {3, 5}, 0, made.data(), 8, [&](int below, std::uint8_t* out, int shift) {
    EXPECT_EQ(out, rows.Row(below));
    told.push_back(below);
    told.push_back(shift);
  });
  // Rows 3 and 6, moved 5 and 10 pixels along, around the row.
  EXPECT_EQ(told, (std::vector<int>{3, 5, 6, 2}));
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(rows.Row(3)[4 * x], 10 + (x + 8 - 5) % 8) << x;
    EXPECT_EQ(rows.Row(6)[4 * x], 10 + (x + 8 - 2) % 8) << x;
    EXPECT_EQ(rows.Row(0)[4 * x], 0) << x;  // the row made is the caller's
  }
  told.clear();
  CopyRowDown(rows, copyRow, {}, 0, made.data(), 8,
              [&](int below, std::uint8_t*, int) { told.push_back(below); });
  EXPECT_TRUE(told.empty());
}

// Whatever the start's and the sides' parities, every row is made or turned from one made, once,
// and a made row that lands on another is not made again.
TEST(TurnRows, MakesOneRowOfEveryPairAndTheRowsThatLandOnThemselves) {
  for (const int height : {1, 2, 7, 8, 230}) {
    for (const LONG startY : {0L, 1L, -3L, 4L, 117L}) {
      for (const LONG toY : {0L, 3L}) {
        const RowTurn turn = TurnRows({5, startY}, 9, height, true, {0, toY});
        ASSERT_TRUE(turn.any);
        std::vector<int> times(std::size_t(height), 0);
        for (int k = 0; k < turn.madeRows; ++k) {
          const int y = turn.MadeRow(k), turned = turn.TurnedRow(y);
          // Plane rows start.y + y and start.y + turned lie either side of toY / 2, periods apart.
          EXPECT_EQ(((2 * startY + y + turned - toY) % height + height) % height, 0)
              << height << " " << startY;
          ++times[std::size_t(y)];
          if (turned != y) ++times[std::size_t(turned)];
        }
        EXPECT_EQ(times, std::vector<int>(std::size_t(height), 1)) << height << " " << startY;
      }
    }
  }
}

// Over the strip of a lattice's least height that repeats down a tile of one period, each pixel
// of a row lands where the map of the plane takes it, a lattice vector on: rows landing across the
// strip's edge moved along by the repeat's shift. Half turns and a mirror along rows, from starts
// either side of the strip.
TEST(TurnRows, LandsEachPixelOfAStripALatticeVectorFromItsImage) {
  struct Case {
    POINT a, b;
    int width, height;
    bool reverses;
    POINT to;
  } cases[] = {
      {{58, 0}, {29, 50}, 58, 100, true, {0, 0}},    // nearly hexagonal
      {{61, 1}, {29, 53}, 0, 0, true, {0, 0}},       // off the hexagon, its period worked out below
      {{60, 30}, {-60, 30}, 120, 60, true, {0, 0}},  // leaning
      {{58, 0}, {29, 50}, 58, 100, false, {0, 0}},   // mirrored along the rows
      {{58, 0}, {29, 50}, 58, 100, false, {29, 50}},
  };
  for (Case c : cases) {
    if (c.width == 0) {
      const std::int64_t det = std::int64_t{c.a.x} * c.b.y - std::int64_t{c.a.y} * c.b.x;
      c.width = int(det);  // (det, 0) and (0, det) are lattice vectors
      c.height = int(det);
    }
    const RowRepeat repeat = RepeatDown(c.a, c.b, c.width, c.height);
    ASSERT_GT(repeat.rows, 0);
    const std::int64_t det = std::int64_t{c.a.x} * c.b.y - std::int64_t{c.a.y} * c.b.x;
    auto inLattice = [&](std::int64_t x, std::int64_t y) {
      return (x * c.b.y - y * c.b.x) % det == 0 &&
             (std::int64_t{c.a.x} * y - std::int64_t{c.a.y} * x) % det == 0;
    };
    for (const POINT start : {POINT{1, 0}, POINT{-7, 13}, POINT{5, -40}}) {
      const RowTurn turn = TurnRows(start, c.width, repeat.rows, c.reverses, c.to, repeat.shift);
      for (int y = 0; y < repeat.rows; ++y) {
        const int onto = turn.TurnedRow(y), columns = turn.ColumnSum(y);
        for (int x = 0; x < c.width; x += 7) {
          const std::int64_t px = start.x + x, py = start.y + y;
          const std::int64_t imageX = (c.reverses ? -px : px) + c.to.x, imageY = c.to.y - py;
          const int landed = c.reverses ? (columns - x + c.width) % c.width : (x + columns) % c.width;
          ASSERT_TRUE(inLattice(imageX - (start.x + landed), imageY - (start.y + onto)))
              << c.a.x << "," << c.a.y << " " << c.b.x << "," << c.b.y << " start " << start.x << ","
              << start.y << " row " << y << " pixel " << x;
        }
      }
    }
  }
}

TEST(RowTurn, TurnsARowReversedOrMovedAlong) {
  std::vector<std::uint8_t> made(4 * 8), out(4 * 8);
  for (int x = 0; x < 8; ++x) made[4 * std::size_t(x)] = std::uint8_t(10 + x);
  // From the plane point (-2, -1), turned by half: row 0 lands on row 2, pixel x on 4 - x around
  // the row; row 1 on itself.
  const RowTurn turn = TurnRows({-2, -1}, 8, 7, true, {0, 0});
  EXPECT_EQ(turn.TurnedRow(0), 2);
  EXPECT_EQ(turn.TurnedRow(1), 1);
  turn.Turn(made.data(), out.data(), turn.ColumnSum(0));
  for (int x = 0; x < 8; ++x) EXPECT_EQ(out[4 * ((4 - x + 8) % 8)], 10 + x) << x;
  // Glided half a period along: row 3, the plane's row 2, lands on its row -2 - 2, row 4 around
  // the tile, moved 4 along.
  const RowTurn glide = TurnRows({-2, -1}, 8, 7, false, {4, -2});
  EXPECT_EQ(glide.TurnedRow(3), 4);
  glide.Turn(made.data(), out.data(), glide.ColumnSum(3));
  for (int x = 0; x < 8; ++x) EXPECT_EQ(out[4 * ((x + 4) % 8)], 10 + x) << x;
}

// Reversed, every pixel lands on columnSum - x around the row, whatever the row's width and
// where the turn's column falls in it: the row's parts taken four pixels at a time and one by one.
TEST(RowTurn, TurnsEveryPixelOfARowOfAnyWidthReversed) {
  for (int width = 1; width <= 21; ++width) {
    const std::size_t count = std::size_t(width);
    std::vector<std::uint32_t> made(count), out(count + 2);
    for (int x = 0; x < width; ++x) made[std::size_t(x)] = 0x01020304u * std::uint32_t(x + 1);
    for (int startX = 0; startX < width; ++startX) {
      const RowTurn turn = TurnRows({-startX, 0}, width, 3, true, {0, 0});
      // Guards either side of the row.
      std::fill(out.begin(), out.end(), 0xEEEEEEEEu);
      turn.Turn(reinterpret_cast<const std::uint8_t*>(made.data()), reinterpret_cast<std::uint8_t*>(&out[1]),
                turn.columnSum);
      EXPECT_EQ(out.front(), 0xEEEEEEEEu);
      EXPECT_EQ(out.back(), 0xEEEEEEEEu);
      for (int x = 0; x < width; ++x)
        ASSERT_EQ(out[1 + std::size_t((turn.columnSum - x + width) % width)], made[std::size_t(x)])
            << width << " " << startX << " " << x;
    }
  }
}

}  // namespace
}  // namespace corvel::detail
