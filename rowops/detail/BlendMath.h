// Weights and rounding shared by the blend kernels.
#pragma once
#include <cstdint>

#include "rowops/PixelHelpers.h"

namespace corvel::detail {

// x moved toward y by the 16.16 weight w (0..65536), rounded alike in both directions.
inline std::uint32_t Mix(std::uint32_t x, std::uint32_t y, std::uint32_t w) {
  if (y > x) return x + static_cast<std::uint32_t>((std::uint64_t{y - x} * w + 32768) >> 16);
  return x - static_cast<std::uint32_t>((std::uint64_t{x - y} * w + 32768) >> 16);
}

// round(x / 255) for x up to 255 x 255 and a little beyond; the 16-bit form rounds by 65535.
inline std::uint32_t Div255(std::uint32_t x) {
  const std::uint32_t t = x + 128;
  return (t + (t >> 8)) >> 8;
}
inline std::uint32_t Div65535(std::uint64_t x) {
  const std::uint64_t t = x + 32768;
  return static_cast<std::uint32_t>((t + (t >> 16)) >> 16);
}

// The weight that composites a source of alpha a into a result of alpha ra: a / ra in 16.16.
inline std::uint32_t CompositeWeight(std::uint32_t a, std::uint32_t ra) {
  if (ra == a) return 65536;
  if (ra == 0) return 0;
  return static_cast<std::uint32_t>((std::uint64_t{a} * 65536 + (ra >> 1)) / ra);
}

}  // namespace corvel::detail
