#include "core/BitmapImport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"
#include "platform/win32/Bitmap.h"
#include "tests/core/ImageBytes.h"

namespace corvel {
namespace {

// A packed bitmap: header, palette of `entries` entries, rows of random bytes.
struct PackedDib {
  std::vector<std::uint8_t> bytes;
  int rowBytes = 0;

  PackedDib(int width, int height, int bitCount, int entries, std::mt19937& random, DWORD clrUsed = 0) {
    rowBytes = (bitCount * width + 31) / 32 * 4;
    const int rows = height < 0 ? -height : height;
    bytes.resize(40 + 4 * entries + static_cast<std::size_t>(rowBytes) * rows);
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biClrUsed = clrUsed;
    std::memcpy(bytes.data(), &header, 40);
    for (std::size_t i = 40; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(random());
    for (int e = 0; e < entries; ++e) bytes[40 + 4 * e + 3] = 0;
  }
  BITMAPINFOHEADER& Header() { return *reinterpret_cast<BITMAPINFOHEADER*>(bytes.data()); }
  void GreyRamp() {
    for (int i = 0; i < 256; ++i) std::memset(&bytes[40 + 4 * i], i, 3), bytes[40 + 4 * i + 3] = 0;
  }
  // Stored row y of the picture (top first).
  const std::uint8_t* Row(int y, int entries) const {
    const int height = reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data())->biHeight;
    const int stored = height < 0 ? y : height - 1 - y;
    return &bytes[40 + 4 * entries + static_cast<std::size_t>(stored) * rowBytes];
  }
};

TEST(CreateFromDIB, EveryBitCountBothRowOrders) {
  struct Case {
    int bitCount;
    keFormat format;
    int entries;
  } cases[] = {{1, keFormatIndex1, 2},     {4, keFormatIndex4, 16}, {8, keFormatIndex8, 256},
               {16, keFormatIndex8A, 256}, {24, keFormatBGR, 0},    {32, keFormatBGRA, 0}};
  std::mt19937 random(4);
  for (const Case& c : cases) {
    for (int height : {5, -5}) {
      SCOPED_TRACE(std::to_string(c.bitCount) + " bits, height " + std::to_string(height));
      PackedDib dib(13, height, c.bitCount, c.entries, random);
      CRowIteratorBands image;
      ASSERT_EQ(image.CreateFromDIB(dib.bytes.data(), dib.bytes.size()).GetCode(), 0);
      EXPECT_EQ(image.GetFormat(), c.format);
      EXPECT_EQ(image.Width(), 13);
      EXPECT_EQ(image.Height(), 5);
      const auto pixels = ImageBytes(image);
      const int rowBytes = image.GetRowBytes();
      for (int y = 0; y < 5; ++y) {
        const std::uint8_t* row = dib.Row(y, c.entries);
        for (int i = 0; i < rowBytes; ++i) {
          std::uint8_t expected = row[i];
          // Bits past the last pixel of a packed row are no pixel.
          if (i == rowBytes - 1 && c.bitCount < 8) {
            const int used = (13 * c.bitCount) % 8;
            if (used) {
              const std::uint8_t mask = static_cast<std::uint8_t>(0xFF << (8 - used));
              ASSERT_EQ(pixels[y * rowBytes + i] & mask, expected & mask);
              continue;
            }
          }
          ASSERT_EQ(pixels[y * rowBytes + i], expected) << "row " << y << " byte " << i;
        }
      }
      if (c.entries) {
        ASSERT_EQ(image.GetPaletteSize(), c.entries);
        EXPECT_EQ(std::memcmp(image.GetPalette(), &dib.bytes[40], 4 * c.entries), 0);
      }
    }
  }
}

TEST(CreateFromDIB, GreyPalettesAndColoursUsed) {
  std::mt19937 random(5);
  for (int bitCount : {8, 16}) {
    PackedDib dib(4, 3, bitCount, 256, random);
    dib.GreyRamp();
    CRowIteratorBands image;
    ASSERT_EQ(image.CreateFromDIB(dib.bytes.data(), dib.bytes.size()).GetCode(), 0);
    EXPECT_EQ(image.GetFormat(), bitCount == 8 ? keFormatGrey : keFormatGreyA);
    dib.bytes[40 + 4 * 77] = 78;  // one entry off the ramp
    ASSERT_EQ(image.CreateFromDIB(dib.bytes.data(), dib.bytes.size()).GetCode(), 0);
    EXPECT_EQ(image.GetFormat(), bitCount == 8 ? keFormatIndex8 : keFormatIndex8A);
  }
  // Two colours used: the rows follow two entries.
  PackedDib small(4, 2, 8, 2, random, 2);
  CRowIteratorBands image;
  ASSERT_EQ(image.CreateFromDIB(small.bytes.data(), small.bytes.size()).GetCode(), 0);
  EXPECT_EQ(image.GetFormat(), keFormatIndex8);
  EXPECT_EQ(image.GetPaletteSize(), 2);
  const auto pixels = ImageBytes(image);
  EXPECT_EQ(std::memcmp(pixels.data(), small.Row(0, 2), 4), 0);
  // A given format is taken as it is.
  ASSERT_EQ(image.CreateFromDIB(small.bytes.data(), small.bytes.size(), keFormatGrey).GetCode(), 0);
  EXPECT_EQ(image.GetFormat(), keFormatGrey);
}

TEST(CreateFromDIB, EmptyBitmapsBecomeOnePixel) {
  std::mt19937 random(6);
  for (int width : {0, 3}) {
    PackedDib dib(width, width ? 0 : 4, 24, 0, random);
    CRowIteratorBands image;
    ASSERT_EQ(image.CreateFromDIB(dib.bytes.data(), dib.bytes.size()).GetCode(), 0);
    EXPECT_EQ(image.Width(), 1);
    EXPECT_EQ(image.Height(), 1);
    EXPECT_EQ(ImageBytes(image), (std::vector<std::uint8_t>{0, 0, 0}));
  }
}

TEST(CreateFromDIB, RefusesMalformedBitmaps) {
  std::mt19937 random(7);
  auto refuse = [](PackedDib& dib, std::size_t size, const char* what) {
    CRowIteratorBands image;
    EXPECT_EQ(image.CreateFromDIB(dib.bytes.data(), size).GetCode(), keErrorBadArgument) << what;
    EXPECT_FALSE(CRowIteratorBands::IsValid(&image)) << what;
  };
  PackedDib dib(9, 7, 8, 256, random);
  refuse(dib, dib.bytes.size() - 1, "one byte short");
  refuse(dib, 40 + 1000, "palette only");
  refuse(dib, 39, "header cut");
  dib.Header().biCompression = BI_RLE8;
  refuse(dib, dib.bytes.size(), "compressed");
  dib.Header().biCompression = BI_RGB;
  dib.Header().biClrUsed = 257;
  refuse(dib, dib.bytes.size(), "more colours than bits");
  dib.Header().biClrUsed = 0;
  dib.Header().biBitCount = 2;
  refuse(dib, dib.bytes.size(), "two bits");
  dib.Header().biBitCount = 8;
  dib.Header().biWidth = -9;
  refuse(dib, dib.bytes.size(), "negative width");
  dib.Header().biWidth = 0x7FFFFFFF;
  refuse(dib, dib.bytes.size(), "huge width");
  dib.Header().biWidth = 9;
  dib.Header().biSize = 12;
  refuse(dib, dib.bytes.size(), "old header");
  dib.Header().biSize = 40;
  CRowIteratorBands image;
  EXPECT_EQ(image.CreateFromDIB(dib.bytes.data(), dib.bytes.size(), keFormatBGR).GetCode(),
            keErrorBadArgument);
  EXPECT_EQ(image.CreateFromDIB(nullptr, 100).GetCode(), keErrorBadArgument);
}

TEST(CreateFromMemoryBlock, ReadsTheBlockAndReleasesIt) {
  std::mt19937 random(8);
  PackedDib dib(6, 4, 24, 0, random);
  MemoryBlockPtr block;
  AllocateMemoryBlock(block, dib.bytes.size(), false, keMemoryHeap);
  ASSERT_TRUE(block);
  void* memory = LockNoThrow(block.Get(), 0, 0);
  std::memcpy(memory, dib.bytes.data(), dib.bytes.size());
  UnlockNoThrow(block.Get(), 0, 0);
  CRowIteratorBands image;
  ASSERT_EQ(CreateFromMemoryBlock(image, block, keFormatNone).GetCode(), 0);
  EXPECT_FALSE(block);
  EXPECT_EQ(image.GetFormat(), keFormatBGR);
  EXPECT_EQ(std::memcmp(ImageBytes(image).data(), dib.Row(0, 0), 18), 0);
  MemoryBlockPtr none;
  EXPECT_EQ(CreateFromMemoryBlock(image, none, keFormatNone).GetCode(), keErrorBadArgument);
}

TEST(CreateFromBitmap, DeviceBitmapsOfEachDepth) {
  EXPECT_EQ(CreateFromBitmap(*std::make_unique<CRowIteratorBands>(), nullptr, nullptr).GetCode(),
            keErrorBadArgument);
  struct Case {
    int bitCount;
    keFormat format;
  } cases[] = {{1, keFormatIndex1}, {4, keFormatIndex4}, {8, keFormatIndex8},
               {16, keFormatBGR},   {24, keFormatBGR},   {32, keFormatBGR}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bitCount);
    std::vector<std::uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * 4, 0);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    header->biSize = 40;
    header->biWidth = 3;
    header->biHeight = 2;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(c.bitCount);
    auto* colours = reinterpret_cast<RGBQUAD*>(info.data() + 40);
    for (int i = 0; i < 256; ++i)
      colours[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 9, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS,
                                      &bits, nullptr, 0);
    ASSERT_TRUE(bitmap);
    const int rowBytes = (c.bitCount * 3 + 31) / 32 * 4;
    auto* rows = static_cast<std::uint8_t*>(bits);
    // Bottom row first in memory: index 1 (or a colour) at the top-left pixel.
    std::memset(rows, 0, static_cast<std::size_t>(rowBytes) * 2);
    if (c.bitCount == 1)
      rows[rowBytes] = 0x80;
    else if (c.bitCount == 4)
      rows[rowBytes] = 0x10;
    else if (c.bitCount == 8)
      rows[rowBytes] = 1;
    else if (c.bitCount == 16)
      rows[rowBytes] = 0x1F;  // blue 31 of 5-5-5
    else
      rows[rowBytes] = 200;  // blue
    CRowIteratorBands image;
    ASSERT_EQ(CreateFromBitmap(image, bitmap, nullptr).GetCode(), 0);
    EXPECT_EQ(image.GetFormat(), c.format);
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Height(), 2);
    const auto pixels = ImageBytes(image);
    if (c.bitCount <= 8) {
      const int index = c.bitCount == 1 ? pixels[0] >> 7 : c.bitCount == 4 ? pixels[0] >> 4 : pixels[0];
      EXPECT_EQ(index, 1);
      const RGBQUAD entry = image.GetPalette()[1];
      EXPECT_EQ(entry.rgbBlue, 1);
      EXPECT_EQ(entry.rgbGreen, 254);
      EXPECT_EQ(entry.rgbRed, 9);
    } else {
      EXPECT_GE(pixels[0], 200);  // blue of the top-left pixel
      EXPECT_EQ(pixels[1], 0);
      EXPECT_EQ(pixels[3 * 3], 0);  // the row below
    }
    DeleteObject(bitmap);
  }
}

