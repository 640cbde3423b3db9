#include "generators/groups/PMMGenerator.h"

#include "generators/detail/SeamFeathering.h"

namespace corvel {

Point2D PMMGenerator::MapPoint(const Point2D& p) const { return FoldInPlane(p, Fold); }

bool PMMGenerator::DescribeFold(detail::FoldProgram& program) const {
  AddFoldSteps(program);
  program.reachU = program.reachV = 0.5;
  return true;
}

int PMMGenerator::Generate(CProgressMeter* meter) {
  return RunPlainWorker(*this, meter, [this](int x, int y) { return Fold(CellPosition(*this, x, y)); });
}

}  // namespace corvel
