#include "generators/groups/PMGSeams.h"

#include "generators/groups/BentSeam.h"
#include "generators/groups/FeatheredRectangle.h"
#include "generators/groups/PMGGenerator.h"

namespace corvel {

namespace {

// The bump of v over the strip by which the plan bends the seams across u, and the S of u over the
// cell by which it bends the bottom seam.
detail::SideBend AlongV(const PMGSeams& s) {
  return BumpOver(-3 * s.k1 * (1 - s.fv), true, s.hv, 0.25 - s.fv);
}
detail::SideBend AlongU(const PMGSeams& s) {
  return BumpOver(-2 * s.k0 * (1 - s.fu), false, s.hu, 1 - s.fu, detail::SideBend::kS);
}

// Past the fold, the bent seams as the plan bends them: u less the bump of v over the strip,
// beyond which a position goes a cell along A; then v plus the S of u over the cell, short of which
// it is turned about (0.5, 0). A straight one keeps its bands. The plan's bands across u, read on
// the position as turned, are marked last.
void DescribeBentPMGFold(const PMGSeams& s, detail::FoldProgram& program) {
  const detail::SideBend alongV = AlongV(s), alongU = AlongU(s);
  if (s.k1 != 0) {
    AddBentCarry(program, {1, 0, 0}, 1, alongV, {1, 0, 1, 0, 1, 0}, {1, 0, -1, 0, 1, 0}, s.hu);
    program.bandU = {};
    program.reachFromU = -BentSeamOvershoot(alongV);
    program.reachU = 1 + BentSeamOvershoot(alongV);
  }
  if (s.k0 != 0) {
    program.AddBentMarked({0, 1, 0}, false, alongU, {-1, 0, 1, 0, -1, 0}, -s.hv, s.hv);
    program.bandV = {};
    program.reachFromV = -BentSeamOvershoot(alongU);
  }
  if (s.k1 != 0) {
    AddBentLineMarks(program, {1, 0, 0}, false, alongV, s.hu);
    AddBentLineMarks(program, {1, 0, -1}, true, alongV, s.hu);
  }
}

}  // namespace

PMGSeams::PMGSeams(const TileGenerator& g)
    : FeatherSeams(g), q0(source(0, 0)), q1(source(0.5, 0)), q2(source(1, 0)) {}

// The half-turn seams lie every half cell along v (v = 0 and v = 0.5), though the steps fold onto
// the strip below v = 0.25.
void DescribePMGFold(const PMGSeams& s, detail::FoldProgram& program) {
  PMGGenerator::AddFoldSteps(program);
  program.reachV = 0.25;
  program.sourceShift = {s.hu, s.hv};
  program.bandU = {true, -s.hu, s.hu, 1};
  program.bandV = {true, -s.hv, s.hv, 0.5};
  // The cell's corners are centres of half turns, of the bent seams too.
  program.rowsImage.any = true;
  if (s.k0 != 0 || s.k1 != 0) return DescribeBentPMGFold(s, program);
  if (s.fv == 0) PMGGenerator::AddFirstCopySteps(program);
}

void DescribePMGBlends(const PMGSeams& s, detail::SeamBlends& blends) {
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  const double fu = s.fu, fv = s.fv, hu = s.hu, hv = s.hv;
  // Across u the translate along A, across v = 0 the half turn about (0.5, 0), and at the corners
  // the half turn about the corner.
  const detail::LatticeAffine acrossLowU = detail::AffineOf(
                                  [&](double u, double v) { return s.source(u + 1, v); }),
                              acrossHighU = detail::AffineOf(
                                  [&](double u, double v) { return s.source(u - 1, v); });
  auto halfTurn = [&](const Point2D& centre) {
    return detail::AffineOf([&](double u, double v) { return s.source(u, v).HalfTurn(centre); });
  };
  const detail::LatticeLinear lowU{1 / fu, 0, 0.5}, highU{-1 / fu, 0, 1 / fu + 0.5}, lowV{0, 1 / fv, 0.5};
  blends.plansAsRegions = true;
  blends.AddOwn({UAbove(hu), UBelow(1 - hu), VAbove(hv)});
  blends.AddBlend({UBelow(hu), VAbove(hv)}, acrossLowU, lowU);
  blends.AddBlend({UAbove(1 - hu), VAbove(hv)}, acrossHighU, highU);
  blends.AddBlend({VBelow(hv), UAbove(hu), UBelow(1 - hu)}, halfTurn(s.q1), lowV);
  blends.AddCorner({UBelow(hu), VBelow(hv)}, acrossLowU, lowU, halfTurn(s.q1), lowV, halfTurn(s.q0));
  blends.AddCorner({UAbove(1 - hu), VBelow(hv)}, acrossHighU, highU, halfTurn(s.q1), lowV, halfTurn(s.q2));
  if (s.k0 == 0 && s.k1 == 0) return;
  // Bent, the plan's regions and ramps taken on u less the bump of v and v plus the S of u.
  blends.bends[0] = AlongV(s);
  blends.bends[1] = AlongU(s);
  blends.bendCount = 2;
  const detail::BlendBends ofU{{1, 0}}, ofV{{0, 1}};
  BendRectangleRegions({1, 0.5, fu, fv}, {ofU, ofU, ofV, ofV}, 0, blends);
}

}  // namespace corvel
