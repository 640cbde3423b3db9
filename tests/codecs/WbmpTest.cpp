#include <gtest/gtest.h>

#include "codecs/ImageFileWBMP.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TiffBlock.h"

TEST(Wbmp, RoundTripsIndexesTopRowFirstWithMultiByteSides) {
  struct Case {
    unsigned long width, height;
    Bytes header;
  };
  const Case cases[] = {{10, 3, {0, 0, 10, 3}}, {200, 130, {0, 0, 0x81, 0x48, 0x81, 0x02}}};
  for (const Case& c : cases) {
    CImageFile image(c.width, c.height, 1, keImageFormatWBMP);
    image.SetGrayPalette();
    image.SetPixelIndex(0, static_cast<long>(c.height) - 1, 1);  // top left
    image.SetPixelIndex(static_cast<long>(c.width) - 1, 0, 1);   // bottom right
    image.SetPixelIndex(4, 1, 1);
    const Bytes file = EncodeToBytes(image, keImageFormatWBMP);
    const std::size_t rowBytes = (c.width + 7) / 8;
    ASSERT_EQ(file.size(), c.header.size() + c.height * rowBytes);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + static_cast<long>(c.header.size())), c.header);
    EXPECT_EQ(file[c.header.size()], 0x80);  // the top row comes first
    CImageFileWBMP decoded;
    ASSERT_TRUE(DecodeBytes(decoded, file)) << decoded.GetLastError();
    EXPECT_EQ(FromImage(decoded).rgb, FromImage(image).rgb);
    EXPECT_EQ(decoded.GetPaletteColor(1).rgbRed, 255);
  }
}

TEST(Wbmp, EncodeRefusesWhatTheFormatCannotHold) {
  struct Case {
    unsigned long width, height, bpp;
  };
  for (const Case& c : {Case{256, 1, 1}, Case{1, 256, 1}, Case{4, 4, 4}, Case{4, 4, 24}}) {
    CImageFile image(c.width, c.height, c.bpp, keImageFormatWBMP);
    EXPECT_TRUE(EncodeToBytes(image, keImageFormatWBMP).empty());
    EXPECT_STREQ(image.GetLastError(), "Can't save this image as WBMP");
  }
}

TEST(Wbmp, DecodeFailuresNameTheirCause) {
  struct Case {
    Bytes bytes;
    const char* error;
  };
  const Case cases[] = {
      {{0, 0}, "Not a WBMP"},
      {{0, 0, 0x81}, "Not a WBMP"},
      {{1, 0, 2, 2, 0, 0}, "Unsupported WBMP type"},
      {{0, 0, 0, 2, 0, 0}, "Corrupted WBMP"},
      {{0, 0, 2, 0}, "Corrupted WBMP"},
      {{0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1}, "Corrupted WBMP"},  // wider than any image
      {{0, 0, 9, 2, 0xFF, 0xFF, 0xFF}, "the file ends early"},      // rows cut short
      {{0, 0, 0x87, 0xFF, 0xFF, 0xFF, 0x7F, 0x87, 0xFF, 0xFF, 0xFF, 0x7F, 0}, "Image too large to decode"},
      {{0, 0, 0x83, 0xB5, 0x04, 0x83, 0xB5, 0x04, 0}, "Image too large to decode"},  // 55940 x 55940
  };
  for (const Case& c : cases) {
    CImageFileWBMP image;
    EXPECT_FALSE(DecodeBytes(image, c.bytes));
    EXPECT_STREQ(image.GetLastError(), c.error) << c.bytes.size();
  }
  CImageFileWBMP image;
  EXPECT_FALSE(image.Decode(nullptr));
}
