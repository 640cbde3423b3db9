#include "generators/groups/PGGPlan.h"

#include "generators/groups/PGGGenerator.h"

namespace corvel {

void PGGPlan::operator()(int x, int y, SamplePlan& plan) const {
  const Point2D folded = PGGGenerator::Fold(CellPosition(generator_, x, y));
  double u = ClampHalf(folded.x), v = ClampHalf(folded.y);
  const double fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv, k0 = s_.k0, k1 = s_.k1;
  const double tu = Clamp01((u - hu) / (0.5 - fu)), tv = Clamp01((v - hv) / (0.5 - fv));
  const double du = LargerForPositive((1 - fv) * (Bump(tv) * k1), (1 - fv) * (Bump(1 - tv) * k1), k1 < 0) /
                    kSqrt2;
  const double dv = LargerForPositive((1 - fu) * (Bump(tu) * -k0), (1 - fu) * (Bump(1 - tu) * -k0), k0 > 0) /
                    kSqrt2;
  // Beyond a bent seam the point belongs to the glide image in the neighbouring quarter.
  if (du <= 0 && CompareWithTolerance(u - du, 0.5) == 1) {
    u -= 0.5;
    v = 0.5 - v;
  }
  if (du > 0 && CompareWithTolerance(u - du, 0) == -1) {
    u += 0.5;
    v = 0.5 - v;
  }
  if (dv <= 0 && CompareWithTolerance(v + dv, 0) == -1) {
    u = 0.5 - u;
    v += 0.5;
  }
  if (dv > 0 && CompareWithTolerance(v + dv, 0.5) == 1) {
    u = 0.5 - u;
    v -= 0.5;
  }
  if (fv == 0) {
    plan.Single(k0 == 0 && k1 == 0 ? s_.source(PGGGenerator::OntoLowEdges({u, v})) : s_.source(u, v));
    return;
  }
  PlanBlends(u, v, du, dv, plan);
}

void PGGPlan::PlanBlends(double u, double v, double du, double dv, SamplePlan& plan) const {
  const double fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv;
  const FeatherSource& source = s_.source;
  const Point2D own = source(u, v);
  const double wLoU = Ramp(u - du, fu), wHiU = Ramp((0.5 - u) + du, fu);
  const double wLoV = Ramp(v + dv, fv), wHiV = Ramp((0.5 - v) - dv, fv);
  if (u < hu + du) {
    if (v < hv)
      PlanCorner(plan, own, source(u + 0.5, 0.5 - v), source(0.5 - u, v + 0.5), own.HalfTurn(s_.h00), wLoU,
                 wLoV);
    else if (v <= 0.5 - hv)
      PlanBand(plan, own, source(u + 0.5, 0.5 - v), wLoU);
    else
      PlanCorner(plan, own, source(u + 0.5, 0.5 - v), source(0.5 - u, v - 0.5), own.HalfTurn(s_.h01), wLoU,
                 wHiV);
  } else if (u <= (0.5 - hu) + du) {
    if (v < hv - dv)
      PlanBand(plan, own, source(0.5 - u, v + 0.5), wLoV);
    else if (v <= (0.5 - hv) - dv)
      plan.Single(own);
    else
      PlanBand(plan, own, source(0.5 - u, v - 0.5), wHiV);
  } else if (v < hv) {
    PlanCorner(plan, own, source(0.5 - u, v + 0.5), source(u - 0.5, 0.5 - v), own.HalfTurn(s_.h10), wLoV,
               wHiU);
  } else if (v <= 0.5 - hv) {
    PlanBand(plan, own, source(u - 0.5, 0.5 - v), wHiU);
  } else {
    PlanCorner(plan, own, source(0.5 - u, v - 0.5), source(u - 0.5, 0.5 - v), own.HalfTurn(s_.h11), wHiV,
               wHiU);
  }
}

}  // namespace corvel
