// SSE2 forms of the blend kernels that have a fast variant: the premultiplied Porter-Duff
// modes and the solid BGR and BGRxA blends. Each gives exactly the plain kernel's values.
#pragma once
#include <cstdint>

#include "rowops/detail/BlendMath.h"

namespace corvel::detail {

// count premultiplied BGRxA pixels of src over dst.
void PorterDuffBgrxaSse2(PorterDuffMode mode, std::uint8_t* dst, const std::uint8_t* src, int count);
// Each byte d of a run becomes round(d x keep / 255) + add[i mod period], add repeating with
// the pixel (period 3 for BGR, 4 for BGRxA).
void ScaleAndAddSse2(std::uint8_t* bytes, int count, std::uint32_t keep, const std::uint8_t* add, int period);

}  // namespace corvel::detail
