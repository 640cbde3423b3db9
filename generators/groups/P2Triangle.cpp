#include "generators/groups/P2Triangle.h"

#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"

namespace corvel {

void P2Triangle::AddStep(detail::FoldProgram& program) {
  program.AddByLine(Line2D({0, 1}, {1, 0}), true, detail::LatticeAffine{-1, 0, 1, 0, -1, 1});
}

Point2D P2Triangle::OntoFirstHalves(const Point2D& uv) {
  Point2D onto = OntoHalfFrom(uv, {0, 0}, {1, 0});
  onto = OntoHalfFrom(onto, {0, 0}, {0, 1});
  return OntoHalfFrom(onto, {0, 1}, {1, 0});
}

void P2Triangle::AddFirstHalfSteps(detail::FoldProgram& program) {
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  const double on = detail::kOnSeam;
  program.AddInCorner(VBelow(on), false, UAbove(0.5), detail::LatticeAffine{-1, 0, 1, 0, -1, 0}, false);
  program.AddInCorner(UBelow(on), false, VAbove(0.5), detail::LatticeAffine{-1, 0, 0, 0, -1, 1}, false);
  program.AddInCorner(detail::HalfPlane{-1, -1, 1 - on}, false, UAbove(0.5),
                      detail::LatticeAffine{-1, 0, 1, 0, -1, 1}, false);
  program.LeaveSeamsToSteps();
}

}  // namespace corvel
