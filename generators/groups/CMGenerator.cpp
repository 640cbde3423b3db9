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
  if (seams.k0 != 0) {
    DescribeCMBentSeam(seams, fold);
  } else if (seams.fv != 0) {
    DescribeCMBlends(seams, blends);
    fold.blends = &blends;
  }
  return RunTileWorker(*this, meter, CMPlan(*this, seams),
                       ProgramBends(kGroupRoads[keTilingCM], seams.fv != 0, seams.k0) ? &fold : nullptr);
}

}  // namespace corvel
