#include "shapes/P6MShape.h"

#include <cmath>

namespace shapes {

Point2D P6MShape::ComputeCentre() { return CentreOfThreeCorners(); }

void P6MShape::ConstrainCorners() {
  points[13].y = points[12].y;
  points[15].x = points[12].x;
  points[15].y = points[12].y + std::sqrt(3.0) * (points[13].x - points[12].x);
  points[14] = points[15];
}

void P6MShape::PlaceSplineHandles() { RestSparePointsOnCorner0(); }

// The hypotenuse, the leg from corner 3 to corner 0 as a vector, and the leg through corners 1 and 0.
void P6MShape::BeginResize() {
  dragLine = std::make_unique<corvel::Line2D>(points[3], points[1]);
  pressPoints[0] = points[0] - points[3];
  pressPoints[1] = points[1];
  pressPoints[2] = points[0];
}

// Corner 0 is where the leg from the new corner 3, kept parallel, meets the other leg; legs
// fallen parallel refuse the move.
bool P6MShape::Resize(Point2D at) {
  const Point2D corner3 = dragLine->Project(at);
  Point2D corner0;
  if (!CrossLines(corner3, pressPoints[0], pressPoints[1], pressPoints[2], corner0)) return false;
  points[3] = corner3;
  points[0] = corner0;
  return true;
}

int P6MShape::Sides(Side sides[kMaxSides]) { return StraightTriangle(sides); }

}  // namespace shapes
