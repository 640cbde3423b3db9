#include "shapes/P3MLShape.h"

namespace shapes {

Point2D P3MLShape::ComputeCentre() { return CentreOfThreeCorners(); }

void P3MLShape::ConstrainCorners() {
  points[13].y = points[12].y;
  points[15] = points[13];
  corvel::RotatePointDegrees(-60, points[12].x, points[12].y, points[15]);
  points[14] = points[15];
}

// No spline handles: the spare points and the fourth corner rest on corner 0.
void P3MLShape::PlaceSplineHandles() {
  for (int i = 5; i <= 10; ++i) points[i] = points[0];
  points[2] = points[0];
}

void P3MLShape::BeginResize() { dragLine = std::make_unique<corvel::Line2D>(points[3], points[1]); }

bool P3MLShape::Resize(Point2D at) {
  const Point2D q = dragLine->Project(at);
  points[1] = q;
  points[0] = q;
  corvel::RotatePointDegrees(60, points[3].x, points[3].y, points[0]);
  return true;
}

int P3MLShape::Sides(Side sides[kMaxSides]) {
  sides[0] = {3, 0, false, {}};
  sides[1] = {0, 1, false, {}};
  sides[2] = {1, 3, false, {}};
  return 3;
}

}  // namespace shapes
