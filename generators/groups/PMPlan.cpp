#include "generators/groups/PMPlan.h"

#include "generators/groups/PMGenerator.h"

namespace corvel {

void PMPlan::operator()(int x, int y, SamplePlan& plan) const {
  const Point2D folded = PMGenerator::Fold(CellPosition(generator_, x, y));
  double u = Clamp01(folded.x);
  const double v = ClampHalf(folded.y);
  const double fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv, k0 = s_.k0;
  const FeatherSource& source = s_.source;

  // Both seams move along +u by the bump between the mirror lines, each end short by half a
  // feather; of the bump and its mirror image the one farther from zero.
  const double t = Clamp01((v - hv) / (0.5 - fv));
  const double du = LargerForPositive((1 - fv) * (Bump(t) * k0), (1 - fv) * (Bump(1 - t) * k0), k0 > 0);
  if (du > 0 && u - du < 0) u += 1;
  if (du <= 0 && u - du >= 1) u -= 1;

  if (fv == 0 || (u >= hu + du && u < (1 - hu) + du)) {
    plan.Single(source(u, v));
  } else if (u < hu + du) {
    PlanBand(plan, source(u, v), source(u + 1, v), Ramp(u - du, fu));
  } else {
    PlanBand(plan, source(u, v), source(u - 1, v), Ramp((1 - u) + du, fu));
  }
}

}  // namespace corvel
