// The shape of "PMM": a plain rectangle with straight sides. Corner 1 resizes it about corner 3,
// the centre moves it, point 11 turns it and a right drag on corner 1 scales it.
#pragma once
#include "shapes/RectangleShape.h"

namespace shapes {

class PMMShape : public detail::RectangleShape {
 public:
  using RectangleShape::RectangleShape;

  void Draw(CDC* dc) override;
  void PlaceSplineHandles() override;

 protected:
  bool CornerNeedsHover() const override { return true; }
  bool HoldsCorner3() const override { return true; }
  void UpdateHovers(Point2D at) override;
};

}  // namespace shapes
