// The seams of "PGG"'s quarter on a lattice shrunk by the feather: its four edges are glide seams,
// bent by the two seam curves and feathered, and its corners blend in the half turn about the
// corner. From these, the fold program's bands and the blends the lanes mix.
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/FeatherSeams.h"
#include "generators/groups/FeatheredRectangle.h"

namespace corvel {

struct PGGSeams : FeatherSeams {
  // On the generator's shrunk lattice, with its feather fractions and seam amplitudes.
  explicit PGGSeams(const TileGenerator& generator);

  // The two-fold centres at the quarter's corners, on the source.
  Point2D h00, h01, h10, h11;
  FeatheredRectangle quarter;
};

// Unbent, a pixel away from the glide seams of the quarters is one sample of its folded position;
// the pixels of the bands about them are left to the plan, or, unfeathered, to the steps, which
// take a pixel right on a seam onto the side every copy of it shows. Bent, the last steps carry a
// position across each bent seam as the plan does, and the pixels near them and in their bands are
// planned.
void DescribePGGFold(const PGGSeams& seams, detail::FoldProgram& program);

// Feathered, the bands' pixels blend in lanes, and the corners in doubles; bent, the bands and
// their ramps follow the bent seams.
void DescribePGGBlends(const PGGSeams& seams, detail::SeamBlends& blends);

}  // namespace corvel
