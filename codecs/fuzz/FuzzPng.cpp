#include "codecs/detail/BigEndian.h"
#include "codecs/fuzz/FuzzDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The PNG decoder has no size-only mode: the header's size is read here instead.
  if (size >= 24 && std::uint64_t{ReadBE32(data + 16)} * ReadBE32(data + 20) > fuzz::kMaxFuzzPixels) {
    return 0;
  }
  if (!fuzz::DecodeInput(data, size, keImageFormatPNG)) __builtin_trap();
  return 0;
}
