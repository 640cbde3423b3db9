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
      h11(source(0.5, 0.5)),
      quarter{0.5, 0.5, fu, fv} {}

void DescribePGGFold(const PGGSeams& s, detail::FoldProgram& program) {
  PGGGenerator::AddFoldSteps(program);
  DescribeRectangleBands(s.quarter, program);
  if (s.fv == 0) PGGGenerator::AddLowEdgeSteps(program);
}

void DescribePGGBlends(const PGGSeams& s, detail::SeamBlends& blends) {
  auto at = [&](auto&& place) {
    return detail::AffineOf([&](double u, double v) { return s.source(place(u, v)); });
  };
  auto halfTurn = [&](const Point2D& centre) {
    return detail::AffineOf([&](double u, double v) { return s.source(u, v).HalfTurn(centre); });
  };
  // Across each edge the glide image in the neighbouring quarter, across both the half turn about
  // the corner.
  const RectangleCopies copies{at([](double u, double v) { return Point2D(u + 0.5, 0.5 - v); }),
                               at([](double u, double v) { return Point2D(u - 0.5, 0.5 - v); }),
                               at([](double u, double v) { return Point2D(0.5 - u, v + 0.5); }),
                               at([](double u, double v) { return Point2D(0.5 - u, v - 0.5); }),
                               halfTurn(s.h00),
                               halfTurn(s.h01),
                               halfTurn(s.h10),
                               halfTurn(s.h11)};
  DescribeRectangleBlends(s.quarter, copies, blends);
}

}  // namespace corvel
