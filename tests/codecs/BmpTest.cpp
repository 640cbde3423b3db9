#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/ImageFileBMP.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TiffBlock.h"

namespace {

void Put16(Bytes& out, unsigned value) {
  out.push_back(static_cast<unsigned char>(value));
  out.push_back(static_cast<unsigned char>(value >> 8));
}

void Put32(Bytes& out, unsigned value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A bitmap file put together field by field, as another program would write it.
struct BmpFile {
  int width = 1;
  int height = 1;
  unsigned bits = 24;
  unsigned compression = 0;
  unsigned headerSize = 40;
  unsigned colorsUsed = 0;
  bool fileHeader = true;
  Bytes palette;  // as stored: 4 bytes an entry (3 for the old header)
  Bytes masks;    // in a long header, else after a 40-byte one
  Bytes pixels;

  Bytes Build() const {
    Bytes info;
    Put32(info, headerSize);
    if (headerSize == 12) {
      for (unsigned v : {static_cast<unsigned>(width), static_cast<unsigned>(height), 1u, bits})
        Put16(info, v);
    } else {
      for (unsigned v : {static_cast<unsigned>(width), static_cast<unsigned>(height)}) Put32(info, v);
      Put16(info, 1);
      Put16(info, bits);
      for (unsigned v : {compression, static_cast<unsigned>(pixels.size()), 2835u, 11811u, colorsUsed, 0u}) {
        Put32(info, v);
      }
      info.resize(headerSize, 0);
    }
    const bool inHeader = headerSize > 40 && !masks.empty();
    if (inHeader) std::copy(masks.begin(), masks.end(), info.begin() + 40);
    const Bytes& after = inHeader ? Bytes() : masks;
    Bytes out;
    const unsigned offset = 14 + static_cast<unsigned>(info.size() + after.size() + palette.size());
    if (fileHeader) {
      Put16(out, 0x4D42);
      Put32(out, offset + static_cast<unsigned>(pixels.size()));
      Put32(out, 0);
      Put32(out, offset);
    }
    for (const Bytes* part : std::initializer_list<const Bytes*>{&info, &after, &palette, &pixels})
      out.insert(out.end(), part->begin(), part->end());
    return out;
  }
};

// Grey palette entries 0..n-1 in file form.
Bytes GreyPalette(unsigned n, unsigned entrySize = 4) {
  Bytes palette;
  for (unsigned i = 0; i < n; ++i) {
    for (unsigned c = 0; c < 3; ++c) palette.push_back(static_cast<unsigned char>(i * 255 / (n - 1)));
    if (entrySize == 4) palette.push_back(0x55);  // reserved bytes are cleared on reading
  }
  return palette;
}

std::vector<int> Indexes(CImageFile& image) {
  std::vector<int> out;
  for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) out.push_back(image.GetPixelIndex(x, y));
  }
  return out;
}

}  // namespace

TEST(BmpEncode, WritesHeaderPaletteAndPaddedRows) {
  struct Case {
    unsigned long width, height, bpp;
    std::size_t size;
    unsigned offset;
  };
  const Case cases[] = {
      {3, 2, 24, 14 + 40 + 2 * 12, 54},
      {3, 2, 8, 14 + 40 + 1024 + 2 * 4, 14 + 40 + 1024},
      {9, 1, 4, 14 + 40 + 64 + 8, 14 + 40 + 64},
      {9, 2, 1, 14 + 40 + 8 + 2 * 4, 14 + 40 + 8},
  };
  for (const Case& c : cases) {
    CImageFile image(c.width, c.height, c.bpp, keImageFormatBMP);
    image.SetXDPI(300);
    const Bytes file = EncodeToBytes(image, keImageFormatBMP);
    ASSERT_EQ(file.size(), c.size) << c.bpp;
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    unsigned fileSize, offset;
    std::memcpy(&fileSize, &file[2], 4);
    std::memcpy(&offset, &file[10], 4);
    EXPECT_EQ(fileSize, c.size);
    EXPECT_EQ(offset, c.offset);
    CImageFileBMP decoded;
    ASSERT_TRUE(DecodeBytes(decoded, file));
    EXPECT_EQ(decoded.GetXDPI(), 300);
    EXPECT_EQ(decoded.GetYDPI(), 96);
  }
}

