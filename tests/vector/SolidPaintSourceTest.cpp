#include "vector/detail/SolidPaintSource.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/RowIteratorBands.h"
#include "tests/core/ImageBytes.h"

namespace corvel {
namespace {

TEST(SolidPaintSource, OpaqueColoursFillTheTarget) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(3, 2, keFormatBGR).GetCode(), keErrorNone);
  SolidPaintSource source(0xFF102030);  // red 0x30, green 0x20, blue 0x10
  EXPECT_TRUE(source.IsOpaque());
  ASSERT_TRUE(source.Prepare({&image}));
  const RECT rect{1, 0, 3, 2};
  source.FillImage(image, &rect, 1, 0);
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(RowBytes(image, y), (std::vector<BYTE>{0, 0, 0, 0x10, 0x20, 0x30, 0x10, 0x20, 0x30}));
  }
  EXPECT_TRUE(source.Unprepare());
}

TEST(SolidPaintSource, BGRASpansTakeTheColourAsItIs) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(4, 1, keFormatGrey).GetCode(), keErrorNone);
  SolidPaintSource source(0x80102030);
  EXPECT_FALSE(source.IsOpaque());
  source.Prepare({&image});
  RowOpRow request;
  request.count = 4;
  source.GenerateSpan(request);  // into its own buffer, as BGRA
  ASSERT_NE(request.row, nullptr);
  EXPECT_EQ(request.format, keFormatBGRA);
  const BYTE* pixels = static_cast<const BYTE*>(request.row);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(std::vector<BYTE>(pixels + 4 * i, pixels + 4 * i + 4),
              (std::vector<BYTE>{0x10, 0x20, 0x30, 0x80}));
  }
  request = RowOpRow();
  request.count = 5;  // more than the target is wide: the buffer cannot hold it
  source.GenerateSpan(request);
  EXPECT_EQ(request.row, nullptr);
}

TEST(SolidPaintSource, IndexedTargetsTakeTheNearestEntryWhateverTheAlpha) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(4, 1, keFormatIndex8).GetCode(), keErrorNone);
  SolidPaintSource source(0x40000099);  // dark red, mostly transparent
  ASSERT_TRUE(source.Prepare({&image}));
  source.FillImage(image, nullptr, 0, 0);
  // The default palette's colour cube: red 153 is 3 x 51, entry 36 x 3.
  EXPECT_EQ(RowBytes(image, 0), std::vector<BYTE>(4, 108));
}

TEST(SolidPaintSource, SpansOfAnotherFormatAreLeftAlone) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(2, 1, keFormatGrey).GetCode(), keErrorNone);
  SolidPaintSource source(0xFFFFFFFF);
  ASSERT_TRUE(source.Prepare({&image}));
  BYTE row[6] = {1, 2, 3, 4, 5, 6};
  RowOpRow request;
  request.format = keFormatBGR;
  request.count = 2;
  request.row = row;
  source.GenerateSpan(request);
  EXPECT_EQ(std::vector<BYTE>(row, row + 6), (std::vector<BYTE>{1, 2, 3, 4, 5, 6}));
  request.format = keFormatGrey;
  source.GenerateSpan(request);
  EXPECT_EQ(std::vector<BYTE>(row, row + 2), (std::vector<BYTE>{255, 255}));
}

TEST(PaintSource, PrepareNeedsATarget) {
  SolidPaintSource source(0xFF000000);
  EXPECT_FALSE(source.Prepare({}));
}

}  // namespace
}  // namespace corvel
