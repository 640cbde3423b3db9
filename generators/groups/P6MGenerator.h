// The tile generator of the group "P6M": the hexagonal cell folded by a half turn about its
// centre and three mirrors onto a twelfth of it (P6MTriangle). Every edge of that triangle lies on
// a mirror, so the plain worker renders it without blending and the feather is not read.
#pragma once
#include "generators/detail/TileGenerator.h"

namespace corvel {

class P6MGenerator : public TileGenerator {
 public:
  Point2D MapPoint(const Point2D& p) const override;
  bool DescribeFold(detail::FoldProgram& program) const override;
  int Generate(CProgressMeter* meter) override;
  // Where the tile starts in the box of the cell: below a rising A, or past a negative A.x.
  void ComputeOrigin() override;
};

}  // namespace corvel
