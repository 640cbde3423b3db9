// Block transfers with ternary raster operations.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/gdi/Draw.h"
#include "platform/gdi/detail/Blit.h"
#include "platform/gdi/detail/Canvas.h"

namespace platform::gdi {

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kBlack = 0xFF000000u;

// The combination of pattern, source and destination bits that a raster operation's code
// byte describes: bit (P << 2 | S << 1 | D) of the code is the result for those inputs.
class Rop3 {
 public:
  explicit Rop3(DWORD rop) : code_((rop >> 16) & 0xFF) {}
  std::uint32_t operator()(std::uint32_t p, std::uint32_t s, std::uint32_t d) const {
    switch (code_) {
      case 0xCC:
        return s;
      case 0xF0:
        return p;
      case 0x00:
        return 0;
      case 0xFF:
        return 0xFFFFFFFF;
      default:
        break;
    }
    std::uint32_t result = 0;
    for (unsigned i = 0; i < 8; ++i) {
      if (!(code_ & (1u << i))) continue;
      result |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return result;
  }

 private:
  unsigned code_;
};

int MapPosition(int position, int count, int sourceCount) {
  return static_cast<int>((2 * static_cast<std::int64_t>(position) + 1) * sourceCount /
                          (2 * static_cast<std::int64_t>(count)));
}

bool IsHatchLine(int hatch, int x, int y) {
  switch (hatch) {
    case HS_HORIZONTAL:
      return y == 4;
    case HS_VERTICAL:
      return x == 4;
    case HS_FDIAGONAL:
      return x == y;
    case HS_BDIAGONAL:
      return x == 7 - y;
    case HS_CROSS:
      return x == 4 || y == 4;
    default:
      return x == y || x == 7 - y;
  }
}

}  // namespace

std::uint32_t BrushPixel(const Brush& brush, const DcState& state, int x, int y, bool transparentGaps) {
  switch (brush.style) {
    case BS_SOLID:
      return PixelOf(brush.color);
    case BS_HATCHED: {
      int px = ((x - state.brushOrg.x) % 8 + 8) % 8, py = ((y - state.brushOrg.y) % 8 + 8) % 8;
      if (IsHatchLine(brush.hatch, px, py)) return PixelOf(brush.color);
      return transparentGaps ? 0 : PixelOf(state.bkColor);
    }
    case BS_PATTERN: {
      if (brush.patternWidth <= 0 || brush.patternHeight <= 0) return 0;
      int px = ((x - state.brushOrg.x) % brush.patternWidth + brush.patternWidth) % brush.patternWidth;
      int py = ((y - state.brushOrg.y) % brush.patternHeight + brush.patternHeight) % brush.patternHeight;
      return brush.pattern[static_cast<std::size_t>(py * brush.patternWidth + px)] | kOpaque;
    }
    default:
      return 0;
  }
}

void Transfer(DeviceContext& dest, int x, int y, int width, int height, const SourceImage* source, int xSrc,
              int ySrc, int srcWidth, int srcHeight, DWORD rop) {
  if (width == 0 || height == 0 || (source && (srcWidth == 0 || srcHeight == 0))) return;
  const Rop3 combine(rop);
  const Brush* brush = FindBrush(ResolveBrush(static_cast<HBRUSH>(dest.state.brush)));
  const bool destMono = dest.bitmap->monochrome;
  const int left = std::min(x, x + width), top = std::min(y, y + height);
  const int count = std::abs(width), rows = std::abs(height);
  const bool mirrorX = (width < 0) != (srcWidth < 0), mirrorY = (height < 0) != (srcHeight < 0);
  const int srcLeft = std::min(xSrc, xSrc + srcWidth), srcTop = std::min(ySrc, ySrc + srcHeight);
  const int srcCount = std::abs(srcWidth), srcRows = std::abs(srcHeight);

  PixelWriter writer(dest);
  const Surface& surface = writer.surface();
  const POINT origin = writer.Origin();
  const RECT target{left + origin.x, top + origin.y, left + origin.x + count, top + origin.y + rows};
  // Only the part the clip lets through is read and written, however large the rectangle.
  const RECT box = writer.Clip().Box();
  const RECT shown{std::max(box.left, target.left), std::max(box.top, target.top),
                   std::min(box.right, target.right), std::min(box.bottom, target.bottom)};
  if (shown.left >= shown.right || shown.top >= shown.bottom) return;
  const int shownCount = shown.right - shown.left, shownRows = shown.bottom - shown.top;

  // Source pixels are read first, so a transfer within one surface sees the old pixels.
  std::vector<std::uint32_t> sourcePixels;
  if (source) {
    std::vector<int> columns(static_cast<std::size_t>(shownCount));
    for (int i = 0; i < shownCount; ++i) {
      int mapped = MapPosition(shown.left - target.left + i, count, srcCount);
      columns[static_cast<std::size_t>(i)] = srcLeft + (mirrorX ? srcCount - 1 - mapped : mapped);
    }
    sourcePixels.assign(static_cast<std::size_t>(shownCount) * static_cast<std::size_t>(shownRows), 0);
    for (int j = 0; j < shownRows; ++j) {
      int mapped = MapPosition(shown.top - target.top + j, rows, srcRows);
      int sy = srcTop + (mirrorY ? srcRows - 1 - mapped : mapped);
      if (sy < 0 || sy >= source->surface->height) continue;
      const auto* row = reinterpret_cast<const std::uint32_t*>(source->surface->Row(sy));
      for (int i = 0; i < shownCount; ++i) {
        int sx = columns[static_cast<std::size_t>(i)];
        if (sx < 0 || sx >= source->surface->width) continue;
        std::uint32_t pixel = row[sx] | kOpaque;
        // Colour to monochrome: the source's background colour is white, all else black;
        // monochrome to colour: white is the destination's background colour, black its text.
        if (destMono && !source->monochrome) {
          pixel = (pixel & 0xFFFFFF) == (PixelOf(source->bkColor) & 0xFFFFFF) ? kWhite : kBlack;
        } else if (!destMono && source->monochrome) {
          pixel = (pixel & 0xFFFFFF) == 0xFFFFFF ? PixelOf(dest.state.bkColor)
                                                 : PixelOf(dest.state.textColor);
        }
        sourcePixels[static_cast<std::size_t>(j) * static_cast<std::size_t>(shownCount) +
                     static_cast<std::size_t>(i)] = pixel;
      }
    }
  }

  for (const RECT& clip : writer.Clip().Rects()) {
    int x0 = std::max(clip.left, shown.left), x1 = std::min(clip.right, shown.right);
    int y0 = std::max(clip.top, shown.top), y1 = std::min(clip.bottom, shown.bottom);
    for (int sy = y0; sy < y1; ++sy) {
      auto* row = reinterpret_cast<std::uint32_t*>(surface.Row(sy));
      int j = sy - shown.top;
      for (int sx = x0; sx < x1; ++sx) {
        int i = sx - shown.left;
        // Block transfers take a hatch whole, its gaps in the background colour.
        std::uint32_t p = brush ? BrushPixel(*brush, dest.state, sx - origin.x, sy - origin.y, false) : 0;
        std::uint32_t s =
            source ? sourcePixels[static_cast<std::size_t>(j) * static_cast<std::size_t>(shownCount) +
                                  static_cast<std::size_t>(i)]
                   : 0;
        std::uint32_t result = combine(p, s, row[sx]) | kOpaque;
        if (destMono) {
          int luminance = (77 * ((result >> 16) & 0xFF) + 151 * ((result >> 8) & 0xFF) +
                           28 * (result & 0xFF)) >>
                          8;
          result = luminance >= 128 ? kWhite : kBlack;
        }
        row[sx] = result;
      }
    }
  }
}

}  // namespace platform::gdi

