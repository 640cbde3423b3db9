// The seams of "P2"'s triangle on a lattice shrunk by the feather: its three sides, which S-shaped
// curves may bend; bands along them blend two copies of the source, their overlaps three, and the
// small triangles at the triangle's corners six. From these, the fold program's bands and the
// blends the lanes mix.
#pragma once
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/groups/FeatherSeams.h"

namespace corvel {

struct P2Seams : FeatherSeams {
  // On the generator's shrunk lattice, with its feather fractions and seam amplitudes.
  explicit P2Seams(const TileGenerator& generator);

  // The seam curves run between the bands at both ends of their seam.
  double seamScaleU, seamScaleV;
  double k2;
  bool unbent;
  // The amounts of the S-shaped offsets by which the plan bends the seams: the diagonal's and the
  // left edge's along v, the bottom's along u.
  double diagonalBend, leftBend, bottomBend;
  // Feathered and bent within its roads' bandsInLanes (GroupRoads.h): the bands about the bent seams blend in
  // lanes (DescribeP2Blends).
  bool bentBandsBlend;
  // The half turns' centres on the source: the cell's corners, its edges' midpoints and centre.
  Point2D z00, zCentre, zLeft, zBottom, z10, z01;
};

// Unbent, a pixel away from the seams along the cell's edges and its short diagonal is one sample
// of its position turned onto the triangle; the pixels of the bands about them are left to the
// plan, or, unfeathered, to the steps, which take a pixel right on a seam onto its first half.
void DescribeP2Fold(const P2Seams& seams, detail::FoldProgram& program);

// Bent by any of the curves: past the triangle's fold, steps take a position across the bent
// diagonal, bottom and left seams, each by the half turn about its middle, as the plan does, and
// mark the pixels near each and within its band, and, feathered, those the turns across the bottom
// and left seams take into another seam's band (none where the bands blend bent); the bumps are
// S-shaped, of the position the fold left. A seam left straight is marked by its band.
void DescribeP2BentFold(const P2Seams& seams, detail::FoldProgram& program);

// Feathered, the bands' pixels blend in lanes; where they meet away from the triangle's corners
// three copies mix in doubles, and at the corners six, by the pixel's barycentric weights in the
// corner's triangle where the two feathers are alike (else planned: the plan weighs them by
// unsigned areas). Bent, the bands' sides and ramps follow the seams' offsets of the position the
// plan's turns leave, the seams bent within its roads' bandsInLanes.
void DescribeP2Blends(const P2Seams& seams, detail::SeamBlends& blends);

}  // namespace corvel
