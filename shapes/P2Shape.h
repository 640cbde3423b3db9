// The shape of "P2": half a lattice cell, a right triangle with its legs along the shape's axes,
// each side an S-curve about its middle bent by its own handle (5 on the hypotenuse, 7 on leg B,
// 9 on leg A). Corner 3 resizes it keeping the right angle at corner 0 and corner 1 in place,
// the centre moves it, point 11 turns it and a right drag on corner 3 scales it.
#pragma once
#include "shapes/DraggableShape.h"

namespace shapes {

class P2Shape : public detail::DraggableShape {
 public:
  using DraggableShape::DraggableShape;

  void OnLButtonDown(UINT flags, CPoint at) override;
  void OnLButtonUp(UINT flags, CPoint at) override;
  void OnRButtonDown(UINT flags, CPoint at) override;
  void OnRButtonUp(UINT flags, CPoint at) override;
  void OnMouseMove(UINT flags, CPoint at) override;
  void Draw(CDC* dc) override;
  Point2D ComputeCentre() override;
  void PlaceSplineHandles() override;
  void ConstrainCorners() override;

 private:
  void DragCorner3(Point2D at);
  void DragControl(Point2D at);
};

}  // namespace shapes
