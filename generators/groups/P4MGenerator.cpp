#include "generators/groups/P4MGenerator.h"

#include "generators/detail/SeamFeathering.h"
#include "generators/groups/PMMGenerator.h"

namespace corvel {

Point2D P4MGenerator::Fold(Point2D uv) {
  uv = PMMGenerator::Fold(uv);
  if (uv.y >= uv.x) uv = {uv.y, uv.x};
  return uv;
}

void P4MGenerator::AddFoldSteps(detail::FoldProgram& program) {
  PMMGenerator::AddFoldSteps(program);
  program.AddByLine(Line2D({0, 0}, {1, 1}), true, detail::kSwap);
}

Point2D P4MGenerator::MapPoint(const Point2D& p) const { return FoldInPlane(p, Fold); }

bool P4MGenerator::DescribeFold(detail::FoldProgram& program) const {
  AddFoldSteps(program);
  program.reachU = program.reachV = 0.5;
  return true;
}

int P4MGenerator::Generate(CProgressMeter* meter) {
  return RunPlainWorker(*this, meter, [this](int x, int y) { return Fold(CellPosition(*this, x, y)); });
}

}  // namespace corvel
