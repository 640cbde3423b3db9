#include "generators/groups/P4Generator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamFeathering.h"

namespace corvel {

Point2D P4Generator::MapPoint(const Point2D& p) const {
  const Point2D uv = Fold(PlaneToLattice(p.x, p.y));
  return LatticeToPlane(uv.x, uv.y);
}

int P4Generator::Generate(CProgressMeter* meter) {
  const double fu = feather1, fv = feather2, hu = fu / 2, hv = fv / 2;
  ShrinkLatticeXY(*this, 1 - 2 * fu, 1 - 2 * fv);
  const FeatherSource source(*this, hu, hv);
  // The four-fold centres (0, 0) and (0.5, 0.5) and the two-fold ones (0, 0.5) and (0.5, 0),
  // on the source. Partners are turns of the pixel's own source point about them.
  const Point2D o1 = source(0, 0), o2 = source(0.5, 0.5), o3 = source(0, 0.5), o4 = source(0.5, 0);
  const double k0 = seamK0, k1 = seamK1;
  const Point2D zero(0, 0), centre(0.5, 0.5);
  // Unbent, a pixel away from the quarters' seams is one sample of its folded position: each
  // quarter turned about the centre as it started; the pixels of the bands about the seams are
  // planned as below.
  detail::FoldProgram fold;
  const detail::HalfPlane leftHalf{1, 0, -0.5}, lowerHalf{0, 1, -0.5}, upperHalf{0, -1, 0.5};
  fold.AddInCorner(leftHalf, true, upperHalf, detail::LatticeAffine{-1, 0, 1, 0, -1, 1});
  fold.AddInCorner(leftHalf, true, lowerHalf, detail::LatticeAffine{0, 1, 0, -1, 0, 1});
  fold.AddInCorner(leftHalf, false, upperHalf, detail::LatticeAffine{0, -1, 1, 1, 0, 0});
  fold.reachU = fold.reachV = 0.5;
  fold.sourceShift = {hu, hv};
  fold.bandU = {true, -hu, hu, 0.5};
  fold.bandV = {true, -hv, hv, 0.5};
  return RunTileWorker(
      *this, meter,
      [&](int x, int y, SamplePlan& plan) {
        Point2D uv = Fold(CellPosition(*this, x, y));
        uv = {ClampHalf(uv.x), ClampHalf(uv.y)};

        const double s = Clamp01((uv.x - hu) / (0.5 - fu)), t = Clamp01((uv.y - hv) / (0.5 - fv));
        const double gLo = LargerForPositive((1 - fu) * (Bump(s) * k0), (1 - fu) * (Bump(1 - t) * k0),
                                             k0 > 0) /
                           2;
        const double gHi = LargerForPositive((1 - fv) * (Bump(t) * -k1), (1 - fv) * (Bump(1 - s) * -k1),
                                             k1 < 0) /
                           2;

        // Beyond a bent edge the point belongs to the quarter turned about that edge's corner.
        if (gLo <= 0) {
          if (CompareWithTolerance(uv.x + gLo, 0) == -1) uv = uv.QuarterTurnA(zero);
        } else if (CompareWithTolerance(uv.y - gLo, 0) == -1) {
          uv = uv.QuarterTurnB(zero);
        }
        if (gHi <= 0) {
          if (CompareWithTolerance(uv.x - gHi, 0.5) == 1) uv = uv.QuarterTurnA(centre);
        } else if (CompareWithTolerance(uv.y + gHi, 0.5) == 1) {
          uv = uv.QuarterTurnB(centre);
        }

        const double u = uv.x, v = uv.y;
        const Point2D own = source(u, v);
        if (fv == 0) {
          plan.Single(k0 == 0 && k1 == 0 ? source(OntoUEdges(uv)) : own);
          return;
        }
        const double wLoU = Ramp(u + gLo, fu), wHiU = Ramp((0.5 - u) + gHi, fu);
        const double wLoV = Ramp(v - gLo, fv), wHiV = Ramp((0.5 - v) - gHi, fv);
        if (u < hu - gLo) {
          if (v < hv)
            PlanCorner(plan, own, own.QuarterTurnA(o1), own.QuarterTurnB(o1), own.HalfTurn(o1), wLoU, wLoV);
          else if (v <= 0.5 - hv)
            PlanBand(plan, own, own.QuarterTurnA(o1), wLoU);
          else
            PlanCorner(plan, own, own.QuarterTurnA(o1), own.QuarterTurnB(o2), own.HalfTurn(o3), wLoU, wHiV);
        } else if (u > (0.5 - hu) + gHi) {
          if (v < hv)
            PlanCorner(plan, own, own.QuarterTurnA(o2), own.QuarterTurnB(o1), own.HalfTurn(o4), wHiU, wLoV);
          else if (v <= 0.5 - hv)
            PlanBand(plan, own, own.QuarterTurnA(o2), wHiU);
          else
            PlanCorner(plan, own, own.QuarterTurnA(o2), own.QuarterTurnB(o2), own.HalfTurn(o2), wHiU, wHiV);
        } else if (v < hv + gLo) {
          PlanBand(plan, own, own.QuarterTurnB(o1), wLoV);
        } else if (v <= (0.5 - hv) - gHi) {
          plan.Single(own);
        } else {
          PlanBand(plan, own, own.QuarterTurnB(o2), wHiV);
        }
      },
      k0 == 0 && k1 == 0 ? &fold : nullptr);
}

}  // namespace corvel
