// The tile generator of the group "CMM": mirrors across both diagonals of the cell and half
// turns about the midpoints of its edges. The fundamental region is the triangle (0, 0), (1, 0),
// (0.5, 0.5); its one seam, the bottom edge, is mapped onto itself end for end by the half turn
// about (0.5, 0), bent by an S-shaped curve and feathered.
#pragma once
#include "generators/detail/TileGenerator.h"

namespace corvel {

class CMMGenerator : public TileGenerator {
 public:
  // Mirrored across u = v, then across u + v = 1.
  static Point2D Fold(Point2D uv) {
    if (uv.y >= uv.x) uv = {uv.y, uv.x};
    if (1 - uv.x <= uv.y) uv = {1 - uv.y, 1 - uv.x};
    return uv;
  }
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
  // The lattice origin in the box of the rhombus 0, A, B, A + B.
  void ComputeOrigin() override;
  void SetFeather(double percentage) override { SetFeatherUniform(percentage); }
};

}  // namespace corvel