using platform::gdi::DeviceContext;

BOOL PatBlt(HDC handle, int x, int y, int width, int height, DWORD rop) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || platform::gdi::UsesSource(rop)) return FALSE;
  RECT r = platform::gdi::ToDevice(dc->state, RECT{x, y, x + width, y + height});
  platform::gdi::Transfer(*dc, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, 0, 0, 0, 0, rop);
  return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc, DWORD rop) {
  return StretchBlt(dest, x, y, width, height, source, xSrc, ySrc, width, height, rop);
}

BOOL StretchBlt(HDC destHandle, int x, int y, int width, int height, HDC sourceHandle, int xSrc, int ySrc,
                int srcWidth, int srcHeight, DWORD rop) {
  DeviceContext* dest = platform::gdi::FindDC(destHandle);
  if (!dest) return FALSE;
  if (!platform::gdi::UsesSource(rop)) return PatBlt(destHandle, x, y, width, height, rop);
  DeviceContext* source = platform::gdi::FindDC(sourceHandle);
  if (!source) return FALSE;
  // Corners through each side's mapping keep the sign of the sizes (mirroring).
  POINT d0 = platform::gdi::ToDevice(dest->state, POINT{x, y});
  POINT d1 = platform::gdi::ToDevice(dest->state, POINT{x + width, y + height});
  POINT s0 = platform::gdi::ToDevice(source->state, POINT{xSrc, ySrc});
  POINT s1 = platform::gdi::ToDevice(source->state, POINT{xSrc + srcWidth, ySrc + srcHeight});
  platform::gdi::SurfaceUse use(source->bitmap, false);
  platform::gdi::SourceImage image{&source->bitmap->surface, source->bitmap->monochrome,
                                   source->state.bkColor};
  platform::gdi::Transfer(*dest, d0.x, d0.y, d1.x - d0.x, d1.y - d0.y, &image, s0.x + source->origin.x,
                          s0.y + source->origin.y, s1.x - s0.x, s1.y - s0.y, rop);
  return TRUE;
}
