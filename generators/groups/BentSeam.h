// A seam between copies of a region, bent by a bump, as the plans bend it: the region runs from
// the line where the side's sum plus the bump is nought to the line where it is `width`, and a
// position beyond one of them belongs to the copy the next region shows.
#pragma once
#include "generators/detail/FoldProgram.h"

namespace corvel {

// amount times the shape of t = (x - from) / span clamped to [0, 1], x the position's u, or, where
// ofV, its v: nought beyond the span.
inline detail::SideBend BumpOver(double amount, bool ofV, double from, double span,
                                 detail::SideBend::Shape shape = detail::SideBend::kBump) {
  return {amount, ofV ? 0 : 1 / span, ofV ? 1 / span : 0, -from / span, true, shape};
}

// How far past its straight line the bend moves the seam: a quarter of its amount, an eighth for
// the S shape.
inline double BentSeamOvershoot(const detail::SideBend& bend) {
  return (bend.amount < 0 ? -bend.amount : bend.amount) / (bend.shape == detail::SideBend::kS ? 8 : 4);
}

// A step that moves nothing and marks the pixels within half of the bent line where the side's
// sum plus the bump is nought; taken only where `above` says it rarely holds.
inline void AddBentLineMarks(detail::FoldProgram& program, const detail::HalfPlane& side, bool above,
                             const detail::SideBend& bend, double half) {
  program.AddBentMarked(side, above, bend, detail::LatticeAffine{1, 0, 0, 0, 1, 0}, -half, half);
}

// The step for the seam: a bend that lowers the sum carries a position short of the first line by
// `on` (the plans' test: sum < 0), one that raises it carries a position on or past the second
// back by `back` (sum >= width). The pixels within `half` of the line it tests are marked.
inline void AddBentCarry(detail::FoldProgram& program, const detail::HalfPlane& side, double width,
                         const detail::SideBend& bend, const detail::LatticeAffine& on,
                         const detail::LatticeAffine& back, double half) {
  const bool lowers = bend.amount < 0;
  const detail::HalfPlane far{side.nu, side.nv, side.n1 - width};
  program.AddBentMarked(lowers ? side : far, !lowers, bend, lowers ? on : back, -half, half);
}

// The carry and the marks of the other line, on the position as it carried it: the pixels within
// `half` of either line are planned.
inline void AddBentSeamSteps(detail::FoldProgram& program, const detail::HalfPlane& side, double width,
                             const detail::SideBend& bend, const detail::LatticeAffine& on,
                             const detail::LatticeAffine& back, double half) {
  const bool lowers = bend.amount < 0;
  const detail::HalfPlane far{side.nu, side.nv, side.n1 - width};
  AddBentCarry(program, side, width, bend, on, back, half);
  AddBentLineMarks(program, lowers ? far : side, lowers, bend, half);
}

}  // namespace corvel
