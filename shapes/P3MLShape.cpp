#include "shapes/P3MLShape.h"

namespace shapes {

Point2D P3MLShape::ComputeCentre() { return CentreOfThreeCorners(); }

void P3MLShape::ConstrainCorners() {
  points[13].y = points[12].y;
  points[15] = points[13];
  corvel::RotatePointDegrees(-60, points[12].x, points[12].y, points[15]);
  points[14] = points[15];
}

void P3MLShape::PlaceSplineHandles() { RestSparePointsOnCorner0(); }

void P3MLShape::BeginResize() { dragLine = std::make_unique<corvel::Line2D>(points[3], points[1]); }

bool P3MLShape::Resize(Point2D at) {
  const Point2D q = dragLine->Project(at);
  points[1] = q;
  points[0] = q;
  corvel::RotatePointDegrees(60, points[3].x, points[3].y, points[0]);
  return true;
}

int P3MLShape::Sides(Side sides[kMaxSides]) { return StraightTriangle(sides); }

}  // namespace shapes
