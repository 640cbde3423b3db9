#include "generators/groups/P3Seams.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "generators/detail/DoublesRule.h"
#include "generators/groups/HexagonalBlendRows.h"

namespace corvel {

namespace {

POINT Rounded(const Point2D& p) { return {RoundToInt(p.x), RoundToInt(p.y)}; }

// The frame's lattice from the generator's.
const TileGenerator& Framed(TileGenerator& frame, const TileGenerator& g) {
  frame.basisA = Rounded(g.LatticeToPlane(2.0 / 3, 1.0 / 3));
  frame.basisB = Rounded(g.LatticeToPlane(1.0 / 3, 2.0 / 3));
  frame.basisC = Rounded(g.LatticeToSource(2.0 / 3, 1.0 / 3));
  frame.basisD = Rounded(g.LatticeToSource(1.0 / 3, 2.0 / 3));
  frame.PrepareLattice();
  return frame;
}

}  // namespace

P3Seams::P3Seams(const TileGenerator& g)
    : su(g.feather1 / 2),
      sv(g.feather2 / 2),
      // The frame is made first: the blends' widths are measured on it.
      fu(BlendWidth(g.feather1, Framed(frame, g).basisA, frame.basisB)),
      fv(BlendWidth(g.feather2, frame.basisA, frame.basisB)),
      hu(fu / 2),
      hv(fv / 2),
      source(frame, su, sv),
      c00(source(0, 0)),
      c10(source(1, 0)),
      c01(source(0, 1)),
      c11(source(1, 1)),
      t0a(source(0, hv) + g.origin),
      t0b(source(hu, 0) + g.origin),
      t0c(c00 + g.origin),
      t1a(source(1 - hu, 1) + g.origin),
      t1b(source(1, 1 - hv) + g.origin),
      t1c(c11 + g.origin),
      k0(g.seamK0),
      k1(g.seamK1),
      near(ThirdOfAPixel(frame.basisA, frame.basisB)),
      pixelsRightAtNear(PixelsRightAt(near, frame.basisA, frame.basisB)),
      hardUnbent(IsZero(fv) && k0 == 0 && k1 == 0) {}

Point2D P3Seams::ToFrame(const Point2D& p) const {
  const Point2D st = frame.detN == 0 ? p : frame.invN.Apply(p.x, p.y);
  return {st.x - su, st.y - sv};
}

detail::P3PlanLanes P3Seams::Lanes(const TileGenerator& g, const P3Rhombus& rhombus) const {
  return {detail::LaneLatticeOf(g),
          frame.invM,
          frame.matN,
          rhombus.Anchor1(),
          rhombus.Anchor2(),
          c10,
          c01,
          su,
          sv,
          near};
}

namespace {

// The frame's corners are whole pixels: its s and t stray from the lattice's 2u - v and 2v - u,
// so the plan's seams from the program's, by up to this much where the turns leave positions: on
// the rhombus, or else over the cell.
double FrameDrift(const TileGenerator& g, const P3Seams& seams, bool onRhombus) {
  double drift = 0;
  for (const Point2D& corner : {Point2D(0, 0), onRhombus ? Point2D(2.0 / 3, 1.0 / 3) : Point2D(1, 0),
                                onRhombus ? Point2D(1.0 / 3, 2.0 / 3) : Point2D(0, 1), Point2D(1, 1)}) {
    const Point2D q = g.LatticeToPlane(corner.x, corner.y);
    const Point2D st = seams.frame.PlaneToLattice(q.x, q.y);
    const double s = 2 * corner.x - corner.y, t = 2 * corner.y - corner.x;
    drift = std::max({drift, std::abs(st.x - s), std::abs(st.y - t), std::abs(st.x + st.y - s - t)});
  }
  return drift;
}

// The program's read through the frame: the map of its positions to the source's lattice, its
// least corner over the rhombus, or `beyond` past its edges in the frame, taken out as the
// program's 0.
void ReadThroughTheFrame(const TileGenerator& g, const P3Seams& seams, detail::FoldProgram& program,
                         double beyond = 0) {
  detail::LatticeAffine toSource = detail::AffineOf([&](double u, double v) {
    const Point2D q = g.LatticeToPlane(u, v);
    const Point2D p = seams.source(seams.frame.PlaneToLattice(q.x, q.y));
    return g.detN == 0 ? p : g.invN.Apply(p.x, p.y);
  });
  Point2D low(1e300, 1e300), high(-1e300, -1e300);
  const double near = -beyond, far = 1 + beyond;
  for (const Point2D& st : {Point2D(near, near), Point2D(far, near), Point2D(far, far), Point2D(near, far)}) {
    const Point2D corner((2 * st.x + st.y) / 3, (st.x + 2 * st.y) / 3);
    const Point2D p(toSource.uu * corner.x + toSource.uv * corner.y + toSource.u1,
                    toSource.vu * corner.x + toSource.vv * corner.y + toSource.v1);
    low = {std::min(low.x, p.x), std::min(low.y, p.y)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y)};
  }
  toSource.u1 -= low.x;
  toSource.v1 -= low.y;
  program.readThrough = toSource;
  program.sourceShift = low;
  program.reachU = high.x - low.x;
  program.reachV = high.y - low.y;
}

}  // namespace

