#include "shapes/P3Shape.h"

namespace shapes {

Point2D P3Shape::ComputeCentre() { return CentreOfFourCorners(); }

void P3Shape::ConstrainCorners() {
  points[13].y = points[12].y;
  points[15] = points[13];
  corvel::RotatePointDegrees(-60, points[12].x, points[12].y, points[15]);
  points[14] = points[13] + points[15] - points[12];
}

// Each handle sits off its side's midpoint by its spline times the rhombus' height.
void P3Shape::PlaceSplineHandles() {
  const double s1 = splines[0], s2 = splines[1];
  points[5] = Along(points[0], 0.5 - s1 / 2, s1);
  points[7] = Along(points[0], 0.5 - s2 / 2, 1 + s2);
  points[6] = Along(points[0], s2, 0.5 - s2 / 2);
  points[8] = Along(points[1], s1, 0.5 - s1 / 2);
  points[10] = points[5];
  points[9] = points[10];
}

void P3Shape::BeginResize() { dragLine = std::make_unique<corvel::Line2D>(points[3], points[0]); }

bool P3Shape::Resize(Point2D at) {
  const Point2D q = dragLine->Project(at);
  points[3] = q;
  points[1] = q;
  corvel::RotatePointDegrees(60, points[0].x, points[0].y, points[1]);
  points[2] = points[1] + points[3] - points[0];
  return true;
}

void P3Shape::Bend(int handle, Point2D at) {
  const Point2D from = handle == 0 ? points[0] : points[3];
  splines[handle] = HeldSpline(ImageToLattice(edgeA, edgeB, at - from).y);
}

int P3Shape::Sides(Side sides[kMaxSides]) {
  const double s1 = splines[0], s2 = splines[1];
  sides[0] = {0, 1, true, Along(points[0], 0.5 - s1 / 2, s1 / 0.75)};
  sides[1] = {1, 2, true, Along(points[1], s1 / 0.75, 0.5 - s1 / 2)};
  sides[2] = {2, 3, true, Along(points[3], 0.5 - s2 / 2, s2 / 0.75)};
  sides[3] = {3, 0, true, Along(points[0], s2 / 0.75, 0.5 - s2 / 2)};
  return 4;
}

}  // namespace shapes
