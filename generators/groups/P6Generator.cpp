#include "generators/groups/P6Generator.h"
#include "generators/groups/GroupRoads.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/HexagonalPlans.h"
#include "generators/groups/P6Kite.h"
#include "generators/groups/P6Plan.h"
#include "generators/groups/P6Seams.h"

namespace corvel {

Point2D P6Generator::MapPoint(const Point2D& p) const {
  return FoldInPlane(p, [this](Point2D uv) { return P6Kite(*this).Fold(uv); });
}

int P6Generator::Generate(CProgressMeter* meter) {
  ShrinkHexagonalLattice(*this, 1 - 2 * feather1);
  const P6Kite kite(*this, feather1 / 2, feather2 / 2);
  const P6Seams seams(*this, kite);
  detail::FoldProgram fold;
  // Bent further on the axes than the program follows, a position the first bent step turns can
  // lie past the line of the median the second tests where the plan, its bump nought there, does
  // not test it; feathered and bent further on a median, the plan's bands reach past the widened
  // ones.
  const GroupRoads& roads = kGroupRoads[keTilingP6];
  const bool fastBent = !seams.unbent && ProgramBends(roads, seams.fv != 0, seams.k0, seams.k1);
  if (fastBent && seams.fv != 0)
    DescribeP6BentFeatheredFold(kite, seams, fold);
  else
    DescribeP6Fold(kite, seams, fold);
  if (fastBent && seams.fv == 0) AddP6BentSteps(kite, seams, fold);
  detail::SeamBlends blends;
  if (seams.fv != 0 && seams.unbent) {
    DescribeP6Blends(kite, seams, blends);
    fold.blends = &blends;
    blends.planFold = [&kite](Point2D cell) { return kite.Carried(kite.OntoKite(cell)); };
  }
  const P6Plan plan(*this, kite, seams);
  // Feathered and bent by up to the editor's most, the bands blend in lanes on the kite's fold;
  // bent further, they are planned.
  if (seams.fv != 0 && fastBent && roads.bandsInLanes.Holds(seams.k0, seams.k1)) {
    DescribeP6BentBlends(kite, seams, blends);
    fold.blends = &blends;
    blends.planFold = [&plan](Point2D cell) { return plan.Folded(cell); };
  }
  detail::P6PlanLanes lanes;
  detail::TileWorkerRows::PlanPositions planPositions;
  if (seams.unbent && detail::HasLaneLattice(*this) && render.cpu.avx2) {
    lanes = kite.Lanes(seams.near);
    if (seams.fv != 0)
      blends.planFoldLanes = [&lanes](double* u, double* v) { detail::FoldP6Avx2(lanes, u, v); };
    if (seams.hardUnbent)
      planPositions = [&lanes](int x0, int y, const int* xs, const int* ys, int count,
                               std::int32_t* positions) {
        detail::PlanP6Avx2(lanes, x0, y, xs, ys, count, positions);
      };
  }
  return RunTileWorker(*this, meter, plan, seams.unbent || fastBent ? &fold : nullptr, planPositions);
}

}  // namespace corvel
