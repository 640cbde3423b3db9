// Memory device contexts with bitmaps of their own: what the drawing tests paint on and read back.
#pragma once
#include "platform/gdi/Draw.h"
#include "platform/gdi/Gdi.h"

// The bitmap as it is made; released at the end of a test.
struct MemoryDC {
  MemoryDC(int width, int height)
      : dc(CreateCompatibleDC(nullptr)), bitmap(CreateCompatibleBitmap(dc, width, height)) {
    previous = SelectObject(dc, bitmap);
  }
  ~MemoryDC() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
};

// The bitmap filled with one colour.
struct Canvas : MemoryDC {
  Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255)) : MemoryDC(width, height) {
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
  }
};
