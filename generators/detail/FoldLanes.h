// The fold kernel written once over a lane type; each instruction-set file instantiates it with
// its own lanes (L::kWidth floats, the unsigned 0.32 coordinates as integer lanes).
#pragma once
#include <cstdint>
#include <cstring>

#include "generators/detail/FoldProgram.h"

namespace corvel::detail {

// The steps' coefficients in lanes, loaded once for a run.
template <class L>
struct LaneStep {
  explicit LaneStep(const FoldKernelArgs::Step& s)
      : nu(L::Splat(s.nu)),
        nv(L::Splat(s.nv)),
        n1(L::Splat(s.n1)),
        above(L::Mask(s.aboveMask)),
        uu(L::Splat(s.uu)),
        uv(L::Splat(s.uv)),
        u1(L::Splat(s.u1)),
        vu(L::Splat(s.vu)),
        vv(L::Splat(s.vv)),
        v1(L::Splat(s.v1)),
        alsoNu(L::Splat(s.alsoNu)),
        alsoNv(L::Splat(s.alsoNv)),
        alsoN1(L::Splat(s.alsoN1)) {}
  typename L::Floats nu, nv, n1, above, uu, uv, u1, vu, vv, v1, alsoNu, alsoNv, alsoN1;
};

// With the count of steps fixed, the compiler unrolls them and keeps their coefficients out of
// the pixel loop; programs without corners skip their tests.
template <class L, int kSteps, bool kCorners>
void FoldPositionsUnrolled(const FoldKernelArgs& a, std::uint32_t u, std::uint32_t du, std::uint32_t v,
                           std::uint32_t dv, int count, std::int32_t* positions) {
  using F = typename L::Floats;
  using I = typename L::Ints;
  constexpr int kWidth = L::kWidth;
  I us = L::Ramp(u, du), vs = L::Ramp(v, dv);
  const I uStep = L::Splat(du * kWidth), vStep = L::Splat(dv * kWidth);
  const F bias = L::Splat(a.bias), zero = L::Splat(0.0f);
  const F sx0 = L::Splat(a.sx0), sxu = L::Splat(a.sxu), sxv = L::Splat(a.sxv);
  const F sy0 = L::Splat(a.sy0), syu = L::Splat(a.syu), syv = L::Splat(a.syv);
  const LaneStep<L> steps[FoldProgram::kMaxSteps] = {LaneStep<L>(a.steps[0]), LaneStep<L>(a.steps[1]),
                                                     LaneStep<L>(a.steps[2]), LaneStep<L>(a.steps[3]),
                                                     LaneStep<L>(a.steps[4]), LaneStep<L>(a.steps[5])};
  alignas(32) std::int32_t tail[2 * kWidth];
  for (int k = 0; k < count; k += kWidth) {
    F fu = L::Sub(L::Unit(us), bias), fv = L::Sub(L::Unit(vs), bias);
    us = L::Add(us, uStep);
    vs = L::Add(vs, vStep);
    const F startU = fu, startV = fv;
    for (int i = 0; i < kSteps; ++i) {
      const LaneStep<L>& s = steps[i];
      F tu = fu, tv = fv;
      if constexpr (kCorners) {
        if (a.steps[i].fromStartMask) {
          tu = startU;
          tv = startV;
        }
      }
      const F side = L::Add(L::Add(L::Mul(tu, s.nu), L::Mul(tv, s.nv)), s.n1);
      F taken = L::Xor(L::Less(side, zero), s.above);
      // Neighbours mostly lie in one region: a step none of them takes costs only its test.
      if (!L::Any(taken)) continue;
      if constexpr (kCorners) {
        const F also = L::Add(L::Add(L::Mul(tu, s.alsoNu), L::Mul(tv, s.alsoNv)), s.alsoN1);
        taken = L::And(taken, L::Less(also, zero));
        if (!L::Any(taken)) continue;
      }
      const F mu = L::Add(L::Add(L::Mul(fu, s.uu), L::Mul(fv, s.uv)), s.u1);
      const F mv = L::Add(L::Add(L::Mul(fu, s.vu), L::Mul(fv, s.vv)), s.v1);
      fu = L::Select(taken, mu, fu);
      fv = L::Select(taken, mv, fv);
    }
    const F x = L::Add(L::Add(sx0, L::Mul(fu, sxu)), L::Mul(fv, sxv));
    const F y = L::Add(L::Add(sy0, L::Mul(fu, syu)), L::Mul(fv, syv));
    if (k + kWidth <= count) {
      L::StorePairs(positions + 2 * k, L::Truncate(x), L::Truncate(y));
    } else {
      L::StorePairs(tail, L::Truncate(x), L::Truncate(y));
      std::memcpy(positions + 2 * k, tail, sizeof(std::int32_t) * 2 * std::size_t(count - k));
    }
  }
}

template <class L, bool kCorners>
void FoldPositionsBy(const FoldKernelArgs& a, std::uint32_t u, std::uint32_t du, std::uint32_t v,
                     std::uint32_t dv, int count, std::int32_t* positions) {
  switch (a.stepCount) {
    case 0:
      return FoldPositionsUnrolled<L, 0, kCorners>(a, u, du, v, dv, count, positions);
    case 1:
      return FoldPositionsUnrolled<L, 1, kCorners>(a, u, du, v, dv, count, positions);
    case 2:
      return FoldPositionsUnrolled<L, 2, kCorners>(a, u, du, v, dv, count, positions);
    case 3:
      return FoldPositionsUnrolled<L, 3, kCorners>(a, u, du, v, dv, count, positions);
    case 4:
      return FoldPositionsUnrolled<L, 4, kCorners>(a, u, du, v, dv, count, positions);
    case 5:
      return FoldPositionsUnrolled<L, 5, kCorners>(a, u, du, v, dv, count, positions);
    default:
      return FoldPositionsUnrolled<L, 6, kCorners>(a, u, du, v, dv, count, positions);
  }
}

template <class L>
void FoldPositionsWith(const FoldKernelArgs& a, std::uint32_t u, std::uint32_t du, std::uint32_t v,
                       std::uint32_t dv, int count, std::int32_t* positions) {
  if (a.corners)
    FoldPositionsBy<L, true>(a, u, du, v, dv, count, positions);
  else
    FoldPositionsBy<L, false>(a, u, du, v, dv, count, positions);
}

}  // namespace corvel::detail
