#include "generators/groups/PGGSeams.h"

#include "generators/groups/PGGGenerator.h"

namespace corvel {

PGGSeams::PGGSeams(const TileGenerator& g)
    : fu(g.feather1),
      fv(g.feather2),
      hu(fu / 2),
      hv(fv / 2),
      k0(g.seamK0),
      k1(g.seamK1),
      source(g, hu, hv),
      h00(source(0, 0)),
      h01(source(0, 0.5)),
      h10(source(0.5, 0)),
      h11(source(0.5, 0.5)) {}

void DescribePGGFold(const PGGSeams& s, detail::FoldProgram& program) {
  PGGGenerator::AddFoldSteps(program);
  program.reachU = program.reachV = 0.5;
  program.sourceShift = {s.hu, s.hv};
  program.bandU = {true, -s.hu, s.hu, 0.5};
  program.bandV = {true, -s.hv, s.hv, 0.5};
  if (s.fv == 0) PGGGenerator::AddLowEdgeSteps(program);
}

void DescribePGGBlends(const PGGSeams& s, detail::SeamBlends& blends) {
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  const double fu = s.fu, fv = s.fv, hu = s.hu, hv = s.hv;
  auto at = [&](auto&& place) {
    return detail::AffineOf([&](double u, double v) { return s.source(place(u, v)); });
  };
  // The glide images across the quarter's low and high edges along u and v.
  const detail::LatticeAffine acrossLowU = at([](double u, double v) { return Point2D(u + 0.5, 0.5 - v); }),
                              acrossHighU = at([](double u, double v) { return Point2D(u - 0.5, 0.5 - v); }),
                              acrossLowV = at([](double u, double v) { return Point2D(0.5 - u, v + 0.5); }),
                              acrossHighV = at([](double u, double v) { return Point2D(0.5 - u, v - 0.5); });
  blends.plansAsRegions = true;
  blends.AddOwn({UAbove(hu), UBelow(0.5 - hu), VAbove(hv), VBelow(0.5 - hv)});
  blends.AddBlend({UBelow(hu), VAbove(hv), VBelow(0.5 - hv)}, acrossLowU, {1 / fu, 0, 0.5});
  blends.AddBlend({UAbove(0.5 - hu), VAbove(hv), VBelow(0.5 - hv)}, acrossHighU,
                  {-1 / fu, 0, 0.5 / fu + 0.5});
  blends.AddBlend({VBelow(hv), UAbove(hu), UBelow(0.5 - hu)}, acrossLowV, {0, 1 / fv, 0.5});
  blends.AddBlend({VAbove(0.5 - hv), UAbove(hu), UBelow(0.5 - hu)}, acrossHighV,
                  {0, -1 / fv, 0.5 / fv + 0.5});
  const detail::LatticeLinear lowU{1 / fu, 0, 0.5}, highU{-1 / fu, 0, 0.5 / fu + 0.5}, lowV{0, 1 / fv, 0.5},
      highV{0, -1 / fv, 0.5 / fv + 0.5};
  auto halfTurn = [&](const Point2D& centre) {
    return detail::AffineOf([&](double u, double v) { return s.source(u, v).HalfTurn(centre); });
  };
  blends.AddCorner({UBelow(hu), VBelow(hv)}, acrossLowU, lowU, acrossLowV, lowV, halfTurn(s.h00));
  blends.AddCorner({UBelow(hu), VAbove(0.5 - hv)}, acrossLowU, lowU, acrossHighV, highV, halfTurn(s.h01));
  blends.AddCorner({UAbove(0.5 - hu), VBelow(hv)}, acrossLowV, lowV, acrossHighU, highU, halfTurn(s.h10));
  blends.AddCorner({UAbove(0.5 - hu), VAbove(0.5 - hv)}, acrossHighV, highV, acrossHighU, highU,
                   halfTurn(s.h11));
}

}  // namespace corvel
