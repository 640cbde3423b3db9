#include "codecs/fuzz/FuzzDecode.h"

namespace {

std::uint64_t Word(const std::uint8_t* p) { return std::uint64_t{p[0]} | std::uint64_t{p[1]} << 8; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The TGA decoder has no size-only mode: the header's size is read here instead.
  if (size >= 18 && Word(data + 12) * Word(data + 14) > fuzz::kMaxFuzzPixels) return 0;
  if (!fuzz::DecodeInput(data, size, keImageFormatTGA)) __builtin_trap();
  return 0;
}
