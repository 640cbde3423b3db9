#include "generators/groups/CMSeams.h"

#include <cmath>

#include "generators/groups/CMGenerator.h"

namespace corvel {

CMSeams::CMSeams(const TileGenerator& g)
    : FeatherSeams(g),
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

namespace {

// off, the larger of the bumps along the two edges, 3 t (1 - t) each, is added to the sums less: on
// the position the fold left, or, where `carried`, on the one the carry across the seam made of it
// (u and v swapped, a cell on or back).
detail::SideBend SeamBend(const CMSeams& s, bool carried) {
  const double fu = s.fu, fv = s.fv, k0 = s.k0;
  const double su = 1 / (1 - 2 * fu), sv = 1 / (1 - 2 * fv);
  if (!carried)
    return {-3 * k0 * (1 - fv), su, 0, -fu * su, true, detail::SideBend::kBump, true, 0, sv, -fv * sv};
  // Below the seam, v + 1 and u; past it, v and u - 1.
  const double back = k0 > 0 ? 0 : 1, along = k0 > 0 ? 1 : 0;
  return {-3 * k0 * (1 - fv), 0, su, (back - fu) * su, true, detail::SideBend::kBump, true, sv, 0,
          (-along - fv) * sv};
}

}  // namespace

void DescribeCMBentSeam(const CMSeams& s, detail::FoldProgram& program) {
  const double fv = s.fv, hu = s.hu, hv = s.hv, k0 = s.k0;
  const detail::SideBend off = SeamBend(s, false);
  const double reach = 0.75 * std::abs(k0) * (1 - fv);
  const detail::LatticeAffine same{1, 0, 0, 0, 1, 0};
  program.bandU = program.bandV = {};
  program.stepsDecideSeams = false;
  program.planCellEdges = true;
  if (k0 > 0) {
    // Below v = off, from the mirror image one cell on; the pixels near the right edge too.
    program.AddBentMarked({0, 1, 0}, false, off, {0, 1, 1, 1, 0, 0}, -hv, hu);
    if (fv != 0) program.AddBentMarked({1, 0, -1}, false, off, same, -hv, 1);
    program.reachU = 1 + reach;
  } else {
    // Right of u = 1 + off, from the mirror image one cell back; the pixels near the bottom too.
    program.AddBentMarked({1, 0, -1}, true, off, {0, 1, 0, 1, 0, -1}, -hv, hu);
    if (fv != 0) program.AddBentMarked({0, 1, 0}, false, off, same, -1, hu);
    program.reachFromV = -reach;
  }
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
  // The corner at (1, 0) past the line where the bands' corners end, weighed by areas.
  const Point2D corner(1, 0), alongBottom(1 - hu, 0), alongRight(1, hu);
  blends.AddThreeCopies({VBelow(hu), UAbove(1 - hv), detail::HalfPlane{-1, 1, 1 - hv}}, acrossBottom,
                        detail::BarycentricWeight(corner, alongBottom, alongRight, 0, 0.5, 0), acrossRight,
                        detail::BarycentricWeight(corner, alongBottom, alongRight, 0, 0, 0.5), ownFirst);
}

void DescribeCMBentBlends(const CMSeams& s, detail::SeamBlends& blends) {
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  const double fu = s.fu, fv = s.fv, hu = s.hu, hv = s.hv;
  blends.plansAsRegions = true;
  blends.bends[0] = SeamBend(s, false);
  blends.bends[1] = SeamBend(s, true);
  blends.bendCount = 2;
  const detail::LatticeAffine acrossBottom = detail::AffineOf(
                                  [&](double u, double v) { return s.source(v + 1, u); }),
                              acrossRight = detail::AffineOf(
                                  [&](double u, double v) { return s.source(v, u - 1); });
  const detail::LatticeLinear bottomRamp{0, 1 / fu, 0.5}, rightRamp{-1 / fv, 0, 1 / fv + 0.5};
  // A position the carry made lies past u = 1 (bent up) or below v = 0 (down), one the fold left
  // short of it; right on it, the plan tells them apart.
  const bool up = s.k0 > 0;
  const detail::HalfPlane carried = up ? UAbove(1) : VBelow(0);
  if (up)
    blends.AddPlanned({UAbove(1 - detail::kBentMargin), UBelow(1 + detail::kBentMargin)});
  else
    blends.AddPlanned({VAbove(-detail::kBentMargin), VBelow(detail::kBentMargin)});
  // The own region beyond v = hu + off and short of u = 1 - hv + off, the bands' ramps taken on
  // v - off and 1 - u + off, off the bump `bend` (the blends' bumps are its negative) of the
  // position the fold left or the carry made (`past`: its side first); where the bands meet, the
  // pixels are planned.
  auto bands = [&](int bend, bool past) {
    detail::BlendBends plus, minus;
    plus.times[bend] = 1;
    minus.times[bend] = -1;
    const int first = past ? 1 : 0;
    if (past)
      blends.AddOwn({carried, VAbove(hu), UBelow(1 - hv)});
    else
      blends.AddOwn({VAbove(hu), UBelow(1 - hv)});
    blends.BendSide(first, minus);
    blends.BendSide(first + 1, plus);
    if (past)
      blends.AddBlend({carried, VBelow(hu), UAbove(hv), UBelow(1 - hv)}, acrossBottom, bottomRamp);
    else
      blends.AddBlend({VBelow(hu), UAbove(hv), UBelow(1 - hv)}, acrossBottom, bottomRamp);
    blends.BendSide(first, plus);
    blends.BendWeights(plus * (1 / fu));
    if (past)
      blends.AddBlend({carried, VAbove(hu), UAbove(1 - hv), VBelow(1 - hu)}, acrossRight, rightRamp);
    else
      blends.AddBlend({VAbove(hu), UAbove(1 - hv), VBelow(1 - hu)}, acrossRight, rightRamp);
    blends.BendSide(first, minus);
    blends.BendSide(first + 1, minus);
    blends.BendWeights(minus * (1 / fv));
    if (past) blends.AddPlanned({carried});
  };
  bands(1, true);
  bands(0, false);
}

}  // namespace corvel
