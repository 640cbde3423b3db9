#include "generators/groups/HexagonalSeams.h"

#include <algorithm>

#include "generators/detail/SeamFeathering.h"

namespace corvel {

HexagonalSeams::HexagonalSeams(const TileGenerator& g)
    : su(g.feather1 / 2),
      sv(g.feather2 / 2),
      fu(BlendWidth(g.feather1, g.basisA, g.basisB)),
      fv(BlendWidth(g.feather2, g.basisA, g.basisB)),
      hu(fu / 2),
      hv(fv / 2),
      near(ThirdOfAPixel(g.basisA, g.basisB)),
      pixelsRightAtNear(PixelsRightAt(near, g.basisA, g.basisB)) {}

void HexagonalSeams::WidenBandsForBends(double most, bool edgesAreSeams, detail::FoldProgram& program) const {
  program.sourceShift = {su, sv};
  // The plans' bumps move a seam by up to the square root of 3 over 4 of its amplitude (times
  // 1 - fu), along u (or v), exactly their largest; the sums across the seams from G run twice as
  // fast. The turns' drift and the plan's rule for a pixel on a seam are the reach's, not room here.
  const double bulge = kSqrt3 / 4 * (1 - fu) * most;
  const double w = std::max(hu, hv) + bulge, wm = 0.75 * kSqrt2 * std::max(fu, fv) + 2 * bulge;
  // Across a mirror the copies match, and a bent seam's band ends where it meets one, within the
  // bands about the seams from G.
  if (edgesAreSeams) program.bandU = program.bandV = program.bandSum = {true, -w, w, 1};
  BandTheMediansBetweenTheirCentres(wm, program);
  program.ReachTurnedSeams(near);
}

void BandTheMediansBetweenTheirCentres(double wm, detail::FoldProgram& program) {
  const detail::FoldProgram::Band middle{true, 1.0 / 3 - wm / 2, 2.0 / 3 + wm / 2, 1};
  program.skewBands[0] = {2, 1, {true, -wm, wm, 1}, 1, 0, middle};
  program.skewBands[1] = {1, 2, {true, -wm, wm, 1}, 0, 1, middle};
  program.skewBands[2] = {1, -1, {true, -wm, wm, 1}, 1, 0, middle};
}

void StartKiteBlends(detail::SeamBlends& blends) {
  blends.plansAsRegions = true;
  blends.AddFoldLines(1, 1);
  blends.AddFoldLines(1, -1);
  blends.AddFoldLines(2, 1);
  blends.AddFoldLines(1, 2);
  blends.AddFoldLines(1, 0);
  blends.AddFoldLines(0, 1);
}

}  // namespace corvel
