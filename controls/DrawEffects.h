// The markup drawer's drawing toolbox: named background fills, bitmaps and icons with grey,
// darken and lighten effects, mask colours and drop shadows, tiled bitmaps, and frames and
// rules in the drawer's border styles.
#pragma once
#include <cstdint>
#include <string_view>

#include "controls/PaletteDib.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/Icons.h"

// Image style bits of the markup's image tags.
constexpr int kImageGrey = 1, kImageDarken = 2, kImageLighten = 4;
constexpr int kImageHardShadow = 0x100, kImageSoftShadow = 0x200;
constexpr int kImageShadows = kImageHardShadow | kImageSoftShadow;
// Pixel-effect flags of DrawEffects::MakeEffectBitmap besides the three above.
constexpr int kEffectReplace = 8, kEffectInvert = 0x8000;

// A fill effect's code by name: "transparent" -1, "solid" 0 .. "metal" 15; an empty value
// keeps `current`, an unknown one is read as a number.
int ParseEffectName(std::string_view value, int current);

COLORREF GreyColor(COLORREF colour);
COLORREF DarkenColor(COLORREF colour, double factor);
COLORREF LightenColor(COLORREF colour, double factor);
COLORREF InvertColor(COLORREF colour);

class DrawEffects {
 public:
  void FillBackground(HDC dc, int effect, const RECT& rect, COLORREF start, COLORREF middle, COLORREF end,
                      int granularity, int colouring);
  // 64 bands from colour1 toward colour2.
  static void Gradient(HDC dc, int left, int top, int right, int bottom, COLORREF colour1, COLORREF colour2,
                       bool horizontal);
  // Computes effects 7..15 into the picture that FillBackground then draws.
  void FillEffect(int x1, int y1, int x2, int y2, int effect, int granularity, int colouring, COLORREF start,
                  COLORREF middle, COLORREF end);
  const PaletteDib& EffectPicture() const { return picture; }

  // `shadowSpace`: the image has room reserved for a shadow at (shadowDx, shadowDy).
  static void DrawBitmap(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, bool hasMask,
                         COLORREF maskColor, int style, bool shadowSpace, int shadowDx, int shadowDy,
                         int blurX, int blurY, COLORREF shadowColor);
  static void DrawIcon(HDC dc, int x, int y, int width, int height, HICON icon, int style, bool shadowSpace,
                       int shadowDx, int shadowDy, int blurX, int blurY, COLORREF shadowColor);
  // A copy of width x height of the bitmap with the pixel effects applied; null when it
  // cannot be made.
  static HBITMAP MakeEffectBitmap(HBITMAP bitmap, int width, int height, int flags, bool hasMask,
                                  COLORREF maskColor, COLORREF replaceColor);
  // Darkens the device under the mask's first channel, blurred over blurX x blurY when soft.
  static void DrawShadow(HDC dc, int x, int y, int width, int height, HBITMAP shadowMask, bool soft,
                         int blurX, int blurY);

  static void DrawFrame(HDC dc, int left, int top, int right, int bottom, COLORREF light, COLORREF dark,
                        int borderStyle, int width);
  static void DrawRectFrame(HDC dc, const RECT& rect, COLORREF light, COLORREF dark, int borderStyle,
                            int width) {
    DrawFrame(dc, rect.left, rect.top, rect.right, rect.bottom, light, dark, borderStyle, width);
  }
  static void DrawStyledLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour, int borderStyle,
                             int width);
  static void TileBitmap(HDC dc, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                         int tileWidth, int tileHeight);

  static SIZE BitmapSize(HBITMAP bitmap);
  // Twice the hot spot, the icon's own size.
  static SIZE IconSize(HICON icon);
  static HICON StretchIcon(HICON icon, int width, int height);

 private:
  int NextRandom();

  PaletteDib picture;
  std::uint32_t randomState = 1;
};
