// The mouse frame, hover rule and overlay shared by the shapes with one resize corner: the
// left button resizes by that corner, moves by the centre, turns by point 11 and bends by the
// spline handles (points 5 and 7); the right button scales about the centre from one corner.
// Each group says which corners, how a resize moves them, how a handle sets its spline and
// what its sides are.
#pragma once
#include "shapes/DraggableShape.h"

namespace shapes {

class FramedShape : public detail::DraggableShape {
 public:
  using DraggableShape::DraggableShape;

  void OnLButtonDown(UINT flags, CPoint at) override;
  void OnLButtonUp(UINT flags, CPoint at) override;
  void OnRButtonDown(UINT flags, CPoint at) override;
  void OnRButtonUp(UINT flags, CPoint at) override;
  void OnMouseMove(UINT flags, CPoint at) override;
  void Draw(CDC* dc) override;

 protected:
  // A side of the outline: straight, or a cubic through from, q, q, to.
  struct Side {
    int from, to;
    bool curved;
    Point2D q;
  };
  static constexpr int kMaxSides = 4;

  virtual int ResizeCorner() const = 0;
  virtual int ScaleCorner() const { return 1; }
  // How many of points 5 and 7 are handles.
  virtual int SplineHandleCount() const = 0;
  // Records at the press what the resize follows (at least the drag line).
  virtual void BeginResize() = 0;
  // Moves the working corners after the pointer; false refuses the move.
  virtual bool Resize(Point2D at) = 0;
  // The spline of handle 0 (point 5) or 1 (point 7) after the pointer.
  virtual void Bend(int handle, Point2D at) = 0;
  // The outline in path order; returns the count.
  virtual int Sides(Side sides[kMaxSides]) = 0;
  // Where a side's end index lies: a control point, unless a group names a point of its own.
  virtual Point2D SideEnd(int index) const { return points[index]; }

  // The triangles with no spline handles: their outline runs straight through corners 3, 0 and 1,
  // and the spare points and the fourth corner rest on corner 0.
  static int StraightTriangle(Side sides[kMaxSides]);
  void RestSparePointsOnCorner0();

  Point2D Along(Point2D from, double a, double b) {
    return from + LatticeToImage(edgeA, edgeB, Point2D(a, b));
  }

 private:
  bool OnSplineHandle(Point2D m);
};

}  // namespace shapes
