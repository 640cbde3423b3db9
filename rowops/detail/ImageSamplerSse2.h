// SSE2 form of the affine span projection; same positions as the plain loop.
#pragma once
#include <cstdint>

namespace corvel::detail {

// count positions (x, y in 1/256) from (sx, sy) in steps of (dx, dy); false, with nothing
// written, where the span strays too near the 32-bit limits for the processor's rounding.
bool ProjectAffineSpanSse2(std::int32_t* positions, int count, double sx, double sy, double dx, double dy);

}  // namespace corvel::detail
