#include "generators/groups/QuarterSeams.h"

#include <cmath>

#include "generators/groups/QuarterTurn.h"

namespace corvel {

QuarterSeams::QuarterSeams(const TileGenerator& g)
    : FeatherSeams(g),
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
  // The corner is a centre of quarter turns.
  program.rowsImage.any = true;
}

namespace {

detail::SideBend Negated(detail::SideBend bend) {
  bend.amount = -bend.amount;
  return bend;
}

}  // namespace

void DescribeQuarterBentSeams(const QuarterSeams& s, bool mirrored, const detail::SideBend& corner,
                              const detail::SideBend& centre, detail::FoldProgram& program) {
  using detail::LatticeAffine;
  const double h = s.hu > s.hv ? s.hu : s.hv;
  QuarterTurn::AddSteps(program);
  if (mirrored) QuarterTurn::AddMirrorStep(program);
  program.sourceShift = {s.hu, s.hv};
  // The quarter turns about the corner and the centre (B and A as Point2D turns them), and none.
  const LatticeAffine turnB{0, -1, 0, 1, 0, 0}, turnA{0, 1, 0, -1, 0, 0}, centreB{0, -1, 1, 1, 0, 0},
      centreA{0, 1, 0, -1, 0, 1}, same{1, 0, 0, 0, 1, 0};
  const bool cornerUp = corner.amount > 0, centreUp = centre.amount > 0;
  if (cornerUp)
    program.AddBentMarked({0, 1, kGeometryTolerance}, false, Negated(corner), turnB, -h, h);
  else
    program.AddBentMarked({1, 0, kGeometryTolerance}, false, corner, turnA, -h, h);
  if (centreUp)
    program.AddBentMarked({0, 1, -0.5 - kGeometryTolerance}, true, centre, centreB, -h, h);
  else
    program.AddBentMarked({1, 0, -0.5 - kGeometryTolerance}, true, Negated(centre), centreA, -h, h);
  // Beyond the seams, the point belongs to the bands along the edges they are glued to.
  if (s.fv != 0) {
    if (cornerUp)
      program.AddBentMarked({1, 0, 0}, false, corner, same, -1, s.hu);
    else
      program.AddBentMarked({0, 1, 0}, false, Negated(corner), same, -1, s.hv);
    if (centreUp)
      program.AddBentMarked({1, 0, -0.5}, false, Negated(centre), same, -s.hu, 1);
    else
      program.AddBentMarked({0, 1, -0.5}, false, centre, same, -s.hv, 1);
  }
  // At the quarters' corners both bumps vanish and the bent seams meet the quarters' edges: a pixel
  // right on one may lie on either side of either seam, as the fold takes it.
  program.skewBands[0] = {1, 0, {true, 0, 0, 0.5}, 0, 1, {true, 0, 0, 0.5}};
  // The turns take positions as far beyond the quarter as the bends reach, a quarter of each.
  const double beyondCorner = std::abs(corner.amount) / 4, beyondCentre = std::abs(centre.amount) / 4;
  program.reachFromU = program.reachFromV = -beyondCorner;
  program.reachU = program.reachV = 0.5 + beyondCentre;
  // The corner is a centre of quarter turns, of the bent seams too.
  program.rowsImage.any = true;
}

namespace {

// The quarter's blends, its edges bent as given.
void DescribeBlends(const QuarterSeams& s, detail::SeamBlends& blends, const RectangleBends& bends) {
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
  DescribeRectangleBlends(s.quarter, copies, blends, true, bends);
}

}  // namespace

void DescribeQuarterBlends(const QuarterSeams& s, detail::SeamBlends& blends) {
  DescribeBlends(s, blends, {});
}

void DescribeQuarterBentBlends(const QuarterSeams& s, const detail::SideBend& corner,
                               const detail::SideBend& centre, detail::SeamBlends& blends) {
  // The corner's bump moves u up and v down at the edges by the corner, the centre's u down and v
  // up at those by the centre, as the plan tests and ramps them.
  blends.bends[0] = corner;
  blends.bends[1] = centre;
  blends.bendCount = 2;
  DescribeBlends(s, blends, {{{1, 0}}, {{0, -1}}, {{-1, 0}}, {{0, 1}}});
}

}  // namespace corvel
