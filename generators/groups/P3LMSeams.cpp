#include "generators/groups/P3LMSeams.h"

#include <algorithm>
#include <cmath>

#include "generators/detail/SeamFeathering.h"
#include "generators/groups/HexagonalBlendRows.h"

namespace corvel {

P3LMSeams::P3LMSeams(const TileGenerator& g, const P3LMKite& kite)
    : HexagonalSeams(g),
      gi(1.0 / 3 - hu * (kSqrt2 / 2), 1.0 / 3 - hv * (kSqrt2 / 2)),
      la(gi, {0.5 - hu, 0}),
      lb(gi, {0, 0.5 - hv}),
      edgeA(kite.Source()(0, 0), kite.Source()(1, 0)),
      edgeB(kite.Source()(0, 0), kite.Source()(0, 1)),
      k0(g.seamK0),
      hardUnbent(IsZero(fv) && k0 == 0) {
  P3LMKite::kToK.Intersect(lb, xk);
  xm = {xk.y, xk.x};
  lg = Line2D(xk, xm);
  h = xk.y;
}

void DescribeP3LMFold(const P3LMKite& kite, const P3LMSeams& seams, detail::FoldProgram& program) {
  kite.AddSteps(program);
  program.sourceShift = {seams.su, seams.sv};
  program.reachU = program.reachV = 0.5;
  BandTheMediansBetweenTheirCentres(0.75 * kSqrt2 * std::max(seams.fu, seams.fv), program);
  program.ReachTurnedSeams(seams.near);
  // The plan and the steps may wrap a pixel right on a cell's edge from either side, which the
  // turns of a lattice off the hexagon take apart: such pixels are planned where they do
  // (feathered, the blends plan them alike at full size, and every one on a scaled render).
  program.planCellEdges = IsZero(seams.fv);
  program.copiesMayFallApart = seams.hardUnbent && seams.pixelsRightAtNear;
}

namespace {

// The plan's Bump is 3 t (1 - t), divided by the square root of 3: the square root of 3 times the
// program's t (1 - t), the larger of the bumps along u and v, scaled by the amplitude.
detail::SideBend SeamBump(const P3LMSeams& s, double amplitude) {
  detail::SideBend bend;
  bend.amount = (1 - s.fu) * kSqrt3 * amplitude;
  bend.tu = 1 / (s.h - s.hu);
  bend.t1 = -s.hu / (s.h - s.hu);
  bend.clamped = bend.twoBumps = true;
  bend.t2v = 1 / (s.h - s.hv);
  bend.t21 = -s.hv / (s.h - s.hv);
  return bend;
}

// How far along u from the seam to K, toward the origin, the plan's cut across the seam to M and
// its blend reach (and the same of the seams swapped): past G it cuts along the line of the seam
// to M, bent by the bump of the seam to K, which lies (1 - 3 v) / 2 along v from that line there,
// and left of u = 1/3 no further than (1 - 3 v) / 6.
double CutPastG(const P3LMSeams& s) {
  const double amount = (1 - s.fu) * std::abs(s.k0) / kSqrt3;
  constexpr int kSteps = 1024;
  const double step = 1.0 / 3 / kSteps;
  double most = 0;
  for (int i = 0; i <= kSteps; ++i) {
    const double v = i * step, apart = (1 - 3 * v) / 2;
    const double bump = amount * Bump(Clamp01((v - s.hv) / (s.h - s.hv)));
    most = std::max(most, std::min(apart / 3, 2 * (bump + s.hu) - apart));
  }
  // Between the samples, by at most the steeper slope over half a step.
  const double slope = 1.5 + 2 * 3 * amount / std::abs(s.h - s.hv);
  return most + slope * step / 2;
}

}  // namespace

void DescribeP3LMBentFeatheredFold(const P3LMKite& kite, const P3LMSeams& s, detail::FoldProgram& program) {
  kite.AddSteps(program);
  program.reachU = program.reachV = 0.5;
  s.WidenBandsForBends(std::abs(s.k0), false, program);
  // The bump moves each seam to one side of its line only: to the origin's side of the seam to K
  // against a negative amplitude, away from it for the seam to M, their turns about G onto the
  // diagonal's seam taking K's side with them; the mirrors through the cells' edges keep the
  // side. The other side needs room only for the other seam's cut and blend past G, as wide as
  // the band's own room for a blend.
  const double bulge = kSqrt3 / 2 * (1 - s.fu) * std::abs(s.k0);
  const double room = 0.75 * kSqrt2 * std::max(s.fu, s.fv);
  const double narrowed = std::max(0.0, bulge + room - std::max(room, 0.75 * kSqrt2 * 2 * CutPastG(s)));
  const bool toOriginAtK = s.k0 < 0;
  detail::FoldProgram::Band &acrossK = program.skewBands[0].band, &acrossM = program.skewBands[1].band,
                            &diagonal = program.skewBands[2].band;
  (toOriginAtK ? acrossK.to : acrossK.from) += toOriginAtK ? -narrowed : narrowed;
  (toOriginAtK ? acrossM.from : acrossM.to) += toOriginAtK ? narrowed : -narrowed;
  (toOriginAtK ? diagonal.from : diagonal.to) += toOriginAtK ? narrowed : -narrowed;
}

void AddP3LMBentStep(const P3LMKite& kite, const P3LMSeams& s, detail::FoldProgram& program) {
  const FeatherSource& source = kite.Source();
  auto turned = [&](Point2D (Point2D::*turn)(Point2D) const) {
    return detail::AffineOf(
        [&](double u, double v) { return kite.ToCell((source(u, v).*turn)(kite.ThreeFold())); });
  };
  const detail::SideBend bend = SeamBump(s, std::abs(s.k0));
  // Bent by a positive amplitude, the seam to M moves into the kite and what lies past it turns
  // back by -120 degrees about G; by a negative one, the seam to K, turned by +120.
  if (s.k0 > 0)
    program.AddBentMarked({0.5, 1, kGeometryTolerance - 0.5}, true, bend, turned(&Point2D::RotateMinus120), 0,
                          0);
  else
    program.AddBentMarked({1, 0.5, kGeometryTolerance - 0.5}, true, bend, turned(&Point2D::RotatePlus120), 0,
                          0);
  // The turns take positions past the kite by as much as the bend reaches.
  const double beyond = 0.75 * std::abs(s.k0);
  program.reachFromU = program.reachFromV = -beyond;
  program.reachU = program.reachV = 0.5 + beyond;
}

namespace {

using detail::BlendCopy;
using detail::LatticeAffine;
using detail::LatticeLinear;
using detail::UBelow;
using detail::VBelow;

// The weights' ramps across the seams to K and M and the cell's edges, rising into the kite (in)
// or out of it.
struct Ramps {
  LatticeLinear inK, outK, inM, outM, outU, inU, outV, inV;
};

// A map of the pixel's own source point, as a map of its cell position.
template <class Map>
LatticeAffine Mapped(const FeatherSource& source, Map&& map) {
  return detail::AffineOf([&](double u, double v) { return map(source(u, v)); });
}

// The corner at the midpoint of the cell's edge 0B mixes the own sample, its turn and their
// mirror images in the cell's edges.
void AddCornerBesideB(const P3LMKite& kite, const P3LMSeams& s, const Ramps& r, const LatticeAffine& minus,
                      detail::SeamBlends& blends) {
  const FeatherSource& source = kite.Source();
  const Point2D& gs = kite.ThreeFold();
  blends.AddCopies(
      {UBelow(s.hu)},
      {BlendCopy::Mapped(
           Mapped(source, [&](const Point2D& p) { return p.RotateMinus120(gs).Reflect(s.edgeA); }), r.outU,
           r.outM),
       BlendCopy::Own(r.inM, r.inU), BlendCopy::Mapped(minus, r.inU, r.outM),
       BlendCopy::Mapped(Mapped(source, [&](const Point2D& p) { return p.Reflect(s.edgeB); }), r.inM,
                         r.outU)});
  blends.AddInDoubles({UBelow(s.hu)});
}

// So does the corner at the midpoint of 0A, and three copies meet about G, in the triangles on
// either side of lg.
void AddCornersBeyondA(const P3LMKite& kite, const P3LMSeams& s, const Ramps& r, const LatticeAffine& plus,
                       const LatticeAffine& minus, detail::SeamBlends& blends) {
  const FeatherSource& source = kite.Source();
  const Point2D& gs = kite.ThreeFold();
  const detail::HalfPlane beyondA = detail::Beside(s.la, true);
  const Point2D g(1.0 / 3, 1.0 / 3);
  blends.AddCopies(
      {beyondA, VBelow(s.hv)},
      {BlendCopy::Mapped(
           Mapped(source, [&](const Point2D& p) { return p.RotatePlus120(gs).Reflect(s.edgeB); }), r.outV,
           r.outK),
       BlendCopy::Own(r.inK, r.inV), BlendCopy::Mapped(plus, r.inV, r.outK),
       BlendCopy::Mapped(Mapped(source, [&](const Point2D& p) { return p.Reflect(s.edgeA); }), r.inK,
                         r.outV)});
  blends.AddCopies({beyondA, detail::Beside(s.lg)},
                   {BlendCopy::Own(detail::BarycentricWeight(s.gi, s.xk, s.xm, 0.5, 0, 0, 0.5)),
                    BlendCopy::Mapped(plus, detail::BarycentricWeight(s.gi, s.xk, s.xm, 0, 0.5, 0)),
                    BlendCopy::Mapped(minus, detail::BarycentricWeight(s.gi, s.xk, s.xm, 0, 0, 0.5))});
  blends.AddCopies({beyondA},
                   {BlendCopy::Own(detail::BarycentricWeight(g, s.xk, s.xm, -1.0 / 6, 0, 0, 0.5)),
                    BlendCopy::Mapped(plus, detail::BarycentricWeight(g, s.xk, s.xm, 1.0 / 3, 0.5, 0)),
                    BlendCopy::Mapped(minus, detail::BarycentricWeight(g, s.xk, s.xm, 1.0 / 3, 0, 0.5))});
  blends.AddInDoubles({beyondA});
}

}  // namespace

void DescribeP3LMBlends(const P3LMKite& kite, const P3LMSeams& s, detail::SeamBlends& blends) {
  const FeatherSource& source = kite.Source();
  const Point2D& gs = kite.ThreeFold();
  const Line2D &lk = P3LMKite::kToK, &lm = P3LMKite::kToM;
  const detail::HalfPlane belowB = detail::Beside(s.lb), beyondA = detail::Beside(s.la, true);
  const double sideways = s.Sideways();
  // Fold lines: A B, u = v, the lines of lk and lm and the cell's edges.
  StartKiteBlends(blends);
  // Pixels near the ends of the bands are planned, where the plan jumps, and those where the
  // turns of a lattice a little off the hexagon put the plan's positions some way from the fold's:
  // past lm, which the plan clamps onto it before turning them, so that they come out on either
  // side of lk; those near lk mix in doubles where they fold as the plan folds them (planFold).
  blends.AddPlannedNear(lk, s.near, true);
  blends.AddPlannedBeyond(lm, sideways);
  blends.AddPlannedNear(s.la, sideways);
  blends.AddPlannedNear(s.lb, sideways);
  // The turn about G carries the plan's positions clamped onto the corner at (0, 0.5) to about
  // (0.5, 0), a little past v = 0 on a lattice off the hexagon: the program turns them unclamped
  // and clamps them onto v = 0, some way from the plan's.
  blends.AddPlanned({beyondA, VBelow(sideways)});
  const LatticeAffine plus = Mapped(source, [&](const Point2D&p) { return p.RotatePlus120(gs); }),
                      minus = Mapped(source, [&](const Point2D&p) { return p.RotateMinus120(gs); });
  auto toLk = [&](double u, double v) { return lk.XAt(v) - u; };
  auto toLm = [&](double u, double v) { return lm.YAt(u) - v; };
  const Ramps r{detail::RampAcross(1, toLk, s.fu),
                detail::RampAcross(-1, toLk, s.fu),
                detail::RampAcross(1, toLm, s.fu),
                detail::RampAcross(-1, toLm, s.fu),
                {-1 / s.fu, 0, 0.5},
                {1 / s.fu, 0, 0.5},
                {0, -1 / s.fv, 0.5},
                {0, 1 / s.fv, 0.5}};
  // The corners mix their copies as the plan weighs them, where their regions are the plan's
  // triangles (even feathers); else they are planned.
  const bool corners = s.hu == s.hv;
  blends.AddOwn({UBelow(s.hu), VBelow(s.hv)});
  blends.AddOwn({UBelow(s.hu), belowB});
  if (corners)
    AddCornerBesideB(kite, s, r, minus, blends);
  else
    blends.AddPlanned({UBelow(s.hu)});
  blends.AddBlend({beyondA, detail::VAbove(s.hv), belowB}, plus, r.inK);
  if (corners)
    AddCornersBeyondA(kite, s, r, plus, minus, blends);
  else
    blends.AddPlanned({beyondA});
  blends.AddOwn({VBelow(s.hv)});
  blends.AddOwn({belowB});
  blends.AddBlend({}, minus, r.inM);
}

namespace {

using detail::Beside;
using detail::HalfPlane;
using detail::VAbove;

// What the bent blends' rows are made from: the bump d of both seams from G (the blends' only
// one), the turns about G, and which seam the bump moves into the kite.
struct P3LMBent {
  P3LMBent(const P3LMKite& kite, const P3LMSeams& s);

