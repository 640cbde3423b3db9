#include "shapes/P4Shape.h"

namespace shapes {

Point2D P4Shape::ComputeCentre() { return CentreOfFourCorners(); }

void P4Shape::ConstrainCorners() {
  points[13].y = points[12].y;
  points[15].x = points[12].x;
  points[15].y = points[12].y + points[13].x - points[12].x;
  points[14] = Point2D(points[13].x, points[15].y);
}

void P4Shape::PlaceSplineHandles() {
  const double s1 = splines[0], s2 = splines[1];
  points[5] = Along(points[0], 0.5, s1);
  points[7] = Along(points[0], 0.5, s2 + 1);
  points[6] = Along(points[1], -s2, 0.5);
  points[8] = Along(points[0], -s1, 0.5);
  points[10] = points[5];
  points[9] = points[10];
}

// The diagonal, side 1-2's direction and side 2-3's line as pressed.
void P4Shape::BeginResize() {
  dragLine = std::make_unique<corvel::Line2D>(points[3], points[1]);
  pressPoints[0] = points[2] - points[1];
  pressPoints[1] = points[2];
  pressPoints[2] = points[3];
}

// Side 1-2's direction through the new corner 1 meets side 2-3's line at the new corner 2; a
// square folded flat has no such point.
bool P4Shape::Resize(Point2D at) {
  const Point2D q = dragLine->Project(at);
  Point2D corner2;
  if (!CrossLines(q, pressPoints[0], pressPoints[1], pressPoints[2], corner2)) return false;
  points[1] = q;
  points[2] = corner2;
  points[0] = q + (points[3] - points[2]);
  return true;
}

// Handle 1 sits on side 3-2, one edge B further than handle 0.
void P4Shape::Bend(int handle, Point2D at) {
  splines[handle] = HeldSpline(ImageToLattice(edgeA, edgeB, at - points[0]).y - handle);
}

int P4Shape::Sides(Side sides[kMaxSides]) {
  const double s1 = splines[0] / 0.75, s2 = splines[1] / 0.75;
  sides[0] = {0, 1, true, Along(points[0], 0.5, s1)};
  sides[1] = {1, 2, true, Along(points[1], -s2, 0.5)};
  sides[2] = {2, 3, true, Along(points[3], 0.5, s2)};
  sides[3] = {3, 0, true, Along(points[0], -s1, 0.5)};
  return 4;
}

}  // namespace shapes
