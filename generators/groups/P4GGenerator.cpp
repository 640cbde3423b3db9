#include "generators/groups/P4GGenerator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/P4GPlan.h"
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
  detail::FoldProgram fold;
  DescribeQuarterFold(seams, true, fold);
  detail::SeamBlends blends;
  if (seams.fv != 0) {
    DescribeQuarterBlends(seams, blends);
    blends.planFold = QuarterTurn::OntoQuarterMirrored;
    blends.planFoldLanes = FoldQuartersMirroredAvx2;
    fold.blends = &blends;
  }
  return RunTileWorker(*this, meter, P4GPlan(*this, seams), seams.k0 == 0 ? &fold : nullptr);
}

}  // namespace corvel
