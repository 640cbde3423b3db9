// Text rendered by the platform's fonts into the image.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "codecs/ImageFile.h"
#include "codecs/detail/ImageLimits.h"
#include "platform/gdi/DcState.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"
#include "platform/ui/Paint.h"

namespace {

// White text on black in a font on a memory device context, with a zeroed 24-bit DIB section
// to draw into once the size is known; all released at the end.
class TextSurface {
 public:
  TextSurface(HDC reference, const LOGFONT& font) : dc_(CreateCompatibleDC(reference)) {
    font_ = CreateFontIndirect(&font);
    previousFont_ = SelectObject(dc_, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc_, RGB(255, 255, 255));
    SetBkColor(dc_, RGB(0, 0, 0));
    SetBkMode(dc_, OPAQUE);
  }
  ~TextSurface() {
    if (previousBitmap_) SelectObject(dc_, previousBitmap_);
    if (bitmap_) DeleteObject(bitmap_);
    SelectObject(dc_, previousFont_);
    if (font_) DeleteObject(font_);
    DeleteDC(dc_);
  }
  TextSurface(const TextSurface&) = delete;
  TextSurface& operator=(const TextSurface&) = delete;

  HDC dc() const { return dc_; }
  RECT Measure(const char* text, UINT format) {
    RECT rect{0, 0, 0, 0};
    DrawText(dc_, text, -1, &rect, format | DT_CALCRECT);
    return rect;
  }
  // The bitmap that text is drawn into next; null when it cannot be had.
  HBITMAP Prepare(long width, long height) {
    // Text of any length in any font stays within what an image may hold.
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3 > kMaxImageBytes)
      return nullptr;
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER),
                                      static_cast<LONG>(width),
                                      static_cast<LONG>(height),
                                      1,
                                      24,
                                      BI_RGB,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0};
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap_) return nullptr;
    std::memset(bits, 0, static_cast<std::size_t>((width * 3 + 3) & ~3L) * static_cast<std::size_t>(height));
    previousBitmap_ = SelectObject(dc_, bitmap_);
    return bitmap_;
  }

 private:
  HDC dc_;
  HFONT font_ = nullptr;
  HGDIOBJ previousFont_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previousBitmap_ = nullptr;
};

}  // namespace

