// Compiled with AVX2 enabled for this file alone; run only where the processor record allows.
#include <immintrin.h>

#include "generators/detail/SeamBlendLanes.h"

namespace corvel::detail {

namespace {
struct Avx2 {
  static constexpr int kWidth = 8;
  using Mask = BlendVectors<kWidth>::Ints;
  static int Bits(Mask mask) { return _mm256_movemask_ps(_mm256_castsi256_ps(__m256i(mask))); }
  static bool Any(Mask mask) { return Bits(mask) != 0; }
  static bool All(Mask mask) { return Bits(mask) == 0xFF; }
};
}  // namespace

void SeamBlendAvx2(const SeamBlendArgs& args, const std::int32_t* positions, int count, std::uint8_t* planned,
                   std::int32_t* partners, float* weights) {
  SeamBlendWith<Avx2>(args, positions, count, planned, partners, weights);
}

}  // namespace corvel::detail
