#include "generators/groups/P3LMKite.h"

namespace corvel {

const Line2D P3LMKite::kToK({1.0 / 3, 1.0 / 3}, {0.5, 0}), P3LMKite::kToM({1.0 / 3, 1.0 / 3}, {0, 0.5});

Point2D P3LMKite::Fold(Point2D uv) const {
  if (CompareWithTolerance(uv.y, 1 - uv.x) != -1) {
    const Point2D q = generator_.LatticeToPlane(uv.x, uv.y).Reflect(mirror_);
    uv = generator_.PlaneToLattice(q.x, q.y);
  }
  if (CompareWithTolerance(uv.y, 1 - 2 * uv.x) != -1)
    return TurnedAboutG(uv, CompareWithTolerance(uv.y, uv.x) != 1);
  if (CompareWithTolerance(uv.y, (1 - uv.x) / 2) != -1) return TurnedAboutG(uv, false);
  return uv;
}

void P3LMKite::AddSteps(detail::FoldProgram& program) const {
  using detail::Beside;
  using detail::HalfPlane;
  const detail::LatticeAffine plus120 = TurnAboutG(true), minus120 = TurnAboutG(false);
  const Line2D beyondKite({0.5, 0}, {0, 1}), besideKite({0, 0.5}, {1, 0});
  program.AddByLine(Line2D({0, 1}, {1, 0}), true,
                    detail::InLattice(generator_, [this](const Point2D& q) { return q.Reflect(mirror_); }));
  program.AddInCorner(Beside(beyondKite), true, HalfPlane{-1, 1, 0}, plus120, false);
  program.AddInCorner(Beside(beyondKite), true, HalfPlane{1, -1, 0}, minus120, false);
  program.AddByLine(besideKite, true, minus120);
  // A lattice a little off the hexagon turns some positions past the kite's mirror edges; they
  // are clamped onto them, as the plan clamps them.
  program.AddByU(0, false, detail::LatticeAffine{0, 0, 0, 0, 1, 0});
  program.AddBySide(HalfPlane{0, 1, 0}, detail::LatticeAffine{1, 0, 0, 0, 0, 0});
}

}  // namespace corvel