TEST(BmpDecode, HeaderFormsGiveTheSamePicture) {
  // 2 x 2, 8 bits, indexes 1 2 / 3 4 (bottom row first), rows padded to 4 bytes.
  BmpFile plain;
  plain.width = 2;
  plain.height = 2;
  plain.bits = 8;
  plain.colorsUsed = 8;
  plain.palette = GreyPalette(8);
  plain.pixels = {1, 2, 0, 0, 3, 4, 0, 0};
  std::vector<BmpFile> files(7, plain);
  files[1].fileHeader = false;
  files[2].headerSize = 124;
  files[3].headerSize = 56;
  files[4].headerSize = 64;
  files[5].headerSize = 12;
  files[5].palette = GreyPalette(256, 3);
  files[6].height = -2;
  files[6].pixels = {3, 4, 0, 0, 1, 2, 0, 0};
  for (const BmpFile& file : files) {
    CImageFileBMP image;
    ASSERT_TRUE(DecodeBytes(image, file.Build())) << image.GetLastError() << " header " << file.headerSize;
    EXPECT_EQ(image.GetWidth(), 2u);
    EXPECT_EQ(image.GetHeight(), 2u);
    EXPECT_EQ(Indexes(image), (std::vector<int>{1, 2, 3, 4})) << file.headerSize;
    EXPECT_EQ(image.GetPaletteColor(1).rgbRed, file.headerSize == 12 ? 1 : 36);
    EXPECT_EQ(image.GetPaletteColor(1).rgbReserved, 0);
  }
  // The whole old-form file is shorter than a 40-byte header.
  BmpFile tiny;
  tiny.headerSize = 12;
  tiny.bits = 1;
  tiny.palette = {0, 0, 0, 255, 255, 255};
  tiny.pixels = {0x80, 0, 0, 0};
  CImageFileBMP image;
  ASSERT_TRUE(DecodeBytes(image, tiny.Build())) << image.GetLastError();
  EXPECT_EQ(image.GetPixelColor(0, 0).rgbGreen, 255);
}

TEST(BmpDecode, TopDownFilesMatchTheirBottomUpTwins) {
  struct Case {
    unsigned bits, compression;
    std::vector<Bytes> rows;  // file rows of the bottom-up twin, bottom row first
  };
  const Case cases[] = {
      {1, 0, {{0x80, 0, 0, 0}, {0x40, 0, 0, 0}, {0xC0, 0, 0, 0}}},
      {8, 0, {{1, 2, 0, 0}, {3, 4, 0, 0}, {5, 6, 0, 0}}},
      {16, 0, {{0x1F, 0, 0xE0, 0x03}, {0, 0x7C, 0xFF, 0x7F}, {0x10, 0x42, 0, 0}}},
      {24, 0, {{1, 2, 3, 4, 5, 6, 0, 0}, {7, 8, 9, 10, 11, 12, 0, 0}, {13, 14, 15, 16, 17, 18, 0, 0}}},
      {32, 0, {{1, 2, 3, 0, 4, 5, 6, 0}, {7, 8, 9, 0, 10, 11, 12, 0}, {13, 14, 15, 0, 16, 17, 18, 0}}},
      {8, 1, {{2, 7, 0, 0}, {1, 8, 1, 9, 0, 0}, {2, 5, 0, 0}}},
  };
  for (const Case& c : cases) {
    BmpFile bottomUp;
    bottomUp.width = 2;
    bottomUp.height = 3;
    bottomUp.bits = c.bits;
    bottomUp.compression = c.compression;
    if (c.bits <= 8) bottomUp.palette = GreyPalette(1u << c.bits);
    BmpFile topDown = bottomUp;
    topDown.height = -3;
    for (std::size_t i = 0; i < 3; ++i) {
      bottomUp.pixels.insert(bottomUp.pixels.end(), c.rows[i].begin(), c.rows[i].end());
      topDown.pixels.insert(topDown.pixels.end(), c.rows[2 - i].begin(), c.rows[2 - i].end());
    }
    CImageFileBMP a, b;
    ASSERT_TRUE(DecodeBytes(a, bottomUp.Build())) << c.bits;
    ASSERT_TRUE(DecodeBytes(b, topDown.Build())) << c.bits;
    EXPECT_EQ(FromImage(a).rgb, FromImage(b).rgb) << c.bits << "/" << c.compression;
    EXPECT_NE(a.GetPixelColor(0, 2).rgbRed + a.GetPixelColor(1, 2).rgbRed, 0) << c.bits;
  }
}

