#include "generators/groups/P6Plan.h"

#include "generators/detail/SeamFeathering.h"

namespace corvel {

void P6Plan::operator()(int x, int y, SamplePlan& plan) const {
  Point2D uv = kite_.OntoKite(CellPosition(generator_, x, y));
  if (s_.hardUnbent) return PlanHardSeams(uv, plan);
  double o1 = 0, bend1 = 0, bend2 = 0;
  uv = AcrossBentSeams(uv, o1, bend1, bend2);
  PlanBlends(uv, o1, bend1, bend2, plan);
}

void P6Plan::PlanHardSeams(Point2D uv, SamplePlan& plan) const {
  // A pixel right on a hard seam shows the side every copy of it shows: the axis u = 0 turned
  // about the six-fold centre onto v = 0, the second median about the three-fold centre onto the
  // first. The turns of a nearly hexagonal lattice end a little off the seams, so "on" is within
  // a third of a pixel.
  uv = kite_.Carried(uv);
  const Point2D own = kite_.Source()(uv);
  if (uv.x < s_.near && uv.y > s_.near)
    plan.Single(own.RotatePlus60(kite_.SixFold()));
  else
    plan.Single(kite_.HardSeamSide(uv, own, s_.near));
}

Point2D P6Plan::AcrossBentSeams(Point2D uv, double& o1, double& bend1, double& bend2) const {
  const double fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv, k0 = s_.k0, k1 = s_.k1;
  const FeatherSource& source = kite_.Source();
  // The seams on the axes bend by the stronger of the bumps along the two; unbent, by nothing.
  auto axisBend = [&] {
    const double s = Clamp01((uv.x - hu) / (0.5 - fu)), r = Clamp01((uv.y - hv) / (0.5 - fv));
    return LargerForPositive((1 - fu) * Bump(s) * k0, (1 - fu) * Bump(r) * k0, k0 > 0) / kSqrt3;
  };
  o1 = s_.unbent ? 0 : axisBend();
  if (o1 > 0) {
    if (CompareWithTolerance(uv.y - o1, 0) == -1)
      uv = kite_.ToCell(source(uv).RotateMinus60(kite_.SixFold()));
  } else if (CompareWithTolerance(uv.x + o1, 0) == -1) {
    uv = kite_.ToCell(source(uv).RotatePlus60(kite_.SixFold()));
  }
  // Each median bends by the bump along itself, the first by v and the second by u: near the
  // three-fold centre, where the medians meet, the bump of the other median would carry points of
  // this one across that one.
  auto medianBends = [&] {
    if (s_.unbent) return;
    bend1 = (1 - fu) * Bump(Clamp01((uv.y - hv) / (s_.i1.y - hu))) * -k1 / kSqrt3;
    bend2 = (1 - fu) * Bump(Clamp01((uv.x - hu) / (s_.i1.y - hu))) * -k1 / kSqrt3;
  };
  medianBends();
  const double across = k1 < 0 ? bend1 : bend2;
  if (across > 0) {
    if (CompareWithTolerance(uv.x + across, P6Kite::kMedian1.XAt(uv.y)) != -1) {
      uv = kite_.ToCell(source(uv).RotatePlus120(kite_.ThreeFold()));
      medianBends();
    }
  } else if (CompareWithTolerance(uv.y - across, P6Kite::kMedian2.YAt(uv.x)) != -1) {
    uv = kite_.ToCell(source(uv).RotateMinus120(kite_.ThreeFold()));
    medianBends();
  }
  return uv;
}

void P6Plan::PlanBlends(const Point2D& uv, double o1, double bend1, double bend2, SamplePlan& plan) const {
  const double u = uv.x, v = uv.y, fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv;
  const Point2D own = kite_.Source()(u, v);
  if (IsZero(fv)) {
    plan.Single(own);
    return;
  }
  const Point2D &z = kite_.SixFold(), &t = kite_.ThreeFold();
  // Signed distances to the four seams, positive inside the kite.
  const double toAxisV = u + o1, toAxisU = v - o1;
  const double toMedian1 = P6Kite::kMedian1.XAt(v) - u - bend1,
               toMedian2 = P6Kite::kMedian2.YAt(u) - v + bend2;
  // A point carried across a bent median lies in the bulge of the seam beyond the kite's edge,
  // where the lines of the other median's band reach on; it belongs to its own median's band or
  // to the interior, never to the other band.
  if (u < hu - o1) {
    if (v < hv) {
      if (v < hv - u) {
        // Six copies meet at the six-fold centre.
        double w1, w2, w0;
        BarycentricCoords(s_.q1, s_.q2, z, own, w1, w2, w0);
        PlanSixCopies(plan, own, own.RotateMinus60(z), w2, own.RotatePlus60(z), w1, own.HalfTurn(z),
                      own.RotateMinus120(z), own.RotatePlus120(z), w0);
      } else {
        const double a = Clamp01(0.5 - toAxisV / fu), b = Clamp01(0.5 - toAxisU / fv);
        PlanThree(plan, own, 1 - a - b, own.RotatePlus60(z), a, own.RotateMinus60(z), b);
      }
    } else if (v <= s_.e2.YAt(u) + bend2) {
      PlanBand(plan, own, own.RotatePlus60(z), Ramp(toAxisV, fu));
    } else {
      const double a = Clamp01(0.5 - toAxisV / fu), b = Clamp01(0.5 - toMedian2 / fu);
      PlanCorner(plan, own, own.RotatePlus60(z), own.RotateMinus120(t), own.HalfTurn(s_.h2), 1 - a, 1 - b);
    }
  } else if (v <= P6Kite::kMedian2.YAt(u) && (u > v ? u > s_.e1.XAt(v) - bend1 : v > s_.e1.YAt(u) - bend1)) {
    PlanAtTheThreeFoldCentre(uv, own, o1, bend1, toAxisU, toMedian1, plan);
  } else if (v < hv + o1) {
    PlanBand(plan, own, own.RotateMinus60(z), Ramp(toAxisU, fv));
  } else if (v <= s_.e2.YAt(u) + bend2 || u > P6Kite::kMedian1.XAt(v)) {
    plan.Single(own);
  } else {
    PlanBand(plan, own, own.RotateMinus120(t), Ramp(toMedian2, fu));
  }
  LimitWeightsToOne(plan);
}

void P6Plan::PlanAtTheThreeFoldCentre(const Point2D& uv, const Point2D& own, double o1, double bend1,
                                      double toAxisU, double toMedian1, SamplePlan& plan) const {
  const double u = uv.x, v = uv.y;
  const Point2D &z = kite_.SixFold(), &t = kite_.ThreeFold();
  if (v < s_.hv + o1) {
    const double a = Clamp01(0.5 - toAxisU / s_.fv), b = Clamp01(0.5 - toMedian1 / s_.fu);
    PlanCorner(plan, own, own.RotateMinus60(z), own.RotatePlus120(t), own.HalfTurn(s_.h1), 1 - a, 1 - b);
  } else if (v <= s_.e2.YAt(u) - bend1) {
    PlanBand(plan, own, own.RotatePlus120(t), Ramp(toMedian1, s_.fu));
  } else {
    // Three copies meet at the three-fold centre.
    double w1, w2, w3;
    const bool atCentre = v > s_.e3.YAt(u);
    BarycentricCoords(atCentre ? s_.centroid : s_.c, s_.i1, s_.j, uv, w1, w2, w3);
    if (atCentre)
      PlanThree(plan, own, 0.5 - w1 / 6, own.RotatePlus120(t), w1 / 3 + w2 / 2, own.RotateMinus120(t),
                w1 / 3 + w3 / 2);
    else
      PlanThree(plan, own, 0.5 + w1 / 2, own.RotatePlus120(t), w2 / 2, own.RotateMinus120(t), w3 / 2);
  }
}

}  // namespace corvel
