#include "generators/groups/P6MGenerator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileWorker.h"
#include "generators/groups/P6MTriangle.h"

namespace corvel {

Point2D P6MGenerator::MapPoint(const Point2D& p) const { return P6MTriangle(*this).Fold(p); }

bool P6MGenerator::DescribeFold(detail::FoldProgram& program) const {
  P6MTriangle(*this).AddSteps(program);
  // On a lattice off the hexagon the copies on the two sides of a cell's edge differ: the pixels
  // right on one that the fast positions wrap to the other side than the plan are planned. Only
  // unscaled, where the edges meet whole pixels: a program with bands renders only so.
  if (render.tilePercent == 100) {
    const detail::FoldProgram::Band onEdge{true, 0, 0, 1};
    program.bandU = program.bandV = onEdge;
    program.LeaveSeamsToSteps();
    program.planCellEdges = true;
    // Of a copied row's pixels on an edge, most lie where the plan takes them as their copies.
    program.copiesKeepCellEdges = true;
  }
  return true;
}

int P6MGenerator::Generate(CProgressMeter* meter) {
  const P6MTriangle triangle(*this);
  // The few pixels planned per row are planned four at a time in lanes, to the same positions.
  detail::P6MPlanLanes lanes;
  detail::TileWorkerRows::PlanPositions planPositions;
  if (detail::HasLaneLattice(*this) && render.cpu.avx2) {
    lanes = triangle.Lanes();
    planPositions = [&lanes](int x0, int y, const int* xs, const int* ys, int count,
                             std::int32_t* positions) {
      detail::PlanP6MAvx2(lanes, x0, y, xs, ys, count, positions);
    };
  }
  return RunPlainWorker(
      *this, meter, [&triangle](int x, int y) { return triangle.PixelOnTriangle(x, y); }, planPositions);
}

void P6MGenerator::ComputeOrigin() {
  if (basisA.x < 0)
    origin.Set(-basisA.x, -basisB.y);
  else
    origin.Set(0, -basisA.y);
}

}  // namespace corvel
