#include <gtest/gtest.h>

#include <vector>

#include "codecs/ImageFile.h"
#include "codecs/detail/Quad.h"

namespace {
bool SameRgb(RGBQUAD a, RGBQUAD b) {
  return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}
}  // namespace

TEST(ImageFilePixels, IndexesArePackedHighBitsFirst) {
  CImageFile four(8, 1, 4, 0);
  four.GetBits(0)[1] = 0xAB;
  EXPECT_EQ(four.GetPixelIndex(2, 0), 0xA);
  EXPECT_EQ(four.GetPixelIndex(3, 0), 0xB);
  four.SetPixelIndex(3, 0, 0x14);  // only the low nibble is stored
  EXPECT_EQ(four.GetBits(0)[1], 0xA4);

  CImageFile one(16, 1, 1, 0);
  one.SetPixelIndex(9, 0, 3);
  EXPECT_EQ(one.GetBits(0)[1], 0x40);
  EXPECT_EQ(one.GetPixelIndex(9, 0), 1);
  one.SetPixelIndex(9, 0, 2);
  EXPECT_EQ(one.GetBits(0)[1], 0x00);
}

TEST(ImageFilePixels, OutsideReadsFollowTheTransparentIndex) {
  CImageFile rgb(3, 3, 24, 0);
  rgb.SetPixelColor(0, 0, Quad(1, 2, 3));
  rgb.SetTransColor(Quad(9, 9, 9));
  EXPECT_TRUE(SameRgb(rgb.GetPixelColor(-1, 0), Quad(1, 2, 3)));
  rgb.SetTransIndex(0);
  EXPECT_TRUE(SameRgb(rgb.GetPixelColor(-1, 0), Quad(9, 9, 9)));

  CImageFile indexed(3, 3, 8, 0);
  indexed.SetPaletteColor(5, 50, 60, 70);
  indexed.GetBits(0)[0] = 4;
  EXPECT_EQ(indexed.GetPixelIndex(7, 7), 4);  // the first byte of the rows
  indexed.SetTransIndex(5);
  EXPECT_EQ(indexed.GetPixelIndex(7, 7), 5);
  EXPECT_TRUE(SameRgb(indexed.GetPixelColor(3, 0), Quad(50, 60, 70)));
  EXPECT_EQ(CImageFile().GetPixelIndex(0, 0), 0);
}

TEST(ImageFilePixels, ColourWritesGoToTheNearestEntryOrTheAlphaPlane) {
  CImageFile indexed(2, 1, 4, 0);
  indexed.SetStdPalette();
  indexed.SetPixelColor(0, 0, Quad(0xFF, 0x10, 0x00));
  EXPECT_EQ(indexed.GetPixelIndex(0, 0), 9);  // FF0000

  CImageFile rgb(2, 1, 24, 0);
  rgb.AlphaCreate();
  rgb.SetPixelColor(1, 0, Quad(1, 2, 3, 77), true);
  EXPECT_EQ(rgb.AlphaGet(1, 0), 77);
  rgb.SetPixelColor(1, 0, Quad(1, 2, 3, 11), false);
  EXPECT_EQ(rgb.AlphaGet(1, 0), 77);
  rgb.SetPixelColor(0, 0, RGB(10, 20, 30));
  EXPECT_TRUE(SameRgb(rgb.GetPixelColor(0, 0), Quad(10, 20, 30)));
  EXPECT_EQ(rgb.GetPixelGray(0, 0), (601 * 20 + 306 * 10 + 117 * 30) >> 10);
}

TEST(ImageFilePixels, NearestIndexPrefersTheFirstOfEqualCandidates) {
  CImageFile image(1, 1, 4, 0);
  image.SetPaletteColor(5, 100, 100, 100);
  image.SetPaletteColor(9, 100, 100, 100);
  EXPECT_EQ(image.GetNearestIndex(Quad(100, 100, 100)), 5);
  image.SetPaletteColor(0, 255, 255, 255);
  image.SetPaletteColor(2, 10, 0, 0);
  image.SetPaletteColor(7, 30, 0, 0);
  for (int i : {1, 3, 4, 6, 8, 10, 11, 12, 13, 14, 15})
    image.SetPaletteColor(static_cast<BYTE>(i), 255, 255, 255);
  EXPECT_EQ(image.GetNearestIndex(Quad(20, 0, 0)), 2);
  // The cached answer is dropped by a palette change.
  image.SetPaletteColor(7, 20, 0, 0);
  EXPECT_EQ(image.GetNearestIndex(Quad(20, 0, 0)), 7);
  // Only the important colours are searched.
  image.SetClrImportant(7);
  EXPECT_EQ(image.GetNearestIndex(Quad(20, 0, 0)), 2);
}

