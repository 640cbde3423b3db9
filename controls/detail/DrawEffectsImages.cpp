// The image half of the drawing toolbox: pixel effects, masks and drop shadows.
#include <algorithm>
#include <vector>

#include "controls/DrawEffects.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"

namespace {

// A memory device context with a bitmap selected for the life of the object.
class SelectedBitmap {
 public:
  explicit SelectedBitmap(HBITMAP bitmap) : dc(CreateCompatibleDC(nullptr)), old(SelectObject(dc, bitmap)) {}
  ~SelectedBitmap() {
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  SelectedBitmap(const SelectedBitmap&) = delete;
  SelectedBitmap& operator=(const SelectedBitmap&) = delete;
  operator HDC() const { return dc; }
  bool Valid() const { return old != nullptr; }

 private:
  HDC dc;
  HGDIOBJ old;
};

COLORREF PixelColour(const BYTE* pixel) { return RGB(pixel[2], pixel[1], pixel[0]); }
void SetPixelColour(BYTE* pixel, COLORREF colour) {
  pixel[0] = GetBValue(colour);
  pixel[1] = GetGValue(colour);
  pixel[2] = GetRValue(colour);
  pixel[3] = 255;
}

// Sums of every blurX x blurY window of the grid, by running sums along rows, then columns.
std::vector<double> BoxSums(const std::vector<double>& grid, int gridWidth, int gridHeight, int blurX,
                            int blurY) {
  const int width = gridWidth - blurX + 1, height = gridHeight - blurY + 1;
  std::vector<double> rows(static_cast<size_t>(width) * gridHeight);
  for (int y = 0; y < gridHeight; ++y) {
    const double* line = &grid[static_cast<size_t>(y) * gridWidth];
    double sum = 0;
    for (int x = 0; x < blurX; ++x) sum += line[x];
    for (int x = 0; x < width; ++x) {
      rows[static_cast<size_t>(y) * width + x] = sum;
      if (x + blurX < gridWidth) sum += line[x + blurX] - line[x];
    }
  }
  std::vector<double> sums(static_cast<size_t>(width) * height);
  for (int x = 0; x < width; ++x) {
    double sum = 0;
    for (int y = 0; y < blurY; ++y) sum += rows[static_cast<size_t>(y) * width + x];
    for (int y = 0; y < height; ++y) {
      sums[static_cast<size_t>(y) * width + x] = sum;
      if (y + blurY < gridHeight)
        sum += rows[static_cast<size_t>(y + blurY) * width + x] - rows[static_cast<size_t>(y) * width + x];
    }
  }
  return sums;
}

}  // namespace

HBITMAP DrawEffects::MakeEffectBitmap(HBITMAP bitmap, int width, int height, int flags, bool hasMask,
                                      COLORREF maskColor, COLORREF replaceColor) {
  BYTE* bits = nullptr;
  HBITMAP result = platform::CreateTopDownSection(width, height, &bits);
  if (!result) return nullptr;
  {
    SelectedBitmap target(result), source(bitmap);
    if (!target.Valid() || !source.Valid()) {
      DeleteObject(result);
      return nullptr;
    }
    BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY);
  }
  for (size_t i = 0, count = static_cast<size_t>(width) * height; i < count; ++i) {
    BYTE* pixel = bits + 4 * i;
    COLORREF colour = PixelColour(pixel);
    if (hasMask && colour == maskColor) {
      colour = 0;
    } else {
      if (flags & kImageGrey) colour = GreyColor(colour);
      if (flags & kImageDarken) colour = DarkenColor(colour, 0.75);
      if (flags & kImageLighten) colour = LightenColor(colour, 0.25);
      if (flags & kEffectReplace) colour = replaceColor;
    }
    if (flags & kEffectInvert) colour = InvertColor(colour);
    SetPixelColour(pixel, colour);
  }
  return result;
}

