// The tile generator of the group "P4M": the square cell folded by its mirrors onto the triangle
// (0, 0), (0.5, 0), (0.5, 0.5). Every edge of that triangle lies on a mirror, so the picture is
// continuous without blending: the plain worker renders it and the feather is not read.
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"

namespace corvel {

class P4MGenerator : public TileGenerator {
 public:
  // "PMM"'s mirrors across v = 0.5 and u = 0.5, then u and v swapped across the diagonal. Plain
  // comparisons: a point on a mirror maps onto itself.
  static Point2D Fold(Point2D uv);
  // The same as the program's steps.
  static void AddFoldSteps(detail::FoldProgram& program);
  Point2D MapPoint(const Point2D& p) const override;
  bool DescribeFold(detail::FoldProgram& program) const override;
  int Generate(CProgressMeter* meter) override;
  void ComputeOrigin() override { ComputeOriginFromLattice(); }
};

}  // namespace corvel
