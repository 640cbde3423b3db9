#include "generators/detail/SourceWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/RowIteratorBands.h"
#include "generators/detail/ImageRows.h"
#include "rowops/RowSampler.h"

namespace corvel::detail {
namespace {

// A window over other first, which leaves its pixels in the buffer the next window takes over.
void OpenAnEarlierWindow(ImageRows& rows, CRowIteratorBands& other, std::vector<std::uint8_t>& buffer) {
  ASSERT_EQ(rows.Lock(other), 0);
  SourceWindow earlier(buffer);
  ASSERT_NE(earlier.Open(rows, RECT{0, 0, other.Width(), other.Height()}, 0).window, nullptr);
}

// Positions on a grid over the reach's parallelogram, stepsU by stepsV steps.
void AddPositionsOver(const SourceReach& reach, int stepsU, int stepsV,
                      std::vector<std::int32_t>& positions) {
  for (int j = 0; j <= stepsV; ++j)
    for (int i = 0; i <= stepsU; ++i) {
      const double s = double(i) / stepsU, t = double(j) / stepsV;
      positions.push_back(std::int32_t(256 * (reach.corner.x + s * reach.alongU.x + t * reach.alongV.x)));
      positions.push_back(std::int32_t(256 * (reach.corner.y + s * reach.alongU.y + t * reach.alongV.y)));
    }
}

void ExpectWindowSamplesAsRows(const BgraRows& windowed, const ImageRows& rows,
                               const std::vector<std::int32_t>& positions) {
  const int count = int(positions.size() / 2);
  std::vector<std::uint8_t> fromWindow(4 * std::size_t(count)), fromRows(4 * std::size_t(count));
  SampleBilinearBgra(windowed, fromWindow.data(), positions.data(), count, SampleEdge::kClamp);
  SampleBilinearBgra(rows.Rows(), fromRows.data(), positions.data(), count, SampleEdge::kClamp);
  for (int k = 0; k < count; ++k)
    ASSERT_EQ(std::memcmp(&fromWindow[4 * k], &fromRows[4 * k], 4), 0)
        << "sample at " << positions[2 * k] / 256.0 << ", " << positions[2 * k + 1] / 256.0;
}

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
        ReachedColumns(reach, row, row, first, last);
        ASSERT_LE(first, int(std::floor(x))) << s << " " << t;
        ASSERT_GE(last, int(std::floor(x)) + 2) << s << " " << t;
      }
    }
  long long copied = 0;
  for (int row = 0; row < 600; ++row) {
    int first = 0, last = 0;
    ReachedColumns(reach, row, row, first, last);
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
  ReachedColumns(flat, 21, 21, first, last);
  EXPECT_LE(first, 10);
  EXPECT_GE(last, 112);
  ReachedColumns(flat, 60, 60, first, last);
  EXPECT_EQ(first, last);
}

// Rows at one positive pitch that spreads them over the cache are read where they lie, across the
// bands the image keeps them in; rows at a pitch that aliases, bottom-up rows and our own banded
// rows are copied. Either way the window holds the part's pixels.
TEST(SourceWindow, ReadsSpreadRowsInPlaceAndCopiesOthers) {
  const int width = 40, height = 300;
  const std::intptr_t spread = SpreadPitch(std::int64_t{width} * 4), aliasing = 256;
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
    std::vector<std::uint8_t> buffer;
    SourceWindow window(buffer);
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

// A turned reach that passes the image's top and right edges: its samples out there read the
// edge pixels, which the window copies wherever the reach passes them (not only where it crosses
// the edge rows).
TEST(SourceWindow, SamplesPastTheImagesEdgesReadItsEdgePixels) {
  CRowIteratorBands image, other;
  for (CRowIteratorBands* picture : {&other, &image}) {
    ASSERT_TRUE(picture->CreateBGRA(64, 48).Ok());
    for (int y = 0; y < 48; ++y) {
      BYTE* row = picture->LockRowPointer(y, 0, -1);
      for (int x = 0; x < 64; ++x) {
        const BYTE pixel[4] = {BYTE(x * 4), BYTE(y * 5), BYTE(picture == &image ? x * 7 + y * 3 : 9), 255};
        std::memcpy(row + 4 * x, pixel, 4);
      }
      picture->UnlockRow(y);
    }
  }
  ImageRows rows;
  std::vector<std::uint8_t> buffer;
  ASSERT_NO_FATAL_FAILURE(OpenAnEarlierWindow(rows, other, buffer));
  ASSERT_EQ(rows.Lock(image), 0);
  // Leaning from high above the image down into it at its right edge.
  const SourceReach reach{{0, -40}, {20, 0}, {50, 55}};
  SourceWindow window(buffer);
  const BgraRows windowed = window.Open(rows, RECT{0, 0, 64, 48}, 0, {reach});
  ASSERT_NE(windowed.window, nullptr);
  std::vector<std::int32_t> positions;
  AddPositionsOver(reach, 39, 40, positions);
  ExpectWindowSamplesAsRows(windowed, rows, positions);
}

// Each of several reaches is copied, one far from another (as a blend's partner lies across a
// seam from the pixels it blends with), over what an earlier window left in the buffer.
TEST(SourceWindow, CopiesWhatEveryReachReads) {
  CRowIteratorBands image, other;
  for (CRowIteratorBands* picture : {&other, &image}) {
    ASSERT_TRUE(picture->CreateBGRA(300, 200).Ok());
    for (int y = 0; y < 200; ++y) {
      BYTE* row = picture->LockRowPointer(y, 0, -1);
      for (int x = 0; x < 4 * 300; ++x) row[x] = BYTE(picture == &image ? 3 * x + 11 * y : 77);
      picture->UnlockRow(y);
    }
  }
  ImageRows rows;
  std::vector<std::uint8_t> buffer;
  ASSERT_NO_FATAL_FAILURE(OpenAnEarlierWindow(rows, other, buffer));
  ASSERT_EQ(rows.Lock(image), 0);
  const std::vector<SourceReach> reaches{{{40, 30}, {80, 40}, {-20, 60}},
                                         {{200.5, 120.25}, {60, -30}, {10, 50}}};
  SourceWindow window(buffer);
  const BgraRows windowed = window.Open(rows, RECT{0, 0, 300, 200}, 0, reaches);
  ASSERT_NE(windowed.window, nullptr);
  std::vector<std::int32_t> positions;
  for (const SourceReach& reach : reaches) AddPositionsOver(reach, 30, 30, positions);
  ExpectWindowSamplesAsRows(windowed, rows, positions);
}

}  // namespace
}  // namespace corvel::detail
