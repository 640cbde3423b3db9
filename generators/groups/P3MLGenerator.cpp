#include "generators/groups/P3MLGenerator.h"

#include <algorithm>
#include <cstdint>

#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileWorker.h"
#include "generators/groups/P3Rhombus.h"

namespace corvel {

void P3MLGenerator::SetAnchor() { mirror_ = Line2D(Point2D(basisB), Point2D(basisA)); }

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

Point2D P3MLGenerator::Fold(const P3Rhombus& rhombus, const Point2D& p) const {
  const Point2D q = rhombus.Fold(p);
  return CompareWithTolerance(q.y, mirror_.YAt(q.x)) != -1 ? q.Reflect(mirror_) : q;
}

// P3's turns, then the mirror. A pixel right on a line where the turns meet stays where it is,
// as in the plan; one near a line or the cell's edge, which only doubles tell apart from one on
// it, is planned, and so is one right on the cell's edge that the fast positions wrap to the
// other copy than the plan's (a level or two off, as the lattice is a little off the hexagon).
bool P3MLGenerator::DescribeFold(detail::FoldProgram& program) const {
  P3Rhombus(*this).AddTurnSteps(program, detail::kOnSeam);
  program.AddBySide(detail::InLatticeSide(*this, [this](const Point2D& q) { return mirror_.YAt(q.x) - q.y; }),
                    detail::InLattice(*this, [this](const Point2D& q) { return q.Reflect(mirror_); }));
  const detail::FoldProgram::Band onLine{true, 0, 0, 1};
  program.bandU = program.bandV = program.bandSum = onLine;
  program.skewBands[0] = {2, -1, onLine, 0, 0, {}};
  program.skewBands[1] = {1, -2, onLine, 0, 0, {}};
  program.LeaveSeamsToSteps();
  program.planCellEdges = true;
  return true;
}

int P3MLGenerator::Generate(CProgressMeter* meter) {
  const P3Rhombus rhombus(*this);
  return RunPlainWorker(*this, meter, [this, &rhombus](int x, int y) {
    const Point2D q = Fold(rhombus, WrapToCell(x, y));
    return PlaneToLattice(q.x, q.y);
  });
}

}  // namespace corvel
