// Pictures of windows: a window and its visible children painted into one image (frames and
// captions included), for tests, the demo and scripted runs of the host.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/Messages.h"

namespace platform {

struct CapturedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xFFRRGGBB, top row first
  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// Repaints the window's top-level window and everything in it at once (erase, paint, frames)
// and answers the window's rectangle of it; empty for an invalid or hidden window.
CapturedImage Capture(HWND hwnd);
// Writes an 8-bit RGB PNG (RGBA with `withAlpha`, the pixels' top byte unpremultiplied alpha)
// through a temporary file and a rename; false on any failure.
bool WritePng(const CapturedImage& image, const std::string& path, bool withAlpha = false);
// Both in one.
bool Capture(HWND hwnd, const std::string& path);

}  // namespace platform
