#include "generators/groups/CMSeams.h"

#include "generators/groups/CMGenerator.h"

namespace corvel {

CMSeams::CMSeams(const TileGenerator& g)
    : fu(g.feather1),
      fv(g.feather2),
      hu(fu / 2),
      hv(fv / 2),
      k0(g.seamK0),
      source(g, hu, hv),
      v1(source(1, 0) + g.origin),
      v2(source(1 - hu, 0) + g.origin),
      v3(source(1, hu) + g.origin) {}

void DescribeCMFold(const CMSeams& s, detail::FoldProgram& program) {
  CMGenerator::AddFoldStep(program);
  program.sourceShift = {s.hu, s.hv};
  program.bandU = program.bandV = {true, -s.hv, s.hu, 1};
  if (s.fv != 0) return;
  program.LeaveSeamsToSteps();
  program.planCellEdges = true;
}

void DescribeCMBlends(const CMSeams& s, detail::SeamBlends& blends) {
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  const double fu = s.fu, fv = s.fv, hu = s.hu, hv = s.hv;
  blends.plansAsRegions = true;
  const detail::LatticeAffine acrossBottom = detail::AffineOf(
                                  [&](double u, double v) { return s.source(v + 1, u); }),
                              acrossRight = detail::AffineOf(
                                  [&](double u, double v) { return s.source(v, u - 1); });
  blends.AddOwn({VAbove(hu), UBelow(1 - hv)});
  blends.AddBlend({VBelow(hu), UAbove(hv), UBelow(1 - hv)}, acrossBottom, {0, 1 / fu, 0.5});
  blends.AddBlend({VAbove(hu), UAbove(1 - hv), VBelow(1 - hu)}, acrossRight, {-1 / fv, 0, 1 / fv + 0.5});
  const detail::LatticeLinear fromBottom{0, -1 / fu, 0.5}, fromTop{0, 1 / fu, 0.5 - 1 / fu},
      fromLeft{-1 / fv, 0, 0.5}, fromRight{1 / fv, 0, 0.5 - 1 / fv};
  constexpr detail::OwnSummed ownFirst = detail::OwnSummed::kFirst;  // as the plan sums its corners
  blends.AddThreeCopies({VBelow(hu), UBelow(hv)}, acrossBottom, fromBottom,
                        detail::AffineOf([&](double u, double v) { return s.source(u + 1, v); }), fromLeft,
                        ownFirst);
  blends.AddThreeCopies({VBelow(hu), UAbove(1 - hv), detail::HalfPlane{1, -1, hv - 1}}, acrossBottom,
                        fromBottom, acrossRight, fromRight, ownFirst);
  blends.AddThreeCopies({VAbove(1 - hu), UAbove(1 - hv)},
                        detail::AffineOf([&](double u, double v) { return s.source(u, v - 1); }), fromTop,
                        acrossRight, fromRight, ownFirst);
}

}  // namespace corvel
