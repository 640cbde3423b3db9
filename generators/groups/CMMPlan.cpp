#include "generators/groups/CMMPlan.h"

#include "generators/groups/CMMGenerator.h"

namespace corvel {

void CMMPlan::operator()(int x, int y, SamplePlan& plan) const {
  const Point2D folded = CMMGenerator::Fold(CellPosition(generator_, x, y));
  double u = Clamp01(folded.x), v = ClampHalf(folded.y);
  const double fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv, k0 = s_.k0;

  // One sign over the first half of the edge, the other over the second.
  const double s = Clamp01((u - hu) / (1 - fu));
  const double c = s < 0.5 ? Bump(2 * s) : -3 * (2 * s - 1) * (1 - (2 * s - 1));
  double off = (1 - fu) * (c * k0) / kSqrt2;
  if (CompareWithTolerance(v - off, 0) != 1) {
    u = 1 - u;
    v = -v;
    off = -off;
  }

  // Unbent, a pixel right on the seam shows its first half in every copy.
  const Point2D own = s_.source(fv == 0 && k0 == 0 ? CMMGenerator::OntoFirstHalf({u, v}) : Point2D(u, v));
  if (fv == 0 || v >= hv + off)
    plan.Single(own);
  else
    PlanBand(plan, own, own.HalfTurn(s_.middle), Ramp(v - off, fv));
}

}  // namespace corvel
