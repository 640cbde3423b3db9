#include "generators/groups/P4Generator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/P4Plan.h"
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
  detail::FoldProgram fold;
  DescribeQuarterFold(seams, false, fold);
  detail::SeamBlends blends;
  if (seams.fv != 0) {
    DescribeQuarterBlends(seams, blends);
    blends.planFold = QuarterTurn::OntoQuarter;
    blends.planFoldLanes = FoldQuartersAvx2;
    fold.blends = &blends;
  }
  return RunTileWorker(*this, meter, P4Plan(*this, seams), seams.k0 == 0 && seams.k1 == 0 ? &fold : nullptr);
}

}  // namespace corvel
