#include "generators/groups/CMGenerator.h"

#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/CMPlan.h"
#include "generators/groups/CMSeams.h"
#include "generators/groups/GroupRoads.h"

namespace corvel {

Point2D CMGenerator::MapPoint(const Point2D& p) const { return FoldInPlane(p, Fold); }

int CMGenerator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - feather1, 1 - feather2);
  const CMSeams seams(*this);
  detail::FoldProgram fold;
  DescribeCMFold(seams, fold);
  detail::SeamBlends blends;
  const GroupRoads& roads = kGroupRoads[keTilingCM];
  const CMPlan plan(*this, seams);
  if (seams.k0 != 0) {
    DescribeCMBentSeam(seams, fold);
    if (seams.fv != 0 && roads.bandsInLanes.Holds(seams.k0)) {
      DescribeCMBentBlends(seams, blends);
      // The pixels mixed in doubles fold across the bent seam as the plan folds them.
      blends.planFold = [&plan](Point2D cell) { return plan.Folded(cell); };
      fold.blends = &blends;
    }
  } else if (seams.fv != 0) {
    DescribeCMBlends(seams, blends);
    fold.blends = &blends;
  }
  return RunTileWorker(*this, meter, plan, ProgramBends(roads, seams.fv != 0, seams.k0) ? &fold : nullptr);
}

}  // namespace corvel
