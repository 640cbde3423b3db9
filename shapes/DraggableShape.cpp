#include "shapes/DraggableShape.h"

namespace shapes::detail {

bool DraggableShape::EndLostDrag(UINT flags, CPoint at) {
  if (leftDown && !(flags & MK_LBUTTON)) {
    OnLButtonUp(flags, at);
    return true;
  }
  if (rightDown && !(flags & MK_RBUTTON)) {
    OnRButtonUp(flags, at);
    return true;
  }
  return false;
}

void DraggableShape::ScaleStep(Point2D at) {
  SaveState();
  ScaleTowards(at);
  ComputeEdgesFromPoints();
  ApplyRotatedFrame();
  PlaceSplineHandles();
  EndMove();
}

Point2D DraggableShape::ToLevelFrame(Point2D pivot, Point2D p) const {
  if (angle != 0) corvel::RotatePointDegrees(-angle, pivot.x, pivot.y, p);
  return p;
}

Point2D DraggableShape::FromLevelFrame(Point2D pivot, Point2D p) const {
  if (angle != 0) corvel::RotatePointDegrees(angle, pivot.x, pivot.y, p);
  return p;
}

void DraggableShape::PressToScale(int corner, CPoint at) {
  rightDown = true;
  if (HitTest(points[corner], MouseToImage(at))) {
    grabCorner = true;
    RememberCornerOffsets();
    BeginScale(points[corner]);
  }
}

void DraggableShape::ReleaseScale() {
  rightDown = false;
  Release({&grabCorner});
}

void DraggableShape::RotateStep(Point2D at) {
  SaveState();
  RotateTowards(at);
  EndMove();
}

void DraggableShape::MoveStep(Point2D at) {
  SaveState();
  const Point2D d = at - points[4];
  for (int i : {0, 1, 3, 2, 12, 13, 15, 14}) points[i] += d;
  ComputeCentre();
  ComputeEdgesFromPoints();
  PlaceRotationHandle();
  PlaceSplineHandles();
  EndMove();
}

void DraggableShape::SplineStep(int index, double value) {
  SaveState();
  splines[index] = HeldSpline(value);
  PlaceSplineHandles();
  EndMove();
}

void DraggableShape::Release(std::initializer_list<bool*> grabs) {
  for (bool* grab : grabs) {
    if (*grab) {
      *grab = false;
      WriteParameters(true);
    }
  }
}

void DraggableShape::UpdateHover(std::initializer_list<Hover> hovers) {
  for (const Hover& hover : hovers) {
    bool othersSet = true;
    for (const Hover& other : hovers)
      if (other.flag != hover.flag) othersSet = othersSet && *other.flag;
    if (hover.on && !othersSet)
      *hover.flag = true;
    else if (!(hover.keptWhileDown && leftDown))
      *hover.flag = false;
  }
}

}  // namespace shapes::detail