void DescribeP3Fold(const TileGenerator& g, const P3Rhombus& rhombus, const P3Seams& seams,
                    detail::FoldProgram& program, bool feathersBands) {
  rhombus.AddTurnSteps(program);
  const double turnDrift = detail::HexagonalDrift(program);
  ReadThroughTheFrame(g, seams, program);
  const double w = feathersBands ? std::max(seams.hu, seams.hv) : 0;
  // Six seams leave each lattice point, three each anchor: a line is a seam only within a third
  // of a cell of its lattice points, where u (on u - 2v, v) lies within a third of a whole number.
  // Past a seam's end the other bands hold the blends about it but for less than w / 4 along the
  // line: w / 2, for room.
  const detail::FoldProgram::Band nearLatticePoints{true, -1.0 / 3 - w / 2, 1.0 / 3 + w / 2, 1};
  program.skewBands[0] = {2, -1, {true, -w, w, 1}, 1, 0, nearLatticePoints};
  program.skewBands[1] = {1, -2, {true, -w, w, 1}, 0, 1, nearLatticePoints};
  program.skewBands[2] = {1, 1, {true, -w, w, 1}, 1, 0, nearLatticePoints};
  // On the rhombus the frame's drift adds to the turns' own drift from the hexagon's; where that
  // cannot be told, the frame's over the cell, with half a pixel along the row.
  const bool onRhombus = turnDrift >= 0;
  program.seamReach = seams.near + FrameDrift(g, seams, onRhombus) + std::max(turnDrift, 0.0);
  program.ReachOwnSeams();
  if (onRhombus) program.slackPixels = 0.25;
  program.copiesMayFallApart = seams.hardUnbent && seams.pixelsRightAtNear;
}

