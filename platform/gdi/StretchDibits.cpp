// StretchDIBits and SetDIBitsToDevice: device-independent bitmap rows into a device context.
#include <algorithm>
#include <cstdlib>
#include <new>

#include "platform/gdi/Dib.h"
#include "platform/gdi/detail/Blit.h"
#include "platform/gdi/detail/Canvas.h"
#include "platform/gdi/detail/DibFormat.h"

int StretchDIBits(HDC handle, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop) {
  platform::gdi::DeviceContext* dc = platform::gdi::FindDC(handle);
  platform::gdi::DibLayout layout;
  if (!dc || !bits || !platform::gdi::ReadDibLayout(info, usage, &layout)) return 0;
  if (destWidth == 0 || destHeight == 0 || srcWidth == 0 || srcHeight == 0) return 0;
  try {
    std::vector<std::uint32_t> pixels = platform::gdi::DecodeDib(layout, static_cast<const BYTE*>(bits));
    platform::Surface surface{layout.width, layout.height, layout.width * 4,
                              reinterpret_cast<BYTE*>(pixels.data())};
    platform::gdi::SourceImage image{&surface, false, 0};
    // As on the platform, a bottom-up bitmap's source rectangle counts from its bottom row.
    const int srcLeft = std::min(xSrc, xSrc + srcWidth);
    const int srcTop = std::min(ySrc, ySrc + srcHeight);
    const int rows = std::abs(srcHeight);
    const int displayTop = layout.bottomUp ? layout.height - (srcTop + rows) : srcTop;
    POINT d0 = platform::gdi::ToDevice(dc->state, POINT{xDest, yDest});
    POINT d1 = platform::gdi::ToDevice(dc->state, POINT{xDest + destWidth, yDest + destHeight});
    // A negative source size mirrors: the transfer takes the source from its far side.
    const int columns = std::abs(srcWidth);
    platform::gdi::Transfer(*dc, d0.x, d0.y, d1.x - d0.x, d1.y - d0.y, &image,
                            srcWidth < 0 ? srcLeft + columns : srcLeft,
                            srcHeight < 0 ? displayTop + rows : displayTop, srcWidth, srcHeight, rop);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return std::abs(srcHeight);
}

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT scanLines, const void* bits, const BITMAPINFO* info, UINT usage) {
  platform::gdi::DibLayout layout;
  if (!bits || !platform::gdi::ReadDibLayout(info, usage, &layout) || startScan != 0 ||
      scanLines < static_cast<UINT>(layout.height)) {
    return 0;  // bands of rows are not taken: the whole bitmap comes in one call
  }
  int drawn = StretchDIBits(dc, xDest, yDest, static_cast<int>(width), static_cast<int>(height), xSrc, ySrc,
                            static_cast<int>(width), static_cast<int>(height), bits, info, usage, SRCCOPY);
  return drawn ? static_cast<int>(scanLines) : 0;
}
