#include <gtest/gtest.h>

#include <vector>

#include "tests/core/ImageBytes.h"
#include "vector/RenderSettings.h"
#include "vector/SpanFiller.h"
#include "vector/detail/RowHelpers.h"
#include "vector/detail/SegmentBuffer.h"

namespace corvel {
namespace {

// A 4 x 4 grey image whose pixel (x, y) is 10 y + x.
void Numbered(CRowIteratorBands& image) {
  ASSERT_EQ(image.Create(4, 4, keFormatGrey).GetCode(), 0);
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 16; ++i) bytes.push_back(std::uint8_t(10 * (i / 4) + i % 4));
  SetImageBytes(image, bytes);
}

TEST(ScrollImageRect, MovesInsideTheRectangleWithoutReadingWhatItWrote) {
  struct Case {
    int dx, dy;
    std::vector<std::uint8_t> rows;
  };
  const Case cases[] = {
      {0, 1, {0, 1, 2, 3, 10, 11, 12, 13, 20, 11, 12, 23, 30, 31, 32, 33}},
      {1, 0, {0, 1, 2, 3, 10, 11, 11, 13, 20, 21, 21, 23, 30, 31, 32, 33}},
      {-1, -1, {0, 1, 2, 3, 10, 22, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33}},
      {5, 0, {0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33}},  // farther than the rectangle
  };
  for (const Case& c : cases) {
    CRowIteratorBands image;
    Numbered(image);
    EXPECT_EQ(ScrollImageRect(image, c.dx, c.dy, RECT{1, 1, 3, 3}), 0);
    EXPECT_EQ(ImageBytes(image), c.rows) << c.dx << "," << c.dy;
  }
}

TEST(RectCopyOperation, CopiesTheSourceThenScrollsByTheScaledOffsets) {
  CRowIteratorBands source, target;
  Numbered(source);
  RectCopyOperation scroll(0, 1);
  OperationRequest request;
  request.destination = &target;
  request.source = &source;
  request.scale = 2.0;
  EXPECT_EQ(scroll.Execute(request), 0);
  EXPECT_EQ(ImageBytes(target),
            (std::vector<std::uint8_t>{0, 1, 2, 3, 10, 11, 12, 13, 0, 1, 2, 3, 10, 11, 12, 13}));
  RectD area;
  scroll.MapArea(&area, SetRectD(10, 10, 20, 20));
  EXPECT_EQ(area.top, 10);
  EXPECT_EQ(area.bottom, 22);
  EXPECT_EQ(area.right, 21);
}

TEST(PenStyle, CopiesOwnTheirDashes) {
  PenStyle pen;
  const double dashes[2] = {10, 5};
  ASSERT_TRUE(pen.SetDash(dashes, 2, 3));
  PenStyle copy(pen);
  const double other[1] = {7};
  pen.SetDash(other, 1, 1);
  ASSERT_EQ(copy.DashCount(), 2);
  EXPECT_EQ(copy.Dashes()[1], 5);
  EXPECT_EQ(copy.DashOffset(), 3);
  pen.SetDash(nullptr, 4, 9);
  EXPECT_EQ(pen.DashCount(), 0);
  EXPECT_EQ(pen.DashOffset(), 9);
}

TEST(FillCoverageRow, SendsRunsOfEqualNonZeroBytes) {
  struct Spans : SpanFiller {
    void FillSpan(int x, int y, std::uint8_t coverage, int count) override {
      sent.push_back({x, y, coverage, count});
    }
    std::vector<std::vector<int>> sent;
  } spans;
  const std::uint8_t coverage[5] = {0, 10, 10, 0, 255};
  FillCoverageRow(spans, coverage, 20, 3, 5);
  EXPECT_EQ(spans.sent, (std::vector<std::vector<int>>{{21, 3, 10, 2}, {24, 3, 255, 1}}));
}

TEST(SegmentBuffer, HandsOutWhatWasWrittenOnceAndNeverGrows) {
  SegmentBuffer buffer;
  EXPECT_FALSE(buffer.Reserve(0));
  ASSERT_TRUE(buffer.Reserve(2));
  const PathSegmentRecord* records;
  int count;
  EXPECT_FALSE(buffer.Next(&records, &count));
  EXPECT_TRUE(buffer.MoveTo({1, 2}, nullptr));
  EXPECT_TRUE(buffer.ArcTo({3, 4}, 30, 1, 0, {5, 6}, nullptr));
  EXPECT_FALSE(buffer.LineTo({7, 8}, nullptr));
  ASSERT_TRUE(buffer.Next(&records, &count));
  ASSERT_EQ(count, 2);
  EXPECT_EQ(records[1].kind, keRecordArc);
  EXPECT_EQ(records[1].b.x, 30);
  EXPECT_EQ(records[1].largeArc, 1);
  EXPECT_EQ(records[1].sweep, 0);
  EXPECT_EQ(records[1].end.y, 6);
  EXPECT_FALSE(buffer.Next(&records, &count));
}

}  // namespace
}  // namespace corvel
