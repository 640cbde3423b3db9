#include "shapes/ShapeHandle.h"

#include <cstdlib>

namespace shapes {

bool ShapeHandle::HitTest(Point2D handle, Point2D at) const {
  const double reach = 2.0 * hitTolerance;
  return handle.x - reach <= at.x && at.x <= handle.x + reach && handle.y - reach <= at.y &&
         at.y <= handle.y + reach;
}

bool ShapeHandle::HitTestInt(POINT handle, POINT at) const {
  return std::abs(at.x - handle.x) <= handleSize && std::abs(at.y - handle.y) <= handleSize;
}

void ShapeHandle::Show(CDC* dc) {
  lastBounds = GetBounds();
  Draw(dc);
}

int ShapeHandle::SetHandleSize(int size) {
  handleSize = size;
  baseHandleSize = size;
  return size;
}

}  // namespace shapes
