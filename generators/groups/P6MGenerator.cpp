#include "generators/groups/P6MGenerator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileWorker.h"

namespace corvel {

P6MGenerator::P6MGenerator()
    : shortDiagonal_({0, 1}, {1, 0}),
      diagonal_({0, 0}, {1, 1}),
      steep_({0, 0}, {0.5, 1}),
      flat_({0, 0.5}, {1, 1}) {}

void P6MGenerator::SetAnchor() {
  anchor_ = LatticeToPlane(0.5, 0.5);
  const Point2D zero = LatticeToPlane(0, 0), corner = LatticeToPlane(1, 1);
  diagonalMirror_ = Line2D(zero, corner);
  steepMirror_ = Line2D(zero, LatticeToPlane(0.5, 1));
  flatMirror_ = Line2D(LatticeToPlane(0, 0.5), corner);
}

Point2D P6MGenerator::MapPoint(const Point2D& p) const {
  Point2D q = p;
  Point2D uv = PlaneToLattice(q.x, q.y);
  auto below = [&uv](const Line2D& line) { return CompareWithTolerance(uv.y, line.YAt(uv.x)) == -1; };
  auto move = [&](const Point2D& moved) {
    q = moved;
    uv = PlaneToLattice(q.x, q.y);
  };
  if (!below(shortDiagonal_)) move(q.HalfTurn(anchor_));
  if (below(diagonal_)) move(q.Reflect(diagonalMirror_));
  if (below(steep_)) move(q.Reflect(steepMirror_));
  if (below(flat_)) move(q.Reflect(flatMirror_));
  return q;
}

bool P6MGenerator::DescribeFold(detail::FoldProgram& program) const {
  program.AddByLine(shortDiagonal_, true,
                    detail::InLattice(*this, [this](const Point2D& q) { return q.HalfTurn(anchor_); }));
  program.AddByLine(diagonal_, false, detail::InLattice(*this, [this](const Point2D& q) {
                      return q.Reflect(diagonalMirror_);
                    }));
  program.AddByLine(steep_, false,
                    detail::InLattice(*this, [this](const Point2D& q) { return q.Reflect(steepMirror_); }));
  program.AddByLine(flat_, false,
                    detail::InLattice(*this, [this](const Point2D& q) { return q.Reflect(flatMirror_); }));
  // On a lattice off the hexagon the copies on the two sides of a cell's edge differ: the pixels
  // right on one that the fast positions wrap to the other side than the plan are planned. Only
  // unscaled, where the edges meet whole pixels: a program with bands renders only so.
  if (render.tilePercent == 100) {
    const detail::FoldProgram::Band onEdge{true, 0, 0, 1};
    program.bandU = program.bandV = onEdge;
    program.LeaveSeamsToSteps();
    program.planCellEdges = true;
  }
  return true;
}

int P6MGenerator::Generate(CProgressMeter* meter) {
  return RunPlainWorker(*this, meter, [this](int x, int y) {
    const Point2D q = MapPoint(WrapToCell(x, y));
    return PlaneToLattice(q.x, q.y);
  });
}

void P6MGenerator::ComputeOrigin() {
  if (basisA.x < 0)
    origin.Set(-basisA.x, -basisB.y);
  else
    origin.Set(0, -basisA.y);
}

}  // namespace corvel