long CImageFile::DrawString(HDC hdc, long x, long y, const char* text, RGBQUAD color, const char* font,
                            long size, long weight, BYTE italic, BYTE underline, bool setalpha) {
  if (!IsValid() || !text) return 0;
  LOGFONT logFont{};
  logFont.lfHeight = static_cast<LONG>(size);
  logFont.lfWeight = static_cast<LONG>(weight);
  logFont.lfItalic = italic;
  logFont.lfUnderline = underline;
  if (font) std::strncpy(logFont.lfFaceName, font, 31);
  TextSurface surface(hdc, logFont);
  const RECT measured = surface.Measure(text, 0);
  const long height = measured.bottom - measured.top;
  // Room for slanted letters.
  const long width = measured.right - measured.left + height;
  if (width <= 0 || height <= 0) return 1;
  HBITMAP bitmap = surface.Prepare(width, height);
  if (!bitmap) return 0;
  RECT area{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
  DrawText(surface.dc(), text, -1, &area, 0);
  CImageFile work;
  if (!work.CreateFromHBITMAP(bitmap)) return 0;
  const long base = static_cast<long>(GetHeight()) - y - 1;
  for (long row = 0; row < height; ++row) {
    for (long column = 0; column < width; ++column) {
      if (work.BlindGetPixelColor(column, row).rgbBlue)
        SetPixelColor(x + column, base + row, color, setalpha);
    }
  }
  return 1;
}

long CImageFile::DrawStringEx(HDC hdc, long x, long y, CTextInfo* info, bool setalpha) {
  if (!IsValid() || !info) return -1;
  HDC screen = hdc ? nullptr : GetDC(nullptr);
  long drawn = DrawTextInfo(hdc ? hdc : screen, x, y, info, setalpha);
  if (screen) ReleaseDC(nullptr, screen);
  return drawn;
}

long CImageFile::DrawTextInfo(HDC hdc, long x, long y, CTextInfo* info, bool setalpha) {
  if (info->align < 0 || info->align > 2) info->align = 1;
  if (info->b_round > 50) info->b_round = 10;
  if (info->b_opacity > 1 || info->b_opacity < 0) info->b_opacity = 0;
  info->text[sizeof(info->text) - 1] = 0;
  TextSurface surface(hdc, info->lfont);
  const UINT format = DT_NOPREFIX | (info->align == 1 ? DT_CENTER : info->align == 2 ? DT_RIGHT : DT_LEFT);
  const long lines = 1 +
                     static_cast<long>(std::count(info->text, info->text + std::strlen(info->text), '\r'));
  const RECT measured = surface.Measure(info->text, format);
  long width = measured.right - measured.left, height = measured.bottom - measured.top;
  if (info->lfont.lfItalic) width += (height / 2) / lines;
  long radius = 0, frame = 0;
  if (info->opaque) {
    const long lineHeight = height / lines;
    radius = info->b_round * lineHeight / 100;
    frame = static_cast<long>(radius * 0.29289);
    width += lineHeight / 3;
  }
  const long boxWidth = width + 2 * frame, boxHeight = height + 2 * frame;
  if (boxWidth <= 0 || boxHeight <= 0) return 1;
  HBITMAP bitmap = surface.Prepare(boxWidth, boxHeight);
  if (!bitmap) return 0;
  // The text a frame's width inside the box on every side.
  RECT area{static_cast<LONG>(frame), static_cast<LONG>(frame), static_cast<LONG>(frame + width),
            static_cast<LONG>(frame + height)};
  DrawText(surface.dc(), info->text, -1, &area, format);
  CImageFile work;
  if (!work.CreateFromHBITMAP(bitmap)) return 0;
  const long left = std::max(0L, info->align == 0 ? x : info->align == 1 ? x - boxWidth / 2 : x - boxWidth);
  const long base = static_cast<long>(GetHeight()) - y - 1;
  const BYTE alpha = setalpha ? 255 : 0;
  if (info->opaque) {
    RGBQUAD background = RGBtoRGBQUAD(info->bcolor);
    background.rgbReserved = alpha;
    const float opacity = info->b_opacity;
    for (long column = 0; column < boxWidth; ++column) {
      // Columns near either end leave out rows at the top and bottom: the rounded corners.
      const long fromEdge = std::min(column, boxWidth - 1 - column);
      long skipped = 0;
      if (fromEdge <= radius) {
        const double r = static_cast<double>(radius), c = static_cast<double>(fromEdge);
        skipped = static_cast<long>(r + 0.5 - std::sqrt(r * r - (r - c) * (r - c)));
      }
      for (long row = skipped; row < boxHeight - skipped; ++row) {
        RGBQUAD c = background;
        if (opacity > 0 && opacity < 1) {
          const RGBQUAD old = GetPixelColor(left + column, base + row);
          auto mix = [opacity](BYTE existing, BYTE paint) {
            return static_cast<BYTE>(existing * opacity + paint * (1 - opacity));
          };
          c.rgbRed = mix(old.rgbRed, background.rgbRed);
          c.rgbGreen = mix(old.rgbGreen, background.rgbGreen);
          c.rgbBlue = mix(old.rgbBlue, background.rgbBlue);
        }
        SetPixelColor(left + column, base + row, c, setalpha);
      }
    }
  }
  RGBQUAD textColour = RGBtoRGBQUAD(info->fcolor);
  textColour.rgbReserved = alpha;
  for (long row = 0; row < boxHeight; ++row) {
    for (long column = 0; column < boxWidth; ++column) {
      if (work.BlindGetPixelColor(column, row).rgbBlue)
        SetPixelColor(left + column, base + row, textColour, setalpha);
    }
  }
  return 1;
}

void CImageFile::InitTextInfo(CTextInfo* info) {
  std::memset(info, 0, sizeof(*info));
  std::strcpy(info->text, "Sample Text 01234\xF5\xFB");
  info->lfont.lfHeight = -36;
  info->lfont.lfWeight = 400;
  info->lfont.lfCharSet = 238;
  info->lfont.lfQuality = 2;
  std::strcpy(info->lfont.lfFaceName, "Arial");
  info->fcolor = 0xA0FFFF;
  info->align = 1;
  info->opaque = 1;
  info->bcolor = 0x6020;
  info->b_opacity = 0;
  info->b_outline = 0;
  info->b_round = 20;
}
