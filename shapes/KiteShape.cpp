#include "shapes/KiteShape.h"

namespace shapes {

Point2D KiteShape::ComputeCentre() { return CentreOfFourCorners(); }

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