namespace {

using detail::HalfPlane;

// Below any bent sum of a position the program reaches.
constexpr double kAllOfIt = 1e6;

// Whether the edge lies where s (else t) is whole, where it is 1, and whether k0 bends it.
constexpr bool OnS(RhombusEdge edge) { return edge == RhombusEdge::kS0 || edge == RhombusEdge::kS1; }
constexpr bool AtOne(RhombusEdge edge) { return edge == RhombusEdge::kS1 || edge == RhombusEdge::kT1; }
constexpr bool AtAnchor2(RhombusEdge edge) { return edge == RhombusEdge::kS1 || edge == RhombusEdge::kT0; }
// The pair's other edge: a carry across the one lands past the other.
constexpr RhombusEdge OtherOfPair(RhombusEdge edge) {
  return edge == RhombusEdge::kS0   ? RhombusEdge::kT1
         : edge == RhombusEdge::kT1 ? RhombusEdge::kS0
         : edge == RhombusEdge::kS1 ? RhombusEdge::kT0
                                    : RhombusEdge::kS1;
}
constexpr RhombusEdge kEdges[] = {RhombusEdge::kS0, RhombusEdge::kS1, RhombusEdge::kT0, RhombusEdge::kT1};

// Inside the edge by `width`, and outside that.
HalfPlane Inside(RhombusEdge edge, double width) {
  switch (edge) {
    case RhombusEdge::kS0:
      return detail::UBelow(width);
    case RhombusEdge::kS1:
      return detail::UAbove(1 - width);
    case RhombusEdge::kT0:
      return detail::VBelow(width);
    default:
      return detail::VAbove(1 - width);
  }
}
HalfPlane Outside(RhombusEdge edge, double width) {
  switch (edge) {
    case RhombusEdge::kS0:
      return detail::UAbove(width);
    case RhombusEdge::kS1:
      return detail::UBelow(1 - width);
    case RhombusEdge::kT0:
      return detail::VAbove(width);
    default:
      return detail::VBelow(1 - width);
  }
}
// Past the edge by more than `by`.
HalfPlane Past(RhombusEdge edge, double by) {
  switch (edge) {
    case RhombusEdge::kS0:
      return detail::UBelow(-by);
    case RhombusEdge::kS1:
      return detail::UAbove(1 + by);
    case RhombusEdge::kT0:
      return detail::VBelow(-by);
    default:
      return detail::VAbove(1 + by);
  }
}
double HalfBand(const P3Seams& s, RhombusEdge edge) { return OnS(edge) ? s.hu : s.hv; }

// A carry onto the copy past an edge, as the plan takes it: across the other edge of the pair, past
// it, turned about the pair's anchor (by +120 degrees across t = 0 or t = 1, else -120), the pair
// bent by k, its edges' band f wide.
struct Carry {
  RhombusEdge landsPast, crosses;
  double k, f;
  Point2D centre;
  bool plus;
};

Carry CarryOnto(const P3Seams& s, RhombusEdge landsPast) {
  Carry carry;
  const bool atAnchor2 = AtAnchor2(landsPast);
  carry.landsPast = landsPast;
  carry.crosses = OtherOfPair(landsPast);
  carry.k = atAnchor2 ? s.k0 : s.k1;
  carry.f = atAnchor2 ? s.fu : s.fv;
  carry.centre = atAnchor2 ? s.c10 : s.c01;
  carry.plus = !OnS(carry.crosses);
  return carry;
}

// Whether the row adds `region` for the amplitudes.
bool RowHolds(const P3BlendRow& row, P3Region region, const P3Seams& s) {
  return row.region == region && Holds(row.when, s.k0, s.k1);
}

// A side in the frame's s and t, as a side of the program's lattice position.
HalfPlane FrameSide(const TileGenerator& g, const P3Seams& s, const HalfPlane& st) {
  return detail::InLatticeSide(g, [&](const Point2D& q) {
    const Point2D p = s.frame.PlaneToLattice(q.x, q.y);
    return st.nu * p.x + st.nv * p.y + st.n1;
  });
}

// The plan's turn of a source point about a frame corner, as a map of the program's position.
detail::LatticeAffine TurnedAbout(const TileGenerator& g, const P3Seams& s, const Point2D& centre,
                                  bool plus) {
  return detail::InLattice(g, [&](const Point2D& q) {
    const Point2D st = s.frame.PlaneToLattice(q.x, q.y);
    const Point2D p = s.source(st.x, st.y);
    const Point2D back = s.ToFrame(plus ? p.RotatePlus120(centre) : p.RotateMinus120(centre));
    return s.frame.LatticeToPlane(back.x, back.y);
  });
}

}  // namespace

