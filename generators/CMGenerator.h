// The tile generator of the group "CM": mirrors across the cell's diagonal.
#pragma once
#include "generators/TileGenerator.h"

namespace corvel {

class CMGenerator : public TileGenerator {
 public:
  // Folds the cell onto its half below the diagonal from (0, 0) to (1, 1): (u, v) with v >= u
  // becomes (v, u). The result is a plane point without origin.
  Point2D MapPoint(const Point2D& p) const override;

 protected:
  Line2D diagonal_{Point2D(0, 0), Point2D(1, 1)};
};

}  // namespace corvel
