#include "generators/groups/CMMGenerator.h"

#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/CMMPlan.h"
#include "generators/groups/CMMSeams.h"
#include "generators/groups/GroupRoads.h"

namespace corvel {

void CMMGenerator::AddFoldSteps(detail::FoldProgram& program) {
  AddMirrorAcrossDiagonal(program);
  program.AddByLine(Line2D({0, 1}, {1, 0}), true, detail::LatticeAffine{0, -1, 1, -1, 0, 1});
}

Point2D CMMGenerator::OntoFirstHalf(Point2D uv) { return OntoHalfFrom(uv, {0, 0}, {1, 0}); }

void CMMGenerator::AddFirstHalfStep(detail::FoldProgram& program) {
  program.AddInCorner(detail::VBelow(detail::kOnSeam), false, detail::UAbove(0.5), kSeamHalfTurn, false);
  program.LeaveSeamsToSteps();
}

Point2D CMMGenerator::MapPoint(const Point2D& p) const { return FoldInPlane(p, Fold); }

void CMMGenerator::ComputeOrigin() {
  origin.Set(basisA.x < 0 ? -2.0 * basisA.x : 0, basisA.y > 0 ? basisA.y : basisB.y);
}

int CMMGenerator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - feather1, 1 - feather2);
  const CMMSeams seams(*this);
  detail::FoldProgram fold;
  DescribeCMMFold(seams, fold);
  detail::SeamBlends blends;
  const CMMPlan plan(*this, seams);
  if (seams.fv != 0 && (seams.k0 == 0 || kGroupRoads[keTilingCMM].bandsInLanes.Holds(seams.k0))) {
    DescribeCMMBlends(seams, blends);
    fold.blends = &blends;
    // Bent, the pixels mixed in doubles fold across the bent seam as the plan folds them.
    if (seams.k0 != 0) blends.planFold = [&plan](Point2D cell) { return plan.Folded(cell); };
  }
  return RunTileWorker(*this, meter, plan, &fold);
}

}  // namespace corvel
