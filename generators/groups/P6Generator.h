// The tile generator of the group "P6": turns by 60 degrees about the lattice points, by 120
// about the centres of the cell's two triangles and half turns about the edge midpoints. The
// fundamental region is the kite K = (0, 0), (0.5, 0), (1/3, 1/3), (0, 0.5) (P6Kite); its edges on
// the axes are glued by the six-fold turns about 0 and bent by the first seam curve, its edges on
// the medians 2u + v = 1 and u + 2v = 1 by the three-fold turns about (1/3, 1/3) and bent by
// the second. All four seams are feathered (P6Seams); where they meet, three or six copies blend
// (P6Plan).
#pragma once
#include "generators/groups/HexagonalKite.h"

namespace corvel {

class P6Generator : public KiteGenerator {
 public:
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
};

}  // namespace corvel
