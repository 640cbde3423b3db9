// The seams of "PMG"'s strip [0, 1] x [0, 0.25] on a lattice shrunk by the feather: the translation
// seams u = 0 and u = 1, bent by the second seam curve, and the half-turn seam v = 0, bent by an
// S-shaped curve of the first, both feathered; its top edge is a mirror, never blended. From
// these, the fold program's bands and the blends the lanes mix.
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/FeatherSeams.h"

namespace corvel {

struct PMGSeams : FeatherSeams {
  // On the generator's shrunk lattice, with its feather fractions (feather2 already quartered to the
  // band of one half-turn seam) and seam amplitudes.
  explicit PMGSeams(const TileGenerator& generator);

  // The half-turn centres of the strip's bottom edge on the source: (0, 0), (0.5, 0), (1, 0).
  Point2D q0, q1, q2;
};

// Unbent, a pixel away from the seams across u and the half-turn seams across v is one sample of
// its folded position; the pixels of the bands about them are left to the plan, or, unfeathered,
// to the steps, which take a pixel right on a seam onto the side every copy of it shows. Bent, the
// last steps carry a position across each bent seam as the plan does, and the pixels near them
// and in their bands are planned.
void DescribePMGFold(const PMGSeams& seams, detail::FoldProgram& program);

// Feathered, the bands' pixels blend in lanes, and the corners in doubles; bent, the bands and
// their ramps follow the bent seams.
void DescribePMGBlends(const PMGSeams& seams, detail::SeamBlends& blends);

}  // namespace corvel
