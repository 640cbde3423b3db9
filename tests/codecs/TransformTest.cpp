#include <gtest/gtest.h>

#include <vector>

#include "codecs/ImageFile.h"

namespace {

// Every pixel's colour, bottom row first.
std::vector<unsigned> Colors(CImageFile& image) {
  std::vector<unsigned> out;
  for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) {
      RGBQUAD c = image.GetPixelColor(x, y, false);
      out.push_back(c.rgbRed << 16 | c.rgbGreen << 8 | c.rgbBlue);
    }
  }
  return out;
}

void Paint(CImageFile& image) {
  if (image.GetBpp() <= 8) image.SetStdPalette();
  for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) {
      if (image.GetBpp() <= 8) {
        image.SetPixelIndex(x, y, static_cast<BYTE>(x * 3 + y * 5));
      } else {
        image.SetPixelColor(x, y, RGB(x * 20, y * 40, x + y));
      }
    }
  }
}

}  // namespace

TEST(ImageFileTransform, FlipAndMirrorReverseRowsAndColumnsInEveryDepth) {
  for (unsigned long bpp : {1ul, 4ul, 8ul, 24ul}) {
    CImageFile image(11, 5, bpp, 0);
    Paint(image);
    image.AlphaCreate();
    image.AlphaSet(1, 0, 7);
    const std::vector<unsigned> before = Colors(image);

    CImageFile flipped(image);
    ASSERT_TRUE(flipped.Flip());
    CImageFile mirrored(image);
    ASSERT_TRUE(mirrored.Mirror());
    const std::vector<unsigned> flippedColors = Colors(flipped);
    const std::vector<unsigned> mirroredColors = Colors(mirrored);
    for (long y = 0; y < 5; ++y) {
      for (long x = 0; x < 11; ++x) {
        ASSERT_EQ(flippedColors[(4 - y) * 11 + x], before[y * 11 + x]) << bpp << " " << x << "," << y;
        ASSERT_EQ(mirroredColors[y * 11 + (10 - x)], before[y * 11 + x]) << bpp << " " << x << "," << y;
      }
    }
    EXPECT_EQ(flipped.AlphaGet(1, 4), 7);
    EXPECT_EQ(mirrored.AlphaGet(9, 0), 7);
    ASSERT_TRUE(flipped.Flip());
    EXPECT_EQ(Colors(flipped), before);
  }
}

TEST(ImageFileTransform, FlipDropsTheSelection) {
  CImageFile image(3, 3, 24, 0);
  image.SelectionAddPixel(0, 0);
  image.SetJpegQuality(12);
  ASSERT_TRUE(image.Flip());
  EXPECT_FALSE(image.SelectionIsValid());
  EXPECT_EQ(image.GetJpegQuality(), 12);
  CImageFile empty;
  EXPECT_FALSE(empty.Flip());
  EXPECT_FALSE(empty.Mirror());
}
