#include "generators/groups/CMMGenerator.h"

#include <cmath>

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"

namespace corvel {

namespace {

constexpr double kSqrt2 = 1.4142135623730951;

// Past the folds, the seam bent as the plan bends it: the S-shaped curve v = off(u) over the
// bottom edge, a position on or below it taken across by the half turn about the edge's middle;
// the pixels within the feather's half of it planned.
void AddBentSeam(detail::FoldProgram& fold, double k0, double fu, double hu, double hv) {
  const double amount = (1 - fu) * k0 / kSqrt2;
  fold.bandU = fold.bandV = {};
  fold.AddBentMarked({0, 1, -kGeometryTolerance}, false,
                     {-6 * amount, 1 / (1 - fu), 0, -hu / (1 - fu), true, detail::SideBend::kS},
                     detail::LatticeAffine{-1, 0, 1, 0, -1, 0}, -hv - kGeometryTolerance,
                     hv - kGeometryTolerance);
  // The S-curve reaches 0.75 of its amount.
  fold.reachFromV = -0.75 * std::abs(amount);
}

}  // namespace

Point2D CMMGenerator::MapPoint(const Point2D& p) const {
  const Point2D uv = Fold(PlaneToLattice(p.x, p.y));
  return LatticeToPlane(uv.x, uv.y);
}

void CMMGenerator::ComputeOrigin() {
  origin.Set(basisA.x < 0 ? -2.0 * basisA.x : 0, basisA.y > 0 ? basisA.y : basisB.y);
}

int CMMGenerator::Generate(CProgressMeter* meter) {
  const double fu = feather1, fv = feather2, hu = fu / 2, hv = fv / 2;
  ShrinkLatticeXY(*this, 1 - fu, 1 - fv);
  const FeatherSource source(*this, hu, hv);
  const Point2D middle = source(0.5, 0);  // the half-turn centre of the seam
  const double k0 = seamK0;
  // Unbent, a pixel away from the seam along the cell's edges is one sample of its position
  // folded across both diagonals; the pixels of the bands about it are planned as below.
  detail::FoldProgram fold;
  fold.AddByLine(Line2D({0, 0}, {1, 1}), true, detail::kSwap);
  fold.AddByLine(Line2D({0, 1}, {1, 0}), true, detail::LatticeAffine{0, -1, 1, -1, 0, 1});
  fold.reachV = 0.5;
  fold.sourceShift = {hu, hv};
  fold.bandU = fold.bandV = {true, -hv, hv, 1};
  // Feathered, the band's pixels blend as below in lanes.
  detail::SeamBlends blends;
  blends.plansAsRegions = true;
  blends.AddOwn({detail::VAbove(hv)});
  blends.AddBlend({detail::VBelow(hv)},
                  detail::AffineOf([&](double u, double v) { return source(u, v).HalfTurn(middle); }),
                  {0, 1 / fv, 0.5});
  if (k0 != 0) {
    AddBentSeam(fold, k0, fu, hu, hv);
  } else if (fv != 0) {
    fold.blends = &blends;
  } else {
    // A pixel right on the seam shows its first half, whichever side the steps took it to.
    fold.AddInCorner(detail::VBelow(detail::kOnSeam), false, detail::UAbove(0.5),
                     detail::LatticeAffine{-1, 0, 1, 0, -1, 0}, false);
    fold.LeaveSeamsToSteps();
  }
  return RunTileWorker(
      *this, meter,
      [&](int x, int y, SamplePlan& plan) {
        const Point2D folded = Fold(CellPosition(*this, x, y));
        double u = Clamp01(folded.x), v = folded.y < 0 ? 0 : (folded.y >= 0.5 ? 0.5 : folded.y);

        // One sign over the first half of the edge, the other over the second.
        const double s = Clamp01((u - hu) / (1 - fu));
        const double c = s < 0.5 ? Bump(2 * s) : -3 * (2 * s - 1) * (1 - (2 * s - 1));
        double off = (1 - fu) * (c * k0) / kSqrt2;
        if (CompareWithTolerance(v - off, 0) != 1) {
          u = 1 - u;
          v = -v;
          off = -off;
        }

        // Unbent, a pixel right on the seam shows its first half in every copy.
        const Point2D own = source(fv == 0 && k0 == 0 ? OntoHalfFrom({u, v}, {0, 0}, {1, 0}) : Point2D(u, v));
        if (fv == 0 || v >= hv + off)
          plan.Single(own);
        else
          PlanBand(plan, own, own.HalfTurn(middle), Ramp(v - off, fv));
      },
      &fold);
}

}  // namespace corvel
