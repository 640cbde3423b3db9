// The shape of "CMM": the triangle of "CM" with straight legs and the hypotenuse bent into an
// S-curve through its middle, which point 5 sets from the hypotenuse's quarter point.
#pragma once
#include "shapes/CMShape.h"

namespace shapes {

class CMMShape : public CMShape {
 public:
  using CMShape::CMShape;

  void PlaceSplineHandles() override;

 protected:
  void Bend(int handle, Point2D at) override;
  int Sides(Side sides[kMaxSides]) override;
  Point2D SideEnd(int index) const override;
};

}  // namespace shapes
