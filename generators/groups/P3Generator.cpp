#include "generators/groups/P3Generator.h"

#include <algorithm>
#include <cmath>

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/HexagonalPlans.h"

namespace corvel {

namespace {

constexpr double kSqrt2 = 1.4142135623730951;

POINT Rounded(const Point2D& p) { return {RoundToInt(p.x), RoundToInt(p.y)}; }

}  // namespace

void P3Generator::SetAnchor() {
  anchor1 = LatticeToPlane(1.0 / 3, 2.0 / 3);
  anchor2 = LatticeToPlane(2.0 / 3, 1.0 / 3);
}

void P3Generator::ComputeOrigin() {
  if (basisA.x > 0)
    origin.Set(0, -basisA.y);
  else
    origin.Set(-basisA.x, -basisB.y);
}

// Below the line through A and B (v = 1 - u) lie the triangles 0, anchor1, B (above v = 2u) and
// 0, A, anchor2 (below v = u / 2); above it B, anchor1, A + B (above v = (1 + u) / 2) and
// A, A + B, anchor2 (below v = 2u - 1). Within the tolerance of a line a point stays.
Point2D P3Generator::Fold(const Point2D& p) const {
  const Point2D uv = PlaneToLattice(p.x, p.y);
  const double u = uv.x, v = uv.y;
  const Point2D q = LatticeToPlane(u, v);
  if (CompareWithTolerance(v, 1 - u) == -1) {
    if (CompareWithTolerance(v, 2 * u) == 1) return q.RotateMinus120(anchor1);
    if (CompareWithTolerance(v, 0.5 * u) == -1) return q.RotatePlus120(anchor2);
  } else {
    if (CompareWithTolerance(v, 0.5 + 0.5 * u) == 1) return q.RotatePlus120(anchor1);
    if (CompareWithTolerance(v, 2 * u - 1) == -1) return q.RotateMinus120(anchor2);
  }
  return q;
}

// On the short diagonal a position belongs to the triangles beyond it, as in Fold. strict is
// measured as the bands measure their sums u + v, 2u - v and u - 2v: sides stated per unit of v
// measure u - 2v by halves, and twice strict reaches past the bands' margin, where a pixel of a
// large lattice would stay unturned and unplanned, though the plan turns it.
void P3Generator::AddTurnSteps(detail::FoldProgram& program, double strict) const {
  auto Beside = [strict](const Line2D& line, bool above = false) {
    detail::HalfPlane side = detail::Beside(line, above);
    side.n1 += strict * std::min(std::abs(side.nu), std::abs(side.nv));
    return side;
  };
  const Line2D shortDiagonal({0, 1}, {1, 0}), steep({0, 0}, {0.5, 1}), flat({0, 0}, {1, 0.5}),
      upper({0, 0.5}, {1, 1}), lower({0.5, 0}, {1, 1});
  auto turn = [this](const Point2D& centre, bool plus) {
    return detail::InLattice(
        *this, [&](const Point2D& q) { return plus ? q.RotatePlus120(centre) : q.RotateMinus120(centre); });
  };
  program.AddInCorner(Beside(shortDiagonal), false, Beside(steep, true), turn(anchor1, false));
  program.AddInCorner(Beside(shortDiagonal), false, Beside(flat), turn(anchor2, true));
  program.AddInCorner(Beside(shortDiagonal), true, Beside(upper, true), turn(anchor1, true));
  program.AddInCorner(Beside(shortDiagonal), true, Beside(lower), turn(anchor2, false));
}

int P3Generator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - 2 * feather1, 1 - 2 * feather2);

  // The centre frame: the rhombus spanned by the anchors, on the tile and on the source.
  TileGenerator frame;
  frame.basisA = Rounded(LatticeToPlane(2.0 / 3, 1.0 / 3));
  frame.basisB = Rounded(LatticeToPlane(1.0 / 3, 2.0 / 3));
  frame.basisC = Rounded(LatticeToSource(2.0 / 3, 1.0 / 3));
  frame.basisD = Rounded(LatticeToSource(1.0 / 3, 2.0 / 3));
  frame.PrepareLattice();
  // The source is read half the feather into the cell; the blends may reach a little further.
  const double su = feather1 / 2, sv = feather2 / 2;
  const double fu = BlendWidth(feather1, frame.basisA, frame.basisB),
               fv = BlendWidth(feather2, frame.basisA, frame.basisB), hu = fu / 2, hv = fv / 2;
  const FeatherSource source(frame, su, sv);
  const Point2D c00 = source(0, 0), c10 = source(1, 0), c01 = source(0, 1), c11 = source(1, 1);
  auto toFrame = [&](const Point2D& p) {
    const Point2D st = frame.detN == 0 ? p : frame.invN.Apply(p.x, p.y);
    return Point2D(st.x - su, st.y - sv);
  };
  // The six-copy corners weigh the pixel against the triangle of their band ends.
  const Point2D t0a = source(0, hv) + origin, t0b = source(hu, 0) + origin, t0c = c00 + origin;
  const Point2D t1a = source(1 - hu, 1) + origin, t1b = source(1, 1 - hv) + origin, t1c = c11 + origin;
  const double k0 = seamK0, k1 = seamK1;
  const double near = ThirdOfAPixel(frame.basisA, frame.basisB);
  // Unbent and unfeathered nothing bends or carries: the plan needs the clamped position alone.
  const bool hardUnbent = IsZero(fv) && k0 == 0 && k1 == 0;

  auto planPixel = [&](int x, int y, SamplePlan& plan) {
    const Point2D q = Fold(WrapToCell(x, y));
    const Point2D folded = frame.PlaneToLattice(q.x, q.y);
    double s = Clamp01(folded.x), t = Clamp01(folded.y);
    if (hardUnbent) {
      // A pixel right on a hard seam shows the side every copy of it shows: the edge s = 1 turned
      // about its anchor onto t = 0, the edge t = 1 onto s = 0. The turns of a nearly hexagonal
      // lattice end a little off the edges, so "on" is within a third of a pixel.
      const Point2D own = source(s, t);
      if (s > 1 - near && t > near)
        plan.Single(own.RotateMinus120(c10));
      else if (t > 1 - near && s < 1 - near)
        plan.Single(own.RotatePlus120(c01));
      else
        plan.Single(own);
      return;
    }

    // Both seam curves follow the larger bump along either edge; k0 bends the edges at anchor2,
    // k1 those at anchor1.
    // Unbent, the offsets are zeros whatever the bump: its divisions are left out where it is finite.
    double bump = 1;
    if (k0 != 0 || k1 != 0 || !(s == s && t == t && fu != 1 && fv != 1)) {
      const double ps = Clamp01((s - hu) / (1 - fu)), pt = Clamp01((t - hv) / (1 - fv));
      bump = Bump(ps) > Bump(pt) ? Bump(ps) : Bump(pt);
    }
    const double o1 = (1 - fv) * k1 * bump / kSqrt2, o0 = (1 - fu) * k0 * bump / kSqrt2;

    // Beyond a bent edge the point belongs to the copy turned about that edge's anchor.
    auto carry = [&](bool plus, const Point2D& centre) {
      const Point2D p = source(s, t);
      const Point2D st = toFrame(plus ? p.RotatePlus120(centre) : p.RotateMinus120(centre));
      s = st.x;
      t = st.y;
    };
    if (o0 > 0) {
      if (CompareWithTolerance(t - o0, 0) == -1) carry(true, c10);
    } else if (CompareWithTolerance(s - o0, 1) == 1) {
      carry(false, c10);
    }
    if (o1 > 0) {
      if (CompareWithTolerance(s - o1, 0) == -1) carry(false, c01);
    } else if (CompareWithTolerance(t - o1, 1) == 1) {
      carry(true, c01);
    }

    const Point2D own = source(s, t);
    if (IsZero(fv)) {
      plan.Single(own);
      return;
    }
    // At an anchor three copies meet: the own sample and the two turns about the anchor,
    // weighted by the pixel's place in the corner triangle.
    auto anchorCorner = [&](const Point2D& a, const Point2D& b, const Point2D& c, const Point2D& s2,
                            const Point2D& s3, bool nearAnchor) {
      double b1, b2, b3;
      BarycentricCoords(a, b, c, {s, t}, b1, b2, b3);
      if (nearAnchor)
        PlanThree(plan, own, 0.5 - b1 / 6, s2, b1 / 3 + b2 / 2, s3, b1 / 3 + b3 / 2);
      else
        PlanThree(plan, own, 0.5 + b1 / 2, s2, b2 / 2, s3, b3 / 2);
    };
    // At 0 and A + B six copies meet.
    auto sixCorner = [&](const Point2D& a, const Point2D& b, const Point2D& c, const Point2D& s2,
                         const Point2D& s3, const Point2D& s4, const Point2D& s5, const Point2D& s6) {
      double b1, b2, b3;
      BarycentricCoords(a, b, c, own + origin, b1, b2, b3);
      plan.Clear();
      plan.Add(own, Clamp01(b1 / 2 + b2 / 2 + b3 / 6));
      plan.Add(s2, Clamp01(b3 / 6));
      plan.Add(s3, Clamp01(b3 / 6));
      plan.Add(s4, Clamp01(b2 / 2 + b3 / 6));
      plan.Add(s5, Clamp01(b3 / 6));
      plan.Add(s6, Clamp01(b1 / 2 + b3 / 6));
      LimitWeightsToOne(plan);
    };

    if (s < hu + o1) {
      if (t < hv + o0) {
        if (t < (hv + o0) - s) {
          const Point2D s4 = own.RotatePlus120(c10);
          sixCorner(t0a, t0b, t0c, own.RotateMinus120(c00), own.RotatePlus120(c00), s4,
                    s4.RotateMinus120(c11), own.RotateMinus120(c01));
        } else {
          const double wa = 0.5 - (s - o1) / fu, wb = 0.5 - (t - o0) / fv;
          PlanThree(plan, own.RotateMinus120(c01), wa, own.RotatePlus120(c10), wb, own, 1 - wb - wa);
        }
      } else if (t > (1 - hv) + o1) {
        if (t > s + 1 - hv)
          anchorCorner({0, 1}, {0, 1 - hv}, {hu, 1}, own.RotateMinus120(c01), own.RotatePlus120(c01), true);
        else
          anchorCorner({hu, 1 - hv}, {0, 1 - hv}, {hu, 1}, own.RotateMinus120(c01), own.RotatePlus120(c01),
                       false);
      } else {
        PlanBand(plan, own, own.RotateMinus120(c01), Ramp(s - o1, fu));
      }
    } else if (s > (1 - hu) + o0) {
      if (t < hv + o0) {
        if (t < s - 1 + hu)
          anchorCorner({1, 0}, {1 - hu, 0}, {1, hv}, own.RotatePlus120(c10), own.RotateMinus120(c10), true);
        else
          anchorCorner({1 - hu, hv}, {1 - hu, 0}, {1, hv}, own.RotatePlus120(c10), own.RotateMinus120(c10),
                       false);
      } else if (t > (1 - hv) + o1) {
        if (t > (2 - hv - s) + o1) {
          const Point2D s4 = own.RotateMinus120(c10);
          sixCorner(t1a, t1b, t1c, own.RotateMinus120(c11), own.RotatePlus120(c11), s4, s4.RotatePlus120(c00),
                    own.RotatePlus120(c01));
        } else {
          const double wa = 0.5 - ((1 - s) + o0) / fu, wb = 0.5 - ((1 - t) + o1) / fv;
          PlanThree(plan, own.RotateMinus120(c10), wa, own.RotatePlus120(c01), wb, own, 1 - wb - wa);
        }
      } else {
        PlanBand(plan, own, own.RotateMinus120(c10), Ramp((1 - s) + o0, fu));
      }
    } else if (t < hv + o0) {
      PlanBand(plan, own, own.RotatePlus120(c10), Ramp(t - o0, fv));
    } else if (t > (1 - hv) + o1) {
      PlanBand(plan, own, own.RotatePlus120(c01), Ramp((1 - t) + o1, fv));
    } else {
      plan.Single(own);
    }
  };

  // Unbent, a pixel away from the seams is one sample of its position turned onto the rhombus
  // and read through the frame. The seams lie on the lines where 2u - v, u - 2v or u + v is whole
  // (the frame's s, -t and s + t); the pixels of bands about them as wide as the blends (half a
  // feather), and as far again as the seams' reach, are planned as above.
  detail::FoldProgram fold;
  AddTurnSteps(fold);
  const double turnDrift = detail::HexagonalDrift(fold);
  detail::LatticeAffine toSource = detail::AffineOf([&](double u, double v) {
    const Point2D q = LatticeToPlane(u, v);
    const Point2D p = source(frame.PlaneToLattice(q.x, q.y));
    return detN == 0 ? p : invN.Apply(p.x, p.y);
  });
  // The rhombus's corners bound what the map reaches; its least corner becomes the program's 0.
  Point2D low(1e300, 1e300), high(-1e300, -1e300);
  for (const Point2D& corner :
       {Point2D(0, 0), Point2D(2.0 / 3, 1.0 / 3), Point2D(1, 1), Point2D(1.0 / 3, 2.0 / 3)}) {
    const Point2D p(toSource.uu * corner.x + toSource.uv * corner.y + toSource.u1,
                    toSource.vu * corner.x + toSource.vv * corner.y + toSource.v1);
    low = {std::min(low.x, p.x), std::min(low.y, p.y)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y)};
  }
  toSource.u1 -= low.x;
  toSource.v1 -= low.y;
  fold.readThrough = toSource;
  fold.sourceShift = low;
  fold.reachU = high.x - low.x;
  fold.reachV = high.y - low.y;
  const double w = std::max(hu, hv);
  // Six seams leave each lattice point, three each anchor: a line is a seam only within a third
  // of a cell of its lattice points, where u (on u - 2v, v) lies within a third of a whole number.
  // Past a seam's end the other bands hold the blends about it but for less than w / 4 along the
  // line: w / 2, for room.
  const detail::FoldProgram::Band nearLatticePoints{true, -1.0 / 3 - w / 2, 1.0 / 3 + w / 2, 1};
  fold.skewBands[0] = {2, -1, {true, -w, w, 1}, 1, 0, nearLatticePoints};
  fold.skewBands[1] = {1, -2, {true, -w, w, 1}, 0, 1, nearLatticePoints};
  fold.skewBands[2] = {1, 1, {true, -w, w, 1}, 1, 0, nearLatticePoints};
  // The frame's corners are whole pixels: its s and t stray from the lattice's 2u - v and 2v - u,
  // so the plan's seams from the program's, by up to this much where the turns leave positions:
  // on the rhombus, up to the turns' own drift from the hexagon's, which adds to it. Where that
  // drift cannot be told, over the cell, with half a pixel along the row.
  const bool onRhombus = turnDrift >= 0;
  double frameDrift = 0;
  for (const Point2D& corner : {Point2D(0, 0), onRhombus ? Point2D(2.0 / 3, 1.0 / 3) : Point2D(1, 0),
                                onRhombus ? Point2D(1.0 / 3, 2.0 / 3) : Point2D(0, 1), Point2D(1, 1)}) {
    const Point2D q = LatticeToPlane(corner.x, corner.y);
    const Point2D st = frame.PlaneToLattice(q.x, q.y);
    const double s = 2 * corner.x - corner.y, t = 2 * corner.y - corner.x;
    frameDrift = std::max(
        {frameDrift, std::abs(st.x - s), std::abs(st.y - t), std::abs(st.x + st.y - s - t)});
  }
  fold.seamReach = near + frameDrift + std::max(turnDrift, 0.0);
  fold.ReachOwnSeams();
  if (onRhombus) fold.slackPixels = 0.25;
  // Feathered, the bands' pixels blend as below in lanes, in the frame; the corners stay planned,
  // and so do pixels past the rhombus's edges (or within a sliver of them), where the turns of a
  // lattice a little off the hexagon carry some positions and the plan clamps them back.
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  auto turned = [&](Point2D (Point2D::*turn)(Point2D) const, const Point2D& centre) {
    return detail::AffineOf([&](double s, double t) { return (source(s, t).*turn)(centre); });
  };
  detail::SeamBlends blends;
  blends.frame = detail::AffineOf(
      [&](double u, double v) { return toFrame(LatticeToSource(u + low.x, v + low.y)); });
  // Fold lines: the short diagonal, the rhombus's edges and the cell's, where the wrap meets
  // other turns.
  blends.AddFoldLines(1, 1);
  blends.AddFoldLines(2, -1);
  blends.AddFoldLines(1, -2);
  blends.AddFoldLines(1, 0);
  blends.AddFoldLines(0, 1);
  const double sideways = near / 16;  // far beyond a fast position's error, some 1/300 pixel
  blends.AddPlanned({UBelow(sideways)});
  blends.AddPlanned({UAbove(1 - sideways)});
  blends.AddPlanned({VBelow(sideways)});
  blends.AddPlanned({VAbove(1 - sideways)});
  blends.AddBlend({UBelow(hu), VAbove(hv), VBelow(1 - hv)}, turned(&Point2D::RotateMinus120, c01),
                  {1 / fu, 0, 0.5});
  blends.AddPlanned({UBelow(hu)});
  blends.AddBlend({UAbove(1 - hu), VAbove(hv), VBelow(1 - hv)}, turned(&Point2D::RotateMinus120, c10),
                  {-1 / fu, 0, 1 / fu + 0.5});
  blends.AddPlanned({UAbove(1 - hu)});
  blends.AddBlend({VBelow(hv)}, turned(&Point2D::RotatePlus120, c10), {0, 1 / fv, 0.5});
  blends.AddBlend({VAbove(1 - hv)}, turned(&Point2D::RotatePlus120, c01), {0, -1 / fv, 1 / fv + 0.5});
  blends.AddOwn({});
  if (fv != 0 && frame.detN != 0) fold.blends = &blends;
  // Unfeathered, a pixel right on the cell's edge that the fast positions wrap to the other copy
  // than the plan's is planned.
  fold.planCellEdges = fold.blends == nullptr;
  detail::P3PlanLanes lanes;
  detail::TileWorkerRows::PlanPositions planPositions;
  if (hardUnbent && detail::HasLaneLattice(*this) && detail::HasLaneLattice(frame) && render.cpu.avx2) {
    lanes = {detail::LaneLatticeOf(*this), frame.invM, frame.matN, anchor1, anchor2, c10, c01, su, sv, near};
    planPositions = [&lanes](int x0, int y, const int* xs, int count, std::int32_t* positions) {
      detail::PlanP3Avx2(lanes, x0, y, xs, count, positions);
    };
  }
  return RunTileWorker(*this, meter, planPixel, k0 == 0 && k1 == 0 ? &fold : nullptr, planPositions);
}

}  // namespace corvel
