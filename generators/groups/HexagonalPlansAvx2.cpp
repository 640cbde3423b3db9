// Compiled with AVX2 and without contraction for this file alone; run only where the processor
// record allows. Every line mirrors the plan in doubles it stands for, operation for operation.
#include <immintrin.h>

#include <cstring>

#include "generators/groups/HexagonalPlans.h"

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

// CompareWithTolerance(a, b) == 0, == -1 and == 1.
D WithinTolerance(D a, D b) {
  const D d = a - b;
  return _mm256_and_pd(Below(d, Splat(kGeometryTolerance)), Greater(d, Splat(-kGeometryTolerance)));
}

D LessBeyondTolerance(D a, D b) { return _mm256_andnot_pd(WithinTolerance(a, b), Below(a, b)); }

D GreaterBeyondTolerance(D a, D b) {
  return _mm256_andnot_pd(_mm256_or_pd(WithinTolerance(a, b), Below(a, b)),
                          _mm256_castsi256_pd(_mm256_set1_epi64x(-1)));
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

// The same about a centre chosen per lane.
Pair Turned(const Pair& p, D cosine, D sine, D cx, D cy) {
  const D dx = p.x - cx, dy = p.y - cy;
  return {(dx * cosine + dy * sine) + cx, (-dx * sine + dy * cosine) + cy};
}

D Clamp01(D t) { return Select(Below(t, Splat(0)), Splat(0), Select(Greater(t, Splat(1)), Splat(1), t)); }

Pair Turned(const Pair& p, const Point2D& c, const TurnConstants& turn) {
  return Turned(p, c, Splat(turn.cosine), Splat(turn.sine));
}

// Turned about c by `ifSet` where mask is set, else by `otherwise`.
Pair TurnedEither(const Pair& p, const Point2D& c, D mask, const TurnConstants& ifSet,
                  const TurnConstants& otherwise) {
  return Turned(p, c, Select(mask, Splat(ifSet.cosine), Splat(otherwise.cosine)),
                Select(mask, Splat(ifSet.sine), Splat(otherwise.sine)));
}

// A kite position's point on the source.
Pair OnSource(const KiteLanes& kite, D u, D v) {
  return Apply(kite.lattice.toSource, u + Splat(kite.su), v + Splat(kite.sv));
}

// HexagonalKite's Clamped; the line to M's y at the clamped u. Inlined, as FoldP6 is: a row's few
// band pixels would each pay the calls and their lanes' round trips through memory.
__attribute__((always_inline)) inline D Clamp(const KiteLanes& kite, D& u, D& v) {
  u = ClampHalf(u);
  v = ClampHalf(v);
  const D onK = YAt(kite.toK, u);
  v = Select(Greater(v, onK), onK, v);
  const D onM = YAt(kite.toM, u);
  v = Select(Greater(v, onM), onM, v);
  return onM;
}

// HexagonalKite's Clamped, then its Carried.
__attribute__((always_inline)) inline void ClampAndCarry(const KiteLanes& kite, D& u, D& v) {
  const D onM = Clamp(kite, u, v);
  const D carried = NotMask(LessBeyondTolerance(v, onM));
  if (_mm256_movemask_pd(carried) == 0) return;
  const Pair across = Turned(OnSource(kite, u, v), kite.threeFold, kTurnMinus120);
  const Pair back = Apply(kite.lattice.fromSource, across.x, across.y);
  u = Select(carried, back.x - Splat(kite.su), u);
  v = Select(carried, back.y - Splat(kite.sv), v);
}

// HexagonalKite's HardSeamSide.
Pair HardSeamSide(const KiteLanes& kite, D u, D v, const Pair& own, D near) {
  const D onSecondMedian = _mm256_and_pd(Below(Abs(u + Splat(2) * v - Splat(1)), near),
                                         _mm256_cmp_pd(Abs(Splat(2) * u + v - Splat(1)), near, _CMP_GE_OQ));
  return Select(onSecondMedian, Turned(own, kite.threeFold, kTurnMinus120), own);
}

// The x of pixels first .. first + 3, the lanes past count repeating the last. Inlined, as are
// PixelsY and CellPositions: a call every four pixels spills the plans' lanes.
__attribute__((always_inline)) inline D PixelsX(int x0, const int* xs, int first, int count) {
  if (count - first >= 4)
    return _mm256_cvtepi32_pd(
        _mm_add_epi32(_mm_set1_epi32(x0), _mm_loadu_si128(reinterpret_cast<const __m128i*>(xs + first))));
  int x[4];
  for (int i = 0; i < 4; ++i) x[i] = x0 + xs[first + i < count ? first + i : count - 1];
  return _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x)));
}

