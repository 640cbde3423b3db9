#include "controls/DrawEffects.h"

#include <algorithm>
#include <cmath>

#include "controls/HtmlStyleSheet.h"
#include "platform/gdi/Draw.h"

namespace {

constexpr const char* kEffectNames[] = {"transparent", "solid",      "hgradient",  "vgradient", "hcgradient",
                                        "vcgradient",  "3hgradient", "3vgradient", "noise",     "diagshade",
                                        "hshade",      "vshade",     "hbump",      "vbump",     "softbump",
                                        "hardbump",    "metal"};

// Computed fills past this many pixels are not worth a buffer; they fall back to the solid fill.
constexpr long long kMaxEffectPixels = 1LL << 24;

COLORREF Mix(COLORREF a, COLORREF b, int weightB, int shift) {
  const int weightA = (1 << shift) - weightB;
  return RGB(BYTE((GetRValue(a) * weightA + GetRValue(b) * weightB) >> shift),
             BYTE((GetGValue(a) * weightA + GetGValue(b) * weightB) >> shift),
             BYTE((GetBValue(a) * weightA + GetBValue(b) * weightB) >> shift));
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

int PenStyle(int borderStyle) {
  switch (borderStyle) {
    case 2:
      return PS_DASH;
    case 3:
      return PS_DOT;
    case 4:
      return PS_DASHDOT;
    case 5:
      return PS_DASHDOTDOT;
    default:
      return PS_SOLID;
  }
}

void Polyline3(HDC dc, POINT a, POINT b, POINT c) {
  MoveToEx(dc, a.x, a.y, nullptr);
  LineTo(dc, b.x, b.y);
  LineTo(dc, c.x, c.y);
}

long long Cube(long long t) { return t * t * t / 128 / 128; }

}  // namespace

int ParseEffectName(std::string_view value, int current) {
  if (value.empty()) return current;
  for (int code = -1; code <= 15; ++code)
    if (value == kEffectNames[code + 1]) return code;
  return ParseLength(value, current, false, LengthUnits{});
}

COLORREF GreyColor(COLORREF colour) {
  const BYTE v = static_cast<BYTE>(0.299 * GetRValue(colour) + 0.587 * GetGValue(colour) +
                                   0.114 * GetBValue(colour));
  return RGB(v, v, v);
}

COLORREF DarkenColor(COLORREF colour, double factor) {
  if (factor < 0 || factor >= 1) return colour;
  return RGB(BYTE(GetRValue(colour) * factor), BYTE(GetGValue(colour) * factor),
             BYTE(GetBValue(colour) * factor));
}

COLORREF LightenColor(COLORREF colour, double factor) {
  if (factor <= 0 || factor >= 1) return colour;
  const auto lighten = [factor](BYTE channel) {
    return BYTE(std::min(255.0, std::trunc(channel * (1 + factor))));
  };
  return RGB(lighten(GetRValue(colour)), lighten(GetGValue(colour)), lighten(GetBValue(colour)));
}

COLORREF InvertColor(COLORREF colour) {
  return RGB(BYTE(255 - GetRValue(colour)), BYTE(255 - GetGValue(colour)), BYTE(255 - GetBValue(colour)));
}

int DrawEffects::NextRandom() {
  // Our own 15-bit sequence, so that a fill comes out the same on every system.
  randomState = randomState * 1103515245u + 12345u;
  return static_cast<int>((randomState >> 16) & 0x7FFF);
}

void DrawEffects::Gradient(HDC dc, int left, int top, int right, int bottom, COLORREF colour1,
                           COLORREF colour2, bool horizontal) {
  const long long span = horizontal ? static_cast<long long>(right) - left
                                    : static_cast<long long>(bottom) - top;
  const int from = horizontal ? left : top;
  for (int i = 0; i < 64; ++i) {
    const int begin = static_cast<int>(from + (span * i >> 6)),
              end = static_cast<int>(from + (span * (i + 1) >> 6));
    if (begin >= end) continue;
    const RECT band = horizontal ? RECT{begin, top, end, bottom} : RECT{left, begin, right, end};
    FillSolid(dc, band, Mix(colour1, colour2, i, 6));
  }
}

void DrawEffects::FillBackground(HDC dc, int effect, const RECT& rect, COLORREF start, COLORREF middle,
                                 COLORREF end, int granularity, int colouring) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return;
  const int midX = rect.left + width / 2, midY = rect.top + height / 2;
  switch (effect) {
    case 1:
      return Gradient(dc, rect.left, rect.top, rect.right, rect.bottom, start, end, true);
    case 2:
      return Gradient(dc, rect.left, rect.top, rect.right, rect.bottom, start, end, false);
    case 3:
      Gradient(dc, rect.left, rect.top, midX, rect.bottom, start, end, true);
      return Gradient(dc, midX, rect.top, rect.right, rect.bottom, end, start, true);
    case 4:
      Gradient(dc, rect.left, rect.top, rect.right, midY, start, end, false);
      return Gradient(dc, rect.left, midY, rect.right, rect.bottom, end, start, false);
    case 5:
      Gradient(dc, rect.left, rect.top, midX, rect.bottom, start, middle, true);
      return Gradient(dc, midX, rect.top, rect.right, rect.bottom, middle, end, true);
    case 6:
      Gradient(dc, rect.left, rect.top, rect.right, midY, start, middle, false);
      return Gradient(dc, rect.left, midY, rect.right, rect.bottom, middle, end, false);
    default:
      break;
  }
  if (effect >= 7 && effect <= 15 && static_cast<long long>(width) * height <= kMaxEffectPixels) {
    FillEffect(0, 0, width, height, effect, granularity, colouring, start, middle, end);
    return picture.Draw(dc, rect.left, rect.top);
  }
  FillSolid(dc, rect, start);
}

