#include "generators/groups/PGGSeams.h"

#include "generators/groups/BentSeam.h"
#include "generators/groups/PGGGenerator.h"

namespace corvel {

namespace {

constexpr double kSqrt2 = 1.4142135623730951;

// Past the fold, the bent glide seams as the plan bends them, a hair wide as its tests are: u less
// the bump of v over the quarter, beyond which a position goes to the glide image along A; then v
// plus the bump of u, beyond which it goes to the one along B. A straight one keeps its bands. The
// bands across u are marked on the position before the second glide, which, feathered, marks
// every position it takes: the plan reads those bands on the position after it.
void DescribeBentPGGFold(const PGGSeams& s, detail::FoldProgram& program) {
  const double hair = kGeometryTolerance, half = 0.5 + 2 * hair;
  if (s.k1 != 0) {
    const detail::SideBend alongV = BumpOver(-3 * s.k1 * (1 - s.fv) / kSqrt2, true, s.hv, 0.5 - s.fv);
    AddBentSeamSteps(program, {1, 0, hair}, half, alongV, {1, 0, 0.5, 0, -1, 0.5}, {1, 0, -0.5, 0, -1, 0.5},
                     s.hu);
    program.bandU = {};
    program.reachFromU = -BentSeamOvershoot(alongV);
    program.reachU = 0.5 + BentSeamOvershoot(alongV);
  }
  if (s.k0 != 0) {
    const detail::SideBend alongU = BumpOver(-3 * s.k0 * (1 - s.fu) / kSqrt2, false, s.hu, 0.5 - s.fu);
    const double all = s.fv != 0 ? 4 : 0;
    if (s.k0 > 0) {
      program.AddBentMarked({0, 1, hair}, false, alongU, {-1, 0, 0.5, 0, 1, 0.5}, -all, s.hv);
      AddBentLineMarks(program, {0, 1, hair - half}, true, alongU, s.hv);
      program.reachV = 0.5 + BentSeamOvershoot(alongU);
    } else {
      program.AddBentMarked({0, 1, hair - half}, true, alongU, {-1, 0, 0.5, 0, 1, -0.5}, -s.hv, all);
      AddBentLineMarks(program, {0, 1, hair}, false, alongU, s.hv);
      program.reachFromV = -BentSeamOvershoot(alongU);
    }
    program.bandV = {};
  }
}

}  // namespace

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
  if (s.k0 != 0 || s.k1 != 0) return DescribeBentPGGFold(s, program);
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
