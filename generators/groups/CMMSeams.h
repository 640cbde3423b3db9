// The seam of "CMM"'s triangle (0, 0), (1, 0), (0.5, 0.5) on a lattice shrunk by the feather: its
// bottom edge, which the half turn about its midpoint maps onto itself end for end, bent by an
// S-shaped curve and feathered. From these, the fold program's bands and the blends the lanes mix.
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/FeatherSeams.h"

namespace corvel {

struct CMMSeams : FeatherSeams {
  // On the generator's shrunk lattice, with its feather fractions and seam amplitude.
  explicit CMMSeams(const TileGenerator& generator);

  // The seam's midpoint on the source, the centre of the half turn across it.
  Point2D middle;
};

// A pixel away from the seam along the cell's edges is one sample of its position folded across
// both diagonals. Unbent, the pixels of the bands about the seam are left to the plan, or,
// unfeathered, to the steps, which take a pixel right on the seam onto its first half; bent, a last
// step takes a position across the S-shaped seam as the plan does, and marks the pixels near it and
// in its band.
void DescribeCMMFold(const CMMSeams& seams, detail::FoldProgram& program);

// Feathered, the band's pixels blend in lanes with their half turn across the seam; bent, its sides
// and ramp bent by the seam's S-curve.
void DescribeCMMBlends(const CMMSeams& seams, detail::SeamBlends& blends);

}  // namespace corvel
