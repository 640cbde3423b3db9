#include "generators/groups/P4GGenerator.h"
#include "generators/groups/GroupRoads.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/P4GPlan.h"
#include "generators/groups/QuarterSeams.h"
#include "generators/groups/QuarterTurn.h"

namespace corvel {

Point2D P4GGenerator::MapPoint(const Point2D& p) const { return FoldInPlane(p, QuarterTurn::FoldMirrored); }

int P4GGenerator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - 2 * feather1, 1 - 2 * feather2);
  const QuarterSeams seams(*this);
  const double fu = seams.fu, fv = seams.fv, hu = seams.hu, hv = seams.hv, k0 = seams.k0;
  // The seams at the corner bend by the larger bump of the two edges, those at the centre by the
  // smaller, each 1.2 t (1 - t) of k0 along the quarter's edges, as the plan bends them.
  auto bump = [&](double amount, bool smaller) {
    return detail::SideBend{amount,         1 / (0.5 - fu),          0,      -hu / (0.5 - fu),
                            true,           detail::SideBend::kBump, true,   0,
                            1 / (0.5 - fv), -hv / (0.5 - fv),        smaller};
  };
  const GroupRoads& roads = kGroupRoads[keTilingP4G];
  const bool bentFast = k0 != 0 && ProgramBends(roads, fv != 0, k0);
  const detail::SideBend corner = bump(1.2 * (1 - fu) * k0, false), centre = bump(-1.2 * (1 - fv) * k0, true);
  detail::FoldProgram fold;
  if (bentFast)
    DescribeQuarterBentSeams(seams, true, corner, centre, fold);
  else
    DescribeQuarterFold(seams, true, fold);
  detail::SeamBlends blends;
  if (fv != 0 && (k0 == 0 || (bentFast && roads.bandsInLanes.Holds(k0)))) {
    // Bent, the pixels mixed in doubles take the bumps on the mirrored quarter, before the plan's
    // turns across the bent seams.
    if (k0 != 0)
      DescribeQuarterBentBlends(seams, corner, centre, blends);
    else
      DescribeQuarterBlends(seams, blends);
    blends.planFold = QuarterTurn::OntoQuarterMirrored;
    blends.planFoldLanes = FoldQuartersMirroredAvx2;
    fold.blends = &blends;
  }
  return RunTileWorker(*this, meter, P4GPlan(*this, seams), k0 == 0 || bentFast ? &fold : nullptr);
}

}  // namespace corvel
