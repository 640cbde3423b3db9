#include "generators/groups/CMMSeams.h"

#include <cmath>

#include "generators/groups/CMMGenerator.h"

namespace corvel {

namespace {

// The bump the plan bends the seam by, on u of the position on either side of it: v plus it is the
// seam's sum. The S-shaped curve bends the seam by up to (1 - fu) k0 over the square root of 2.
detail::SideBend SeamBend(const CMMSeams& s) {
  const double amount = (1 - s.fu) * s.k0 / kSqrt2;
  return {-6 * amount, 1 / (1 - s.fu), 0, -s.hu / (1 - s.fu), true, detail::SideBend::kS};
}

// Past the folds, the seam bent as the plan bends it: the S-shaped curve v = off(u) over the
// bottom edge, a position on or below it taken across by the half turn about the edge's middle;
// the pixels within the feather's half of it planned.
void AddBentSeam(const CMMSeams& s, detail::FoldProgram& program) {
  const detail::SideBend bend = SeamBend(s);
  program.bandU = program.bandV = {};
  program.AddBentMarked({0, 1, -kGeometryTolerance}, false, bend, CMMGenerator::kSeamHalfTurn,
                        -s.hv - kGeometryTolerance, s.hv - kGeometryTolerance);
  // The S-curve reaches 0.75 of its amount.
  program.reachFromV = -0.75 * std::abs(bend.amount / 6);
}

}  // namespace

CMMSeams::CMMSeams(const TileGenerator& g) : FeatherSeams(g), middle(source(0.5, 0)) {}

void DescribeCMMFold(const CMMSeams& s, detail::FoldProgram& program) {
  CMMGenerator::AddFoldSteps(program);
  program.reachV = 0.5;
  program.sourceShift = {s.hu, s.hv};
  program.bandU = program.bandV = {true, -s.hv, s.hv, 1};
  // The mirrors cross at the cell's centre, a centre of half turns as its corners are, whatever
  // the seam's bend.
  program.rowsImage.any = true;
  if (s.k0 != 0) return AddBentSeam(s, program);
  if (s.fv == 0) CMMGenerator::AddFirstHalfStep(program);
}

void DescribeCMMBlends(const CMMSeams& s, detail::SeamBlends& blends) {
  blends.plansAsRegions = true;
  blends.AddOwn({detail::VAbove(s.hv)});
  const bool bent = s.k0 != 0;
  // Bent, the sides and the ramp are taken on v less the seam's bend, on the position the carry
  // left, as the plan takes them: the S-curve at 1 - u is its negative at u.
  if (bent) blends.BendSide(0, detail::BlendBends{{-1}});
  blends.AddBlend({detail::VBelow(s.hv)},
                  detail::AffineOf([&](double u, double v) { return s.source(u, v).HalfTurn(s.middle); }),
                  {0, 1 / s.fv, 0.5});
  if (!bent) return;
  blends.BendSide(0, detail::BlendBends{{1}});
  blends.BendWeights(detail::BlendBends{{1 / s.fv}});
  blends.bends[0] = SeamBend(s);
  blends.bendCount = 1;
}

}  // namespace corvel
