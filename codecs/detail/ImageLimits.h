// Limits on what one image may allocate. Sizes from files are checked against them in 64-bit
// arithmetic before anything is allocated.
#pragma once
#include <cstdint>

#include "codecs/DecodeLimit.h"

// A side must fit the header's signed 32-bit fields.
constexpr std::uint64_t kMaxImageSide = 0x7FFFFFFF;
// One pixel block (header, palette and rows), and likewise one alpha or selection plane.
constexpr std::uint64_t kMaxImageBytes = std::uint64_t{1} << 31;
