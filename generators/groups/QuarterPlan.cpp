#include "generators/groups/QuarterPlan.h"

#include "generators/groups/QuarterTurn.h"

namespace corvel {

void QuarterPlan::Plan(SamplePlan& plan, Point2D uv, double dCorner, double dCentre, bool unbent) const {
  // Beyond a bent seam the point belongs to the quarter turned about that seam's corner.
  if (dCorner > 0) {
    if (CompareWithTolerance(uv.y - dCorner, 0) == -1) uv = uv.QuarterTurnB(Point2D(0, 0));
  } else if (CompareWithTolerance(uv.x + dCorner, 0) == -1) {
    uv = uv.QuarterTurnA(Point2D(0, 0));
  }
  if (dCentre > 0) {
    if (CompareWithTolerance(uv.y + dCentre, 0.5) == 1) uv = uv.QuarterTurnB(Point2D(0.5, 0.5));
  } else if (CompareWithTolerance(uv.x - dCentre, 0.5) == 1) {
    uv = uv.QuarterTurnA(Point2D(0.5, 0.5));
  }
  if (s_.fv == 0) {
    plan.Single(unbent ? s_.source(QuarterTurn::OntoUEdges(uv)) : s_.source(uv.x, uv.y));
    return;
  }
  PlanBlends(plan, uv, dCorner, dCentre);
}

void QuarterPlan::PlanBlends(SamplePlan& plan, Point2D uv, double dCorner, double dCentre) const {
  const double u = uv.x, v = uv.y, fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv;
  const Point2D own = s_.source(u, v), &corner = s_.corner, &centre = s_.centre;
  const double wLoU = Ramp(u + dCorner, fu), wHiU = Ramp((0.5 - u) + dCentre, fu);
  const double wLoV = Ramp(v - dCorner, fv), wHiV = Ramp((0.5 - v) - dCentre, fv);
  if (u < hu - dCorner) {
    if (v < hv)
      PlanCorner(plan, own, own.QuarterTurnA(corner), own.QuarterTurnB(corner), own.HalfTurn(corner), wLoU,
                 wLoV);
    else if (v <= 0.5 - hv)
      PlanBand(plan, own, own.QuarterTurnA(corner), wLoU);
    else
      PlanCorner(plan, own, own.QuarterTurnA(corner), own.QuarterTurnB(centre), own.HalfTurn(s_.twoFoldV),
                 wLoU, wHiV);
  } else if (u > (0.5 - hu) + dCentre) {
    if (v < hv)
      PlanCorner(plan, own, own.QuarterTurnA(centre), own.QuarterTurnB(corner), own.HalfTurn(s_.twoFoldU),
                 wHiU, wLoV);
    else if (v <= 0.5 - hv)
      PlanBand(plan, own, own.QuarterTurnA(centre), wHiU);
    else
      PlanCorner(plan, own, own.QuarterTurnA(centre), own.QuarterTurnB(centre), own.HalfTurn(centre), wHiU,
                 wHiV);
  } else if (v < hv + dCorner) {
    PlanBand(plan, own, own.QuarterTurnB(corner), wLoV);
  } else if (v <= (0.5 - hv) - dCentre) {
    plan.Single(own);
  } else {
    PlanBand(plan, own, own.QuarterTurnB(centre), wHiV);
  }
}

}  // namespace corvel
