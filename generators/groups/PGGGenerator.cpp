#include "generators/groups/PGGGenerator.h"
#include "generators/groups/GroupRoads.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/PGGPlan.h"
#include "generators/groups/PGGSeams.h"

namespace corvel {

Point2D PGGGenerator::OntoLowEdges(Point2D uv) {
  if (OnSeam(uv, {0, 0.5}, {0.5, 0.5})) uv = {0.5 - uv.x, 0};
  if (OnSeam(uv, {0.5, 0}, {0.5, 0.5})) uv = {0, 0.5 - uv.y};
  return uv;
}

void PGGGenerator::AddFoldSteps(detail::FoldProgram& program) {
  AddUpperHalfTurn(program);
  program.AddByU(0.5, true, detail::LatticeAffine{1, 0, -0.5, 0, -1, 0.5});
}

void PGGGenerator::AddLowEdgeSteps(detail::FoldProgram& program) {
  program.AddBySide(detail::VAbove(0.5 - detail::kOnSeam), detail::LatticeAffine{-1, 0, 0.5, 0, 0, 0});
  program.AddBySide(detail::UAbove(0.5 - detail::kOnSeam), detail::LatticeAffine{0, 0, 0, 0, -1, 0.5});
  program.LeaveSeamsToSteps();
}

Point2D PGGGenerator::MapPoint(const Point2D& p) const { return FoldInPlane(p, Fold); }

void PGGGenerator::SetFeather(double percentage) {
  SetFeatherUV(percentage);
  feather1 /= 2;
  feather2 /= 2;
}

int PGGGenerator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - 2 * feather1, 1 - 2 * feather2);
  const PGGSeams seams(*this);
  detail::FoldProgram fold;
  DescribePGGFold(seams, fold);
  detail::SeamBlends blends;
  const GroupRoads& roads = kGroupRoads[keTilingPGG];
  if (seams.fv != 0 && roads.bandsInLanes.Holds(seams.k0, seams.k1)) {
    DescribePGGBlends(seams, blends);
    fold.blends = &blends;
    // Bent, the pixels mixed in doubles take the plan's bumps on the position before its glides
    // across the bent seams, whose copies the blends weigh alike.
    if (seams.k0 != 0 || seams.k1 != 0)
      blends.planFold = [](Point2D cell) {
        const Point2D folded = Fold(cell);
        return Point2D(ClampHalf(folded.x), ClampHalf(folded.y));
      };
  }
  return RunTileWorker(*this, meter, PGGPlan(*this, seams),
                       ProgramBends(roads, seams.fv != 0, seams.k0, seams.k1) ? &fold : nullptr);
}

}  // namespace corvel