TEST(ImageFilePixels, PaletteAccessorsStayInsideThePalette) {
  CImageFile image(1, 1, 4, 0);
  image.SetPaletteColor(20, 1, 2, 3);  // past the 16 entries: nothing happens
  EXPECT_EQ(image.GetPaletteColor(20).rgbRed, 0);
  BYTE r = 9, g = 9, b = 9;
  EXPECT_FALSE(image.GetPaletteColor(20, &r, &g, &b));
  unsigned char ramp[300];
  for (int i = 0; i < 300; ++i) ramp[i] = static_cast<unsigned char>(i);
  image.SetPalette(300, ramp);  // one array gives a grey palette, cut to 16 entries
  EXPECT_EQ(image.GetPaletteColor(15).rgbBlue, 15);
  CImageFile rgb(1, 1, 24, 0);
  rgb.SetPalette(300, ramp);
  EXPECT_EQ(rgb.GetPalette(), nullptr);
}

TEST(ImageFilePixels, BlendPaletteClampsThePercentage) {
  CImageFile image(1, 1, 1, 0);
  image.SetPaletteColor(0, 100, 100, 100);
  image.BlendPalette(RGB(200, 0, 50), 150);
  EXPECT_TRUE(SameRgb(image.GetPaletteColor(0), Quad(200, 0, 50)));
  image.SetPaletteColor(1, 100, 100, 100);
  image.BlendPalette(RGB(0, 0, 0), 50);
  EXPECT_TRUE(SameRgb(image.GetPaletteColor(1), Quad(50, 50, 50)));
  image.BlendPalette(RGB(255, 255, 255), -20);
  EXPECT_TRUE(SameRgb(image.GetPaletteColor(1), Quad(50, 50, 50)));
}

TEST(ImageFilePixels, BlendAndTransparency) {
  CImageFile image(2, 1, 24, 0);
  image.SetPixelColor(0, 0, Quad(0, 100, 200));
  image.BlendPixelColor(0, 0, Quad(200, 100, 0), 0.5f);
  EXPECT_TRUE(SameRgb(image.GetPixelColor(0, 0), Quad(100, 100, 100)));
  image.BlendPixelColor(0, 0, Quad(255, 255, 255), 7.0f);  // weights beyond 1 count as 1
  EXPECT_TRUE(SameRgb(image.GetPixelColor(0, 0), Quad(255, 255, 255)));

  image.SetTransColor(Quad(255, 255, 255));
  image.SetTransIndex(0);
  EXPECT_TRUE(image.IsTransparent(0, 0));
  EXPECT_FALSE(image.IsTransparent(1, 0));
  image.AlphaCreate();
  image.AlphaSet(1, 0, 0);
  EXPECT_TRUE(image.IsTransparent(1, 0));
  CImageFile indexed(2, 1, 8, 0);
  indexed.SetPixelIndex(1, 0, 4);
  indexed.SetTransIndex(4);
  EXPECT_TRUE(indexed.IsTransparent(1, 0));
  EXPECT_FALSE(indexed.IsTransparent(0, 0));
}

TEST(ImageFilePixels, DrawLineIncludesBothEnds) {
  struct Case {
    int x0, x1, y0, y1;
    std::vector<std::pair<int, int>> pixels;
  };
  const Case cases[] = {
      {0, 3, 0, 1, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
      {3, 0, 1, 0, {{3, 1}, {2, 1}, {1, 0}, {0, 0}}},
      {1, 1, 0, 3, {{1, 0}, {1, 1}, {1, 2}, {1, 3}}},
      {-2, 1, 2, 2, {{0, 2}, {1, 2}}},  // pixels outside are skipped
  };
  for (const Case& c : cases) {
    CImageFile image(4, 4, 8, 0);
    image.SetPaletteColor(1, 255, 255, 255);
    image.DrawLine(c.x0, c.x1, c.y0, c.y1, RGB(255, 255, 255));
    int drawn = 0;
    for (long y = 0; y < 4; ++y) {
      for (long x = 0; x < 4; ++x) drawn += image.GetPixelIndex(x, y) == 1;
    }
    EXPECT_EQ(drawn, static_cast<int>(c.pixels.size()));
    for (auto [x, y] : c.pixels) EXPECT_EQ(image.GetPixelIndex(x, y), 1) << x << "," << y;
  }
}
