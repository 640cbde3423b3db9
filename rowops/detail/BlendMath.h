// Weights and rounding shared by the blend kernels.
#pragma once
#include <cstdint>

#include "core/PixelFormat.h"
#include "rowops/PixelHelpers.h"

namespace corvel::detail {

// x moved toward y by the 16.16 weight w (0..65536), rounded alike in both directions.
inline std::uint32_t Mix(std::uint32_t x, std::uint32_t y, std::uint32_t w) {
  if (y > x) return x + static_cast<std::uint32_t>((std::uint64_t{y - x} * w + 32768) >> 16);
  return x - static_cast<std::uint32_t>((std::uint64_t{x - y} * w + 32768) >> 16);
}

// Div255Exact (core/PixelFormat.h) in 16 bits: round(x / 65535).
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

// The Porter-Duff rules on one premultiplied channel (or on alpha, with s = sa and d = da); the
// sum may pass 255 when the inputs are not truly premultiplied, so callers clamp.
enum class PorterDuffMode { kAtop, kIn, kOut, kXor };
inline std::uint32_t PorterDuff(PorterDuffMode mode, std::uint32_t s, std::uint32_t sa, std::uint32_t d,
                                std::uint32_t da) {
  switch (mode) {
    case PorterDuffMode::kAtop:
      return MulDiv255(s, da) + MulDiv255(d, 255 - sa);
    case PorterDuffMode::kIn:
      return MulDiv255(s, da);
    case PorterDuffMode::kOut:
      return MulDiv255(s, 255 - da);
    default:
      return MulDiv255(s, 255 - da) + MulDiv255(d, 255 - sa);
  }
}

}  // namespace corvel::detail