TEST(MakeGreyFromGreyPalette, RemapsThroughAReversedRamp) {
  std::vector<RGBQUAD> reversed(256);
  for (int i = 0; i < 256; ++i) {
    const BYTE v = static_cast<BYTE>(255 - i);
    reversed[i] = RGBQUAD{v, v, v, 0};
  }
  for (keFormat format : {keFormatIndex8, keFormatIndex8A}) {
    CRowIteratorBands image;
    ASSERT_EQ(image.Create(256, 2, format, nullptr, reversed.data(), 256).GetCode(), 0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(image.GetRowBytes()) * 2);
    const int step = format == keFormatIndex8A ? 2 : 1;
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 256; ++x) {
        bytes[(y * 256 + x) * step] = static_cast<std::uint8_t>(x);
        if (step == 2) bytes[(y * 256 + x) * 2 + 1] = 77;
      }
    SetImageBytes(image, bytes);
    EXPECT_TRUE(MakeGreyFromGreyPalette(image));
    EXPECT_EQ(image.GetFormat(), format == keFormatIndex8A ? keFormatGreyA : keFormatGrey);
    const auto out = ImageBytes(image);
    for (int x = 0; x < 256; ++x) {
      ASSERT_EQ(out[(256 + x) * step], 255 - x);
      if (step == 2) {
        ASSERT_EQ(out[(256 + x) * 2 + 1], 77);
      }
    }
  }
}

