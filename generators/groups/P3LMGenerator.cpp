#include "generators/groups/P3LMGenerator.h"

#include <algorithm>

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/HexagonalPlans.h"

namespace corvel {

namespace {

constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kSqrt3 = 1.7320508075688772;

}  // namespace

void P3LMGenerator::SetAnchor() {
  anchor_ = LatticeToPlane(1.0 / 3, 1.0 / 3);
  mirror_ = Line2D(Point2D(basisA), Point2D(basisB));
}

void P3LMGenerator::ComputeOrigin() {
  origin.Set(0, 0);
  if (basisA.x < 0) origin.Set(-double(basisA.x + basisB.x), -double(basisA.y + basisB.y));
}

// The upper half of the cell (from v = 1 - u) is mirrored across A B; of the triangle 0, A, B
// the kites at A (beyond v = 1 - 2u, below the diagonal) and at B (above it, or beyond
// v = (1 - u) / 2) are turned onto the kite at the origin.
Point2D P3LMGenerator::FoldLattice(Point2D uv) const {
  auto turned = [this](const Point2D& st, bool plus) {
    const Point2D p = LatticeToPlane(st.x, st.y);
    const Point2D q = plus ? p.RotatePlus120(anchor_) : p.RotateMinus120(anchor_);
    return PlaneToLattice(q.x, q.y);
  };
  if (CompareWithTolerance(uv.y, 1 - uv.x) != -1) {
    const Point2D q = LatticeToPlane(uv.x, uv.y).Reflect(mirror_);
    uv = PlaneToLattice(q.x, q.y);
  }
  if (CompareWithTolerance(uv.y, 1 - 2 * uv.x) != -1)
    return turned(uv, CompareWithTolerance(uv.y, uv.x) != 1);
  if (CompareWithTolerance(uv.y, (1 - uv.x) / 2) != -1) return turned(uv, false);
  return uv;
}

Point2D P3LMGenerator::MapPoint(const Point2D& p) const {
  const Point2D uv = FoldLattice(PlaneToLattice(p.x, p.y));
  return LatticeToPlane(uv.x, uv.y);
}

int P3LMGenerator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - 2 * feather1, 1 - 2 * feather2);
  // The source is read half the feather into the cell; the blends may reach a little further.
  const double su = feather1 / 2, sv = feather2 / 2;
  const double fu = BlendWidth(feather1, basisA, basisB), fv = BlendWidth(feather2, basisA, basisB),
               hu = fu / 2, hv = fv / 2;
  const FeatherSource source(*this, su, sv);

  // The kite (0, 0), (0.5, 0), G, (0, 0.5) and the lines of its bands and corners, in lattice
  // coordinates; G's band corner Gi lies half a feather inside along the diagonal.
  const double diagonalStep = kSqrt2 / 2;
  const Point2D g(1.0 / 3, 1.0 / 3), gi(1.0 / 3 - hu * diagonalStep, 1.0 / 3 - hv * diagonalStep);
  const Line2D lk(g, {0.5, 0}), lm(g, {0, 0.5}), la(gi, {0.5 - hu, 0}), lb(gi, {0, 0.5 - hv});
  Point2D xk;
  lk.Intersect(lb, xk);
  const Point2D xm(xk.y, xk.x);
  const Line2D lg(xk, xm);
  const double h = xk.y;
  // On the source: the turn centre and the cell edges 0A and 0B, for the corners' mirror images.
  const Point2D gs = source(g);
  const Line2D edgeA(source(0, 0), source(1, 0)), edgeB(source(0, 0), source(0, 1));
  const double k0 = seamK0;
  const double near = ThirdOfAPixel(basisA, basisB);
  const bool hardUnbent = IsZero(fv) && k0 == 0;

  auto planPixel = [&](int x, int y, SamplePlan& plan) {
    const Point2D folded = FoldLattice(CellPosition(*this, x, y));
    double u = folded.x < 0 ? 0 : (folded.x >= 0.5 ? 0.5 : folded.x);
    double v = folded.y < 0 ? 0 : (folded.y >= 0.5 ? 0.5 : folded.y);
    if (v > lk.YAt(u)) v = lk.YAt(u);
    if (v > lm.YAt(u)) v = lm.YAt(u);
    if (hardUnbent) {
      // Nothing bends: only a pixel on the seam to (0, 0.5) is carried across it. A pixel right on
      // the hard seam shows the side every copy of it shows: that seam turned about G onto the one
      // to (0.5, 0). The turns of a nearly hexagonal lattice end a little off the seams, so "on"
      // is within a third of a pixel.
      if (CompareWithTolerance(v, lm.YAt(u)) != -1) {
        const Point2D q = source(u, v).RotateMinus120(gs);
        const Point2D st = detN == 0 ? q : invN.Apply(q.x, q.y);
        u = st.x - su;
        v = st.y - sv;
      }
      const Point2D own = source(u, v);
      plan.Single(OnSecondMedian({u, v}, near) ? own.RotateMinus120(gs) : own);
      return;
    }

    // The two seams from G bend by the larger bump, against the sign of k0.
    const double tu = Clamp01((u - hu) / (h - hu)), tv = Clamp01((v - hv) / (h - hv));
    const double cu = Bump(tu) * -k0 * (1 - fu), cv = Bump(tv) * -k0 * (1 - fu);
    double d = k0 >= 0 ? (cu < cv ? cu : cv) : (cu > cv ? cu : cv);
    d /= kSqrt3;

    // Beyond a bent seam the point belongs to the kite turned about G.
    const bool beyondK = d > 0 && CompareWithTolerance(u + d, lk.XAt(v)) != -1;
    const bool beyondM = d <= 0 && CompareWithTolerance(v - d, lm.YAt(u)) != -1;
    if (beyondK || beyondM) {
      const Point2D p = source(u, v);
      const Point2D q = beyondK ? p.RotatePlus120(gs) : p.RotateMinus120(gs);
      const Point2D st = detN == 0 ? q : invN.Apply(q.x, q.y);
      u = st.x - su;
      v = st.y - sv;
    }

    const Point2D own = source(u, v);
    if (IsZero(fv)) {
      plan.Single(own);
      return;
    }
    auto three = [&](const Point2D& a, const Point2D& b, const Point2D& c, bool nearCentre) {
      double ba, bb, bc;
      BarycentricCoords(a, b, c, {u, v}, ba, bb, bc);
      const Point2D plus = own.RotatePlus120(gs), minus = own.RotateMinus120(gs);
      if (nearCentre)
        PlanThree(plan, own, 0.5 - ba / 6, plus, ba / 3 + bb / 2, minus, ba / 3 + bc / 2);
      else
        PlanThree(plan, own, ba / 2 + 0.5, plus, bb / 2, minus, bc / 2);
    };
    if (u < hu) {
      if (v < hv || v <= lb.YAt(u)) {
        plan.Single(own);
      } else {
        const Point2D minus = own.RotateMinus120(gs);
        PlanCorner(plan, minus.Reflect(edgeA), minus, own.Reflect(edgeB), own, Clamp01(0.5 - u / fu),
                   Clamp01(0.5 - (lm.YAt(u) - v + d) / fu));
      }
      return;
    }
    const bool beyondA = u > v ? u > la.XAt(v) - d : v > la.YAt(u) - d;
    if (beyondA) {
      if (v < hv) {
        const Point2D plus = own.RotatePlus120(gs);
        PlanCorner(plan, plus.Reflect(edgeB), plus, own.Reflect(edgeA), own, Clamp01(0.5 - v / fv),
                   Clamp01(0.5 - (lk.XAt(v) - u + d) / fu));
      } else if (v <= lb.YAt(u) - d) {
        PlanBand(plan, own, own.RotatePlus120(gs), Ramp(lk.XAt(v) - u - d, fu));
      } else if (v <= lg.YAt(u)) {
        three(gi, xk, xm, false);
      } else {
        three(g, xk, xm, true);
      }
    } else if (v < hv || v <= lb.YAt(u) + d) {
      plan.Single(own);
    } else {
      PlanBand(plan, own, own.RotateMinus120(gs), Ramp(lm.YAt(u) - v + d, fu));
    }
  };

  // Unbent, a pixel away from the seams is one sample of its position folded as FoldLattice
  // folds it. The seams lie on the lines where 2u + v, u + 2v or u - v is whole; the pixels of
  // bands about them as wide as the blends about G (3 / 4 sqrt 2 feathers in 2u + v), and the
  // seams' reach beyond, are planned as above.
  detail::FoldProgram fold;
  using detail::Beside;
  using detail::HalfPlane;
  const detail::LatticeAffine plus120 = detail::InLattice(
      *this, [this](const Point2D& q) { return q.RotatePlus120(anchor_); });
  const detail::LatticeAffine minus120 = detail::InLattice(
      *this, [this](const Point2D& q) { return q.RotateMinus120(anchor_); });
  const Line2D beyondKite({0.5, 0}, {0, 1}), besideKite({0, 0.5}, {1, 0});
  fold.AddByLine(Line2D({0, 1}, {1, 0}), true,
                 detail::InLattice(*this, [this](const Point2D& q) { return q.Reflect(mirror_); }));
  fold.AddInCorner(Beside(beyondKite), true, HalfPlane{-1, 1, 0}, plus120, false);
  fold.AddInCorner(Beside(beyondKite), true, HalfPlane{1, -1, 0}, minus120, false);
  fold.AddByLine(besideKite, true, minus120);
  // A lattice a little off the hexagon turns some positions past the kite's mirror edges; they
  // are clamped onto them, as above.
  fold.AddByU(0, false, detail::LatticeAffine{0, 0, 0, 0, 1, 0});
  fold.AddBySide(HalfPlane{0, 1, 0}, detail::LatticeAffine{1, 0, 0, 0, 0, 0});
  fold.sourceShift = {su, sv};
  fold.reachU = fold.reachV = 0.5;
  const double w = 0.75 * kSqrt2 * std::max(fu, fv);
  // The seams' lines are seams only between the edges' midpoints and the centroids, where u (on
  // u + 2v, v) lies between 1/3 and 2/3 of a cell. Past a centroid the other two bands hold the
  // blends about G all but the first w / 3 along the line: w / 2, for room.
  const detail::FoldProgram::Band middle{true, 1.0 / 3 - w / 2, 2.0 / 3 + w / 2, 1};
  fold.skewBands[0] = {2, 1, {true, -w, w, 1}, 1, 0, middle};
  fold.skewBands[1] = {1, 2, {true, -w, w, 1}, 0, 1, middle};
  fold.skewBands[2] = {1, -1, {true, -w, w, 1}, 1, 0, middle};
  fold.ReachTurnedSeams(near);
  // The plan and the steps may wrap a pixel right on a cell's edge from either side, which the
  // turns of a lattice off the hexagon take apart: such pixels are planned where they do
  // (feathered, the blends plan them alike at full size, and every one on a scaled render).
  fold.planCellEdges = IsZero(fv);
  // Feathered, the bands' pixels blend as below in lanes, and where they meet in doubles; pixels
  // near the ends of the bands are planned, where the plan jumps, and those where the turns of a
  // lattice a little off the hexagon put the plan's positions some way from the fold's: past lm,
  // which the plan clamps onto it before turning them, so that they come out on either side of lk.
  using detail::BlendCopy;
  using detail::UBelow;
  using detail::VBelow;
  auto turned = [&](Point2D (Point2D::*turn)(Point2D) const) {
    return detail::AffineOf([&](double u, double v) { return (source(u, v).*turn)(gs); });
  };
  const detail::HalfPlane belowB = detail::Beside(lb), beyondA = detail::Beside(la, true);
  const double sideways = near / 16;  // far beyond a fast position's error, some 1/300 pixel
  detail::SeamBlends blends;
  blends.plansAsRegions = true;
  // Fold lines: A B, u = v, the lines of lk and lm and the cell's edges.
  blends.AddFoldLines(1, 1);
  blends.AddFoldLines(1, -1);
  blends.AddFoldLines(2, 1);
  blends.AddFoldLines(1, 2);
  blends.AddFoldLines(1, 0);
  blends.AddFoldLines(0, 1);
  blends.AddPlannedNear(lk, near);
  blends.AddPlannedBeyond(lm, sideways);
  blends.AddPlannedNear(la, sideways);
  blends.AddPlannedNear(lb, sideways);
  // The turn about G carries the plan's positions clamped onto the corner at (0, 0.5) to about
  // (0.5, 0), a little past v = 0 on a lattice off the hexagon: the program turns them unclamped
  // and clamps them onto v = 0, some way from the plan's.
  blends.AddPlanned({beyondA, VBelow(sideways)});
  const detail::LatticeAffine plus = turned(&Point2D::RotatePlus120),
                              minus = turned(&Point2D::RotateMinus120);
  auto toLk = [&](double u, double v) { return lk.XAt(v) - u; };
  auto toLm = [&](double u, double v) { return lm.YAt(u) - v; };
  const detail::LatticeLinear inK = detail::RampAcross(1, toLk, fu), outK = detail::RampAcross(-1, toLk, fu),
                              inM = detail::RampAcross(1, toLm, fu), outM = detail::RampAcross(-1, toLm, fu),
                              outU = {-1 / fu, 0, 0.5}, inU = {1 / fu, 0, 0.5}, outV = {0, -1 / fv, 0.5},
                              inV = {0, 1 / fv, 0.5};
  // The corners mix their copies as the plan weighs them, where their regions are the plan's
  // triangles (even feathers); else they are planned. Each corner at an edge's midpoint mixes
  // the own sample, its turn and their mirror images in the cell's edges.
  const bool corners = hu == hv;
  auto mapped = [&](auto&& map) {
    return detail::AffineOf([&](double u, double v) { return map(source(u, v)); });
  };
  blends.AddOwn({UBelow(hu), VBelow(hv)});
  blends.AddOwn({UBelow(hu), belowB});
  if (corners) {
    blends.AddCopies(
        {UBelow(hu)},
        {BlendCopy::Mapped(mapped([&](const Point2D& p) { return p.RotateMinus120(gs).Reflect(edgeA); }),
                           outU, outM),
         BlendCopy::Own(inM, inU), BlendCopy::Mapped(minus, inU, outM),
         BlendCopy::Mapped(mapped([&](const Point2D& p) { return p.Reflect(edgeB); }), inM, outU)});
    blends.AddInDoubles({UBelow(hu)});
  } else {
    blends.AddPlanned({UBelow(hu)});
  }
  blends.AddBlend({beyondA, detail::VAbove(hv), belowB}, plus, inK);
  if (corners) {
    blends.AddCopies(
        {beyondA, VBelow(hv)},
        {BlendCopy::Mapped(mapped([&](const Point2D& p) { return p.RotatePlus120(gs).Reflect(edgeB); }), outV,
                           outK),
         BlendCopy::Own(inK, inV), BlendCopy::Mapped(plus, inV, outK),
         BlendCopy::Mapped(mapped([&](const Point2D& p) { return p.Reflect(edgeA); }), inK, outV)});
    // Three copies about G, in the triangles on either side of lg.
    blends.AddCopies({beyondA, detail::Beside(lg)},
                     {BlendCopy::Own(detail::BarycentricWeight(gi, xk, xm, 0.5, 0, 0, 0.5)),
                      BlendCopy::Mapped(plus, detail::BarycentricWeight(gi, xk, xm, 0, 0.5, 0)),
                      BlendCopy::Mapped(minus, detail::BarycentricWeight(gi, xk, xm, 0, 0, 0.5))});
    blends.AddCopies({beyondA},
                     {BlendCopy::Own(detail::BarycentricWeight(g, xk, xm, -1.0 / 6, 0, 0, 0.5)),
                      BlendCopy::Mapped(plus, detail::BarycentricWeight(g, xk, xm, 1.0 / 3, 0.5, 0)),
                      BlendCopy::Mapped(minus, detail::BarycentricWeight(g, xk, xm, 1.0 / 3, 0, 0.5))});
    blends.AddInDoubles({beyondA});
  } else {
    blends.AddPlanned({beyondA});
  }
  blends.AddOwn({VBelow(hv)});
  blends.AddOwn({belowB});
  blends.AddBlend({}, minus, inM);
  if (fv != 0) fold.blends = &blends;
  detail::P3LMPlanLanes lanes;
  detail::TileWorkerRows::PlanPositions planPositions;
  if (hardUnbent && detail::HasLaneLattice(*this) && render.cpu.avx2) {
    lanes = {detail::LaneLatticeOf(*this),
             detail::LaneLineOf(mirror_),
             detail::LaneLineOf(lk),
             detail::LaneLineOf(lm),
             anchor_,
             gs,
             su,
             sv,
             near};
    planPositions = [&lanes](int x0, int y, const int* xs, int count, std::int32_t* positions) {
      detail::PlanP3LMAvx2(lanes, x0, y, xs, count, positions);
    };
  }
  return RunTileWorker(*this, meter, planPixel, k0 == 0 ? &fold : nullptr, planPositions);
}

}  // namespace corvel
