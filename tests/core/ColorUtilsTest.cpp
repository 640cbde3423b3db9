#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "core/ColorUtils.h"

namespace corvel {
namespace {

std::vector<std::uint8_t> GreyRamp() {
  std::vector<std::uint8_t> palette(256 * 4);
  for (int i = 0; i < 256; ++i) {
    palette[i * 4] = palette[i * 4 + 1] = palette[i * 4 + 2] = static_cast<std::uint8_t>(i);
  }
  return palette;
}

TEST(NearestPaletteIndex, SmallestDistanceAndFirstOnTies) {
  std::vector<std::uint8_t> ramp = GreyRamp();
  EXPECT_EQ(NearestPaletteIndex(10, 10, 12, ramp.data(), 256, 4), 11);  // 3 at 11 against 4 at 10
  EXPECT_EQ(NearestPaletteIndex(255, 255, 255, ramp.data(), 256, 4), 255);

  const std::uint8_t twice[] = {0, 0, 255, 0, 9, 9, 9, 0, 9, 9, 9, 0};
  EXPECT_EQ(NearestPaletteIndex(9, 9, 9, twice, 3, 4), 1);
  EXPECT_EQ(NearestPaletteIndex(1, 2, 3, nullptr, 0, 4), 0);
}

TEST(Hsl8, KnownColours) {
  struct Case {
    int r, g, b, hue, saturation, lightness;
  };
  const Case cases[] = {
      {255, 0, 0, 0, 255, 128},   {0, 255, 0, 85, 255, 128},   {0, 0, 255, 171, 255, 128},
      {128, 128, 128, 0, 0, 128}, {255, 255, 0, 43, 255, 127}, {255, 0, 255, 213, 255, 127},
      {0, 0, 0, 0, 0, 0},         {255, 0, 1, 0, 255, 127},    {100, 50, 50, 0, 85, 75},
  };
  for (const Case& c : cases) {
    Hsl hsl = RgbToHsl8(c.r, c.g, c.b);
    EXPECT_EQ(hsl.hue, c.hue) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(hsl.saturation, c.saturation) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(hsl.lightness, c.lightness) << c.r << "," << c.g << "," << c.b;
  }
}

TEST(Hsl8, TiesAtSectorEdgesAgreeWithNeighbours) {
  // Equal largest or smallest channels sit on a sector edge; either formula gives one hue.
  EXPECT_EQ(RgbToHsl8(200, 100, 200).hue, 213);
  EXPECT_EQ(RgbToHsl8(100, 200, 200).hue, 128);
  EXPECT_EQ(RgbToHsl8(200, 100, 100).hue, 0);
}

TEST(Hsl12, KnownColoursAndRoundTrip) {
  EXPECT_EQ(RgbToHsl12(0, 255, 0).hue, 1365);
  EXPECT_EQ(RgbToHsl12(0, 0, 255).hue, 2731);
  Hsl red = RgbToHsl12(255, 0, 0);
  EXPECT_EQ(red.hue, 0);
  EXPECT_EQ(red.saturation, 4080);
  EXPECT_EQ(red.lightness, 2040);

  Rgb8 grey = HslToRgb12(1234, 0, 2047);
  EXPECT_EQ(grey.red, 128);
  EXPECT_EQ(grey.green, 128);
  EXPECT_EQ(grey.blue, 128);

  Rgb8 pureRed = HslToRgb12(0, 4080, 2040);
  EXPECT_EQ(pureRed.red, 255);
  EXPECT_EQ(pureRed.green, 0);
  EXPECT_EQ(pureRed.blue, 0);
  Rgb8 pureGreen = HslToRgb12(1360, 4080, 2040);
  EXPECT_EQ(pureGreen.red, 0);
  EXPECT_EQ(pureGreen.green, 255);
  EXPECT_EQ(pureGreen.blue, 0);
}

TEST(HueChromaLuma, GreysPrimariesAndRoundTrip) {
  HueChromaLuma grey = RgbToHueChromaLuma(90, 90, 90);
  EXPECT_EQ(grey.hue, -1);
  EXPECT_EQ(grey.chroma, 0);
  EXPECT_EQ(grey.luma, 1440);
  Rgb8 back = HueChromaLumaToRgb(-1, 0, grey.luma);
  EXPECT_EQ(back.red, 90);
  EXPECT_EQ(back.blue, 90);

  HueChromaLuma blue = RgbToHueChromaLuma(0, 0, 255);
  EXPECT_EQ(blue.hue, 2720);
  EXPECT_EQ(blue.chroma, 4080);
  EXPECT_EQ(blue.luma, 448);
  EXPECT_EQ(RgbToHueChromaLuma(255, 0, 255).hue, 3400);  // red largest, blue above green

  // Saturated colours come back within a unit of rounding.
  const std::array<std::array<int, 3>, 5> colours{
      {{255, 0, 0}, {0, 255, 0}, {10, 200, 90}, {240, 120, 30}, {60, 60, 250}}};
  for (const auto& c : colours) {
    HueChromaLuma hcl = RgbToHueChromaLuma(c[0], c[1], c[2]);
    Rgb8 rgb = HueChromaLumaToRgb(hcl.hue, hcl.chroma, hcl.luma);
    EXPECT_NEAR(rgb.red, c[0], 1) << c[0] << "," << c[1] << "," << c[2];
    EXPECT_NEAR(rgb.green, c[1], 1) << c[0] << "," << c[1] << "," << c[2];
    EXPECT_NEAR(rgb.blue, c[2], 1) << c[0] << "," << c[1] << "," << c[2];
  }
  Rgb8 hostile = HueChromaLumaToRgb(100000, 99999, 99999);  // clamped, no division by zero
  EXPECT_EQ(hostile.red, 255);
}

TEST(ByteHelpers, FillSwapAndFlip) {
  std::array<std::uint8_t, 3> element{1, 2, 3};
  std::vector<std::uint8_t> filled(3 * 7 + 1, 0xEE);
  FillWithElement(filled.data(), element.data(), 3, 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(filled[i * 3], 1);
    EXPECT_EQ(filled[i * 3 + 2], 3);
  }
  EXPECT_EQ(filled.back(), 0xEE);

  std::vector<std::uint8_t> rows{0, 0, 1, 1, 2, 2};
  FlipRowsInPlace(rows.data(), 2, 3);
  EXPECT_EQ(rows, (std::vector<std::uint8_t>{2, 2, 1, 1, 0, 0}));
  FlipRowsInPlace(rows.data(), 2, 1);
  EXPECT_EQ(rows.front(), 2);

  std::vector<std::uint8_t> a{1, 2, 3}, b{7, 8, 9};
  SwapRowsReversed(a.data(), b.data(), 1, 3);
  EXPECT_EQ(a, (std::vector<std::uint8_t>{9, 8, 7}));
  EXPECT_EQ(b, (std::vector<std::uint8_t>{3, 2, 1}));
  SwapByteRanges(a.data(), b.data(), 2);
  EXPECT_EQ(a, (std::vector<std::uint8_t>{3, 2, 7}));
}

}  // namespace
}  // namespace corvel
