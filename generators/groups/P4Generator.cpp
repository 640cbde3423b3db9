#include "generators/groups/P4Generator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/QuarterPlan.h"
#include "generators/groups/QuarterSeams.h"
#include "generators/groups/QuarterTurn.h"

namespace corvel {

Point2D P4Generator::MapPoint(const Point2D& p) const {
  const Point2D uv = QuarterTurn::Fold(PlaneToLattice(p.x, p.y));
  return LatticeToPlane(uv.x, uv.y);
}

int P4Generator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - 2 * feather1, 1 - 2 * feather2);
  const QuarterSeams seams(*this);
  const double fu = seams.fu, fv = seams.fv, hu = seams.hu, hv = seams.hv, k0 = seams.k0, k1 = seams.k1;
  const QuarterPlan quarter(seams);
  detail::FoldProgram fold;
  DescribeQuarterFold(seams, false, fold);
  detail::SeamBlends blends;
  if (fv != 0) {
    DescribeQuarterBlends(seams, blends);
    blends.planFold = QuarterTurn::OntoQuarter;
    blends.planFoldLanes = FoldQuartersAvx2;
    fold.blends = &blends;
  }
  return RunTileWorker(
      *this, meter,
      [&](int x, int y, SamplePlan& plan) {
        const Point2D uv = QuarterTurn::OntoQuarter(CellPosition(*this, x, y));

        const double s = Clamp01((uv.x - hu) / (0.5 - fu)), t = Clamp01((uv.y - hv) / (0.5 - fv));
        const double gLo = LargerForPositive((1 - fu) * (Bump(s) * k0), (1 - fu) * (Bump(1 - t) * k0),
                                             k0 > 0) /
                           2;
        const double gHi = LargerForPositive((1 - fv) * (Bump(t) * -k1), (1 - fv) * (Bump(1 - s) * -k1),
                                             k1 < 0) /
                           2;

        quarter.Plan(plan, uv, gLo, gHi, k0 == 0 && k1 == 0);
      },
      k0 == 0 && k1 == 0 ? &fold : nullptr);
}

}  // namespace corvel