TEST(MakeGreyFromGreyPalette, AnswersForOtherImages) {
  CRowIteratorBands grey, colour, indexed, empty;
  ASSERT_EQ(grey.Create(2, 2, keFormatGrey).GetCode(), 0);
  ASSERT_EQ(colour.Create(2, 2, keFormatBGR).GetCode(), 0);
  const RGBQUAD palette[2] = {{0, 0, 0, 0}, {1, 2, 3, 0}};
  ASSERT_EQ(indexed.Create(2, 2, keFormatIndex8, nullptr, palette, 2).GetCode(), 0);
  EXPECT_TRUE(MakeGreyFromGreyPalette(grey));
  EXPECT_FALSE(MakeGreyFromGreyPalette(colour));
  EXPECT_FALSE(MakeGreyFromGreyPalette(indexed));
  EXPECT_EQ(indexed.GetFormat(), keFormatIndex8);
  EXPECT_FALSE(MakeGreyFromGreyPalette(empty));
}

TEST(CRowAccessor, HoldsOneRowUntilReleased) {
  CRowIteratorBands image, empty;
  ASSERT_EQ(image.Create(4, 3, keFormatGrey).GetCode(), 0);
  {
    CRowAccessor row(image, 1);
    ASSERT_TRUE(row.Pointer());
    row.Pointer()[2] = 99;
    CRowAccessor outside(image, 3), negative(image, -1), none(empty, 0);
    EXPECT_FALSE(outside.Pointer());
    EXPECT_FALSE(negative.Pointer());
    EXPECT_FALSE(none.Pointer());
    row.Release();
    EXPECT_FALSE(row.Pointer());
  }
  EXPECT_EQ(ImageBytes(image)[4 + 2], 99);
}

}  // namespace
}  // namespace corvel
