#include "shapes/CMMShape.h"

namespace shapes {

namespace {

// The side index of the hypotenuse's middle, where its two halves meet.
constexpr int kMiddle = kShapePointCount;

}  // namespace

void CMMShape::PlaceSplineHandles() {
  const double s = splines[0];
  points[5] = Along(points[0], 0.25 + s, 0.75);
  points[6] = Along(points[0], 0.75 - s, 0.25);
  for (int i : {7, 8, 9, 10, 2}) points[i] = points[0];
}

void CMMShape::Bend(int, Point2D at) {
  splines[0] = HeldSpline(ImageToLattice(edgeA, edgeB, at - points[0]).x - 0.25);
}

int CMMShape::Sides(Side sides[kMaxSides]) {
  const double s = splines[0] / 0.75;
  sides[0] = {3, 0, false, {}};
  sides[1] = {0, 1, false, {}};
  sides[2] = {1, kMiddle, true, Along(points[0], 0.75 - s, 0.25)};
  sides[3] = {kMiddle, 3, true, Along(points[0], 0.25 + s, 0.75)};
  return 4;
}

Point2D CMMShape::SideEnd(int index) const {
  return index == kMiddle ? (points[1] + points[3]) * 0.5 : points[index];
}

}  // namespace shapes
