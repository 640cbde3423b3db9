#include "generators/groups/PGGenerator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"

namespace corvel {

namespace {

// A pixel right on a hard seam shows the side that every copy of it shows: the glide takes the
// edge u = 0.5 to u = 0, the translation along B the edge v = 1 to v = 0.
Point2D OntoGlideStart(Point2D uv) {
  if (OnSeam(uv, {0.5, 0}, {0.5, 1})) uv = {0, 1 - uv.y};
  if (OnSeam(uv, {0, 1}, {0.5, 1})) uv.y = 0;
  return uv;
}

}  // namespace

Point2D PGGenerator::MapPoint(const Point2D& p) const {
  const Point2D uv = Fold(PlaneToLattice(p.x, p.y));
  return LatticeToPlane(uv.x, uv.y);
}

void PGGenerator::ComputeOrigin() { origin = OriginPastTheLeft(basisA, basisB); }

int PGGenerator::Generate(CProgressMeter* meter) {
  const double fu = feather1, fv = feather2, hu = fu / 2, hv = fv / 2;
  ShrinkLatticeXY(*this, 1 - 2 * fu, 1 - fv);
  const FeatherSource source(*this, hu, hv);
  const double k0 = seamK0, k1 = seamK1;
  // Unbent, a pixel away from the glide seams across u and the seams across v is one sample of its
  // folded position; the pixels of the bands about them are planned as below.
  detail::FoldProgram fold;
  fold.AddByU(0.5, true, detail::LatticeAffine{1, 0, -0.5, 0, -1, 1});
  fold.reachU = 0.5;
  fold.sourceShift = {hu, hv};
  fold.bandU = {true, -hu, hu, 0.5};
  fold.bandV = {true, -hv, hv, 1};
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
  blends.AddOwn({UAbove(hu), UBelow(0.5 - hu), VAbove(hv), VBelow(1 - hv)});
  blends.AddBlend({UBelow(hu), VAbove(hv), VBelow(1 - hv)},
                  at([](double u, double v) { return Point2D(u + 0.5, 1 - v); }), {1 / fu, 0, 0.5});
  blends.AddBlend({UAbove(0.5 - hu), VAbove(hv), VBelow(1 - hv)},
                  at([](double u, double v) { return Point2D(u - 0.5, 1 - v); }),
                  {-1 / fu, 0, 0.5 / fu + 0.5});
  blends.AddBlend({VBelow(hv), UAbove(hu), UBelow(0.5 - hu)},
                  at([](double u, double v) { return Point2D(u, v + 1); }), {0, 1 / fv, 0.5});
  blends.AddBlend({VAbove(1 - hv), UAbove(hu), UBelow(0.5 - hu)},
                  at([](double u, double v) { return Point2D(u, v - 1); }), {0, -1 / fv, 1 / fv + 0.5});
  const detail::LatticeLinear lowU{1 / fu, 0, 0.5}, highU{-1 / fu, 0, 0.5 / fu + 0.5}, lowV{0, 1 / fv, 0.5},
      highV{0, -1 / fv, 1 / fv + 0.5};
  blends.AddCorner({UBelow(hu), VBelow(hv)}, at([](double u, double v) { return Point2D(u + 0.5, 1 - v); }),
                   lowU, at([](double u, double v) { return Point2D(u, v + 1); }), lowV,
                   at([](double u, double v) { return Point2D(u + 0.5, -v); }));
  blends.AddCorner({UBelow(hu), VAbove(1 - hv)},
                   at([](double u, double v) { return Point2D(u + 0.5, 1 - v); }), lowU,
                   at([](double u, double v) { return Point2D(u, v - 1); }), highV,
                   at([](double u, double v) { return Point2D(u + 0.5, 2 - v); }));
  blends.AddCorner({UAbove(0.5 - hu), VBelow(hv)}, at([](double u, double v) { return Point2D(u, v + 1); }),
                   lowV, at([](double u, double v) { return Point2D(u - 0.5, 1 - v); }), highU,
                   at([](double u, double v) { return Point2D(u - 0.5, -v); }));
  blends.AddCorner({UAbove(0.5 - hu), VAbove(1 - hv)},
                   at([](double u, double v) { return Point2D(u, v - 1); }), highV,
                   at([](double u, double v) { return Point2D(u - 0.5, 1 - v); }), highU,
                   at([](double u, double v) { return Point2D(u - 0.5, 2 - v); }));
  if (fv != 0) {
    fold.blends = &blends;
  } else {
    // A pixel right on a seam shows the side OntoGlideStart gives it, whichever side the step
    // took it to.
    fold.AddBySide(UAbove(0.5 - detail::kOnSeam), detail::LatticeAffine{0, 0, 0, 0, -1, 1});
    fold.AddBySide(VAbove(1 - detail::kOnSeam), detail::LatticeAffine{1, 0, 0, 0, 0, 0});
    fold.LeaveSeamsToSteps();
  }
  return RunTileWorker(
      *this, meter,
      [&](int x, int y, SamplePlan& plan) {
        const Point2D folded = Fold(CellPosition(*this, x, y));
        double u = folded.x < 0 ? 0 : (folded.x >= 0.5 ? 0.5 : folded.x);
        double v = Clamp01(folded.y);

        // Positions along the seams; each offset is the bump of the nearer-zero candidate.
        const double s = Clamp01((u - hu) / (0.5 - fu)), t = Clamp01((v - hv) / (1 - fv));
        const double du = LargerForPositive((1 - fv) * (Bump(t) * k1), (1 - fv) * (Bump(1 - t) * k1),
                                            k1 < 0) /
                          2;
        const double dv = LargerForPositive((1 - fu) * (Bump(s) * -k0), (1 - fu) * (Bump(1 - s) * -k0),
                                            k0 > 0);

        // Beyond a bent glide seam the point belongs to the glide image; beyond a bent translation
        // seam to the next cell along B.
        if (du > 0 && u - du < 0) {
          u += 0.5;
          v = 1 - v;
        } else if (du <= 0 && u - du >= 0.5) {
          u -= 0.5;
          v = 1 - v;
        }
        if (dv > 0 && v + dv >= 1) v -= 1;
        if (dv <= 0 && v + dv < 0) v += 1;

        const Point2D own = source(u, v);
        if (fv == 0) {
          plan.Single(k0 == 0 && k1 == 0 ? source(OntoGlideStart({u, v})) : own);
          return;
        }
        const double wLoU = Ramp(u - du, fu), wHiU = Ramp((0.5 - u) + du, fu);
        const double wLoV = Ramp(v + dv, fv), wHiV = Ramp((1 - v) - dv, fv);
        // Across both seams of a corner lies the glide image of the translate: v mirrored about 0
        // or 1, u half a cell on.
        if (u < hu + du) {
          if (v < hv)
            PlanCorner(plan, own, source(u + 0.5, 1 - v), source(u, v + 1), source(u + 0.5, -v), wLoU, wLoV);
          else if (v < 1 - hv)
            PlanBand(plan, own, source(u + 0.5, 1 - v), wLoU);
          else
            PlanCorner(plan, own, source(u + 0.5, 1 - v), source(u, v - 1), source(u + 0.5, 2 - v), wLoU,
                       wHiV);
        } else if (u >= (0.5 - hu) + du) {
          if (v < hv)
            PlanCorner(plan, own, source(u, v + 1), source(u - 0.5, 1 - v), source(u - 0.5, -v), wLoV, wHiU);
          else if (v < 1 - hv)
            PlanBand(plan, own, source(u - 0.5, 1 - v), wHiU);
          else
            PlanCorner(plan, own, source(u, v - 1), source(u - 0.5, 1 - v), source(u - 0.5, 2 - v), wHiV,
                       wHiU);
        } else if (v < hv - dv) {
          PlanBand(plan, own, source(u, v + 1), wLoV);
        } else if (v < (1 - hv) - dv) {
          plan.Single(own);
        } else {
          PlanBand(plan, own, source(u, v - 1), wHiV);
        }
      },
      k0 == 0 && k1 == 0 ? &fold : nullptr);
}

}  // namespace corvel
