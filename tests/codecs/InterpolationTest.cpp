#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "codecs/ImageFile.h"
#include "codecs/detail/Quad.h"

using Method = CImageFile::InterpolationMethod;
using Overflow = CImageFile::OverflowMethod;

namespace {

unsigned Packed(RGBQUAD c) {
  return static_cast<unsigned>(c.rgbReserved) << 24 | c.rgbRed << 16 | c.rgbGreen << 8 | c.rgbBlue;
}

void Fill(CImageFile& image, RGBQUAD c) {
  for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) image.SetPixelColor(x, y, c);
  }
}

}  // namespace

TEST(ImageFileKernels, ValuesAtDistances) {
  struct Row {
    const char* name;
    std::function<float(float)> kernel;
    float values[8];
  };
  // Distances 0, 0.25, -0.5, 0.5, 1, -1.5, 2.5, 9.
  const float at[8] = {0, 0.25f, -0.5f, 0.5f, 1, -1.5f, 2.5f, 9};
  const Row table[] = {
      {"BSpline",
       CImageFile::KernelBSpline,
       {0.666667f, 0.611979f, 0.479167f, 0.479167f, 0.166667f, 0.020833f, 0, 0}},
      {"Linear", CImageFile::KernelLinear, {1, 0.75f, 0.5f, 0.5f, 0, 0, 0, 0}},
      {"Cubic", CImageFile::KernelCubic, {1, 0.890625f, 0.625f, 0.625f, 0, -0.125f, 0, 0}},
      {"GeneralizedCubic",
       [](float x) { return CImageFile::KernelGeneralizedCubic(x, -0.5f); },
       {1, 0.867188f, 0.5625f, 0.5625f, 0, -0.0625f, 0, 0}},
      {"Lanczos",
       [](float x) { return CImageFile::KernelLanczosSinc(x, 6); },
       {1, 0.897747f, 0.629372f, 0.629372f, 0, -0.191053f, 0.093954f, 0}},
      {"Box", CImageFile::KernelBox, {1, 1, 1, 0, 0, 0, 0, 0}},
      {"Hermite", CImageFile::KernelHermite, {1, 0.84375f, 0.5f, 0.5f, 0, 0, 0, 0}},
      {"Hamming", CImageFile::KernelHamming, {1, 0.85625f, 0.54f, 0.54f, 0, 0, 0, 0}},
      {"Sinc", CImageFile::KernelSinc, {1, 0.900316f, 0.636620f, 0.636620f, 0, -0.212207f, 0.127324f, 0}},
      {"Blackman", CImageFile::KernelBlackman, {1, 0.773553f, 0.34f, 0.34f, 0, 0.34f, 0.34f, 0}},
      {"Bessel",
       CImageFile::KernelBessel,
       {0.785398f, 0.726376f, 0.566824f, 0.566824f, 0.142308f, -0.093886f, 0.042253f, 0.005818f}},
      {"Gaussian",
       CImageFile::KernelGaussian,
       {0.797885f, 0.704131f, 0.483941f, 0.483941f, 0.107982f, 0.008864f, 3e-6f, 0}},
      {"Quadratic", CImageFile::KernelQuadratic, {0.75f, 0.6875f, 0.5f, 0.5f, 0.125f, 0, 0, 0}},
      {"Mitchell",
       CImageFile::KernelMitchell,
       {0.888889f, 0.782118f, 0.534722f, 0.534722f, 0.055556f, -0.034722f, 0, 0}},
      {"Catrom", CImageFile::KernelCatrom, {1, 0.867188f, 0.5625f, 0.5625f, 0, -0.0625f, 0, 0}},
  };
  for (const Row& row : table) {
    for (int i = 0; i < 8; ++i) {
      EXPECT_NEAR(row.kernel(at[i]), row.values[i], 2e-5f) << row.name << " at " << at[i];
    }
  }
}

TEST(ImageFileInterpolation, OverflowFoldsCoordinates) {
  CImageFile image(10, 4, 24, 0);
  struct Case {
    Overflow method;
    long x, expected;
  };
  const Case cases[] = {{Overflow::Wrap, -1, 9},   {Overflow::Wrap, 23, 3},   {Overflow::Mirror, -1, 1},
                        {Overflow::Mirror, 10, 9}, {Overflow::Repeat, -7, 0}, {Overflow::Repeat, 12, 9},
                        {Overflow::Color, -1, -1}, {Overflow::Wrap, 5, 5}};
  for (const Case& c : cases) {
    long x = c.x, y = 2;
    image.OverflowCoordinates(x, y, c.method);
    EXPECT_EQ(x, c.expected) << static_cast<int>(c.method) << " " << c.x;
    float fx = static_cast<float>(c.x), fy = 2;
    image.OverflowCoordinates(fx, fy, c.method);
    EXPECT_EQ(fx, static_cast<float>(c.expected)) << static_cast<int>(c.method) << " " << c.x;
  }
}

