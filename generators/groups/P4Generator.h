// The tile generator of the group "P4": quarter turns about the corners and the centre of a
// square cell. The picked area is the quarter at the lattice origin (QuarterTurn); its low edges
// bend by the first seam curve and its high edges by the second, each pair so that the quarter
// turn about their common corner maps one onto the other, and all four are feathered
// (QuarterSeams, QuarterPlan).
#pragma once
#include "generators/detail/TileGenerator.h"

namespace corvel {

class P4Generator : public TileGenerator {
 public:
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
  void ComputeOrigin() override { ComputeOriginFromLattice(); }
  void SetFeather(double percentage) override { SetFeatherUV(percentage); }
};

}  // namespace corvel
