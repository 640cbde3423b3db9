#include "generators/groups/P4Generator.h"

#include "generators/detail/QuarterTurnFeathering.h"

namespace corvel {

Point2D P4Generator::MapPoint(const Point2D& p) const {
  const Point2D uv = Fold(PlaneToLattice(p.x, p.y));
  return LatticeToPlane(uv.x, uv.y);
}

int P4Generator::Generate(CProgressMeter* meter) {
  const double fu = feather1, fv = feather2, hu = fu / 2, hv = fv / 2;
  ShrinkLatticeXY(*this, 1 - 2 * fu, 1 - 2 * fv);
  const FeatherSource source(*this, hu, hv);
  const double k0 = seamK0, k1 = seamK1;
  const QuarterTurnFeathering feathering(source, fu, fv);
  // Unbent, a pixel away from the quarters' seams is one sample of its folded position: each
  // quarter turned about the centre as it started.
  detail::FoldProgram fold;
  AddQuarterTurnFolds(fold, hu, hv);
  detail::SeamBlends blends;
  if (fv != 0) {
    feathering.DescribeBlends(blends);
    blends.planFold = [](Point2D cell) {
      const Point2D uv = Fold(cell);
      return Point2D(ClampHalf(uv.x), ClampHalf(uv.y));
    };
    blends.planFoldLanes = FoldQuartersAvx2;
    fold.blends = &blends;
  } else {
    AddQuarterSeamSides(fold, true);
  }
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

        feathering.Plan(plan, uv, gLo, gHi, k0 == 0 && k1 == 0);
      },
      k0 == 0 && k1 == 0 ? &fold : nullptr);
}

}  // namespace corvel
