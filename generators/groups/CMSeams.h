// The seam of "CM"'s triangle (0, 0), (1, 0), (1, 1) on a lattice shrunk by the feather: its
// bottom and right edges are one seam, which the first seam curve bends and the feather blends,
// and its three corners, one lattice point, blend the three copies that meet there. From these,
// the fold program's bands and the blends the lanes mix.
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/FeatherSeams.h"

namespace corvel {

struct CMSeams : FeatherSeams {
  // On the generator's shrunk lattice, with its feather fractions and seam amplitude.
  explicit CMSeams(const TileGenerator& generator);

  // The corner triangle at (1, 0) on the source, for the weights of its pixels.
  Point2D v1, v2, v3;
};

// Unbent, a pixel away from the seam along the cell's edges is one sample of its position folded
// across the diagonal; the pixels of the bands about it are left to the plan, or, unfeathered, to
// the steps, but for those right on the cell's edge that the fast positions wrap apart.
void DescribeCMFold(const CMSeams& seams, detail::FoldProgram& program);

// Bent, past the fold, a position beyond the bent seam is taken across it as the plan takes it,
// and the pixels near the seam, within the band about it and within the band along the other
// edge the fold reaches are marked.
void DescribeCMBentSeam(const CMSeams& seams, detail::FoldProgram& program);

// Feathered, the bands' pixels blend in lanes, and where they meet three copies mix in doubles,
// the part of the corner at (1, 0) that the plan weighs by areas too.
void DescribeCMBlends(const CMSeams& seams, detail::SeamBlends& blends);

// Bent and feathered, the bands' pixels blend in lanes, their sides and ramps bent as the plan bends
// them, by the bump of the position before the carry across the seam; where they meet, planned.
void DescribeCMBentBlends(const CMSeams& seams, detail::SeamBlends& blends);

}  // namespace corvel
