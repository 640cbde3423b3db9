// What the seams of "P3LM"'s and "P6"'s kites start from on a lattice shrunk by the feather.
#pragma once
#include "generators/detail/SeamBlends.h"
#include "generators/detail/TileGenerator.h"

namespace corvel {

struct HexagonalSeams {
  // On the generator's shrunk lattice, with its feather fractions.
  explicit HexagonalSeams(const TileGenerator& generator);

  // The source is read half the feather into the cell; the blends may reach a little further.
  double su, sv, fu, fv, hu, hv;
  // A third of a pixel in lattice units: the turns of a nearly hexagonal lattice end that near to
  // a seam they take a pixel onto.
  double near;
  // Whole pixels lie right at near from the lines where u, v or a sum of whole multiples of them is
  // whole, where a test within near in doubles may part a pixel from its copies.
  bool pixelsRightAtNear;

  // A sliver about a line far beyond a fast position's error, some 1/300 pixel: pixels in it are
  // for doubles to tell.
  double Sideways() const { return near / 16; }

  // Bent and feathered, a kite's fold planning every pixel in its bands about the seams from G
  // (between their centres alone, as unbent) and, where they are seams rather than mirrors, the
  // cell's edges, widened by as far as bumps of the amplitude most move the seams and their bands:
  // no pixel left to the fold lies near a seam.
  void WidenBandsForBends(double most, bool edgesAreSeams, detail::FoldProgram& program) const;
};

// The bands about the medians' lines, wm wide each way, only where those are seams: between
// two-fold and three-fold centres (an edge's midpoint and a centroid), where u (on u + 2v, v) lies
// between 1/3 and 2/3 of a cell. Past a three-fold centre the other two bands hold the corner's
// blends all but the first wm / 3 along the line: wm / 2, for room. Bent, wm holds the medians'
// bulge, which moves them sideways only.
void BandTheMediansBetweenTheirCentres(double wm, detail::FoldProgram& program);

// Both kites' blends are the plan's own regions, and their folds take positions to one copy or
// another across the lines where u + v, u - v, 2u + v, u + 2v, u or v is whole.
void StartKiteBlends(detail::SeamBlends& blends);

}  // namespace corvel
