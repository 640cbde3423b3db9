#include "generators/groups/P2Generator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/P2Plan.h"
#include "generators/groups/P2Seams.h"
#include "generators/groups/P2Triangle.h"

namespace corvel {

namespace {

POINT Scaled(POINT p, double f) { return {RoundToInt(p.x * (1 - f)), RoundToInt(p.y * (1 - f))}; }

}  // namespace

Point2D P2Generator::MapPoint(const Point2D& p) const { return P2Triangle(*this).Fold(p); }

// Each lattice vector shrinks whole by the fraction of its own direction, every component rounded.
void P2Generator::ShrinkLattice() {
  basisA = Scaled(basisA, feather1);
  basisC = Scaled(basisC, feather1);
  basisB = Scaled(basisB, feather2);
  basisD = Scaled(basisD, feather2);
}

int P2Generator::Generate(CProgressMeter* meter) {
  ShrinkLattice();
  PrepareLattice();
  const P2Triangle triangle(*this);
  const P2Seams seams(*this);
  detail::FoldProgram fold;
  if (!seams.unbent)
    DescribeP2BentFold(seams, fold);
  else
    DescribeP2Fold(seams, fold);
  const P2Plan plan(*this, triangle, seams);
  detail::SeamBlends blends;
  if ((seams.fv != 0 && seams.unbent) || seams.bentBandsBlend) {
    DescribeP2Blends(seams, blends);
    // Bent, the pixels mixed in doubles fold across the bent seams as the plan folds them.
    if (!seams.unbent) blends.planFold = [&plan](Point2D cell) { return plan.Folded(cell); };
    fold.blends = &blends;
  }
  return RunTileWorker(*this, meter, plan, &fold);
}

}  // namespace corvel
