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
  if (seams.fv != 0 && seams.k0 == 0) {
    DescribePMBlends(seams, blends);
    fold.blends = &blends;
  }
  return RunTileWorker(*this, meter, PMPlan(*this, seams),
                       ProgramBends(kGroupRoads[keTilingPM], seams.fv != 0, seams.k0) ? &fold : nullptr);
}

}  // namespace corvel