TEST(ImageFileInterpolation, OutsidePixels) {
  CImageFile image(4, 4, 24, 0);
  Fill(image, Quad(10, 20, 30));
  EXPECT_EQ(Packed(image.GetPixelColorWithOverflow(-1, 0, Overflow::Color)), 0x00FFFFFFu);
  image.SetTransIndex(0);
  image.SetTransColor(Quad(1, 2, 3));
  EXPECT_EQ(Packed(image.GetPixelColorWithOverflow(9, 0, Overflow::Background)), 0x00010203u);
  image.AlphaCreate();
  const RGBQUAD red = Quad(255, 0, 0, 77);
  EXPECT_EQ(Packed(image.GetPixelColorWithOverflow(0, 9, Overflow::Transparent, &red)), 0x00FF0000u);
  // A 4 x 4 kernel far outside answers the background without reading a pixel.
  EXPECT_EQ(Packed(image.GetPixelColorInterpolated(-500, 3, Method::Catrom, Overflow::Background)),
            0x00010203u);
  // Coordinates no image has, and NaN, are outside rather than undefined.
  EXPECT_EQ(Packed(image.GetPixelColorInterpolated(3e30f, 1, Method::Bilinear, Overflow::Color, &red)),
            Packed(red));
  EXPECT_EQ(Packed(image.GetPixelColorInterpolated(NAN, 1, Method::Lanczos, Overflow::Wrap, &red)),
            Packed(red));
}

TEST(ImageFileInterpolation, PixelCentresAndAreasOfOneGiveThePixel) {
  CImageFile image(6, 5, 24, 0);
  for (long y = 0; y < 5; ++y) {
    for (long x = 0; x < 6; ++x)
      image.SetPixelColor(x, y, Quad(static_cast<BYTE>(x * 40), static_cast<BYTE>(y * 50), 7));
  }
  const RGBQUAD centre = image.GetPixelColor(2, 3);
  EXPECT_EQ(Packed(image.GetPixelColorInterpolated(2, 3, Method::Bilinear, Overflow::Repeat)),
            Packed(centre));
  EXPECT_EQ(Packed(image.GetPixelColorInterpolated(2, 3, Method::Nearest, Overflow::Repeat)), Packed(centre));
  EXPECT_EQ(Packed(image.GetAreaColorInterpolated(2, 3, 1, 1, Method::Bilinear, Overflow::Repeat)),
            Packed(image.GetPixelColorInterpolated(2, 3, Method::Bilinear, Overflow::Repeat)));
  // Halfway between two columns: the mean of both.
  EXPECT_EQ(image.GetPixelColorInterpolated(2.5f, 3, Method::Bilinear, Overflow::Repeat).rgbRed, 100);
  // A 2 x 2 area on pixel corners: the mean of four pixels, alpha too.
  image.AlphaCreate();
  image.AlphaSet(3, 2, 15);
  const RGBQUAD area = image.GetAreaColorInterpolated(2.5f, 1.5f, 2, 2, Method::Bilinear, Overflow::Repeat);
  EXPECT_EQ(area.rgbRed, 100);
  EXPECT_EQ(area.rgbGreen, 75);
  EXPECT_EQ(area.rgbReserved, (255 * 3 + 15) / 4);
}

// Every method and every overflow keeps a flat colour flat, inside and outside the image, when
// the replacement colour is that colour.
TEST(ImageFileInterpolation, FlatColourStaysFlat) {
  for (unsigned long bpp : {8ul, 24ul}) {
    CImageFile image(9, 7, bpp, 0);
    if (bpp == 8) image.SetGrayPalette();
    const RGBQUAD flat = bpp == 8 ? Quad(93, 93, 93) : Quad(201, 37, 118);
    Fill(image, flat);
    for (int method = 0; method <= 17; ++method) {
      for (int overflow = 0; overflow <= 7; ++overflow) {
        for (float x : {-3.7f, -0.5f, 0.0f, 1.3f, 4.5f, 8.9f, 30.2f}) {
          for (float y : {-1.2f, 2.75f, 6.9f}) {
            RGBQUAD c = image.GetPixelColorInterpolated(x, y, static_cast<Method>(method),
                                                        static_cast<Overflow>(overflow), &flat);
            c.rgbReserved = 0;
            ASSERT_EQ(Packed(c), Packed(flat))
                << bpp << " method " << method << " overflow " << overflow << " at " << x << "," << y;
          }
        }
        RGBQUAD area = image.GetAreaColorInterpolated(3.3f, 2.1f, 2.6f, 0.7f, static_cast<Method>(method),
                                                      static_cast<Overflow>(overflow), &flat);
        area.rgbReserved = 0;
        ASSERT_EQ(Packed(area), Packed(flat)) << bpp << " method " << method << " overflow " << overflow;
      }
    }
  }
}
