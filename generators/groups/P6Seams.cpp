#include "generators/groups/P6Seams.h"

#include <algorithm>
#include <cmath>

#include "generators/detail/SeamFeathering.h"
#include "generators/groups/HexagonalBlendRows.h"

namespace corvel {

namespace {

constexpr double kThird = 1.0 / 3;

}  // namespace

P6Seams::P6Seams(const TileGenerator& g, const P6Kite& kite)
    : HexagonalSeams(g),
      h1(kite.Source()(0.5, 0)),
      h2(kite.Source()(0, 0.5)),
      q1(kite.Source()(0, hv)),
      q2(kite.Source()(hu, 0)),
      c(kThird - fu * kSqrt2 / 4, kThird - fv * kSqrt2 / 4),
      centroid(kThird, kThird),
      e1(c, {0.5 - hu, 0}),
      e2(c, {0, 0.5 - hv}),
      k0(g.seamK0),
      k1(g.seamK1),
      unbent(k0 == 0 && k1 == 0),
      hardUnbent(IsZero(fv) && unbent) {
  P6Kite::kMedian1.Intersect(e2, i1);
  j = {i1.y, i1.x};
  e3 = Line2D(i1, j);
}

void DescribeP6Fold(const P6Kite& kite, const P6Seams& seams, detail::FoldProgram& program) {
  kite.AddSteps(program);
  program.sourceShift = {seams.su, seams.sv};
  const double w = std::max(seams.hu, seams.hv);
  program.bandU = program.bandV = program.bandSum = {true, -w, w, 1};
  BandTheMediansBetweenTheirCentres(0.75 * kSqrt2 * std::max(seams.fu, seams.fv), program);
  program.ReachTurnedSeams(seams.near);
  program.copiesMayFallApart = seams.hardUnbent && seams.pixelsRightAtNear;
  // The cell's corners are six-fold centres, and so centres of half turns.
  program.rowsImage.any = program.rowsImage.planEdgesTurned = true;
}

void DescribeP6BentFeatheredFold(const P6Kite& kite, const P6Seams& s, detail::FoldProgram& program) {
  kite.AddSteps(program);
  s.WidenBandsForBends(std::max(std::abs(s.k0), std::abs(s.k1)), true, program);
  // The bent seams keep the six-fold turns about the cell's corners, and so their half turns.
  program.rowsImage.any = program.rowsImage.planEdgesTurned = true;
}

namespace {

// The bump of the axes, the stronger of those along u and v, by the given amount.
detail::SideBend AxesBump(const P6Seams& s, double amount) {
  detail::SideBend bend;
  bend.amount = amount;
  bend.tu = 1 / (0.5 - s.fu);
  bend.t1 = -s.hu / (0.5 - s.fu);
  bend.clamped = bend.twoBumps = true;
  bend.t2v = 1 / (0.5 - s.fv);
  bend.t21 = -s.hv / (0.5 - s.fv);
  return bend;
}

}  // namespace

void AddP6BentSteps(const P6Kite& kite, const P6Seams& s, detail::FoldProgram& program) {
  using detail::SideBend;
  const FeatherSource& source = kite.Source();
  auto turned = [&](Point2D (Point2D::*turn)(Point2D) const, const Point2D& centre) {
    return detail::AffineOf([&](double u, double v) { return kite.ToCell((source(u, v).*turn)(centre)); });
  };
  // The plan's Bump is 3 t (1 - t), divided by the square root of 3: the square root of 3 times
  // the program's t (1 - t).
  const double scale = (1 - s.fu) * kSqrt3;
  if (s.k0 != 0) {
    // The stronger of the bumps along u and v.
    SideBend axis = AxesBump(s, 0);
    if (s.k0 > 0) {
      axis.amount = -scale * s.k0;
      program.AddBentMarked({0, 1, kGeometryTolerance}, false, axis,
                            turned(&Point2D::RotateMinus60, kite.SixFold()), 0, 0);
    } else {
      axis.amount = scale * s.k0;
      program.AddBentMarked({1, 0, kGeometryTolerance}, false, axis,
                            turned(&Point2D::RotatePlus60, kite.SixFold()), 0, 0);
    }
  }
  if (s.k1 != 0) {
    // Each median bends by the bump along itself: the first by v, the second by u.
    const double along = 1 / (s.i1.y - s.hu), from = -s.hu * along;
    SideBend median{scale * std::abs(s.k1), 0, 0, from, true};
    median.readHere = true;
    if (s.k1 < 0) {
      median.tv = along;
      program.AddBentMarked({1, 0.5, kGeometryTolerance - 0.5}, true, median,
                            turned(&Point2D::RotatePlus120, kite.ThreeFold()), 0, 0);
    } else {
      median.tu = along;
      program.AddBentMarked({0.5, 1, kGeometryTolerance - 0.5}, true, median,
                            turned(&Point2D::RotateMinus120, kite.ThreeFold()), 0, 0);
    }
  }
  // The turns take positions past the kite by as much as the bends reach.
  const double beyond = 0.75 * (std::abs(s.k0) + std::abs(s.k1));
  program.reachFromU = program.reachFromV = -beyond;
}

namespace {

using detail::BlendCopy;
using detail::HalfPlane;
using detail::LatticeAffine;
using detail::LatticeLinear;
using detail::UBelow;
using detail::VAbove;
using detail::VBelow;

// The weights' ramps across the kite's four seams, rising into it (in) or out of it.
struct Ramps {
  LatticeLinear inU, outU, inV, outV, inMedian1, outMedian1, inMedian2, outMedian2;
};

// A turn of the pixel's own source point about a centre on the source, as a map of its cell
// position.
LatticeAffine Turned(Point2D (Point2D::*turn)(Point2D) const, const Point2D& centre,
                     const FeatherSource& source) {
  return detail::AffineOf([&](double u, double v) { return (source(u, v).*turn)(centre); });
}

// Six copies about the six-fold centre, three where its two bands meet, and the corner at the
// second median's two-fold centre.
void AddCornersAtTheSixFoldCentre(const P6Seams& s, const Ramps& r, const FeatherSource& source,
                                  const Point2D& z, const LatticeAffine& plus60z,
                                  const LatticeAffine& minus60z, const LatticeAffine& minus120t,
                                  detail::SeamBlends& blends) {
  const Point2D a(0, s.hv), b(s.hu, 0), o(0, 0);
  const LatticeLinear sixth = detail::BarycentricWeight(a, b, o, 0, 0, 1.0 / 6);
  const LatticeAffine halfTurnZ = Turned(&Point2D::HalfTurn, z, source),
                      minus120z = Turned(&Point2D::RotateMinus120, z, source),
                      plus120z = Turned(&Point2D::RotatePlus120, z, source);
  blends.AddCopies({UBelow(s.hu), VBelow(s.hv), HalfPlane{1, 1, -s.hv}},
                   {BlendCopy::Own(detail::BarycentricWeight(a, b, o, 0.5, 0.5, 1.0 / 6)),
                    BlendCopy::Mapped(minus60z, detail::BarycentricWeight(a, b, o, 0, 0.5, 1.0 / 6)),
                    BlendCopy::Mapped(plus60z, detail::BarycentricWeight(a, b, o, 0.5, 0, 1.0 / 6)),
                    BlendCopy::Mapped(halfTurnZ, sixth), BlendCopy::Mapped(minus120z, sixth),
                    BlendCopy::Mapped(plus120z, sixth)});
  blends.AddCopies({UBelow(s.hu), VBelow(s.hv)},
                   {BlendCopy::Own({1 / s.fu, 1 / s.fv, 0}), BlendCopy::Mapped(plus60z, r.outU),
                    BlendCopy::Mapped(minus60z, r.outV)});
  blends.AddCopies(
      {UBelow(s.hu)},
      {BlendCopy::Own(r.inU, r.inMedian2),
       BlendCopy::Mapped(Turned(&Point2D::HalfTurn, s.h2, source), r.outMedian2, r.outU),
       BlendCopy::Mapped(plus60z, r.outU, r.inMedian2), BlendCopy::Mapped(minus120t, r.outMedian2, r.inU)});
  blends.AddInDoubles({UBelow(s.hu)});
}

// The corner at the first median's two-fold centre, and three copies about the three-fold one,
// in the triangles on either side of e3.
void AddCornersAtTheThreeFoldCentre(const P6Seams& s, const Ramps& r, const FeatherSource& source,
                                    const LatticeAffine& minus60z, const LatticeAffine& plus120t,
                                    const LatticeAffine& minus120t, detail::SeamBlends& blends) {
  const HalfPlane beyondE1 = detail::Beside(s.e1, true);
  blends.AddCopies(
      {beyondE1, VBelow(s.hv)},
      {BlendCopy::Own(r.inV, r.inMedian1),
       BlendCopy::Mapped(Turned(&Point2D::HalfTurn, s.h1, source), r.outMedian1, r.outV),
       BlendCopy::Mapped(minus60z, r.outV, r.inMedian1), BlendCopy::Mapped(plus120t, r.outMedian1, r.inV)});
  blends.AddCopies(
      {beyondE1, detail::Beside(s.e3, true)},
      {BlendCopy::Own(detail::BarycentricWeight(s.centroid, s.i1, s.j, -1.0 / 6, 0, 0, 0.5)),
       BlendCopy::Mapped(plus120t, detail::BarycentricWeight(s.centroid, s.i1, s.j, 1.0 / 3, 0.5, 0)),
       BlendCopy::Mapped(minus120t, detail::BarycentricWeight(s.centroid, s.i1, s.j, 1.0 / 3, 0, 0.5))});
  blends.AddCopies({beyondE1},
                   {BlendCopy::Own(detail::BarycentricWeight(s.c, s.i1, s.j, 0.5, 0, 0, 0.5)),
                    BlendCopy::Mapped(plus120t, detail::BarycentricWeight(s.c, s.i1, s.j, 0, 0.5, 0)),
                    BlendCopy::Mapped(minus120t, detail::BarycentricWeight(s.c, s.i1, s.j, 0, 0, 0.5))});
  blends.AddInDoubles({beyondE1});
}

}  // namespace

namespace {

// Where an affine sum of the position is negative.
template <class Sum>
HalfPlane SideOf(Sum&& sum) {
  const detail::LatticeLinear l = detail::LinearOf(sum);
  return HalfPlane{l.wu, l.wv, l.w1};
}

// The bulge of the axes past a sliver from the seam, where the plan turns a pixel about
// the six-fold centre onto the other axis and blends it there across that axis by o1 before the
// turn: both samples and the weight are affine maps of the position before the turn, o1 bending
// the weight, and it blends in lanes, the own sample being the partner of the copy the plan shows.
// Only where the turned position lies in that axis's band between its corners: those stay planned.
// Bulging along v (o1 positive), the turn lands past u = 0, in the band up to e2 and from v = hv
// + o1 on; along u, past v = 0, from u = hu - o1 on and up to e1. Their pixels near a weight of 0,
// 1/2 or 1 the plan's fold turns past the kite's edges, where they are planned.
void AddAxesBulgeBlend(const P6Kite& kite, const P6Seams& s, detail::SeamBlends& blends) {
  const FeatherSource& source = kite.Source();
  const bool alongV = s.k0 > 0;
  const auto turn = alongV ? &Point2D::RotateMinus60 : &Point2D::RotatePlus60;
  auto landed = [&](double u, double v) { return kite.ToCell((source(u, v).*turn)(kite.SixFold())); };
  const detail::BlendBends o1{{1, 0, 0}};
  // Near a weight of 0, 1/2 or 1 a pixel is mixed in doubles by the plan's fold, which would find
  // it past the turn in the other axis's band and weigh it by o1 there; turned within half a
  // sliver of the kite's edge, the plan's fold lands it in the sliver, and it is planned. A
  // lattice a little off the hexagon turns some pixels near the seam's ends less far: planned.
  const double doublesPlan = s.Sideways() / 2;
  if (alongV) {
    blends.AddBlend({HalfPlane{0, 1, s.Sideways()},  // v - o1 < -sliver
                     SideOf([&](double u, double v) { return landed(u, v).x - doublesPlan; }),
                     SideOf([&](double u, double v) { return s.hv - landed(u, v).y; }),
                     SideOf([&](double u, double v) { return landed(u, v).y - s.e2.YAt(landed(u, v).x); })},
                    Turned(turn, kite.SixFold(), source),
                    detail::LinearOf([&](double u, double v) { return 0.5 - landed(u, v).x / s.fu; }));
    blends.BendSide(0, -o1);
    blends.BendSide(2, o1);
    blends.BendWeights(o1 * (-1 / s.fu));
  } else {
    blends.AddBlend({HalfPlane{1, 0, s.Sideways()},  // u + o1 < -sliver
                     SideOf([&](double u, double v) { return landed(u, v).y - doublesPlan; }),
                     SideOf([&](double u, double v) { return s.hu - landed(u, v).x; }),
                     SideOf([&](double u, double v) { return landed(u, v).x - s.e1.XAt(landed(u, v).y); })},
                    Turned(turn, kite.SixFold(), source),
                    detail::LinearOf([&](double u, double v) { return 0.5 - landed(u, v).y / s.fv; }));
    blends.BendSide(0, o1);
    blends.BendSide(2, -o1);
    blends.BendWeights(o1 * (1 / s.fv));
  }
}

// The bulge of a median past a sliver from the seam, where the plan turns a pixel about
// the three-fold centre past the other median and blends it there across that one, by that one's
// bump where it lands, a bump of the position before the turn too (the blends' fourth): as the
// axes' bulge, it blends in lanes, the own sample being the partner of the copy the plan shows.
// Only where the turned position lies past the other median by half a sliver, which the plan's
// fold for doubles plans, and clear of the corners and the three-fold centre: those stay planned.
// The first median bulges where bend1 is positive, its turn landing past the second, from u = hu
// - o1 on and short of the first; the second where bend2 is negative, landing past the first,
// from v = hv + o1 on and short of e2.
void AddMedianBulgeBlend(const P6Kite& kite, const P6Seams& s, detail::SeamBlends& blends) {
  const FeatherSource& source = kite.Source();
  const bool first = s.k1 < 0;
  const auto turn = first ? &Point2D::RotatePlus120 : &Point2D::RotateMinus120;
  auto landed = [&](double u, double v) { return kite.ToCell((source(u, v).*turn)(kite.ThreeFold())); };
  const double past = s.Sideways() / 2, along = 1 / (s.i1.y - s.hu);
  // The other median's bump where the turn lands, along it.
  const detail::LatticeLinear t = detail::LinearOf(
      [&](double u, double v) { return ((first ? landed(u, v).x - s.hu : landed(u, v).y - s.hv)) * along; });
  blends.bends[3] = {-(1 - s.fu) * kSqrt3 * s.k1, t.wu, t.wv, t.w1, true};
  blends.bendCount = 4;
  const detail::BlendBends o1{{1, 0, 0, 0}}, own{{0, first ? 1.0 : 0.0, first ? 0.0 : 1.0, 0}},
      there{{0, 0, 0, 1}};
  if (first) {
    blends.AddBlend(
        {SideOf([&](double u, double v) { return P6Kite::kMedian1.XAt(v) - u + s.Sideways(); }),
         SideOf([&](double u, double v) {
           return P6Kite::kMedian2.YAt(landed(u, v).x) + past - landed(u, v).y;
         }),
         SideOf([&](double u, double v) { return s.hu - landed(u, v).x; }),
         SideOf([&](double u, double v) { return landed(u, v).x - P6Kite::kMedian1.XAt(landed(u, v).y); })},
        Turned(turn, kite.ThreeFold(), source), detail::LinearOf([&](double u, double v) {
          return 0.5 - (P6Kite::kMedian2.YAt(landed(u, v).x) - landed(u, v).y) / s.fu;
        }));
    blends.BendSide(0, -own);
    blends.BendSide(2, -o1);
    blends.BendWeights(there * (-1 / s.fu));
  } else {
    blends.AddBlend({SideOf([&](double u, double v) { return P6Kite::kMedian2.YAt(u) - v + s.Sideways(); }),
                     SideOf([&](double u, double v) {
                       return P6Kite::kMedian1.XAt(landed(u, v).y) + past - landed(u, v).x;
                     }),
                     SideOf([&](double u, double v) { return s.hv - landed(u, v).y; }),
                     SideOf([&](double u, double v) { return landed(u, v).y - s.e2.YAt(landed(u, v).x); })},
                    Turned(turn, kite.ThreeFold(), source), detail::LinearOf([&](double u, double v) {
                      return 0.5 - (P6Kite::kMedian1.XAt(landed(u, v).y) - landed(u, v).x) / s.fu;
                    }));
    blends.BendSide(0, own);
    blends.BendSide(2, o1);
    blends.BendWeights(there * (1 / s.fu));
  }
}

using detail::Beside;

// Within a sliver of the bent seams, where the lanes' floats may put a pixel a hair to either
// side of the line, the plan's: the axes' line moved by o1 (v where o1 is positive, else u), the
// first median's by bend1 or the second's by bend2. Both sides of a bulge blend the copies the plan
// shows, so only that sliver is left to it.
void AddBentSeamSliver(const P6Seams& s, const P6BlendRow& row, detail::SeamBlends& blends) {
  const double sliver = s.Sideways();
  const P6Region region = row.region;
  const bool byPlanFold = ByPlanFold(row.mixes);
  if (region == P6Region::kAxesBulge && s.k0 > 0) {
    blends.AddPlanned({HalfPlane{0, 1, -sliver}}, byPlanFold);  // v - o1 < sliver
    blends.BendSide(0, {{-1, 0, 0}});
  } else if (region == P6Region::kAxesBulge) {
    blends.AddPlanned({HalfPlane{1, 0, -sliver}}, byPlanFold);  // u + o1 < sliver
    blends.BendSide(0, {{1, 0, 0}});
  } else if (s.k1 < 0) {
    // u + bend1 past the first median less the sliver.
    blends.AddPlanned({SideOf([&](double u, double v) { return P6Kite::kMedian1.XAt(v) - u - sliver; })},
                      byPlanFold);
    blends.BendSide(0, {{0, -1, 0}});
  } else {
    // v - bend2 past the second median less the sliver.
    blends.AddPlanned({SideOf([&](double u, double v) { return P6Kite::kMedian2.YAt(u) - v - sliver; })},
                      byPlanFold);
    blends.BendSide(0, {{0, 0, 1}});
  }
}

// The blends' first three bumps: o1 of the axes, bend1 and bend2 of the medians (a median's bulge
// adds the other median's where its turn lands).
constexpr detail::BlendBends kO1{{1, 0, 0}}, kBend1{{0, 1, 0}}, kBend2{{0, 0, 1}};

// A sliver inside an edge of the kite, which the plan clamps onto before it turns, or the band
// about it, blended as the plan bends it: the axes' by o1, the medians' each by its own bump.
void AddLineRow(const P6Kite& kite, const P6Seams& s, const P6BlendRow& row, detail::SeamBlends& blends) {
  const FeatherSource& source = kite.Source();
  const Point2D &z = kite.SixFold(), &t = kite.ThreeFold();
  const double sideways = s.Sideways();
  const bool band = row.side == KiteSide::kBand, byPlanFold = ByPlanFold(row.mixes);
  switch (row.region) {
    case P6Region::kMedian1:
      blends.AddPlannedBeyond(P6Kite::kMedian1, sideways, byPlanFold);
      break;
    case P6Region::kMedian2:
      if (!band) {
        blends.AddPlannedBeyond(P6Kite::kMedian2, sideways, byPlanFold);
        break;
      }
      blends.AddBlend({}, Turned(&Point2D::RotateMinus120, t, source),
                      detail::RampAcross(
                          1, [](double u, double v) { return P6Kite::kMedian2.YAt(u) - v; }, s.fu));
      blends.BendWeights(kBend2 * (1 / s.fu));
      break;
    case P6Region::kAxisU0:
      if (!band) {
        blends.AddPlanned({UBelow(sideways)}, byPlanFold);
        break;
      }
      blends.AddBlend({UBelow(s.hu), Beside(s.e2)}, Turned(&Point2D::RotatePlus60, z, source),
                      {1 / s.fu, 0, 0.5});
      blends.BendSide(0, kO1);
      blends.BendSide(1, -kBend2);
      blends.BendWeights(kO1 * (1 / s.fu));
      break;
    default:
      if (!band) {
        blends.AddPlanned({VBelow(sideways)}, byPlanFold);
        break;
      }
      blends.AddBlend({VBelow(s.hv)}, Turned(&Point2D::RotateMinus60, z, source), {0, 1 / s.fv, 0.5});
      blends.BendSide(0, -kO1);
      blends.BendWeights(kO1 * (-1 / s.fv));
      break;
  }
}

// The first median's band beyond e1 moved out by bend1, on the side of u = v given: the corner at
// its two-fold centre, the band up to e2, and the three-fold centre past it.
void AddMedian1Row(const P6Kite& kite, const P6Seams& s, const P6BlendRow& row, detail::SeamBlends& blends) {
  const HalfPlane belowMedian2 = Beside(P6Kite::kMedian2), uAboveV{-1, 1, 0};
  const bool uPastV = row.side == KiteSide::kUAboveV;
  const HalfPlane byU = uPastV ? uAboveV : -uAboveV;
  const HalfPlane beyondE1 = uPastV ? SideOf([&](double u, double v) { return s.e1.XAt(v) - u; })
                                    : SideOf([&](double u, double v) { return s.e1.YAt(u) - v; });
  if (row.region == P6Region::kTwoFoldCentre1) {
    blends.AddPlanned({belowMedian2, byU, beyondE1, VBelow(s.hv)}, ByPlanFold(row.mixes));
    blends.BendSide(3, -kO1);
  } else if (row.region == P6Region::kMedian1) {
    blends.AddBlend({belowMedian2, byU, beyondE1, Beside(s.e2)},
                    Turned(&Point2D::RotatePlus120, kite.ThreeFold(), kite.Source()),
                    detail::RampAcross(
                        1, [](double u, double v) { return P6Kite::kMedian1.XAt(v) - u; }, s.fu));
    blends.BendSide(3, kBend1);
    blends.BendWeights(kBend1 * (-1 / s.fu));
  } else {
    blends.AddPlanned({belowMedian2, byU, beyondE1}, ByPlanFold(row.mixes));
  }
  blends.BendSide(2, -kBend1);
}

void AddRow(const P6Kite& kite, const P6Seams& s, const P6BlendRow& row, detail::SeamBlends& blends) {
  switch (row.region) {
    case P6Region::kAxesBulge:
    case P6Region::kMedianBulge:
      if (row.side == KiteSide::kNear)
        AddBentSeamSliver(s, row, blends);
      else if (row.region == P6Region::kAxesBulge)
        AddAxesBulgeBlend(kite, s, blends);
      else
        AddMedianBulgeBlend(kite, s, blends);
      break;
    case P6Region::kSixFoldCentre:
      blends.AddPlanned({UBelow(s.hu), VBelow(s.hv)}, ByPlanFold(row.mixes));
      blends.BendSide(0, kO1);
      break;
    case P6Region::kTwoFoldCentre2:
      blends.AddPlanned({UBelow(s.hu)}, ByPlanFold(row.mixes));
      blends.BendSide(0, kO1);
      break;
    case P6Region::kTwoFoldCentre1:
    case P6Region::kThreeFoldCentre:
      AddMedian1Row(kite, s, row, blends);
      break;
    case P6Region::kInsideE2:
      blends.AddOwn({Beside(s.e2)});
      blends.BendSide(0, -kBend2);
      break;
    case P6Region::kInsideMedian1:
      blends.AddOwn({SideOf([](double u, double v) { return P6Kite::kMedian1.XAt(v) - u; })});
      break;
    default:
      if (row.region == P6Region::kMedian1 && row.side != KiteSide::kBeyond)
        AddMedian1Row(kite, s, row, blends);
      else
        AddLineRow(kite, s, row, blends);
      break;
  }
}

}  // namespace

void DescribeP6BentBlends(const P6Kite& kite, const P6Seams& s, detail::SeamBlends& blends) {
  // The plan's bumps: o1 of the axes, the larger along u and v; bend1 and bend2 of the medians,
  // each along itself (by v, by u).
  const double scale = (1 - s.fu) * kSqrt3, alongMedian = 1 / (s.i1.y - s.hu);
  blends.bends[0] = AxesBump(s, scale * s.k0);
  blends.bends[1] = {-scale * s.k1, 0, alongMedian, -s.hv * alongMedian, true};
  blends.bends[2] = {-scale * s.k1, alongMedian, 0, -s.hu * alongMedian, true};
  blends.bendCount = 3;
  // Near the kite's edges, which the plan clamps onto before it turns, a pixel's side is for
  // doubles to tell: on the axes, whose copies on the other one the plan weighs by o1 before the
  // turn, planned.
  StartKiteBlends(blends);
  for (const P6BlendRow& row : kP6BentBlends)
    if (Holds(row.when, s.k0, s.k1)) AddRow(kite, s, row, blends);
}

void DescribeP6Blends(const P6Kite& kite, const P6Seams& s, detail::SeamBlends& blends) {
  using detail::Beside;
  const FeatherSource& source = kite.Source();
  const Point2D &z = kite.SixFold(), &t = kite.ThreeFold();
  const HalfPlane belowE2 = Beside(s.e2), beyondE1 = Beside(s.e1, true);
  const double sideways = s.Sideways();
  // The turns of a lattice a little off the hexagon carry some positions past the kite's edges,
  // which the plan clamps onto them, and those on the second median it turns about the
  // three-fold centre; across the bands' ends e1 and e2 the plan jumps, and a pixel's side there
  // is for doubles to tell. The lanes leave such pixels to the plan's own fold in doubles. Fold
  // lines: the short diagonal, u = v, the medians and the cell's edges.
  StartKiteBlends(blends);
  blends.AddPlannedBeyond(P6Kite::kMedian1, sideways, true);
  blends.AddPlannedBeyond(P6Kite::kMedian2, sideways, true);
  blends.AddPlanned({UBelow(sideways)}, true);
  blends.AddPlanned({VBelow(sideways)}, true);
  blends.AddPlannedNear(s.e1, sideways, true);
  blends.AddPlannedNear(s.e2, sideways, true);
  // The corners mix their copies as the plan weighs them, where their regions are the plan's
  // triangles (even feathers); else they are planned.
  const bool corners = s.hu == s.hv;
  const LatticeAffine plus60z = Turned(&Point2D::RotatePlus60, z, source),
                      minus60z = Turned(&Point2D::RotateMinus60, z, source),
                      plus120t = Turned(&Point2D::RotatePlus120, t, source),
                      minus120t = Turned(&Point2D::RotateMinus120, t, source);
  auto toMedian1 = [](double u, double v) { return P6Kite::kMedian1.XAt(v) - u; };
  auto toMedian2 = [](double u, double v) { return P6Kite::kMedian2.YAt(u) - v; };
  const Ramps r{{1 / s.fu, 0, 0.5},
                {-1 / s.fu, 0, 0.5},
                {0, 1 / s.fv, 0.5},
                {0, -1 / s.fv, 0.5},
                detail::RampAcross(1, toMedian1, s.fu),
                detail::RampAcross(-1, toMedian1, s.fu),
                detail::RampAcross(1, toMedian2, s.fu),
                detail::RampAcross(-1, toMedian2, s.fu)};
  blends.AddBlend({UBelow(s.hu), VAbove(s.hv), belowE2}, plus60z, r.inU);
  if (corners)
    AddCornersAtTheSixFoldCentre(s, r, source, z, plus60z, minus60z, minus120t, blends);
  else
    blends.AddPlanned({UBelow(s.hu)});
  blends.AddBlend({beyondE1, VAbove(s.hv), belowE2}, plus120t, r.inMedian1);
  if (corners)
    AddCornersAtTheThreeFoldCentre(s, r, source, minus60z, plus120t, minus120t, blends);
  else
    blends.AddPlanned({beyondE1});
  blends.AddBlend({VBelow(s.hv)}, minus60z, r.inV);
  blends.AddOwn({belowE2});
  blends.AddBlend({}, minus120t, r.inMedian2);
}

}  // namespace corvel
