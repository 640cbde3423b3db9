// The tile generator of the group "PMM": mirrors across u = 0.5 and v = 0.5 of a rectangular
// cell. The picked area is the quarter at the lattice origin; the mirror lines need no blending,
// so the plain worker renders it and the feather is not read.
#pragma once
#include "generators/detail/TileGenerator.h"

namespace corvel {

class PMMGenerator : public TileGenerator {
 public:
  // Points strictly beyond a mirror line are mirrored back onto the quarter.
  static Point2D Fold(Point2D uv) {
    if (uv.y > 0.5) uv.y = 1 - uv.y;
    if (uv.x > 0.5) uv.x = 1 - uv.x;
    return uv;
  }
  Point2D MapPoint(const Point2D& p) const override;
  bool DescribeFold(detail::FoldProgram& program) const override;
  int Generate(CProgressMeter* meter) override;
  void ComputeOrigin() override { ComputeOriginFromLattice(); }
};

}  // namespace corvel