TEST(BmpDecode, BitFieldsInAnyOrder) {
  struct Case {
    const char* what;
    unsigned bits, headerSize, compression;
    std::vector<unsigned> masks;  // red, green, blue
    Bytes pixel;
    unsigned char r, g, b;
  };
  const Case cases[] = {
      {"16 bits, 5-5-5 without masks", 16, 40, 0, {}, {0x1F, 0x7C}, 0xF8, 0, 0xF8},
      {"16 bits, masks narrower than a byte",
       16,
       40,
       3,
       {0x0003, 0x000C, 0x0030},
       {0x36, 0},
       0x80,
       0x40,
       0xC0},
      {"16 bits, one channel of 16 bits", 16, 40, 3, {0xFFFF, 0, 0}, {0x00, 0xAB}, 0xAB, 0, 0},
      {"16 bits, 5-6-5 after the header", 16, 40, 3, {0xF800, 0x07E0, 0x001F}, {0xE0, 0x07}, 0, 0xFC, 0},
      {"16 bits, 5-6-5 in a long header", 16, 108, 3, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8}, 0xF8, 0, 0},
      {"32 bits, red low, in a long header",
       32,
       124,
       3,
       {0xFF, 0xFF00, 0xFF0000},
       {10, 20, 30, 40},
       10,
       20,
       30},
      {"32 bits, red low, after the header",
       32,
       40,
       3,
       {0xFF, 0xFF00, 0xFF0000},
       {10, 20, 30, 40},
       10,
       20,
       30},
      {"32 bits, standard masks", 32, 124, 3, {0xFF0000, 0xFF00, 0xFF}, {30, 20, 10, 40}, 10, 20, 30},
      {"32 bits, masks of a plain file unused",
       32,
       124,
       0,
       {0xFF, 0xFF00, 0xFF0000},
       {30, 20, 10, 40},
       10,
       20,
       30},
      {"32 bits, fourth byte dropped", 32, 40, 0, {}, {30, 20, 10, 40}, 10, 20, 30},
  };
  for (const Case& c : cases) {
    BmpFile file;
    file.bits = c.bits;
    file.headerSize = c.headerSize;
    file.compression = c.compression;
    for (unsigned m : c.masks) Put32(file.masks, m);
    file.pixels = c.pixel;
    file.pixels.resize(4, 0);
    CImageFileBMP image;
    ASSERT_TRUE(DecodeBytes(image, file.Build())) << c.what;
    const RGBQUAD p = image.GetPixelColor(0, 0);
    EXPECT_EQ(image.GetBpp(), 24) << c.what;
    EXPECT_FALSE(image.AlphaIsValid()) << c.what;
    EXPECT_EQ(p.rgbRed, c.r) << c.what;
    EXPECT_EQ(p.rgbGreen, c.g) << c.what;
    EXPECT_EQ(p.rgbBlue, c.b) << c.what;
  }
}

