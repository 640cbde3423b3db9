// The mirrors by which the rectangular and rhombic cells fold, each written once: in doubles and as
// the fold program's step. A position past the mirror's line is taken across it; one right on the
// line maps onto itself either way.
#pragma once
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"

namespace corvel {

// Across v = 0.5: the cell's upper half onto its lower.
inline Point2D MirrorAcrossHalfV(Point2D uv) {
  if (uv.y >= 0.5) uv.y = 1 - uv.y;
  return uv;
}
inline void AddMirrorAcrossHalfV(detail::FoldProgram& program) {
  program.AddByLine(Line2D({0, 0.5}, {1, 0.5}), true, detail::kMirrorV);
}

// Across u = 0.5: the cell's right half onto its left.
inline Point2D MirrorAcrossHalfU(Point2D uv) {
  if (uv.x >= 0.5) uv.x = 1 - uv.x;
  return uv;
}
inline void AddMirrorAcrossHalfU(detail::FoldProgram& program) {
  program.AddByU(0.5, true, detail::kMirrorU);
}

// Across the diagonal u = v, a mirror of a rhombic cell: the half above it onto the half below.
inline Point2D MirrorAcrossDiagonal(Point2D uv) { return uv.y >= uv.x ? Point2D(uv.y, uv.x) : uv; }
inline void AddMirrorAcrossDiagonal(detail::FoldProgram& program) {
  program.AddByLine(Line2D({0, 0}, {1, 1}), true, detail::kSwap);
}

}  // namespace corvel
