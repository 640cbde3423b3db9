#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <string>

#include "codecs/ImageFilePNG.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TiffBlock.h"

namespace {

// Our alpha plane as a grey picture.
RgbPicture AlphaOf(CImageFile& image) {
  RgbPicture picture{static_cast<long>(image.GetWidth()), static_cast<long>(image.GetHeight()), {}};
  for (long row = 0; row < picture.height; ++row) {
    for (long x = 0; x < picture.width; ++x) {
      const BYTE a = image.AlphaGet(x, picture.height - 1 - row);
      picture.rgb.insert(picture.rgb.end(), {a, a, a});
    }
  }
  return picture;
}

// Where a chunk of this type starts (its length field), and its length; -1 and 0 without one.
long FindChunk(const Bytes& png, const char* type, unsigned* length = nullptr) {
  for (std::size_t i = 8; i + 8 <= png.size();) {
    const unsigned size = static_cast<unsigned>(png[i] << 24 | png[i + 1] << 16 | png[i + 2] << 8 |
                                                png[i + 3]);
    if (std::equal(type, type + 4, png.begin() + static_cast<long>(i) + 4)) {
      if (length) *length = size;
      return static_cast<long>(i);
    }
    i += 12 + size;
  }
  if (length) *length = 0;
  return -1;
}

unsigned ChunkLength(const Bytes& png, const char* type) {
  unsigned length = 0;
  FindChunk(png, type, &length);
  return length;
}

// Rewrites the header chunk's CRC after its data was changed.
void FixHeaderCrc(Bytes& png) {
  const auto i = static_cast<std::size_t>(FindChunk(png, "IHDR"));
  const uLong crc = crc32(0, &png[i + 4], 4 + 13);
  for (int k = 0; k < 4; ++k)
    png[i + 8 + 13 + static_cast<std::size_t>(k)] = static_cast<unsigned char>(crc >> (24 - 8 * k));
}

}  // namespace

TEST(Png, OurFilesReadBackTheSame) {
  struct Case {
    const char* what;
    unsigned long bpp;
    bool alpha;
    bool interlaced;
  } cases[] = {{"1 bit", 1, false, false},
               {"4 bits", 4, false, true},
               {"8 bits", 8, false, false},
               {"24 bits", 24, false, false},
               {"24 bits interlaced", 24, false, true},
               {"24 bits with alpha", 24, true, false},
               {"8 bits with alpha", 8, true, true}};
  for (const Case& c : cases) {
    CImageFile image(29, 13, c.bpp, keImageFormatUnknown);
    if (c.bpp <= 8) image.SetStdPalette();
    if (c.alpha) image.AlphaCreate();
    for (long y = 0; y < 13; ++y) {
      for (long x = 0; x < 29; ++x) {
        if (c.bpp <= 8) {
          image.SetPixelIndex(x, y, static_cast<BYTE>((x + 3 * y) % image.GetNumColors()));
        } else {
          image.SetPixelColor(
              x, y,
              RGBQUAD{static_cast<BYTE>(x * 8), static_cast<BYTE>(y * 19), static_cast<BYTE>(x * y), 0});
        }
        if (c.alpha) image.AlphaSet(x, y, static_cast<BYTE>(x * 9));
      }
    }
    image.SetCodecOption(c.interlaced ? 1 : 0, keImageFormatPNG);
    image.SetXDPI(96);  // 3780 pixels a metre
    image.SetYDPI(300);
    const Bytes png = EncodeToBytes(image, keImageFormatPNG);
    CImageFilePNG again;
    ASSERT_TRUE(DecodeBytes(again, png)) << c.what << ": " << again.GetLastError();
    EXPECT_EQ(again.GetBpp(), c.alpha ? 24 : c.bpp) << c.what;
    EXPECT_EQ(again.GetCodecOption(keImageFormatPNG), c.interlaced ? 1u : 0u) << c.what;
    EXPECT_EQ(MaxDifference(FromImage(image), FromImage(again)), 0) << c.what;
    EXPECT_EQ(again.GetXDPI(), 96);
    EXPECT_EQ(again.GetYDPI(), 300);
    if (c.alpha) {
      EXPECT_EQ(MaxDifference(AlphaOf(image), AlphaOf(again)), 0) << c.what;
      // The background chunk we always write (white) becomes the image's background colour.
      const RGBQUAD background = again.GetTransColor();
      EXPECT_EQ(background.rgbRed + background.rgbGreen + background.rgbBlue, 3 * 255) << c.what;
    }
  }
}

