#include "rowops/detail/ResampleWorkersSse2.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstring>

namespace corvel::detail {

// The sixteen taps as eight multiply-adds of tap pairs, all channels at once.
void CubicPixel4Sse2(std::uint8_t* out, const std::uint8_t* const lines[4], int offset,
                     const std::int16_t* w) {
  const __m128i zero = _mm_setzero_si128();
  __m128i sum = zero;
  for (int k = 0; k < 4; ++k) {
    const __m128i taps = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lines[k] + offset));
    const __m128i first = _mm_unpacklo_epi8(taps, zero), second = _mm_unpackhi_epi8(taps, zero);
    std::int32_t pair01, pair23;
    std::memcpy(&pair01, w + 4 * k, 4);
    std::memcpy(&pair23, w + 4 * k + 2, 4);
    sum = _mm_add_epi32(
        sum, _mm_madd_epi16(_mm_unpacklo_epi16(first, _mm_srli_si128(first, 8)), _mm_set1_epi32(pair01)));
    sum = _mm_add_epi32(
        sum, _mm_madd_epi16(_mm_unpacklo_epi16(second, _mm_srli_si128(second, 8)), _mm_set1_epi32(pair23)));
  }
  // (sum + 8192) / 16384 truncated toward zero, then clamped to bytes by the packs.
  const __m128i t = _mm_add_epi32(sum, _mm_set1_epi32(8192));
  const __m128i q = _mm_srai_epi32(
      _mm_add_epi32(t, _mm_and_si128(_mm_srai_epi32(t, 31), _mm_set1_epi32(16383))), 14);
  const __m128i words = _mm_packs_epi32(q, q);
  const std::int32_t pixel = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
  std::memcpy(out, &pixel, 4);
}

}  // namespace corvel::detail
#endif