void DrawEffects::FillEffect(int x1, int y1, int x2, int y2, int effect, int granularity, int colouring,
                             COLORREF start, COLORREF middle, COLORREF end) {
  const int w = x2 - x1, h = y2 - y1;
  if (static_cast<long long>(w) * h > kMaxEffectPixels || !picture.Create(w, h, 8)) return;
  for (int i = 0; i <= 128; ++i) {
    const COLORREF c = RGB(BYTE((GetRValue(end) * (128 - i) + GetRValue(middle) * i) / 128),
                           BYTE((GetGValue(end) * (128 - i) + GetGValue(middle) * i) / 128),
                           BYTE((GetBValue(end) * (128 - i) + GetBValue(middle) * i) / 128));
    picture.SetPaletteEntry(i, GetRValue(c), GetGValue(c), GetBValue(c));
  }
  for (int i = 1; i <= 128; ++i)
    picture.SetPaletteEntry(127 + i, BYTE((GetRValue(middle) * (128 - i) + GetRValue(start) * i) / 128),
                            BYTE((GetGValue(middle) * (128 - i) + GetGValue(start) * i) / 128),
                            BYTE((GetBValue(middle) * (128 - i) + GetBValue(start) * i) / 128));
  picture.BlendPalette(start, colouring);

  const int g = granularity & 0xFF, lo = g, hi = 255 - g;
  const int grainStep = std::max(1, 32767 / std::max(1, 2 * g));
  const auto grain = [&] { return NextRandom() / grainStep - g; };
  // Row i counts from the bottom row, as the rows are stored.
  BYTE* bits = picture.Bits();
  const int stride = picture.Stride();
  const auto at = [&](int i, int j) -> BYTE& { return bits[static_cast<size_t>(i) * stride + j]; };
  const auto put = [&](int i, int j, long long value) { at(i, j) = static_cast<BYTE>(value); };
  const long long W = w, H = h;
  switch (effect) {
    case 7:
      for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) put(i, j, 128 + grain());
      break;
    case 8: {
      const long long a = (hi - lo) / 2;
      for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) put(i, j, lo + a * i / H + a * (W - j) / W + grain());
      break;
    }
    case 9:
      for (int i = 0; i < h; ++i) {
        const long long v = lo + static_cast<long long>(hi - lo) * i / H + grain();
        for (int j = 0; j < w; ++j) put(i, j, v);
      }
      break;
    case 10:
      for (int j = 0; j < w; ++j) {
        const long long v = lo + static_cast<long long>(hi - lo) * (W - j) / W + grain();
        for (int i = 0; i < h; ++i) put(i, j, v);
      }
      break;
    case 11:
    case 12:
      for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) {
          const long long t = (effect == 11 ? 255 * i / H : 255 * (W - j) / W) - 127;
          put(i, j, 128 + Cube(t) * (128 - g) / 128 + grain());
        }
      break;
    case 13:
      for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) {
          const long long ti = 255 * i / H - 127, tj = 255 * (W - j) / W - 127;
          const long long v = std::clamp<long long>(128 + (Cube(tj) + Cube(ti)) * (128 - g) / 128, lo, hi);
          put(i, j, v + grain());
        }
      break;
    case 14: {
      for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) put(i, j, 128 + Cube(255 * i / H - 127) * (64 - g) * 2 / 128 + grain());
      // Narrow or one-row fills would divide by zero below.
      const long long k = std::max<long long>(1, std::min<long long>(W / 3, 16)),
                      r = std::max<long long>(1, H * H / 4);
      for (int i = 0; i < h; ++i) {
        const long long y = i - H / 2, e = k * y * y / r + W / 2 - k;
        for (int j = 0; j < w; ++j) {
          const long long x = j - W / 2;
          if (x > e) put(i, j, lo + 128 * (W - j) / k);
          if (x + e < 0) put(i, j, hi - 128 * j / k);
          put(i, j, at(i, j) + grain());
        }
      }
      break;
    }
    case 15: {
      picture.Clear(0);
      const auto below = [](int size) { return std::max(1, 32767 / std::max(1, size)); };
      for (int stroke = 0; stroke < 200; ++stroke) {
        const int x0 = NextRandom() / below(w), y0 = NextRandom() / below(h);
        const int length = NextRandom() / below(std::min(w, h)) / 2;
        const BYTE value = static_cast<BYTE>(NextRandom() / 819);
        for (int k = 0; k < length; ++k) {
          picture.SetPixelIndex(x0 - k, y0 + k, value);
          picture.SetPixelIndex(w - x0 + k, y0 - k, value);
        }
      }
      const long long a = (255 - 2 * g - 40) / 2;
      for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j)
          put(i, j, at(i, j) + a * (W - j) / W + a * i / H + NextRandom() / grainStep);
      break;
    }
    default:
      break;
  }
}

