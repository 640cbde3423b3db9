// SSE2 form of the BGR fill; same bytes as the plain one.
#pragma once
#include <cstdint>

namespace corvel::detail {

// count 3-byte pixels of dst set to pixel.
void FillBGRSse2(std::uint8_t* dst, int count, const std::uint8_t* pixel);

}  // namespace corvel::detail
