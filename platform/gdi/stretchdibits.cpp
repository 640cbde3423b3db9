// StretchDIBits: device-independent bitmap rows into a device context's 32-bit surface.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "platform/gdi/detail/objects.h"

namespace {

using Pixel = std::uint32_t;  // blue in the low byte, as the surface stores it
constexpr Pixel kOpaque = 0xFF000000u;

// Destination positions 0..count-1 mapped onto source positions 0..sourceCount-1 by nearest
// pixel centre, reversed when mirrored.
int MapPosition(int position, int count, int sourceCount, bool mirrored) {
  const auto mapped = static_cast<int>((2 * static_cast<std::int64_t>(position) + 1) * sourceCount /
                                       (2 * static_cast<std::int64_t>(count)));
  return mirrored ? sourceCount - 1 - mapped : mapped;
}

// One axis of the copy: the destination span kept after clipping to the surface and to the
// bitmap, and for each of its positions the source position.
struct Axis {
  int destStart = 0;
  std::vector<int> source;
};

bool BuildAxis(int dest, int destSize, std::int64_t srcLow, int srcSize, int surfaceSize,
               int bitmapSize, Axis& axis) {
  const std::int64_t destLow = std::min<std::int64_t>(dest, std::int64_t{dest} + destSize);
  const int count = std::abs(destSize);
  const int srcCount = std::abs(srcSize);
  const bool mirrored = (destSize < 0) != (srcSize < 0);
  int first = static_cast<int>(std::max<std::int64_t>(0, -destLow));
  int end = static_cast<int>(std::min<std::int64_t>(count, surfaceSize - destLow));
  auto sourceAt = [&](int i) { return srcLow + MapPosition(i, count, srcCount, mirrored); };
  // The source positions run monotonically, so the ones inside the bitmap are contiguous.
  while (first < end && (sourceAt(first) < 0 || sourceAt(first) >= bitmapSize)) ++first;
  while (end > first && (sourceAt(end - 1) < 0 || sourceAt(end - 1) >= bitmapSize)) --end;
  axis.destStart = static_cast<int>(destLow + first);
  axis.source.clear();
  axis.source.reserve(static_cast<std::size_t>(end - first));
  for (int i = first; i < end; ++i) axis.source.push_back(static_cast<int>(sourceAt(i)));
  return !axis.source.empty();
}

Pixel Expand5(unsigned value) { return (value << 3) | (value >> 2); }

template <int Bits>
Pixel Fetch(const BYTE* row, int x, const Pixel* palette) {
  if constexpr (Bits == 1) {
    return palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
  } else if constexpr (Bits == 4) {
    return palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
  } else if constexpr (Bits == 8) {
    return palette[row[x]];
  } else if constexpr (Bits == 16) {
    const unsigned value = row[2 * x] | (row[2 * x + 1] << 8);
    return Expand5(value & 31) | (Expand5((value >> 5) & 31) << 8) |
           (Expand5((value >> 10) & 31) << 16);
  } else {
    const BYTE* pixel = row + x * (Bits / 8);
    return pixel[0] | (Pixel{pixel[1]} << 8) | (Pixel{pixel[2]} << 16);
  }
}

template <int Bits>
void FetchLine(const BYTE* row, const std::vector<int>& columns, const Pixel* palette,
               Pixel* line) {
  for (std::size_t i = 0; i < columns.size(); ++i) line[i] = Fetch<Bits>(row, columns[i], palette);
}

using LineFetcher = void (*)(const BYTE*, const std::vector<int>&, const Pixel*, Pixel*);

LineFetcher FetcherFor(int bits) {
  switch (bits) {
    case 1: return FetchLine<1>;
    case 4: return FetchLine<4>;
    case 8: return FetchLine<8>;
    case 16: return FetchLine<16>;
    case 24: return FetchLine<24>;
    case 32: return FetchLine<32>;
    default: return nullptr;
  }
}

template <typename Combine>
void CombineLine(const Pixel* line, BYTE* dest, std::size_t count, Combine combine) {
  for (std::size_t i = 0; i < count; ++i, dest += 4) {
    Pixel existing;
    std::memcpy(&existing, dest, 4);
    const Pixel result = combine(line[i], existing) | kOpaque;
    std::memcpy(dest, &result, 4);
  }
}

bool CombineLine(DWORD rop, const Pixel* line, BYTE* dest, std::size_t count) {
  switch (rop) {
    case SRCCOPY: CombineLine(line, dest, count, [](Pixel s, Pixel) { return s; }); return true;
    case SRCPAINT: CombineLine(line, dest, count, [](Pixel s, Pixel d) { return s | d; }); return true;
    case SRCAND: CombineLine(line, dest, count, [](Pixel s, Pixel d) { return s & d; }); return true;
    case SRCINVERT: CombineLine(line, dest, count, [](Pixel s, Pixel d) { return s ^ d; }); return true;
    default: return false;
  }
}

}  // namespace

