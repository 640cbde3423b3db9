// A seam between copies of a region, bent by a bump, as the plans bend it: the region runs from
// the line where the side's sum plus the bump is nought to the line where it is `width`, and a
// position beyond one of them belongs to the copy the next region shows.
#pragma once
#include "generators/detail/FoldProgram.h"

namespace corvel {

// amount t (1 - t), t = (x - from) / span clamped to [0, 1] and x the position's u, or, where ofV,
// its v: nought beyond the span.
inline detail::SideBend BumpOver(double amount, bool ofV, double from, double span) {
  return {amount, ofV ? 0 : 1 / span, ofV ? 1 / span : 0, -from / span, true, detail::SideBend::kBump};
}

// The program's last steps for the seam: a bend that lowers the sum carries a position short of
// the first line by `on` (the plans' test: sum < 0), one that raises it carries a position on or
// past the second back by `back` (sum >= width); and a step that moves nothing marks the other
// line. The pixels within `half` of either line are marked, and planned.
inline void AddBentSeamSteps(detail::FoldProgram& program, const detail::HalfPlane& side, double width,
                             const detail::SideBend& bend, const detail::LatticeAffine& on,
                             const detail::LatticeAffine& back, double half) {
  constexpr detail::LatticeAffine kStay{1, 0, 0, 0, 1, 0};
  const bool lowers = bend.amount < 0;
  const detail::HalfPlane far{side.nu, side.nv, side.n1 - width};
  program.AddBentMarked(lowers ? side : far, !lowers, bend, lowers ? on : back, -half, half);
  program.AddBentMarked(lowers ? far : side, lowers, bend, kStay, -half, half);
}

// How far past the region the bump carries a position: a quarter of its amount.
inline double BentSeamOvershoot(const detail::SideBend& bend) {
  return (bend.amount < 0 ? -bend.amount : bend.amount) / 4;
}

}  // namespace corvel
