#include "generators/groups/HexagonalKite.h"

namespace corvel {

Point2D HexagonalKite::Clamped(const Point2D& folded) const {
  Point2D uv(ClampHalf(folded.x), ClampHalf(folded.y));
  if (uv.y > toK_.YAt(uv.x)) uv.y = toK_.YAt(uv.x);
  if (uv.y > toM_.YAt(uv.x)) uv.y = toM_.YAt(uv.x);
  return uv;
}

Point2D HexagonalKite::Carried(const Point2D& uv) const {
  if (CompareWithTolerance(uv.y, toM_.YAt(uv.x)) == -1) return uv;
  return ToCell(source_(uv).RotateMinus120(threeFold_));
}

Point2D HexagonalKite::ToCell(const Point2D& sourcePoint) const {
  const Point2D st = generator_.detN == 0 ? sourcePoint : generator_.invN.Apply(sourcePoint.x, sourcePoint.y);
  return {st.x - su_, st.y - sv_};
}

Point2D HexagonalKite::TurnedAboutG(const Point2D& uv, bool plus) const {
  const Point2D p = generator_.LatticeToPlane(uv.x, uv.y);
  const Point2D q = plus ? p.RotatePlus120(anchor_) : p.RotateMinus120(anchor_);
  return generator_.PlaneToLattice(q.x, q.y);
}

detail::LatticeAffine HexagonalKite::TurnAboutG(bool plus) const {
  return detail::InLattice(generator_, [this, plus](const Point2D& q) {
    return plus ? q.RotatePlus120(anchor_) : q.RotateMinus120(anchor_);
  });
}

detail::KiteLanes HexagonalKite::Lanes(double near) const {
  return {detail::LaneLatticeOf(generator_),
          detail::LaneLineOf(toK_),
          detail::LaneLineOf(toM_),
          anchor_,
          threeFold_,
          su_,
          sv_,
          near};
}

void KiteGenerator::ComputeOrigin() {
  if (basisA.x < 0)
    origin.Set(-double(basisA.x + basisB.x), -double(basisA.y + basisB.y));
  else
    origin.Set(0, 0);
}

}  // namespace corvel
