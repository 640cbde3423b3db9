#include "generators/groups/P3Generator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/HexagonalPlans.h"
#include "generators/groups/P3Plan.h"
#include "generators/groups/P3Rhombus.h"
#include "generators/groups/P3Seams.h"

namespace corvel {

Point2D P3Generator::MapPoint(const Point2D& p) const { return P3Rhombus(*this).Fold(p); }

void P3Generator::ComputeOrigin() {
  if (basisA.x > 0)
    origin.Set(0, -basisA.y);
  else
    origin.Set(-basisA.x, -basisB.y);
}

int P3Generator::Generate(CProgressMeter* meter) {
  ShrinkHexagonalLattice(*this, 1 - 2 * feather1);
  const P3Rhombus rhombus(*this);
  const P3Seams seams(*this);
  const bool unbent = seams.k0 == 0 && seams.k1 == 0;
  detail::FoldProgram fold;
  // Bent, steps carry positions across the bent edges as the plan does, for any amplitude, and
  // mark the pixels near them or, feathered, in their bands; a pair of edges unbent keeps its
  // bands about the lines.
  DescribeP3Fold(*this, rhombus, seams, fold, seams.k0 == 0 || seams.k1 == 0);
  if (!unbent) AddP3BentSteps(*this, seams, fold);
  detail::SeamBlends blends;
  // Feathered, the bands blend in lanes, bent or not: bent, their sides and ramps by the plan's
  // offsets, for any amplitude, as the plan clamps onto the rhombus before it bends its edges.
  if (seams.fv != 0 && seams.frame.detN != 0) {
    DescribeP3Blends(*this, seams, fold, blends);
    fold.blends = &blends;
  }
  // Unfeathered, a pixel right on the cell's edge that the fast positions wrap to the other copy
  // than the plan's is planned.
  fold.planCellEdges = fold.blends == nullptr;
  detail::P3PlanLanes lanes;
  detail::TileWorkerRows::PlanPositions planPositions;
  if (seams.hardUnbent && detail::HasLaneLattice(*this) && detail::HasLaneLattice(seams.frame) &&
      render.cpu.avx2) {
    lanes = seams.Lanes(*this, rhombus);
    planPositions = [&lanes](int x0, int y, const int* xs, const int* ys, int count,
                             std::int32_t* positions) {
      detail::PlanP3Avx2(lanes, x0, y, xs, ys, count, positions);
    };
  }
  return RunTileWorker(*this, meter, P3Plan(*this, rhombus, seams), &fold, planPositions);
}

}  // namespace corvel
