#include "shapes/P3LMShape.h"

namespace shapes {

void P3LMShape::ConstrainCorners() {
  points[13].y = points[12].y;
  points[15] = points[12] + (points[13] - points[12]).Rotated(kMinus60, 0, 0);
  ComputeEdgesFromCorners();
  points[14] = points[12] + LatticeToImage(edgeA, edgeB, Point2D(kTwoThirds, kTwoThirds));
  ComputeEdgesFromPoints();
}

// Point 6 is point 5 turned by 120 degrees about corner 2; the spare points rest on point 5.
void P3LMShape::PlaceSplineHandles() {
  const double s1 = splines[0];
  points[5] = Along(points[0], kFiveSixths + s1, kThird);
  points[6] = Along(points[0], kThird, kFiveSixths - s1);
  for (int i : {10, 9, 8, 7}) points[i] = points[5];
}

// Only the pointer's part along edge A counts.
void P3LMShape::Bend(int, Point2D at) {
  splines[0] = HeldSpline(ImageToLattice(edgeA, edgeB, at - ShortSideMiddle()).x);
}

int P3LMShape::Sides(Side sides[kMaxSides]) {
  const double s1 = splines[0];
  sides[0] = {3, 0, false, {}};
  sides[1] = {0, 1, false, {}};
  sides[2] = {1, 2, true, Along(points[0], kFiveSixths + s1 / 0.75, kThird)};
  sides[3] = {2, 3, true, Along(points[0], kThird, kFiveSixths - s1 / 0.75)};
  return 4;
}

}  // namespace shapes
