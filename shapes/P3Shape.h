// The shape of "P3": a rhombus of 60 and 120 degrees whose sides bend in pairs meeting at a
// 120-degree corner, each pair related by the three-fold turn about that corner. Corner 3
// resizes it along side 0-3, the right button scales it from corner 1, points 5 and 7 bend.
#pragma once
#include "shapes/FramedShape.h"

namespace shapes {

class P3Shape : public FramedShape {
 public:
  using FramedShape::FramedShape;

  Point2D ComputeCentre() override;
  void PlaceSplineHandles() override;
  void ConstrainCorners() override;

 protected:
  int ResizeCorner() const override { return 3; }
  int SplineHandleCount() const override { return 2; }
  void BeginResize() override;
  bool Resize(Point2D at) override;
  void Bend(int handle, Point2D at) override;
  int Sides(Side sides[kMaxSides]) override;
};

}  // namespace shapes
