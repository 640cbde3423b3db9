// The seams of "P6"'s kite on a lattice shrunk by the feather: the edges on the axes, bent by the
// first seam curve, and those on the medians, bent by the second; their blends' widths; the kite
// shrunk by them; and from these, the fold program's bands and the blends the lanes mix.
#pragma once
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/HexagonalSeams.h"
#include "generators/groups/P6Kite.h"

namespace corvel {

struct P6Seams : HexagonalSeams {
  // On the generator's shrunk lattice, with its feather fractions and seam amplitudes.
  P6Seams(const TileGenerator& generator, const P6Kite& kite);

  // On the source: the two-fold centres where the axes meet the medians, and the corner triangle
  // at the six-fold centre, which reaches half a feather along each edge.
  Point2D h1, h2, q1, q2;
  // The kite shrunk by the feather: its three-fold corner c moves towards 0, its edges on the
  // medians become e1 and e2, and e3 cuts off the three-fold corner between i1 and j.
  Point2D c, centroid, i1, j;
  Line2D e1, e2, e3;
  double k0, k1;
  bool unbent, hardUnbent;
};

// Unbent, a pixel away from the kites' seams is one sample of its position folded as the kite
// folds it; the pixels of bands about every line the seams lie on are left to the plan. The bands
// reach as far as the blends, and the seams' reach beyond: half a feather about the axes' lines,
// and about the medians' as far as the three-fold corner c lies inside.
void DescribeP6Fold(const P6Kite& kite, const P6Seams& seams, detail::FoldProgram& program);

// Bent, unfeathered: past the kite's fold, a step turns a position across the bent seam on the
// axes about the six-fold centre and one across the bent median about the three-fold centre, as
// the plan does, each with the bump of the position as it finds it, and marks the pixels near
// them; the pixels near the kite's own edges stay planned.
void AddP6BentSteps(const P6Kite& kite, const P6Seams& seams, detail::FoldProgram& program);

// Bent and feathered: the kite's fold alone, its bands widened by as far as the bends move the
// seams and their bands, the medians' only between their centres, every pixel in them planned; no
// pixel left to the fold lies near a seam.
void DescribeP6BentFeatheredFold(const P6Kite& kite, const P6Seams& seams, detail::FoldProgram& program);

// Feathered, the bands' pixels blend in lanes, and where they meet, mix in doubles as the plan
// weighs them (planned where the feathers across u and v differ).
void DescribeP6Blends(const P6Kite& kite, const P6Seams& seams, detail::SeamBlends& blends);

// Bent and feathered, row by row of kP6BentBlends (HexagonalBlendRows.h), on the kite's position
// before the plan's turns across the bent seams: the bands about the axes and the medians blend in
// lanes, their sides and ramps bent by the plan's bumps (the axes' o1 and the medians' own), and
// the seams' bulges by the copy the plan's turn lands on; the bulges' ends, the corners and the
// three-fold centre are left to doubles or planned.
void DescribeP6BentBlends(const P6Kite& kite, const P6Seams& seams, detail::SeamBlends& blends);

}  // namespace corvel
