// Compiled with AVX2 and without contraction for this file alone; run only where the processor
// record allows. Every line mirrors the plan in doubles it stands for, operation for operation.
#include <immintrin.h>

#include <cstring>

#include "generators/detail/HexagonalPlans.h"

namespace corvel::detail {

namespace {

using D = __m256d;

struct Pair {
  D x, y;
};

D Splat(double t) { return _mm256_set1_pd(t); }

D Select(D mask, D ifSet, D otherwise) { return _mm256_blendv_pd(otherwise, ifSet, mask); }

Pair Select(D mask, const Pair& ifSet, const Pair& otherwise) {
  return {Select(mask, ifSet.x, otherwise.x), Select(mask, ifSet.y, otherwise.y)};
}

D Greater(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }

D Below(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }

// CompareWithTolerance(a, b) == -1 and == 1.
D LessBeyondTolerance(D a, D b) {
  const D d = a - b;
  const D equal = _mm256_and_pd(Below(d, Splat(kGeometryTolerance)), Greater(d, Splat(-kGeometryTolerance)));
  return _mm256_andnot_pd(equal, Below(a, b));
}

D GreaterBeyondTolerance(D a, D b) {
  const D d = a - b;
  const D equal = _mm256_and_pd(Below(d, Splat(kGeometryTolerance)), Greater(d, Splat(-kGeometryTolerance)));
  return _mm256_andnot_pd(_mm256_or_pd(equal, Below(a, b)), _mm256_castsi256_pd(_mm256_set1_epi64x(-1)));
}

D NotMask(D mask) { return _mm256_xor_pd(mask, _mm256_castsi256_pd(_mm256_set1_epi64x(-1))); }

D Abs(D t) { return _mm256_andnot_pd(Splat(-0.0), t); }

// FloorOf: the floor, its zero unsigned as the integer conversion leaves it.
D Floor(D t) { return _mm256_floor_pd(t) + Splat(0.0); }

D ClampHalf(D t) {
  return Select(Below(t, Splat(0)), Splat(0), Select(Greater(t, Splat(0.5)), Splat(0.5), t));
}

D YAt(const LaneLine& line, D x) {
  return line.vertical ? x : (Splat(line.c) - x * Splat(line.nx)) / Splat(line.ny);
}

Pair Apply(const LatticeMatrix& m, D a, D b) {
  return {a * Splat(m.m00) + b * Splat(m.m01), a * Splat(m.m10) + b * Splat(m.m11)};
}

// Point2D's turns, the cosine and sine chosen per lane.
Pair Turned(const Pair& p, const Point2D& c, D cosine, D sine) {
  const D dx = p.x - Splat(c.x), dy = p.y - Splat(c.y);
  return {(dx * cosine + dy * sine) + Splat(c.x), (-dx * sine + dy * cosine) + Splat(c.y)};
}

Pair Turned(const Pair& p, const Point2D& c, const TurnConstants& turn) {
  return Turned(p, c, Splat(turn.cosine), Splat(turn.sine));
}

// The x of pixels first .. first + 3, the lanes past count repeating the last.
D PixelsX(int x0, const int* xs, int first, int count) {
  int x[4];
  for (int i = 0; i < 4; ++i) x[i] = x0 + xs[first + i < count ? first + i : count - 1];
  return _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x)));
}

// SaturatedTrunc(256 * (p + origin)) for each coordinate, stored x, y pixel by pixel.
void StorePositions(const Pair& p, const Point2D& origin, int count, std::int32_t* positions) {
  auto fixed = [](D t) { return _mm256_cvttpd_epi32(_mm256_min_pd(Splat(2147483647.0), Splat(256) * t)); };
  const __m128i x = fixed(p.x + Splat(origin.x)), y = fixed(p.y + Splat(origin.y));
  std::int32_t both[8];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(both), _mm_unpacklo_epi32(x, y));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(both + 4), _mm_unpackhi_epi32(x, y));
  std::memcpy(positions, both, sizeof(std::int32_t) * 2 * std::size_t(count < 4 ? count : 4));
}

}  // namespace

void PlanP6Avx2(const P6PlanLanes& plan, int x0, int y, const int* xs, int count, std::int32_t* positions) {
  const LaneLattice& lattice = plan.lattice;
  const D plusCos = Splat(kTurnPlus120.cosine), plusSin = Splat(kTurnPlus120.sine),
          minusCos = Splat(kTurnMinus120.cosine), minusSin = Splat(kTurnMinus120.sine);
  auto source = [&](D u, D v) { return Apply(lattice.toSource, u + Splat(plan.su), v + Splat(plan.sv)); };
  const D py = Splat(double(y));
  for (int i = 0; i < count; i += 4) {
    // CellPosition.
    const Pair cell = Apply(lattice.toLattice, PixelsX(x0, xs, i, count), py);
    D u = cell.x - Floor(cell.x), v = cell.y - Floor(cell.y);
    // Fold.
    const D halfTurn = NotMask(LessBeyondTolerance(v, YAt(plan.shortDiagonal, u)));
    u = Select(halfTurn, (u - Splat(0.5)) * Splat(-1.0) + Splat(0.5), u);
    v = Select(halfTurn, (v - Splat(0.5)) * Splat(-1.0) + Splat(0.5), v);
    const D belowMedian1 = LessBeyondTolerance(v, YAt(plan.median1, u));
    const D kept = _mm256_and_pd(belowMedian1, LessBeyondTolerance(v, YAt(plan.median2, u)));
    const D kiteOfB = _mm256_or_pd(belowMedian1, GreaterBeyondTolerance(v, YAt(plan.third, u)));
    const Pair turned = Turned(Apply(lattice.toPlane, u, v), plan.anchor, Select(kiteOfB, minusCos, plusCos),
                               Select(kiteOfB, minusSin, plusSin));
    const Pair folded = Apply(lattice.toLattice, turned.x, turned.y);
    u = Select(kept, u, folded.x);
    v = Select(kept, v, folded.y);
    // The plan's clamps onto the kite, and its carry across the second median.
    u = ClampHalf(u);
    v = ClampHalf(v);
    const D onMedian1 = YAt(plan.median1, u);
    v = Select(Greater(v, onMedian1), onMedian1, v);
    const D onMedian2 = YAt(plan.median2, u);
    v = Select(Greater(v, onMedian2), onMedian2, v);
    const D carried = NotMask(LessBeyondTolerance(v, onMedian2));
    const Pair across = Turned(source(u, v), plan.threeFold, kTurnMinus120);
    const Pair back = Apply(lattice.fromSource, across.x, across.y);
    u = Select(carried, back.x - Splat(plan.su), u);
    v = Select(carried, back.y - Splat(plan.sv), v);
    // The hard seams' sides.
    const Pair own = source(u, v);
    const D near = Splat(plan.near);
    const D onAxis = _mm256_and_pd(Below(u, near), Greater(v, near));
    const D onSecondMedian = _mm256_and_pd(Below(Abs(u + Splat(2) * v - Splat(1)), near),
                                           _mm256_cmp_pd(Abs(Splat(2) * u + v - Splat(1)), near, _CMP_GE_OQ));
    const Pair chosen = Select(onAxis, Turned(own, plan.sixFold, kTurnPlus60),
                               Select(onSecondMedian, Turned(own, plan.threeFold, kTurnMinus120), own));
    StorePositions(chosen, lattice.origin, count - i, positions + 2 * i);
  }
}

}  // namespace corvel::detail