// The rows of pixels first .. first + 3: y, or ys's where given, as PixelsX has them.
__attribute__((always_inline)) inline D PixelsY(int y, const int* ys, int first, int count) {
  return ys ? PixelsX(0, ys, first, count) : Splat(double(y));
}

// The first count of four pixels' positions.
void StoreFirst(__m128i x, __m128i y, int count, std::int32_t* positions) {
  std::int32_t both[8];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(both), _mm_unpacklo_epi32(x, y));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(both + 4), _mm_unpackhi_epi32(x, y));
  std::memcpy(positions, both, sizeof(std::int32_t) * 2 * std::size_t(count));
}

// ToFixed(p + origin) for each coordinate, stored x, y pixel by pixel.
void StorePositions(const Pair& p, const Point2D& origin, int count, std::int32_t* positions) {
  auto fixed = [](D t) {
    return _mm256_cvttpd_epi32(_mm256_min_pd(Splat(2147483647.0), Splat(256) * t + Splat(kFixedPointSlack)));
  };
  const __m128i x = fixed(p.x + Splat(origin.x)), y = fixed(p.y + Splat(origin.y));
  if (count >= 4) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(positions), _mm_unpacklo_epi32(x, y));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(positions + 4), _mm_unpackhi_epi32(x, y));
  } else {
    StoreFirst(x, y, count, positions);
  }
}

// CellPosition of the pixels first .. first + 3, on rows y.
__attribute__((always_inline)) inline void CellPositions(const LaneLattice& lattice, int x0, const int* xs,
                                                         int first, int count, D y, D& u, D& v) {
  const Pair cell = Apply(lattice.toLattice, PixelsX(x0, xs, first, count), y);
  u = cell.x - Floor(cell.x);
  v = cell.y - Floor(cell.y);
}

// P6's Fold of cell positions, then the plan's clamps onto the kite and its carry.
__attribute__((always_inline)) inline void FoldP6(const P6PlanLanes& plan, D& u, D& v) {
  const KiteLanes& kite = plan.kite;
  const D halfTurn = NotMask(LessBeyondTolerance(v, YAt(plan.shortDiagonal, u)));
  u = Select(halfTurn, (u - Splat(0.5)) * Splat(-1.0) + Splat(0.5), u);
  v = Select(halfTurn, (v - Splat(0.5)) * Splat(-1.0) + Splat(0.5), v);
  const D belowMedian1 = LessBeyondTolerance(v, YAt(kite.toK, u));
  const D kept = _mm256_and_pd(belowMedian1, LessBeyondTolerance(v, YAt(kite.toM, u)));
  // A position kept lies inside the kite beyond the tolerance: the clamps and the carry leave it.
  if (_mm256_movemask_pd(kept) == 0xF) return;
  const D kiteOfB = _mm256_or_pd(belowMedian1, GreaterBeyondTolerance(v, YAt(plan.third, u)));
  const Pair turned = TurnedEither(Apply(kite.lattice.toPlane, u, v), kite.anchor, kiteOfB, kTurnMinus120,
                                   kTurnPlus120);
  const Pair folded = Apply(kite.lattice.toLattice, turned.x, turned.y);
  u = Select(kept, u, folded.x);
  v = Select(kept, v, folded.y);
  ClampAndCarry(kite, u, v);
}

// P6MTriangle's PixelOnTriangle of pixels (x, y), on the source: WrapToCell, then the triangle's
// steps, each on the lattice position of the step before.
__attribute__((always_inline)) inline Pair P6MOnSource(const P6MPlanLanes& plan, D x, D y) {
  const LaneLattice& lattice = plan.lattice;
  const Pair cell = Apply(lattice.toLattice, x, y);
  Pair q = Apply(lattice.toPlane, cell.x - Floor(cell.x), cell.y - Floor(cell.y));
  Pair uv = Apply(lattice.toLattice, q.x, q.y);
  // The moved position's lattice coordinates are worked out beside the step's test, not after it.
  const auto take = [&](D taken, const Pair& moved) {
    const Pair movedUV = Apply(lattice.toLattice, moved.x, moved.y);
    q = Select(taken, moved, q);
    uv = Select(taken, movedUV, uv);
  };
  const auto reflected = [](const Pair& p, const LaneLine& mirror) {
    const D d = Splat(mirror.nx) * p.x + Splat(mirror.ny) * p.y - Splat(mirror.c);
    return Pair{p.x - Splat(mirror.nx) * (Splat(2) * d), p.y - Splat(mirror.ny) * (Splat(2) * d)};
  };
  const D ax = Splat(plan.anchor.x), ay = Splat(plan.anchor.y), minusOne = Splat(-1.0);
  take(NotMask(LessBeyondTolerance(uv.y, YAt(plan.shortDiagonal, uv.x))),
       {(q.x - ax) * minusOne + ax, (q.y - ay) * minusOne + ay});
  take(LessBeyondTolerance(uv.y, YAt(plan.diagonal, uv.x)), reflected(q, plan.diagonalMirror));
  take(LessBeyondTolerance(uv.y, YAt(plan.steep, uv.x)), reflected(q, plan.steepMirror));
  take(LessBeyondTolerance(uv.y, YAt(plan.flat, uv.x)), reflected(q, plan.flatMirror));
  return Apply(lattice.toSource, uv.x, uv.y);
}

}  // namespace

