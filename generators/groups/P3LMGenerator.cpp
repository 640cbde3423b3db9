#include "generators/groups/P3LMGenerator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/BentSeam.h"
#include "generators/groups/HexagonalPlans.h"
#include "generators/groups/P3LMKite.h"
#include "generators/groups/P3LMPlan.h"
#include "generators/groups/P3LMSeams.h"

namespace corvel {

Point2D P3LMGenerator::MapPoint(const Point2D& p) const {
  return FoldInPlane(p, [this](Point2D uv) { return P3LMKite(*this).Fold(uv); });
}

int P3LMGenerator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - 2 * feather1, 1 - 2 * feather2);
  const P3LMKite kite(*this, feather1 / 2, feather2 / 2);
  const P3LMSeams seams(*this, kite);
  detail::FoldProgram fold;
  DescribeP3LMFold(kite, seams, fold);
  // Bent, the program takes the fast road unfeathered, for the seam bent by up to 1, as far as its
  // renders were tried against the plan: a single bent seam, no turn takes a position across another.
  const bool fastBent = seams.k0 != 0 && seams.fv == 0 && BendsWithin(1, seams.k0);
  if (fastBent) AddP3LMBentStep(kite, seams, fold);
  detail::SeamBlends blends;
  if (seams.fv != 0) {
    DescribeP3LMBlends(kite, seams, blends);
    fold.blends = &blends;
  }
  detail::P3LMPlanLanes lanes;
  detail::TileWorkerRows::PlanPositions planPositions;
  if (seams.hardUnbent && detail::HasLaneLattice(*this) && render.cpu.avx2) {
    lanes = kite.Lanes(seams.near);
    planPositions = [&lanes](int x0, int y, const int* xs, int count, std::int32_t* positions) {
      detail::PlanP3LMAvx2(lanes, x0, y, xs, count, positions);
    };
  }
  return RunTileWorker(*this, meter, P3LMPlan(*this, kite, seams),
                       seams.k0 == 0 || fastBent ? &fold : nullptr, planPositions);
}

}  // namespace corvel
