// The tile generator of the group "P4": quarter turns about the corners and the centre of a
// square cell. The picked area is the quarter at the lattice origin; its low edges bend by the
// first seam curve and its high edges by the second, each pair so that the quarter turn about
// their common corner maps one onto the other, and all four are feathered.
#pragma once
#include "generators/detail/TileGenerator.h"

namespace corvel {

class P4Generator : public TileGenerator {
 public:
  // The three other quarters turned about the centre (0.5, 0.5) onto the first.
  static Point2D Fold(Point2D uv) {
    const Point2D centre(0.5, 0.5);
    if (uv.x >= 0.5) return uv.y >= 0.5 ? uv.HalfTurn(centre) : uv.QuarterTurnA(centre);
    return uv.y >= 0.5 ? uv.QuarterTurnB(centre) : uv;
  }
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
  void ComputeOrigin() override { ComputeOriginFromLattice(); }
  void SetFeather(double percentage) override { SetFeatherUV(percentage); }
};

}  // namespace corvel
