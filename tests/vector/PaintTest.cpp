#include "vector/Paint.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/RowThreads.h"
#include "tests/core/ImageBytes.h"

namespace corvel {
namespace {

constexpr std::uint32_t Rgb(int r, int g, int b) {
  return std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16;
}

struct Target {
  Target(int width, int height, keFormat format = keFormatBGRA, std::uint8_t fill = 0) {
    EXPECT_EQ(image.Create(width, height, format).GetCode(), 0);
    SetImageBytes(image, std::vector<std::uint8_t>(std::size_t(image.GetRowBytes()) * height, fill));
    record.target = &image;
    record.clip = RECT{0, 0, width, height};
  }
  void FillOpaqueBlack() {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < image.Width() * image.Height(); ++i) bytes.insert(bytes.end(), {0, 0, 0, 255});
    SetImageBytes(image, bytes);
  }
  // Bytes of pixel (x, y).
  std::vector<int> At(int x, int y) {
    const std::vector<std::uint8_t> bytes = ImageBytes(image);
    const int size = image.GetBitsPerPixel() / 8;
    const std::uint8_t* p = &bytes[std::size_t(y) * image.GetRowBytes() + std::size_t(x) * size];
    return std::vector<int>(p, p + size);
  }
  CRowIteratorBands image;
  PaintAttachRecord record;
};

// A tile whose every byte tells its position.
void MakeTile(CRowIteratorBands& tile, int width, int height) {
  EXPECT_EQ(tile.Create(width, height, keFormatBGRA).GetCode(), 0);
  std::vector<std::uint8_t> bytes;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      bytes.insert(bytes.end(), {std::uint8_t(x), std::uint8_t(y), std::uint8_t(x * 7 + y), 255});
  }
  SetImageBytes(tile, bytes);
}

TEST(CheckerPaint, ColumnsAndRowsAlternateByCell) {
  Target target(40, 40);
  RefPtr<Paint> paint = RefPtr<Paint>::Adopt(CreateCheckerPaint(16, Rgb(200, 220, 255), Rgb(0, 0, 0)));
  ASSERT_TRUE(paint->Attach(target.record));
  EXPECT_TRUE(paint->IsDirect());
  paint->FillRect(0, 0, 40, 40, 255);
  paint->Detach();
  const std::vector<int> a{255, 220, 200, 255}, b{0, 0, 0, 255};
  for (int x : {0, 15, 32, 39}) EXPECT_EQ(target.At(x, 0), a) << x;
  for (int x : {16, 31}) EXPECT_EQ(target.At(x, 0), b) << x;
  EXPECT_EQ(target.At(0, 16), b);
  EXPECT_EQ(target.At(16, 31), a);
  EXPECT_EQ(target.At(0, 32), a);
}

TEST(CheckerPaint, CellsFollowTheViewOriginAndTheTargetFormat) {
  Target target(20, 4, keFormatBGR);
  target.record.view = RECT{8, 0, 28, 4};
  RefPtr<Paint> paint = RefPtr<Paint>::Adopt(CreateCheckerPaint(16, Rgb(200, 220, 255), Rgb(1, 2, 3)));
  ASSERT_TRUE(paint->Attach(target.record));
  paint->FillRect(0, 0, 20, 4, 255);
  paint->Detach();
  EXPECT_EQ(target.At(7, 0), (std::vector<int>{255, 220, 200}));
  EXPECT_EQ(target.At(8, 0), (std::vector<int>{3, 2, 1}));
  Target column(4, 20, keFormatBGR);
  column.record.view = RECT{0, 8, 4, 28};
  ASSERT_TRUE(paint->Attach(column.record));
  paint->FillRect(0, 0, 4, 20, 255);
  paint->Detach();
  EXPECT_EQ(column.At(0, 7), (std::vector<int>{255, 220, 200}));
  EXPECT_EQ(column.At(0, 8), (std::vector<int>{3, 2, 1}));
}

