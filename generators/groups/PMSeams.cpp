#include "generators/groups/PMSeams.h"

#include "generators/groups/PMGenerator.h"

namespace corvel {

PMSeams::PMSeams(const TileGenerator& g)
    : fu(g.feather1), fv(g.feather2), hu(fu / 2), hv(fv / 2), k0(g.seamK0), source(g, hu, hv) {}

void DescribePMFold(const PMSeams& s, detail::FoldProgram& program) {
  PMGenerator::AddFoldSteps(program);
  program.reachV = 0.5;
  program.sourceShift = {s.hu, s.hv};
  program.bandU = {true, -s.hu, s.hu};
  if (s.fv != 0) return;
  program.LeaveSeamsToSteps();
  program.planCellEdges = true;
}

void DescribePMBlends(const PMSeams& s, detail::SeamBlends& blends) {
  const double fu = s.fu, hu = s.hu;
  blends.plansAsRegions = true;
  blends.AddOwn({detail::UAbove(hu), detail::UBelow(1 - hu)});
  blends.AddBlend({detail::UBelow(hu)},
                  detail::AffineOf([&](double u, double v) { return s.source(u + 1, v); }), {1 / fu, 0, 0.5});
  blends.AddBlend({detail::UAbove(1 - hu)},
                  detail::AffineOf([&](double u, double v) { return s.source(u - 1, v); }),
                  {-1 / fu, 0, 1 / fu + 0.5});
}

}  // namespace corvel
