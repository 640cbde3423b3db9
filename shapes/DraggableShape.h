// The drag steps the group shapes share: the lost button-up, the scale, turn and move steps, a
// spline handle's step and the hover flags.
#pragma once
#include <initializer_list>

#include "shapes/TargetShape.h"

namespace shapes::detail {

class DraggableShape : public TargetShape {
 public:
  using TargetShape::TargetShape;

 protected:
  // A button released outside the view shows as a move without it: the drag ends as its
  // release would. True when it did.
  bool EndLostDrag(UINT flags, CPoint at);
  void ScaleStep(Point2D at);
  void RotateStep(Point2D at);
  void MoveStep(Point2D at);
  void SplineStep(int index, double value);
  // Clears each grab flag that is set and writes the parameters once for each.
  void Release(std::initializer_list<bool*> grabs);
  // The frame turned back by the shape's angle about `pivot`, in which its sides are level, and
  // out of it again; at angle 0 points stay exactly where they are.
  Point2D ToLevelFrame(Point2D pivot, Point2D p) const;
  Point2D FromLevelFrame(Point2D pivot, Point2D p) const;
  // The right button scales the shape from `corner` while it is held down on it.
  void PressToScale(int corner, CPoint at);
  void ReleaseScale();

  struct Hover {
    bool* flag;
    bool on;
    bool keptWhileDown;
  };
  // In order: a flag is set on its handle unless all the others are set as they stand;
  // otherwise cleared, except that some keep their state while the left button is down.
  void UpdateHover(std::initializer_list<Hover> hovers);
};

}  // namespace shapes::detail
