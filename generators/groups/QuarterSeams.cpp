#include "generators/groups/QuarterSeams.h"

#include "generators/groups/QuarterTurn.h"

namespace corvel {

QuarterSeams::QuarterSeams(const TileGenerator& g)
    : fu(g.feather1),
      fv(g.feather2),
      hu(fu / 2),
      hv(fv / 2),
      k0(g.seamK0),
      k1(g.seamK1),
      source(g, hu, hv),
      corner(source(0, 0)),
      centre(source(0.5, 0.5)),
      twoFoldV(source(0, 0.5)),
      twoFoldU(source(0.5, 0)),
      quarter{0.5, 0.5, fu, fv} {}

void DescribeQuarterFold(const QuarterSeams& s, bool mirrored, detail::FoldProgram& program) {
  QuarterTurn::AddSteps(program);
  if (mirrored) QuarterTurn::AddMirrorStep(program);
  DescribeRectangleBands(s.quarter, program);
  if (s.fv == 0) QuarterTurn::AddSeamSides(program, !mirrored);
}

void DescribeQuarterBlends(const QuarterSeams& s, detail::SeamBlends& blends) {
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  const double fu = s.fu, fv = s.fv, hu = s.hu, hv = s.hv;
  // Turned by a quarter (A or B) or, neither, by half.
  auto turned = [&s](bool a, const Point2D& centre, bool half = false) {
    return detail::AffineOf([&](double u, double v) {
      const Point2D own = s.source(u, v);
      return half ? own.HalfTurn(centre) : a ? own.QuarterTurnA(centre) : own.QuarterTurnB(centre);
    });
  };
  blends.plansAsRegions = true;
  // The plan folds a pixel right on a quarter's edge onto one neighbour, the lanes maybe onto
  // the other, and the two blends differ there once the cell is not square.
  blends.AddFoldLines(2, 0);
  blends.AddFoldLines(0, 2);
  const detail::HalfPlane alongU[] = {UAbove(hu), UBelow(0.5 - hu)},
                          alongV[] = {VAbove(hv), VBelow(0.5 - hv)};
  blends.AddOwn({alongU[0], alongU[1], alongV[0], alongV[1]});
  blends.AddBlend({UBelow(hu), alongV[0], alongV[1]}, turned(true, s.corner), {1 / fu, 0, 0.5});
  blends.AddBlend({UAbove(0.5 - hu), alongV[0], alongV[1]}, turned(true, s.centre),
                  {-1 / fu, 0, 0.5 / fu + 0.5});
  blends.AddBlend({VBelow(hv), alongU[0], alongU[1]}, turned(false, s.corner), {0, 1 / fv, 0.5});
  blends.AddBlend({VAbove(0.5 - hv), alongU[0], alongU[1]}, turned(false, s.centre),
                  {0, -1 / fv, 0.5 / fv + 0.5});
  const detail::LatticeLinear lowU{1 / fu, 0, 0.5}, highU{-1 / fu, 0, 0.5 / fu + 0.5}, lowV{0, 1 / fv, 0.5},
      highV{0, -1 / fv, 0.5 / fv + 0.5};
  blends.AddCorner({UBelow(hu), VBelow(hv)}, turned(true, s.corner), lowU, turned(false, s.corner), lowV,
                   turned(true, s.corner, true));
  blends.AddCorner({UBelow(hu), VAbove(0.5 - hv)}, turned(true, s.corner), lowU, turned(false, s.centre),
                   highV, turned(true, s.twoFoldV, true));
  blends.AddCorner({UAbove(0.5 - hu), VBelow(hv)}, turned(true, s.centre), highU, turned(false, s.corner),
                   lowV, turned(true, s.twoFoldU, true));
  blends.AddCorner({UAbove(0.5 - hu), VAbove(0.5 - hv)}, turned(true, s.centre), highU,
                   turned(false, s.centre), highV, turned(true, s.centre, true));
}

}  // namespace corvel
