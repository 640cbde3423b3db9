// Rounding of doubles to integers as the processor does by default: to nearest, halves to even.
#pragma once
#include <cmath>
#include <cstdint>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvel {

// The nearest 32-bit integer, halves to even; values beyond the range saturate, NaN gives 0.
// Inline and without a library call: the samplers round two coordinates per pixel.
inline std::int32_t RoundToInt(double value) {
  if (!(value > -2147483648.5)) return std::isnan(value) ? 0 : std::numeric_limits<std::int32_t>::min();
  if (value >= 2147483647.5) return std::numeric_limits<std::int32_t>::max();
#if defined(__SSE2__)
  return _mm_cvtsd_si32(_mm_set_sd(value));  // the processor's rounding mode: nearest, even
#else
  return static_cast<std::int32_t>(std::nearbyint(value));
#endif
}

// A double truncated toward zero into 32 bits; far-off values saturate, NaN gives the lowest.
inline std::int32_t SaturatedTrunc(double value) {
  if (!(value > -2147483648.0)) return std::numeric_limits<std::int32_t>::min();
  if (!(value < 2147483647.0)) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value);
}

}  // namespace corvel