void DrawEffects::DrawShadow(HDC dc, int x, int y, int width, int height, HBITMAP shadowMask, bool soft,
                             int blurX, int blurY) {
  BYTE* maskBits = nullptr;
  BYTE* screenBits = nullptr;
  HBITMAP mask = platform::CreateTopDownSection(width, height, &maskBits);
  HBITMAP screen = platform::CreateTopDownSection(width, height, &screenBits);
  if (mask && screen) {
    if (soft) {
      blurX = std::max(1, blurX | 1);
      blurY = std::max(1, blurY | 1);
    }
    {
      SelectedBitmap target(mask), source(shadowMask), under(screen);
      if (soft) {
        PatBlt(target, 0, 0, width, height, WHITENESS);
        if (width > blurX && height > blurY)
          StretchBlt(target, blurX / 2, blurY / 2, width - blurX, height - blurY, source, 0, 0, width, height,
                     SRCCOPY);
      } else {
        BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY);
      }
      BitBlt(under, 0, 0, width, height, dc, x, y, SRCCOPY);
    }
    std::vector<double> factors(static_cast<size_t>(width) * height);
    if (soft) {
      // The mask centred in a white border, so that the window of every pixel lies inside.
      const int gridWidth = width + blurX - 1, gridHeight = height + blurY - 1;
      std::vector<double> grid(static_cast<size_t>(gridWidth) * gridHeight, 255.0);
      for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
          grid[static_cast<size_t>(row + blurY / 2) * gridWidth + column + blurX / 2] =
              maskBits[(static_cast<size_t>(row) * width + column) * 4];
      const std::vector<double> sums = BoxSums(grid, gridWidth, gridHeight, blurX, blurY);
      // A division, not a reciprocal, so that an unshadowed window gives exactly 1.
      const double whole = static_cast<double>(blurX) * blurY * 255;
      for (size_t i = 0; i < factors.size(); ++i) factors[i] = sums[i] / whole;
    } else {
      for (size_t i = 0; i < factors.size(); ++i) factors[i] = maskBits[i * 4] * 0.00392156862745098;
    }
    for (size_t i = 0; i < factors.size(); ++i)
      SetPixelColour(screenBits + 4 * i, DarkenColor(PixelColour(screenBits + 4 * i), factors[i]));
    SelectedBitmap under(screen);
    BitBlt(dc, x, y, width, height, under, 0, 0, SRCCOPY);
  }
  if (mask) DeleteObject(mask);
  if (screen) DeleteObject(screen);
}

void DrawEffects::DrawBitmap(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, bool hasMask,
                             COLORREF maskColor, int style, bool shadowSpace, int shadowDx, int shadowDy,
                             int blurX, int blurY, COLORREF shadowColor) {
  const SIZE size = BitmapSize(bitmap);
  if (size.cx < 1 || width < 1 || height < 1) return;
  BYTE* workBits = nullptr;
  HBITMAP work = platform::CreateTopDownSection(width, height, &workBits);
  if (!work) return;
  {
    SelectedBitmap target(work), source(bitmap);
    StretchBlt(target, 0, 0, width, height, source, 0, 0, size.cx, size.cy, SRCCOPY);
  }
  HBITMAP mask = MakeEffectBitmap(work, width, height, kEffectReplace | kEffectInvert, hasMask, maskColor,
                                  0xFFFFFF);
  HBITMAP colour = MakeEffectBitmap(work, width, height, style, hasMask, maskColor, 0xFFFFFF);
  if (mask && colour) {
    if (shadowSpace && (style & kImageShadows)) {
      if (HBITMAP shadow = MakeEffectBitmap(work, width, height, kEffectReplace | kEffectInvert, hasMask,
                                            maskColor, InvertColor(shadowColor))) {
        DrawShadow(dc, x + shadowDx, y + shadowDy, width, height, shadow, (style & kImageSoftShadow) != 0,
                   blurX, blurY);
        DeleteObject(shadow);
      }
    } else if (shadowSpace) {
      x += shadowDx;
      y += shadowDy;
    }
    SelectedBitmap maskDc(mask), colourDc(colour);
    BitBlt(dc, x, y, width, height, maskDc, 0, 0, SRCAND);
    BitBlt(dc, x, y, width, height, colourDc, 0, 0, SRCPAINT);
  }
  if (mask) DeleteObject(mask);
  if (colour) DeleteObject(colour);
  DeleteObject(work);
}