  const P3LMKite& kite;
  const P3LMSeams& s;
  const FeatherSource& source;
  LatticeAffine plus, minus;
  detail::BlendBends byD{{1, 0, 0}};
  double sideways;
  // Past K where d is positive (k0 negative), else past M.
  bool pastK;
  // Whether the feathers are alike: the corners' and the three copies' regions are then the plan's
  // triangles, whose copies mix as it weighs them.
  bool feathersAlike;
  // Beyond la moved out by d, along u where u > v, else along v.
  HalfPlane beyondA[2];

  // The pixel's source point mapped, as a map of its cell position.
  template <class Map>
  LatticeAffine Of(Map&& map) const {
    return Mapped(source, map);
  }
  // Where the plan turns a position of the kite across the bent seam.
  Point2D Turned(double u, double v) const {
    const Point2D p = source(u, v);
    return kite.ToCell(pastK ? p.RotatePlus120(kite.ThreeFold()) : p.RotateMinus120(kite.ThreeFold()));
  }
  // Below 0 past the bent seam, without d, which bends it.
  HalfPlane PastTheSeam() const {
    return pastK ? SideOf([&](double u, double v) { return P3LMKite::kToK.XAt(v) - u; })
                 : SideOf([&](double u, double v) { return P3LMKite::kToM.YAt(u) - v; });
  }
  detail::BlendBends PastBent() const { return pastK ? -byD : byD; }
  // The turned position's sum, where it is below 0, as a side.
  template <class Sum>
  HalfPlane ByTurned(Sum&& sum) const {
    return SideOf([&](double u, double v) { return sum(Turned(u, v)); });
  }
  template <class Sum>
  static HalfPlane SideOf(Sum&& sum) {
    const LatticeLinear l = detail::LinearOf(sum);
    return HalfPlane{l.wu, l.wv, l.w1};
  }
  // The ramps across the seams to K and M, rising into the kite.
  LatticeLinear InK() const {
    return detail::RampAcross(
        1, [&](double u, double v) { return P3LMKite::kToK.XAt(v) - u; }, s.fu);
  }
  LatticeLinear InM() const {
    return detail::RampAcross(
        1, [&](double u, double v) { return P3LMKite::kToM.YAt(u) - v; }, s.fu);
  }
};

P3LMBent::P3LMBent(const P3LMKite& kite, const P3LMSeams& s)
    : kite(kite),
      s(s),
      source(kite.Source()),
      plus(Of([&](const Point2D& p) { return p.RotatePlus120(kite.ThreeFold()); })),
      minus(Of([&](const Point2D& p) { return p.RotateMinus120(kite.ThreeFold()); })),
      sideways(s.Sideways()),
      pastK(s.k0 < 0),
      feathersAlike(s.hu == s.hv),
      beyondA{SideOf([&](double u, double v) { return s.la.XAt(v) - u; }),
              SideOf([&](double u, double v) { return s.la.YAt(u) - v; })} {}

// The seam's bulge into the kite, past K where d is positive, else past M, whose pixels the plan
// turns about G into the band across the other seam and blends there by d before the turn: the
// same two samples as the band the bulge cuts into, the own one and its turn, but weighed by the
// ramp of the turned position, which on a lattice a little off the hexagon lies some way off the
// ramp before the turn. The bulge blends by that ramp where the turn lands inside the band: the
// turn is the plan's, and only a sliver about the band's ends and corners, where the plan's
// weights jump, is planned; a sliver about the bent seam, where the floats may take either side,
// mixes in doubles on the plan's fold, which the lanes' fold follows there.
void AddBulge(const P3LMBent& b, const P3LMBlendRow& row, detail::SeamBlends& blends) {
  const P3LMSeams& s = b.s;
  const double sideways = b.sideways;
  const HalfPlane past = b.PastTheSeam();
  const detail::BlendBends &byD = b.byD, pastBent = b.PastBent();
  const Line2D &lk = P3LMKite::kToK, &lm = P3LMKite::kToM;
  const bool pastK = b.pastK;
  switch (row.side) {
    case KiteSide::kNear:
      blends.AddPlanned({{past.nu, past.nv, past.n1 - sideways}, {-past.nu, -past.nv, -past.n1 - sideways}},
                        ByPlanFold(row.mixes));
      blends.BendSide(0, pastBent);
      blends.BendSide(1, -pastBent);
      break;
    case KiteSide::kTurnedOutOfTheBands:
      // Turned below hu, across the diagonal or below hv.
      for (const HalfPlane turned :
           {b.ByTurned([&](Point2D t) { return t.x - s.hu - sideways; }),
            b.ByTurned([&](Point2D t) { return (pastK ? t.y - t.x : t.x - t.y) - sideways; }),
            b.ByTurned([&](Point2D t) { return t.y - s.hv - sideways; })}) {
        blends.AddPlanned({past, turned}, ByPlanFold(row.mixes));
        blends.BendSide(0, pastBent);
      }
      break;
    case KiteSide::kTurnedIntoTheBand:
      if (pastK) {
        // Turned past M, into the band across M: u above hu, v above u, v within la's and beyond
        // lb's, each moved by d.
        blends.AddBlend({past, b.ByTurned([&](Point2D t) { return t.y - s.la.YAt(t.x) + sideways; }),
                         b.ByTurned([&](Point2D t) { return s.lb.YAt(t.x) - t.y + sideways; })},
                        b.plus, detail::LinearOf([&](double u, double v) {
                          const Point2D t = b.Turned(u, v);
                          return 0.5 - (lm.YAt(t.x) - t.y) / s.fu;
                        }));
        blends.BendSide(1, byD);
        blends.BendWeights(byD * (-1 / s.fu));
      } else {
        // Turned past K, into the band across K: u above hu and v, beyond la, v above hv and within
        // lb, each moved by d.
        blends.AddBlend({past, b.ByTurned([&](Point2D t) { return s.la.XAt(t.y) - t.x + sideways; }),
                         b.ByTurned([&](Point2D t) { return t.y - s.lb.YAt(t.x) + sideways; })},
                        b.minus, detail::LinearOf([&](double u, double v) {
                          const Point2D t = b.Turned(u, v);
                          return 0.5 - (lk.XAt(t.y) - t.x) / s.fu;
                        }));
        blends.BendSide(1, -byD);
        blends.BendWeights(byD * (1 / s.fu));
      }
      blends.BendSide(0, pastBent);
      blends.BendSide(2, byD);
      break;
    case KiteSide::kTurnedNearTheSeamCrossed:
      // Turned as near the seam crossed as d reaches past the band's inner edge: the turn's sample
      // alone, its weight 0 in the band of the turn.
      blends.AddBlend({past, b.ByTurned([&](Point2D t) {
                         return !pastK ? t.x - s.la.XAt(t.y) + sideways : t.y - s.la.YAt(t.x) + sideways;
                       }),
                       b.ByTurned([&](Point2D t) { return t.y - s.lb.YAt(t.x) + sideways; })},
                      pastK ? b.plus : b.minus, LatticeLinear{0, 0, 0});
      blends.BendSide(0, pastBent);
      blends.BendSide(1, byD);
      blends.BendSide(2, -byD);
      break;
    default:
      blends.AddPlanned({past}, ByPlanFold(row.mixes));
      blends.BendSide(0, pastBent);
      break;
  }
}

// The corner at the midpoint of 0B, or at the midpoint of 0A on the side of u = v given, mixes in
// doubles as the plan weighs it, the own sample's weights the complements of the plan's, where the
// feathers are alike (as unbent); else it is planned.
void AddCorner(const P3LMBent& b, const P3LMBlendRow& row, int half, detail::SeamBlends& blends) {
  const bool inDoubles = b.feathersAlike && row.mixes == BentMix::kDoublesWhereAlike;
  const P3LMSeams& s = b.s;
  const Point2D& gs = b.kite.ThreeFold();
  auto reflected = [&](const Line2D& edge) {
    return b.Of([&](const Point2D& p) { return p.Reflect(edge); });
  };
  const HalfPlane uAboveV{-1, 1, 0};
  if (row.region == P3LMRegion::kCornerAtB && inDoubles) {
    blends.AddCorner({UBelow(s.hu)}, reflected(s.edgeB), {1 / s.fu, 0, 0.5}, b.minus, b.InM(),
                     b.Of([&](const Point2D& p) { return p.RotateMinus120(gs).Reflect(s.edgeA); }));
    blends.BendWeights({}, b.byD * (1 / s.fu));
  } else if (row.region == P3LMRegion::kCornerAtB) {
    blends.AddPlanned({UBelow(s.hu)});
  } else {
    const HalfPlane byU = half == 0 ? uAboveV : -uAboveV;
    if (inDoubles) {
      blends.AddCorner({byU, b.beyondA[half], VBelow(s.hv)}, reflected(s.edgeA), {0, 1 / s.fv, 0.5}, b.plus,
                       b.InK(), b.Of([&](const Point2D& p) { return p.RotatePlus120(gs).Reflect(s.edgeB); }));
      blends.BendWeights({}, b.byD * (1 / s.fu));
    } else {
      blends.AddPlanned({byU, b.beyondA[half], VBelow(s.hv)});
    }
    blends.BendSide(1, -b.byD);
  }
}

// The band across K beyond la moved out by d, on the side of u = v given, which ends at lb moved
// in by d, as the plan ends it; past lb, where the feathers differ, planned.
void AddBandAcrossK(const P3LMBent& b, int half, detail::SeamBlends& blends) {
  const HalfPlane uAboveV{-1, 1, 0};
  const HalfPlane byU = half == 0 ? uAboveV : -uAboveV;
  blends.AddBlend({byU, b.beyondA[half], Beside(b.s.lb)}, b.plus, b.InK());
  blends.BendSide(1, -b.byD);
  blends.BendSide(2, b.byD);
  blends.BendWeights(b.byD * (-1 / b.s.fu));
  if (!b.feathersAlike) {
    blends.AddPlanned({byU, b.beyondA[half]});
    blends.BendSide(1, -b.byD);
  }
}

// Three copies meet about G past the band across K's end, lb moved in by d, and beyond la moved
// out by d, in the plan's triangles on either side of lg, where the feathers are alike. No seam
// bends there (u and v lie past the bumps' ends), and the sides bent as the plan bends them meet
// la only by xm, where v > u.
void AddThreeCopies(const P3LMBent& b, const P3LMBlendRow& row, detail::SeamBlends& blends) {
  if (!b.feathersAlike || row.mixes != BentMix::kDoublesWhereAlike) return;
  const P3LMSeams& s = b.s;
  const Point2D g(1.0 / 3, 1.0 / 3);
  const LatticeLinear toA = detail::LinearOf([&](double u, double v) { return s.la.YAt(u) - v; });
  const HalfPlane beyondA{toA.wu, toA.wv, toA.w1}, aboveB = -Beside(s.lb);
  blends.AddThreeCopies({beyondA, aboveB, Beside(s.lg)}, b.plus,
                        detail::BarycentricWeight(s.gi, s.xk, s.xm, 0, 0.5, 0), b.minus,
                        detail::BarycentricWeight(s.gi, s.xk, s.xm, 0, 0, 0.5), detail::OwnSummed::kFirst);
  blends.BendSide(0, -b.byD);
  blends.BendSide(1, -b.byD);
  blends.AddThreeCopies({beyondA, aboveB}, b.plus, detail::BarycentricWeight(g, s.xk, s.xm, 1.0 / 3, 0.5, 0),
                        b.minus, detail::BarycentricWeight(g, s.xk, s.xm, 1.0 / 3, 0, 0.5),
                        detail::OwnSummed::kFirst);
  blends.BendSide(0, -b.byD);
  blends.BendSide(1, -b.byD);
}

// The row's regions: the kite's edges and mirrors, the seams from G and the bands across them.
void AddRow(const P3LMBent& b, const P3LMBlendRow& row, detail::SeamBlends& blends) {
  const P3LMSeams& s = b.s;
  const int half = row.side == KiteSide::kVAboveU ? 1 : 0;
  switch (row.region) {
    case P3LMRegion::kSeamToK:
      // Near the seam to K the plan's positions, clamped onto lm before they turn, and the fold's
      // part: such pixels mix in doubles on the plan's fold.
      blends.AddPlannedNear(P3LMKite::kToK, s.near, ByPlanFold(row.mixes));
      break;
    case P3LMRegion::kSeamToM:
      blends.AddPlannedBeyond(P3LMKite::kToM, b.sideways, ByPlanFold(row.mixes));
      break;
    case P3LMRegion::kBulge:
      AddBulge(b, row, blends);
      break;
    case P3LMRegion::kCellEdgeV0:
      blends.AddPlanned({Beside(s.la, true), VBelow(b.sideways)}, ByPlanFold(row.mixes));
      break;
    case P3LMRegion::kMirror:
      if (row.side == KiteSide::kAlongU0) {
        blends.AddOwn({UBelow(s.hu), VBelow(s.hv)});
        blends.AddOwn({UBelow(s.hu), Beside(s.lb)});
      } else {
        blends.AddOwn({VBelow(s.hv)});
      }
      break;
    case P3LMRegion::kCornerAtB:
    case P3LMRegion::kCornerAtA:
      AddCorner(b, row, half, blends);
      break;
    case P3LMRegion::kBandAcrossK:
      AddBandAcrossK(b, half, blends);
      break;
    case P3LMRegion::kThreeCopies:
      AddThreeCopies(b, row, blends);
      break;
    case P3LMRegion::kInsideLb:
      blends.AddOwn({Beside(s.lb)});
      blends.BendSide(0, -b.byD);
      break;
    case P3LMRegion::kBandAcrossM:
      blends.AddBlend({}, b.minus, b.InM());
      blends.BendWeights(b.byD * (1 / s.fu));
      break;
  }
}

}  // namespace

void DescribeP3LMBentBlends(const P3LMKite& kite, const P3LMSeams& s, detail::SeamBlends& blends) {
  // The plan's bump d of both seams from G, against the sign of k0.
  blends.bends[0] = SeamBump(s, -s.k0);
  blends.bendCount = 1;
  StartKiteBlends(blends);
  const P3LMBent bent(kite, s);
  for (const P3LMBlendRow& row : kP3LMBentBlends) AddRow(bent, row, blends);
}

}  // namespace corvel
