// An 8-bit (or 1- or 4-bit) picture with its own palette, for fills computed as palette
// indices and then copied to a device.
#pragma once
#include <vector>

#include "platform/gdi/Gdi.h"

class PaletteDib {
 public:
  // Frees the old picture first; false for a size below 1 or a depth other than 1, 4, 8, 24, 32.
  bool Create(int width, int height, int bitsPerPixel);
  void Free();
  BYTE* Bits() { return pixels.empty() ? nullptr : pixels.data(); }
  int Width() const { return width; }
  int Height() const { return height; }
  int Stride() const { return stride; }
  void Clear(BYTE index);
  // Row 0 is the top row; ignored outside the picture.
  void SetPixelIndex(int x, int y, BYTE index);
  BYTE PixelIndex(int x, int y) const;
  void SetPaletteEntry(int index, BYTE red, BYTE green, BYTE blue);
  RGBQUAD PaletteEntry(int index) const;
  // Moves every entry `percent` (at most 100) of the way to `colour`.
  void BlendPalette(COLORREF colour, int percent);
  void Draw(HDC dc, int x, int y) const;

 private:
  int width = 0, height = 0, bitsPerPixel = 0, stride = 0;
  std::vector<RGBQUAD> palette;
  std::vector<BYTE> pixels;  // rows bottom-up, each padded to 4 bytes
};