void DrawEffects::DrawFrame(HDC dc, int left, int top, int right, int bottom, COLORREF light, COLORREF dark,
                            int borderStyle, int width) {
  if (borderStyle == 0 || width < 1) return;
  const int half = width / 2, inset = 2 * width, style = PenStyle(borderStyle);
  const bool twice = borderStyle == kBorderDouble;
  HPEN pen = CreatePen(style, width, light);
  HGDIOBJ old = SelectObject(dc, pen);
  for (int d = 0; d <= (twice ? inset : 0); d += inset)
    Polyline3(dc, {left + half + d, bottom - half - d}, {left + half + d, top + half + d},
              {right - half - d, top + half + d});
  if (dark != light) {
    SelectObject(dc, old);
    DeleteObject(pen);
    pen = CreatePen(style, width, dark);
    old = SelectObject(dc, pen);
  }
  for (int d = 0; d <= (twice ? inset : 0); d += inset)
    Polyline3(dc, {right - half - d, top + half + d}, {right - half - d, bottom - half - d},
              {left + half + d, bottom - half - d});
  SelectObject(dc, old);
  DeleteObject(pen);
}

void DrawEffects::DrawStyledLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour, int borderStyle,
                                 int width) {
  if (borderStyle == 0 || width < 1) return;
  HPEN pen = CreatePen(PenStyle(borderStyle), width, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
  if (borderStyle == kBorderDouble) {
    const int dx = y1 != y2 ? 2 * width : 0, dy = x1 != x2 ? 2 * width : 0;
    MoveToEx(dc, x1 + dx, y1 + dy, nullptr);
    LineTo(dc, x2 + dx, y2 + dy);
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

void DrawEffects::TileBitmap(HDC dc, int x, int y, int width, int height, HDC source, int sourceX,
                             int sourceY, int tileWidth, int tileHeight) {
  if (tileWidth < 1 || tileHeight < 1 || width < 1 || height < 1) return;
  // Only the tiles the clip lets through are copied, so a vast area of small tiles stays quick.
  RECT clip{};
  GetClipBox(dc, &clip);
  const long long right = static_cast<long long>(x) + width, bottom = static_cast<long long>(y) + height;
  const long long firstColumn = std::max<long long>(0, (static_cast<long long>(clip.left) - x) / tileWidth);
  const long long firstRow = std::max<long long>(0, (static_cast<long long>(clip.top) - y) / tileHeight);
  for (long long ty = y + firstRow * tileHeight; ty < bottom && ty < clip.bottom; ty += tileHeight)
    for (long long tx = x + firstColumn * tileWidth; tx < right && tx < clip.right; tx += tileWidth)
      BitBlt(dc, static_cast<int>(tx), static_cast<int>(ty),
             static_cast<int>(std::min<long long>(tileWidth, right - tx)),
             static_cast<int>(std::min<long long>(tileHeight, bottom - ty)), source, sourceX, sourceY,
             SRCCOPY);
}
