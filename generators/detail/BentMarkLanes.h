// The mark stage's bent bands in lanes, written once over the fold kernels' lane type (L as in
// FoldLanes.h); each instruction-set file instantiates it with its own lanes.
#pragma once
#include <algorithm>
#include <cstdint>

#include "generators/detail/BandMarks.h"
#include "generators/detail/FoldLanes.h"
#include "generators/detail/FoldRow.h"

namespace corvel::detail {

// Marks (1) the pixels of a row of count cell positions, stepped as FoldRow's kernels step them,
// that lie in the bent bands; leaves the others.
template <class L>
void MarkBentBandsWith(const BentBandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                       std::uint32_t dv, int count, std::uint8_t* marks) {
  using F = typename L::Floats;
  using I = typename L::Ints;
  constexpr int kWidth = L::kWidth;
  static_assert(kFoldSpan % kWidth == 0, "spans hold whole runs of lanes");
  const I uStep = L::Splat(du * kWidth), vStep = L::Splat(dv * kWidth);
  const F bias = L::Splat(bands.bias), one = L::Splat(1.0f);
  const BentSpanTest whole(bands, du, dv, kFoldSpan), last(bands, du, dv, (count - 1) % kFoldSpan + 1);
  // Sixteen lanes test the whole spans of a run of 32 in lanes, eight at once.
  std::uint32_t missed = 0;
  for (int first = 0, span = 0; first < count; first += kFoldSpan, starts += 2, ++span) {
    const int end = count - first < kFoldSpan ? count : first + kFoldSpan;
    const bool wholeSpan = end - first == kFoldSpan;
    if constexpr (kWidth == 16) {
      if (span % 32 == 0) missed = whole.MissesEachAvx512(starts, std::min(32, (count - first) / kFoldSpan));
    }
    if (kWidth == 16 && wholeSpan ? (missed >> span % 32 & 1) != 0
                                  : (wholeSpan ? whole : last).Misses(starts[0], starts[1]))
      continue;
    I us = L::Ramp(starts[0], du), vs = L::Ramp(starts[1], dv);
    for (int k = first; k < end; k += kWidth) {
      const F u = L::Sub(L::Unit(us), bias), v = L::Sub(L::Unit(vs), bias);
      us = L::Add(us, uStep);
      vs = L::Add(vs, vStep);
      typename L::Masks in = L::Less(one, one);
      for (int b = 0; b < bands.count; ++b) {
        const BentBandLanes::Band& band = bands.bands[b];
        F t = L::Add(L::Add(L::Mul(u, L::Splat(band.tu)), L::Mul(v, L::Splat(band.tv))), L::Splat(band.t1));
        if (band.clamped) t = L::Max(L::Min(t, one), L::Splat(0.0f));
        const F shape = band.sShape ? L::Mul(L::Sub(one, L::Add(t, t)), L::Min(t, L::Sub(one, t)))
                                    : L::Mul(t, L::Sub(one, t));
        const F bump = L::Mul(L::Splat(band.bend), shape);
        const F sum = L::Add(L::Add(L::Mul(u, L::Splat(band.a)), L::Mul(v, L::Splat(band.b))),
                             L::Sub(bump, L::Splat(band.from)));
        // Less than two from nought, the sum less its floor is exact.
        in = L::Or(in, L::Less(L::Sub(sum, L::ToFloats(L::Floor(sum))), L::Splat(band.width)));
      }
      MarkLanes<L>(in, marks, k, end);
    }
  }
}

}  // namespace corvel::detail
