#include "generators/groups/P2Plan.h"

#include "generators/detail/SeamFeathering.h"

namespace corvel {

namespace {

// The S-shaped seam: a parabola up on the first half and down on the second, so that the half
// turn about the seam's midpoint maps the curve onto itself.
double SeamCurve(double t, double k) {
  if (t < 0.5) {
    const double s = 2 * t;
    return 3 * s * (1 - s) * k;
  }
  const double s = 2 * t - 1;
  return -3 * s * (1 - s) * k;
}

}  // namespace

void P2Plan::operator()(int x, int y, SamplePlan& plan) const {
  Offsets d;
  Point2D uv = Folded(CellPosition(generator_, x, y), d);
  Region region = RegionOf(uv.x, uv.y, d);
  if (s_.fv == 0) {
    region = kInside;
    if (s_.unbent) uv = P2Triangle::OntoFirstHalves(uv);
  }
  PlanRegion(region, uv.x, uv.y, d, plan);
}

Point2D P2Plan::Folded(const Point2D& cell) const {
  Offsets d;
  return Folded(cell, d);
}

Point2D P2Plan::Folded(const Point2D& cell, Offsets& d) const {
  const Point2D q = triangle_.Fold(generator_.LatticeToPlane(cell.x, cell.y));
  const Point2D folded = generator_.PlaneToLattice(q.x, q.y);
  const double u = Clamp01(folded.x), v = Clamp01(folded.y);
  const double f1 = s_.fu, f2 = s_.fv;
  const double su = Clamp01((u - f1) * s_.seamScaleU), sv = Clamp01((v - f2) * s_.seamScaleV);
  d = {(1 - 2 * f2) * SeamCurve(sv, s_.k0), (1 - 2 * f1) * SeamCurve(sv, s_.k1),
       (1 - 2 * f2) * SeamCurve(su, s_.k2)};
  Point2D uv(u, v);
  AcrossCurvedSeams(uv, d);
  return uv;
}

void P2Plan::AcrossCurvedSeams(Point2D& uv, Offsets& d) const {
  double &u = uv.x, &v = uv.y;
  if (CompareLattice(v, 1 - u - d.d0) != -1) {
    u = 1 - u;
    v = 1 - v;
    d.d0 = -d.d0;
  }
  if (CompareLattice(v - d.d2, 0) == -1) {
    u = 1 - u;
    v = -v;
    d.d2 = -d.d2;
  }
  if (CompareLattice(u - d.d1, 0) == -1) {
    u = -u;
    v = 1 - v;
    d.d1 = -d.d1;
  }
}

P2Plan::Region P2Plan::RegionOf(double u, double v, const Offsets& d) const {
  const double hu = s_.hu, hv = s_.hv;
  if (u < hu + d.d1) {
    if (v < hv) return v < hv - u ? kCorner00 : kLeftBottom;
    return v <= 1 - hv - u ? kLeftBand : (v <= 1 - hv ? kLeftDiagonal : kCorner01);
  }
  if (v <= 1 - hv - u - d.d0) return v < hv + d.d2 ? kBottomBand : kInside;
  return v >= hv ? kDiagonalBand : (u >= 1 - hu ? kCorner10 : kBottomDiagonal);
}

void P2Plan::PlanRegion(Region region, double u, double v, const Offsets& d, SamplePlan& plan) const {
  const double f1 = s_.fu, f2 = s_.fv, hu = s_.hu;
  const Point2D s0 = s_.source(u, v);
  auto band = [&](const Point2D& centre, double w) {
    plan.Clear();
    plan.Add(s0, w);
    plan.Add(s0.HalfTurn(centre), 1 - w);
  };
  switch (region) {
    case kInside:
      plan.Single(s0);
      break;
    case kLeftBand:
      band(s_.zLeft, Clamp01((u - d.d1) / f1 + 0.5));
      break;
    case kBottomBand:
      band(s_.zBottom, Clamp01((v - d.d2) / f2 + 0.5));
      break;
    case kDiagonalBand:
      band(s_.zCentre, Clamp01((1 - u - d.d0 - v) / f2 + 0.5));
      break;
    case kLeftBottom:
    case kLeftDiagonal:
    case kBottomDiagonal: {
      // Where two bands meet: both partners and the pixel's own sample.
      const double diagonal = 0.5 - (1 - u - v) / f2;
      const double a = region == kBottomDiagonal ? 0.5 - v / f2 : 0.5 - u / f1;
      const double b = region == kLeftBottom ? 0.5 - v / f2 : diagonal;
      const Point2D& first = region == kBottomDiagonal ? s_.zBottom : s_.zLeft;
      const Point2D& second = region == kLeftBottom ? s_.zBottom : s_.zCentre;
      PlanThree(plan, s0.HalfTurn(first), a, s0.HalfTurn(second), b, s0, 1 - b - a);
      break;
    }
    case kCorner00:
      PlanSixAround(s0, s_.z00, s_.zLeft, s_.zBottom, {0, 0}, {0, hu}, {hu, 0}, plan);
      break;
    case kCorner01:
      PlanSixAround(s0, s_.z01, s_.zLeft, s_.zCentre, {0, 1}, {0, 1 - hu}, {hu, 1 - hu}, plan);
      break;
    case kCorner10:
      PlanSixAround(s0, s_.z10, s_.zBottom, s_.zCentre, {1, 0}, {1 - hu, 0}, {1 - hu, hu}, plan);
      break;
  }
}

void P2Plan::PlanSixAround(const Point2D& s0, const Point2D& corner, const Point2D& e1, const Point2D& e2,
                           Point2D p0, Point2D p1, Point2D p2, SamplePlan& plan) const {
  const Point2D offset = generator_.origin;
  const double hu = s_.hu;
  p0 = generator_.LatticeToSource(p0.x + hu, p0.y + hu) + offset;
  p1 = generator_.LatticeToSource(p1.x + hu, p1.y + hu) + offset;
  p2 = generator_.LatticeToSource(p2.x + hu, p2.y + hu) + offset;
  double g0, g1, g2;
  BarycentricCoords(p0, p1, p2, s0 + offset, g0, g1, g2);
  const Point2D s3 = s0.HalfTurn(corner);
  PlanSixCopies(plan, s0, s0.HalfTurn(e1), g1, s0.HalfTurn(e2), g2, s3, s3.HalfTurn(e1), s3.HalfTurn(e2), g0);
  LimitWeightsToOne(plan);
}

}  // namespace corvel
