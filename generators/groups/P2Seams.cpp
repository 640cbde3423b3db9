#include "generators/groups/P2Seams.h"

#include <cmath>
#include <initializer_list>

#include "generators/groups/GroupRoads.h"
#include "generators/groups/P2Triangle.h"

namespace corvel {

P2Seams::P2Seams(const TileGenerator& g)
    : FeatherSeams(g),
      seamScaleU(1 / (1 - 2 * fu)),
      seamScaleV(1 / (1 - 2 * fv)),
      k2(g.seamK2),
      unbent(k0 == 0 && k1 == 0 && k2 == 0),
      diagonalBend(6 * k0 * (1 - 2 * fv)),
      leftBend(6 * k1 * (1 - 2 * fu)),
      bottomBend(6 * k2 * (1 - 2 * fv)),
      bentBandsBlend(fv != 0 && !unbent && kGroupRoads[keTilingP2].bandsInLanes.Holds(k0, k1, k2)),
      z00(source(0, 0)),
      zCentre(source(0.5, 0.5)),
      zLeft(source(0, 0.5)),
      zBottom(source(0.5, 0)),
      z10(source(1, 0)),
      z01(source(0, 1)) {}

void DescribeP2Fold(const P2Seams& s, detail::FoldProgram& program) {
  P2Triangle::AddStep(program);
  program.sourceShift = {s.hu, s.hv};
  program.bandU = {true, -s.hu, s.hu, 1};
  program.bandV = program.bandSum = {true, -s.hv, s.hv, 1};
  if (s.fv == 0) P2Triangle::AddFirstHalfSteps(program);
  // The cell's corners are centres of half turns.
  program.rowsImage.any = true;
}

namespace {

// SeamCurve's S of k: 6 k (1 - 2 t) min(t, 1 - t), t along the seam as the plan takes it.
detail::SideBend AlongU(const P2Seams& s, double amount) {
  return detail::SideBend{amount, s.seamScaleU, 0, -s.fu * s.seamScaleU, true, detail::SideBend::kS};
}
detail::SideBend AlongV(const P2Seams& s, double amount) {
  return detail::SideBend{amount, 0, s.seamScaleV, -s.fv * s.seamScaleV, true, detail::SideBend::kS};
}

}  // namespace

void DescribeP2BentFold(const P2Seams& s, detail::FoldProgram& program) {
  P2Triangle::AddStep(program);
  program.sourceShift = {s.hu, s.hv};
  // The cell's corners are centres of half turns, of the S-shaped seams too.
  program.rowsImage.any = true;
  constexpr double kTolerance = 1e-6;  // CompareLattice's
  const double diagonal = s.diagonalBend, bottom = s.bottomBend, left = s.leftBend;
  const detail::LatticeAffine same{1, 0, 0, 0, 1, 0};
  if (diagonal != 0)
    program.AddBentMarked({1, 1, kTolerance - 1}, true, AlongV(s, diagonal),
                          detail::LatticeAffine{-1, 0, 1, 0, -1, 1}, -s.hv, s.hv);
  // Feathered, the plan tests a position it turns across the bottom or the left seam against the
  // diagonal's band, and one it turns across the left seam against the bottom's, by the offsets
  // of the position before the turns: before each turn, a step marks the positions it would take
  // into those bands (near the corners (0, 0) and (0, 1), where u + v less the diagonal's offset
  // is below hv, or v plus the bottom's above 1 - hv). Bent within its roads' bandsInLanes, no
  // turn takes a position there.
  constexpr double kBeyondAnySum = 1e6;
  const bool marksTurnedIntoBands = s.fv != 0 && !s.bentBandsBlend;
  if (marksTurnedIntoBands && diagonal != 0)
    program.AddBentMarked({1, 1, 0}, false, AlongV(s, -diagonal), same, -kBeyondAnySum, s.hv);
  if (bottom != 0)
    program.AddBentMarked({0, 1, kTolerance}, false, AlongU(s, -bottom),
                          detail::LatticeAffine{-1, 0, 1, 0, -1, 0}, -s.hv, s.hv);
  if (marksTurnedIntoBands && bottom != 0)
    program.AddBentMarked({0, 1, -1}, true, AlongU(s, bottom), same, -s.hv, kBeyondAnySum);
  if (left != 0)
    program.AddBentMarked({1, 0, kTolerance}, false, AlongV(s, -left),
                          detail::LatticeAffine{-1, 0, 0, 0, -1, 1}, -s.hu, s.hu);
  // A seam left straight takes no position across it: its band about its whole lines is marked,
  // which the half turns across the others keep in place (unfeathered, the pixels right on it,
  // which the wrap may take to either side). A pixel right on the bent diagonal's straight line
  // is folded onto either of its two points, whose bumps differ in sign: marked.
  program.bandU = {left == 0, -s.hu, s.hu, 1};
  program.bandV = {bottom == 0, -s.hv, s.hv, 1};
  program.bandSum = diagonal == 0 ? detail::FoldProgram::Band{true, -s.hv, s.hv, 1}
                                  : detail::FoldProgram::Band{true, 0, 0, 1};
  program.slackPixels = 0;
  // The turns take positions beyond the cell by as much as the bends reach, one after another.
  const double beyond = 0.75 * (std::abs(s.k0) + std::abs(s.k1) + std::abs(s.k2));
  program.reachFromU = program.reachFromV = -beyond;
  program.reachU = program.reachV = 1 + beyond;
}

namespace {

using detail::BlendCopy;
using detail::HalfPlane;
using detail::LatticeAffine;
using detail::UAbove;
using detail::UBelow;
using detail::VAbove;
using detail::VBelow;

// The source point half turned about centre, as a map of the position.
LatticeAffine HalfTurned(const P2Seams& s, const Point2D& centre) {
  return detail::AffineOf([&](double u, double v) { return s.source(u, v).HalfTurn(centre); });
}

// The own sample, its half turns about e1 and e2, and the three half turned about the corner
// first, weighted as the plan weighs six copies at a corner: by the pixel's barycentric weights in
// the triangle p0, p1, p2.
void AddSixCopies(const P2Seams& s, std::initializer_list<HalfPlane> sides, const Point2D& corner,
                  const Point2D& e1, const Point2D& e2, const Point2D& p0, const Point2D& p1,
                  const Point2D& p2, detail::SeamBlends& blends) {
  auto turned = [&](const Point2D& first, const Point2D* second) {
    return detail::AffineOf([&](double u, double v) {
      const Point2D once = s.source(u, v).HalfTurn(first);
      return second ? once.HalfTurn(*second) : once;
    });
  };
  const detail::LatticeLinear beyond = detail::BarycentricWeight(p0, p1, p2, 1.0 / 6, 0, 0);
  blends.AddCopies(
      sides,
      {BlendCopy::Own(detail::BarycentricWeight(p0, p1, p2, 1.0 / 6, 0.5, 0.5)),
       BlendCopy::Mapped(turned(e1, nullptr), detail::BarycentricWeight(p0, p1, p2, 1.0 / 6, 0.5, 0)),
       BlendCopy::Mapped(turned(e2, nullptr), detail::BarycentricWeight(p0, p1, p2, 1.0 / 6, 0, 0.5)),
       BlendCopy::Mapped(turned(corner, nullptr), beyond), BlendCopy::Mapped(turned(corner, &e1), beyond),
       BlendCopy::Mapped(turned(corner, &e2), beyond)});
  if (s.unbent) blends.AddInDoubles(sides);
}

// Where two bands meet: the own sample and its half turns about c1 and c2, weighted by w1 and w2 as
// the plan weighs three copies. Bent, as copies the lanes pass by, which a region over all the
// others sends to doubles: the lanes then test the sides of the own sample's and the bands'
// regions alone, few enough to look a pixel's region up.
void AddThreeCopies(const P2Seams& s, std::initializer_list<HalfPlane> sides, const Point2D& c1,
                    const detail::LatticeLinear& w1, const Point2D& c2, const detail::LatticeLinear& w2,
                    detail::SeamBlends& blends) {
  if (s.unbent) return blends.AddThreeCopies(sides, HalfTurned(s, c1), w1, HalfTurned(s, c2), w2);
  const detail::LatticeLinear own{-w1.wu - w2.wu, -w1.wv - w2.wv, 1 - w1.w1 - w2.w1};
  blends.AddCopies(sides, {BlendCopy::Mapped(HalfTurned(s, c1), w1), BlendCopy::Mapped(HalfTurned(s, c2), w2),
                           BlendCopy::Own(own)});
}

}  // namespace

void DescribeP2Blends(const P2Seams& s, detail::SeamBlends& blends) {
  const double f1 = s.fu, f2 = s.fv, hu = s.hu, hv = s.hv;
  const HalfPlane belowDiagonal{1, 1, hv - 1}, aboveDiagonal{-1, -1, 1 - hv};  // v against 1 - hv - u
  blends.plansAsRegions = true;
  // Bent, the left edge lies at u = d1, the bottom at v = d2 and the diagonal at u + v = 1 - d0,
  // each offset a bump of the position, d0 and d1 nought where v < fv or v > 1 - fv: the sides
  // where bands meet lie straight, but the left edge's by the diagonal's band.
  detail::BlendBends d0, d1, d2;
  if (!s.unbent) {
    blends.bends[0] = AlongV(s, s.diagonalBend);
    blends.bends[1] = AlongV(s, s.leftBend);
    blends.bends[2] = AlongU(s, s.bottomBend);
    blends.bendCount = 3;
    d0.times[0] = d1.times[1] = d2.times[2] = 1;
  }
  blends.AddOwn({UAbove(hu), VAbove(hv), belowDiagonal});
  blends.BendSide(0, d1);
  blends.BendSide(1, d2);
  blends.BendSide(2, d0);
  blends.AddBlend({UBelow(hu), VAbove(hv), belowDiagonal}, HalfTurned(s, s.zLeft), {1 / f1, 0, 0.5});
  blends.BendSide(0, -d1);
  blends.BendWeights(d1 * (-1 / f1));
  blends.AddBlend({UAbove(hu), VBelow(hv), belowDiagonal}, HalfTurned(s, s.zBottom), {0, 1 / f2, 0.5});
  blends.BendSide(0, d1);
  blends.BendSide(1, -d2);
  blends.BendSide(2, d0);
  blends.BendWeights(d2 * (-1 / f2));
  blends.AddBlend({UAbove(hu), VAbove(hv), aboveDiagonal}, HalfTurned(s, s.zCentre),
                  {-1 / f2, -1 / f2, 1 / f2 + 0.5});
  blends.BendSide(0, d1);
  blends.BendSide(2, -d0);
  blends.BendWeights(d0 * (-1 / f2));
  const detail::LatticeLinear acrossLeft{-1 / f1, 0, 0.5}, acrossBottom{0, -1 / f2, 0.5},
      acrossDiagonal{1 / f2, 1 / f2, 0.5 - 1 / f2};
  AddThreeCopies(s, {UBelow(hu), VBelow(hv), HalfPlane{-1, -1, hv}}, s.zLeft, acrossLeft, s.zBottom,
                 acrossBottom, blends);
  AddThreeCopies(s, {UBelow(hu), VAbove(hv), aboveDiagonal, VBelow(1 - hv)}, s.zLeft, acrossLeft, s.zCentre,
                 acrossDiagonal, blends);
  blends.BendSide(0, -d1);
  AddThreeCopies(s, {UAbove(hu), VBelow(hv), aboveDiagonal, UBelow(1 - hu)}, s.zBottom, acrossBottom,
                 s.zCentre, acrossDiagonal, blends);
  if (f1 == f2) {
    AddSixCopies(s, {UBelow(hu), VBelow(hv), HalfPlane{1, 1, -hv}}, s.z00, s.zLeft, s.zBottom, {0, 0},
                 {0, hu}, {hu, 0}, blends);
    AddSixCopies(s, {UBelow(hu), VAbove(1 - hv)}, s.z01, s.zLeft, s.zCentre, {0, 1}, {0, 1 - hu},
                 {hu, 1 - hu}, blends);
    AddSixCopies(s, {VBelow(hv), aboveDiagonal, UAbove(1 - hu)}, s.z10, s.zBottom, s.zCentre, {1, 0},
                 {1 - hu, 0}, {1 - hu, hu}, blends);
  }
  if (!s.unbent) blends.AddInDoubles({});
}

}  // namespace corvel
