#include "generators/groups/P4Plan.h"

#include "generators/groups/QuarterTurn.h"

namespace corvel {

void P4Plan::operator()(int x, int y, SamplePlan& plan) const {
  const Point2D uv = QuarterTurn::OntoQuarter(CellPosition(generator_, x, y));
  const double fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv, k0 = s_.k0, k1 = s_.k1;
  // Each pair of edges bends so that the turn about their common corner maps one onto the other.
  const double s = Clamp01((uv.x - hu) / (0.5 - fu)), t = Clamp01((uv.y - hv) / (0.5 - fv));
  const double low = LargerForPositive((1 - fu) * (Bump(s) * k0), (1 - fu) * (Bump(1 - t) * k0), k0 > 0) / 2;
  const double high = LargerForPositive((1 - fv) * (Bump(t) * -k1), (1 - fv) * (Bump(1 - s) * -k1), k1 < 0) /
                      2;
  quarter_.Plan(plan, uv, low, high, k0 == 0 && k1 == 0);
}

}  // namespace corvel
