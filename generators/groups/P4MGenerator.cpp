#include "generators/groups/P4MGenerator.h"

#include "generators/detail/SeamFeathering.h"

namespace corvel {

Point2D P4MGenerator::Fold(Point2D uv) {
  if (uv.y >= 0.5) uv.y = 1 - uv.y;
  if (uv.x >= 0.5) uv.x = 1 - uv.x;
  if (uv.y >= uv.x) uv = {uv.y, uv.x};
  return uv;
}

void P4MGenerator::AddFoldSteps(detail::FoldProgram& program) {
  program.AddByLine(Line2D({0, 0.5}, {1, 0.5}), true, detail::kMirrorV);
  program.AddByU(0.5, true, detail::kMirrorU);
  program.AddByLine(Line2D({0, 0}, {1, 1}), true, detail::kSwap);
}

Point2D P4MGenerator::MapPoint(const Point2D& p) const {
  const Point2D uv = Fold(PlaneToLattice(p.x, p.y));
  return LatticeToPlane(uv.x, uv.y);
}

bool P4MGenerator::DescribeFold(detail::FoldProgram& program) const {
  AddFoldSteps(program);
  program.reachU = program.reachV = 0.5;
  return true;
}

int P4MGenerator::Generate(CProgressMeter* meter) {
  return RunPlainWorker(*this, meter, [this](int x, int y) { return Fold(CellPosition(*this, x, y)); });
}

}  // namespace corvel
