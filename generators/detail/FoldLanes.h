// The fold kernel written once over a lane type; each instruction-set file instantiates it with
// its own lanes (L::kWidth floats, the unsigned 0.32 coordinates as integer lanes).
#pragma once
#include <cstdint>
#include <cstring>

#include "generators/detail/FoldProgram.h"

namespace corvel::detail {

template <class L>
void FoldPositionsWith(const FoldKernelArgs& a, std::uint32_t u, std::uint32_t du, std::uint32_t v,
                       std::uint32_t dv, int count, std::int32_t* positions) {
  using F = typename L::Floats;
  using I = typename L::Ints;
  constexpr int kWidth = L::kWidth;
  I us = L::Ramp(u, du), vs = L::Ramp(v, dv);
  const I uStep = L::Splat(du * kWidth), vStep = L::Splat(dv * kWidth);
  const F bias = L::Splat(a.bias);
  const F sx0 = L::Splat(a.sx0), sxu = L::Splat(a.sxu), sxv = L::Splat(a.sxv);
  const F sy0 = L::Splat(a.sy0), syu = L::Splat(a.syu), syv = L::Splat(a.syv);
  alignas(32) std::int32_t tail[2 * kWidth];
  for (int k = 0; k < count; k += kWidth) {
    F fu = L::Sub(L::Unit(us), bias), fv = L::Sub(L::Unit(vs), bias);
    us = L::Add(us, uStep);
    vs = L::Add(vs, vStep);
    for (int s = 0; s < a.stepCount; ++s) {
      const FoldKernelArgs::Step& step = a.steps[s];
      const F side = L::Add(L::Add(L::Mul(fu, L::Splat(step.nu)), L::Mul(fv, L::Splat(step.nv))),
                            L::Splat(step.n1));
      const F taken = L::Xor(L::Less(side, L::Splat(0.0f)), L::Mask(step.aboveMask));
      const F mu = L::Add(L::Add(L::Mul(fu, L::Splat(step.uu)), L::Mul(fv, L::Splat(step.uv))),
                          L::Splat(step.u1));
      const F mv = L::Add(L::Add(L::Mul(fu, L::Splat(step.vu)), L::Mul(fv, L::Splat(step.vv))),
                          L::Splat(step.v1));
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

}  // namespace corvel::detail
