#include <gtest/gtest.h>

#include "controls/DrawEffects.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"

namespace {

// A white memory device context to draw on.
class Page {
 public:
  Page(int width, int height)
      : dc(CreateCompatibleDC(nullptr)),
        bitmap(CreateCompatibleBitmap(nullptr, width, height)),
        old(SelectObject(dc, bitmap)) {
    PatBlt(dc, 0, 0, width, height, WHITENESS);
  }
  ~Page() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

HBITMAP SolidBitmap(int width, int height, COLORREF colour) {
  Page page(width, height);
  RECT all{0, 0, width, height};
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(page.dc, &all, brush);
  DeleteObject(brush);
  HBITMAP result = CreateCompatibleBitmap(nullptr, width, height);
  HDC copy = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(copy, result);
  BitBlt(copy, 0, 0, width, height, page.dc, 0, 0, SRCCOPY);
  SelectObject(copy, old);
  DeleteDC(copy);
  return result;
}

TEST(DrawEffects, GradientBandsStopShortOfTheEndColour) {
  Page wide(64, 4);
  DrawEffects::Gradient(wide.dc, 0, 0, 64, 4, 0x000000, 0xFFFFFF, true);
  EXPECT_EQ(wide.At(0, 2), 0x000000u);
  EXPECT_EQ(wide.At(1, 2), 0x030303u);
  EXPECT_EQ(wide.At(63, 2), 0xFBFBFBu);
  // Half as wide: every other band is empty, so each pixel shows an odd band.
  Page narrow(32, 4);
  DrawEffects::Gradient(narrow.dc, 0, 0, 32, 4, 0x000000, 0xFFFFFF, true);
  EXPECT_EQ(narrow.At(0, 0), 0x030303u);
  EXPECT_EQ(narrow.At(31, 3), 0xFBFBFBu);
  Page tall(4, 64);
  DrawEffects effects;
  effects.FillBackground(tall.dc, 4, RECT{0, 0, 4, 64}, 0x0000FF, 0, 0xFF0000, 5, 0);
  // Two 32-row halves, start to end and back: each row shows an odd band.
  EXPECT_EQ(tall.At(0, 0), RGB(251, 0, 3));
  EXPECT_EQ(tall.At(0, 31), RGB(3, 0, 251));
  EXPECT_EQ(tall.At(0, 63), RGB(251, 0, 3));
}

TEST(DrawEffects, ComputedFillsByIndex) {
  DrawEffects effects;
  effects.FillEffect(0, 0, 16, 8, 7, 0, 0, 0x0000FF, 0x00FF00, 0xFF0000);
  const PaletteDib& picture = effects.EffectPicture();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(picture.PixelIndex(x, y), 128) << x << "," << y;
  EXPECT_EQ(picture.PaletteEntry(0).rgbBlue, 0xFF);     // the end colour
  EXPECT_GE(picture.PaletteEntry(128).rgbGreen, 0xFC);  // about the middle colour
  EXPECT_EQ(picture.PaletteEntry(255).rgbRed, 0xFF);    // the start colour

  effects.FillEffect(0, 0, 10, 100, 9, 5, 0, 0, 0, 0);
  for (int x = 0; x < 10; ++x) {
    EXPECT_LE(picture.PixelIndex(x, 99), 10);  // the bottom row: 5 and its grain
    EXPECT_GE(picture.PixelIndex(x, 0), 245);
    EXPECT_EQ(picture.PixelIndex(x, 50), picture.PixelIndex(0, 50));
  }
}

TEST(DrawEffects, DegenerateFillsDoNotDivideByZero) {
  DrawEffects effects;
  for (int effect = 7; effect <= 15; ++effect) {
    effects.FillEffect(0, 0, 1, 1, effect, 5, 0, 0, 0, 0);
    effects.FillEffect(0, 0, 2, 1, effect, 255, 50, 0, 0, 0);
    effects.FillEffect(0, 0, 40000, 1, effect, 5, 0, 0, 0, 0);
    EXPECT_EQ(effects.EffectPicture().Width(), 40000);
  }
  Page page(8, 8);
  effects.FillBackground(page.dc, 15, RECT{0, 0, 0, 8}, 0, 0, 0, 5, 0);
  EXPECT_EQ(page.At(0, 0), 0xFFFFFFu);
}

TEST(DrawEffects, ColourHelpersAndEffectNames) {
  EXPECT_EQ(GreyColor(RGB(255, 0, 0)), RGB(76, 76, 76));
  EXPECT_EQ(DarkenColor(RGB(200, 100, 4), 0.75), RGB(150, 75, 3));
  EXPECT_EQ(DarkenColor(RGB(200, 100, 4), 1.0), RGB(200, 100, 4));
  EXPECT_EQ(LightenColor(RGB(200, 100, 4), 0.25), RGB(250, 125, 5));
  EXPECT_EQ(LightenColor(RGB(240, 0, 0), 0.25), RGB(255, 0, 0));
  EXPECT_EQ(InvertColor(0xFF123456), 0x00EDCBA9u);
  EXPECT_EQ(ParseEffectName("metal", 3), 15);
  EXPECT_EQ(ParseEffectName("transparent", 3), -1);
  EXPECT_EQ(ParseEffectName("3vgradient", 3), 6);
  EXPECT_EQ(ParseEffectName("", 3), 3);
  EXPECT_EQ(ParseEffectName("9", 3), 9);
}

TEST(DrawEffects, DoubleFrameAndLine) {
  Page page(24, 24);
  DrawEffects::DrawFrame(page.dc, 2, 2, 18, 18, 0x0000FF, 0xFF0000, 6, 1);
  EXPECT_EQ(page.At(2, 10), 0x0000FFu);
  EXPECT_EQ(page.At(3, 10), 0xFFFFFFu);
  EXPECT_EQ(page.At(4, 10), 0x0000FFu);
  EXPECT_EQ(page.At(10, 4), 0x0000FFu);
  EXPECT_EQ(page.At(18, 10), 0xFF0000u);
  EXPECT_EQ(page.At(16, 10), 0xFF0000u);
  EXPECT_EQ(page.At(17, 10), 0xFFFFFFu);
  Page line(24, 24);
  DrawEffects::DrawStyledLine(line.dc, 2, 5, 20, 5, 0x00FF00, 6, 1);
  EXPECT_EQ(line.At(10, 5), 0x00FF00u);
  EXPECT_EQ(line.At(10, 7), 0x00FF00u);
  EXPECT_EQ(line.At(10, 6), 0xFFFFFFu);
  DrawEffects::DrawStyledLine(line.dc, 2, 10, 20, 10, 0x00FF00, 0, 1);
  EXPECT_EQ(line.At(10, 10), 0xFFFFFFu);
}

TEST(DrawEffects, SoftShadowInsetBlurredAndAtMostHalf) {
  HBITMAP red = SolidBitmap(20, 20, 0x0000FF);
  Page page(40, 40);
  DrawEffects::DrawBitmap(page.dc, 5, 5, 20, 20, red, false, 0, kImageSoftShadow, true, 4, 4, 7, 7, 0x808080);
  EXPECT_EQ(page.At(5, 5), 0x0000FFu);
  EXPECT_EQ(page.At(24, 24), 0x0000FFu);
  // The shadow's mask fills columns 3..15 of its 20 x 20 box at (9, 9); column 16 sees three
  // of its seven neighbours in shadow.
  const BYTE expected = static_cast<BYTE>(255 * ((3 * 128 + 4 * 255) / (7 * 255.0)));
  EXPECT_EQ(page.At(25, 15), RGB(expected, expected, expected));
  EXPECT_EQ(page.At(28, 28), 0xFFFFFFu);
  for (int y = 0; y < 40; ++y)
    for (int x = 25; x < 40; ++x) ASSERT_GE(GetRValue(page.At(x, y)), 127) << x << "," << y;
  // Without a shadow of its own the image sits where the shadow would be.
  Page pressed(40, 40);
  DrawEffects::DrawBitmap(pressed.dc, 5, 5, 20, 20, red, false, 0, 0, true, 4, 4, 7, 7, 0x808080);
  EXPECT_EQ(pressed.At(5, 5), 0xFFFFFFu);
  EXPECT_EQ(pressed.At(9, 9), 0x0000FFu);
  DeleteObject(red);
}

TEST(DrawEffects, MaskColourAndPixelEffects) {
  HBITMAP magenta = SolidBitmap(4, 4, 0xFF00FF);
  Page page(8, 8);
  DrawEffects::DrawBitmap(page.dc, 0, 0, 4, 4, magenta, true, 0xFF00FF, 0, false, 4, 4, 7, 7, 0x808080);
  EXPECT_EQ(page.At(1, 1), 0xFFFFFFu);
  DrawEffects::DrawBitmap(page.dc, 4, 4, 4, 4, magenta, false, 0, kImageGrey, false, 4, 4, 7, 7, 0x808080);
  EXPECT_EQ(page.At(5, 5), GreyColor(0xFF00FF));
  DeleteObject(magenta);
}

TEST(DrawEffects, TilesRepeatAndClipAtTheEdges) {
  HBITMAP tile = CreateCompatibleBitmap(nullptr, 3, 2);
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(source, tile);
  PatBlt(source, 0, 0, 3, 2, WHITENESS);
  SetPixel(source, 0, 0, 0x0000FF);
  Page page(10, 10);
  DrawEffects::TileBitmap(page.dc, 1, 1, 7, 5, source, 0, 0, 3, 2);
  EXPECT_EQ(page.At(7, 5), 0x0000FFu);
  EXPECT_EQ(page.At(4, 3), 0x0000FFu);
  EXPECT_EQ(page.At(8, 1), 0xFFFFFFu);
  DrawEffects::TileBitmap(page.dc, -2000000000, -2000000000, 2100000000, 2100000000, source, 0, 0, 1, 1);
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(tile);
}

}  // namespace
