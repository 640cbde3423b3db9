#include "generators/groups/P6Generator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/BentSeam.h"
#include "generators/groups/HexagonalPlans.h"
#include "generators/groups/P6Kite.h"
#include "generators/groups/P6Plan.h"
#include "generators/groups/P6Seams.h"

namespace corvel {

Point2D P6Generator::MapPoint(const Point2D& p) const {
  return FoldInPlane(p, [this](Point2D uv) { return P6Kite(*this).Fold(uv); });
}

int P6Generator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - 2 * feather1, 1 - 2 * feather2);
  const P6Kite kite(*this, feather1 / 2, feather2 / 2);
  const P6Seams seams(*this, kite);
  detail::FoldProgram fold;
  DescribeP6Fold(kite, seams, fold);
  // Bent, the program takes the fast road unfeathered, for seams on the axes bent by up to 0.3:
  // bent further, a position the first bent step turns can lie past the line of the median the
  // second tests where the plan, its bump nought there, does not test it.
  const bool fastBent = !seams.unbent && seams.fv == 0 && BendsWithin(0.3, seams.k0);
  if (fastBent) AddP6BentSteps(kite, seams, fold);
  detail::SeamBlends blends;
  if (seams.fv != 0 && seams.unbent) {
    DescribeP6Blends(kite, seams, blends);
    fold.blends = &blends;
    blends.planFold = [&kite](Point2D cell) { return kite.Carried(kite.OntoKite(cell)); };
  }
  detail::P6PlanLanes lanes;
  detail::TileWorkerRows::PlanPositions planPositions;
  if (seams.unbent && detail::HasLaneLattice(*this) && render.cpu.avx2) {
    lanes = kite.Lanes(seams.near);
    if (seams.fv != 0)
      blends.planFoldLanes = [&lanes](double* u, double* v) { detail::FoldP6Avx2(lanes, u, v); };
    if (seams.hardUnbent)
      planPositions = [&lanes](int x0, int y, const int* xs, int count, std::int32_t* positions) {
        detail::PlanP6Avx2(lanes, x0, y, xs, count, positions);
      };
  }
  return RunTileWorker(*this, meter, P6Plan(*this, kite, seams), seams.unbent || fastBent ? &fold : nullptr,
                       planPositions);
}

}  // namespace corvel
