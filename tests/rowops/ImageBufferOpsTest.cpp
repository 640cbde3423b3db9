#include "rowops/ImageBufferOps.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/ProgressMeter.h"
#include "core/RowIteratorBands.h"
#include "platform/win32/Clock.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowOpContext.h"
#include "tests/core/ImageBytes.h"

namespace corvel {
namespace {

// An image whose byte b of row y is (y * 37 + b * 11) & 0xFF.
void MakeImage(CRowIteratorBands& image, int width, int height, keFormat format) {
  ASSERT_EQ(image.Create(width, height, format).GetCode(), keErrorNone);
  for (int y = 0; y < height; ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int b = 0; b < image.GetRowBytes(); ++b) row[b] = static_cast<BYTE>(y * 37 + b * 11);
    image.ReleaseRow(y);
  }
}

TEST(CopyImage, ConvertsEveryRow) {
  CRowIteratorBands bgr, grey;
  MakeImage(bgr, 5, 130, keFormatBGR);
  MakeImage(grey, 5, 130, keFormatGrey);
  ASSERT_TRUE(CopyImage(grey, bgr));
  for (int y = 0; y < 130; ++y) {
    const auto from = RowBytes(bgr, y), to = RowBytes(grey, y);
    for (int x = 0; x < 5; ++x) {
      ASSERT_EQ(to[x], (77 * from[3 * x + 2] + 151 * from[3 * x + 1] + 28 * from[3 * x]) >> 8)
          << "pixel " << x << " of row " << y;
    }
  }
}

TEST(CopyImage, ASmallerSourceFailsBeforeCopyingAnything) {
  CRowIteratorBands small, large;
  MakeImage(small, 4, 4, keFormatBGR);
  MakeImage(large, 6, 6, keFormatBGR);
  const auto before = RowBytes(large, 0);
  EXPECT_FALSE(CopyImage(large, small));
  EXPECT_EQ(RowBytes(large, 0), before);
  EXPECT_TRUE(CopyImage(small, large));  // a larger source is fine
}

TEST(CopyImageRect, PairsRowsOfTheTwoRectanglesAndRefusesUnequalSizes) {
  CRowIteratorBands src, dst;
  MakeImage(src, 8, 8, keFormatBGRA);
  ASSERT_EQ(dst.Create(8, 8, keFormatBGRA).GetCode(), keErrorNone);
  EXPECT_FALSE(CopyImageRect(dst, RECT{0, 0, 2, 2}, src, RECT{0, 0, 3, 2}));
  EXPECT_FALSE(CopyImageRect(dst, RECT{6, 6, 9, 8}, src, RECT{0, 0, 3, 2}));  // leaves the image
  ASSERT_TRUE(CopyImageRect(dst, RECT{1, 2, 4, 4}, src, RECT{5, 6, 8, 8}));
  const auto from = RowBytes(src, 7), to = RowBytes(dst, 3);
  EXPECT_EQ(std::vector<BYTE>(to.begin() + 4, to.begin() + 16),
            std::vector<BYTE>(from.begin() + 20, from.begin() + 32));
  EXPECT_EQ(to[0], 0);
}

TEST(CopyImageRect, PackedRectanglesStartAtTheirOwnPixel) {
  CRowIteratorBands src, dst;
  MakeImage(src, 16, 1, keFormatIndex1);  // bytes 0x00, 0x0B
  ASSERT_EQ(dst.Create(16, 1, keFormatIndex1).GetCode(), keErrorNone);
  ASSERT_TRUE(CopyImageRect(dst, RECT{3, 0, 9, 1}, src, RECT{10, 0, 16, 1}));
  // Source pixels 10..15 of 0x0B are 0 0 1 0 1 1; they land on pixels 3..8.
  EXPECT_EQ(RowBytes(dst, 0), (std::vector<BYTE>{0x05, 0x80}));
}

TEST(CopyImageConverted, AStopRequestEndsTheCopy) {
  platform::VirtualClockScope clock;
  ElapsedSeconds();  // the meters' time starts here
  platform::AdvanceVirtualClock(std::chrono::seconds(1));
  CRowIteratorBands src, dst;
  MakeImage(src, 4, 3, keFormatGrey);
  ASSERT_EQ(dst.Create(4, 3, keFormatGrey).GetCode(), keErrorNone);
  CProgressMeter meter;
  meter.SetContinueCallback([](CProgressMeter*) -> std::int32_t { return 1; });
  RowCopyOp copy;
  EXPECT_FALSE(CopyImageConverted(copy, dst, src, nullptr, nullptr, &meter));
  EXPECT_EQ(RowBytes(dst, 0), std::vector<BYTE>(4, 0));
}

TEST(FillRepeated, RepeatsFromTheOriginInsideTheClip) {
  CRowIteratorBands pattern, image;
  MakeImage(pattern, 3, 2, keFormatBGR);
  const RECT clipRect{1, 1, 7, 5};
  for (const RECT* clip : {static_cast<const RECT*>(nullptr), &clipRect}) {
    ASSERT_EQ(image.Create(7, 5, keFormatBGR).GetCode(), keErrorNone);
    FillRepeated(image, pattern, clip);
    for (int y = 0; y < 5; ++y) {
      const auto row = RowBytes(image, y), source = RowBytes(pattern, y % 2);
      for (int x = 0; x < 7; ++x) {
        const bool inside = clip == nullptr || (x >= 1 && y >= 1);
        for (int c = 0; c < 3; ++c) {
          ASSERT_EQ(row[3 * x + c], inside ? source[3 * (x % 3) + c] : 0)
              << "pixel (" << x << ", " << y << ")" << (clip ? " clipped" : "");
        }
      }
    }
  }
}

TEST(FillRepeated, PackedSourcesNarrowerThanAByteRepeatByPixels) {
  CRowIteratorBands pattern, image;
  ASSERT_EQ(pattern.Create(3, 1, keFormatIndex1).GetCode(), keErrorNone);
  pattern.LockRowPointer(0, 0, -1)[0] = 0xA0;  // pixels 1 0 1
  pattern.ReleaseRow(0);
  ASSERT_EQ(image.Create(12, 2, keFormatIndex1).GetCode(), keErrorNone);
  const RECT clip{2, 0, 12, 2};
  FillRepeated(image, pattern, &clip);
  // Pixels 2..11 take x mod 3: 1 1 0 1 1 0 1 1 0 1.
  EXPECT_EQ(RowBytes(image, 0), (std::vector<BYTE>{0x36, 0xD0}));
  EXPECT_EQ(RowBytes(image, 1), (std::vector<BYTE>{0x36, 0xD0}));

  CRowIteratorBands empty;
  FillRepeated(image, empty, nullptr);  // nothing to repeat: nothing happens
  EXPECT_EQ(RowBytes(image, 0), (std::vector<BYTE>{0x36, 0xD0}));
}

TEST(ChangeImageFormat, PremultipliesInPlace) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(2, 1, keFormatBGRA).GetCode(), keErrorNone);
  BYTE* row = image.LockRowPointer(0, 0, -1);
  const BYTE pixels[8] = {200, 100, 50, 128, 1, 2, 3, 255};
  std::copy(pixels, pixels + 8, row);
  image.ReleaseRow(0);
  EXPECT_EQ(ChangeImageFormat(image, keFormatBGRxA).GetCode(), keErrorNone);
  EXPECT_EQ(image.GetFormat(), keFormatBGRxA);
  EXPECT_EQ(RowBytes(image, 0), (std::vector<BYTE>{100, 50, 25, 128, 1, 2, 3, 255}));
}