void AddP3BentSteps(const TileGenerator& g, const P3Seams& s, detail::FoldProgram& program) {
  // The unbent bands reach only as far as the rhombus's turns move the plan's clamps: the carries
  // are taken on the positions the plan carries.
  program.reachSteps = program.stepCount;
  // The plan's bump is the larger of 3 p (1 - p) of p = (s - hu) / (1 - fu) and of the same of t,
  // each clamped to [0, 1], read before either carry; a pair of edges moves by its amplitude times
  // the bump over the square root of 2, times 1 - fu (or 1 - fv): the carries' sums less that,
  // the bands' more.
  const HalfPlane alongS = FrameSide(g, s, {1 / (1 - s.fu), 0, -s.hu / (1 - s.fu)}),
                  alongT = FrameSide(g, s, {0, 1 / (1 - s.fv), -s.hv / (1 - s.fv)});
  auto bend = [&](const Carry& carry, double sign) {
    detail::SideBend b;
    b.amount = sign * 3 * (1 - carry.f) * std::abs(carry.k) / kSqrt2;
    b.tu = alongS.nu;
    b.tv = alongS.nv;
    b.t1 = alongS.n1;
    b.clamped = b.twoBumps = true;
    b.t2u = alongT.nu;
    b.t2v = alongT.nv;
    b.t21 = alongT.n1;
    return b;
  };
  const double tol = kGeometryTolerance;
  // Unfeathered a carry marks the pixels near its edge; feathered, those in the band about it,
  // half a feather wide, and every position it carries. The edges at anchor2 first: bent by a
  // positive k0, a position short of the edge t = 0 turns by +120 degrees about it onto the copy
  // past s = 1; by a negative one, past s = 1 by -120. Then those at anchor1, on the position as
  // the first carry left it: short of s = 0 by -120, past t = 1 by +120.
  const bool feathered = s.fv != 0;
  for (const P3BlendRow& row : kP3Blends) {
    if (!RowHolds(row, P3Region::kCarriedBand, s)) continue;
    const Carry carry = CarryOnto(s, row.edge);
    program.AddBentMarked(FrameSide(g, s, Past(carry.crosses, tol)), false, bend(carry, -1),
                          TurnedAbout(g, s, carry.centre, carry.plus), feathered ? -kAllOfIt : 0,
                          feathered ? HalfBand(s, carry.crosses) + tol : 0);
  }
  // Feathered, steps that move nothing mark the pixels in the bands about the edges the carries
  // carry onto, on the position as they leave it.
  for (const P3BlendRow& row : kP3Blends) {
    if (!feathered || !RowHolds(row, P3Region::kCarriedBand, s)) continue;
    const Carry carry = CarryOnto(s, row.edge);
    program.AddBentMarked(FrameSide(g, s, Inside(row.edge, HalfBand(s, row.edge))), false, bend(carry, 1), {},
                          -kAllOfIt, 0);
  }
  // The carries take positions past the rhombus by as far as the bends move its edges.
  ReadThroughTheFrame(g, s, program, 0.75 / kSqrt2 * std::max(std::abs(s.k0), std::abs(s.k1)) + 0.01);
}

namespace {

// A frame position turned about a frame corner, as the plan carries it.
Point2D TurnedInFrame(const P3Seams& s, double u, double v, const Point2D& centre, bool plus) {
  const Point2D p = s.source(u, v);
  return s.ToFrame(plus ? p.RotatePlus120(centre) : p.RotateMinus120(centre));
}

// How far inside the rhombus a carry's turn lands the edge it carries across, which it should land
// on the edge past it: on a lattice a little off the hexagon, some way in.
double CarriesInward(const P3Seams& s) {
  auto turned = [&](double u, double v, bool plus, const Point2D& centre) {
    return TurnedInFrame(s, u, v, centre, plus);
  };
  double inward = 0;
  for (double along : {0.0, 1.0}) {
    inward = std::max({inward, 1 - turned(along, 0, true, s.c10).x, turned(1, along, false, s.c10).y,
                       1 - turned(0, along, false, s.c01).y, turned(along, 1, true, s.c01).x});
  }
  return inward;
}

// The plan's bump of a position a carry about `centre` turned, read on the position before it,
// times 3 / sqrt 2: the edges' offsets are this times (1 - fu) k0 and (1 - fv) k1.
detail::SideBend BumpBeforeTheCarry(const P3Seams& s, const Point2D& centre, bool plus) {
  const detail::LatticeAffine back = detail::AffineOf(
      [&](double u, double v) { return TurnedInFrame(s, u, v, centre, !plus); });
  detail::SideBend b;
  b.amount = 3 / kSqrt2;
  b.clamped = b.twoBumps = true;
  b.tu = back.uu / (1 - s.fu);
  b.tv = back.uv / (1 - s.fu);
  b.t1 = (back.u1 - s.hu) / (1 - s.fu);
  b.t2u = back.vu / (1 - s.fv);
  b.t2v = back.vv / (1 - s.fv);
  b.t21 = (back.v1 - s.hv) / (1 - s.fv);
  return b;
}

// The most the plan moves an edge, bent as far as the amplitudes go.
double MostOffset(const P3Seams& s) {
  return 0.75 / kSqrt2 * std::max((1 - s.fu) * std::abs(s.k0), (1 - s.fv) * std::abs(s.k1));
}

// Whether the positions a carry takes further than `landed` past an edge can blend in lanes:
// bent so far that they may reach the middle of the rhombus, the plan tests them otherwise.
bool CarriedBlendInLanes(const P3Seams& s, double landed) {
  return MostOffset(s) + landed + std::max(s.hu, s.hv) < 0.5;
}

// What the blends are set up from: how far inside an edge a carry may land a position (`landed`),
// how far past one the turns leave any (`drift`), a sliver about a line, whether the carries'
// positions blend in lanes, and the plan's offsets o0 and o1 of the edges at anchor2 and anchor1.
struct P3BlendsSetUp {
  double landed, drift, sideways;
  bool carriesBlend;
  detail::BlendBends o0, o1;
};

// The first of the blends' bumps of the position before a carry, the first carry's.
constexpr int kFirstCarryBump = 2;

// A region's sides in order, each with what bends it.
struct EdgeSides {
  HalfPlane sides[detail::BlendRegion::kMaxSides];
  detail::BlendBends bends[detail::BlendRegion::kMaxSides];
  int count = 0;

