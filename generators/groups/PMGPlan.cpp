#include "generators/groups/PMGPlan.h"

#include "generators/groups/PMGGenerator.h"

namespace corvel {

Point2D PMGPlan::OntoStrip(const Point2D& cell) {
  const Point2D folded = PMGGenerator::Fold(cell);
  return {Clamp01(folded.x), folded.y < 0 ? 0 : (folded.y >= 0.25 ? 0.25 : folded.y)};
}

void PMGPlan::operator()(int x, int y, SamplePlan& plan) const {
  const Point2D strip = OntoStrip(CellPosition(generator_, x, y));
  double u = strip.x, v = strip.y;
  const double fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv, k0 = s_.k0, k1 = s_.k1;
  const double su = Clamp01((u - hu) / (1 - fu)), sv = Clamp01((v - hv) / (0.25 - fv));
  const double du = LargerForPositive((1 - fv) * (Bump(sv) * k1), (1 - fv) * (Bump(1 - sv) * k1), k1 < 0);
  // The bottom seam is an S, odd about its midpoint, so that the half turn about (0.5, 0) maps it
  // onto itself.
  const double g = su < 0.5 ? Bump(2 * su) : -3.0 * (2 * su - 1) * (1 - (2 * su - 1));
  double dv = ((1 - fu) * (g * -k0)) / 3.0;
  // Beyond a bent seam across u the point belongs to the next cell along A; beyond the bent
  // bottom seam to the half turn about (0.5, 0).
  if (du > 0 && u - du < 0) u += 1;
  if (du <= 0 && u - du >= 1) u -= 1;
  if (v + dv < 0) {
    u = 1 - u;
    v = -v;
    dv = -dv;
  }
  if (fv == 0) {
    plan.Single(k0 == 0 && k1 == 0 ? s_.source(PMGGenerator::OntoFirstCopy({u, v})) : s_.source(u, v));
    return;
  }
  PlanBlends(u, v, du, dv, plan);
}

void PMGPlan::PlanBlends(double u, double v, double du, double dv, SamplePlan& plan) const {
  const double fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv;
  const FeatherSource& source = s_.source;
  const Point2D own = source(u, v);
  const double wLoU = Ramp(u - du, fu), wHiU = Ramp((1 - u) + du, fu), wLoV = Ramp(v + dv, fv);
  if (u < hu + du) {
    if (v < hv)
      PlanCorner(plan, own, source(u + 1, v), own.HalfTurn(s_.q1), own.HalfTurn(s_.q0), wLoU, wLoV);
    else
      PlanBand(plan, own, source(u + 1, v), wLoU);
  } else if (u >= (1 - hu) + du) {
    if (v < hv)
      PlanCorner(plan, own, source(u - 1, v), own.HalfTurn(s_.q1), own.HalfTurn(s_.q2), wHiU, wLoV);
    else
      PlanBand(plan, own, source(u - 1, v), wHiU);
  } else if (v < hv - dv) {
    PlanBand(plan, own, own.HalfTurn(s_.q1), wLoV);
  } else {
    plan.Single(own);
  }
}

}  // namespace corvel
