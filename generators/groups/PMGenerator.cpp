#include "generators/groups/PMGenerator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"

namespace corvel {

Point2D PMGenerator::MapPoint(const Point2D& p) const {
  const Point2D uv = Fold(PlaneToLattice(p.x, p.y));
  return LatticeToPlane(uv.x, uv.y);
}

void PMGenerator::ComputeOrigin() { origin = OriginPastTheLeft(basisA, basisB); }

int PMGenerator::Generate(CProgressMeter* meter) {
  const double fu = feather1, fv = feather2, hu = fu / 2, hv = fv / 2;
  ShrinkLatticeXY(*this, 1 - fu, 1 - fv);
  const FeatherSource source(*this, hu, hv);
  const double k0 = seamK0;
  // Unbent, a pixel away from the seams across u is one sample of its folded position; the
  // pixels of the feather's bands about the seams, or beside a hard seam, are planned as below.
  detail::FoldProgram fold;
  fold.AddByLine(Line2D({0, 0.5}, {1, 0.5}), true, detail::kMirrorV);
  fold.reachV = 0.5;
  fold.sourceShift = {hu, hv};
  fold.bandU = {true, -hu, hu};
  // Feathered, the bands' pixels blend as below in lanes.
  detail::SeamBlends blends;
  blends.plansAsRegions = true;
  blends.AddOwn({detail::UAbove(hu), detail::UBelow(1 - hu)});
  blends.AddBlend({detail::UBelow(hu)},
                  detail::AffineOf([&](double u, double v) { return source(u + 1, v); }), {1 / fu, 0, 0.5});
  blends.AddBlend({detail::UAbove(1 - hu)},
                  detail::AffineOf([&](double u, double v) { return source(u - 1, v); }),
                  {-1 / fu, 0, 1 / fu + 0.5});
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
        double u = Clamp01(folded.x);
        const double v = folded.y < 0 ? 0 : (folded.y >= 0.5 ? 0.5 : folded.y);

        // Both seams move along +u by the bump between the mirror lines, each end short by half a
        // feather; of the bump and its mirror image the one farther from zero.
        const double t = Clamp01((v - hv) / (0.5 - fv));
        const double du = LargerForPositive((1 - fv) * (Bump(t) * k0), (1 - fv) * (Bump(1 - t) * k0), k0 > 0);
        if (du > 0 && u - du < 0) u += 1;
        if (du <= 0 && u - du >= 1) u -= 1;

        if (fv == 0 || (u >= hu + du && u < (1 - hu) + du)) {
          plan.Single(source(u, v));
        } else if (u < hu + du) {
          PlanBand(plan, source(u, v), source(u + 1, v), Ramp(u - du, fu));
        } else {
          PlanBand(plan, source(u, v), source(u - 1, v), Ramp((1 - u) + du, fu));
        }
      },
      k0 == 0 ? &fold : nullptr);
}

}  // namespace corvel
