// Compiled with AVX2 and without fused multiply-adds for this file alone; run only where the
// processor record allows.
#include <immintrin.h>

#include "generators/groups/QuarterTurn.h"

namespace corvel {

namespace {

// QuarterTurn's fold: the other quarters turned about the centre (0.5, 0.5) onto the first,
// turned where past is set, as HalfTurn, QuarterTurnA and QuarterTurnB turn.
void TurnQuarters(__m256d& u, __m256d& v, __m256d pastU, __m256d pastV) {
  const __m256d half = _mm256_set1_pd(0.5), minusOne = _mm256_set1_pd(-1.0), sign = _mm256_set1_pd(-0.0);
  const __m256d du = _mm256_sub_pd(u, half), dv = _mm256_sub_pd(v, half);
  const __m256d halfU = _mm256_add_pd(_mm256_mul_pd(du, minusOne), half),
                halfV = _mm256_add_pd(_mm256_mul_pd(dv, minusOne), half);
  const __m256d aU = _mm256_add_pd(dv, half), aV = _mm256_add_pd(_mm256_xor_pd(du, sign), half);
  const __m256d bU = _mm256_add_pd(_mm256_xor_pd(dv, sign), half), bV = _mm256_add_pd(du, half);
  const __m256d turnedU = _mm256_blendv_pd(aU, halfU, pastV), turnedV = _mm256_blendv_pd(aV, halfV, pastV);
  u = _mm256_blendv_pd(_mm256_blendv_pd(u, bU, pastV), turnedU, pastU);
  v = _mm256_blendv_pd(_mm256_blendv_pd(v, bV, pastV), turnedV, pastU);
}

// CompareWithTolerance(a, b) as lane masks: its answer 1 (above) and -1 (below).
void CompareLanes(__m256d a, __m256d b, __m256d& above, __m256d& below) {
  const __m256d d = _mm256_sub_pd(a, b);
  const __m256d equal = _mm256_and_pd(_mm256_cmp_pd(d, _mm256_set1_pd(kGeometryTolerance), _CMP_LT_OQ),
                                      _mm256_cmp_pd(d, _mm256_set1_pd(-kGeometryTolerance), _CMP_GT_OQ));
  const __m256d less = _mm256_cmp_pd(a, b, _CMP_LT_OQ);
  above = _mm256_andnot_pd(equal, _mm256_andnot_pd(less, _mm256_castsi256_pd(_mm256_set1_epi64x(-1))));
  below = _mm256_andnot_pd(equal, less);
}

// ClampHalf.
__m256d ClampHalfLanes(__m256d t) {
  const __m256d zero = _mm256_setzero_pd(), half = _mm256_set1_pd(0.5);
  const __m256d high = _mm256_blendv_pd(t, half, _mm256_cmp_pd(t, half, _CMP_GT_OQ));
  return _mm256_blendv_pd(high, zero, _mm256_cmp_pd(t, zero, _CMP_LT_OQ));
}

}  // namespace

void FoldQuartersAvx2(double* u, double* v) {
  __m256d lu = _mm256_loadu_pd(u), lv = _mm256_loadu_pd(v);
  const __m256d half = _mm256_set1_pd(0.5);
  TurnQuarters(lu, lv, _mm256_cmp_pd(lu, half, _CMP_GE_OQ), _mm256_cmp_pd(lv, half, _CMP_GE_OQ));
  _mm256_storeu_pd(u, ClampHalfLanes(lu));
  _mm256_storeu_pd(v, ClampHalfLanes(lv));
}

void FoldQuartersMirroredAvx2(double* u, double* v) {
  const Line2D& mirror = QuarterTurn::Diagonal();
  __m256d lu = _mm256_loadu_pd(u), lv = _mm256_loadu_pd(v);
  const __m256d half = _mm256_set1_pd(0.5);
  __m256d pastU, pastV, below;
  CompareLanes(lu, half, pastU, below);
  CompareLanes(lv, half, pastV, below);
  TurnQuarters(lu, lv, pastU, pastV);
  __m256d above;
  CompareLanes(lv, _mm256_sub_pd(half, lu), above, below);
  const __m256d nx = _mm256_set1_pd(mirror.n.x), ny = _mm256_set1_pd(mirror.n.y);
  const __m256d twice = _mm256_mul_pd(
      _mm256_set1_pd(2),
      _mm256_sub_pd(_mm256_add_pd(_mm256_mul_pd(nx, lu), _mm256_mul_pd(ny, lv)), _mm256_set1_pd(mirror.c)));
  lu = _mm256_blendv_pd(_mm256_sub_pd(lu, _mm256_mul_pd(nx, twice)), lu, below);
  lv = _mm256_blendv_pd(_mm256_sub_pd(lv, _mm256_mul_pd(ny, twice)), lv, below);
  _mm256_storeu_pd(u, ClampHalfLanes(lu));
  _mm256_storeu_pd(v, ClampHalfLanes(lv));
}

}  // namespace corvel
