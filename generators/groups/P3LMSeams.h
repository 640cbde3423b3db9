// The seams of "P3LM"'s kite on a lattice shrunk by the feather: the two kite edges that leave
// G, bent by the first seam curve, and where they meet the cell's edges and each other; their
// blends' widths; and from these, the fold program's bands and the blends the lanes mix.
#pragma once
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/HexagonalSeams.h"
#include "generators/groups/P3LMKite.h"

namespace corvel {

struct P3LMSeams : HexagonalSeams {
  // On the generator's shrunk lattice, with its feather fractions and seam amplitudes.
  P3LMSeams(const TileGenerator& generator, const P3LMKite& kite);

  // The bands' inner edges la and lb from G's band corner Gi, half a feather inside along the
  // diagonal; where lb meets the seam to (0.5, 0), xk, and its mirror image xm, joined by lg.
  Point2D gi, xk, xm;
  Line2D la, lb, lg;
  double h;  // xk.y
  // On the source: the cell edges 0A and 0B, for the corners' mirror images.
  Line2D edgeA, edgeB;
  double k0;
  bool hardUnbent;
};

// Unbent, a pixel away from the seams is one sample of its position folded as the kite folds it.
// The seams lie on the lines where 2u + v, u + 2v or u - v is whole; the pixels of bands about
// them as wide as the blends about G, and the seams' reach beyond, are left to the plan.
void DescribeP3LMFold(const P3LMKite& kite, const P3LMSeams& seams, detail::FoldProgram& program);

// Bent, unfeathered: past the kite's fold, a step turns a position across the bent seam from G
// about G, as the plan does, and marks the pixels near it; the pixels near the kite's own edges
// stay planned.
void AddP3LMBentStep(const P3LMKite& kite, const P3LMSeams& seams, detail::FoldProgram& program);

// Bent and feathered: the kite's fold alone, its bands widened by as far as the bend moves the
// seam and its bands, to the side it moves them, every pixel in them planned; no pixel left to the
// fold lies near a seam.
void DescribeP3LMBentFeatheredFold(const P3LMKite& kite, const P3LMSeams& seams,
                                   detail::FoldProgram& program);

// Feathered, the bands' pixels blend in lanes, and where they meet mix in doubles as the plan
// weighs them (planned where the feathers across u and v differ).
void DescribeP3LMBlends(const P3LMKite& kite, const P3LMSeams& seams, detail::SeamBlends& blends);

// Bent and feathered, row by row of kP3LMBentBlends (HexagonalBlendRows.h), on the kite's position
// before the plan's turn across the bent seam: the bands across K and M blend in lanes, their sides
// and ramps bent by the plan's bump, and so does the seam's bulge, by the band its turn lands in;
// the corners and the three copies about G mix in doubles where the feathers are alike, and the
// bulge's edge and the kite's edge to K on the plan's fold; the bulge's ends and the rest are
// planned.
void DescribeP3LMBentBlends(const P3LMKite& kite, const P3LMSeams& seams, detail::SeamBlends& blends);

}  // namespace corvel
