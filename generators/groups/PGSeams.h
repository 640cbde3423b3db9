// The seams of "PG"'s half cell [0, 0.5] x [0, 1] on a lattice shrunk by the feather: the glide
// seams u = 0 and u = 0.5, bent by the second seam curve, and the translation seams v = 0 and
// v = 1, bent by the first, all feathered; at the corners the glide image of the translate. From
// these, the fold program's bands and the blends the lanes mix.
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/FeatherSeams.h"
#include "generators/groups/FeatheredRectangle.h"

namespace corvel {

struct PGSeams : FeatherSeams {
  // On the generator's shrunk lattice, with its feather fractions and seam amplitudes.
  explicit PGSeams(const TileGenerator& generator);

  FeatheredRectangle half;
};

// Unbent, a pixel away from the glide seams across u and the seams across v is one sample of its
// folded position; the pixels of the bands about them are left to the plan, or, unfeathered, to
// the steps, which take a pixel right on a seam onto the side every copy of it shows. Bent, the
// last steps carry a position across each bent seam as the plan does, and the pixels near them
// and in their bands are planned.
void DescribePGFold(const PGSeams& seams, detail::FoldProgram& program);

// Feathered, the bands' pixels blend in lanes, and the corners in doubles; bent, the bands and
// their ramps follow the bent seams.
void DescribePGBlends(const PGSeams& seams, detail::SeamBlends& blends);

}  // namespace corvel
