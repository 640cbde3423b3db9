#include "generators/groups/PGSeams.h"

#include "generators/groups/BentSeam.h"
#include "generators/groups/PGGenerator.h"

namespace corvel {

namespace {

// The bumps the plan bends the seams by: u less the bump of v over the half cell at the glide
// seams, v plus that of u at the translation seams.
detail::SideBend GlideSeamsBend(const PGSeams& s) {
  return BumpOver(-1.5 * s.k1 * (1 - s.fv), true, s.hv, 1 - s.fv);
}
detail::SideBend TranslationSeamsBend(const PGSeams& s) {
  return BumpOver(-3 * s.k0 * (1 - s.fu), false, s.hu, 0.5 - s.fu);
}

// Past the glide, each bent seam as the plan bends it, the glide seams' first: u less the bump of
// v over the half cell, beyond which a position goes to the glide image, and v plus the bump of
// u, beyond which it goes a cell along B. A straight one keeps its bands.
void DescribeBentPGFold(const PGSeams& s, detail::FoldProgram& program) {
  if (s.k1 != 0) {
    const detail::SideBend bend = GlideSeamsBend(s);
    AddBentSeamSteps(program, {1, 0, 0}, 0.5, bend, {1, 0, 0.5, 0, -1, 1}, {1, 0, -0.5, 0, -1, 1}, s.hu);
    program.bandU = {};
    if (s.k1 > 0) program.reachU = 0.5 + BentSeamOvershoot(bend);
    if (s.k1 < 0) program.reachFromU = -BentSeamOvershoot(bend);
  }
  if (s.k0 != 0) {
    const detail::SideBend bend = TranslationSeamsBend(s);
    AddBentSeamSteps(program, {0, 1, 0}, 1, bend, {1, 0, 0, 0, 1, 1}, {1, 0, 0, 0, 1, -1}, s.hv);
    program.bandV = {};
    if (s.k0 > 0) program.reachV = 1 + BentSeamOvershoot(bend);
    if (s.k0 < 0) program.reachFromV = -BentSeamOvershoot(bend);
  }
}

}  // namespace

PGSeams::PGSeams(const TileGenerator& g) : FeatherSeams(g), half{0.5, 1, fu, fv} {}

void DescribePGFold(const PGSeams& s, detail::FoldProgram& program) {
  PGGenerator::AddFoldStep(program);
  DescribeRectangleBands(s.half, program);
  // The glide, half a cell along u, of the bent seams too.
  program.rowsImage = {true, true, 0.5};
  if (s.k0 != 0 || s.k1 != 0) return DescribeBentPGFold(s, program);
  if (s.fv == 0) PGGenerator::AddGlideStartSteps(program);
}

void DescribePGBlends(const PGSeams& s, detail::SeamBlends& blends) {
  auto at = [&](auto&& place) {
    return detail::AffineOf([&](double u, double v) { return s.source(place(u, v)); });
  };
  // Across u the glide image, across v the translate along B, across both the glide image of the
  // translate.
  const RectangleCopies copies{at([](double u, double v) { return Point2D(u + 0.5, 1 - v); }),
                               at([](double u, double v) { return Point2D(u - 0.5, 1 - v); }),
                               at([](double u, double v) { return Point2D(u, v + 1); }),
                               at([](double u, double v) { return Point2D(u, v - 1); }),
                               at([](double u, double v) { return Point2D(u + 0.5, -v); }),
                               at([](double u, double v) { return Point2D(u + 0.5, 2 - v); }),
                               at([](double u, double v) { return Point2D(u - 0.5, -v); }),
                               at([](double u, double v) { return Point2D(u - 0.5, 2 - v); })};
  if (s.k0 == 0 && s.k1 == 0) return DescribeRectangleBlends(s.half, copies, blends);
  // Bent, the plan's regions and ramps taken on u and v with their bumps.
  blends.bends[0] = GlideSeamsBend(s);
  blends.bends[1] = TranslationSeamsBend(s);
  blends.bendCount = 2;
  const detail::BlendBends alongU{{1, 0}}, alongV{{0, 1}};
  DescribeRectangleBlends(s.half, copies, blends, false, {alongU, alongU, alongV, alongV});
}

}  // namespace corvel
