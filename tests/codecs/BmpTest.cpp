#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/ImageFileBMP.h"
#include "codecs/MemoryStream.h"

namespace {

using Bytes = std::vector<unsigned char>;

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
  Bytes masks;    // stored after a 40-byte header
  Bytes pixels;

  Bytes Build() const {
    Bytes info;
    if (headerSize == 12) {
      Put32(info, 12);
      Put16(info, static_cast<unsigned>(width));
      Put16(info, static_cast<unsigned>(height));
      Put16(info, 1);
      Put16(info, bits);
    } else {
      Put32(info, headerSize);
      Put32(info, static_cast<unsigned>(width));
      Put32(info, static_cast<unsigned>(height));
      Put16(info, 1);
      Put16(info, bits);
      Put32(info, compression);
      Put32(info, static_cast<unsigned>(pixels.size()));
      Put32(info, 2835);
      Put32(info, 11811);
      Put32(info, colorsUsed);
      Put32(info, 0);
      info.resize(headerSize, 0);
    }
    // A long header holds the masks itself; a 40-byte one is followed by them.
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
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), after.begin(), after.end());
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
  }
};

bool DecodeBytes(CImageFileBMP& image, Bytes bytes) {
  CMemoryStream stream(bytes.data(), bytes.size());
  return image.Decode(&stream);
}

Bytes Encoded(CImageFileBMP& image) {
  CMemoryStream stream;
  stream.Open();
  EXPECT_TRUE(image.Encode(&stream));
  const unsigned char* data = stream.GetBuffer(false);
  return Bytes(data, data + stream.Size());
}

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
    CImageFileBMP image;
    ASSERT_TRUE(image.Create(c.width, c.height, c.bpp, keImageFormatBMP));
    const Bytes file = Encoded(image);
    ASSERT_EQ(file.size(), c.size) << c.bpp;
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    unsigned fileSize, offset;
    std::memcpy(&fileSize, &file[2], 4);
    std::memcpy(&offset, &file[10], 4);
    EXPECT_EQ(fileSize, c.size);
    EXPECT_EQ(offset, c.offset);
  }
}

TEST(BmpEncode, RoundTripsEveryDepth) {
  for (unsigned long bpp : {1ul, 4ul, 8ul, 24ul}) {
    CImageFileBMP image;
    ASSERT_TRUE(image.Create(11, 7, bpp, keImageFormatBMP));
    if (bpp <= 8) image.SetStdPalette();
    for (long y = 0; y < 7; ++y) {
      for (long x = 0; x < 11; ++x) {
        image.SetPixelColor(x, y, RGBQUAD{static_cast<BYTE>(x * 20), static_cast<BYTE>(y * 30), static_cast<BYTE>(x * y), 0});
      }
    }
    image.SetXDPI(300);
    const Bytes file = Encoded(image);
    CImageFileBMP decoded;
    ASSERT_TRUE(DecodeBytes(decoded, file)) << decoded.GetLastError();
    EXPECT_EQ(decoded.GetBpp(), image.GetBpp());
    EXPECT_EQ(decoded.GetXDPI(), 300);
    EXPECT_EQ(decoded.GetYDPI(), 96);
    for (long y = 0; y < 7; ++y) {
      for (long x = 0; x < 11; ++x) {
        RGBQUAD a = image.GetPixelColor(x, y), b = decoded.GetPixelColor(x, y);
        ASSERT_EQ(std::memcmp(&a, &b, 3), 0) << bpp << " at " << x << "," << y;
      }
    }
  }
}

