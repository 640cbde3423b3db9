#include "generators/groups/PMPlan.h"

#include "generators/groups/PMGenerator.h"

namespace corvel {

Point2D PMPlan::Folded(Point2D cell, double& du) const {
  const Point2D folded = PMGenerator::Fold(cell);
  double u = Clamp01(folded.x);
  const double v = ClampHalf(folded.y);
  const double fv = s_.fv, k0 = s_.k0;
  // Both seams move along +u by the bump between the mirror lines, each end short by half a
  // feather; of the bump and its mirror image the one farther from zero.
  const double t = Clamp01((v - s_.hv) / (0.5 - fv));
  du = LargerForPositive((1 - fv) * (Bump(t) * k0), (1 - fv) * (Bump(1 - t) * k0), k0 > 0);
  if (du > 0 && u - du < 0) u += 1;
  if (du <= 0 && u - du >= 1) u -= 1;
  return {u, v};
}

void PMPlan::operator()(int x, int y, SamplePlan& plan) const {
  double du;
  const Point2D uv = Folded(CellPosition(generator_, x, y), du);
  const double u = uv.x, v = uv.y, fu = s_.fu, fv = s_.fv, hu = s_.hu;
  const FeatherSource& source = s_.source;

  if (fv == 0 || (u >= hu + du && u < (1 - hu) + du)) {
    plan.Single(source(u, v));
  } else if (u < hu + du) {
    PlanBand(plan, source(u, v), source(u + 1, v), Ramp(u - du, fu));
  } else {
    PlanBand(plan, source(u, v), source(u - 1, v), Ramp((1 - u) + du, fu));
  }
}

}  // namespace corvel
