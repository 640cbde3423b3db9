// A memory device context with a bitmap of its own, filled with one colour: what the drawing
// tests paint on and read back.
#pragma once
#include "platform/gdi/Draw.h"
#include "platform/gdi/Gdi.h"

struct Canvas {
  Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255))
      : dc(CreateCompatibleDC(nullptr)), bitmap(CreateCompatibleBitmap(dc, width, height)) {
    previous = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
};
