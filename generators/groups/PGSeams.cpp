#include "generators/groups/PGSeams.h"

#include "generators/groups/PGGenerator.h"

namespace corvel {

PGSeams::PGSeams(const TileGenerator& g)
    : fu(g.feather1),
      fv(g.feather2),
      hu(fu / 2),
      hv(fv / 2),
      k0(g.seamK0),
      k1(g.seamK1),
      source(g, hu, hv),
      half{0.5, 1, fu, fv} {}

void DescribePGFold(const PGSeams& s, detail::FoldProgram& program) {
  PGGenerator::AddFoldStep(program);
  DescribeRectangleBands(s.half, program);
  if (s.fv == 0) PGGenerator::AddGlideStartSteps(program);
}

void DescribePGBlends(const PGSeams& s, detail::SeamBlends& blends) {
  auto at = [&](auto&& place) {
    return detail::AffineOf([&](double u, double v) { return s.source(place(u, v)); });
  };
  // Across u the glide image, across v the translate along B, across both the glide image of the
  // translate.
  const RectangleCopies copies{at([](double u, double v) { return Point2D(u + 0.5, 1 - v); }),
                               at([](double u, double v) { return Point2D(u - 0.5, 1 - v); }),
                               at([](double u, double v) { return Point2D(u, v + 1); }),
                               at([](double u, double v) { return Point2D(u, v - 1); }),
                               at([](double u, double v) { return Point2D(u + 0.5, -v); }),
                               at([](double u, double v) { return Point2D(u + 0.5, 2 - v); }),
                               at([](double u, double v) { return Point2D(u - 0.5, -v); }),
                               at([](double u, double v) { return Point2D(u - 0.5, 2 - v); })};
  DescribeRectangleBlends(s.half, copies, blends);
}

}  // namespace corvel
