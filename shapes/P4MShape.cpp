#include "shapes/P4MShape.h"

namespace shapes {

void P4MShape::PlaceSplineHandles() {
  for (int i : {5, 6, 7, 8, 9, 10, 2}) points[i] = points[0];
}

int P4MShape::Sides(Side sides[kMaxSides]) { return StraightTriangle(sides); }

}  // namespace shapes
