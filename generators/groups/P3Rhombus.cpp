#include "generators/groups/P3Rhombus.h"

#include <algorithm>
#include <cmath>

namespace corvel {

Point2D P3Rhombus::Fold(const Point2D& p) const {
  const Point2D uv = generator_.PlaneToLattice(p.x, p.y);
  const double u = uv.x, v = uv.y;
  const Point2D q = generator_.LatticeToPlane(u, v);
  if (CompareWithTolerance(v, 1 - u) == -1) {
    if (CompareWithTolerance(v, 2 * u) == 1) return q.RotateMinus120(anchor1_);
    if (CompareWithTolerance(v, 0.5 * u) == -1) return q.RotatePlus120(anchor2_);
  } else {
    if (CompareWithTolerance(v, 0.5 + 0.5 * u) == 1) return q.RotatePlus120(anchor1_);
    if (CompareWithTolerance(v, 2 * u - 1) == -1) return q.RotateMinus120(anchor2_);
  }
  return q;
}

// On the short diagonal a position belongs to the triangles beyond it, as in Fold. strict is
// measured as the bands measure their sums u + v, 2u - v and u - 2v: sides stated per unit of v
// measure u - 2v by halves, and twice strict reaches past the bands' margin, where a pixel of a
// large lattice would stay unturned and unplanned, though the plan turns it.
void P3Rhombus::AddTurnSteps(detail::FoldProgram& program, double strict) const {
  auto Beside = [strict](const Line2D& line, bool above = false) {
    detail::HalfPlane side = detail::Beside(line, above);
    side.n1 += strict * std::min(std::abs(side.nu), std::abs(side.nv));
    return side;
  };
  const Line2D shortDiagonal({0, 1}, {1, 0}), steep({0, 0}, {0.5, 1}), flat({0, 0}, {1, 0.5}),
      upper({0, 0.5}, {1, 1}), lower({0.5, 0}, {1, 1});
  auto turn = [this](const Point2D& centre, bool plus) {
    return detail::InLattice(generator_, [&](const Point2D& q) {
      return plus ? q.RotatePlus120(centre) : q.RotateMinus120(centre);
    });
  };
  program.AddInCorner(Beside(shortDiagonal), false, Beside(steep, true), turn(anchor1_, false));
  program.AddInCorner(Beside(shortDiagonal), false, Beside(flat), turn(anchor2_, true));
  program.AddInCorner(Beside(shortDiagonal), true, Beside(upper, true), turn(anchor1_, true));
  program.AddInCorner(Beside(shortDiagonal), true, Beside(lower), turn(anchor2_, false));
}

}  // namespace corvel
