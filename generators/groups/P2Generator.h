// The tile generator of the group "P2": half turns about the cell's corners, edge midpoints and
// centre. The fundamental region is the triangle u >= 0, v >= 0, u + v <= 1 of the cell
// (P2Triangle); its three sides are seams that S-shaped curves may bend. Bands along the seams
// blend two copies of the source, their overlaps three, and the small triangles at the region's
// corners six (P2Seams, P2Plan).
#pragma once
#include "generators/detail/TileGenerator.h"

namespace corvel {

class P2Generator : public TileGenerator {
 public:
  // Folds a cell point onto the region: beyond the diagonal u + v = 1 the half turn about the
  // cell's centre brings it back. A plane point without origin.
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
  void ComputeOrigin() override { ComputeOriginFromLattice(); }
  void SetFeather(double percentage) override { SetFeatherUniform(percentage); }

 private:
  void ShrinkLattice();
};

}  // namespace corvel
