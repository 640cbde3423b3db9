// Reading the platform's device-independent bitmap blocks: the header checks, the colour
// table and rows of 1, 4, 8, 16 (5-5-5), 24 and 32 bits, bottom-up or top-down.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace platform::gdi {

struct DibLayout {
  int width = 0;
  int height = 0;  // rows, positive
  bool bottomUp = true;
  int bitCount = 0;
  std::size_t rowBytes = 0;
  std::vector<RGBQUAD> colors;  // 2 to the bit count entries (unused ones black) for 1, 4, 8
};

// Checks an uncompressed DIB header (BI_RGB) and reads its colour table; false for anything
// this layer cannot read.
bool ReadDibLayout(const BITMAPINFO* info, UINT usage, DibLayout* layout);
// The pixel of display row `y` (0 = top), column `x`, as 0xFFRRGGBB.
std::uint32_t DibPixel(const DibLayout& layout, const BYTE* bits, int x, int y);
// All pixels, top row first.
std::vector<std::uint32_t> DecodeDib(const DibLayout& layout, const BYTE* bits);
// One row of pixels (0xAARRGGBB) in the layout's form; colour tables take the nearest colour.
void EncodeDibRow(const DibLayout& layout, const std::uint32_t* pixels, BYTE* row);

}  // namespace platform::gdi
