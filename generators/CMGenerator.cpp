#include "generators/CMGenerator.h"

namespace corvel {

Point2D CMGenerator::MapPoint(const Point2D& p) const {
  Point2D uv = PlaneToLattice(p.x, p.y);
  if (uv.y >= uv.x) uv = uv.Reflect(diagonal_);
  return LatticeToPlane(uv.x, uv.y);
}

}  // namespace corvel
