#include "generators/groups/P6Generator.h"

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
  ShrinkLatticeXY(*this, 1 - 2 * feather1, 1 - 2 * feather2);
  const P6Kite kite(*this, feather1 / 2, feather2 / 2);
  const P6Seams seams(*this, kite);
  detail::FoldProgram fold;
  DescribeP6Fold(kite, seams, fold);
  detail::SeamBlends blends;
  if (seams.fv != 0) {
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
  return RunTileWorker(*this, meter, P6Plan(*this, kite, seams), seams.unbent ? &fold : nullptr,
                       planPositions);
}

}  // namespace corvel
