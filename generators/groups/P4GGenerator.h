// The tile generator of the group "P4G": quarter turns about the cell's corner and centre and
// mirrors across the lines u + v = 0.5 and their images. The fundamental region is the triangle
// (0, 0), (0.5, 0), (0, 0.5) (QuarterTurn, mirrored); its two edges at the corner are glued by the
// quarter turn about (0, 0), its edges on u = 0.5 and v = 0.5 (of the quarter they bound) by the
// turn about (0.5, 0.5). The first seam curve bends those four seams and all are feathered; the
// mirror needs no blend (QuarterSeams, QuarterPlan).
#pragma once
#include "generators/detail/TileGenerator.h"

namespace corvel {

class P4GGenerator : public TileGenerator {
 public:
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
  void ComputeOrigin() override { ComputeOriginFromLattice(); }
  void SetFeather(double percentage) override { SetFeatherUV(percentage); }
};

}  // namespace corvel
