// Device-independent bitmap rows in and out.
#include "platform/gdi/detail/DibFormat.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "platform/gdi/detail/Canvas.h"

namespace platform::gdi {

namespace {

std::uint32_t Expand5(unsigned value) { return (value << 3) | (value >> 2); }

std::uint32_t Nearest(const std::vector<RGBQUAD>& colors, std::uint32_t pixel) {
  int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
  std::uint32_t best = 0;
  int bestDistance = INT_MAX;
  for (std::size_t i = 0; i < colors.size(); ++i) {
    int dr = r - colors[i].rgbRed, dg = g - colors[i].rgbGreen, db = b - colors[i].rgbBlue;
    int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<std::uint32_t>(i);
    }
  }
  return best;
}

}  // namespace

bool ReadDibLayout(const BITMAPINFO* info, UINT usage, DibLayout* layout) {
  if (!info || usage != DIB_RGB_COLORS) return false;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  int bits = header.biBitCount;
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 || header.biCompression != BI_RGB ||
      header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT_MIN ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
    return false;
  }
  layout->width = header.biWidth;
  layout->height = std::abs(header.biHeight);
  layout->bottomUp = header.biHeight > 0;
  layout->bitCount = bits;
  layout->rowBytes = (static_cast<std::size_t>(layout->width) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
  layout->colors.clear();
  if (bits <= 8) {
    const DWORD entries = 1u << bits;
    const DWORD used = header.biClrUsed ? std::min(header.biClrUsed, entries) : entries;
    const auto* colors = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info) +
                                                          header.biSize);
    layout->colors.assign(colors, colors + used);
    layout->colors.resize(entries, RGBQUAD{0, 0, 0, 0});  // indices past the colours in use are black
  }
  return true;
}

std::uint32_t DibPixel(const DibLayout& layout, const BYTE* bits, int x, int y) {
  const BYTE* row = bits +
                    layout.rowBytes * static_cast<std::size_t>(layout.bottomUp ? layout.height - 1 - y : y);
  std::uint32_t pixel;
  switch (layout.bitCount) {
    case 1:
    case 4:
    case 8: {
      unsigned index = layout.bitCount == 8   ? row[x]
                       : layout.bitCount == 4 ? (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F
                                              : (row[x >> 3] >> (7 - (x & 7))) & 1;
      const RGBQUAD& c = layout.colors[index];
      pixel = c.rgbBlue | (c.rgbGreen << 8) | (static_cast<std::uint32_t>(c.rgbRed) << 16);
      break;
    }
    case 16: {
      unsigned value = row[2 * x] | (row[2 * x + 1] << 8);
      pixel = Expand5(value & 31) | (Expand5((value >> 5) & 31) << 8) | (Expand5((value >> 10) & 31) << 16);
      break;
    }
    default: {
      const BYTE* p = row + x * (layout.bitCount / 8);
      pixel = p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
      break;
    }
  }
  return pixel | 0xFF000000u;
}

std::vector<std::uint32_t> DecodeDib(const DibLayout& layout, const BYTE* bits) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(layout.width) *
                                    static_cast<std::size_t>(layout.height));
  for (int y = 0; y < layout.height; ++y) {
    for (int x = 0; x < layout.width; ++x) {
      pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(layout.width) +
             static_cast<std::size_t>(x)] = DibPixel(layout, bits, x, y);
    }
  }
  return pixels;
}

void EncodeDibRow(const DibLayout& layout, const std::uint32_t* pixels, BYTE* row) {
  if (layout.bitCount < 8) std::fill(row, row + layout.rowBytes, BYTE{0});
  for (int x = 0; x < layout.width; ++x) {
    std::uint32_t pixel = pixels[x];
    switch (layout.bitCount) {
      case 1:
        row[x >> 3] = static_cast<BYTE>(row[x >> 3] | (Nearest(layout.colors, pixel) << (7 - (x & 7))));
        break;
      case 4:
        row[x >> 1] = static_cast<BYTE>(row[x >> 1] | (Nearest(layout.colors, pixel) << ((x & 1) ? 0 : 4)));
        break;
      case 8:
        row[x] = static_cast<BYTE>(Nearest(layout.colors, pixel));
        break;
      case 16: {
        unsigned value = ((pixel >> 3) & 31) | (((pixel >> 11) & 31) << 5) | (((pixel >> 19) & 31) << 10);
        row[2 * x] = static_cast<BYTE>(value);
        row[2 * x + 1] = static_cast<BYTE>(value >> 8);
        break;
      }
      case 24:
        row[3 * x] = static_cast<BYTE>(pixel);
        row[3 * x + 1] = static_cast<BYTE>(pixel >> 8);
        row[3 * x + 2] = static_cast<BYTE>(pixel >> 16);
        break;
      default:
        row[4 * x] = static_cast<BYTE>(pixel);
        row[4 * x + 1] = static_cast<BYTE>(pixel >> 8);
        row[4 * x + 2] = static_cast<BYTE>(pixel >> 16);
        row[4 * x + 3] = 0;
        break;
    }
  }
}

}  // namespace platform::gdi