  void Add(const HalfPlane& side, const detail::BlendBends& bend = {}) {
    sides[count] = side;
    bends[count++] = bend;
  }
};

// The band about `edge` (or, where `beyond`, the copy past it): inside the edge by half its band,
// and where `between`, between the bands across the other axis, in the order s = 0, s = 1, t = 0,
// t = 1, after `past` where given. The edges at anchor2 move by o0, those at anchor1 by o1.
EdgeSides BandSides(const P3Seams& s, RhombusEdge edge, bool between, bool beyond, const HalfPlane* past,
                    const detail::BlendBends& o0, const detail::BlendBends& o1) {
  EdgeSides sides;
  if (past) sides.Add(*past);
  for (const RhombusEdge other : kEdges) {
    if (other != edge && (!between || OnS(other) == OnS(edge))) continue;
    const bool inside = other == edge && !beyond;
    const detail::BlendBends& offset = AtAnchor2(other) ? o0 : o1;
    const double half = HalfBand(s, other);
    sides.Add(inside ? Inside(other, half) : Outside(other, half), AtOne(other) == inside ? offset : -offset);
  }
  return sides;
}

// Adds a region of the sides by `add`, then bends them.
template <class Add>
void AddRegion(const EdgeSides& e, detail::SeamBlends& blends, Add&& add) {
  const HalfPlane* h = e.sides;
  switch (e.count) {
    case 1:
      add({h[0]});
      break;
    case 2:
      add({h[0], h[1]});
      break;
    case 3:
      add({h[0], h[1], h[2]});
      break;
    default:
      add({h[0], h[1], h[2], h[3]});
      break;
  }
  for (int i = 0; i < e.count; ++i) blends.BendSide(i, e.bends[i]);
}

// The own sample's weight across the edge, a half on it, rising by a whole across f into the rhombus.
detail::LatticeLinear RampInto(RhombusEdge edge, double f) {
  switch (edge) {
    case RhombusEdge::kS0:
      return {1 / f, 0, 0.5};
    case RhombusEdge::kS1:
      return {-1 / f, 0, 1 / f + 0.5};
    case RhombusEdge::kT0:
      return {0, 1 / f, 0.5};
    default:
      return {0, -1 / f, 1 / f + 0.5};
  }
}

// The band about `edge` blended with the copy across it, turned about its pair's anchor (by -120
// degrees across s = 0 or s = 1, else +120).
void AddBand(const P3Seams& s, RhombusEdge edge, bool between, const HalfPlane* past,
             const detail::BlendBends& o0, const detail::BlendBends& o1, detail::SeamBlends& blends) {
  const Point2D& centre = AtAnchor2(edge) ? s.c10 : s.c01;
  const detail::LatticeAffine copy = detail::AffineOf([&](double u, double v) {
    const Point2D p = s.source(u, v);
    return OnS(edge) ? p.RotateMinus120(centre) : p.RotatePlus120(centre);
  });
  const double f = OnS(edge) ? s.fu : s.fv;
  const detail::LatticeLinear ramp = RampInto(edge, f);
  AddRegion(BandSides(s, edge, between, false, past, o0, o1), blends,
            [&](std::initializer_list<HalfPlane> sides) { blends.AddBlend(sides, copy, ramp); });
  blends.BendWeights((AtAnchor2(edge) ? o0 : o1) * (AtOne(edge) ? 1 / f : -1 / f));
}

// Inside each edge, a sliver about it, or as far as a carry may land a position where one lands
// past it, planned; but where what the carries land blends.
void AddStripsInside(const P3Seams& s, const P3BlendsSetUp& set, detail::SeamBlends& blends) {
  for (const RhombusEdge edge : kEdges) {
    bool landing = false;
    for (const P3BlendRow& row : kP3Blends)
      landing = landing || (RowHolds(row, P3Region::kCarriedBand, s) && row.edge == edge);
    if (!landing || !set.carriesBlend) blends.AddPlanned({Inside(edge, landing ? set.landed : set.sideways)});
  }
}

// The offsets of the edges at anchor2 (or anchor1) by the bump of the position before the carry.
detail::BlendBends OffsetBeforeTheCarry(const P3Seams& s, int carry, bool atAnchor2) {
  detail::BlendBends bump;
  bump.times[kFirstCarryBump + carry] = 1;
  return atAnchor2 ? bump * ((1 - s.fu) * s.k0) : bump * ((1 - s.fv) * s.k1);
}

// Planned, past the edge a carry lands past: the strip about that edge where the turns leave
// positions uncarried and a carry lands some as far inside as it lands the edge off the other; what
// a carry took from within the turns' drift of the edge it crossed, or past it, which the plan
// clamps first; what the second carry took to near the end of its edge away from its anchor, which
// the plan's bump, read before the first, does not follow; and what it took from right on the bent
// edge, where the program and the plan may carry apart and the plan's weights jump as far as the
// turn lands the edge off the other.
void AddCarriedNear(const P3Seams& s, const P3BlendsSetUp& set, RhombusEdge landsPast, int carry,
                    detail::SeamBlends& blends) {
  const Carry c = CarryOnto(s, landsPast);
  blends.bends[kFirstCarryBump + carry] = BumpBeforeTheCarry(s, c.centre, c.plus);
  blends.bendCount = kFirstCarryBump + carry + 1;
  const detail::LatticeAffine back = detail::AffineOf(
      [&](double u, double v) { return TurnedInFrame(s, u, v, c.centre, !c.plus); });
  // The side's sum before the carry, the offset left out: how far inside the edge it was.
  const HalfPlane crossing = Past(c.crosses, kGeometryTolerance);
  const HalfPlane inside{crossing.nu * back.uu + crossing.nv * back.vu,
                         crossing.nu * back.uv + crossing.nv * back.vv,
                         crossing.nu * back.u1 + crossing.nv * back.v1 + crossing.n1};
  const HalfPlane past = Past(landsPast, set.drift);
  blends.AddPlanned({Inside(landsPast, set.landed), -past});
  blends.AddPlanned({past, HalfPlane{inside.nu, inside.nv, inside.n1 - set.drift}});
  if (carry == 1) {
    const double nearEnd = MostOffset(s) + 2 * set.landed;
    const bool alongS = !OnS(c.crosses), farHigh = AtAnchor2(landsPast) != alongS;
    const HalfPlane along = alongS ? HalfPlane{back.uu, back.uv, back.u1}
                                   : HalfPlane{back.vu, back.vv, back.v1};
    blends.AddPlanned({past, farHigh ? HalfPlane{-along.nu, -along.nv, 1 - along.n1 - nearEnd}
                                     : HalfPlane{along.nu, along.nv, along.n1 - nearEnd}});
  }
  // Near the bent edge, as far as the program's sum in floats and the plan's may differ: the sum
  // less the offset above that.
  blends.AddPlanned({past, HalfPlane{-inside.nu, -inside.nv, -inside.n1 - 4 * detail::kBentMargin}});
  blends.BendSide(1, OffsetBeforeTheCarry(s, carry, AtAnchor2(landsPast)) * (c.k > 0 ? 1.0 : -1.0));
}

// Past the edge a carry lands past: the band about it and the copy beyond it, between the bands
// across the other axis, their sides and ramps bent as the plan bends them, by the bump of the
// position before the carry; the rest planned.
void AddCarriedBand(const P3Seams& s, const P3BlendsSetUp& set, RhombusEdge landsPast, int carry,
                    detail::SeamBlends& blends) {
  const detail::BlendBends b0 = OffsetBeforeTheCarry(s, carry, true),
                           b1 = OffsetBeforeTheCarry(s, carry, false);
  const HalfPlane past = Past(landsPast, set.drift);
  AddBand(s, landsPast, true, &past, b0, b1, blends);
  AddRegion(BandSides(s, landsPast, true, true, &past, b0, b1), blends,
            [&](std::initializer_list<HalfPlane> sides) { blends.AddOwn(sides); });
  blends.AddPlanned({past});
}

}  // namespace

