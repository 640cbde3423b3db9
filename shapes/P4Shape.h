// The shape of "P4": a square whose sides bend in pairs meeting at a corner, each curve the
// quarter turn of its partner. Corner 1 slides along the diagonal while corner 3 stays, the
// right button scales it from corner 1, points 5 and 7 bend.
#pragma once
#include "shapes/FramedShape.h"

namespace shapes {

class P4Shape : public FramedShape {
 public:
  using FramedShape::FramedShape;

  Point2D ComputeCentre() override;
  void PlaceSplineHandles() override;
  void ConstrainCorners() override;

 protected:
  int ResizeCorner() const override { return 1; }
  int SplineHandleCount() const override { return 2; }
  void BeginResize() override;
  bool Resize(Point2D at) override;
  void Bend(int handle, Point2D at) override;
  int Sides(Side sides[kMaxSides]) override;
};

}  // namespace shapes
