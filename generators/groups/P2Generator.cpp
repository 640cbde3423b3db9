#include "generators/groups/P2Generator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
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

POINT Scaled(POINT p, double f) { return {RoundToInt(p.x * (1 - f)), RoundToInt(p.y * (1 - f))}; }

enum Region {
  kInside,
  kLeftBand,
  kBottomBand,
  kDiagonalBand,
  kLeftBottom,
  kLeftDiagonal,
  kBottomDiagonal,
  kCorner00,
  kCorner01,
  kCorner10
};

}  // namespace

inline Point2D P2Generator::Fold(const Point2D& p) const {
  Point2D uv = PlaneToLattice(p.x, p.y);
  if (1 - uv.x < uv.y) uv = uv.HalfTurn({0.5, 0.5});
  return LatticeToPlane(uv.x, uv.y);
}

Point2D P2Generator::MapPoint(const Point2D& p) const { return Fold(p); }

// Each lattice vector shrinks whole by the fraction of its own direction, every component rounded.
void P2Generator::ShrinkLattice() {
  basisA = Scaled(basisA, feather1);
  basisC = Scaled(basisC, feather1);
  basisB = Scaled(basisB, feather2);
  basisD = Scaled(basisD, feather2);
}

int P2Generator::Generate(CProgressMeter* meter) {
  ShrinkLattice();
  PrepareLattice();
  const double f1 = feather1, f2 = feather2;
  const double hu = f1 / 2, hv = f2 / 2;
  // The seam curves run between the bands at both ends of their seam.
  const double seamScaleU = 1 / (1 - 2 * f1), seamScaleV = 1 / (1 - 2 * f2);
  // Samples sit half a feather into the source cell; the turn centres carry the same inset.
  auto source = [&](double u, double v) { return LatticeToSource(u + hu, v + hv); };
  const Point2D z00 = source(0, 0), zCentre = source(0.5, 0.5), zLeft = source(0, 0.5),
                zBottom = source(0.5, 0), z10 = source(1, 0), z01 = source(0, 1);

  // The six copies that meet at a corner of the region; g0..g2 are the barycentric weights of
  // the pixel against the corner triangle (corner, point on E1's seam, point on E2's seam).
  auto sixAround = [&](SamplePlan& plan, const Point2D& s0, const Point2D& corner, const Point2D& e1,
                       const Point2D& e2, Point2D p0, Point2D p1, Point2D p2) {
    const Point2D offset = origin;
    p0 = LatticeToSource(p0.x + hu, p0.y + hu) + offset;
    p1 = LatticeToSource(p1.x + hu, p1.y + hu) + offset;
    p2 = LatticeToSource(p2.x + hu, p2.y + hu) + offset;
    double g0, g1, g2;
    BarycentricCoords(p0, p1, p2, s0 + offset, g0, g1, g2);
    const Point2D s3 = s0.HalfTurn(corner);
    PlanSixCopies(plan, s0, s0.HalfTurn(e1), g1, s0.HalfTurn(e2), g2, s3, s3.HalfTurn(e1), s3.HalfTurn(e2),
                  g0);
    LimitWeightsToOne(plan);
  };

  // Unbent, a pixel away from the seams along the cell's edges and its short diagonal is one sample
  // of its position turned onto the lower triangle; the pixels of the bands about them are
  // planned as below.
  detail::FoldProgram fold;
  fold.AddByLine(Line2D({0, 1}, {1, 0}), true, detail::LatticeAffine{-1, 0, 1, 0, -1, 1});
  fold.sourceShift = {hu, hv};
  fold.bandU = {true, -hu, hu, 1};
  fold.bandV = fold.bandSum = {true, -hv, hv, 1};
  // Feathered, the bands' pixels blend as below in lanes, and where they meet in doubles.
  using detail::BlendCopy;
  using detail::HalfPlane;
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  auto halfTurn = [&](const Point2D& centre) {
    return detail::AffineOf([&](double u, double v) { return source(u, v).HalfTurn(centre); });
  };
  const HalfPlane belowDiagonal{1, 1, hv - 1}, aboveDiagonal{-1, -1, 1 - hv};  // v against 1 - hv - u
  detail::SeamBlends blends;
  blends.plansAsRegions = true;
  blends.AddOwn({UAbove(hu), VAbove(hv), belowDiagonal});
  blends.AddBlend({UBelow(hu), VAbove(hv), belowDiagonal}, halfTurn(zLeft), {1 / f1, 0, 0.5});
  blends.AddBlend({UAbove(hu), VBelow(hv), belowDiagonal}, halfTurn(zBottom), {0, 1 / f2, 0.5});
  blends.AddBlend({UAbove(hu), VAbove(hv), aboveDiagonal}, halfTurn(zCentre),
                  {-1 / f2, -1 / f2, 1 / f2 + 0.5});
  // Where two bands meet away from the triangle's corners, three copies; at the corners six, by
  // the point's barycentric weights in the corner's triangle, which is the region itself where the
  // two feathers are alike (else the six stay planned: the plan weighs them by unsigned areas).
  const detail::LatticeLinear acrossLeft{-1 / f1, 0, 0.5}, acrossBottom{0, -1 / f2, 0.5},
      acrossDiagonal{1 / f2, 1 / f2, 0.5 - 1 / f2};
  blends.AddThreeCopies({UBelow(hu), VBelow(hv), HalfPlane{-1, -1, hv}}, halfTurn(zLeft), acrossLeft,
                        halfTurn(zBottom), acrossBottom);
  blends.AddThreeCopies({UBelow(hu), VAbove(hv), aboveDiagonal, VBelow(1 - hv)}, halfTurn(zLeft), acrossLeft,
                        halfTurn(zCentre), acrossDiagonal);
  blends.AddThreeCopies({UAbove(hu), VBelow(hv), aboveDiagonal, UBelow(1 - hu)}, halfTurn(zBottom),
                        acrossBottom, halfTurn(zCentre), acrossDiagonal);
  if (f1 == f2) {
    // The own sample, its half turns about e1 and e2, and the three half turned about the corner
    // first, weighted as sixAround below weighs them.
    auto sixCopies = [&](std::initializer_list<HalfPlane> sides, const Point2D& corner, const Point2D& e1,
                         const Point2D& e2, const Point2D& p0, const Point2D& p1, const Point2D& p2) {
      auto turned = [&](const Point2D& first, const Point2D* second) {
        return detail::AffineOf([&](double u, double v) {
          const Point2D once = source(u, v).HalfTurn(first);
          return second ? once.HalfTurn(*second) : once;
        });
      };
      const detail::LatticeLinear beyond = detail::BarycentricWeight(p0, p1, p2, 1.0 / 6, 0, 0);
      blends.AddCopies(
          sides,
          {BlendCopy::Own(detail::BarycentricWeight(p0, p1, p2, 1.0 / 6, 0.5, 0.5)),
           BlendCopy::Mapped(turned(e1, nullptr), detail::BarycentricWeight(p0, p1, p2, 1.0 / 6, 0.5, 0)),
           BlendCopy::Mapped(turned(e2, nullptr), detail::BarycentricWeight(p0, p1, p2, 1.0 / 6, 0, 0.5)),
           BlendCopy::Mapped(turned(corner, nullptr), beyond), BlendCopy::Mapped(turned(corner, &e1), beyond),
           BlendCopy::Mapped(turned(corner, &e2), beyond)});
      blends.AddInDoubles(sides);
    };
    sixCopies({UBelow(hu), VBelow(hv), HalfPlane{1, 1, -hv}}, z00, zLeft, zBottom, {0, 0}, {0, hu}, {hu, 0});
    sixCopies({UBelow(hu), VAbove(1 - hv)}, z01, zLeft, zCentre, {0, 1}, {0, 1 - hu}, {hu, 1 - hu});
    sixCopies({VBelow(hv), aboveDiagonal, UAbove(1 - hu)}, z10, zBottom, zCentre, {1, 0}, {1 - hu, 0},
              {1 - hu, hu});
  }
  if (f2 != 0) {
    fold.blends = &blends;
  } else {
    // A pixel right on an edge shows its first half, as OntoHalfFrom below gives it, whichever
    // side of the edge the step took it to.
    const double on = detail::kOnSeam;
    fold.AddInCorner(VBelow(on), false, UAbove(0.5), detail::LatticeAffine{-1, 0, 1, 0, -1, 0}, false);
    fold.AddInCorner(UBelow(on), false, VAbove(0.5), detail::LatticeAffine{-1, 0, 0, 0, -1, 1}, false);
    fold.AddInCorner(HalfPlane{-1, -1, 1 - on}, false, UAbove(0.5), detail::LatticeAffine{-1, 0, 1, 0, -1, 1},
                     false);
    fold.LeaveSeamsToSteps();
  }
  return RunTileWorker(
      *this, meter,
      [&](int x, int y, SamplePlan& plan) {
        const Point2D q = Fold(WrapToCell(x, y));
        const Point2D folded = PlaneToLattice(q.x, q.y);
        double u = Clamp01(folded.x), v = Clamp01(folded.y);

        const double su = Clamp01((u - f1) * seamScaleU), sv = Clamp01((v - f2) * seamScaleV);
        double d0 = (1 - 2 * f2) * SeamCurve(sv, seamK0);
        double d1 = (1 - 2 * f1) * SeamCurve(sv, seamK1);
        double d2 = (1 - 2 * f2) * SeamCurve(su, seamK2);

        // Across a curved seam the point belongs to the copy turned about the seam's midpoint.
        if (CompareLattice(v, 1 - u - d0) != -1) {
          u = 1 - u;
          v = 1 - v;
          d0 = -d0;
        }
        if (CompareLattice(v - d2, 0) == -1) {
          u = 1 - u;
          v = -v;
          d2 = -d2;
        }
        if (CompareLattice(u - d1, 0) == -1) {
          u = -u;
          v = 1 - v;
          d1 = -d1;
        }

        Region region;
        if (u < hu + d1) {
          if (v < hv)
            region = v < hv - u ? kCorner00 : kLeftBottom;
          else
            region = v <= 1 - hv - u ? kLeftBand : (v <= 1 - hv ? kLeftDiagonal : kCorner01);
        } else if (v <= 1 - hv - u - d0) {
          region = v < hv + d2 ? kBottomBand : kInside;
        } else {
          region = v >= hv ? kDiagonalBand : (u >= 1 - hu ? kCorner10 : kBottomDiagonal);
        }
        if (f2 == 0) {
          region = kInside;
          // Unbent, each edge of the triangle is glued to itself by the half turn about its
          // midpoint; a pixel right on one shows its first half in every copy.
          if (seamK0 == 0 && seamK1 == 0 && seamK2 == 0) {
            Point2D uv = OntoHalfFrom({u, v}, {0, 0}, {1, 0});
            uv = OntoHalfFrom(uv, {0, 0}, {0, 1});
            uv = OntoHalfFrom(uv, {0, 1}, {1, 0});
            u = uv.x;
            v = uv.y;
          }
        }

        const Point2D s0 = source(u, v);
        switch (region) {
          case kInside:
            plan.Single(s0);
            break;
          case kLeftBand: {
            const double w = Clamp01((u - d1) / f1 + 0.5);
            plan.Clear();
            plan.Add(s0, w);
            plan.Add(s0.HalfTurn(zLeft), 1 - w);
            break;
          }
          case kBottomBand: {
            const double w = Clamp01((v - d2) / f2 + 0.5);
            plan.Clear();
            plan.Add(s0, w);
            plan.Add(s0.HalfTurn(zBottom), 1 - w);
            break;
          }
          case kDiagonalBand: {
            const double w = Clamp01((1 - u - d0 - v) / f2 + 0.5);
            plan.Clear();
            plan.Add(s0, w);
            plan.Add(s0.HalfTurn(zCentre), 1 - w);
            break;
          }
          case kLeftBottom:
          case kLeftDiagonal:
          case kBottomDiagonal: {
            // Where two bands meet: both partners and the pixel's own sample.
            const double diagonal = 0.5 - (1 - u - v) / f2;
            const double a = region == kBottomDiagonal ? 0.5 - v / f2 : 0.5 - u / f1;
            const double b = region == kLeftBottom ? 0.5 - v / f2 : diagonal;
            const Point2D& first = region == kBottomDiagonal ? zBottom : zLeft;
            const Point2D& second = region == kLeftBottom ? zBottom : zCentre;
            PlanThree(plan, s0.HalfTurn(first), a, s0.HalfTurn(second), b, s0, 1 - b - a);
            break;
          }
          case kCorner00:
            sixAround(plan, s0, z00, zLeft, zBottom, {0, 0}, {0, hu}, {hu, 0});
            break;
          case kCorner01:
            sixAround(plan, s0, z01, zLeft, zCentre, {0, 1}, {0, 1 - hu}, {hu, 1 - hu});
            break;
          case kCorner10:
            sixAround(plan, s0, z10, zBottom, zCentre, {1, 0}, {1 - hu, 0}, {1 - hu, hu});
            break;
        }
      },
      seamK0 == 0 && seamK1 == 0 && seamK2 == 0 ? &fold : nullptr);
}

}  // namespace corvel
