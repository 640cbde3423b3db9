// The block transfer behind PatBlt, BitBlt, StretchBlt and the DIB calls: any ternary raster
// operation of pattern (the destination's brush), source and destination, per pixel.
#pragma once
#include "platform/gdi/detail/Objects.h"

namespace platform::gdi {

struct SourceImage {
  const Surface* surface = nullptr;
  bool monochrome = false;
  COLORREF bkColor =
      0xFFFFFF;  // a colour source's pixels of this colour become white in a monochrome destination
};

// Transfers the source rectangle (source pixels; negative sizes mirror) onto the destination
// rectangle (device coordinates of `dest`; negative sizes mirror) by the nearest source pixel,
// combined by `rop`. Without a source only the pattern and destination take part.
void Transfer(DeviceContext& dest, int x, int y, int width, int height, const SourceImage* source, int xSrc,
              int ySrc, int srcWidth, int srcHeight, DWORD rop);

// The brush's colour at a device pixel: 0xFFRRGGBB; between a hatch's lines the background
// colour, or 0 (the destination shows) when `transparentGaps`; 0 for a hollow brush.
std::uint32_t BrushPixel(const Brush& brush, const DcState& state, int x, int y, bool transparentGaps);

// Does the raster operation read the source?
inline bool UsesSource(DWORD rop) {
  unsigned code = (rop >> 16) & 0xFF;
  return ((code >> 2) & 0x33) != (code & 0x33);
}

}  // namespace platform::gdi
