// The pixels under every bitmap and device context: 32-bit pixels, blue, green, red, alpha in
// memory, top row first, rows stride bytes apart. The layout is a Cairo ARGB32 image surface's
// (little-endian, stride = 4 x width), so a surface can be wrapped for drawing as it is.
// Colour bytes are opaque (alpha 255) wherever GDI calls write them.
#pragma once
#include "platform/win32/Types.h"

namespace platform {

struct Surface {
  int width = 0;
  int height = 0;
  int stride = 0;  // bytes from one row to the next, positive
  BYTE* pixels = nullptr;

  BYTE* Row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * stride; }
};

}  // namespace platform
