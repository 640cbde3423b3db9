#include <gtest/gtest.h>

#include "core/ColorRef.h"

namespace corvel {
namespace {

const RGBQUAD kBlackWhite[] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
const RGBQUAD kFour[] = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}, {240, 240, 240, 0}};

TEST(ColorRef, PackedFormsAndChannels) {
  CColorRef color;
  EXPECT_FALSE(color.IsValid());
  color.SetRGB(255, 0, 0);
  COLORREF packed = 0;
  EXPECT_EQ(color.GetColorref(&packed).GetCode(), 0);
  EXPECT_EQ(packed, 0x000000FFu);
  std::uint32_t withAlpha = 0;
  EXPECT_EQ(color.GetColorrefAlpha(&withAlpha).GetCode(), 0);
  EXPECT_EQ(withAlpha, 0xFF0000FFu);

  color.SetColorrefAlpha(0x80332211);
  std::uint8_t bgra[4];
  EXPECT_EQ(color.GetBGRA(bgra).GetCode(), 0);
  EXPECT_EQ(bgra[0], 0x33);
  EXPECT_EQ(bgra[1], 0x22);
  EXPECT_EQ(bgra[2], 0x11);
  EXPECT_EQ(bgra[3], 0x80);
  EXPECT_EQ(color.GetAlpha(), 0x80);

  std::uint16_t r, g, b, a;
  color.Get16(&r, &g, &b, &a);
  EXPECT_EQ(r, 0x1111);
  EXPECT_EQ(a, 0x8080);
  color.SetAlpha(7);
  EXPECT_EQ(color.GetAlpha(), 7);
  EXPECT_EQ(color.GetRed(), 0x11);
}

TEST(ColorRef, GreyReadings) {
  CColorRef color;
  std::uint8_t grey, alpha;
  EXPECT_EQ(color.GetGreyAlpha(&grey, &alpha).GetCode(), keErrorBadArgument);
  color.SetRGB(255, 0, 0);
  EXPECT_EQ(color.GetGreyAlpha(&grey, &alpha).GetCode(), 0);
  EXPECT_EQ(grey, 76);
  const std::uint8_t greyAlpha[] = {90, 30};
  color.SetGreyABytes(greyAlpha);
  std::uint8_t back[2];
  EXPECT_EQ(color.GetGreyABytes(back).GetCode(), 0);
  EXPECT_EQ(back[0], 90);  // (77 + 151 + 28) * 90 >> 8
  EXPECT_EQ(back[1], 30);
  color.Set16(65535, 0, 0, 65535);
  EXPECT_EQ(color.Grey16(), 77u * 65535 >> 8);
}

TEST(ColorRef, PaletteColoursTakeTheNearestEntry) {
  CColorRef color;
  color.Set(200, 200, 200, 255, 2, kBlackWhite);
  EXPECT_TRUE(color.IsIndexed());
  std::int32_t index = -1;
  EXPECT_EQ(color.GetIndex(&index, 2, kBlackWhite).GetCode(), 0);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(color.GetRed(), 255);  // became white

  // Against another palette the stored index no longer names the colour: nearest wins.
  EXPECT_EQ(color.GetIndex(&index, 4, kFour).GetCode(), 0);
  EXPECT_EQ(index, 3);
  std::uint8_t bgr[3];
  EXPECT_EQ(color.GetBGR(bgr, 4, kFour).GetCode(), 0);
  EXPECT_EQ(bgr[0], 240);
}

TEST(ColorRef, IndexBeyondThePaletteIsNotAColour) {
  CColorRef color;
  color.SetIndexAlpha(5, 128, 4, kFour);
  EXPECT_FALSE(color.IsValid());
  std::int32_t index = -1;
  EXPECT_EQ(color.GetIndex(&index).GetCode(), 0);
  EXPECT_EQ(index, 5);
  std::uint8_t r, g, b, a;
  EXPECT_EQ(color.GetRGBA(&r, &g, &b, &a).GetCode(), keErrorBadArgument);
  EXPECT_EQ(color.GetRGBA(&r, &g, &b, &a, 4, kFour).GetCode(), keErrorBadArgument);
  EXPECT_EQ(color.GetRed(4, kFour), -1);

  color.SetIndexAlpha(-1, 255, 4, kFour);  // negative indices never reach the palette
  EXPECT_FALSE(color.IsValid());
  EXPECT_EQ(color.GetRGBA(&r, &g, &b, &a, 4, kFour).GetCode(), keErrorBadArgument);

  color.SetIndex(2, 4, kFour);
  EXPECT_TRUE(color.IsValid());
  EXPECT_EQ(color.GetBlue(), 255);
  EXPECT_EQ(color.GetAlpha(), 255);
}

