// Bitmaps in the platform's device-independent forms: DIB sections of 1, 4, 8, 16, 24 and 32
// bits whose bits the caller reads and writes directly, device-dependent bitmaps, reading
// a bitmap's pixels back, and logical palettes.
#pragma once
#include "platform/gdi/Gdi.h"

constexpr UINT DIB_PAL_COLORS = 1;

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
};

// `*bits` receives the caller's view of the pixels (rows as the header orders them). Drawing
// into the bitmap through a device context shows in them after each call, and what the caller
// writes into them shows in the next call.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
// A device-dependent bitmap: monochrome for 1 bit per pixel (black and white), 32-bit
// otherwise; `bits` (top row first, rows padded to 16 bits) may be null.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits);
constexpr DWORD CBM_INIT = 4;
// A 32-bit bitmap, filled from the DIB when CBM_INIT is given.
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);

// Reads rows [start, start + count) of a bitmap (not selected into a device context, or
// selected: the platform allows both for reading) in the form the header asks: 16 (5-5-5), 24
// or 32 bits, or the bitmap's own form for DIB sections of 1, 4 or 8 bits (with their colour
// table). With null bits, fills in the header (size, bit count, image size). Answers the rows
// copied, 0 on failure.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT count, void* bits, BITMAPINFO* info, UINT usage);
// Writes DIB rows into a bitmap.
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT count, const void* bits, const BITMAPINFO* info,
              UINT usage);
// Copies a DIB's rectangle to the device unscaled; answers the rows drawn.
int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT scanLines, const void* bits, const BITMAPINFO* info, UINT usage);
LONG GetBitmapBits(HBITMAP bitmap, LONG size, void* bits);

struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};
struct LOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
};
HPALETTE CreatePalette(const LOGPALETTE* palette);
// The device is a true-colour one: selecting and realising a palette changes no pixel.
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background);
UINT RealizePalette(HDC dc);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color);

namespace platform {
// A 32-bit top-down DIB section; `*bits` receives its pixels, top row first, four bytes a
// pixel. Null (and `*bits` null) for an empty size.
HBITMAP CreateTopDownSection(int width, int height, BYTE** bits);
}  // namespace platform
