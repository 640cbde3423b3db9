#include "generators/groups/P3LMGenerator.h"
#include "generators/groups/GroupRoads.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/HexagonalPlans.h"
#include "generators/groups/P3LMKite.h"
#include "generators/groups/P3LMPlan.h"
#include "generators/groups/P3LMSeams.h"

namespace corvel {

Point2D P3LMGenerator::MapPoint(const Point2D& p) const {
  return FoldInPlane(p, [this](Point2D uv) { return P3LMKite(*this).Fold(uv); });
}

int P3LMGenerator::Generate(CProgressMeter* meter) {
  ShrinkHexagonalLattice(*this, 1 - 2 * feather1);
  const P3LMKite kite(*this, feather1 / 2, feather2 / 2);
  const P3LMSeams seams(*this, kite);
  detail::FoldProgram fold;
  // Bent, the program takes the fast road as far as its renders were tried against the plan:
  // unfeathered, a single bent seam, no turn takes a position across another; feathered and bent
  // by some 0.46 against K, the plan's bands reach past the widened ones.
  const GroupRoads& roads = kGroupRoads[keTilingP3LM];
  const bool fastBent = seams.k0 != 0 && ProgramBends(roads, seams.fv != 0, seams.k0);
  if (fastBent && seams.fv != 0)
    DescribeP3LMBentFeatheredFold(kite, seams, fold);
  else
    DescribeP3LMFold(kite, seams, fold);
  if (fastBent && seams.fv == 0) AddP3LMBentStep(kite, seams, fold);
  detail::SeamBlends blends;
  if (seams.fv != 0 && seams.k0 == 0) {
    DescribeP3LMBlends(kite, seams, blends);
    fold.blends = &blends;
    blends.planFold = [&kite](Point2D cell) { return kite.OntoKite(cell); };
  }
  // Feathered and bent a little, the bands blend in lanes on the kite's fold; by 0.3, some pixels
  // about the seam's bulge came out tens of levels off the plan, and the bands are planned.
  if (seams.fv != 0 && fastBent && roads.bandsInLanes.Holds(seams.k0)) {
    DescribeP3LMBentBlends(kite, seams, blends);
    fold.blends = &blends;
    // Its regions lie on the kite before the plan's turn across the bent seam.
    blends.planFold = [&kite](Point2D cell) { return kite.OntoKite(cell); };
  }
  detail::P3LMPlanLanes lanes;
  detail::TileWorkerRows::PlanPositions planPositions;
  if ((seams.k0 == 0 || blends.planFold) && detail::HasLaneLattice(*this) && render.cpu.avx2) {
    lanes = kite.Lanes(seams.near);
    if (blends.planFold)
      blends.planFoldLanes = [&lanes](double* u, double* v) { detail::FoldP3LMAvx2(lanes, u, v); };
    if (seams.hardUnbent)
      planPositions = [&lanes](int x0, int y, const int* xs, const int* ys, int count,
                               std::int32_t* positions) {
        detail::PlanP3LMAvx2(lanes, x0, y, xs, ys, count, positions);
      };
  }
  return RunTileWorker(*this, meter, P3LMPlan(*this, kite, seams),
                       seams.k0 == 0 || fastBent ? &fold : nullptr, planPositions);
}

}  // namespace corvel