TEST(ColorRef, EmptyPaletteCountsAsNoPalette) {
  CColorRef color;
  color.Set(10, 20, 30, 255, 0, kFour);
  EXPECT_FALSE(color.IsIndexed());
  EXPECT_EQ(color.GetRed(), 10);
  std::int32_t index;
  EXPECT_EQ(color.GetIndex(&index, 0, kFour).GetCode(), keErrorBadArgument);
}

TEST(ColorRef, AssignCopiesTheColourButNotTheMatchMode) {
  CColorRef source(1, 2, 3, 4), target;
  source.SetMatchMode(keMatchAlways);
  target.Assign(source);
  EXPECT_EQ(target.GetBlue(), 3);
  CColorRef far(200, 200, 200, 255);
  EXPECT_FALSE(target.MatchesStored(keMatchRGB, 10, far));  // still compares channels
}

struct MatchCase {
  int mode, tolerance;
  CColorRef a, b;
  bool matches;
};

TEST(ColorRef, MatchModes) {
  const CColorRef grey(100, 100, 100, 255);
  const MatchCase cases[] = {
      {keMatchRGB, 10, grey, CColorRef(112, 88, 100, 255), true},
      {keMatchRGB, 10, grey, CColorRef(113, 100, 100, 255), false},
      {keMatchLuminance, 2, grey, CColorRef(102, 100, 100, 255), true},   // 60 <= 255
      {keMatchLuminance, 2, grey, CColorRef(100, 105, 100, 255), false},  // 295 > 255
      {keMatchAlpha, 10, CColorRef(0, 0, 0, 100), CColorRef(0, 0, 0, 112), true},
      {keMatchAlpha, 10, CColorRef(0, 0, 0, 100), CColorRef(0, 0, 0, 0), false},
      {keMatchHue, 10, CColorRef(255, 0, 0, 255), CColorRef(255, 60, 0, 255), true},
      {keMatchHue, 10, CColorRef(255, 0, 0, 255), CColorRef(0, 255, 0, 255), false},
      {keMatchHueSaturation, 10, CColorRef(255, 0, 0, 255), CColorRef(250, 5, 0, 255), true},
      {keMatchHueSaturation, 10, CColorRef(255, 0, 0, 255), CColorRef(128, 100, 100, 255), false},
      {keMatchOpaque, 0, grey, CColorRef(0, 0, 0, 255), true},
      {keMatchAlways, 0, grey, CColorRef(0, 0, 0, 0), true},
      {keMatchRGB, 200, grey, CColorRef(0, 0, 0, 0), true},
      {9, 10, grey, grey, false},
  };
  for (const MatchCase& c : cases) {
    EXPECT_EQ(c.a.Matches(c.mode, c.tolerance, c.b), c.matches) << "mode " << c.mode;
    CColorRef stored = c.a;
    stored.SetMatchMode(c.mode);
    if (c.mode <= keMatchHue) {
      EXPECT_EQ(stored.MatchesStored(c.mode, c.tolerance, c.b), c.matches) << "mode " << c.mode;
    }
  }
}

TEST(ColorRef, TransparencyShortcuts) {
  const CColorRef clear(10, 20, 30, 0), alsoClear(200, 100, 0, 0), opaque(10, 20, 30, 255);
  for (int mode = keMatchAlways; mode <= keMatchHue; ++mode) {
    EXPECT_TRUE(clear.Matches(mode, 0, alsoClear)) << mode;
    CColorRef stored = clear;
    stored.SetMatchMode(mode);
    EXPECT_TRUE(stored.MatchesStored(mode, 0, alsoClear)) << mode;
    EXPECT_EQ(clear.Matches(mode, 50, opaque), mode == keMatchAlways) << mode;
    EXPECT_EQ(opaque.Matches(mode, 200, clear), mode != keMatchOpaque) << mode;
  }
  CColorRef invalid;
  EXPECT_FALSE(invalid.Matches(keMatchRGB, 10, opaque));
  EXPECT_TRUE(invalid.Matches(keMatchRGB, 200, opaque));
}

}  // namespace
}  // namespace corvel
