// The seams of the quarter [0, 0.5]^2 that "P4" and "P4G" fold onto, on a lattice shrunk by the
// feather: its edges at the corner (0, 0) and those at the centre (0.5, 0.5), each pair glued by
// the quarter turn about their common corner, all four feathered, which the seam curves may bend
// ("P4G"'s mirror needs no blend). From these, the fold program's bands and the blends the lanes
// mix.
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/FeatherSeams.h"
#include "generators/groups/FeatheredRectangle.h"

namespace corvel {

struct QuarterSeams : FeatherSeams {
  // On the generator's shrunk lattice, with its feather fractions and seam amplitudes.
  explicit QuarterSeams(const TileGenerator& generator);

  // On the source: the four-fold centres at the corner and the centre, and the two-fold ones at
  // the quarter's other corners (0, 0.5) and (0.5, 0).
  Point2D corner, centre, twoFoldV, twoFoldU;
  FeatheredRectangle quarter;
};

// Unbent, a pixel away from the quarters' seams is one sample of its position turned as its
// quarter started (and, mirrored, across the diagonal); the pixels of the bands about them are
// left to the plan, or, unfeathered, to the steps, which take a pixel right on a seam onto the
// side every copy of it shows.
void DescribeQuarterFold(const QuarterSeams& seams, bool mirrored, detail::FoldProgram& program);

// Bent, past the fold (mirrored or not), a position beyond the seam at the corner (offset dCorner = corner's
// bend, v = dCorner above the bottom edge where positive, else u = -dCorner beside the left edge) is turned
// about the corner, and one beyond that at the centre (dCentre = centre's bend, above v = 0.5 - dCentre where
// positive, else beyond u = 0.5 + dCentre) about the centre, as the plan turns them; the pixels near the
// seams, and feathered those in the bands along the quarter's edges, marked and planned. Both bends not
// nought.
void DescribeQuarterBentSeams(const QuarterSeams& seams, bool mirrored, const detail::SideBend& corner,
                              const detail::SideBend& centre, detail::FoldProgram& program);

// Feathered, the bands' pixels blend in lanes, and the corners in doubles, as a rectangle's whose
// plan weighs the copy across u first at every corner.
void DescribeQuarterBlends(const QuarterSeams& seams, detail::SeamBlends& blends);

// The same with the seams at the corner and the centre bent by the bends DescribeQuarterBentSeams
// takes, the quarter's edges bent as the plan tests and ramps them.
void DescribeQuarterBentBlends(const QuarterSeams& seams, const detail::SideBend& corner,
                               const detail::SideBend& centre, detail::SeamBlends& blends);

}  // namespace corvel
