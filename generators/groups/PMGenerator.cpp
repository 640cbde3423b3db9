#include "generators/groups/PMGenerator.h"
#include "generators/groups/GroupRoads.h"

#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/PMPlan.h"
#include "generators/groups/PMSeams.h"

namespace corvel {

Point2D PMGenerator::MapPoint(const Point2D& p) const { return FoldInPlane(p, Fold); }

void PMGenerator::ComputeOrigin() { origin = OriginPastTheLeft(basisA, basisB); }

int PMGenerator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - feather1, 1 - feather2);
  const PMSeams seams(*this);
  detail::FoldProgram fold;
  DescribePMFold(seams, fold);
  detail::SeamBlends blends;
  const GroupRoads& roads = kGroupRoads[keTilingPM];
  const PMPlan plan(*this, seams);
  if (seams.fv != 0 && (seams.k0 == 0 || roads.bandsInLanes.Holds(seams.k0))) {
    DescribePMBlends(seams, blends);
    fold.blends = &blends;
    // Bent, the pixels mixed in doubles fold across the bent seams as the plan folds them.
    if (seams.k0 != 0) blends.planFold = [&plan](Point2D cell) { return plan.Folded(cell); };
  }
  return RunTileWorker(*this, meter, plan, ProgramBends(roads, seams.fv != 0, seams.k0) ? &fold : nullptr);
}

}  // namespace corvel
