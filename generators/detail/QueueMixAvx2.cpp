// Compiled with AVX2 enabled for this file alone; run only where the processor record allows.
// No fused multiply-add here, so that the sums round as the queue's SSE2 mix rounds them.
#include <immintrin.h>

#include <cstring>

#include "generators/detail/TileWorker.h"

namespace corvel::detail {

void MixQueuedAvx2(const std::uint8_t* sample, const double* weight, const unsigned char* counts, int width,
                   std::uint8_t* out) {
  const __m256d slack = _mm256_set1_pd(kQueueMixSlack), zero = _mm256_setzero_pd(), top = _mm256_set1_pd(255);
  for (int x = 0; x < width; ++x, out += 4) {
    const int count = counts[x];
    if (count == 1 && weight[0] == 1) {
      std::memcpy(out, sample, 4);
    } else {
      // The four channels a register, each summed in the same order as two a register.
      __m256d sum = zero;
      for (int i = 0; i < count; ++i) {
        std::int32_t pixel;
        std::memcpy(&pixel, sample + 4 * i, 4);
        const __m256d channels = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(pixel)));
        sum = _mm256_add_pd(sum, _mm256_mul_pd(_mm256_set1_pd(weight[i]), channels));
      }
      // The maximum answers its second operand, 0, for NaN.
      const __m128i words = _mm256_cvttpd_epi32(
          _mm256_min_pd(_mm256_max_pd(_mm256_add_pd(sum, slack), zero), top));
      const std::int32_t mixed = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(words, words), words));
      std::memcpy(out, &mixed, 4);
    }
    sample += 4 * count;
    weight += count;
  }
}

}  // namespace corvel::detail