TEST(BmpEncode, FailsOnAStreamThatTakesNothing) {
  CImageFileBMP image;
  image.Create(2, 2, 24, keImageFormatBMP);
  CMemoryStream closed;  // no buffer: every write answers 0
  EXPECT_FALSE(image.Encode(&closed));
  EXPECT_STREQ(image.GetLastError(), "Error writing BMP");
  EXPECT_FALSE(image.Encode(nullptr));
  EXPECT_STREQ(image.GetLastError(), "null file handler");
  CImageFileBMP empty;
  CMemoryStream stream;
  stream.Open();
  EXPECT_FALSE(empty.Encode(&stream));
  EXPECT_STREQ(empty.GetLastError(), "null image!!!");
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
  BmpFile bare = plain;
  bare.fileHeader = false;
  BmpFile v5 = plain;
  v5.headerSize = 124;
  BmpFile v3 = plain;
  v3.headerSize = 56;
  BmpFile os2v2 = plain;
  os2v2.headerSize = 64;
  BmpFile old = plain;
  old.headerSize = 12;
  old.palette = GreyPalette(256, 3);
  BmpFile topDown = plain;
  topDown.height = -2;
  topDown.pixels = {3, 4, 0, 0, 1, 2, 0, 0};
  for (const BmpFile* file : {&plain, &bare, &v5, &v3, &os2v2, &old, &topDown}) {
    CImageFileBMP image;
    ASSERT_TRUE(DecodeBytes(image, file->Build())) << image.GetLastError() << " header " << file->headerSize;
    EXPECT_EQ(image.GetWidth(), 2u);
    EXPECT_EQ(image.GetHeight(), 2u);
    EXPECT_EQ(Indexes(image), (std::vector<int>{1, 2, 3, 4})) << file->headerSize;
    EXPECT_EQ(image.GetPaletteColor(1).rgbRed, file->headerSize == 12 ? 1 : 36);
    EXPECT_EQ(image.GetPaletteColor(1).rgbReserved, 0);
    EXPECT_EQ(image.GetType(), keImageFormatBMP);
  }
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
    ASSERT_EQ(b.GetHeight(), 3u);
    for (long y = 0; y < 3; ++y) {
      for (long x = 0; x < 2; ++x) {
        RGBQUAD p = a.GetPixelColor(x, y), q = b.GetPixelColor(x, y);
        EXPECT_EQ(std::memcmp(&p, &q, 3), 0) << c.bits << "/" << c.compression << " at " << x << "," << y;
      }
    }
    EXPECT_NE(a.GetPixelColor(0, 2).rgbRed + a.GetPixelColor(1, 2).rgbRed, 0) << c.bits;
  }
}

TEST(BmpDecode, TinyOldFormFile) {
  // 1 x 1 with the 12-byte header: the whole file is shorter than a 40-byte header.
  BmpFile old;
  old.headerSize = 12;
  old.bits = 1;
  old.palette = {0, 0, 0, 255, 255, 255};
  old.pixels = {0x80, 0, 0, 0};
  CImageFileBMP image;
  ASSERT_TRUE(DecodeBytes(image, old.Build())) << image.GetLastError();
  EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
  EXPECT_EQ(image.GetPixelColor(0, 0).rgbGreen, 255);
}

TEST(BmpDecode, SixteenBitsWithAndWithoutMasks) {
  BmpFile plain;
  plain.width = 2;
  plain.bits = 16;
  plain.pixels = {0xFF, 0x7F, 0x1F, 0x00};  // white and blue in 5-5-5
  CImageFileBMP image;
  ASSERT_TRUE(DecodeBytes(image, plain.Build()));
  EXPECT_EQ(image.GetBpp(), 24);
  RGBQUAD white = image.GetPixelColor(0, 0), blue = image.GetPixelColor(1, 0);
  EXPECT_EQ(white.rgbRed, 0xF8);
  EXPECT_EQ(white.rgbGreen, 0xF8);
  EXPECT_EQ(white.rgbBlue, 0xF8);
  EXPECT_EQ(blue.rgbBlue, 0xF8);
  EXPECT_EQ(blue.rgbRed, 0);

  BmpFile masked = plain;
  masked.compression = 3;
  Put32(masked.masks, 0xF800);
  Put32(masked.masks, 0x07E0);
  Put32(masked.masks, 0x001F);
  masked.pixels = {0xE0, 0x07, 0x00, 0xF8};  // green and red in 5-6-5
  ASSERT_TRUE(DecodeBytes(image, masked.Build()));
  EXPECT_EQ(image.GetPixelColor(0, 0).rgbGreen, 0xFC);
  EXPECT_EQ(image.GetPixelColor(0, 0).rgbRed, 0);
  EXPECT_EQ(image.GetPixelColor(1, 0).rgbRed, 0xF8);

  // A long header carries the masks itself.
  BmpFile v4 = masked;
  v4.headerSize = 108;
  ASSERT_TRUE(DecodeBytes(image, v4.Build()));
  EXPECT_EQ(image.GetPixelColor(0, 0).rgbGreen, 0xFC);
  EXPECT_EQ(image.GetPixelColor(1, 0).rgbRed, 0xF8);
}

