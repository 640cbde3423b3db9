#include "generators/groups/PGGGenerator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"

namespace corvel {

namespace {

constexpr double kSqrt2 = 1.4142135623730951;

// A pixel right on a hard seam of the quarter shows the side that every copy of it shows: the
// glides take the edge v = 0.5 to v = 0 and the edge u = 0.5 to u = 0.
Point2D OntoLowEdges(Point2D uv) {
  if (OnSeam(uv, {0, 0.5}, {0.5, 0.5})) uv = {0.5 - uv.x, 0};
  if (OnSeam(uv, {0.5, 0}, {0.5, 0.5})) uv = {0, 0.5 - uv.y};
  return uv;
}

}  // namespace

Point2D PGGGenerator::MapPoint(const Point2D& p) const {
  const Point2D uv = Fold(PlaneToLattice(p.x, p.y));
  return LatticeToPlane(uv.x, uv.y);
}

void PGGGenerator::SetFeather(double percentage) {
  SetFeatherUV(percentage);
  feather1 /= 2;
  feather2 /= 2;
}

int PGGGenerator::Generate(CProgressMeter* meter) {
  const double fu = feather1, fv = feather2, hu = fu / 2, hv = fv / 2;
  ShrinkLatticeXY(*this, 1 - 2 * fu, 1 - 2 * fv);
  const FeatherSource source(*this, hu, hv);
  // The two-fold centres at the quarter's corners, on the source.
  const Point2D h00 = source(0, 0), h01 = source(0, 0.5), h10 = source(0.5, 0), h11 = source(0.5, 0.5);
  const double k0 = seamK0, k1 = seamK1;
  // Unbent, a pixel away from the glide seams of the quarters is one sample of its folded
  // position; the pixels of the bands about them are planned as below.
  detail::FoldProgram fold;
  fold.AddByLine(Line2D({0, 0.5}, {1, 0.5}), true, detail::LatticeAffine{-1, 0, 1, 0, -1, 1});
  fold.AddByU(0.5, true, detail::LatticeAffine{1, 0, -0.5, 0, -1, 0.5});
  fold.reachU = fold.reachV = 0.5;
  fold.sourceShift = {hu, hv};
  fold.bandU = {true, -hu, hu, 0.5};
  fold.bandV = {true, -hv, hv, 0.5};
  // Feathered, the bands' pixels blend as below in lanes, and the corners in doubles.
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  auto at = [&](auto&& place) {
    return detail::AffineOf([&](double u, double v) { return source(place(u, v)); });
  };
  detail::SeamBlends blends;
  blends.plansAsRegions = true;
  blends.AddOwn({UAbove(hu), UBelow(0.5 - hu), VAbove(hv), VBelow(0.5 - hv)});
  blends.AddBlend({UBelow(hu), VAbove(hv), VBelow(0.5 - hv)},
                  at([](double u, double v) { return Point2D(u + 0.5, 0.5 - v); }), {1 / fu, 0, 0.5});
  blends.AddBlend({UAbove(0.5 - hu), VAbove(hv), VBelow(0.5 - hv)},
                  at([](double u, double v) { return Point2D(u - 0.5, 0.5 - v); }),
                  {-1 / fu, 0, 0.5 / fu + 0.5});
  blends.AddBlend({VBelow(hv), UAbove(hu), UBelow(0.5 - hu)},
                  at([](double u, double v) { return Point2D(0.5 - u, v + 0.5); }), {0, 1 / fv, 0.5});
  blends.AddBlend({VAbove(0.5 - hv), UAbove(hu), UBelow(0.5 - hu)},
                  at([](double u, double v) { return Point2D(0.5 - u, v - 0.5); }),
                  {0, -1 / fv, 0.5 / fv + 0.5});
  const detail::LatticeLinear lowU{1 / fu, 0, 0.5}, highU{-1 / fu, 0, 0.5 / fu + 0.5}, lowV{0, 1 / fv, 0.5},
      highV{0, -1 / fv, 0.5 / fv + 0.5};
  auto halfTurn = [&](const Point2D& centre) {
    return detail::AffineOf([&](double u, double v) { return source(u, v).HalfTurn(centre); });
  };
  blends.AddCorner({UBelow(hu), VBelow(hv)}, at([](double u, double v) { return Point2D(u + 0.5, 0.5 - v); }),
                   lowU, at([](double u, double v) { return Point2D(0.5 - u, v + 0.5); }), lowV,
                   halfTurn(h00));
  blends.AddCorner({UBelow(hu), VAbove(0.5 - hv)},
                   at([](double u, double v) { return Point2D(u + 0.5, 0.5 - v); }), lowU,
                   at([](double u, double v) { return Point2D(0.5 - u, v - 0.5); }), highV, halfTurn(h01));
  blends.AddCorner({UAbove(0.5 - hu), VBelow(hv)},
                   at([](double u, double v) { return Point2D(0.5 - u, v + 0.5); }), lowV,
                   at([](double u, double v) { return Point2D(u - 0.5, 0.5 - v); }), highU, halfTurn(h10));
  blends.AddCorner({UAbove(0.5 - hu), VAbove(0.5 - hv)},
                   at([](double u, double v) { return Point2D(0.5 - u, v - 0.5); }), highV,
                   at([](double u, double v) { return Point2D(u - 0.5, 0.5 - v); }), highU, halfTurn(h11));
  if (fv != 0) {
    fold.blends = &blends;
  } else {
    // A pixel right on a seam shows the side OntoLowEdges gives it, whichever side the steps
    // took it to.
    fold.AddBySide(VAbove(0.5 - detail::kOnSeam), detail::LatticeAffine{-1, 0, 0.5, 0, 0, 0});
    fold.AddBySide(UAbove(0.5 - detail::kOnSeam), detail::LatticeAffine{0, 0, 0, 0, -1, 0.5});
    fold.LeaveSeamsToSteps();
  }
  return RunTileWorker(
      *this, meter,
      [&](int x, int y, SamplePlan& plan) {
        const Point2D folded = Fold(CellPosition(*this, x, y));
        double u = ClampHalf(folded.x), v = ClampHalf(folded.y);

        const double tu = Clamp01((u - hu) / (0.5 - fu)), tv = Clamp01((v - hv) / (0.5 - fv));
        const double du = LargerForPositive((1 - fv) * (Bump(tv) * k1), (1 - fv) * (Bump(1 - tv) * k1),
                                            k1 < 0) /
                          kSqrt2;
        const double dv = LargerForPositive((1 - fu) * (Bump(tu) * -k0), (1 - fu) * (Bump(1 - tu) * -k0),
                                            k0 > 0) /
                          kSqrt2;

        // Beyond a bent seam the point belongs to the glide image in the neighbouring quarter.
        if (du <= 0 && CompareWithTolerance(u - du, 0.5) == 1) {
          u -= 0.5;
          v = 0.5 - v;
        }
        if (du > 0 && CompareWithTolerance(u - du, 0) == -1) {
          u += 0.5;
          v = 0.5 - v;
        }
        if (dv <= 0 && CompareWithTolerance(v + dv, 0) == -1) {
          u = 0.5 - u;
          v += 0.5;
        }
        if (dv > 0 && CompareWithTolerance(v + dv, 0.5) == 1) {
          u = 0.5 - u;
          v -= 0.5;
        }

        const Point2D own = source(u, v);
        if (fv == 0) {
          plan.Single(k0 == 0 && k1 == 0 ? source(OntoLowEdges({u, v})) : own);
          return;
        }
        const double wLoU = Ramp(u - du, fu), wHiU = Ramp((0.5 - u) + du, fu);
        const double wLoV = Ramp(v + dv, fv), wHiV = Ramp((0.5 - v) - dv, fv);
        if (u < hu + du) {
          if (v < hv)
            PlanCorner(plan, own, source(u + 0.5, 0.5 - v), source(0.5 - u, v + 0.5), own.HalfTurn(h00), wLoU,
                       wLoV);
          else if (v <= 0.5 - hv)
            PlanBand(plan, own, source(u + 0.5, 0.5 - v), wLoU);
          else
            PlanCorner(plan, own, source(u + 0.5, 0.5 - v), source(0.5 - u, v - 0.5), own.HalfTurn(h01), wLoU,
                       wHiV);
        } else if (u <= (0.5 - hu) + du) {
          if (v < hv - dv)
            PlanBand(plan, own, source(0.5 - u, v + 0.5), wLoV);
          else if (v <= (0.5 - hv) - dv)
            plan.Single(own);
          else
            PlanBand(plan, own, source(0.5 - u, v - 0.5), wHiV);
        } else if (v < hv) {
          PlanCorner(plan, own, source(0.5 - u, v + 0.5), source(u - 0.5, 0.5 - v), own.HalfTurn(h10), wLoV,
                     wHiU);
        } else if (v <= 0.5 - hv) {
          PlanBand(plan, own, source(u - 0.5, 0.5 - v), wHiU);
        } else {
          PlanCorner(plan, own, source(0.5 - u, v - 0.5), source(u - 0.5, 0.5 - v), own.HalfTurn(h11), wHiV,
                     wHiU);
        }
      },
      k0 == 0 && k1 == 0 ? &fold : nullptr);
}

}  // namespace corvel
