// The tile generator of the group "P4G": quarter turns about the cell's corner and centre and
// mirrors across the lines u + v = 0.5 and their images. The fundamental region is the triangle
// (0, 0), (0.5, 0), (0, 0.5); its two edges at the corner are glued by the quarter turn about
// (0, 0), its edges on u = 0.5 and v = 0.5 (of the quarter they bound) by the turn about
// (0.5, 0.5). The first seam curve bends those four seams and all are feathered; the mirror
// needs no blend.
#pragma once
#include "generators/detail/TileGenerator.h"

namespace corvel {

class P4GGenerator : public TileGenerator {
 public:
  P4GGenerator();

  // The other quarters turned about the centre onto the first, then the mirror across
  // u + v = 0.5. Within the tolerance a point on a quarter's border or on the mirror counts as
  // past it.
  Point2D Fold(Point2D uv) const;
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
  void ComputeOrigin() override { ComputeOriginFromLattice(); }
  void SetFeather(double percentage) override { SetFeatherUV(percentage); }

 private:
  Line2D mirror_;  // u + v = 0.5, in lattice coordinates
};

}  // namespace corvel
