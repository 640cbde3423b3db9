// The shape of "P4M": the triangle of "CM" with straight sides and no spline handle.
#pragma once
#include "shapes/CMShape.h"

namespace shapes {

class P4MShape : public CMShape {
 public:
  using CMShape::CMShape;

  void PlaceSplineHandles() override;

 protected:
  int SplineHandleCount() const override { return 0; }
  int Sides(Side sides[kMaxSides]) override;
};

}  // namespace shapes
