#include "generators/groups/PGGenerator.h"
#include "generators/groups/GroupRoads.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/PGPlan.h"
#include "generators/groups/PGSeams.h"

namespace corvel {

void PGGenerator::AddFoldStep(detail::FoldProgram& program) {
  program.AddByU(0.5, true, detail::LatticeAffine{1, 0, -0.5, 0, -1, 1});
}

Point2D PGGenerator::OntoGlideStart(Point2D uv) {
  if (OnSeam(uv, {0.5, 0}, {0.5, 1})) uv = {0, 1 - uv.y};
  if (OnSeam(uv, {0, 1}, {0.5, 1})) uv.y = 0;
  return uv;
}

void PGGenerator::AddGlideStartSteps(detail::FoldProgram& program) {
  program.AddBySide(detail::UAbove(0.5 - detail::kOnSeam), detail::LatticeAffine{0, 0, 0, 0, -1, 1});
  program.AddBySide(detail::VAbove(1 - detail::kOnSeam), detail::LatticeAffine{1, 0, 0, 0, 0, 0});
  program.LeaveSeamsToSteps();
}

Point2D PGGenerator::MapPoint(const Point2D& p) const { return FoldInPlane(p, Fold); }

void PGGenerator::ComputeOrigin() { origin = OriginPastTheLeft(basisA, basisB); }

int PGGenerator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - 2 * feather1, 1 - feather2);
  const PGSeams seams(*this);
  detail::FoldProgram fold;
  DescribePGFold(seams, fold);
  PGPlan plan(*this, seams);
  detail::SeamBlends blends;
  const GroupRoads& roads = kGroupRoads[keTilingPG];
  // Bent further, the blends in lanes came out tens of levels off the plan about the seams' bulges:
  // the bands are planned there.
  if (seams.fv != 0 && roads.bandsInLanes.Holds(seams.k0, seams.k1)) {
    DescribePGBlends(seams, blends);
    fold.blends = &blends;
    // Bent, the pixels mixed in doubles fold across the bent seams as the plan folds them.
    if (seams.k0 != 0 || seams.k1 != 0)
      blends.planFold = [&plan](Point2D cell) {
        double du, dv;
        return plan.Folded(cell, du, dv);
      };
  }
  return RunTileWorker(*this, meter, plan,
                       ProgramBends(roads, seams.fv != 0, seams.k0, seams.k1) ? &fold : nullptr);
}

}  // namespace corvel
