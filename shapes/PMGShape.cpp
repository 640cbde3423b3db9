#include "shapes/PMGShape.h"

#include "shapes/detail/ShapeOverlay.h"

namespace shapes {

void PMGShape::PlaceSplineHandles() {
  const Point2D acrossLeft = edgeA * splines[1] + edgeB * 0.5;
  points[5] = points[0] + edgeA * 0.25 + edgeB * splines[0];
  points[7] = points[0] + acrossLeft;
  points[6] = points[0] + edgeA * 0.75 - edgeB * splines[0];
  points[8] = points[1] + acrossLeft;
  points[10] = points[9] = points[5];
}

std::vector<detail::Side> PMGShape::Outline() const {
  const Point2D* p = points;
  const Point2D middle = p[0] + edgeA * 0.5;
  return {detail::CurveThrough(p[0], p[5], middle), detail::CurveThrough(middle, p[6], p[1]),
          detail::CurveThrough(p[1], p[8], p[2]), detail::Side{p[2], p[3], {}},
          detail::CurveThrough(p[3], p[7], p[0])};
}

}  // namespace shapes
