// The fold kernel written once over a lane type; each instruction-set file instantiates it with
// its own lanes (L::kWidth floats, the unsigned 0.32 coordinates as integer lanes).
#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

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

// The program's steps in lanes, only as many as it has.
template <class L, std::size_t... kIndex>
std::array<LaneStep<L>, sizeof...(kIndex)> LaneSteps(const FoldKernelArgs& a,
                                                     std::index_sequence<kIndex...>) {
  return {LaneStep<L>(a.steps[kIndex])...};
}

// One step on the position (fu, fv) that started as (startU, startV); inside holds where the
// last step's line had the position inside, and then this step's.
template <class L, bool kCorners>
inline void FoldStepLanes(const FoldKernelArgs::Step& plain, const LaneStep<L>& s, typename L::Floats startU,
                          typename L::Floats startV, typename L::Floats& fu, typename L::Floats& fv,
                          typename L::Floats& inside) {
  using F = typename L::Floats;
  F tu = fu, tv = fv;
  if constexpr (kCorners) {
    if (plain.fromStartMask) {
      tu = startU;
      tv = startV;
    }
  }
  // The regions of a fold by turns share their lines: a line tested on the same start is not
  // tested again.
  if (!kCorners || !plain.sameSideMask)
    inside = L::Less(L::Add(L::Add(L::Mul(tu, s.nu), L::Mul(tv, s.nv)), s.n1), L::Splat(0.0f));
  F taken = L::Xor(inside, s.above);
  // Neighbours mostly lie in one region: a step none of them takes costs only its test.
  if (!L::Any(taken)) return;
  if constexpr (kCorners) {
    const F also = L::Add(L::Add(L::Mul(tu, s.alsoNu), L::Mul(tv, s.alsoNv)), s.alsoN1);
    taken = L::And(taken, L::Less(also, L::Splat(0.0f)));
    if (!L::Any(taken)) return;
  }
  const F mu = L::Add(L::Add(L::Mul(fu, s.uu), L::Mul(fv, s.uv)), s.u1);
  const F mv = L::Add(L::Add(L::Mul(fu, s.vu), L::Mul(fv, s.vv)), s.v1);
  fu = L::Select(taken, mu, fu);
  fv = L::Select(taken, mv, fv);
}

// The steps one after another, unrolled.
template <class L, bool kCorners, std::size_t kCount, std::size_t... kIndex>
inline void FoldStepsLanes([[maybe_unused]] const FoldKernelArgs& a,
                           [[maybe_unused]] const std::array<LaneStep<L>, kCount>& steps,
                           [[maybe_unused]] typename L::Floats startU,
                           [[maybe_unused]] typename L::Floats startV,
                           [[maybe_unused]] typename L::Floats& fu, [[maybe_unused]] typename L::Floats& fv,
                           std::index_sequence<kIndex...>) {
  [[maybe_unused]] typename L::Floats inside = L::Splat(0.0f);
  (FoldStepLanes<L, kCorners>(a.steps[kIndex], steps[kIndex], startU, startV, fu, fv, inside), ...);
}

// With the count of steps fixed, the steps are unrolled and their coefficients made once a row,
// not once a span.
template <class L, int kSteps, bool kCorners>
void FoldPositionsUnrolled(const FoldKernelArgs& a, const std::uint32_t* starts, std::uint32_t du,
                           std::uint32_t dv, int count, std::int32_t* positions) {
  using F = typename L::Floats;
  using I = typename L::Ints;
  constexpr int kWidth = L::kWidth;
  static_assert(kFoldSpan % kWidth == 0, "spans hold whole runs of lanes");
  const I uStep = L::Splat(du * kWidth), vStep = L::Splat(dv * kWidth);
  const F bias = L::Splat(a.bias);
  const F sx0 = L::Splat(a.sx0), sxu = L::Splat(a.sxu), sxv = L::Splat(a.sxv);
  const F sy0 = L::Splat(a.sy0), syu = L::Splat(a.syu), syv = L::Splat(a.syv);
  const auto steps = LaneSteps<L>(a, std::make_index_sequence<std::size_t(kSteps)>());
  alignas(32) std::int32_t tail[2 * kWidth];
  for (int first = 0; first < count; first += kFoldSpan, starts += 2) {
    I us = L::Ramp(starts[0], du), vs = L::Ramp(starts[1], dv);
    const int end = count - first < kFoldSpan ? count : first + kFoldSpan;
    for (int k = first; k < end; k += kWidth) {
      F fu = L::Sub(L::Unit(us), bias), fv = L::Sub(L::Unit(vs), bias);
      us = L::Add(us, uStep);
      vs = L::Add(vs, vStep);
      const F startU = fu, startV = fv;
      FoldStepsLanes<L, kCorners>(a, steps, startU, startV, fu, fv,
                                  std::make_index_sequence<std::size_t(kSteps)>());
      const F x = L::Add(L::Add(sx0, L::Mul(fu, sxu)), L::Mul(fv, sxv));
      const F y = L::Add(L::Add(sy0, L::Mul(fu, syu)), L::Mul(fv, syv));
      if (k + kWidth <= end) {
        L::StorePairs(positions + 2 * k, L::Truncate(x), L::Truncate(y));
      } else {
        L::StorePairs(tail, L::Truncate(x), L::Truncate(y));
        std::memcpy(positions + 2 * k, tail, sizeof(std::int32_t) * 2 * std::size_t(end - k));
      }
    }
  }
}

template <class L, bool kCorners>
void FoldPositionsBy(const FoldKernelArgs& a, const std::uint32_t* starts, std::uint32_t du, std::uint32_t dv,
                     int count, std::int32_t* positions) {
  switch (a.stepCount) {
    case 0:
      return FoldPositionsUnrolled<L, 0, kCorners>(a, starts, du, dv, count, positions);
    case 1:
      return FoldPositionsUnrolled<L, 1, kCorners>(a, starts, du, dv, count, positions);
    case 2:
      return FoldPositionsUnrolled<L, 2, kCorners>(a, starts, du, dv, count, positions);
    case 3:
      return FoldPositionsUnrolled<L, 3, kCorners>(a, starts, du, dv, count, positions);
    case 4:
      return FoldPositionsUnrolled<L, 4, kCorners>(a, starts, du, dv, count, positions);
    case 5:
      return FoldPositionsUnrolled<L, 5, kCorners>(a, starts, du, dv, count, positions);
    default:
      return FoldPositionsUnrolled<L, 6, kCorners>(a, starts, du, dv, count, positions);
  }
}

template <class L>
void FoldPositionsWith(const FoldKernelArgs& a, const std::uint32_t* starts, std::uint32_t du,
                       std::uint32_t dv, int count, std::int32_t* positions) {
  if (a.corners)
    FoldPositionsBy<L, true>(a, starts, du, dv, count, positions);
  else
    FoldPositionsBy<L, false>(a, starts, du, dv, count, positions);
}

}  // namespace corvel::detail
