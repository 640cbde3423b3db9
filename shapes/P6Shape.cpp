#include "shapes/P6Shape.h"

#include <cmath>

namespace shapes {

void P6Shape::ConstrainCorners() {
  points[13].y = points[12].y;
  points[15] = points[12] + (points[13] - points[12]).Rotated(kMinus60, 0, 0);
  points[14].x = points[13].x;
  points[14].y = points[13].y + (points[13].x - points[12].x) / std::sqrt(3.0);
}

// Points 6 and 8 are the handles turned by the group: -60 degrees about corner 0 and 120
// degrees about corner 2.
void P6Shape::PlaceSplineHandles() {
  const double s1 = splines[0], s2 = splines[1];
  points[7] = Along(points[0], kFiveSixths + s2, kThird);
  points[5] = Along(points[0], 0.5 - s1 / 2, s1);
  points[6] = points[5];
  corvel::RotatePointDegrees(-60, points[0].x, points[0].y, points[6]);
  points[8] = points[7];
  corvel::RotatePointDegrees(120, points[2].x, points[2].y, points[8]);
  points[10] = points[5];
  points[9] = points[10];
}

void P6Shape::Bend(int handle, Point2D at) {
  if (handle == 0)
    splines[0] = HeldSpline(ImageToLattice(edgeA, edgeB, at - points[0]).y);
  else
    splines[1] = HeldSpline(ImageToLattice(edgeA, edgeB, at - ShortSideMiddle()).x);
}

int P6Shape::Sides(Side sides[kMaxSides]) {
  const double s1 = splines[0], s2 = splines[1];
  sides[0] = {1, 2, true, Along(points[0], kFiveSixths + s2 / 0.75, kThird)};
  sides[1] = {2, 3, true, Along(points[0], kThird, kFiveSixths - s2 / 0.75)};
  sides[2] = {3, 0, true, Along(points[0], -s1 / 0.75, 0.5 + s1 / 2)};
  sides[3] = {0, 1, true, Along(points[0], 0.5 - s1 / 2, s1 / 0.75)};
  return 4;
}

}  // namespace shapes
