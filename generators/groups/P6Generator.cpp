#include "generators/groups/P6Generator.h"

#include <algorithm>

#include "generators/detail/FoldProgram.h"
#include "generators/detail/HexagonalPlans.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"

namespace corvel {

namespace {

constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kSqrt3 = 1.7320508075688772;
constexpr double kThird = 1.0 / 3;

}  // namespace

P6Generator::P6Generator()
    : shortDiagonal_({1, 0}, {0, 1}),
      median1_({0.5, 0}, {0, 1}),
      third_({kThird, 0}, {kThird, 1}),
      median2_({1, 0}, {0, 0.5}) {}

Point2D P6Generator::Fold(Point2D uv) const {
  if (CompareWithTolerance(uv.y, shortDiagonal_.YAt(uv.x)) != -1) uv = uv.HalfTurn({0.5, 0.5});
  const bool belowMedian1 = CompareWithTolerance(uv.y, median1_.YAt(uv.x)) == -1;
  if (belowMedian1 && CompareWithTolerance(uv.y, median2_.YAt(uv.x)) == -1) return uv;
  // B's kite lies on or above u + 2v = 1 below the first median, and above the diagonal (the
  // vertical third_ answers u) beyond it; the rest is A's.
  const bool kiteOfB = belowMedian1 || CompareWithTolerance(uv.y, third_.YAt(uv.x)) == 1;
  const Point2D q = LatticeToPlane(uv.x, uv.y);
  const Point2D turned = kiteOfB ? q.RotateMinus120(anchor_) : q.RotatePlus120(anchor_);
  return PlaneToLattice(turned.x, turned.y);
}

Point2D P6Generator::MapPoint(const Point2D& p) const {
  const Point2D uv = Fold(PlaneToLattice(p.x, p.y));
  return LatticeToPlane(uv.x, uv.y);
}

void P6Generator::ComputeOrigin() {
  if (basisA.x < 0)
    origin.Set(-double(basisA.x + basisB.x), -double(basisA.y + basisB.y));
  else
    origin.Set(0, 0);
}

int P6Generator::Generate(CProgressMeter* meter) {
  ShrinkLatticeXY(*this, 1 - 2 * feather1, 1 - 2 * feather2);
  // The source is read half the feather into the cell; the blends may reach a little further.
  const double su = feather1 / 2, sv = feather2 / 2;
  const double fu = BlendWidth(feather1, basisA, basisB), fv = BlendWidth(feather2, basisA, basisB),
               hu = fu / 2, hv = fv / 2;
  const FeatherSource source(*this, su, sv);
  auto toLattice = [&](const Point2D& s) {
    const Point2D st = detN == 0 ? s : invN.Apply(s.x, s.y);
    return Point2D(st.x - su, st.y - sv);
  };
  // The six-fold centre, the three-fold one and the two-fold ones where the axes meet the
  // medians, on the source; the corner triangle at the six-fold centre reaches half a feather
  // along each edge.
  const Point2D z = source(0, 0), t = source(kThird, kThird), h1 = source(0.5, 0), h2 = source(0, 0.5);
  const Point2D q1 = source(0, hv), q2 = source(hu, 0);

  // The kite shrunk by the feather: its three-fold corner c moves towards 0, its edges on the
  // medians become e1 and e2, and e3 cuts off the three-fold corner between i1 and j.
  const Point2D c(kThird - fu * kSqrt2 / 4, kThird - fv * kSqrt2 / 4), centroid(kThird, kThird);
  const Line2D e1(c, {0.5 - hu, 0}), e2(c, {0, 0.5 - hv});
  Point2D i1;
  median1_.Intersect(e2, i1);
  const Point2D j(i1.y, i1.x);
  const Line2D e3(i1, j);
  const double k0 = seamK0, k1 = seamK1;
  const double near = ThirdOfAPixel(basisA, basisB);
  const bool unbent = k0 == 0 && k1 == 0, hardUnbent = IsZero(fv) && unbent;

  // Unbent, a pixel away from the kites' seams is one sample of its position folded as Fold
  // folds it; the pixels of bands about every line the seams lie on are planned as below. The
  // bands reach as far as the blends, and the seams' reach beyond: half a feather about the axes'
  // lines, and about the medians' as far as the three-fold corner c lies inside (3 / 4 sqrt 2
  // feathers in 2u + v).
  detail::FoldProgram fold;
  using detail::Beside;
  using detail::HalfPlane;
  const detail::LatticeAffine minus120 = detail::InLattice(
      *this, [this](const Point2D& q) { return q.RotateMinus120(anchor_); });
  const detail::LatticeAffine plus120 = detail::InLattice(
      *this, [this](const Point2D& q) { return q.RotatePlus120(anchor_); });
  fold.AddByLine(shortDiagonal_, true, detail::LatticeAffine{-1, 0, 1, 0, -1, 1});
  fold.AddInCorner(Beside(median2_), true, Beside(median1_), minus120, false);
  fold.AddInCorner(Beside(median1_), true, HalfPlane{1, -1, 0}, minus120, false);
  fold.AddInCorner(Beside(median1_), true, HalfPlane{-1, 1, 0}, plus120, false);
  fold.sourceShift = {su, sv};
  const double w = std::max(hu, hv), wm = 0.75 * kSqrt2 * std::max(fu, fv);
  fold.bandU = fold.bandV = fold.bandSum = {true, -w, w, 1};
  // The medians' lines are seams only between two-fold and three-fold centres, where u (on
  // u + 2v, v) lies between 1/3 and 2/3 of a cell. Past a three-fold centre the other two bands
  // hold the corner's blends all but the first wm / 3 along the line: wm / 2, for room.
  const detail::FoldProgram::Band middle{true, kThird - wm / 2, 2 * kThird + wm / 2, 1};
  fold.skewBands[0] = {2, 1, {true, -wm, wm, 1}, 1, 0, middle};
  fold.skewBands[1] = {1, 2, {true, -wm, wm, 1}, 0, 1, middle};
  fold.skewBands[2] = {1, -1, {true, -wm, wm, 1}, 1, 0, middle};
  fold.ReachTurnedSeams(near);
  // Feathered, the bands' pixels blend as below in lanes, and where they meet in doubles.
  using detail::BlendCopy;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  auto turned = [&](Point2D (Point2D::*turn)(Point2D) const, const Point2D& centre) {
    return detail::AffineOf([&](double u, double v) { return (source(u, v).*turn)(centre); });
  };
  const detail::HalfPlane belowE2 = Beside(e2), beyondE1 = Beside(e1, true);
  const double sideways = near / 16;  // far beyond a fast position's error, some 1/300 pixel
  detail::SeamBlends blends;
  blends.plansAsRegions = true;
  // The turns of a lattice a little off the hexagon carry some positions past the kite's edges,
  // which the plan clamps onto them, and those on the second median it turns about the
  // three-fold centre; across the bands' ends e1 and e2 the plan jumps, and a pixel's side there
  // is for doubles to tell. The lanes leave such pixels to the plan's own fold in doubles. Fold
  // lines: the short diagonal, u = v, the medians and the cell's edges.
  blends.AddFoldLines(1, 1);
  blends.AddFoldLines(1, -1);
  blends.AddFoldLines(2, 1);
  blends.AddFoldLines(1, 2);
  blends.AddFoldLines(1, 0);
  blends.AddFoldLines(0, 1);
  blends.AddPlannedBeyond(median1_, sideways, true);
  blends.AddPlannedBeyond(median2_, sideways, true);
  blends.AddPlanned({UBelow(sideways)}, true);
  blends.AddPlanned({VBelow(sideways)}, true);
  blends.AddPlannedNear(e1, sideways, true);
  blends.AddPlannedNear(e2, sideways, true);
  // The corners mix their copies as the plan weighs them, where their regions are the plan's
  // triangles (even feathers); else they are planned.
  const bool corners = hu == hv;
  const detail::LatticeAffine plus60z = turned(&Point2D::RotatePlus60, z),
                              minus60z = turned(&Point2D::RotateMinus60, z),
                              plus120t = turned(&Point2D::RotatePlus120, t),
                              minus120t = turned(&Point2D::RotateMinus120, t);
  auto toMedian1 = [&](double u, double v) { return median1_.XAt(v) - u; };
  auto toMedian2 = [&](double u, double v) { return median2_.YAt(u) - v; };
  const detail::LatticeLinear inU = {1 / fu, 0, 0.5}, outU = {-1 / fu, 0, 0.5}, inV = {0, 1 / fv, 0.5},
                              outV = {0, -1 / fv, 0.5}, inMedian1 = detail::RampAcross(1, toMedian1, fu),
                              outMedian1 = detail::RampAcross(-1, toMedian1, fu),
                              inMedian2 = detail::RampAcross(1, toMedian2, fu),
                              outMedian2 = detail::RampAcross(-1, toMedian2, fu);
  blends.AddBlend({UBelow(hu), VAbove(hv), belowE2}, plus60z, inU);
  if (corners) {
    // Six copies about the six-fold centre, three where its two bands meet, and the corner at
    // the second median's two-fold centre.
    const Point2D a(0, hv), b(hu, 0), o(0, 0);
    const detail::LatticeLinear sixth = detail::BarycentricWeight(a, b, o, 0, 0, 1.0 / 6);
    const detail::LatticeAffine halfTurnZ = turned(&Point2D::HalfTurn, z),
                                minus120z = turned(&Point2D::RotateMinus120, z),
                                plus120z = turned(&Point2D::RotatePlus120, z);
    blends.AddCopies({UBelow(hu), VBelow(hv), HalfPlane{1, 1, -hv}},
                     {BlendCopy::Own(detail::BarycentricWeight(a, b, o, 0.5, 0.5, 1.0 / 6)),
                      BlendCopy::Mapped(minus60z, detail::BarycentricWeight(a, b, o, 0, 0.5, 1.0 / 6)),
                      BlendCopy::Mapped(plus60z, detail::BarycentricWeight(a, b, o, 0.5, 0, 1.0 / 6)),
                      BlendCopy::Mapped(halfTurnZ, sixth), BlendCopy::Mapped(minus120z, sixth),
                      BlendCopy::Mapped(plus120z, sixth)});
    blends.AddCopies({UBelow(hu), VBelow(hv)},
                     {BlendCopy::Own({1 / fu, 1 / fv, 0}), BlendCopy::Mapped(plus60z, outU),
                      BlendCopy::Mapped(minus60z, outV)});
    blends.AddCopies(
        {UBelow(hu)},
        {BlendCopy::Own(inU, inMedian2), BlendCopy::Mapped(turned(&Point2D::HalfTurn, h2), outMedian2, outU),
         BlendCopy::Mapped(plus60z, outU, inMedian2), BlendCopy::Mapped(minus120t, outMedian2, inU)});
    blends.AddInDoubles({UBelow(hu)});
  } else {
    blends.AddPlanned({UBelow(hu)});
  }
  blends.AddBlend({beyondE1, VAbove(hv), belowE2}, plus120t, inMedian1);
  if (corners) {
    // The corner at the first median's two-fold centre, and three copies about the three-fold
    // one, in the triangles on either side of e3.
    blends.AddCopies(
        {beyondE1, VBelow(hv)},
        {BlendCopy::Own(inV, inMedian1), BlendCopy::Mapped(turned(&Point2D::HalfTurn, h1), outMedian1, outV),
         BlendCopy::Mapped(minus60z, outV, inMedian1), BlendCopy::Mapped(plus120t, outMedian1, inV)});
    blends.AddCopies(
        {beyondE1, Beside(e3, true)},
        {BlendCopy::Own(detail::BarycentricWeight(centroid, i1, j, -1.0 / 6, 0, 0, 0.5)),
         BlendCopy::Mapped(plus120t, detail::BarycentricWeight(centroid, i1, j, 1.0 / 3, 0.5, 0)),
         BlendCopy::Mapped(minus120t, detail::BarycentricWeight(centroid, i1, j, 1.0 / 3, 0, 0.5))});
    blends.AddCopies({beyondE1},
                     {BlendCopy::Own(detail::BarycentricWeight(c, i1, j, 0.5, 0, 0, 0.5)),
                      BlendCopy::Mapped(plus120t, detail::BarycentricWeight(c, i1, j, 0, 0.5, 0)),
                      BlendCopy::Mapped(minus120t, detail::BarycentricWeight(c, i1, j, 0, 0, 0.5))});
    blends.AddInDoubles({beyondE1});
  } else {
    blends.AddPlanned({beyondE1});
  }
  blends.AddBlend({VBelow(hv)}, minus60z, inV);
  blends.AddOwn({belowE2});
  blends.AddBlend({}, minus120t, inMedian2);
  // The plan's fold onto the kite, clamped onto its edges; unbent, a position on the second
  // median is carried across it.
  auto ontoKite = [this](const Point2D& cell) {
    Point2D uv = Fold(cell);
    uv = {ClampHalf(uv.x), ClampHalf(uv.y)};
    if (uv.y > median1_.YAt(uv.x)) uv.y = median1_.YAt(uv.x);
    if (uv.y > median2_.YAt(uv.x)) uv.y = median2_.YAt(uv.x);
    return uv;
  };
  auto carried = [&](const Point2D& uv) {
    return CompareWithTolerance(uv.y, median2_.YAt(uv.x)) != -1 ? toLattice(source(uv).RotateMinus120(t))
                                                                : uv;
  };
  if (fv != 0) {
    fold.blends = &blends;
    blends.planFold = [&](Point2D cell) { return carried(ontoKite(cell)); };
  }
  detail::P6PlanLanes lanes;
  detail::TileWorkerRows::PlanPositions planPositions;
  if (unbent && detail::HasLaneLattice(*this) && render.cpu.avx2) {
    lanes = {detail::LaneLatticeOf(*this),
             detail::LaneLineOf(shortDiagonal_),
             detail::LaneLineOf(median1_),
             detail::LaneLineOf(third_),
             detail::LaneLineOf(median2_),
             anchor_,
             z,
             t,
             su,
             sv,
             near};
    if (fv != 0) blends.planFoldLanes = [&lanes](double* u, double* v) { detail::FoldP6Avx2(lanes, u, v); };
    if (hardUnbent)
      planPositions = [&lanes](int x0, int y, const int* xs, int count, std::int32_t* positions) {
        detail::PlanP6Avx2(lanes, x0, y, xs, count, positions);
      };
  }
  return RunTileWorker(
      *this, meter,
      [&](int x, int y, SamplePlan& plan) {
        Point2D uv = ontoKite(CellPosition(*this, x, y));
        if (hardUnbent) {
          // Nothing bends: only a pixel on the second median is carried across it. A pixel right
          // on a hard seam shows the side every copy of it shows: the axis u = 0 turned about the
          // six-fold centre onto v = 0, the second median about the three-fold centre onto the
          // first. The turns of a nearly hexagonal lattice end a little off the seams, so "on" is
          // within a third of a pixel.
          uv = carried(uv);
          const Point2D own = source(uv);
          if (uv.x < near && uv.y > near)
            plan.Single(own.RotatePlus60(z));
          else if (OnSecondMedian(uv, near))
            plan.Single(own.RotateMinus120(t));
          else
            plan.Single(own);
          return;
        }

        // Beyond a bent seam the point belongs to the kite turned about that seam's centre. The
        // seams on the axes bend by the stronger of the bumps along the two; unbent, by nothing.
        auto axisBend = [&] {
          const double s = Clamp01((uv.x - hu) / (0.5 - fu)), r = Clamp01((uv.y - hv) / (0.5 - fv));
          return LargerForPositive((1 - fu) * Bump(s) * k0, (1 - fu) * Bump(r) * k0, k0 > 0) / kSqrt3;
        };
        const double o1 = unbent ? 0 : axisBend();
        if (o1 > 0) {
          if (CompareWithTolerance(uv.y - o1, 0) == -1) uv = toLattice(source(uv).RotateMinus60(z));
        } else if (CompareWithTolerance(uv.x + o1, 0) == -1) {
          uv = toLattice(source(uv).RotatePlus60(z));
        }
        // Each median bends by the bump along itself, the first by v and the second by u: near the
        // three-fold centre, where the medians meet, the bump of the other median would carry points
        // of this one across that one.
        double bend1 = 0, bend2 = 0;
        auto medianBends = [&] {
          if (unbent) return;
          bend1 = (1 - fu) * Bump(Clamp01((uv.y - hv) / (i1.y - hu))) * -k1 / kSqrt3;
          bend2 = (1 - fu) * Bump(Clamp01((uv.x - hu) / (i1.y - hu))) * -k1 / kSqrt3;
        };
        medianBends();
        const double across = k1 < 0 ? bend1 : bend2;
        if (across > 0) {
          if (CompareWithTolerance(uv.x + across, median1_.XAt(uv.y)) != -1) {
            uv = toLattice(source(uv).RotatePlus120(t));
            medianBends();
          }
        } else if (CompareWithTolerance(uv.y - across, median2_.YAt(uv.x)) != -1) {
          uv = toLattice(source(uv).RotateMinus120(t));
          medianBends();
        }

        const double u = uv.x, v = uv.y;
        const Point2D own = source(u, v);
        if (IsZero(fv)) {
          plan.Single(own);
          return;
        }
        // Signed distances to the four seams, positive inside the kite.
        const double toAxisV = u + o1, toAxisU = v - o1;
        const double toMedian1 = median1_.XAt(v) - u - bend1, toMedian2 = median2_.YAt(u) - v + bend2;
        // A point carried across a bent median lies in the bulge of the seam beyond the kite's edge,
        // where the lines of the other median's band reach on; it belongs to its own median's band or
        // to the interior, never to the other band.
        if (u < hu - o1) {
          if (v < hv) {
            if (v < hv - u) {
              // Six copies meet at the six-fold centre.
              double w1, w2, w0;
              BarycentricCoords(q1, q2, z, own, w1, w2, w0);
              PlanSixCopies(plan, own, own.RotateMinus60(z), w2, own.RotatePlus60(z), w1, own.HalfTurn(z),
                            own.RotateMinus120(z), own.RotatePlus120(z), w0);
            } else {
              const double a = Clamp01(0.5 - toAxisV / fu), b = Clamp01(0.5 - toAxisU / fv);
              PlanThree(plan, own, 1 - a - b, own.RotatePlus60(z), a, own.RotateMinus60(z), b);
            }
          } else if (v <= e2.YAt(u) + bend2) {
            PlanBand(plan, own, own.RotatePlus60(z), Ramp(toAxisV, fu));
          } else {
            const double a = Clamp01(0.5 - toAxisV / fu), b = Clamp01(0.5 - toMedian2 / fu);
            PlanCorner(plan, own, own.RotatePlus60(z), own.RotateMinus120(t), own.HalfTurn(h2), 1 - a, 1 - b);
          }
        } else if (v <= median2_.YAt(u) && (u > v ? u > e1.XAt(v) - bend1 : v > e1.YAt(u) - bend1)) {
          if (v < hv + o1) {
            const double a = Clamp01(0.5 - toAxisU / fv), b = Clamp01(0.5 - toMedian1 / fu);
            PlanCorner(plan, own, own.RotateMinus60(z), own.RotatePlus120(t), own.HalfTurn(h1), 1 - a, 1 - b);
          } else if (v <= e2.YAt(u) - bend1) {
            PlanBand(plan, own, own.RotatePlus120(t), Ramp(toMedian1, fu));
          } else {
            // Three copies meet at the three-fold centre.
            double w1, w2, w3;
            const bool atCentre = v > e3.YAt(u);
            BarycentricCoords(atCentre ? centroid : c, i1, j, uv, w1, w2, w3);
            if (atCentre)
              PlanThree(plan, own, 0.5 - w1 / 6, own.RotatePlus120(t), w1 / 3 + w2 / 2, own.RotateMinus120(t),
                        w1 / 3 + w3 / 2);
            else
              PlanThree(plan, own, 0.5 + w1 / 2, own.RotatePlus120(t), w2 / 2, own.RotateMinus120(t), w3 / 2);
          }
        } else if (v < hv + o1) {
          PlanBand(plan, own, own.RotateMinus60(z), Ramp(toAxisU, fv));
        } else if (v <= e2.YAt(u) + bend2 || u > median1_.XAt(v)) {
          plan.Single(own);
        } else {
          PlanBand(plan, own, own.RotateMinus120(t), Ramp(toMedian2, fu));
        }
        LimitWeightsToOne(plan);
      },
      k0 == 0 && k1 == 0 ? &fold : nullptr, planPositions);
}

}  // namespace corvel
