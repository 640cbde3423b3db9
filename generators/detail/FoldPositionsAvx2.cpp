// Compiled with AVX2 enabled for this file alone; run only where the processor record allows.
#include <immintrin.h>

#include "generators/detail/Avx2Lanes.h"
#include "generators/detail/BandMarkLanes.h"
#include "generators/detail/BentMarkLanes.h"
#include "generators/detail/FoldLanes.h"

namespace corvel::detail {

namespace {

struct Avx2Marks {
  static constexpr int kWidth = 8;
  typedef std::uint32_t Unsigned __attribute__((vector_size(32)));
  typedef std::int32_t Signed __attribute__((vector_size(32)));
  static void StoreMarks(std::uint8_t* out, Signed mask, int n) {
    const __m256i ones = _mm256_srli_epi32(__m256i(mask), 31);
    const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(ones), _mm256_extracti128_si256(ones, 1));
    const __m128i bytes = _mm_packs_epi16(words, words);
    if (n == kWidth) return _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bytes);
    const std::uint64_t eight = std::uint64_t(_mm_cvtsi128_si64(bytes));
    for (int i = 0; i < n; ++i) out[i] = std::uint8_t(eight >> 8 * i);
  }
};

}  // namespace

FoldPositionsKernel FoldKernelAvx2(const FoldKernelArgs& args) {
  return AnyStepBent(args) ? BentFoldKernelAvx2(args) : StraightFoldKernel<Avx2Lanes>(args);
}

void MarkBandLanesAvx2(const BandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                       std::uint32_t dv, int count, std::uint8_t* marks) {
  MarkBandLanesWith<Avx2Marks>(bands, starts, du, dv, count, marks);
}

void MarkBentBandsAvx2(const BentBandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                       std::uint32_t dv, int count, std::uint8_t* marks) {
  MarkBentBandsWith<Avx2Lanes>(bands, starts, du, dv, count, marks);
}

}  // namespace corvel::detail
