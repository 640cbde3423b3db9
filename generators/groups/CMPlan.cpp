#include "generators/groups/CMPlan.h"

#include "generators/groups/CMGenerator.h"

namespace corvel {

Point2D CMPlan::Folded(Point2D cell, double& off) const {
  const Point2D folded = CMGenerator::Fold(cell);
  const double u = Clamp01(folded.x), v = Clamp01(folded.y);
  const double fu = s_.fu, fv = s_.fv, k0 = s_.k0;
  const double s = Clamp01((u - fu) / (1 - 2 * fu)), t = Clamp01((v - fv) / (1 - 2 * fv));
  off = LargerForPositive(Bump(s) * k0 * (1 - fv), Bump(t) * k0 * (1 - fv), k0 > 0);
  // The bottom and right edges are one seam: across it the mirror image one cell on.
  if (off > 0 && v - off < 0) return {v + 1, u};
  if (off <= 0 && u - off >= 1) return {v, u - 1};
  return {u, v};
}

void CMPlan::operator()(int x, int y, SamplePlan& plan) const {
  double off;
  const Point2D uv = Folded(CellPosition(generator_, x, y), off);
  PlanBlends(uv.x, uv.y, off, plan);
}

void CMPlan::PlanBlends(double u, double v, double off, SamplePlan& plan) const {
  const double fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv;
  const FeatherSource& source = s_.source;
  const Point2D own = source(u, v);
  if (fv == 0) {
    plan.Single(own);
    return;
  }
  // The three copies at a corner: the pixel's own sample keeps what the two ramps leave.
  auto corner = [&](double a, double b, const Point2D& s2, const Point2D& s3) {
    PlanThree(plan, own, 1 - b - a, s2, a, s3, b);
  };
  if (v < hu + off) {
    if (u < 1 - hv) {
      if (u >= hv)
        PlanBand(plan, own, source(v + 1, u), Ramp(v - off, fu));
      else
        corner(0.5 - v / fu, 0.5 - u / fv, source(v + 1, u), source(u + 1, v));
    } else if (u < (1 - hv) + v) {
      corner(0.5 - (v - off) / fu, 0.5 - ((1 - u) + off) / fv, source(v + 1, u), source(v, u - 1));
    } else {
      double a, b, c;
      BarycentricCoords(s_.v1, s_.v2, s_.v3, own + generator_.origin, a, b, c);
      PlanThree(plan, own, 0.5 * a + 0.5, source(v + 1, u), 0.5 * b, source(v, u - 1), 0.5 * c);
    }
  } else if (u < (1 - hv) + off) {
    plan.Single(own);
  } else if (v <= 1 - hu) {
    PlanBand(plan, own, source(v, u - 1), Ramp((1 - u) + off, fv));
  } else {
    corner(0.5 - (1 - v) / fu, 0.5 - (1 - u) / fv, source(u, v - 1), source(v, u - 1));
  }
}

}  // namespace corvel
