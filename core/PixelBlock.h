// A flat block of pixels: what a band lock hands out and what a buffer of the caller describes.
#pragma once
#include <cstdint>

#include "core/PixelFormat.h"
#include "platform/win32/Types.h"

namespace corvel {

struct PixelBlock {
  keFormat format = keFormatNone;
  std::int32_t width = 0;
  std::int32_t height = 0;
  BYTE* bits = nullptr;      // first byte of the top row
  std::intptr_t stride = 0;  // bytes from one row to the next; negative for bottom-up storage
  std::int32_t paletteSize = 0;
  const RGBQUAD* palette = nullptr;
};

}  // namespace corvel
