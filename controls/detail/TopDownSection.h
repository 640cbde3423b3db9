// The 32-bit top-down DIB section the controls paint pixels into directly.
#pragma once
#include "platform/gdi/Dib.h"

// `*bits` receives the pixels, top row first, four bytes a pixel; null for an empty size.
inline HBITMAP MakeSection(int width, int height, BYTE** bits) {
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
