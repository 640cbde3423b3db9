#include <gtest/gtest.h>

#include <cstring>

#include "codecs/ImageFile.h"

TEST(ImageFileAttributes, DpiSetsPixelsPerMetre) {
  struct Case {
    long dpi, stored, perMetre;
  };
  constexpr long kMost = 2147483647;
  const Case cases[] = {{0, 96, 3780},
                        {-5, 96, 3780},
                        {300, 300, 11811},
                        {72, 72, 2835},
                        {54600000, 54600000, kMost},
                        {kMost, kMost, kMost},
                        {4290000000, kMost, kMost}};
  for (const Case& c : cases) {
    CImageFile image;
    image.SetXDPI(c.dpi);
    image.SetYDPI(c.dpi);
    ASSERT_TRUE(image.Create(1, 1, 24, 0));
    BITMAPINFOHEADER header;
    std::memcpy(&header, image.GetDIB(), sizeof(header));
    EXPECT_EQ(image.GetXDPI(), c.stored);
    EXPECT_EQ(image.GetYDPI(), c.stored);
    EXPECT_EQ(header.biXPelsPerMeter, c.perMetre);
    EXPECT_EQ(header.biYPelsPerMeter, c.perMetre);
  }
}

TEST(ImageFileAttributes, TransparentColourComesFromThePaletteBelow24Bits) {
  CImageFile indexed(2, 2, 8, 0);
  indexed.SetPaletteColor(3, 10, 20, 30);
  indexed.SetTransColor(RGBQUAD{1, 2, 3, 200});
  indexed.SetTransIndex(3);
  EXPECT_TRUE(indexed.IsTransparent());
  EXPECT_EQ(indexed.GetTransColor().rgbRed, 10);

  CImageFile rgb(2, 2, 24, 0);
  rgb.SetTransIndex(3);
  rgb.SetTransColor(RGBQUAD{1, 2, 3, 200});
  RGBQUAD c = rgb.GetTransColor();
  EXPECT_EQ(c.rgbBlue, 1);
  EXPECT_EQ(c.rgbRed, 3);
  EXPECT_EQ(c.rgbReserved, 0);  // stored without its reserved byte
}

TEST(ImageFileAttributes, CodecOptionsStayInsideTheirTable) {
  CImageFile tiff(keImageFormatTIF);
  EXPECT_TRUE(tiff.SetCodecOption(5));
  EXPECT_EQ(tiff.GetCodecOption(keImageFormatTIF), 5u);
  EXPECT_EQ(tiff.GetCodecOption(), 5u);
  EXPECT_EQ(tiff.GetCodecOption(keImageFormatBMP), 0u);
  EXPECT_EQ(tiff.GetCodecOption(16), 0u);
  EXPECT_FALSE(tiff.SetCodecOption(1, 16));

  CImageFile foreign(1234);  // a type outside the table is never used as an index
  EXPECT_FALSE(foreign.SetCodecOption(7));
  EXPECT_EQ(foreign.GetCodecOption(), 0u);
}