int StretchDIBits(HDC handle, int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                  int ySrc, int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info,
                  UINT usage, DWORD rop) {
  platform::gdi::DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !bits || !info || usage != DIB_RGB_COLORS) return 0;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  const LineFetcher fetch = FetcherFor(header.biBitCount);
  if (!fetch || header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 ||
      header.biCompression != BI_RGB || header.biWidth <= 0 || header.biHeight == 0 ||
      header.biHeight == INT_MIN)
    return 0;
  if (rop != SRCCOPY && rop != SRCPAINT && rop != SRCAND && rop != SRCINVERT) return 0;
  if (destWidth == 0 || destHeight == 0 || srcWidth == 0 || srcHeight == 0) return 0;

  const int bitmapWidth = header.biWidth;
  const int bitmapHeight = std::abs(header.biHeight);
  const bool bottomUp = header.biHeight > 0;
  const std::size_t rowBytes =
      (static_cast<std::size_t>(bitmapWidth) * header.biBitCount + 31) / 32 * 4;

  Pixel palette[256] = {};
  if (header.biBitCount <= 8) {
    const DWORD entries = 1u << header.biBitCount;
    const DWORD used = header.biClrUsed ? std::min(header.biClrUsed, entries) : entries;
    const auto* colors = reinterpret_cast<const RGBQUAD*>(
        reinterpret_cast<const BYTE*>(info) + header.biSize);
    // Indices past the colours in use stay black.
    for (DWORD i = 0; i < used; ++i)
      palette[i] = colors[i].rgbBlue | (Pixel{colors[i].rgbGreen} << 8) |
                   (Pixel{colors[i].rgbRed} << 16);
  }

  // In display rows (0 = top): a bottom-up bitmap's source rectangle counts from its bottom.
  const std::int64_t srcLeft = std::min<std::int64_t>(xSrc, std::int64_t{xSrc} + srcWidth);
  const std::int64_t srcTop = std::min<std::int64_t>(ySrc, std::int64_t{ySrc} + srcHeight);
  const std::int64_t displayTop =
      bottomUp ? bitmapHeight - (srcTop + std::abs(srcHeight)) : srcTop;
  const platform::Surface& surface = dc->bitmap->surface;
  Axis columns, rows;
  try {
    if (!BuildAxis(xDest, destWidth, srcLeft, srcWidth, surface.width, bitmapWidth, columns) ||
        !BuildAxis(yDest, destHeight, displayTop, srcHeight, surface.height, bitmapHeight, rows))
      return std::abs(srcHeight);
    std::vector<Pixel> line(columns.source.size());
    const auto* source = static_cast<const BYTE*>(bits);
    for (std::size_t i = 0; i < rows.source.size(); ++i) {
      const int y = rows.source[i];
      const int memoryRow = bottomUp ? bitmapHeight - 1 - y : y;
      fetch(source + rowBytes * static_cast<std::size_t>(memoryRow), columns.source, palette,
            line.data());
      BYTE* dest = surface.Row(rows.destStart + static_cast<int>(i)) + 4 * columns.destStart;
      CombineLine(rop, line.data(), dest, line.size());
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return std::abs(srcHeight);
}