TEST(BmpDecode, RunLengthCodes) {
  struct Case {
    const char* what;
    unsigned bits, compression;
    int width, height;
    Bytes pixels;
    std::vector<int> indexes;  // bottom row first
  };
  const Case cases[] = {
      {"8 bits: run, padded literal, end of row, delta, end",
       8,
       1,
       6,
       3,
       {3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 2, 9, 0, 1, 5, 5},
       {7, 7, 7, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 9, 9, 0, 0}},
      {"8 bits: a run may end at the row's end, not past it",
       8,
       1,
       4,
       2,
       {2, 1, 2, 2, 0, 0, 3, 3, 2, 4},
       {1, 1, 2, 2, 3, 3, 3, 0}},
      {"4 bits: alternating run, even literal, delta",
       4,
       2,
       7,
       2,
       {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 2, 1, 0, 2, 0xEF, 0, 1},
       {1, 2, 1, 2, 1, 0, 0, 3, 4, 5, 0, 14, 15, 0}},
      {"4 bits: odd literal of five pixels padded",
       4,
       2,
       6,
       1,
       {0, 5, 0x12, 0x34, 0x50, 0, 1, 0x66},
       {1, 2, 3, 4, 5, 6}},
      {"1 bit: byte rules",
       1,
       1,
       16,
       1,
       {1, 0xF0, 1, 0x0F, 0, 1},
       {1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    BmpFile file;
    file.width = c.width;
    file.height = c.height;
    file.bits = c.bits;
    file.compression = c.compression;
    file.palette = GreyPalette(1u << c.bits);
    file.pixels = c.pixels;
    CImageFileBMP image;
    ASSERT_TRUE(DecodeBytes(image, file.Build())) << c.what << ": " << image.GetLastError();
    EXPECT_EQ(Indexes(image), c.indexes) << c.what;
  }
}

TEST(BmpDecode, RunLengthCodesNeverWriteOutsideThePicture) {
  // Deltas far past the top and right, literals longer than the row, a missing end.
  const Bytes hostile = {0, 2, 255, 255, 0, 2, 255, 255, 4, 1, 0, 255, 1, 2, 3, 4, 0, 0, 0, 9,
                         1, 2, 3,   4,   5, 6, 7,   8,   9, 0, 0, 0,   0, 0, 0, 0, 0, 0, 2, 1};
  for (unsigned compression : {1u, 2u}) {
    BmpFile file;
    file.width = 3;
    file.height = 2;
    file.bits = compression == 1 ? 8 : 4;
    file.compression = compression;
    file.palette = GreyPalette(compression == 1 ? 256 : 16);
    file.pixels = hostile;
    CImageFileBMP image;
    EXPECT_TRUE(DecodeBytes(image, file.Build()));
  }
}

TEST(BmpDecode, ClaimsBeyondTheFileAreBounded) {
  BmpFile file;
  file.width = 2;
  file.bits = 4;
  file.colorsUsed = 1000;  // more entries than 4 bits can use; the rest is skipped
  file.palette = GreyPalette(1000);
  file.pixels = {0x0F, 0, 0, 0};
  CImageFileBMP image;
  ASSERT_TRUE(DecodeBytes(image, file.Build()));
  EXPECT_EQ(image.GetPixelIndex(1, 0), 15);
  EXPECT_EQ(image.GetPaletteColor(15).rgbRed, 15 * 255 / 999);

  // Pixels cut short: what is missing stays cleared.
  BmpFile cut;
  cut.width = 2;
  cut.height = 3;
  cut.pixels = {9, 9, 9, 9, 9, 9, 0, 0, 5};
  ASSERT_TRUE(DecodeBytes(image, cut.Build()));
  EXPECT_EQ(image.GetPixelColor(0, 0).rgbRed, 9);
  EXPECT_EQ(image.GetPixelColor(0, 1).rgbBlue, 5);
  EXPECT_EQ(image.GetPixelColor(1, 2).rgbRed, 0);
}

TEST(BmpDecode, FailuresNameTheirCause) {
  struct Case {
    const char* what;
    BmpFile file;
    Bytes bytes;  // used instead of the file when not empty
    long escape;
    const char* error;
  };
  BmpFile base;
  base.pixels = {1, 2, 3, 0};
  auto with = [&](auto change) {
    BmpFile f = base;
    change(f);
    return f;
  };
  const Case cases[] = {
      {"short", base, {'B', 'M', 0}, 0, "Not a BMP"},
      {"header size 20", with([](BmpFile& f) { f.headerSize = 20; }), {}, 0, "Error reading BMP info"},
      {"odd long header",
       with([](BmpFile& f) {
         f.headerSize = 80;
         f.compression = 1;
       }),
       {},
       0,
       "Error reading BMP info"},
      {"depth 2", with([](BmpFile& f) { f.bits = 2; }), {}, 0, "Error reading BMP info"},
      {"width 0", with([](BmpFile& f) { f.width = 0; }), {}, 0, "Error reading BMP info"},
      {"negative width", with([](BmpFile& f) { f.width = -4; }), {}, 0, "Error reading BMP info"},
      {"height INT_MIN", with([](BmpFile& f) { f.height = INT32_MIN; }), {}, 0, "Error reading BMP info"},
      {"huge",
       with([](BmpFile& f) {
         f.width = 0x7FFFFFFF;
         f.height = 0x7FFFFFFF;
       }),
       {},
       0,
       "Image too large to decode"},
      // A kilobyte of run-length codes claiming two gigabytes, top-down; 122 bytes claiming 1.7.
      {"RLE8 46340 x -46340",
       with([](BmpFile& f) {
         f.bits = 8;
         f.compression = 1;
         f.width = 46340;
         f.height = -46340;
         f.pixels = Bytes(1000, 0);
       }),
       {},
       0,
       "Image too large to decode"},
      {"RLE4 60000 x 60000",
       with([](BmpFile& f) {
         f.bits = 4;
         f.compression = 2;
         f.width = 60000;
         f.height = 60000;
       }),
       {},
       0,
       "Image too large to decode"},
      {"cancelled", base, {}, 1, "Cancelled"},
      {"24-bit rle", with([](BmpFile& f) { f.compression = 1; }), {}, 0, "unknown compression"},
      {"32-bit rle",
       with([](BmpFile& f) {
         f.bits = 32;
         f.compression = 2;
       }),
       {},
       0,
       "unknown compression"},
      {"8-bit code 4",
       with([](BmpFile& f) {
         f.bits = 8;
         f.compression = 4;
       }),
       {},
       0,
       "compression type not supported"},
  };
  for (const Case& c : cases) {
    CImageFileBMP image;
    image.SetEscape(c.escape);
    EXPECT_FALSE(DecodeBytes(image, c.bytes.empty() ? c.file.Build() : c.bytes)) << c.what;
    EXPECT_STREQ(image.GetLastError(), c.error) << c.what;
  }
  CImageFileBMP image;
  EXPECT_FALSE(image.Decode(nullptr));
}
