#include "generators/groups/CMGenerator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"

namespace corvel {

Point2D CMGenerator::MapPoint(const Point2D& p) const {
  Point2D uv = PlaneToLattice(p.x, p.y);
  if (uv.y >= uv.x) uv = uv.Reflect(diagonal_);
  return LatticeToPlane(uv.x, uv.y);
}

int CMGenerator::Generate(CProgressMeter* meter) {
  const double fu = feather1, fv = feather2, hu = fu / 2, hv = fv / 2;
  ShrinkLatticeXY(*this, 1 - fu, 1 - fv);
  const FeatherSource source(*this, hu, hv);
  // The corner triangle at (1, 0) on the source, for the weights of its pixels.
  const Point2D v1 = source(1, 0) + origin, v2 = source(1 - hu, 0) + origin, v3 = source(1, hu) + origin;
  const double k0 = seamK0;
  // Unbent, a pixel away from the seam along the cell's edges is one sample of its position
  // folded across the diagonal; the pixels of the bands about it are planned as below.
  detail::FoldProgram fold;
  fold.AddByLine(Line2D({0, 0}, {1, 1}), true, detail::kSwap);
  fold.sourceShift = {hu, hv};
  fold.bandU = fold.bandV = {true, -hv, hu, 1};
  // Feathered, the bands' pixels blend as below in lanes, and where they meet in doubles; the part
  // of the corner at (1, 0) that the plan weighs by areas stays planned.
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  detail::SeamBlends blends;
  blends.plansAsRegions = true;
  const detail::LatticeAffine acrossBottom = detail::AffineOf(
                                  [&](double u, double v) { return source(v + 1, u); }),
                              acrossRight = detail::AffineOf(
                                  [&](double u, double v) { return source(v, u - 1); });
  blends.AddOwn({VAbove(hu), UBelow(1 - hv)});
  blends.AddBlend({VBelow(hu), UAbove(hv), UBelow(1 - hv)}, acrossBottom, {0, 1 / fu, 0.5});
  blends.AddBlend({VAbove(hu), UAbove(1 - hv), VBelow(1 - hu)}, acrossRight, {-1 / fv, 0, 1 / fv + 0.5});
  const detail::LatticeLinear fromBottom{0, -1 / fu, 0.5}, fromTop{0, 1 / fu, 0.5 - 1 / fu},
      fromLeft{-1 / fv, 0, 0.5}, fromRight{1 / fv, 0, 0.5 - 1 / fv};
  constexpr detail::OwnSummed ownFirst = detail::OwnSummed::kFirst;  // as the plan sums its corners
  blends.AddThreeCopies({VBelow(hu), UBelow(hv)}, acrossBottom, fromBottom,
                        detail::AffineOf([&](double u, double v) { return source(u + 1, v); }), fromLeft,
                        ownFirst);
  blends.AddThreeCopies({VBelow(hu), UAbove(1 - hv), detail::HalfPlane{1, -1, hv - 1}}, acrossBottom,
                        fromBottom, acrossRight, fromRight, ownFirst);
  blends.AddThreeCopies({VAbove(1 - hu), UAbove(1 - hv)},
                        detail::AffineOf([&](double u, double v) { return source(u, v - 1); }), fromTop,
                        acrossRight, fromRight, ownFirst);
  if (fv != 0) {
    fold.blends = &blends;
  } else {
    // Unfeathered, only the pixels right on the cell's edge that the fast positions wrap to the
    // other side than the plan are planned.
    fold.LeaveSeamsToSteps();
    fold.planCellEdges = true;
  }
  return RunTileWorker(
      *this, meter,
      [&](int x, int y, SamplePlan& plan) {
        const Point2D folded = Fold(CellPosition(*this, x, y));
        double u = Clamp01(folded.x), v = Clamp01(folded.y);

        const double s = Clamp01((u - fu) / (1 - 2 * fu)), t = Clamp01((v - fv) / (1 - 2 * fv));
        const double off = LargerForPositive(Bump(s) * k0 * (1 - fv), Bump(t) * k0 * (1 - fv), k0 > 0);
        // The bottom and right edges are one seam: across it the mirror image one cell on.
        if (off > 0 && v - off < 0) {
          const double w = v;
          v = u;
          u = w + 1;
        } else if (off <= 0 && u - off >= 1) {
          const double w = u;
          u = v;
          v = w - 1;
        }

        const Point2D own = source(u, v);
        if (fv == 0) {
          plan.Single(own);
          return;
        }
        // The three copies at a corner: the pixel's own sample keeps what the two ramps leave.
        auto corner = [&](double a, double b, const Point2D& s2, const Point2D& s3) {
          PlanThree(plan, own, 1 - b - a, s2, a, s3, b);
        };
        if (v < hu + off) {
          if (u < 1 - hv) {
            if (u >= hv)
              PlanBand(plan, own, source(v + 1, u), Ramp(v - off, fu));
            else
              corner(0.5 - v / fu, 0.5 - u / fv, source(v + 1, u), source(u + 1, v));
          } else if (u < (1 - hv) + v) {
            corner(0.5 - (v - off) / fu, 0.5 - ((1 - u) + off) / fv, source(v + 1, u), source(v, u - 1));
          } else {
            double a, b, c;
            BarycentricCoords(v1, v2, v3, own + origin, a, b, c);
            PlanThree(plan, own, 0.5 * a + 0.5, source(v + 1, u), 0.5 * b, source(v, u - 1), 0.5 * c);
          }
        } else if (u < (1 - hv) + off) {
          plan.Single(own);
        } else if (v <= 1 - hu) {
          PlanBand(plan, own, source(v, u - 1), Ramp((1 - u) + off, fv));
        } else {
          corner(0.5 - (1 - v) / fu, 0.5 - (1 - u) / fv, source(u, v - 1), source(v, u - 1));
        }
      },
      k0 == 0 ? &fold : nullptr);
}

}  // namespace corvel
