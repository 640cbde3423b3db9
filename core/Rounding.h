// Rounding of doubles to integers as the processor does by default: to nearest, halves to even.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace corvel {

// The nearest 32-bit integer, halves to even; values beyond the range saturate, NaN gives 0.
inline std::int32_t RoundToInt(double value) {
  double rounded = std::nearbyint(value);
  if (std::isnan(rounded)) return 0;
  rounded = std::clamp(rounded, static_cast<double>(std::numeric_limits<std::int32_t>::min()),
                       static_cast<double>(std::numeric_limits<std::int32_t>::max()));
  return static_cast<std::int32_t>(rounded);
}

}  // namespace corvel
