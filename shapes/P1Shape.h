// The shape of "P1": one lattice cell, a parallelogram whose opposite edges bow alike. Corner 1
// shears it, corner 3 slides along edge A, the centre moves it, point 11 turns it, points 5 and 7
// bow the edge pairs, and a right drag on a corner scales it. A corner drag ends in a snap to
// the nearby whole-pixel lattice with the smallest axis-aligned repeat.
#pragma once
#include "shapes/TargetShape.h"

namespace shapes {

class P1Shape : public TargetShape {
 public:
  using TargetShape::TargetShape;

  void OnLButtonDown(UINT flags, CPoint at) override;
  void OnLButtonUp(UINT flags, CPoint at) override;
  void OnRButtonDown(UINT flags, CPoint at) override;
  void OnRButtonUp(UINT flags, CPoint at) override;
  void OnMouseMove(UINT flags, CPoint at) override;
  void Draw(CDC* dc) override;
  Point2D ComputeCentre() override;
  void PlaceSplineHandles() override;
  bool CheckShape() override;
  void ConstrainCorners() override;
  void OnReset() override;

 private:
  void DragCorner1(Point2D m);
  void DragCorner3(Point2D m);
  void DragCentre(Point2D m);
  void UpdateHover(UINT flags, Point2D m);
  void EndCornerDrag();
};

}  // namespace shapes
