#include <gtest/gtest.h>

#include "codecs/ImageFile.h"
#include "codecs/detail/Quad.h"

TEST(ImageFileAlpha, PlaneStartsOpaqueAndIsKeptByALaterCreate) {
  CImageFile image(3, 2, 24, 0);
  EXPECT_FALSE(image.AlphaIsValid());
  image.AlphaCreate();
  EXPECT_EQ(image.AlphaGet(2, 1), 255);
  image.AlphaSet(2, 1, 7);
  image.AlphaCreate();
  EXPECT_EQ(image.AlphaGet(2, 1), 7);
  image.AlphaInvert();
  EXPECT_EQ(image.AlphaGet(2, 1), 248);
  // Outside the image there is no alpha.
  EXPECT_EQ(image.AlphaGet(-1, 0), 0);
  EXPECT_EQ(image.AlphaGetPointer(3, 0), nullptr);
  image.AlphaSet(5, 5, 1);  // ignored
  CImageFile empty;
  empty.AlphaCreate();  // no pixels, no plane
  EXPECT_FALSE(empty.AlphaIsValid());
}

TEST(ImageFileAlpha, CopyAndSetNeedTheSameSizeAndOneBytePixels) {
  CImageFile source(3, 2, 24, 0);
  source.AlphaCreate();
  source.AlphaSet(1, 1, 33);
  source.AlphaSetMax(99);
  CImageFile other(2, 2, 24, 0);
  EXPECT_FALSE(other.AlphaCopy(source));
  CImageFile same(3, 2, 8, 0);
  EXPECT_TRUE(same.AlphaCopy(source));
  EXPECT_EQ(same.AlphaGet(1, 1), 33);
  EXPECT_EQ(same.AlphaGetMax(), 99);

  CImageFile grey(3, 2, 8, 0);
  grey.SetGrayPalette();
  grey.SetPixelIndex(2, 1, 123);
  EXPECT_TRUE(source.AlphaSet(grey));
  EXPECT_EQ(source.AlphaGet(2, 1), 123);
  // An identity ramp of 16 entries passes the grey test, but its rows are not one byte a pixel.
  CImageFile ramp(3, 2, 4, 0);
  for (int i = 0; i < 16; ++i)
    ramp.SetPaletteColor(static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i),
                         static_cast<BYTE>(i));
  ASSERT_TRUE(ramp.IsGrayScale());
  EXPECT_FALSE(source.AlphaSet(ramp));
}

TEST(ImageFileAlpha, FlipAndMirrorMoveThePlane) {
  CImageFile image(3, 2, 24, 0);
  EXPECT_FALSE(image.AlphaFlip());
  image.AlphaCreate();
  image.AlphaSet(0, 0, 1);
  ASSERT_TRUE(image.AlphaFlip());
  EXPECT_EQ(image.AlphaGet(0, 1), 1);
  ASSERT_TRUE(image.AlphaMirror());
  EXPECT_EQ(image.AlphaGet(2, 1), 1);
  EXPECT_EQ(image.AlphaGet(0, 1), 255);
}

TEST(ImageFileAlpha, SplitsIntoGreyImages) {
  CImageFile image(3, 2, 24, 0);
  CImageFile plane;
  EXPECT_FALSE(image.AlphaSplit(&plane));
  image.AlphaCreate();
  image.AlphaSet(1, 0, 42);
  ASSERT_TRUE(image.AlphaSplit(&plane));
  EXPECT_TRUE(plane.IsGrayScale());
  EXPECT_EQ(plane.GetPixelIndex(1, 0), 42);

  CImageFile indexed(2, 1, 4, 0);
  EXPECT_FALSE(indexed.AlphaPaletteIsValid());
  indexed.SetPaletteColor(3, 1, 2, 3, 90);
  indexed.SetPixelIndex(1, 0, 3);
  ASSERT_TRUE(indexed.AlphaPaletteSplit(&plane));
  EXPECT_EQ(plane.GetPixelIndex(1, 0), 90);
  EXPECT_EQ(plane.GetPixelIndex(0, 0), 0);
}

TEST(ImageFileAlpha, StripFlattensOverTheBackground) {
  struct Case {
    BYTE alpha, max;
    BYTE expected;
  };
  // Colour 200 over a black background.
  const Case cases[] = {
      {0, 255, 0}, {255, 255, 200}, {128, 255, 200 * 128 / 255}, {255, 128, 200 * 128 / 255}};
  for (const Case& c : cases) {
    CImageFile image(2, 1, 24, 0);
    image.SetPixelColor(0, 0, Quad(200, 200, 200));
    image.SetTransColor(Quad(0, 0, 0));
    image.AlphaCreate();
    image.AlphaSet(0, 0, c.alpha);
    image.AlphaSetMax(c.max);
    image.AlphaStrip();
    EXPECT_FALSE(image.AlphaIsValid());
    EXPECT_EQ(image.GetPixelColor(0, 0).rgbRed, c.expected) << int(c.alpha) << " " << int(c.max);
  }
}

TEST(ImageFileAlpha, StripOfAPaletteImageMakesItTrueColour) {
  CImageFile image(2, 1, 8, keImageFormatBMP);
  image.SetPaletteColor(1, 250, 100, 0, 0);
  image.SetPaletteColor(2, 250, 100, 0, 255);
  image.SetPixelIndex(0, 0, 1);
  image.SetPixelIndex(1, 0, 2);
  image.SetTransColor(Quad(10, 20, 30));
  image.AlphaStrip();
  EXPECT_EQ(image.GetBpp(), 24);
  EXPECT_EQ(image.GetPalette(), nullptr);
  RGBQUAD transparent = image.GetPixelColor(0, 0);
  RGBQUAD opaque = image.GetPixelColor(1, 0);
  EXPECT_EQ(transparent.rgbRed, 10);
  EXPECT_EQ(transparent.rgbBlue, 30);
  EXPECT_EQ(opaque.rgbRed, 250);
  EXPECT_EQ(opaque.rgbGreen, 100);
}
