#include "generators/groups/P3LMPlan.h"

#include "generators/detail/SeamFeathering.h"

namespace corvel {

void P3LMPlan::operator()(int x, int y, SamplePlan& plan) const {
  Point2D uv = kite_.OntoKite(CellPosition(generator_, x, y));
  if (s_.hardUnbent) return PlanHardSeam(uv, plan);
  const double u = uv.x, v = uv.y, hu = s_.hu, hv = s_.hv, fu = s_.fu, k0 = s_.k0;
  // The two seams from G bend by the larger bump, against the sign of k0.
  const double tu = Clamp01((u - hu) / (s_.h - hu)), tv = Clamp01((v - hv) / (s_.h - hv));
  const double cu = Bump(tu) * -k0 * (1 - fu), cv = Bump(tv) * -k0 * (1 - fu);
  double d = k0 >= 0 ? (cu < cv ? cu : cv) : (cu > cv ? cu : cv);
  d /= kSqrt3;
  // Beyond a bent seam the point belongs to the kite turned about G.
  const bool beyondK = d > 0 && CompareWithTolerance(u + d, P3LMKite::kToK.XAt(v)) != -1;
  const bool beyondM = d <= 0 && CompareWithTolerance(v - d, P3LMKite::kToM.YAt(u)) != -1;
  if (beyondK || beyondM) {
    const Point2D p = kite_.Source()(u, v);
    uv = kite_.ToCell(beyondK ? p.RotatePlus120(kite_.ThreeFold()) : p.RotateMinus120(kite_.ThreeFold()));
  }
  PlanBlends(uv, d, plan);
}

void P3LMPlan::PlanHardSeam(const Point2D& onKite, SamplePlan& plan) const {
  // The turns of a nearly hexagonal lattice end a little off the seams, so "on" the hard seam is
  // within a third of a pixel.
  const Point2D uv = kite_.Carried(onKite);
  const Point2D own = kite_.Source()(uv);
  plan.Single(kite_.HardSeamSide(uv, own, s_.near));
}

void P3LMPlan::PlanBlends(const Point2D& uv, double d, SamplePlan& plan) const {
  const double u = uv.x, v = uv.y, fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv;
  const Line2D &lk = P3LMKite::kToK, &lm = P3LMKite::kToM;
  const Point2D& gs = kite_.ThreeFold();
  const Point2D own = kite_.Source()(u, v);
  if (IsZero(fv)) {
    plan.Single(own);
    return;
  }
  auto three = [&](const Point2D& a, const Point2D& b, const Point2D& c, bool nearCentre) {
    double ba, bb, bc;
    BarycentricCoords(a, b, c, {u, v}, ba, bb, bc);
    const Point2D plus = own.RotatePlus120(gs), minus = own.RotateMinus120(gs);
    if (nearCentre)
      PlanThree(plan, own, 0.5 - ba / 6, plus, ba / 3 + bb / 2, minus, ba / 3 + bc / 2);
    else
      PlanThree(plan, own, ba / 2 + 0.5, plus, bb / 2, minus, bc / 2);
  };
  if (u < hu) {
    if (v < hv || v <= s_.lb.YAt(u)) {
      plan.Single(own);
    } else {
      const Point2D minus = own.RotateMinus120(gs);
      PlanCorner(plan, minus.Reflect(s_.edgeA), minus, own.Reflect(s_.edgeB), own, Clamp01(0.5 - u / fu),
                 Clamp01(0.5 - (lm.YAt(u) - v + d) / fu));
    }
    return;
  }
  const bool beyondA = u > v ? u > s_.la.XAt(v) - d : v > s_.la.YAt(u) - d;
  if (beyondA) {
    if (v < hv) {
      const Point2D plus = own.RotatePlus120(gs);
      PlanCorner(plan, plus.Reflect(s_.edgeB), plus, own.Reflect(s_.edgeA), own, Clamp01(0.5 - v / fv),
                 Clamp01(0.5 - (lk.XAt(v) - u + d) / fu));
    } else if (v <= s_.lb.YAt(u) - d) {
      PlanBand(plan, own, own.RotatePlus120(gs), Ramp(lk.XAt(v) - u - d, fu));
    } else if (v <= s_.lg.YAt(u)) {
      three(s_.gi, s_.xk, s_.xm, false);
    } else {
      three({1.0 / 3, 1.0 / 3}, s_.xk, s_.xm, true);
    }
  } else if (v < hv || v <= s_.lb.YAt(u) + d) {
    plan.Single(own);
  } else {
    PlanBand(plan, own, own.RotateMinus120(gs), Ramp(lm.YAt(u) - v + d, fu));
  }
}

}  // namespace corvel
