#include "generators/groups/PGPlan.h"

#include "generators/groups/PGGenerator.h"

namespace corvel {

void PGPlan::operator()(int x, int y, SamplePlan& plan) const {
  double du, dv;
  const Point2D uv = Folded(CellPosition(generator_, x, y), du, dv);
  const double u = uv.x, v = uv.y;
  if (s_.fv == 0) {
    plan.Single(s_.k0 == 0 && s_.k1 == 0 ? s_.source(PGGenerator::OntoGlideStart({u, v})) : s_.source(u, v));
    return;
  }
  PlanBlends(u, v, du, dv, plan);
}

Point2D PGPlan::Folded(const Point2D& cell, double& du, double& dv) const {
  const Point2D folded = PGGenerator::Fold(cell);
  double u = ClampHalf(folded.x), v = Clamp01(folded.y);
  const double fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv, k0 = s_.k0, k1 = s_.k1;
  // Positions along the seams; each offset is the bump of the nearer-zero candidate.
  const double s = Clamp01((u - hu) / (0.5 - fu)), t = Clamp01((v - hv) / (1 - fv));
  du = LargerForPositive((1 - fv) * (Bump(t) * k1), (1 - fv) * (Bump(1 - t) * k1), k1 < 0) / 2;
  dv = LargerForPositive((1 - fu) * (Bump(s) * -k0), (1 - fu) * (Bump(1 - s) * -k0), k0 > 0);
  // Beyond a bent glide seam the point belongs to the glide image; beyond a bent translation seam
  // to the next cell along B.
  if (du > 0 && u - du < 0) {
    u += 0.5;
    v = 1 - v;
  } else if (du <= 0 && u - du >= 0.5) {
    u -= 0.5;
    v = 1 - v;
  }
  if (dv > 0 && v + dv >= 1) v -= 1;
  if (dv <= 0 && v + dv < 0) v += 1;
  return {u, v};
}

// Across both seams of a corner lies the glide image of the translate: v mirrored about 0 or 1, u
// half a cell on.
void PGPlan::PlanBlends(double u, double v, double du, double dv, SamplePlan& plan) const {
  const double fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv;
  const FeatherSource& source = s_.source;
  const Point2D own = source(u, v);
  const double wLoU = Ramp(u - du, fu), wHiU = Ramp((0.5 - u) + du, fu);
  const double wLoV = Ramp(v + dv, fv), wHiV = Ramp((1 - v) - dv, fv);
  if (u < hu + du) {
    if (v < hv)
      PlanCorner(plan, own, source(u + 0.5, 1 - v), source(u, v + 1), source(u + 0.5, -v), wLoU, wLoV);
    else if (v < 1 - hv)
      PlanBand(plan, own, source(u + 0.5, 1 - v), wLoU);
    else
      PlanCorner(plan, own, source(u + 0.5, 1 - v), source(u, v - 1), source(u + 0.5, 2 - v), wLoU, wHiV);
  } else if (u >= (0.5 - hu) + du) {
    if (v < hv)
      PlanCorner(plan, own, source(u, v + 1), source(u - 0.5, 1 - v), source(u - 0.5, -v), wLoV, wHiU);
    else if (v < 1 - hv)
      PlanBand(plan, own, source(u - 0.5, 1 - v), wHiU);
    else
      PlanCorner(plan, own, source(u, v - 1), source(u - 0.5, 1 - v), source(u - 0.5, 2 - v), wHiV, wHiU);
  } else if (v < hv - dv) {
    PlanBand(plan, own, source(u, v + 1), wLoV);
  } else if (v < (1 - hv) - dv) {
    plan.Single(own);
  } else {
    PlanBand(plan, own, source(u, v - 1), wHiV);
  }
}

}  // namespace corvel