void FoldP6Avx2(const P6PlanLanes& plan, double* u, double* v) {
  D lanesU = _mm256_loadu_pd(u), lanesV = _mm256_loadu_pd(v);
  FoldP6(plan, lanesU, lanesV);
  _mm256_storeu_pd(u, lanesU);
  _mm256_storeu_pd(v, lanesV);
}

void PlanP6Avx2(const P6PlanLanes& plan, int x0, int y, const int* xs, const int* ys, int count,
                std::int32_t* positions) {
  const KiteLanes& kite = plan.kite;
  const D near = Splat(kite.near);
  for (int i = 0; i < count; i += 4) {
    D u, v;
    CellPositions(kite.lattice, x0, xs, i, count, PixelsY(y, ys, i, count), u, v);
    FoldP6(plan, u, v);
    // The hard seams' sides.
    const Pair own = OnSource(kite, u, v);
    const D onAxis = _mm256_and_pd(Below(u, near), Greater(v, near));
    const Pair chosen = Select(onAxis, Turned(own, plan.sixFold, kTurnPlus60),
                               HardSeamSide(kite, u, v, own, near));
    StorePositions(chosen, kite.lattice.origin, count - i, positions + 2 * i);
  }
}

void PlanP3Avx2(const P3PlanLanes& plan, int x0, int y, const int* xs, const int* ys, int count,
                std::int32_t* positions) {
  const LaneLattice& lattice = plan.lattice;
  const D one = Splat(1), half = Splat(0.5), two = Splat(2);
  for (int i = 0; i < count; i += 4) {
    // WrapToCell.
    const Pair cell = Apply(lattice.toLattice, PixelsX(x0, xs, i, count), PixelsY(y, ys, i, count));
    const Pair wrapped = Apply(lattice.toPlane, cell.x - Floor(cell.x), cell.y - Floor(cell.y));
    // Fold.
    const Pair uv = Apply(lattice.toLattice, wrapped.x, wrapped.y);
    const D u = uv.x, v = uv.y;
    const Pair q = Apply(lattice.toPlane, u, v);
    const D lower = LessBeyondTolerance(v, one - u);
    const D steep = _mm256_and_pd(lower, GreaterBeyondTolerance(v, two * u));
    const D flat = _mm256_andnot_pd(steep, _mm256_and_pd(lower, LessBeyondTolerance(v, half * u)));
    const D upper = _mm256_andnot_pd(lower, GreaterBeyondTolerance(v, half + half * u));
    const D right = _mm256_andnot_pd(_mm256_or_pd(lower, upper), LessBeyondTolerance(v, two * u - one));
    const D aboutAnchor1 = _mm256_or_pd(steep, upper), minus = _mm256_or_pd(steep, right);
    const Point2D& a1 = plan.anchor1;
    const Point2D& a2 = plan.anchor2;
    const Pair turned = Turned(q, Select(minus, Splat(kTurnMinus120.cosine), Splat(kTurnPlus120.cosine)),
                               Select(minus, Splat(kTurnMinus120.sine), Splat(kTurnPlus120.sine)),
                               Select(aboutAnchor1, Splat(a1.x), Splat(a2.x)),
                               Select(aboutAnchor1, Splat(a1.y), Splat(a2.y)));
    const D moved = _mm256_or_pd(_mm256_or_pd(aboutAnchor1, minus), _mm256_or_pd(flat, right));
    const Pair folded = Select(moved, turned, q);
    // The centre frame, clamped to the rhombus, and the hard seams' sides.
    const Pair st = Apply(plan.frameToLattice, folded.x, folded.y);
    const D s = Clamp01(st.x), t = Clamp01(st.y);
    const Pair own = Apply(plan.frameToSource, s + Splat(plan.su), t + Splat(plan.sv));
    const D near = Splat(plan.near), farEdge = one - near;
    const D beyondS = _mm256_and_pd(Greater(s, farEdge), Greater(t, near));
    const D beyondT = _mm256_and_pd(Greater(t, farEdge), Below(s, farEdge));
    const Pair chosen = Select(beyondS, Turned(own, plan.c10, kTurnMinus120),
                               Select(beyondT, Turned(own, plan.c01, kTurnPlus120), own));
    StorePositions(chosen, lattice.origin, count - i, positions + 2 * i);
  }
}

