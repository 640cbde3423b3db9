#include "controls/PaletteDib.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Dib.h"

bool PaletteDib::Create(int newWidth, int newHeight, int bits) {
  Free();
  if (newWidth < 1 || newHeight < 1 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
    return false;
  width = newWidth;
  height = newHeight;
  bitsPerPixel = bits;
  stride = static_cast<int>((static_cast<long long>(width) * bits + 31) / 32 * 4);
  palette.assign(bits <= 8 ? size_t{1} << bits : 0, RGBQUAD{});
  pixels.assign(static_cast<size_t>(stride) * static_cast<size_t>(height), 0);
  return true;
}

void PaletteDib::Free() {
  width = height = bitsPerPixel = stride = 0;
  palette.clear();
  pixels.clear();
}

void PaletteDib::Clear(BYTE index) { std::fill(pixels.begin(), pixels.end(), index); }

void PaletteDib::SetPixelIndex(int x, int y, BYTE index) {
  if (bitsPerPixel != 8 || x < 0 || y < 0 || x >= width || y >= height) return;
  pixels[static_cast<size_t>(height - 1 - y) * stride + x] = index;
}

BYTE PaletteDib::PixelIndex(int x, int y) const {
  if (bitsPerPixel != 8 || x < 0 || y < 0 || x >= width || y >= height) return 0;
  return pixels[static_cast<size_t>(height - 1 - y) * stride + x];
}

void PaletteDib::SetPaletteEntry(int index, BYTE red, BYTE green, BYTE blue) {
  if (index < 0 || index >= static_cast<int>(palette.size())) return;
  palette[index] = RGBQUAD{blue, green, red, 0};
}

RGBQUAD PaletteDib::PaletteEntry(int index) const {
  return index >= 0 && index < static_cast<int>(palette.size()) ? palette[index] : RGBQUAD{};
}

void PaletteDib::BlendPalette(COLORREF colour, int percent) {
  const int p = std::clamp(percent, 0, 100);
  const auto mix = [p](BYTE channel, BYTE toward) { return BYTE((channel * (100 - p) + toward * p) / 100); };
  for (RGBQUAD& entry : palette) {
    entry.rgbRed = mix(entry.rgbRed, GetRValue(colour));
    entry.rgbGreen = mix(entry.rgbGreen, GetGValue(colour));
    entry.rgbBlue = mix(entry.rgbBlue, GetBValue(colour));
  }
}

void PaletteDib::Draw(HDC dc, int x, int y) const {
  if (pixels.empty()) return;
  std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + std::max<size_t>(palette.size(), 1) * sizeof(RGBQUAD));
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bitsPerPixel);
  header.biCompression = BI_RGB;
  header.biClrUsed = static_cast<DWORD>(palette.size());
  std::memcpy(info.data(), &header, sizeof header);
  if (!palette.empty())
    std::memcpy(info.data() + sizeof header, palette.data(), palette.size() * sizeof(RGBQUAD));
  SetDIBitsToDevice(dc, x, y, width, height, 0, 0, 0, height, pixels.data(),
                    reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
}
