// Device contexts and bitmaps. A memory device context draws into the 32-bit surface of the
// bitmap selected into it (platform/gdi/Surface.h); every bitmap here is 32 bits per pixel.
#pragma once
#include "platform/gdi/Surface.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/Types.h"

using HGDIOBJ = void*;

constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;

constexpr UINT DIB_RGB_COLORS = 0;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// A memory device context with a 1 x 1 stock bitmap selected; reference is ignored.
HDC CreateCompatibleDC(HDC reference);
BOOL DeleteDC(HDC dc);
// A zeroed 32-bit bitmap; null for sizes below 1.
HBITMAP CreateCompatibleBitmap(HDC reference, int width, int height);
// Selects a bitmap into a memory device context and answers the one it replaces; null when
// either handle is not valid or the bitmap is selected into another device context.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Fails for a bitmap that is selected into a device context.
BOOL DeleteObject(HGDIOBJ object);
COLORREF GetPixel(HDC dc, int x, int y);

// Copies the source rectangle of a device-independent bitmap (uncompressed, 1, 4, 8, 16, 24 or
// 32 bits per pixel) into the destination rectangle (logical coordinates, clipped like every
// drawing call), stretching by nearest pixel and mirroring for negative sizes, combined by any
// raster operation (platform/gdi/Draw.h). As on the platform,
// a bottom-up bitmap's source rectangle is measured from its bottom row. Answers the source
// rows, 0 on failure.
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop);

namespace platform {
// The surface of a bitmap, or of the bitmap selected into a device context; null for a handle
// that is not valid. A DIB section's surface first takes up what was written into its bits.
const Surface* GetBitmapSurface(HBITMAP bitmap);
const Surface* GetDCSurface(HDC dc);
}  // namespace platform
