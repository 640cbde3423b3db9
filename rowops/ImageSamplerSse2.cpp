#include "rowops/detail/ImageSamplerSse2.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cmath>

namespace corvel::detail {

// Both coordinates in one register, rounded by the processor as RoundToInt rounds them,
// where the whole span stays far inside the 32-bit range (it is a straight line).
bool ProjectAffineSpanSse2(std::int32_t* positions, int count, double sx, double sy, double dx, double dy) {
  constexpr double kSafe = 1073741824.0;
  const double ex = sx + dx * count, ey = sy + dy * count;
  if (!(std::fabs(sx) < kSafe && std::fabs(sy) < kSafe && std::fabs(ex) < kSafe && std::fabs(ey) < kSafe)) {
    return false;
  }
  __m128d v = _mm_set_pd(sy, sx);
  const __m128d step = _mm_set_pd(dy, dx);
  for (int i = 0; i < count; ++i, v = _mm_add_pd(v, step))
    _mm_storel_epi64(reinterpret_cast<__m128i*>(positions + 2 * i), _mm_cvtpd_epi32(v));
  return true;
}

}  // namespace corvel::detail
#endif