void DescribeP3Blends(const TileGenerator& g, const P3Seams& s, const detail::FoldProgram& program,
                      detail::SeamBlends& blends) {
  const Point2D low = program.sourceShift;
  blends.frame = detail::AffineOf(
      [&](double u, double v) { return s.ToFrame(g.LatticeToSource(u + low.x, v + low.y)); });
  // Bent, the plan moves the edges at anchor2 by o0 and those at anchor1 by o1, each its amplitude
  // times the larger bump of s and of t, read on the position before its carries: the final one
  // for every pixel not carried; a carried one lands past the rhombus, where the bump is read on
  // the position turned back.
  const bool bent = s.k0 != 0 || s.k1 != 0;
  auto offset = [&](double k, double f) {
    detail::SideBend b{3 * (1 - f) * k / kSqrt2, 1 / (1 - s.fu), 0, -s.hu / (1 - s.fu), true};
    b.twoBumps = true;
    b.t2v = 1 / (1 - s.fv);
    b.t21 = -s.hv / (1 - s.fv);
    return b;
  };
  blends.bends[0] = offset(s.k0, s.fu);
  blends.bends[1] = offset(s.k1, s.fv);
  blends.bendCount = bent ? 2 : 0;
  // Fold lines: the short diagonal, the rhombus's edges and the cell's, where the wrap meets
  // other turns.
  blends.AddFoldLines(1, 1);
  blends.AddFoldLines(2, -1);
  blends.AddFoldLines(1, -2);
  blends.AddFoldLines(1, 0);
  blends.AddFoldLines(0, 1);
  // Far beyond a fast position's error, some 1/300 pixel. Bent, a carry takes a position past an
  // edge, which the plan clamps back, as far inside the edge it lands on: by the turns' and the
  // frame's drift, and by how far its turn lands the edge inside, twice over for both carries.
  P3BlendsSetUp set;
  set.sideways = s.near / 16;
  set.drift = set.sideways + program.seamReach - s.near;
  set.landed = set.drift + 2 * CarriesInward(s);
  // Near an edge a carry lands past, or beyond it, the positions it took from further inside the
  // edge it crossed blend in the band about the edge, bent by the offsets of the position before
  // the carry.
  set.carriesBlend = bent && CarriedBlendInLanes(s, set.landed);
  set.o0 = detail::BlendBends{{bent ? 1.0 : 0, 0, 0}};
  set.o1 = detail::BlendBends{{0, bent ? 1.0 : 0, 0}};
  int near = 0, landing = 0;
  for (const P3BlendRow& row : kP3Blends) {
    if (!Holds(row.when, s.k0, s.k1)) continue;
    const bool between = row.ends == P3Ends::kBetweenTheOtherBands;
    switch (row.region) {
      case P3Region::kInside:
        AddStripsInside(s, set, blends);
        break;
      case P3Region::kCarriedNear:
        if (set.carriesBlend) AddCarriedNear(s, set, row.edge, near++, blends);
        break;
      case P3Region::kCarriedBand:
        if (set.carriesBlend) AddCarriedBand(s, set, row.edge, landing++, blends);
        break;
      case P3Region::kBand:
        AddBand(s, row.edge, between, nullptr, set.o0, set.o1, blends);
        // The corners, where the bands across the other axis cross it: planned.
        if (between) {
          blends.AddPlanned({Inside(row.edge, HalfBand(s, row.edge))});
          blends.BendSide(0, AtOne(row.edge) ? (AtAnchor2(row.edge) ? set.o0 : set.o1)
                                             : -(AtAnchor2(row.edge) ? set.o0 : set.o1));
        }
        break;
      case P3Region::kOwn:
        blends.AddOwn({});
        break;
    }
  }
}

}  // namespace corvel
