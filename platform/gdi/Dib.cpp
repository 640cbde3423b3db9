// DIB sections, device-dependent bitmaps, reading bitmaps back, logical palettes.
#include "platform/gdi/Dib.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "platform/gdi/detail/Canvas.h"
#include "platform/gdi/detail/DibFormat.h"

using platform::gdi::Bitmap;
using platform::gdi::DibLayout;

namespace {

constexpr int kMaxSide = 1 << 15;

HBITMAP Register(std::unique_ptr<Bitmap> bitmap) {
  return static_cast<HBITMAP>(platform::gdi::RegisterObject(std::move(bitmap)));
}

}  // namespace

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
  if (bits) *bits = nullptr;
  DibLayout layout;
  if (section || !platform::gdi::ReadDibLayout(info, usage, &layout) || layout.width > kMaxSide ||
      layout.height > kMaxSide) {
    return nullptr;
  }
  auto bitmap = platform::gdi::MakeBitmap(layout.width, layout.height);
  if (!bitmap) return nullptr;
  bitmap->dibSection = true;
  bitmap->dibBitCount = layout.bitCount;
  void* visible = bitmap->surface.pixels;
  if (layout.bitCount != 32 || layout.bottomUp) {
    auto dib = std::unique_ptr<platform::gdi::DibBits>(new (std::nothrow) platform::gdi::DibBits);
    if (!dib) return nullptr;
    dib->bits.reset(new (std::nothrow) BYTE[layout.rowBytes * static_cast<std::size_t>(layout.height)]());
    if (!dib->bits) return nullptr;
    dib->layout = std::move(layout);
    visible = dib->bits.get();
    bitmap->dib = std::move(dib);
    platform::gdi::PullDib(*bitmap);
  }
  HBITMAP handle = Register(std::move(bitmap));
  if (handle && bits) *bits = visible;
  return handle;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits) {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide || planes != 1) return nullptr;
  auto bitmap = platform::gdi::MakeBitmap(width, height);
  if (!bitmap) return nullptr;
  bitmap->monochrome = bitCount == 1;
  auto* pixels = reinterpret_cast<std::uint32_t*>(bitmap->surface.pixels);
  if (bitmap->monochrome) {
    // Rows of bits, padded to 16 bits, top row first; set bits are white.
    std::size_t rowBytes = (static_cast<std::size_t>(width) + 15) / 16 * 2;
    const auto* source = static_cast<const BYTE*>(bits);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        bool white = source &&
                     ((source[rowBytes * static_cast<std::size_t>(y) + static_cast<std::size_t>(x >> 3)] >>
                       (7 - (x & 7))) &
                      1);
        pixels[y * width + x] = white ? 0xFFFFFFFFu : 0xFF000000u;
      }
    }
  } else if (bits && bitCount == 32) {
    std::memcpy(pixels, bits, static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    for (int i = 0; i < width * height; ++i) pixels[i] |= 0xFF000000u;
  } else if (bitCount != 32 && bitCount != 24 && bitCount != 16 && bitCount != 8) {
    return nullptr;
  }
  return Register(std::move(bitmap));
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
  if (!header) return nullptr;
  HBITMAP bitmap = CreateCompatibleBitmap(dc, header->biWidth, std::abs(header->biHeight));
  if (bitmap && (init & CBM_INIT) &&
      !SetDIBits(dc, bitmap, 0, static_cast<UINT>(std::abs(header->biHeight)), bits, info, usage)) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

int GetDIBits(HDC, HBITMAP handle, UINT start, UINT count, void* bits, BITMAPINFO* info, UINT usage) {
  Bitmap* bitmap = platform::gdi::FindBitmap(handle);
  if (!bitmap || !info || usage != DIB_RGB_COLORS || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
    return 0;
  BITMAPINFOHEADER& header = info->bmiHeader;
  const platform::Surface& surface = bitmap->surface;
  int ownBits = bitmap->monochrome ? 1 : bitmap->dibBitCount;
  if (!bits) {
    // Only the description: the bitmap's size and form.
    if (header.biBitCount == 0) {
      header.biWidth = surface.width;
      header.biHeight = surface.height;
      header.biPlanes = 1;
      header.biBitCount = static_cast<WORD>(ownBits);
      header.biCompression = BI_RGB;
    }
    header.biSizeImage = static_cast<DWORD>(
        (static_cast<std::size_t>(surface.width) * header.biBitCount + 31) / 32 * 4 *
        static_cast<std::size_t>(surface.height));
    return surface.height;
  }
  if (header.biWidth != surface.width || header.biHeight == 0 || header.biHeight == INT_MIN ||
      std::abs(header.biHeight) != surface.height) {
    return 0;
  }
  int bitCount = header.biBitCount;
  bool paletted = bitCount == 1 || bitCount == 4 || bitCount == 8;
  // A colour table is known only for DIB sections of that same form, and for monochrome bitmaps.
  if (paletted && !(bitmap->dib && bitmap->dib->layout.bitCount == bitCount) &&
      !(bitmap->monochrome && bitCount == 1)) {
    return 0;
  }
  if (!paletted && bitCount != 16 && bitCount != 24 && bitCount != 32) return 0;
  header.biPlanes = 1;
  header.biCompression = BI_RGB;
  DibLayout layout;
  layout.width = surface.width;
  layout.height = surface.height;
  layout.bottomUp = header.biHeight > 0;
  layout.bitCount = bitCount;
  layout.rowBytes = (static_cast<std::size_t>(surface.width) * static_cast<std::size_t>(bitCount) + 31) / 32 *
                    4;
  if (paletted) {
    layout.colors = bitmap->dib ? bitmap->dib->layout.colors
                                : std::vector<RGBQUAD>{{0, 0, 0, 0}, {255, 255, 255, 0}};
    std::copy(layout.colors.begin(), layout.colors.end(), info->bmiColors);
    header.biClrUsed = 0;
  }
  platform::gdi::SurfaceUse use(bitmap, false);
  UINT end = std::min<UINT>(start + count, static_cast<UINT>(surface.height));
  auto* out = static_cast<BYTE*>(bits);
  // Scan lines count from the bottom for bottom-up DIBs, from the top otherwise.
  for (UINT scan = start; scan < end; ++scan) {
    int y = layout.bottomUp ? surface.height - 1 - static_cast<int>(scan) : static_cast<int>(scan);
    platform::gdi::EncodeDibRow(layout, reinterpret_cast<const std::uint32_t*>(surface.Row(y)),
                                out + layout.rowBytes * (scan - start));
  }
  return start < end ? static_cast<int>(end - start) : 0;
}

int SetDIBits(HDC, HBITMAP handle, UINT start, UINT count, const void* bits, const BITMAPINFO* info,
              UINT usage) {
  Bitmap* bitmap = platform::gdi::FindBitmap(handle);
  DibLayout layout;
  if (!bitmap || !bits || !platform::gdi::ReadDibLayout(info, usage, &layout)) return 0;
  platform::gdi::SurfaceUse use(bitmap, true);
  platform::Surface& surface = bitmap->surface;
  UINT end = std::min<UINT>(start + count, static_cast<UINT>(layout.height));
  int copied = 0;
  for (UINT scan = start; scan < end; ++scan) {
    int y = layout.bottomUp ? layout.height - 1 - static_cast<int>(scan) : static_cast<int>(scan);
    if (y >= surface.height) continue;
    auto* row = reinterpret_cast<std::uint32_t*>(surface.Row(y));
    for (int x = 0; x < std::min(layout.width, surface.width); ++x) {
      row[x] = platform::gdi::DibPixel(layout, static_cast<const BYTE*>(bits), x, y);
    }
    ++copied;
  }
  return copied;
}

LONG GetBitmapBits(HBITMAP handle, LONG size, void* bits) {
  Bitmap* bitmap = platform::gdi::FindBitmap(handle);
  if (!bitmap || !bits || size <= 0) return 0;
  platform::gdi::SurfaceUse use(bitmap, false);
  const platform::Surface& surface = bitmap->surface;
  LONG bytes = std::min<LONG>(size, surface.stride * surface.height);
  std::memcpy(bits, surface.pixels, static_cast<std::size_t>(bytes));
  return bytes;
}

HPALETTE CreatePalette(const LOGPALETTE* logPalette) {
  if (!logPalette || logPalette->palVersion != 0x300) return nullptr;
  auto palette = std::make_unique<platform::gdi::Palette>();
  palette->entries.assign(logPalette->palPalEntry, logPalette->palPalEntry + logPalette->palNumEntries);
  return static_cast<HPALETTE>(platform::gdi::RegisterObject(std::move(palette)));
}

HPALETTE SelectPalette(HDC handle, HPALETTE palette, BOOL) {
  platform::gdi::DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !platform::gdi::FindPalette(palette)) return nullptr;
  HGDIOBJ previous = dc->state.palette;
  dc->state.palette = palette;
  return static_cast<HPALETTE>(previous);
}

UINT RealizePalette(HDC) { return 0; }

UINT GetPaletteEntries(HPALETTE handle, UINT start, UINT count, PALETTEENTRY* entries) {
  platform::gdi::Palette* palette = platform::gdi::FindPalette(handle);
  if (!palette) return 0;
  if (!entries) return static_cast<UINT>(palette->entries.size());
  UINT copied = 0;
  for (UINT i = start; i < start + count && i < palette->entries.size(); ++i)
    entries[copied++] = palette->entries[i];
  return copied;
}

UINT GetNearestPaletteIndex(HPALETTE handle, COLORREF color) {
  platform::gdi::Palette* palette = platform::gdi::FindPalette(handle);
  if (!palette || palette->entries.empty()) return CLR_INVALID;
  UINT best = 0;
  int bestDistance = INT_MAX;
  for (UINT i = 0; i < palette->entries.size(); ++i) {
    const PALETTEENTRY& e = palette->entries[i];
    int dr = e.peRed - GetRValue(color), dg = e.peGreen - GetGValue(color), db = e.peBlue - GetBValue(color);
    int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

namespace platform {

HBITMAP CreateTopDownSection(int width, int height, BYTE** bits) {
  *bits = nullptr;
  if (width < 1 || height < 1) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  *bits = static_cast<BYTE*>(pixels);
  return section;
}

}  // namespace platform
