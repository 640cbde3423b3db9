// SSE2 form of the cubic convolution of one four-channel 8-bit pixel; same sums as the plain one.
#pragma once
#include <cstdint>

namespace corvel::detail {

// The footprint's four columns side by side from lines[k] + offset; w the sixteen taps, row by row.
void CubicPixel4Sse2(std::uint8_t* out, const std::uint8_t* const lines[4], int offset,
                     const std::int16_t* w);

}  // namespace corvel::detail
