#include <gtest/gtest.h>

#include "codecs/ImageFile.h"

namespace {

// A horizontal grey ramp from black to white.
CImageFile Ramp(long width, long height) {
  CImageFile image(width, height, 24, 0);
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      const BYTE level = static_cast<BYTE>(x * 255 / (width - 1));
      image.SetPixelColor(x, y, RGB(level, level, level));
    }
  }
  return image;
}

double MeanGrey(CImageFile& image) {
  double sum = 0;
  for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) sum += image.GetPixelColor(x, y).rgbGreen;
  }
  return sum / (image.GetWidth() * image.GetHeight());
}

}  // namespace

// Error diffusion keeps the mean within 1 %; the ordered methods (1 and 7) within one of their
// sixteen threshold steps.
TEST(ImageFileColorDepth, DitherKeepsTheRampsMean) {
  CImageFile ramp = Ramp(256, 64);
  const double mean = MeanGrey(ramp);
  for (long method = 0; method <= 7; ++method) {
    CImageFile dithered(ramp);
    ASSERT_TRUE(dithered.Dither(method));
    ASSERT_EQ(dithered.GetBpp(), 1);
    const bool ordered = method == 1 || method == 7;
    EXPECT_NEAR(MeanGrey(dithered), mean, ordered ? 255.0 / 16 : 0.01 * mean) << "method " << method;
    CImageFile reference(ramp);
    if (method == 0) {
      ASSERT_TRUE(reference.Dither(9));  // an unknown method acts as method 0
      for (long x = 0; x < 256; x += 5)
        ASSERT_EQ(reference.GetPixelIndex(x, 7), dithered.GetPixelIndex(x, 7));
    }
  }
}

TEST(ImageFileColorDepth, DecreaseWithErrorDiffusionKeepsTheMean) {
  CImageFile ramp = Ramp(256, 32);
  const double mean = MeanGrey(ramp);
  CImageFile twoLevels(ramp);
  ASSERT_TRUE(twoLevels.DecreaseBpp(1, true));
  EXPECT_NEAR(MeanGrey(twoLevels), mean, 0.01 * mean);
  // Without a palette, 1 bit is black at index 0 and white at index 1.
  EXPECT_EQ(twoLevels.GetPaletteColor(0).rgbRed, 0);
  EXPECT_EQ(twoLevels.GetPaletteColor(1).rgbRed, 255);
  EXPECT_EQ(twoLevels.GetPixelIndex(255, 0), 1);
  CImageFile nearest(ramp);
  ASSERT_TRUE(nearest.DecreaseBpp(8, false));
  EXPECT_EQ(nearest.GetBpp(), 8);
  EXPECT_FALSE(nearest.DecreaseBpp(24, false));
  ASSERT_TRUE(nearest.IncreaseBpp(24));
  EXPECT_EQ(nearest.GetPixelColor(255, 3).rgbRed, 255);
}

TEST(ImageFileColorDepth, GreyAndNegative) {
  CImageFile image(3, 2, 24, 0);
  image.SetPixelColor(0, 0, RGB(255, 0, 0));
  image.SetPixelColor(1, 0, RGB(0, 255, 0));
  image.SetPixelColor(2, 0, RGB(0, 0, 255));
  CImageFile negative(image);
  ASSERT_TRUE(negative.Negative());
  EXPECT_EQ(negative.GetPixelColor(0, 0).rgbGreen, 255);
  EXPECT_EQ(negative.GetPixelColor(0, 0).rgbRed, 0);
  ASSERT_TRUE(image.GrayScale());
  ASSERT_EQ(image.GetBpp(), 8);
  EXPECT_EQ(image.GetPixelIndex(0, 0), (306 * 255) >> 10);
  EXPECT_EQ(image.GetPixelIndex(1, 0), (601 * 255) >> 10);
  EXPECT_EQ(image.GetPixelIndex(2, 0), (117 * 255) >> 10);
  // A grey palette image negates its indices.
  ASSERT_TRUE(image.Negative());
  EXPECT_EQ(image.GetPixelIndex(2, 0), 255 - ((117 * 255) >> 10));
}
