#include "shapes/CMShape.h"

namespace shapes {

Point2D CMShape::ComputeCentre() { return CentreOfThreeCorners(); }

void CMShape::ConstrainCorners() {
  points[13].y = points[12].y;
  points[15].x = points[12].x;
  points[15].y = points[12].y + points[13].x - points[12].x;
  points[14] = points[15];
}

void CMShape::PlaceSplineHandles() {
  const double s = splines[0];
  points[5] = Along(points[0], 0.5, s);
  points[6] = Along(points[0], -s, 0.5);
  for (int i : {7, 8, 9, 10, 2}) points[i] = points[0];
}

// The hypotenuse, leg B's direction and leg A's line as pressed.
void CMShape::BeginResize() {
  dragLine = std::make_unique<corvel::Line2D>(points[3], points[1]);
  pressPoints[0] = points[0] - points[3];
  pressPoints[1] = points[1];
  pressPoints[2] = points[0];
}

// Leg B's direction through the new point 3 meets leg A's line at the new point 0; a triangle
// folded flat has no such point.
bool CMShape::Resize(Point2D at) {
  const Point2D p = dragLine->Project(at);
  Point2D corner0;
  if (!CrossLines(p, pressPoints[0], pressPoints[1], pressPoints[2], corner0)) return false;
  points[3] = p;
  points[0] = corner0;
  points[2] = points[3] + points[1] - points[0];
  return true;
}

void CMShape::Bend(int, Point2D at) {
  splines[0] = HeldSpline(ImageToLattice(edgeA, edgeB, at - points[0]).y);
}

// The hypotenuse stays straight.
int CMShape::Sides(Side sides[kMaxSides]) {
  const double s = splines[0] / 0.75;
  sides[0] = {0, 1, true, Along(points[0], 0.5, s)};
  sides[1] = {1, 3, false, {}};
  sides[2] = {3, 0, true, Along(points[0], -s, 0.5)};
  return 3;
}

}  // namespace shapes
