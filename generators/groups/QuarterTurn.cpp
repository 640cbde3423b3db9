#include "generators/groups/QuarterTurn.h"

#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"

namespace corvel {

Point2D QuarterTurn::Fold(Point2D uv) {
  const Point2D centre(0.5, 0.5);
  if (uv.x >= 0.5) return uv.y >= 0.5 ? uv.HalfTurn(centre) : uv.QuarterTurnA(centre);
  return uv.y >= 0.5 ? uv.QuarterTurnB(centre) : uv;
}

Point2D QuarterTurn::FoldMirrored(Point2D uv) {
  const Point2D centre(0.5, 0.5);
  if (CompareWithTolerance(uv.x, 0.5) == 1)
    uv = CompareWithTolerance(uv.y, 0.5) == 1 ? uv.HalfTurn(centre) : uv.QuarterTurnA(centre);
  else if (CompareWithTolerance(uv.y, 0.5) == 1)
    uv = uv.QuarterTurnB(centre);
  if (CompareWithTolerance(uv.y, 0.5 - uv.x) != -1) uv = uv.Reflect(Diagonal());
  return uv;
}

Point2D QuarterTurn::OntoQuarter(Point2D cell) {
  const Point2D uv = Fold(cell);
  return {ClampHalf(uv.x), ClampHalf(uv.y)};
}

Point2D QuarterTurn::OntoQuarterMirrored(Point2D cell) {
  const Point2D uv = FoldMirrored(cell);
  return {ClampHalf(uv.x), ClampHalf(uv.y)};
}

const Line2D& QuarterTurn::Diagonal() {
  static const Line2D line({0, 0.5}, {0.5, 0});
  return line;
}

void QuarterTurn::AddSteps(detail::FoldProgram& program) {
  const detail::HalfPlane upperHalf{0, -1, 0.5};
  program.AddBySide(upperHalf, detail::LatticeAffine{-1, 0, 1, 0, -1, 1});
  program.AddByU(0.5, true, detail::LatticeAffine{0, 1, 0, -1, 0, 1});
}

void QuarterTurn::AddMirrorStep(detail::FoldProgram& program) {
  program.AddByLine(Diagonal(), true, detail::LatticeAffine{0, -1, 0.5, -1, 0, 0.5});
}

Point2D QuarterTurn::OntoUEdges(Point2D uv) {
  if (CompareWithTolerance(uv.y, 0) == 0 && CompareWithTolerance(uv.x, 0) == 1) return {0, uv.x};
  if (CompareWithTolerance(uv.y, 0.5) == 0 && CompareWithTolerance(uv.x, 0) == 1) return {0.5, uv.x};
  return uv;
}

void QuarterTurn::AddSeamSides(detail::FoldProgram& program, bool centreEdge) {
  if (centreEdge)
    program.AddBySide(detail::VAbove(0.5 - detail::kOnSeam), detail::LatticeAffine{0, 0, 0.5, 1, 0, 0});
  program.AddBySide(detail::VBelow(detail::kOnSeam), detail::LatticeAffine{0, 0, 0, 1, 0, 0});
  program.LeaveSeamsToSteps();
}

}  // namespace corvel
