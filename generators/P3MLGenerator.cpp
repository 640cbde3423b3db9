#include "generators/P3MLGenerator.h"

#include <algorithm>
#include <cstdint>

#include "generators/TileWorker.h"
#include "generators/detail/FoldProgram.h"

namespace corvel {

void P3MLGenerator::SetAnchor() {
  P3Generator::SetAnchor();
  mirror_ = Line2D(Point2D(basisB), Point2D(basisA));
}

CoreResult P3MLGenerator::TakeSourceArea(CRowIteratorBands& source, int anchorX, int anchorY,
                                         double featherPercent, const RECT& area) {
  if (area.left == INT32_MIN || area.top == INT32_MIN) return keErrorBadArgument;
  RECT grown{area.left - 1, area.top - 1, area.right, area.bottom};
  // At the source's own edge the worker's clamp repeats the edge as a copy would: an area inside
  // the source grows no further than the source, so that it is shared rather than copied.
  if (CRowIteratorBands::IsValid(&source) && area.left >= 0 && area.top >= 0 && area.right < source.Width() &&
      area.bottom < source.Height()) {
    grown.left = std::max(grown.left, LONG(0));
    grown.top = std::max(grown.top, LONG(0));
  }
  return TileGenerator::TakeSourceArea(source, anchorX, anchorY, featherPercent, grown);
}

Point2D P3MLGenerator::Fold(const Point2D& p) const {
  const Point2D q = P3Generator::Fold(p);
  return CompareWithTolerance(q.y, mirror_.YAt(q.x)) != -1 ? q.Reflect(mirror_) : q;
}

// P3's four triangles each tested where the position started, then the mirror.
bool P3MLGenerator::DescribeFold(detail::FoldProgram& program) const {
  using detail::Beside;
  const Line2D shortDiagonal({0, 1}, {1, 0}), steep({0, 0}, {0.5, 1}), flat({0, 0}, {1, 0.5}),
      upper({0, 0.5}, {1, 1}), lower({0.5, 0}, {1, 1});
  auto turn = [this](const Point2D& centre, bool plus) {
    return detail::InLattice(
        *this, [&](const Point2D& q) { return plus ? q.RotatePlus120(centre) : q.RotateMinus120(centre); });
  };
  // On the short diagonal a position belongs to the triangles beyond it, as in P3's fold.
  program.AddInCorner(Beside(shortDiagonal), false, Beside(steep, true), turn(anchor1, false));
  program.AddInCorner(Beside(shortDiagonal), false, Beside(flat), turn(anchor2, true));
  program.AddInCorner(Beside(shortDiagonal), true, Beside(upper, true), turn(anchor1, true));
  program.AddInCorner(Beside(shortDiagonal), true, Beside(lower), turn(anchor2, false));
  program.AddBySide(detail::InLatticeSide(*this, [this](const Point2D& q) { return mirror_.YAt(q.x) - q.y; }),
                    detail::InLattice(*this, [this](const Point2D& q) { return q.Reflect(mirror_); }));
  return true;
}

int P3MLGenerator::Generate(CProgressMeter* meter) {
  return RunPlainWorker(*this, meter, [this](int x, int y) {
    const Point2D q = Fold(WrapToCell(x, y));
    return PlaneToLattice(q.x, q.y);
  });
}

}  // namespace corvel