TEST(ChangeImageFormat, OtherPairsOfOneDepthAreRefused) {
  CRowIteratorBands image;
  MakeImage(image, 3, 2, keFormatGreyA);
  const auto before = RowBytes(image, 1);
  EXPECT_EQ(ChangeImageFormat(image, keFormatGrey_u16).GetCode(), keErrorBadArgument);
  EXPECT_EQ(image.GetFormat(), keFormatGreyA);
  EXPECT_EQ(RowBytes(image, 1), before);
  EXPECT_EQ(ChangeImageFormat(image, keFormatGreyA).GetCode(), keErrorNone);
}

TEST(ChangeImageFormat, OtherDepthsConvertThroughACopy) {
  CRowIteratorBands image;
  MakeImage(image, 3, 2, keFormatBGR);
  const auto before = RowBytes(image, 1);
  EXPECT_EQ(ChangeImageFormat(image, keFormatBGRA).GetCode(), keErrorNone);
  EXPECT_EQ(image.GetFormat(), keFormatBGRA);
  EXPECT_EQ(image.GetStorageFormat(), keFormatBGRA);
  const auto after = RowBytes(image, 1);
  for (int x = 0; x < 3; ++x) {
    for (int c = 0; c < 3; ++c) EXPECT_EQ(after[4 * x + c], before[3 * x + c]);
    EXPECT_EQ(after[4 * x + 3], 255);
  }
}

TEST(RowOpArgs, GreyImagesPresentTheGreyRamp) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(2, 2, keFormatGreyA).GetCode(), keErrorNone);
  RowOpArgs args;
  args.SetDestination(image, 4, 5);
  EXPECT_EQ(args.dst.format, keFormatGreyA);
  EXPECT_EQ(args.dst.paletteSize, 256);
  ASSERT_NE(args.dst.palette, nullptr);
  EXPECT_EQ(args.dst.palette[4 * 77 + 2], 77);
  EXPECT_EQ(args.dst.x, 4);
  EXPECT_EQ(args.dst.y, 5);
}

TEST(RowOpExecutor, FromImages) {
  CRowIteratorBands indexed, bgr;
  ASSERT_EQ(indexed.Create(4, 1, keFormatIndex4).GetCode(), keErrorNone);
  ASSERT_EQ(bgr.Create(4, 1, keFormatBGR).GetCode(), keErrorNone);
  RowOpExecutor executor(RowCopyOp(), bgr, &indexed);
  const BYTE nibbles[2] = {0x9F, 0x0C};
  BYTE out[12] = {};
  executor.Run(4, out, nibbles);
  // The default 16-entry palette: 9 red, 15 white, 0 black, 12 blue.
  EXPECT_EQ(std::vector<BYTE>(out, out + 12),
            (std::vector<BYTE>{0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0, 0}));
}

}  // namespace
}  // namespace corvel
