#include "shapes/RectangleShape.h"

namespace shapes::detail {

void RectangleShape::OnLButtonDown(UINT flags, CPoint at) {
  if (ResetOnShift(flags)) return;
  leftDown = true;
  const Point2D m = MouseToImage(at);
  if (HitTest(points[1], m))
    grabCorner = true;
  else if (HoldsCorner3() && HitTest(points[3], m))
    grabCorner2 = true;
  else if (HitTest(points[4], m))
    grabCentre = true;
  else if (HitTest(points[11], m))
    grabRotation = true;
  else
    PressControl(m);
}

void RectangleShape::OnLButtonUp(UINT, CPoint) {
  leftDown = false;
  if (grabCorner || grabCorner2) {
    grabCorner = grabCorner2 = false;
    WriteParameters(true);
  }
  Release({&grabCentre, &grabRotation, &grabControl1, &grabControl2});
}

void RectangleShape::OnRButtonDown(UINT, CPoint at) { PressToScale(1, at); }

void RectangleShape::OnRButtonUp(UINT, CPoint) { ReleaseScale(); }

Point2D RectangleShape::ComputeCentre() { return CentreOfFourCorners(); }

void RectangleShape::ConstrainCorners() {
  points[13].y = points[12].y;
  points[15].x = points[12].x;
  points[14].x = points[13].x;
  points[14].y = points[15].y;
}

void RectangleShape::DragCorner1(Point2D at) {
  SaveState();
  points[1] = at;
  // The sides are level in the frame turned back about corner 3.
  const Point2D& fixed = points[3];
  const Point2D t = ToLevelFrame(fixed, at);
  points[2] = FromLevelFrame(fixed, Point2D(t.x, fixed.y));
  points[0] = FromLevelFrame(fixed, Point2D(fixed.x, t.y));
  EndCornerMove();
}

void RectangleShape::OnMouseMove(UINT flags, CPoint at) {
  if (EndLostDrag(flags, at)) return;
  const Point2D m = MouseToImage(at);
  if (!leftDown) {
    if (rightDown && grabCorner) ScaleStep(m);
  } else if (grabCorner) {
    if (m != points[1] && (overCorner || !CornerNeedsHover())) DragCorner1(m);
  } else if (grabRotation) {
    if (m != points[11]) RotateStep(m);
  } else if (grabCentre) {
    if (m != points[4]) MoveStep(m);
  } else {
    DragControl(m);
  }
  UpdateHovers(m);
}

}  // namespace shapes::detail
