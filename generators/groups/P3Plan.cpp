#include "generators/groups/P3Plan.h"

#include "generators/detail/SeamFeathering.h"

namespace corvel {

void P3Plan::operator()(int x, int y, SamplePlan& plan) const {
  const Point2D q = rhombus_.Fold(generator_.WrapToCell(x, y));
  const Point2D folded = s_.frame.PlaneToLattice(q.x, q.y);
  const Point2D st(Clamp01(folded.x), Clamp01(folded.y));
  if (s_.hardUnbent) return PlanHardSeams(st.x, st.y, plan);
  double o0 = 0, o1 = 0;
  const Point2D carried = AcrossBentEdges(st, o0, o1);
  PlanBlends(carried, o0, o1, plan);
}

void P3Plan::PlanHardSeams(double s, double t, SamplePlan& plan) const {
  // The edge s = 1 turned about its anchor onto t = 0, the edge t = 1 onto s = 0. The turns of a
  // nearly hexagonal lattice end a little off the edges, so "on" is within a third of a pixel.
  const Point2D own = s_.source(s, t);
  const double near = s_.near;
  if (s > 1 - near && t > near)
    plan.Single(own.RotateMinus120(s_.c10));
  else if (t > 1 - near && s < 1 - near)
    plan.Single(own.RotatePlus120(s_.c01));
  else
    plan.Single(own);
}

Point2D P3Plan::AcrossBentEdges(Point2D st, double& o0, double& o1) const {
  double &s = st.x, &t = st.y;
  const double fu = s_.fu, fv = s_.fv, k0 = s_.k0, k1 = s_.k1;
  // Both seam curves follow the larger bump along either edge; k0 bends the edges at anchor2, k1
  // those at anchor1. Unbent, the offsets are zeros whatever the bump: its divisions are left out
  // where it is finite.
  double bump = 1;
  if (k0 != 0 || k1 != 0 || !(s == s && t == t && fu != 1 && fv != 1)) {
    const double ps = Clamp01((s - s_.hu) / (1 - fu)), pt = Clamp01((t - s_.hv) / (1 - fv));
    bump = Bump(ps) > Bump(pt) ? Bump(ps) : Bump(pt);
  }
  o1 = (1 - fv) * k1 * bump / kSqrt2;
  o0 = (1 - fu) * k0 * bump / kSqrt2;
  auto carry = [&](bool plus, const Point2D& centre) {
    const Point2D p = s_.source(s, t);
    st = s_.ToFrame(plus ? p.RotatePlus120(centre) : p.RotateMinus120(centre));
  };
  if (o0 > 0) {
    if (CompareWithTolerance(t - o0, 0) == -1) carry(true, s_.c10);
  } else if (CompareWithTolerance(s - o0, 1) == 1) {
    carry(false, s_.c10);
  }
  if (o1 > 0) {
    if (CompareWithTolerance(s - o1, 0) == -1) carry(false, s_.c01);
  } else if (CompareWithTolerance(t - o1, 1) == 1) {
    carry(true, s_.c01);
  }
  return st;
}

void P3Plan::PlanBlends(const Point2D& st, double o0, double o1, SamplePlan& plan) const {
  const double s = st.x, t = st.y, fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv;
  const Point2D own = s_.source(s, t);
  if (IsZero(fv)) {
    plan.Single(own);
    return;
  }
  const Point2D &c00 = s_.c00, &c10 = s_.c10, &c01 = s_.c01, &c11 = s_.c11;
  if (s < hu + o1) {
    if (t < hv + o0) {
      if (t < (hv + o0) - s) {
        const Point2D s4 = own.RotatePlus120(c10);
        PlanSixCopies(own, s_.t0a, s_.t0b, s_.t0c, own.RotateMinus120(c00), own.RotatePlus120(c00), s4,
                      s4.RotateMinus120(c11), own.RotateMinus120(c01), plan);
      } else {
        const double wa = 0.5 - (s - o1) / fu, wb = 0.5 - (t - o0) / fv;
        PlanThree(plan, own.RotateMinus120(c01), wa, own.RotatePlus120(c10), wb, own, 1 - wb - wa);
      }
    } else if (t > (1 - hv) + o1) {
      if (t > s + 1 - hv)
        PlanAtAnAnchor(st, own, {0, 1}, {0, 1 - hv}, {hu, 1}, own.RotateMinus120(c01), own.RotatePlus120(c01),
                       true, plan);
      else
        PlanAtAnAnchor(st, own, {hu, 1 - hv}, {0, 1 - hv}, {hu, 1}, own.RotateMinus120(c01),
                       own.RotatePlus120(c01), false, plan);
    } else {
      PlanBand(plan, own, own.RotateMinus120(c01), Ramp(s - o1, fu));
    }
  } else if (s > (1 - hu) + o0) {
    PlanFarCorners(st, own, o0, o1, plan);
  } else if (t < hv + o0) {
    PlanBand(plan, own, own.RotatePlus120(c10), Ramp(t - o0, fv));
  } else if (t > (1 - hv) + o1) {
    PlanBand(plan, own, own.RotatePlus120(c01), Ramp((1 - t) + o1, fv));
  } else {
    plan.Single(own);
  }
}

void P3Plan::PlanFarCorners(const Point2D& st, const Point2D& own, double o0, double o1,
                            SamplePlan& plan) const {
  const double s = st.x, t = st.y, fu = s_.fu, fv = s_.fv, hu = s_.hu, hv = s_.hv;
  const Point2D &c00 = s_.c00, &c10 = s_.c10, &c01 = s_.c01, &c11 = s_.c11;
  if (t < hv + o0) {
    if (t < s - 1 + hu)
      PlanAtAnAnchor(st, own, {1, 0}, {1 - hu, 0}, {1, hv}, own.RotatePlus120(c10), own.RotateMinus120(c10),
                     true, plan);
    else
      PlanAtAnAnchor(st, own, {1 - hu, hv}, {1 - hu, 0}, {1, hv}, own.RotatePlus120(c10),
                     own.RotateMinus120(c10), false, plan);
  } else if (t > (1 - hv) + o1) {
    if (t > (2 - hv - s) + o1) {
      const Point2D s4 = own.RotateMinus120(c10);
      PlanSixCopies(own, s_.t1a, s_.t1b, s_.t1c, own.RotateMinus120(c11), own.RotatePlus120(c11), s4,
                    s4.RotatePlus120(c00), own.RotatePlus120(c01), plan);
    } else {
      const double wa = 0.5 - ((1 - s) + o0) / fu, wb = 0.5 - ((1 - t) + o1) / fv;
      PlanThree(plan, own.RotateMinus120(c10), wa, own.RotatePlus120(c01), wb, own, 1 - wb - wa);
    }
  } else {
    PlanBand(plan, own, own.RotateMinus120(c10), Ramp((1 - s) + o0, fu));
  }
}

// At an anchor three copies meet: the own sample and the two turns about the anchor, weighted by
// the pixel's place in the corner triangle a, b, c.
void P3Plan::PlanAtAnAnchor(const Point2D& st, const Point2D& own, const Point2D& a, const Point2D& b,
                            const Point2D& c, const Point2D& second, const Point2D& third, bool nearAnchor,
                            SamplePlan& plan) const {
  double b1, b2, b3;
  BarycentricCoords(a, b, c, st, b1, b2, b3);
  if (nearAnchor)
    PlanThree(plan, own, 0.5 - b1 / 6, second, b1 / 3 + b2 / 2, third, b1 / 3 + b3 / 2);
  else
    PlanThree(plan, own, 0.5 + b1 / 2, second, b2 / 2, third, b3 / 2);
}

// At 0 and A + B six copies meet, weighted by the own sample's place in the triangle a, b, c of
// the band ends on the source.
void P3Plan::PlanSixCopies(const Point2D& own, const Point2D& a, const Point2D& b, const Point2D& c,
                           const Point2D& s2, const Point2D& s3, const Point2D& s4, const Point2D& s5,
                           const Point2D& s6, SamplePlan& plan) const {
  double b1, b2, b3;
  BarycentricCoords(a, b, c, own + generator_.origin, b1, b2, b3);
  plan.Clear();
  plan.Add(own, Clamp01(b1 / 2 + b2 / 2 + b3 / 6));
  plan.Add(s2, Clamp01(b3 / 6));
  plan.Add(s3, Clamp01(b3 / 6));
  plan.Add(s4, Clamp01(b2 / 2 + b3 / 6));
  plan.Add(s5, Clamp01(b3 / 6));
  plan.Add(s6, Clamp01(b1 / 2 + b3 / 6));
  LimitWeightsToOne(plan);
}

}  // namespace corvel
