#include "generators/groups/P3Seams.h"

#include <algorithm>
#include <cmath>

#include "generators/detail/DoublesRule.h"

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

// Below any bent sum of a position the program reaches.
constexpr double kAllOfIt = 1e6;

// nS s + nT t + n1 of the frame's s and t, as a side of the program's lattice position.
detail::HalfPlane FrameSide(const TileGenerator& g, const P3Seams& s, double nS, double nT, double n1) {
  return detail::InLatticeSide(g, [&](const Point2D& q) {
    const Point2D st = s.frame.PlaneToLattice(q.x, q.y);
    return nS * st.x + nT * st.y + n1;
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
  const detail::HalfPlane alongS = FrameSide(g, s, 1 / (1 - s.fu), 0, -s.hu / (1 - s.fu)),
                          alongT = FrameSide(g, s, 0, 1 / (1 - s.fv), -s.hv / (1 - s.fv));
  auto bend = [&](double k, double f, double sign) {
    detail::SideBend b;
    b.amount = sign * 3 * (1 - f) * std::abs(k) / kSqrt2;
    b.tu = alongS.nu;
    b.tv = alongS.nv;
    b.t1 = alongS.n1;
    b.clamped = b.twoBumps = true;
    b.t2u = alongT.nu;
    b.t2v = alongT.nv;
    b.t21 = alongT.n1;
    return b;
  };
  const double tol = kGeometryTolerance, hu = s.hu, hv = s.hv;
  // Unfeathered a carry marks the pixels near its edge; feathered, those in the band about it,
  // half a feather wide, and every position it carries.
  const bool feathered = s.fv != 0;
  auto carry = [&](double k, double f, double nS, double nT, double n1, const Point2D& centre, bool plus,
                   double half) {
    program.AddBentMarked(FrameSide(g, s, nS, nT, n1), false, bend(k, f, -1), TurnedAbout(g, s, centre, plus),
                          feathered ? -kAllOfIt : 0, feathered ? half + tol : 0);
  };
  // The edges at anchor2 first: bent by a positive k0, a position short of the edge t = 0 turns
  // by +120 degrees about it onto the copy past s = 1; by a negative one, past s = 1 by -120.
  if (s.k0 > 0) carry(s.k0, s.fu, 0, 1, tol, s.c10, true, hv);
  if (s.k0 < 0) carry(s.k0, s.fu, -1, 0, 1 + tol, s.c10, false, hu);
  // Then those at anchor1, on the position as the first carry left it: short of s = 0 by -120,
  // past t = 1 by +120.
  if (s.k1 > 0) carry(s.k1, s.fv, 1, 0, tol, s.c01, false, hu);
  if (s.k1 < 0) carry(s.k1, s.fv, 0, -1, 1 + tol, s.c01, true, hv);
  // Feathered, steps that move nothing mark the pixels in the bands about the edges the carries
  // carry onto, on the position as they leave it: past s = 1 or t = 0 bent by k0, past t = 1 or
  // s = 0 bent by k1.
  if (feathered) {
    auto band = [&](double k, double f, double nS, double nT, double n1) {
      program.AddBentMarked(FrameSide(g, s, nS, nT, n1), false, bend(k, f, 1), {}, -kAllOfIt, 0);
    };
    if (s.k0 > 0) band(s.k0, s.fu, -1, 0, 1 - hu);
    if (s.k0 < 0) band(s.k0, s.fu, 0, 1, -hv);
    if (s.k1 > 0) band(s.k1, s.fv, 0, -1, 1 - hv);
    if (s.k1 < 0) band(s.k1, s.fv, 1, 0, -hu);
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

// A carry as the program's step takes it, across the edges at anchor2 or anchor1: about `centre`,
// by +120 degrees where `plus`, where nS s + nT t + n1 less the edge's offset is negative; what it
// lands further past the edge it lands past than the turns leave any position lies in `past`. The
// end of its edge away from its anchor is at s (alongS, else t) = 0, or 1 where farHigh.
struct Carry {
  bool atAnchor2;  // across the edges k0 bends, else k1
  double k;
  Point2D centre;
  bool plus;
  double nS, nT, n1;
  bool alongS, farHigh;
  detail::HalfPlane past;
};

// Where the carries land: the band about the edge and the copy beyond it, their sides and ramps
// bent as the plan bends them, by the bump of the position before the carry; the rest planned.
// First, planned: the strip about the edge landed past where the turns leave positions uncarried
// and a carry lands some as far inside as it lands the edge off the other; what a carry took from
// within the turns' drift of the edge it crossed, or past it, which the plan clamps first; what the
// first carry took to near the end of the second's edge, which the plan's bump does not follow;
// and what it took from right on the bent edge, where the program and the plan may carry apart
// and the plan's weights jump as far as the turn lands the edge off the other.
void AddCarriedBands(const P3Seams& s, double landed, double drift, detail::SeamBlends& blends) {
  using detail::HalfPlane;
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  const double fu = s.fu, fv = s.fv, hu = s.hu, hv = s.hv, tol = kGeometryTolerance;
  // The turns leave no position further than `drift` past an edge: every position further was
  // carried.
  const HalfPlane pastS0 = UBelow(-drift), pastS1 = UAbove(1 + drift), pastT0 = VBelow(-drift),
                  pastT1 = VAbove(1 + drift);
  // As AddP3BentSteps carries: the edges at anchor2 first, then those at anchor1.
  Carry carries[2];
  int count = 0;
  if (s.k0 > 0) carries[count++] = {true, s.k0, s.c10, true, 0, 1, tol, true, false, pastS1};
  if (s.k0 < 0) carries[count++] = {true, s.k0, s.c10, false, -1, 0, 1 + tol, false, true, pastT0};
  if (s.k1 > 0) carries[count++] = {false, s.k1, s.c01, false, 1, 0, tol, false, false, pastT1};
  if (s.k1 < 0) carries[count++] = {false, s.k1, s.c01, true, 0, -1, 1 + tol, true, true, pastS0};
  // The offsets o0 and o1 of the edges by the bump before each carry.
  detail::BlendBends o0[2], o1[2];
  const double nearEnd = MostOffset(s) + 2 * landed;
  for (int c = 0; c < count; ++c) {
    const Carry& carry = carries[c];
    detail::BlendBends bump;
    bump.times[blends.bendCount] = 1;
    blends.bends[blends.bendCount++] = BumpBeforeTheCarry(s, carry.centre, carry.plus);
    o0[c] = bump * ((1 - fu) * s.k0);
    o1[c] = bump * ((1 - fv) * s.k1);
    const detail::LatticeAffine back = detail::AffineOf(
        [&](double u, double v) { return TurnedInFrame(s, u, v, carry.centre, !carry.plus); });
    // The side's sum before the carry, the offset left out: how far inside the edge it was.
    const HalfPlane inside{carry.nS * back.uu + carry.nT * back.vu, carry.nS * back.uv + carry.nT * back.vv,
                           carry.nS * back.u1 + carry.nT * back.v1 + carry.n1};
    // Within `landed` of the edge it lands past, or past it by no more than `drift`: where the
    // turns leave positions uncarried, and a carry lands them as far inside as it lands the edge off
    // the other.
    blends.AddPlanned({carry.past == pastS0   ? UBelow(landed)
                       : carry.past == pastS1 ? UAbove(1 - landed)
                       : carry.past == pastT0 ? VBelow(landed)
                                              : VAbove(1 - landed),
                       -carry.past});
    // What lay within `drift` of the edge it crossed, or past it, which the plan clamps first.
    blends.AddPlanned({carry.past, HalfPlane{inside.nu, inside.nv, inside.n1 - drift}});
    // What the first carry took to near the end of the second's edge away from its anchor, which the
    // plan's bump, read before the first, does not follow.
    if (c == 1) {
      const HalfPlane along = carry.alongS ? HalfPlane{back.uu, back.uv, back.u1}
                                           : HalfPlane{back.vu, back.vv, back.v1};
      blends.AddPlanned({carry.past, carry.farHigh ? HalfPlane{-along.nu, -along.nv, 1 - along.n1 - nearEnd}
                                                   : HalfPlane{along.nu, along.nv, along.n1 - nearEnd}});
    }
    // Near the bent edge, as far as the program's sum in floats and the plan's may differ: the sum
    // less the offset above that.
    blends.AddPlanned({carry.past, HalfPlane{-inside.nu, -inside.nv, -inside.n1 - 4 * detail::kBentMargin}});
    blends.BendSide(1, (carry.atAnchor2 ? o0[c] : o1[c]) * (carry.k > 0 ? 1.0 : -1.0));
  }
  auto partner = [&](const Point2D& centre, bool plus) {
    return detail::AffineOf([&](double u, double v) {
      const Point2D p = s.source(u, v);
      return plus ? p.RotatePlus120(centre) : p.RotateMinus120(centre);
    });
  };
  // The band's sides and weight bent, then the copy beyond it's, from the second side on.
  auto bend = [&](std::initializer_list<detail::BlendBends> sides, const detail::BlendBends& weight) {
    int side = 1;
    for (const detail::BlendBends& by : sides) blends.BendSide(side++, by);
    blends.BendWeights(weight);
  };
  for (int c = 0; c < count; ++c) {
    const Carry& carry = carries[c];
    const detail::BlendBends &b0 = o0[c], &b1 = o1[c];
    if (carry.past == pastS1) {
      // Past s = 1, between the bands across t.
      blends.AddBlend({pastS1, UAbove(1 - hu), VAbove(hv), VBelow(1 - hv)}, partner(s.c10, false),
                      {-1 / fu, 0, 1 / fu + 0.5});
      bend({b0, b0, -b1}, b0 * (1 / fu));
      blends.AddOwn({pastS1, UBelow(1 - hu), VAbove(hv), VBelow(1 - hv)});
      bend({-b0, b0, -b1}, {});
    } else if (carry.past == pastT0) {
      // Past t = 0, between the bands across s.
      blends.AddBlend({pastT0, UAbove(hu), UBelow(1 - hu), VBelow(hv)}, partner(s.c10, true),
                      {0, 1 / fv, 0.5});
      bend({b1, -b0, -b0}, b0 * (-1 / fv));
      blends.AddOwn({pastT0, UAbove(hu), UBelow(1 - hu), VAbove(hv)});
      bend({b1, -b0, b0}, {});
    } else if (carry.past == pastS0) {
      // Past s = 0, between the bands across t.
      blends.AddBlend({pastS0, UBelow(hu), VAbove(hv), VBelow(1 - hv)}, partner(s.c01, false),
                      {1 / fu, 0, 0.5});
      bend({-b1, b0, -b1}, b1 * (-1 / fu));
      blends.AddOwn({pastS0, UAbove(hu), VAbove(hv), VBelow(1 - hv)});
      bend({b1, b0, -b1}, {});
    } else {
      // Past t = 1, between the bands across s.
      blends.AddBlend({pastT1, UAbove(hu), UBelow(1 - hu), VAbove(1 - hv)}, partner(s.c01, true),
                      {0, -1 / fv, 1 / fv + 0.5});
      bend({b1, -b0, b1}, b1 * (1 / fv));
      blends.AddOwn({pastT1, UAbove(hu), UBelow(1 - hu), VBelow(1 - hv)});
      bend({b1, -b0, -b1}, {});
    }
    blends.AddPlanned({carry.past});
  }
}

}  // namespace

void DescribeP3Blends(const TileGenerator& g, const P3Seams& s, const detail::FoldProgram& program,
                      detail::SeamBlends& blends) {
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  auto turned = [&](Point2D (Point2D::*turn)(Point2D) const, const Point2D& centre) {
    return detail::AffineOf([&](double u, double v) { return (s.source(u, v).*turn)(centre); });
  };
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
  const detail::BlendBends o0{{bent ? 1.0 : 0, 0, 0}}, o1{{0, bent ? 1.0 : 0, 0}};
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
  const double sideways = s.near / 16;
  const double landed = sideways + program.seamReach - s.near + 2 * CarriesInward(s);
  // Near an edge a carry lands past, or beyond it, the positions it took from further inside the
  // edge it crossed blend in the band about the edge, bent by the offsets of the position before
  // the carry.
  const bool carriesBlend = bent && CarriedBlendInLanes(s, landed);
  auto planned = [&](const detail::HalfPlane& inside, bool landing) {
    if (!landing || !carriesBlend) blends.AddPlanned({inside});
  };
  planned(UBelow(s.k1 < 0 ? landed : sideways), s.k1 < 0);
  planned(UAbove(1 - (s.k0 > 0 ? landed : sideways)), s.k0 > 0);
  planned(VBelow(s.k0 < 0 ? landed : sideways), s.k0 < 0);
  planned(VAbove(1 - (s.k1 > 0 ? landed : sideways)), s.k1 > 0);
  if (carriesBlend) AddCarriedBands(s, landed, sideways + program.seamReach - s.near, blends);
  // The bands across s between those across t, as the plan tests them: s < hu + o1, t > hv + o0,
  // t < 1 - hv + o1.
  auto betweenT = [&] {
    blends.BendSide(1, o0);
    blends.BendSide(2, -o1);
  };
  blends.AddBlend({UBelow(s.hu), VAbove(s.hv), VBelow(1 - s.hv)}, turned(&Point2D::RotateMinus120, s.c01),
                  {1 / s.fu, 0, 0.5});
  blends.BendSide(0, -o1);
  betweenT();
  blends.BendWeights(o1 * (-1 / s.fu));
  blends.AddPlanned({UBelow(s.hu)});
  blends.BendSide(0, -o1);
  blends.AddBlend({UAbove(1 - s.hu), VAbove(s.hv), VBelow(1 - s.hv)}, turned(&Point2D::RotateMinus120, s.c10),
                  {-1 / s.fu, 0, 1 / s.fu + 0.5});
  blends.BendSide(0, o0);
  betweenT();
  blends.BendWeights(o0 * (1 / s.fu));
  blends.AddPlanned({UAbove(1 - s.hu)});
  blends.BendSide(0, o0);
  blends.AddBlend({VBelow(s.hv)}, turned(&Point2D::RotatePlus120, s.c10), {0, 1 / s.fv, 0.5});
  blends.BendSide(0, -o0);
  blends.BendWeights(o0 * (-1 / s.fv));
  blends.AddBlend({VAbove(1 - s.hv)}, turned(&Point2D::RotatePlus120, s.c01), {0, -1 / s.fv, 1 / s.fv + 0.5});
  blends.BendSide(0, o1);
  blends.BendWeights(o1 * (1 / s.fv));
  blends.AddOwn({});
}

}  // namespace corvel
