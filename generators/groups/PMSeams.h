// The seam of "PM"'s half cell on a lattice shrunk by the feather: copies of the cell meet along A
// at u = 0 and u = 1, one seam, which the first seam curve bends and the feather blends. From
// these, the fold program's bands and the blends the lanes mix.
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/FeatherSeams.h"

namespace corvel {

struct PMSeams : FeatherSeams {
  // On the generator's shrunk lattice, with its feather fractions and seam amplitude.
  explicit PMSeams(const TileGenerator& generator);
};

// Unbent, a pixel away from the seam across u is one sample of its folded position; the pixels of
// the bands about it are left to the plan, or, unfeathered, to the steps, but for those right on
// the cell's edge that the fast positions wrap apart. Bent, the last steps carry a position across
// the bent seam as the plan does, and mark the pixels near it and in its bands.
void DescribePMFold(const PMSeams& seams, detail::FoldProgram& program);

// Feathered, the bands' pixels blend in lanes with the copy one cell on; bent, their sides and ramps
// bent by the seams' bump.
void DescribePMBlends(const PMSeams& seams, detail::SeamBlends& blends);

}  // namespace corvel
