// The tile generator of the group "P3LM": a mirror across the line through A and B and
// three-fold turns about the centroid of the triangle 0, A, B. Every pixel lands on the kite of
// that triangle at the origin (P3LMKite); the two kite edges that leave the centroid are seams,
// bent by the first seam curve and feathered (P3LMSeams), and the centroid and the corners where
// those edges meet the cell's edges blend the copies that meet there (P3LMPlan).
#pragma once
#include "generators/groups/HexagonalKite.h"

namespace corvel {

class P3LMGenerator : public KiteGenerator {
 public:
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
};

}  // namespace corvel
