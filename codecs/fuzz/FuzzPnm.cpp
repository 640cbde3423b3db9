#include "codecs/fuzz/FuzzDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!fuzz::DecodeInput(data, size, keImageFormatPNM)) __builtin_trap();
  return 0;
}