TEST(SolidPaint, OpacityIsAppliedOnceOnEveryPath) {
  for (bool rect : {false, true}) {
    Target target(8, 2);
    target.FillOpaqueBlack();
    RefPtr<Paint> paint = RefPtr<Paint>::Adopt(CreateSolidPaint(0xFFFFFFFF));
    paint->SetOpacity(128);
    ASSERT_TRUE(paint->Attach(target.record));
    EXPECT_FALSE(paint->IsDirect());
    if (rect) {
      paint->FillRect(0, 0, 8, 2, 255);
    } else {
      paint->FillSpan(0, 0, 255, 8);
      paint->FillSpan(0, 1, 255, 8);
    }
    paint->Detach();
    EXPECT_EQ(target.At(5, 1)[0], 128) << rect;
    EXPECT_EQ(target.At(5, 1)[2], 128) << rect;
  }
}

TEST(SolidPaint, TakesEngineColoursAndDropsSpansOutsideTheClip) {
  Target target(6, 3);
  target.record.clip = RECT{2, 0, 6, 2};
  RefPtr<Paint> paint = RefPtr<Paint>::Adopt(CreateSolidPaint(0xFF102030));  // red 0x10, blue 0x30
  ASSERT_TRUE(paint->Attach(target.record));
  paint->FillSpan(0, 0, 255, 6);
  paint->FillSpan(0, 2, 255, 6);   // below the clip
  paint->FillSpan(-5, 1, 255, 6);  // clamped to nothing
  paint->Detach();
  EXPECT_EQ(target.At(2, 0), (std::vector<int>{0x30, 0x20, 0x10, 255}));
  EXPECT_EQ(target.At(1, 0), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(target.At(3, 2), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(target.At(0, 1), (std::vector<int>{0, 0, 0, 0}));
}

TEST(SolidPaint, PaintAndContextMasksWeakenTheCoverage) {
  CRowIteratorBands mask;
  ASSERT_EQ(mask.Create(4, 1, keFormatGrey).GetCode(), 0);
  SetImageBytes(mask, {255, 128, 128, 0});
  for (bool contextMask : {false, true}) {
    Target target(4, 1);
    target.FillOpaqueBlack();
    RefPtr<Paint> paint = RefPtr<Paint>::Adopt(CreateSolidPaint(0xFFFFFFFF));
    SamplerOptions nearest;
    nearest.interpolation = keInterpolationNearest;
    if (contextMask) {
      target.record.mask = &mask;
      target.record.maskPlacement[2] = 4;
      target.record.maskPlacement[3] = 1;
      target.record.maskOptions = nearest;
    } else {
      ASSERT_EQ(paint->SetMask(mask, false, nullptr, &nearest), 0);
    }
    ASSERT_TRUE(paint->Attach(target.record));
    EXPECT_FALSE(paint->IsDirect());
    paint->FillSpan(0, 0, 255, 4);
    paint->Detach();
    EXPECT_EQ(target.At(0, 0)[1], 255) << contextMask;
    EXPECT_EQ(target.At(1, 0)[1], 128) << contextMask;
    EXPECT_EQ(target.At(3, 0)[1], 0) << contextMask;
  }
}

TEST(SolidPaint, CoverageBytesBelongToTheirOwnPixels) {
  Target target(10, 1);
  target.FillOpaqueBlack();
  target.record.clip = RECT{3, 0, 10, 1};
  RefPtr<Paint> paint = RefPtr<Paint>::Adopt(CreateSolidPaint(0xFFFFFFFF));
  ASSERT_TRUE(paint->Attach(target.record));
  const std::uint8_t coverage[6] = {10, 20, 30, 40, 50, 60};
  paint->FillSpanCoverage(0, 0, coverage, 6);  // starts 3 pixels left of the clip
  paint->Detach();
  EXPECT_EQ(target.At(2, 0)[0], 0);
  EXPECT_EQ(target.At(3, 0)[0], 40);
  EXPECT_EQ(target.At(5, 0)[0], 60);
}

TEST(ImagePaint, WrappedPatternsRepeatTheTileExactly) {
  for (auto size : {std::pair<int, int>{300, 200}, std::pair<int, int>{37, 23}}) {
    CRowIteratorBands tile;
    MakeTile(tile, size.first, size.second);
    for (bool clipped : {false, true}) {
      Target target(333, 250);
      if (clipped) target.record.clip = RECT{41, 7, 333, 250};
      RefPtr<Paint> paint = RefPtr<Paint>::Adopt(CreateImagePaint(tile, false, nullptr, nullptr));
      ASSERT_TRUE(paint->Attach(target.record));
      EXPECT_TRUE(paint->IsDirect());
      paint->FillRect(0, 0, 333, 250, 255);
      paint->Detach();
      const std::vector<std::uint8_t> bytes = ImageBytes(target.image);
      const int left = clipped ? 41 : 0, top = clipped ? 7 : 0;
      int wrong = 0;
      for (int y = top; y < 250; ++y) {
        for (int x = left; x < 333; ++x) {
          const std::uint8_t* p = &bytes[(std::size_t(y) * 333 + x) * 4];
          const int tx = x % size.first, ty = y % size.second;
          wrong += p[0] != std::uint8_t(tx) || p[1] != std::uint8_t(ty) || p[2] != std::uint8_t(tx * 7 + ty);
        }
      }
      EXPECT_EQ(wrong, 0) << size.first << " clipped " << clipped;
      if (clipped) {
        EXPECT_EQ(bytes[(7 * 333 + 40) * 4 + 3], 0);
      }
    }
  }
}

TEST(ImagePaint, PatternsDrawnSmallerAreReducedFirst) {
  CRowIteratorBands tile;
  MakeTile(tile, 40, 20);
  for (double scale : {0.5, 1.0, 2.0}) {
    Matrix3 matrix = kIdentityMatrix3;
    Matrix3Scale(&matrix, scale, scale);
    auto source = CreateImagePaintSource(tile, false, &matrix, nullptr);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->Image().Width(), scale < 1 ? 20 : 40) << scale;
  }
}

TEST(ImagePaint, OnlyFullyOpaquePatternsAreOpaque) {
  CRowIteratorBands tile;
  MakeTile(tile, 4, 4);
  EXPECT_TRUE(IsImageOpaque(tile));
  std::vector<std::uint8_t> bytes = ImageBytes(tile);
  bytes[4 * 5 + 3] = 254;
  SetImageBytes(tile, bytes);
  EXPECT_FALSE(IsImageOpaque(tile));
  CRowIteratorBands greyA;
  ASSERT_EQ(greyA.Create(3, 2, keFormatGreyA).GetCode(), 0);
  SetImageBytes(greyA, {10, 255, 20, 255, 30, 255, 40, 255, 50, 255, 60, 255});
  EXPECT_TRUE(IsImageOpaque(greyA));
}

// Rows are scanned several bytes at a time across the threads: one alpha short of full anywhere,
// in a row's last pixels or its last row too, makes the image not opaque, and colour never does.
TEST(ImagePaint, AnyAlphaShortOfFullIsFoundInEveryFormatAndThreadCount) {
  struct Case {
    keFormat format;
    int pixelBytes, alphaOffset, alphaBytes;
  };
  for (const Case& c : {Case{keFormatBGRA, 4, 3, 1}, Case{keFormatGreyA, 2, 1, 1},
                        Case{keFormatGreyA_u16, 4, 2, 2}, Case{keFormatBGRA_u16, 8, 6, 2}}) {
    for (int threads : {1, 8}) {
      RowThreads::ScopedCount count(threads);
      const int width = 7, height = 70;
      CRowIteratorBands image;
      ASSERT_EQ(image.Create(width, height, c.format).GetCode(), 0);
      const std::size_t rowBytes = std::size_t(image.GetRowBytes());
      std::vector<std::uint8_t> opaque(rowBytes * height, 0);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
          for (int b = 0; b < c.alphaBytes; ++b)
            opaque[y * rowBytes + std::size_t(x) * c.pixelBytes + c.alphaOffset + b] = 255;
      }
      SetImageBytes(image, opaque);
      EXPECT_TRUE(IsImageOpaque(image)) << c.format << " " << threads;
      for (auto [x, y] : {std::pair{0, 0}, std::pair{width - 1, 33}, std::pair{3, height - 1}}) {
        std::vector<std::uint8_t> bytes = opaque;
        bytes[y * rowBytes + std::size_t(x) * c.pixelBytes + c.alphaOffset] = 254;
        SetImageBytes(image, bytes);
        EXPECT_FALSE(IsImageOpaque(image)) << c.format << " " << threads << " " << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace corvel
