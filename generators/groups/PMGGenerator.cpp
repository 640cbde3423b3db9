#include "generators/groups/PMGGenerator.h"
#include "generators/groups/GroupRoads.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/PMGPlan.h"
#include "generators/groups/PMGSeams.h"

namespace corvel {

void PMGGenerator::AddFoldSteps(detail::FoldProgram& program) {
  AddUpperHalfTurn(program);
  program.AddByLine(Line2D({0, 0.25}, {1, 0.25}), true, detail::LatticeAffine{1, 0, 0, 0, -1, 0.5});
}

Point2D PMGGenerator::OntoFirstCopy(Point2D uv) {
  uv = OntoHalfFrom(uv, {0, 0}, {1, 0});
  if (OnSeam(uv, {1, 0}, {1, 0.25})) uv.x = 0;
  return uv;
}

void PMGGenerator::AddFirstCopySteps(detail::FoldProgram& program) {
  program.AddInCorner(detail::VBelow(detail::kOnSeam), false, detail::UAbove(0.5),
                      detail::LatticeAffine{-1, 0, 1, 0, -1, 0}, false);
  program.AddBySide(detail::UAbove(1 - detail::kOnSeam), detail::LatticeAffine{0, 0, 0, 0, 1, 0});
  program.LeaveSeamsToSteps();
}

Point2D PMGGenerator::MapPoint(const Point2D& p) const { return FoldInPlane(p, Fold); }

int PMGGenerator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - feather1, 1 - feather2);
  // The cell is four strips high: a quarter of feather2 in units of v is the feather's share of a
  // strip, the share of the region across its seam that every other group's band takes.
  feather2 /= 4.0;
  const PMGSeams seams(*this);
  detail::FoldProgram fold;
  DescribePMGFold(seams, fold);
  detail::SeamBlends blends;
  if (seams.fv != 0) {
    DescribePMGBlends(seams, blends);
    fold.blends = &blends;
    // Bent, the pixels mixed in doubles take the plan's bumps on the position before it carries
    // it across the bent seams, whose copies the blends weigh alike.
    if (seams.k0 != 0 || seams.k1 != 0) blends.planFold = PMGPlan::OntoStrip;
  }
  // Feathered and bent further both ways, it is planned: planning the bands alone left the pixels
  // about the bulges off the plan too.
  const bool fast = ProgramBends(kGroupRoads[keTilingPMG], seams.fv != 0, seams.k0, seams.k1);
  return RunTileWorker(*this, meter, PMGPlan(*this, seams), fast ? &fold : nullptr);
}

}  // namespace corvel
