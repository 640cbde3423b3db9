// What every group's overlay draws: its outline with the outside shaded, stroked with the hatch
// pen, and its handles; and the switch of a shape's points into client coordinates meanwhile.
#pragma once
#include <optional>
#include <vector>

#include "shapes/TargetShape.h"
#include "shapes/detail/OverlayGdiplus.h"

namespace shapes::detail {

// A straight side, or a cubic whose two inner points are both `bend`.
struct Side {
  Point2D from, to;
  std::optional<Point2D> bend;
};

// A cubic through `at` at its middle, from `from` to `to`.
Side CurveThrough(Point2D from, Point2D at, Point2D to);

class ShapeOverlay {
 public:
  ShapeOverlay(CDC* dc, int handleSize);
  ~ShapeOverlay();
  ShapeOverlay(const ShapeOverlay&) = delete;
  ShapeOverlay& operator=(const ShapeOverlay&) = delete;

  // Makes the sides the outline and darkens everything outside it.
  void ShadeOutside(const std::vector<Side>& sides);
  void Stroke(const std::vector<Side>& sides);
  void Square(Point2D at);
  void Circle(Point2D at);
  void Line(Point2D from, Point2D to);

 private:
  int handleSize;
  Graphics graphics;
  Brush hatch;
  Pen pen;
  // Made after the smoothing is set, the order in which every overlay calls.
  std::optional<Path> path;
  std::optional<Region> outside;
  std::optional<Brush> shade;
};

// While it lives, the shape's points and edges are in its view's client coordinates, with the
// spline handles placed there; they go back to the image's afterwards.
class ClientFrame {
 public:
  ClientFrame(TargetShape& shape, Point2D& edgeA, Point2D& edgeB);
  ~ClientFrame();
  ClientFrame(const ClientFrame&) = delete;
  ClientFrame& operator=(const ClientFrame&) = delete;

 private:
  TargetShape& shape;
  Point2D &edgeA, &edgeB;
  Point2D keptPoints[kShapePointCount];
  Point2D keptA, keptB;
};

}  // namespace shapes::detail
