#include "codecs/fuzz/FuzzDecode.h"

namespace {

long Side(const std::uint8_t* minimum, const std::uint8_t* maximum) {
  return long{maximum[0] | maximum[1] << 8} - (minimum[0] | minimum[1] << 8) + 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The PCX decoder has no size-only mode: the header's size is read here instead.
  if (size >= 12 && Side(data + 4, data + 8) * Side(data + 6, data + 10) > long{fuzz::kMaxFuzzPixels})
    return 0;
  if (!fuzz::DecodeInput(data, size, keImageFormatPCX)) __builtin_trap();
  return 0;
}