TEST(BmpDecode, ThirtyTwoBitsDropTheFourthByte) {
  BmpFile file;
  file.width = 2;
  file.bits = 32;
  file.pixels = {1, 2, 3, 4, 5, 6, 7, 8};
  CImageFileBMP image;
  ASSERT_TRUE(DecodeBytes(image, file.Build()));
  EXPECT_EQ(image.GetBpp(), 24);
  EXPECT_FALSE(image.AlphaIsValid());
  EXPECT_EQ(image.GetPixelColor(1, 0).rgbBlue, 5);
  EXPECT_EQ(image.GetPixelColor(1, 0).rgbRed, 7);
}

TEST(BmpDecode, ThirtyTwoBitMasksInAnyOrder) {
  struct Case {
    const char* what;
    unsigned headerSize, compression;
    unsigned masks[3];  // red, green, blue; none when all are zero
  };
  // Pixel bytes 10 20 30 40: red 10, green 20, blue 30 by the masks of the first two cases.
  const Case cases[] = {
      {"124-byte header, red in the low byte", 124, 3, {0xFF, 0xFF00, 0xFF0000}},
      {"40-byte header and masks", 40, 3, {0xFF, 0xFF00, 0xFF0000}},
      {"standard masks", 124, 3, {0xFF0000, 0xFF00, 0xFF}},
      {"masks of a plain file are not used", 124, 0, {0xFF, 0xFF00, 0xFF0000}},
      {"no masks", 40, 0, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    BmpFile file;
    file.bits = 32;
    file.headerSize = c.headerSize;
    file.compression = c.compression;
    if (c.masks[0]) {
      for (unsigned m : c.masks) Put32(file.masks, m);
    }
    const bool lowRed = c.compression == 3 && c.masks[0] == 0xFF;
    file.pixels = lowRed ? Bytes{10, 20, 30, 40} : Bytes{30, 20, 10, 40};
    CImageFileBMP image;
    ASSERT_TRUE(DecodeBytes(image, file.Build())) << c.what;
    const RGBQUAD p = image.GetPixelColor(0, 0);
    EXPECT_EQ(p.rgbRed, 10) << c.what;
    EXPECT_EQ(p.rgbGreen, 20) << c.what;
    EXPECT_EQ(p.rgbBlue, 30) << c.what;
  }
}

TEST(BmpDecode, RunLength8) {
  BmpFile file;
  file.width = 6;
  file.height = 3;
  file.bits = 8;
  file.compression = 1;
  file.palette = GreyPalette(256);
  file.pixels = {
      3, 7,           // run of three 7s
      0, 3, 1, 2, 3, 0,  // three literal bytes, padded
      0, 0,           // end of row
      0, 2, 2, 1,     // delta: two right, one up
      2, 9,           // run of two 9s at row 2, x = 2
      0, 1,           // end of bitmap
      5, 5,           // never read
  };
  CImageFileBMP image;
  ASSERT_TRUE(DecodeBytes(image, file.Build())) << image.GetLastError();
  EXPECT_EQ(Indexes(image), (std::vector<int>{7, 7, 7, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 9, 9, 0, 0}));
}

TEST(BmpDecode, RunLength8StopsAtARunPastTheRow) {
  BmpFile file;
  file.width = 4;
  file.height = 2;
  file.bits = 8;
  file.compression = 1;
  file.palette = GreyPalette(256);
  file.pixels = {2, 1, 3, 2, 0, 0, 4, 3};  // the second run passes the row's end (4 bytes)
  CImageFileBMP image;
  ASSERT_TRUE(DecodeBytes(image, file.Build()));
  EXPECT_EQ(Indexes(image), (std::vector<int>{1, 1, 0, 0, 0, 0, 0, 0}));
}

TEST(BmpDecode, RunLengthCodesNeverWriteOutsideThePicture) {
  // Deltas far past the top and right, literals longer than the row, a missing end.
  const Bytes hostile = {0, 2, 255, 255, 0, 2, 255, 255, 4, 1, 0, 255, 1, 2, 3, 4, 0, 0,
                         0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 1};
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

TEST(BmpDecode, RunLength4) {
  BmpFile file;
  file.width = 7;
  file.height = 2;
  file.bits = 4;
  file.compression = 2;
  file.palette = GreyPalette(16);
  file.pixels = {
      5, 0x12,              // 1 2 1 2 1
      0, 0,                 // end of row
      0, 3, 0x34, 0x50,     // three literal pixels 3 4 5: two bytes, already even
      0, 2, 1, 0,           // delta one right
      2, 0xEF,              // E F
      0, 1,
  };
  CImageFileBMP image;
  ASSERT_TRUE(DecodeBytes(image, file.Build())) << image.GetLastError();
  EXPECT_EQ(Indexes(image), (std::vector<int>{1, 2, 1, 2, 1, 0, 0, 3, 4, 5, 0, 14, 15, 0}));
}

TEST(BmpDecode, OneBitRunLengthUsesTheByteRules) {
  BmpFile file;
  file.width = 16;
  file.bits = 1;
  file.compression = 1;
  file.palette = GreyPalette(2);
  file.pixels = {1, 0xF0, 1, 0x0F, 0, 1};
  CImageFileBMP image;
  ASSERT_TRUE(DecodeBytes(image, file.Build())) << image.GetLastError();
  EXPECT_EQ(image.GetBits(0)[0], 0xF0);
  EXPECT_EQ(image.GetBits(0)[1], 0x0F);
}

TEST(BmpDecode, PaletteCountsAreBoundedByThePalette) {
  BmpFile file;
  file.width = 2;
  file.bits = 4;
  file.colorsUsed = 1000;  // more entries than 4 bits can use; the rest is skipped
  file.palette = GreyPalette(1000);
  file.pixels = {0x0F, 0, 0, 0};
  CImageFileBMP image;
  ASSERT_TRUE(DecodeBytes(image, file.Build()));
  EXPECT_EQ(image.GetNumColors(), 16u);
  EXPECT_EQ(image.GetPixelIndex(1, 0), 15);
  EXPECT_EQ(image.GetPaletteColor(15).rgbRed, 15 * 255 / 999);
}

TEST(BmpDecode, TruncatedPixelsLeaveClearedRows) {
  BmpFile file;
  file.width = 2;
  file.height = 3;
  file.bits = 24;
  file.pixels = {9, 9, 9, 9, 9, 9, 0, 0, 5};
  Bytes bytes = file.Build();
  CImageFileBMP image;
  ASSERT_TRUE(DecodeBytes(image, bytes));
  EXPECT_EQ(image.GetPixelColor(0, 0).rgbRed, 9);
  EXPECT_EQ(image.GetPixelColor(0, 1).rgbBlue, 5);
  EXPECT_EQ(image.GetPixelColor(1, 2).rgbRed, 0);
}

TEST(BmpDecode, SizeQueryStopsAfterTheHeader) {
  BmpFile file;
  file.width = 300;
  file.height = -200;
  CImageFileBMP image;
  image.SetEscape(-1);
  ASSERT_TRUE(DecodeBytes(image, file.Build()));
  EXPECT_STREQ(image.GetLastError(), "output dimensions returned");
  EXPECT_EQ(image.GetWidth(), 300u);
  EXPECT_EQ(image.GetHeight(), 200u);
  EXPECT_FALSE(image.IsValid());
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
      {"odd long header", with([](BmpFile& f) { f.headerSize = 80; f.compression = 1; }), {}, 0, "Error reading BMP info"},
      {"depth 2", with([](BmpFile& f) { f.bits = 2; }), {}, 0, "Error reading BMP info"},
      {"width 0", with([](BmpFile& f) { f.width = 0; }), {}, 0, "Error reading BMP info"},
      {"negative width", with([](BmpFile& f) { f.width = -4; }), {}, 0, "Error reading BMP info"},
      {"height INT_MIN", with([](BmpFile& f) { f.height = INT32_MIN; }), {}, 0, "Error reading BMP info"},
      {"huge", with([](BmpFile& f) { f.width = 0x7FFFFFFF; f.height = 0x7FFFFFFF; }), {}, 0, "Image too large to decode"},
      // A kilobyte of run-length codes claiming two gigabytes, top-down; 122 bytes claiming 1.7.
      {"RLE8 46340 x -46340", with([](BmpFile& f) { f.bits = 8; f.compression = 1; f.width = 46340; f.height = -46340;
                                                   f.pixels = Bytes(1000, 0); }), {}, 0, "Image too large to decode"},
      {"RLE4 60000 x 60000", with([](BmpFile& f) { f.bits = 4; f.compression = 2; f.width = 60000; f.height = 60000; }),
       {}, 0, "Image too large to decode"},
      {"cancelled", base, {}, 1, "Cancelled"},
      {"24-bit rle", with([](BmpFile& f) { f.compression = 1; }), {}, 0, "unknown compression"},
      {"32-bit rle", with([](BmpFile& f) { f.bits = 32; f.compression = 2; }), {}, 0, "unknown compression"},
      {"8-bit code 4", with([](BmpFile& f) { f.bits = 8; f.compression = 4; }), {}, 0, "compression type not supported"},
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
