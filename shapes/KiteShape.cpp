#include "shapes/KiteShape.h"

namespace shapes {

Point2D KiteShape::ComputeCentre() {
  points[4] = Point2D((points[12].x + points[13].x + points[14].x + points[15].x) / 4.0,
                      (points[12].y + points[13].y + points[14].y + points[15].y) / 4.0);
  return points[4];
}

void KiteShape::BeginResize() { dragLine = std::make_unique<corvel::Line2D>(points[1], points[0]); }

bool KiteShape::Resize(Point2D at) {
  const Point2D q = dragLine->Project(at);
  points[1] = q;
  points[3] = points[0] + (q - points[0]).Rotated(kMinus60, 0, 0);
  ComputeEdgesFromPoints();
  points[2] = Along(points[0], kTwoThirds, kTwoThirds);
  return true;
}

}  // namespace shapes
