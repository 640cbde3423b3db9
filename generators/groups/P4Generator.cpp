#include "generators/groups/P4Generator.h"
#include "generators/groups/GroupRoads.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/P4Plan.h"
#include "generators/groups/QuarterSeams.h"
#include "generators/groups/QuarterTurn.h"

namespace corvel {

Point2D P4Generator::MapPoint(const Point2D& p) const { return FoldInPlane(p, QuarterTurn::Fold); }

int P4Generator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - 2 * feather1, 1 - 2 * feather2);
  const QuarterSeams seams(*this);
  const double fu = seams.fu, fv = seams.fv, hu = seams.hu, hv = seams.hv, k0 = seams.k0, k1 = seams.k1;
  // The seams at the corner bend by the larger bump of the two edges, by k0, those at the centre by
  // k1, each 1.5 t (1 - t) of the position along the quarter's edges, as the plan bends them.
  auto larger = [&](double amount) {
    return detail::SideBend{amount,         1 / (0.5 - fu),          0,    -hu / (0.5 - fu),
                            true,           detail::SideBend::kBump, true, 0,
                            1 / (0.5 - fv), -hv / (0.5 - fv)};
  };
  const bool bent = k0 != 0 || k1 != 0, bothBent = k0 != 0 && k1 != 0;
  const detail::SideBend corner = larger(1.5 * (1 - fu) * k0), centre = larger(-1.5 * (1 - fv) * k1);
  detail::FoldProgram fold;
  if (bothBent)
    DescribeQuarterBentSeams(seams, false, corner, centre, fold);
  else
    DescribeQuarterFold(seams, false, fold);
  detail::SeamBlends blends;
  const GroupRoads& roads = kGroupRoads[keTilingP4];
  const bool programBends = bent && ProgramBends(roads, fv != 0, k0, k1);
  const bool blendsBent = programBends && roads.bandsInLanes.Holds(k0, k1);
  if (fv != 0 && (!bent || blendsBent)) {
    // Bent, the pixels mixed in doubles take the bumps before the plan's turns across the bent
    // seams, which the blends' copies across them weigh alike.
    if (bent)
      DescribeQuarterBentBlends(seams, corner, centre, blends);
    else
      DescribeQuarterBlends(seams, blends);
    blends.planFold = QuarterTurn::OntoQuarter;
    blends.planFoldLanes = FoldQuartersAvx2;
    fold.blends = &blends;
  }
  return RunTileWorker(*this, meter, P4Plan(*this, seams), !bent || programBends ? &fold : nullptr);
}

}  // namespace corvel
