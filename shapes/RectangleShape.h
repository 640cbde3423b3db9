// The rectangle the groups with a rectangular cell edit: corners 12 to 15 kept axis-aligned,
// corner 1 resizing it about the fixed corner 3 and scaling it with the right button.
#pragma once
#include "shapes/DraggableShape.h"

namespace shapes::detail {

class RectangleShape : public DraggableShape {
 public:
  using DraggableShape::DraggableShape;

  void OnLButtonDown(UINT flags, CPoint at) override;
  void OnLButtonUp(UINT flags, CPoint at) override;
  void OnRButtonDown(UINT flags, CPoint at) override;
  void OnRButtonUp(UINT flags, CPoint at) override;
  void OnMouseMove(UINT flags, CPoint at) override;
  Point2D ComputeCentre() override;
  void ConstrainCorners() override;

 protected:
  // Whether corner 1 follows the pointer only while it hovers over it.
  virtual bool CornerNeedsHover() const = 0;
  // Whether a press on corner 3 holds it, so that the shape does not move while it is held.
  virtual bool HoldsCorner3() const = 0;
  // A press past the other handles, and a drag of what it grabbed: the spline handles'.
  virtual void PressControl(Point2D) {}
  virtual void DragControl(Point2D) {}
  virtual void UpdateHovers(Point2D at) = 0;

 private:
  void DragCorner1(Point2D at);
};

}  // namespace shapes::detail
