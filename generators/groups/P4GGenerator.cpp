#include "generators/groups/P4GGenerator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/QuarterPlan.h"
#include "generators/groups/QuarterSeams.h"
#include "generators/groups/QuarterTurn.h"

namespace corvel {

Point2D P4GGenerator::MapPoint(const Point2D& p) const {
  const Point2D uv = QuarterTurn::FoldMirrored(PlaneToLattice(p.x, p.y));
  return LatticeToPlane(uv.x, uv.y);
}

int P4GGenerator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - 2 * feather1, 1 - 2 * feather2);
  const QuarterSeams seams(*this);
  const double fu = seams.fu, fv = seams.fv, hu = seams.hu, hv = seams.hv, k0 = seams.k0;
  const QuarterPlan quarter(seams);
  detail::FoldProgram fold;
  DescribeQuarterFold(seams, true, fold);
  detail::SeamBlends blends;
  if (fv != 0) {
    DescribeQuarterBlends(seams, blends);
    blends.planFold = QuarterTurn::OntoQuarterMirrored;
    blends.planFoldLanes = FoldQuartersMirroredAvx2;
    fold.blends = &blends;
  }
  return RunTileWorker(
      *this, meter,
      [&](int x, int y, SamplePlan& plan) {
        const Point2D uv = QuarterTurn::OntoQuarterMirrored(CellPosition(*this, x, y));

        // The seams at the corner bend by the larger bump of the two edges, those at the centre by
        // the smaller; both vanish at the seams' ends.
        const double a = Clamp01((uv.x - hu) / (0.5 - fu)), b = Clamp01((uv.y - hv) / (0.5 - fv));
        const double dCentre = LargerForPositive(-Bump(b) * k0 * (1 - fv), -Bump(a) * k0 * (1 - fv), k0 > 0) /
                               2.5;
        const double dCorner = LargerForPositive(Bump(a) * k0 * (1 - fu), Bump(b) * k0 * (1 - fu), k0 > 0) /
                               2.5;

        quarter.Plan(plan, uv, dCorner, dCentre, k0 == 0);
      },
      k0 == 0 ? &fold : nullptr);
}

}  // namespace corvel
