// Compiled with AVX-512 enabled for this file alone; run only where the processor record allows.
// A row's span starts eight at a time: each lane the plain one's operations in the same order, with
// contraction off, so the same bits. The header's inline helpers are not called here: a copy built
// for AVX-512 could be the one the linker keeps.
// GCC 12 takes the intrinsics' own undefined starting values for uninitialised reads.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <algorithm>

#include "generators/detail/FoldRow.h"

namespace corvel::detail {

namespace {

// FixedFraction of each lane of t, in the low half of its 64 bits; lanes past its inline range
// taken by FixedFractionOfAny, as FixedFraction hands them on.
__m512i FixedFractions(__m512d t) {
  const __mmask8 inRange = __mmask8(_mm512_cmp_pd_mask(t, _mm512_set1_pd(-0x1p20), _CMP_GT_OQ) &
                                    _mm512_cmp_pd_mask(t, _mm512_set1_pd(0x1p20), _CMP_LT_OQ));
  const __m512d zero = _mm512_setzero_pd();
  const __mmask8 belowZero = __mmask8(_mm512_cmp_pd_mask(t, zero, _CMP_LT_OQ) &
                                      _mm512_cmp_pd_mask(t, _mm512_set1_pd(-1), _CMP_GT_OQ));
  const __m512d lifted = _mm512_mask_add_pd(t, belowZero, t, _mm512_set1_pd(1));
  const __mmask8 nought = __mmask8(_mm512_cmp_pd_mask(lifted, zero, _CMP_GE_OQ) &
                                   _mm512_cmp_pd_mask(lifted, _mm512_set1_pd(0x1p-33), _CMP_LT_OQ));
  const __m512d scaled = _mm512_add_pd(_mm512_mul_pd(lifted, _mm512_set1_pd(0x1p32)), _mm512_set1_pd(0.5));
  const __m512i whole = _mm512_cvttpd_epi64(scaled);
  const __mmask8 over = _mm512_cmp_pd_mask(_mm512_cvtepi64_pd(whole), scaled, _CMP_GT_OQ);
  __m512i fraction = _mm512_mask_sub_epi64(whole, over, whole, _mm512_set1_epi64(1));
  fraction = _mm512_maskz_mov_epi64(__mmask8(~nought), fraction);
  if (inRange != 0xFF) {
    alignas(64) double each[8];
    alignas(64) std::uint64_t out[8];
    _mm512_store_pd(each, t);
    _mm512_store_si512(out, fraction);
    for (int lane = 0; lane < 8; ++lane)
      if (!(inRange >> lane & 1)) out[lane] = FixedFractionOfAny(each[lane]);
    fraction = _mm512_load_si512(out);
  }
  return fraction;
}

}  // namespace

void SpanStartsAvx512(const LatticeMatrix& toLattice, double x, double y, double step, double bias, int first,
                      int spans, std::uint32_t* starts) {
  const __m512d m00 = _mm512_set1_pd(toLattice.m00), m10 = _mm512_set1_pd(toLattice.m10);
  // y's products and the bias are the same for every span.
  const __m512d yu = _mm512_set1_pd(y * toLattice.m01), yv = _mm512_set1_pd(y * toLattice.m11);
  const __m512d b = _mm512_set1_pd(bias), along = _mm512_set1_pd(step), from = _mm512_set1_pd(x);
  const __m256i eighth = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  for (int s = 0; s < spans; s += 8) {
    const int n = std::min(8, spans - s);
    const __m256i pixel = _mm256_add_epi32(_mm256_set1_epi32(first + s * kFoldSpan),
                                           _mm256_mullo_epi32(eighth, _mm256_set1_epi32(kFoldSpan)));
    const __m512d at = _mm512_add_pd(from, _mm512_mul_pd(_mm512_cvtepi32_pd(pixel), along));
    const __m512i u = FixedFractions(_mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(at, m00), yu), b));
    const __m512i v = FixedFractions(_mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(at, m10), yv), b));
    // u in each pair's low 32 bits, v in its high.
    const __m512i pairs = _mm512_or_si512(_mm512_and_si512(u, _mm512_set1_epi64(0xFFFFFFFF)),
                                          _mm512_slli_epi64(v, 32));
    _mm512_mask_storeu_epi64(starts + 2 * s, __mmask8((1u << n) - 1), pairs);
  }
}

}  // namespace corvel::detail
