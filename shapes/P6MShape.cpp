#include "shapes/P6MShape.h"

#include <cmath>

namespace shapes {

namespace {

double Cross(Point2D a, Point2D b) { return a.x * b.y - a.y * b.x; }

}  // namespace

Point2D P6MShape::ComputeCentre() {
  points[4] = Point2D((points[12].x + points[13].x + points[15].x) / 3,
                      (points[12].y + points[13].y + points[15].y) / 3);
  return points[4];
}

void P6MShape::ConstrainCorners() {
  points[13].y = points[12].y;
  points[15].x = points[12].x;
  points[15].y = points[12].y + std::sqrt(3.0) * (points[13].x - points[12].x);
  points[14] = points[15];
}

// No spline handles: the spare points and the fourth corner rest on corner 0.
void P6MShape::PlaceSplineHandles() {
  for (int i = 5; i <= 10; ++i) points[i] = points[0];
  points[2] = points[0];
}

// The hypotenuse, the leg from corner 3 to corner 0 as a vector, and the leg through corners 1 and 0.
void P6MShape::BeginResize() {
  dragLine = std::make_unique<corvel::Line2D>(points[3], points[1]);
  pressPoints[0] = points[0] - points[3];
  pressPoints[1] = points[1];
  pressPoints[2] = points[0];
}

// Corner 0 is where the leg from the new corner 3, kept parallel, meets the other leg; met
// parametrically, so that an upright leg is no special case. Legs fallen parallel refuse.
bool P6MShape::Resize(Point2D at) {
  const Point2D corner3 = dragLine->Project(at);
  const Point2D leg3 = pressPoints[0], leg1 = pressPoints[2] - pressPoints[1];
  const double across = Cross(leg3, leg1);
  if (across == 0) return false;
  points[3] = corner3;
  points[0] = corner3 + leg3 * (Cross(pressPoints[1] - corner3, leg1) / across);
  return true;
}

int P6MShape::Sides(Side sides[kMaxSides]) {
  sides[0] = {3, 0, false, {}};
  sides[1] = {0, 1, false, {}};
  sides[2] = {1, 3, false, {}};
  return 3;
}

}  // namespace shapes
