#include "generators/groups/P4GPlan.h"

#include "generators/groups/QuarterTurn.h"

namespace corvel {

void P4GPlan::operator()(int x, int y, SamplePlan& plan) const {
  const Point2D uv = QuarterTurn::OntoQuarterMirrored(CellPosition(generator_, x, y));
  const double fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv, k0 = s_.k0;
  // The seams at the corner bend by the larger bump of the two edges, those at the centre by the
  // smaller; both vanish at the seams' ends.
  const double a = Clamp01((uv.x - hu) / (0.5 - fu)), b = Clamp01((uv.y - hv) / (0.5 - fv));
  const double dCentre = LargerForPositive(-Bump(b) * k0 * (1 - fv), -Bump(a) * k0 * (1 - fv), k0 > 0) / 2.5;
  const double dCorner = LargerForPositive(Bump(a) * k0 * (1 - fu), Bump(b) * k0 * (1 - fu), k0 > 0) / 2.5;
  quarter_.Plan(plan, uv, dCorner, dCentre, k0 == 0);
}

}  // namespace corvel
