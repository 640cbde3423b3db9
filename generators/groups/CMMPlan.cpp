#include "generators/groups/CMMPlan.h"

#include "generators/groups/CMMGenerator.h"

namespace corvel {

Point2D CMMPlan::Folded(Point2D cell, double& off) const {
  const Point2D folded = CMMGenerator::Fold(cell);
  const double u = Clamp01(folded.x), v = ClampHalf(folded.y);
  // One sign over the first half of the edge, the other over the second.
  const double s = Clamp01((u - s_.hu) / (1 - s_.fu));
  const double c = s < 0.5 ? Bump(2 * s) : -3 * (2 * s - 1) * (1 - (2 * s - 1));
  off = (1 - s_.fu) * (c * s_.k0) / kSqrt2;
  if (CompareWithTolerance(v - off, 0) == 1) return {u, v};
  off = -off;
  return {1 - u, -v};
}

void CMMPlan::operator()(int x, int y, SamplePlan& plan) const {
  double off;
  const Point2D uv = Folded(CellPosition(generator_, x, y), off);
  const double v = uv.y, fv = s_.fv, hv = s_.hv;
  // Unbent, a pixel right on the seam shows its first half in every copy.
  const Point2D own = s_.source(fv == 0 && s_.k0 == 0 ? CMMGenerator::OntoFirstHalf(uv) : uv);
  if (fv == 0 || v >= hv + off)
    plan.Single(own);
  else
    PlanBand(plan, own, own.HalfTurn(s_.middle), Ramp(v - off, fv));
}

}  // namespace corvel