TEST(Png, PaletteIsCutToTheIndicesUsedOnSmallImages) {
  struct Case {
    unsigned long side;
    unsigned entries;
  } cases[] = {{100, 10}, {300, 256}};
  for (const Case& c : cases) {
    CImageFile image(c.side, c.side, 8, keImageFormatUnknown);
    image.SetStdPalette();
    for (long y = 0; y < static_cast<long>(c.side); ++y) {
      for (long x = 0; x < static_cast<long>(c.side); ++x)
        image.SetPixelIndex(x, y, static_cast<BYTE>((x + y) % 10));
    }
    const Bytes png = EncodeToBytes(image, keImageFormatPNG);
    EXPECT_EQ(ChunkLength(png, "PLTE"), 3 * c.entries) << c.side;
    CImageFilePNG again;
    ASSERT_TRUE(DecodeBytes(again, png));
    EXPECT_EQ(MaxDifference(FromImage(image), FromImage(again)), 0);
  }
}

TEST(Png, TransparentIndexMovesToEntryZero) {
  CImageFile image(16, 16, 8, keImageFormatUnknown);
  image.SetStdPalette();
  for (long y = 0; y < 16; ++y) {
    for (long x = 0; x < 16; ++x) image.SetPixelIndex(x, y, static_cast<BYTE>(x));
  }
  const RGBQUAD entry0 = image.GetPaletteColor(0);
  const RGBQUAD entry5 = image.GetPaletteColor(5);
  const RgbPicture before = FromImage(image);
  image.SetTransIndex(5);
  const Bytes png = EncodeToBytes(image, keImageFormatPNG);
  EXPECT_EQ(ChunkLength(png, "tRNS"), 1u);
  // The image itself now has the swap, and the same picture.
  EXPECT_EQ(image.GetTransIndex(), 0);
  EXPECT_EQ(image.GetPaletteColor(0).rgbRed, entry5.rgbRed);
  EXPECT_EQ(image.GetPaletteColor(5).rgbRed, entry0.rgbRed);
  EXPECT_EQ(MaxDifference(before, FromImage(image)), 0);
  CImageFilePNG again;
  ASSERT_TRUE(DecodeBytes(again, png));
  EXPECT_EQ(again.GetTransIndex(), 0);
  EXPECT_FALSE(again.AlphaPaletteIsEnabled());
  EXPECT_EQ(again.GetPixelIndex(5, 0), 0);
}

TEST(Png, TransparentColourOfAColourImageBecomesAlpha) {
  CImageFile image(8, 2, 24, keImageFormatUnknown);
  const RGBQUAD key{10, 20, 30, 0};
  image.SetPixelColor(3, 1, key);
  image.SetTransColor(key);
  image.SetTransIndex(0);
  CImageFilePNG again;
  ASSERT_TRUE(DecodeBytes(again, EncodeToBytes(image, keImageFormatPNG)));
  ASSERT_TRUE(again.AlphaIsValid());
  EXPECT_EQ(again.AlphaGet(3, 1), 0);
  EXPECT_EQ(again.AlphaGet(2, 1), 255);
  EXPECT_FALSE(image.AlphaIsValid());  // the plane was only for the file
}

TEST(Png, BrokenFilesAreRefused) {
  CImageFile picture(12, 9, 24, keImageFormatUnknown);
  const Bytes good = EncodeToBytes(picture, keImageFormatPNG);
  const std::size_t header = static_cast<std::size_t>(FindChunk(good, "IHDR")) + 8;
  auto withHeaderByte = [&](std::size_t offset, unsigned char value, bool fixCrc) {
    Bytes png = good;
    png[header + offset] = value;
    if (fixCrc) FixHeaderCrc(png);
    return png;
  };
  Bytes huge = good;
  for (std::size_t i = 0; i < 8; ++i) huge[header + i] = i % 4 == 1 ? 0x01 : 0;  // 65536 x 65536
  FixHeaderCrc(huge);
  Bytes badSignature = good;
  badSignature[1] = 'Q';
  struct Case {
    const char* what;
    Bytes bytes;
    long escape;
    const char* text;
  } cases[] = {
      {"empty", Bytes{}, 0, "the file ends early"},
      {"signature", badSignature, 0, "Not a PNG file"},
      {"header checksum", withHeaderByte(0, 0x7F, false), 0, "IHDR: CRC error"},
      {"colour type 1", withHeaderByte(9, 1, true), 0, "Invalid IHDR data"},
      {"bit depth 3", withHeaderByte(8, 3, true), 0, "Invalid IHDR data"},
      {"cut in the image data", Bytes(good.begin(), good.begin() + FindChunk(good, "IDAT") + 12), 0,
       "the file ends early"},
      {"no end chunk", Bytes(good.begin(), good.end() - 12), 0, "the file ends early"},
      {"65536 x 65536 pixels", huge, 0, "Image too large to decode"},
      {"cancelled", good, 1, ""},
  };
  for (const Case& c : cases) {
    CImageFilePNG image;
    image.SetEscape(c.escape);
    EXPECT_FALSE(DecodeBytes(image, c.bytes)) << c.what;
    EXPECT_STREQ(image.GetLastError(), c.text) << c.what;
  }
}
