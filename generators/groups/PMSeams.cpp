#include "generators/groups/PMSeams.h"

#include "generators/groups/BentSeam.h"
#include "generators/groups/PMGenerator.h"

namespace corvel {

namespace {

// The bump the plan bends both seams by along u, of the folded v: u plus it is a seam's sum.
detail::SideBend SeamsBend(const PMSeams& s) {
  return BumpOver(-3 * s.k0 * (1 - s.fv), true, s.hv, 0.5 - s.fv);
}

// Past the mirror, the seam bent as the plan bends it: u less the bump between the mirror lines
// (of the folded v, nought within half a feather of them) runs over the cell, and a position
// beyond it goes a cell on or back.
void DescribeBentPMFold(const PMSeams& s, detail::FoldProgram& program) {
  const detail::SideBend bend = SeamsBend(s);
  AddBentSeamSteps(program, {1, 0, 0}, 1, bend, {1, 0, 1, 0, 1, 0}, {1, 0, -1, 0, 1, 0}, s.hu);
  if (s.k0 > 0) program.reachU = 1 + BentSeamOvershoot(bend);
  if (s.k0 < 0) program.reachFromU = -BentSeamOvershoot(bend);
}

}  // namespace

PMSeams::PMSeams(const TileGenerator& g) : FeatherSeams(g) {}

void DescribePMFold(const PMSeams& s, detail::FoldProgram& program) {
  PMGenerator::AddFoldSteps(program);
  program.reachV = 0.5;
  program.sourceShift = {s.hu, s.hv};
  if (s.k0 != 0) return DescribeBentPMFold(s, program);
  program.bandU = {true, -s.hu, s.hu};
  if (s.fv != 0) return;
  program.LeaveSeamsToSteps();
  program.planCellEdges = true;
}
void DescribePMBlends(const PMSeams& s, detail::SeamBlends& blends) {
  const double fu = s.fu, hu = s.hu;
  blends.plansAsRegions = true;
  // Bent, the sides and ramps are taken on u less the seams' bend, on the position the carry left,
  // as the plan takes them.
  const bool bent = s.k0 != 0;
  const detail::BlendBends up{{1}}, down{{-1}};
  blends.AddOwn({detail::UAbove(hu), detail::UBelow(1 - hu)});
  if (bent) {
    blends.BendSide(0, down);
    blends.BendSide(1, up);
  }
  blends.AddBlend({detail::UBelow(hu)},
                  detail::AffineOf([&](double u, double v) { return s.source(u + 1, v); }), {1 / fu, 0, 0.5});
  if (bent) {
    blends.BendSide(0, up);
    blends.BendWeights(up * (1 / fu));
  }
  blends.AddBlend({detail::UAbove(1 - hu)},
                  detail::AffineOf([&](double u, double v) { return s.source(u - 1, v); }),
                  {-1 / fu, 0, 1 / fu + 0.5});
  if (!bent) return;
  blends.BendSide(0, down);
  blends.BendWeights(down * (1 / fu));
  blends.bends[0] = SeamsBend(s);
  blends.bendCount = 1;
}

}  // namespace corvel