void PlanP6MAvx2(const P6MPlanLanes& plan, int x0, int y, const int* xs, const int* ys, int count,
                 std::int32_t* positions) {
  const Point2D& origin = plan.lattice.origin;
  // Eight at a time: each four wait out a chain of divisions, which the other four's fill.
  for (int i = 0; i < count; i += 8) {
    const Pair first = P6MOnSource(plan, PixelsX(x0, xs, i, count), PixelsY(y, ys, i, count));
    if (count - i <= 4) return StorePositions(first, origin, count - i, positions + 2 * i);
    const Pair second = P6MOnSource(plan, PixelsX(x0, xs, i + 4, count), PixelsY(y, ys, i + 4, count));
    StorePositions(first, origin, 4, positions + 2 * i);
    StorePositions(second, origin, count - i - 4, positions + 2 * i + 8);
  }
}

namespace {

// P3LMKite's Fold of cell positions: the mirror across A B, then the turns of the kites at A and B.
__attribute__((always_inline)) inline void FoldP3LM(const P3LMPlanLanes& plan, D& u, D& v) {
  const KiteLanes& kite = plan.kite;
  const LaneLattice& lattice = kite.lattice;
  const D one = Splat(1), two = Splat(2);
  const D mirrored = NotMask(LessBeyondTolerance(v, one - u));
  const Pair p = Apply(lattice.toPlane, u, v);
  const D d = Splat(plan.mirror.nx) * p.x + Splat(plan.mirror.ny) * p.y - Splat(plan.mirror.c);
  const Pair reflected = Apply(lattice.toLattice, p.x - Splat(plan.mirror.nx) * (two * d),
                               p.y - Splat(plan.mirror.ny) * (two * d));
  u = Select(mirrored, reflected.x, u);
  v = Select(mirrored, reflected.y, v);
  const D kiteA = NotMask(LessBeyondTolerance(v, one - two * u));
  const D plus = _mm256_andnot_pd(GreaterBeyondTolerance(v, u), kiteA);
  const D kiteB = NotMask(LessBeyondTolerance(v, (one - u) / two));
  const Pair turned = TurnedEither(Apply(lattice.toPlane, u, v), kite.anchor, plus, kTurnPlus120,
                                   kTurnMinus120);
  const Pair back = Apply(lattice.toLattice, turned.x, turned.y);
  const D moved = _mm256_or_pd(kiteA, kiteB);
  u = Select(moved, back.x, u);
  v = Select(moved, back.y, v);
}

}  // namespace

void FoldP3LMAvx2(const P3LMPlanLanes& plan, double* u, double* v) {
  D lanesU = _mm256_loadu_pd(u), lanesV = _mm256_loadu_pd(v);
  FoldP3LM(plan, lanesU, lanesV);
  Clamp(plan.kite, lanesU, lanesV);
  _mm256_storeu_pd(u, lanesU);
  _mm256_storeu_pd(v, lanesV);
}

void PlanP3LMAvx2(const P3LMPlanLanes& plan, int x0, int y, const int* xs, const int* ys, int count,
                  std::int32_t* positions) {
  const KiteLanes& kite = plan.kite;
  const D near = Splat(kite.near);
  for (int i = 0; i < count; i += 4) {
    D u, v;
    CellPositions(kite.lattice, x0, xs, i, count, PixelsY(y, ys, i, count), u, v);
    FoldP3LM(plan, u, v);
    ClampAndCarry(kite, u, v);
    // The hard seam's side.
    const Pair own = OnSource(kite, u, v);
    StorePositions(HardSeamSide(kite, u, v, own, near), kite.lattice.origin, count - i, positions + 2 * i);
  }
}

}  // namespace corvel::detail
