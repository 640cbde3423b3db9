#include "generators/groups/P4GGenerator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamFeathering.h"

namespace corvel {

P4GGenerator::P4GGenerator() : mirror_({0, 0.5}, {0.5, 0}) {}

Point2D P4GGenerator::Fold(Point2D uv) const {
  const Point2D centre(0.5, 0.5);
  if (CompareWithTolerance(uv.x, 0.5) == 1)
    uv = CompareWithTolerance(uv.y, 0.5) == 1 ? uv.HalfTurn(centre) : uv.QuarterTurnA(centre);
  else if (CompareWithTolerance(uv.y, 0.5) == 1)
    uv = uv.QuarterTurnB(centre);
  if (CompareWithTolerance(uv.y, 0.5 - uv.x) != -1) uv = uv.Reflect(mirror_);
  return uv;
}

Point2D P4GGenerator::MapPoint(const Point2D& p) const {
  const Point2D uv = Fold(PlaneToLattice(p.x, p.y));
  return LatticeToPlane(uv.x, uv.y);
}

int P4GGenerator::Generate(CProgressMeter* meter) {
  const double fu = feather1, fv = feather2, hu = fu / 2, hv = fv / 2;
  ShrinkLatticeXY(*this, 1 - 2 * fu, 1 - 2 * fv);
  const FeatherSource source(*this, hu, hv);
  // The four-fold centres (0, 0) and (0.5, 0.5) and the two-fold ones (0, 0.5) and (0.5, 0),
  // on the source. Partners are turns of the pixel's own source point about them.
  const Point2D s0 = source(0, 0), s1 = source(0.5, 0.5), s2 = source(0, 0.5), s3 = source(0.5, 0);
  const double k0 = seamK0;
  const Point2D zero(0, 0), centre(0.5, 0.5);
  // Unbent, a pixel away from the quarters' seams is one sample of its position turned as its
  // quarter started and mirrored across u + v = 0.5; the pixels of the bands about the seams are
  // planned as below.
  detail::FoldProgram fold;
  const detail::HalfPlane leftHalf{1, 0, -0.5}, lowerHalf{0, 1, -0.5}, upperHalf{0, -1, 0.5};
  fold.AddInCorner(leftHalf, true, upperHalf, detail::LatticeAffine{-1, 0, 1, 0, -1, 1});
  fold.AddInCorner(leftHalf, true, lowerHalf, detail::LatticeAffine{0, 1, 0, -1, 0, 1});
  fold.AddInCorner(leftHalf, false, upperHalf, detail::LatticeAffine{0, -1, 1, 1, 0, 0});
  fold.AddByLine(mirror_, true, detail::LatticeAffine{0, -1, 0.5, -1, 0, 0.5});
  fold.reachU = fold.reachV = 0.5;
  fold.sourceShift = {hu, hv};
  fold.bandU = {true, -hu, hu, 0.5};
  fold.bandV = {true, -hv, hv, 0.5};
  return RunTileWorker(
      *this, meter,
      [&](int x, int y, SamplePlan& plan) {
        Point2D uv = Fold(CellPosition(*this, x, y));
        uv = {ClampHalf(uv.x), ClampHalf(uv.y)};

        // The seams at the corner bend by the larger bump of the two edges, those at the centre by
        // the smaller; both vanish at the seams' ends.
        const double a = Clamp01((uv.x - hu) / (0.5 - fu)), b = Clamp01((uv.y - hv) / (0.5 - fv));
        const double dCentre = LargerForPositive(-Bump(b) * k0 * (1 - fv), -Bump(a) * k0 * (1 - fv), k0 > 0) /
                               2.5;
        const double dCorner = LargerForPositive(Bump(a) * k0 * (1 - fu), Bump(b) * k0 * (1 - fu), k0 > 0) /
                               2.5;

        // Beyond a bent seam the point belongs to the quarter turned about that seam's corner.
        if (dCorner > 0) {
          if (CompareWithTolerance(uv.y - dCorner, 0) == -1) uv = uv.QuarterTurnB(zero);
        } else if (CompareWithTolerance(uv.x + dCorner, 0) == -1) {
          uv = uv.QuarterTurnA(zero);
        }
        if (dCentre > 0) {
          if (CompareWithTolerance(uv.y + dCentre, 0.5) == 1) uv = uv.QuarterTurnB(centre);
        } else if (CompareWithTolerance(uv.x - dCentre, 0.5) == 1) {
          uv = uv.QuarterTurnA(centre);
        }

        const double u = uv.x, v = uv.y;
        const Point2D own = source(u, v);
        if (fv == 0) {
          plan.Single(k0 == 0 ? source(OntoUEdges(uv)) : own);
          return;
        }
        const double wLoU = Ramp(u + dCorner, fu), wHiU = Ramp((0.5 - u) + dCentre, fu);
        const double wLoV = Ramp(v - dCorner, fv), wHiV = Ramp((0.5 - v) - dCentre, fv);
        if (u < hu - dCorner) {
          if (v < hv)
            PlanCorner(plan, own, own.QuarterTurnA(s0), own.QuarterTurnB(s0), own.HalfTurn(s0), wLoU, wLoV);
          else if (v <= 0.5 - hv)
            PlanBand(plan, own, own.QuarterTurnA(s0), wLoU);
          else
            PlanCorner(plan, own, own.QuarterTurnA(s0), own.QuarterTurnB(s1), own.HalfTurn(s2), wLoU, wHiV);
        } else if (u > (0.5 - hu) + dCentre) {
          if (v < hv)
            PlanCorner(plan, own, own.QuarterTurnA(s1), own.QuarterTurnB(s0), own.HalfTurn(s3), wHiU, wLoV);
          else if (v <= 0.5 - hv)
            PlanBand(plan, own, own.QuarterTurnA(s1), wHiU);
          else
            PlanCorner(plan, own, own.QuarterTurnA(s1), own.QuarterTurnB(s1), own.HalfTurn(s1), wHiU, wHiV);
        } else if (v < hv + dCorner) {
          PlanBand(plan, own, own.QuarterTurnB(s0), wLoV);
        } else if (v <= (0.5 - hv) - dCentre) {
          plan.Single(own);
        } else {
          PlanBand(plan, own, own.QuarterTurnB(s1), wHiV);
        }
      },
      k0 == 0 ? &fold : nullptr);
}

}  // namespace corvel
