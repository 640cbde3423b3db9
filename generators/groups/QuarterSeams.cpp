#include "generators/groups/QuarterSeams.h"

#include "generators/groups/QuarterTurn.h"

namespace corvel {

QuarterSeams::QuarterSeams(const TileGenerator& g)
    : fu(g.feather1),
      fv(g.feather2),
      hu(fu / 2),
      hv(fv / 2),
      k0(g.seamK0),
      k1(g.seamK1),
      source(g, hu, hv),
      corner(source(0, 0)),
      centre(source(0.5, 0.5)),
      twoFoldV(source(0, 0.5)),
      twoFoldU(source(0.5, 0)),
      quarter{0.5, 0.5, fu, fv} {}

void DescribeQuarterFold(const QuarterSeams& s, bool mirrored, detail::FoldProgram& program) {
  QuarterTurn::AddSteps(program);
  if (mirrored) QuarterTurn::AddMirrorStep(program);
  DescribeRectangleBands(s.quarter, program);
  if (s.fv == 0) QuarterTurn::AddSeamSides(program, !mirrored);
}

void DescribeQuarterBlends(const QuarterSeams& s, detail::SeamBlends& blends) {
  // Turned by a quarter (A or B) or, neither, by half.
  auto turned = [&s](bool a, const Point2D& centre, bool half = false) {
    return detail::AffineOf([&](double u, double v) {
      const Point2D own = s.source(u, v);
      return half ? own.HalfTurn(centre) : a ? own.QuarterTurnA(centre) : own.QuarterTurnB(centre);
    });
  };
  // The plan folds a pixel right on a quarter's edge onto one neighbour, the lanes maybe onto
  // the other, and the two blends differ there once the cell is not square.
  blends.AddFoldLines(2, 0);
  blends.AddFoldLines(0, 2);
  // Across the edges at the corner the turns about it, at the centre the turns about that; across
  // both the half turn about the corner they meet at.
  const RectangleCopies copies{turned(true, s.corner),         turned(true, s.centre),
                               turned(false, s.corner),        turned(false, s.centre),
                               turned(true, s.corner, true),   turned(true, s.twoFoldV, true),
                               turned(true, s.twoFoldU, true), turned(true, s.centre, true)};
  DescribeRectangleBlends(s.quarter, copies, blends, true);
}

}  // namespace corvel
