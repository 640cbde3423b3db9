#include "codecs/fuzz/FuzzDecode.h"

namespace {

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The PNG decoder has no size-only mode: the header's size is read here instead.
  if (size >= 24 && std::uint64_t{BigEndian32(data + 16)} * BigEndian32(data + 20) > fuzz::kMaxFuzzPixels) {
    return 0;
  }
  if (!fuzz::DecodeInput(data, size, keImageFormatPNG)) __builtin_trap();
  return 0;
}
