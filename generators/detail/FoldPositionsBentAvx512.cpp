// Compiled with AVX-512 enabled for this file alone; run only where the processor record allows.
// The bent programs' kernels in sixteen lanes, made apart from the straight ones for the reason
// AVX2's are (FoldPositionsBentAvx2.cpp), and the bent bands' marks.
// GCC 12 takes the intrinsics' own undefined starting values for uninitialised reads.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "generators/detail/Avx512Lanes.h"
#include "generators/detail/BentMarkLanes.h"
#include "generators/detail/FoldLanes.h"

namespace corvel::detail {

FoldPositionsKernel BentFoldKernelAvx512(const FoldKernelArgs& args) {
  return BentFoldKernel<Avx512Lanes>(args);
}

std::uint32_t BentSpanTest::MissesEachAvx512(const std::uint32_t* starts, int spans) const {
  // Misses' operations lane by lane, a span a lane, every band tested; its selects as masked moves.
  constexpr double kSlack = 1e-4;
  const __m512d zero = _mm512_set1_pd(0), one = _mm512_set1_pd(1), half = _mm512_set1_pd(0.5);
  auto splat = [](double t) { return _mm512_set1_pd(t); };
  // std::clamp(t, low, high) and std::min and std::max as the library takes them.
  auto clamp = [](__m512d t, __m512d low, __m512d high) {
    t = _mm512_mask_blend_pd(_mm512_cmp_pd_mask(high, t, _CMP_LT_OQ), t, high);
    return _mm512_mask_blend_pd(_mm512_cmp_pd_mask(t, low, _CMP_LT_OQ), t, low);
  };
  auto least = [](__m512d a, __m512d b) {
    return _mm512_mask_blend_pd(_mm512_cmp_pd_mask(b, a, _CMP_LT_OQ), a, b);
  };
  auto most = [](__m512d a, __m512d b) {
    return _mm512_mask_blend_pd(_mm512_cmp_pd_mask(a, b, _CMP_LT_OQ), a, b);
  };
  std::uint32_t missed = 0;
  for (int first = 0; first < spans; first += 8) {
    const int n = std::min(8, spans - first);
    const __mmask8 lanes = __mmask8((1u << n) - 1);
    // Each span's u0 in the low half of its lane, v0 in the high.
    const __m512i pairs = _mm512_maskz_loadu_epi64(lanes, starts + 2 * first);
    const __m512i u0 = _mm512_and_si512(pairs, _mm512_set1_epi64(0xFFFFFFFF)),
                  v0 = _mm512_srli_epi64(pairs, 32);
    const __m512i lastU = _mm512_add_epi64(u0, _mm512_set1_epi64(reachU_)),
                  lastV = _mm512_add_epi64(v0, _mm512_set1_epi64(reachV_));
    const __m512i cell = _mm512_set1_epi64(std::int64_t{1} << 32), none = _mm512_setzero_si512();
    __mmask8 hit = __mmask8(_mm512_cmplt_epi64_mask(lastU, none) | _mm512_cmpge_epi64_mask(lastU, cell) |
                            _mm512_cmplt_epi64_mask(lastV, none) | _mm512_cmpge_epi64_mask(lastV, cell));
    const __m512d toCells = splat(0x1p-32), bias = splat(bias_);
    const __m512d u = _mm512_sub_pd(_mm512_mul_pd(_mm512_cvtepi64_pd(u0), toCells), bias),
                  v = _mm512_sub_pd(_mm512_mul_pd(_mm512_cvtepi64_pd(v0), toCells), bias);
    for (int b = 0; b < count_; ++b) {
      const Band& band = bands_[b];
      const __m512d t = _mm512_add_pd(
          _mm512_add_pd(_mm512_mul_pd(splat(band.tu), u), _mm512_mul_pd(splat(band.tv), v)), splat(band.t1));
      __m512d t0 = _mm512_add_pd(t, splat(band.t.low)), t1 = _mm512_add_pd(t, splat(band.t.high));
      if (band.clamped) {
        t0 = clamp(t0, zero, one);
        t1 = clamp(t1, zero, one);
      }
      __m512d shapeLow, shapeHigh;
      if (band.sShape) {
        hit |= __mmask8(_mm512_cmp_pd_mask(t0, zero, _CMP_LT_OQ) | _mm512_cmp_pd_mask(one, t1, _CMP_LT_OQ));
        shapeLow = splat(-0.125);
        shapeHigh = splat(0.125);
      } else {
        shapeLow = least(_mm512_mul_pd(t0, _mm512_sub_pd(one, t0)),
                         _mm512_mul_pd(t1, _mm512_sub_pd(one, t1)));
        const __m512d middle = clamp(half, t0, t1);
        shapeHigh = _mm512_mul_pd(middle, _mm512_sub_pd(one, middle));
      }
      const __m512d bend = splat(band.bend);
      const __m512d bumpLow = least(_mm512_mul_pd(bend, shapeLow), _mm512_mul_pd(bend, shapeHigh)),
                    bumpHigh = most(_mm512_mul_pd(bend, shapeLow), _mm512_mul_pd(bend, shapeHigh));
      const __m512d sum = _mm512_sub_pd(
          _mm512_add_pd(_mm512_mul_pd(splat(band.a), u), _mm512_mul_pd(splat(band.b), v)), splat(band.from));
      const __m512d sumLow = _mm512_sub_pd(_mm512_add_pd(_mm512_add_pd(sum, splat(band.sum.low)), bumpLow),
                                           splat(kSlack)),
                    sumHigh = _mm512_add_pd(_mm512_add_pd(_mm512_add_pd(sum, splat(band.sum.high)), bumpHigh),
                                            splat(kSlack));
      const __m512d whole = _mm512_roundscale_pd(sumLow, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
      hit |= __mmask8(_mm512_cmp_pd_mask(sumHigh, _mm512_add_pd(whole, one), _CMP_GE_OQ) |
                      _mm512_cmp_pd_mask(_mm512_sub_pd(sumLow, whole), splat(band.width), _CMP_LT_OQ));
    }
    missed |= std::uint32_t(lanes & ~hit) << first;
  }
  return missed;
}

void MarkBentBandsAvx512(const BentBandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                         std::uint32_t dv, int count, std::uint8_t* marks) {
  MarkBentBandsWith<Avx512Lanes>(bands, starts, du, dv, count, marks);
}

}  // namespace corvel::detail
