// The half turn about the cell's centre by which the cells folded onto a strip or a quarter start
// ("PMG", "PGG"), written once: in doubles and as the fold program's step. A position in the upper
// half, its edge v = 0.5 included, is turned onto the lower.
#pragma once
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"

namespace corvel {

inline Point2D TurnUpperHalf(Point2D uv) {
  if (uv.y >= 0.5) uv = uv.HalfTurn({0.5, 0.5});
  return uv;
}
inline void AddUpperHalfTurn(detail::FoldProgram& program) {
  program.AddByLine(Line2D({0, 0.5}, {1, 0.5}), true, detail::LatticeAffine{-1, 0, 1, 0, -1, 1});
}

}  // namespace corvel