void DrawEffects::DrawIcon(HDC dc, int x, int y, int width, int height, HICON icon, int style,
                           bool shadowSpace, int shadowDx, int shadowDy, int blurX, int blurY,
                           COLORREF shadowColor) {
  const SIZE size = IconSize(icon);
  if (size.cx < 1 || width < 1 || height < 1) return;
  HICON stretched = size.cx == width && size.cy == height ? CopyIcon(icon) : StretchIcon(icon, width, height);
  ICONINFO info{};
  if (!stretched || !GetIconInfo(stretched, &info)) {
    if (stretched) DestroyIcon(stretched);
    return;
  }
  if (HBITMAP colour = MakeEffectBitmap(info.hbmColor, width, height, style, true, 0, 0xFFFFFF)) {
    if (shadowSpace && (style & kImageShadows)) {
      if (HBITMAP shadow = MakeEffectBitmap(info.hbmMask, width, height, kEffectReplace | kEffectInvert, true,
                                            0xFFFFFF, InvertColor(shadowColor))) {
        DrawShadow(dc, x + shadowDx, y + shadowDy, width, height, shadow, (style & kImageSoftShadow) != 0,
                   blurX, blurY);
        DeleteObject(shadow);
      }
    } else if (shadowSpace) {
      x += shadowDx;
      y += shadowDy;
    }
    const COLORREF oldText = SetTextColor(dc, 0);
    {
      SelectedBitmap maskDc(info.hbmMask), colourDc(colour);
      BitBlt(dc, x, y, width, height, maskDc, 0, 0, SRCAND);
      BitBlt(dc, x, y, width, height, colourDc, 0, 0, SRCPAINT);
    }
    SetTextColor(dc, oldText);
    DeleteObject(colour);
  }
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(stretched);
}

SIZE DrawEffects::BitmapSize(HBITMAP bitmap) {
  BITMAP description{};
  if (!bitmap || GetObject(bitmap, sizeof description, &description) == 0) return SIZE{0, 0};
  return SIZE{description.bmWidth, std::abs(description.bmHeight)};
}

SIZE DrawEffects::IconSize(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return SIZE{0, 0};
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return SIZE{static_cast<LONG>(2 * info.xHotspot), static_cast<LONG>(2 * info.yHotspot)};
}

HICON DrawEffects::StretchIcon(HICON icon, int width, int height) {
  const SIZE size = IconSize(icon);
  ICONINFO info{};
  if (size.cx < 1 || width < 1 || height < 1 || !GetIconInfo(icon, &info)) return nullptr;
  ICONINFO stretched = info;
  stretched.xHotspot = static_cast<DWORD>(width / 2);
  stretched.yHotspot = static_cast<DWORD>(height / 2);
  stretched.hbmColor = CreateCompatibleBitmap(nullptr, width, height);
  stretched.hbmMask = CreateCompatibleBitmap(nullptr, width, height);
  HICON result = nullptr;
  if (stretched.hbmColor && stretched.hbmMask) {
    {
      SelectedBitmap colourTo(stretched.hbmColor), colourFrom(info.hbmColor);
      StretchBlt(colourTo, 0, 0, width, height, colourFrom, 0, 0, size.cx, size.cy, SRCCOPY);
      SelectedBitmap maskTo(stretched.hbmMask), maskFrom(info.hbmMask);
      StretchBlt(maskTo, 0, 0, width, height, maskFrom, 0, 0, size.cx, size.cy, SRCCOPY);
    }
    result = CreateIconIndirect(&stretched);
  }
  for (HBITMAP bitmap : {info.hbmColor, info.hbmMask, stretched.hbmColor, stretched.hbmMask})
    if (bitmap) DeleteObject(bitmap);
  return result;
}
