#include "generators/groups/PGGSeams.h"

#include "generators/groups/BentSeam.h"
#include "generators/groups/PGGGenerator.h"

namespace corvel {

namespace {

// The bumps of v and of u by which the plan bends the glide seams across u and across v.
detail::SideBend AlongV(const PGGSeams& s) {
  return BumpOver(-3 * s.k1 * (1 - s.fv) / kSqrt2, true, s.hv, 0.5 - s.fv);
}
detail::SideBend AlongU(const PGGSeams& s) {
  return BumpOver(-3 * s.k0 * (1 - s.fu) / kSqrt2, false, s.hu, 0.5 - s.fu);
}

// Past the fold, the bent glide seams as the plan bends it, a hair wide as its tests are: u less
// the bump of v over the quarter, beyond which a position goes to the glide image along A; then v
// plus the bump of u, beyond which it goes to the one along B. A straight one keeps its bands. The
// plan reads the bands on the position as both glides leave it: they are marked last.
void DescribeBentPGGFold(const PGGSeams& s, detail::FoldProgram& program) {
  const double hair = kGeometryTolerance, half = 0.5 + 2 * hair;
  const detail::SideBend alongV = AlongV(s), alongU = AlongU(s);
  if (s.k1 != 0) {
    AddBentCarry(program, {1, 0, hair}, half, alongV, {1, 0, 0.5, 0, -1, 0.5}, {1, 0, -0.5, 0, -1, 0.5},
                 s.hu);
    program.bandU = {};
    program.reachFromU = -BentSeamOvershoot(alongV);
    program.reachU = 0.5 + BentSeamOvershoot(alongV);
  }
  if (s.k0 != 0) {
    AddBentCarry(program, {0, 1, hair}, half, alongU, {-1, 0, 0.5, 0, 1, 0.5}, {-1, 0, 0.5, 0, 1, -0.5},
                 s.hv);
    program.bandV = {};
    if (s.k0 > 0) program.reachV = 0.5 + BentSeamOvershoot(alongU);
    if (s.k0 < 0) program.reachFromV = -BentSeamOvershoot(alongU);
  }
  if (s.k1 != 0) {
    AddBentLineMarks(program, {1, 0, 0}, false, alongV, s.hu);
    AddBentLineMarks(program, {1, 0, -0.5}, true, alongV, s.hu);
  }
  // The other line of the second glide's seam.
  if (s.k0 > 0) AddBentLineMarks(program, {0, 1, -0.5}, true, alongU, s.hv);
  if (s.k0 < 0) AddBentLineMarks(program, {0, 1, 0}, false, alongU, s.hv);
}

}  // namespace

PGGSeams::PGGSeams(const TileGenerator& g)
    : FeatherSeams(g),
      h00(source(0, 0)),
      h01(source(0, 0.5)),
      h10(source(0.5, 0)),
      h11(source(0.5, 0.5)),
      quarter{0.5, 0.5, fu, fv} {}

void DescribePGGFold(const PGGSeams& s, detail::FoldProgram& program) {
  PGGGenerator::AddFoldSteps(program);
  DescribeRectangleBands(s.quarter, program);
  // The cell's corners are centres of half turns, of the bent seams too.
  program.rowsImage.any = true;
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
  if (s.k0 == 0 && s.k1 == 0) return DescribeRectangleBlends(s.quarter, copies, blends);
  // Bent, the plan's regions and ramps taken on u less the bump of v and v plus that of u.
  blends.bends[0] = AlongV(s);
  blends.bends[1] = AlongU(s);
  blends.bendCount = 2;
  const detail::BlendBends ofU{{1, 0}}, ofV{{0, 1}};
  DescribeRectangleBlends(s.quarter, copies, blends, false, {ofU, ofU, ofV, ofV});
}

}  // namespace corvel
