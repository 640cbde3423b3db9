#include "generators/groups/PMGGenerator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"

namespace corvel {

namespace {

// A pixel right on a hard seam of the strip shows the side that every copy of it shows: the
// half turn about (0.5, 0) glues the bottom edge to itself, the translation along A u = 1 to 0.
Point2D OntoFirstCopy(Point2D uv) {
  uv = OntoHalfFrom(uv, {0, 0}, {1, 0});
  if (OnSeam(uv, {1, 0}, {1, 0.25})) uv.x = 0;
  return uv;
}

}  // namespace

Point2D PMGGenerator::MapPoint(const Point2D& p) const {
  const Point2D uv = Fold(PlaneToLattice(p.x, p.y));
  return LatticeToPlane(uv.x, uv.y);
}

int PMGGenerator::Generate(CProgressMeter* meter) {
  const double fu = feather1;
  ShrinkLatticeXY(*this, 1 - fu, 1 - feather2);
  // The cell gave feather2 of its height to its two half-turn seams, v = 0 and v = 1/2 (the
  // strips' other edges are mirrors), half to each: the band across each is that wide, so that it
  // blends as far as the copies overlap and the whole picked strip is read.
  feather2 /= 2.0;
  const double fv = feather2, hu = fu / 2, hv = fv / 2;
  const FeatherSource source(*this, hu, hv);
  // The half-turn centres of the strip's bottom edge on the source: (0, 0), (0.5, 0), (1, 0).
  const Point2D q0 = source(0, 0), q1 = source(0.5, 0), q2 = source(1, 0);
  const double k0 = seamK0, k1 = seamK1;
  // Unbent, a pixel away from the seams across u and the half-turn seams across v is one sample
  // of its folded position; the pixels of the bands about them are planned as below.
  detail::FoldProgram fold;
  fold.AddByLine(Line2D({0, 0.5}, {1, 0.5}), true, detail::LatticeAffine{-1, 0, 1, 0, -1, 1});
  fold.AddByLine(Line2D({0, 0.25}, {1, 0.25}), true, detail::LatticeAffine{1, 0, 0, 0, -1, 0.5});
  fold.reachV = 0.25;
  fold.sourceShift = {hu, hv};
  fold.bandU = {true, -hu, hu, 1};
  fold.bandV = {true, -hv, hv, 0.5};
  // Feathered, the bands' pixels blend as below in lanes, and the corners in doubles.
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  detail::SeamBlends blends;
  blends.plansAsRegions = true;
  blends.AddOwn({UAbove(hu), UBelow(1 - hu), VAbove(hv)});
  blends.AddBlend({UBelow(hu), VAbove(hv)},
                  detail::AffineOf([&](double u, double v) { return source(u + 1, v); }), {1 / fu, 0, 0.5});
  blends.AddBlend({UAbove(1 - hu), VAbove(hv)},
                  detail::AffineOf([&](double u, double v) { return source(u - 1, v); }),
                  {-1 / fu, 0, 1 / fu + 0.5});
  auto halfTurn = [&](const Point2D& centre) {
    return detail::AffineOf([&](double u, double v) { return source(u, v).HalfTurn(centre); });
  };
  const detail::LatticeLinear lowV{0, 1 / fv, 0.5};
  blends.AddBlend({VBelow(hv), UAbove(hu), UBelow(1 - hu)}, halfTurn(q1), lowV);
  blends.AddCorner({UBelow(hu), VBelow(hv)},
                   detail::AffineOf([&](double u, double v) { return source(u + 1, v); }), {1 / fu, 0, 0.5},
                   halfTurn(q1), lowV, halfTurn(q0));
  blends.AddCorner({UAbove(1 - hu), VBelow(hv)},
                   detail::AffineOf([&](double u, double v) { return source(u - 1, v); }),
                   {-1 / fu, 0, 1 / fu + 0.5}, halfTurn(q1), lowV, halfTurn(q2));
  if (fv != 0) {
    fold.blends = &blends;
  } else {
    // A pixel right on a seam shows the side OntoFirstCopy gives it, whichever side the steps
    // took it to.
    fold.AddInCorner(VBelow(detail::kOnSeam), false, UAbove(0.5), detail::LatticeAffine{-1, 0, 1, 0, -1, 0},
                     false);
    fold.AddBySide(UAbove(1 - detail::kOnSeam), detail::LatticeAffine{0, 0, 0, 0, 1, 0});
    fold.LeaveSeamsToSteps();
  }
  return RunTileWorker(
      *this, meter,
      [&](int x, int y, SamplePlan& plan) {
        const Point2D folded = Fold(CellPosition(*this, x, y));
        double u = Clamp01(folded.x);
        double v = folded.y < 0 ? 0 : (folded.y >= 0.25 ? 0.25 : folded.y);

        const double su = Clamp01((u - hu) / (1 - fu)), sv = Clamp01((v - hv) / (0.25 - fv));
        const double du = LargerForPositive((1 - fv) * (Bump(sv) * k1), (1 - fv) * (Bump(1 - sv) * k1),
                                            k1 < 0);
        // The bottom seam is an S, odd about its midpoint, so that the half turn about (0.5, 0)
        // maps it onto itself.
        const double g = su < 0.5 ? Bump(2 * su) : -3.0 * (2 * su - 1) * (1 - (2 * su - 1));
        double dv = ((1 - fu) * (g * -k0)) / 3.0;

        if (du > 0 && u - du < 0) u += 1;
        if (du <= 0 && u - du >= 1) u -= 1;
        if (v + dv < 0) {
          u = 1 - u;
          v = -v;
          dv = -dv;
        }

        const Point2D own = source(u, v);
        if (fv == 0) {
          plan.Single(k0 == 0 && k1 == 0 ? source(OntoFirstCopy({u, v})) : own);
          return;
        }
        const double wLoU = Ramp(u - du, fu), wHiU = Ramp((1 - u) + du, fu), wLoV = Ramp(v + dv, fv);
        if (u < hu + du) {
          if (v < hv)
            PlanCorner(plan, own, source(u + 1, v), own.HalfTurn(q1), own.HalfTurn(q0), wLoU, wLoV);
          else
            PlanBand(plan, own, source(u + 1, v), wLoU);
        } else if (u >= (1 - hu) + du) {
          if (v < hv)
            PlanCorner(plan, own, source(u - 1, v), own.HalfTurn(q1), own.HalfTurn(q2), wHiU, wLoV);
          else
            PlanBand(plan, own, source(u - 1, v), wHiU);
        } else if (v < hv - dv) {
          PlanBand(plan, own, own.HalfTurn(q1), wLoV);
        } else {
          plan.Single(own);
        }
      },
      k0 == 0 && k1 == 0 ? &fold : nullptr);
}

}  // namespace corvel
