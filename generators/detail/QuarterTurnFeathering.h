// What P4 and P4G share on the quarter [0, 0.5]^2 of the square cell: its fold by quarter turns
// about the corner (0, 0) and the centre (0.5, 0.5), and the feathering of a pixel about the two
// seams through each, which the seam curve may bend.
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"

namespace corvel {

// The unbent fold of each quarter turned back about the centre as it started; the caller may add
// steps after it. The upper half turned about the centre and then the right half about the
// corner: the same turns in two plain steps, cheaper in lanes than one step a quarter, with no gap
// between their regions, so that a pixel right on a seam lands on the quarter's edge too.
inline void AddQuarterTurnFolds(detail::FoldProgram& fold, double halfU, double halfV) {
  const detail::HalfPlane upperHalf{0, -1, 0.5};
  fold.AddBySide(upperHalf, detail::LatticeAffine{-1, 0, 1, 0, -1, 1});
  fold.AddByU(0.5, true, detail::LatticeAffine{0, 1, 0, -1, 0, 1});
  fold.reachU = fold.reachV = 0.5;
  fold.sourceShift = {halfU, halfV};
  fold.bandU = {true, -halfU, halfU, 0.5};
  fold.bandV = {true, -halfV, halfV, 0.5};
}

// Unfeathered, a pixel right on a seam shows the copy Plan gives it, whichever side of the seam
// the steps took it to: the quarter's v edges go onto its u edges (the edge v = 0.5 first, where
// it remains after the group's steps; the two-fold corner (0.5, 0) ends at (0, 0.5)). After
// those steps.
inline void AddQuarterSeamSides(detail::FoldProgram& fold, bool centreEdge) {
  if (centreEdge)
    fold.AddBySide(detail::VAbove(0.5 - detail::kOnSeam), detail::LatticeAffine{0, 0, 0.5, 1, 0, 0});
  fold.AddBySide(detail::VBelow(detail::kOnSeam), detail::LatticeAffine{0, 0, 0, 1, 0, 0});
  fold.LeaveSeamsToSteps();
}

// P4's and P4G's folds of four cell positions (their Fold, clamped to the quarter) in AVX2 lanes, by
// the same operations in the same order: the same positions bit for bit.
void FoldQuartersAvx2(double* u, double* v);
void FoldQuartersMirroredAvx2(double* u, double* v);
// P4G's mirror u + v = 0.5 in lattice coordinates, made in a file built for every processor: the
// AVX2 lanes only read it, so that no inline code of Line2D gets an AVX2 copy the linker might keep.
const Line2D& P4GMirrorLine();

class QuarterTurnFeathering {
 public:
  QuarterTurnFeathering(const FeatherSource& source, double featherU, double featherV)
      : source_(source),
        fu_(featherU),
        fv_(featherV),
        corner_(source(0, 0)),
        centre_(source(0.5, 0.5)),
        twoFoldV_(source(0, 0.5)),
        twoFoldU_(source(0.5, 0)) {}

  // Plan's bands, corners and inside, unbent, as blends.
  void DescribeBlends(detail::SeamBlends& blends) const {
    using detail::UAbove;
    using detail::UBelow;
    using detail::VAbove;
    using detail::VBelow;
    const double hu = fu_ / 2, hv = fv_ / 2;
    // Turned by a quarter (A or B) or, neither, by half.
    auto turned = [this](bool a, const Point2D& centre, bool half = false) {
      return detail::AffineOf([&](double u, double v) {
        const Point2D own = source_(u, v);
        return half ? own.HalfTurn(centre) : a ? own.QuarterTurnA(centre) : own.QuarterTurnB(centre);
      });
    };
    blends.plansAsRegions = true;
    // The plan folds a pixel right on a quarter's edge onto one neighbour, the lanes maybe onto
    // the other, and the two blends differ there once the cell is not square.
    blends.AddFoldLines(2, 0);
    blends.AddFoldLines(0, 2);
    const detail::HalfPlane alongU[] = {UAbove(hu), UBelow(0.5 - hu)},
                            alongV[] = {VAbove(hv), VBelow(0.5 - hv)};
    blends.AddOwn({alongU[0], alongU[1], alongV[0], alongV[1]});
    blends.AddBlend({UBelow(hu), alongV[0], alongV[1]}, turned(true, corner_), {1 / fu_, 0, 0.5});
    blends.AddBlend({UAbove(0.5 - hu), alongV[0], alongV[1]}, turned(true, centre_),
                    {-1 / fu_, 0, 0.5 / fu_ + 0.5});
    blends.AddBlend({VBelow(hv), alongU[0], alongU[1]}, turned(false, corner_), {0, 1 / fv_, 0.5});
    blends.AddBlend({VAbove(0.5 - hv), alongU[0], alongU[1]}, turned(false, centre_),
                    {0, -1 / fv_, 0.5 / fv_ + 0.5});
    const detail::LatticeLinear lowU{1 / fu_, 0, 0.5}, highU{-1 / fu_, 0, 0.5 / fu_ + 0.5},
        lowV{0, 1 / fv_, 0.5}, highV{0, -1 / fv_, 0.5 / fv_ + 0.5};
    blends.AddCorner({UBelow(hu), VBelow(hv)}, turned(true, corner_), lowU, turned(false, corner_), lowV,
                     turned(true, corner_, true));
    blends.AddCorner({UBelow(hu), VAbove(0.5 - hv)}, turned(true, corner_), lowU, turned(false, centre_),
                     highV, turned(true, twoFoldV_, true));
    blends.AddCorner({UAbove(0.5 - hu), VBelow(hv)}, turned(true, centre_), highU, turned(false, corner_),
                     lowV, turned(true, twoFoldU_, true));
    blends.AddCorner({UAbove(0.5 - hu), VAbove(0.5 - hv)}, turned(true, centre_), highU,
                     turned(false, centre_), highV, turned(true, centre_, true));
  }

  // uv is the folded position clamped to the quarter; the seams through the corner are bent by
  // dCorner and those through the centre by dCentre. Partners are turns of the pixel's own
  // source point about the centres on the source. With no feather across v, a pixel takes one
  // sample: on a seam left `unbent`, the side every copy of it shows.
  void Plan(SamplePlan& plan, Point2D uv, double dCorner, double dCentre, bool unbent) const {
    // Beyond a bent seam the point belongs to the quarter turned about that seam's corner.
    if (dCorner > 0) {
      if (CompareWithTolerance(uv.y - dCorner, 0) == -1) uv = uv.QuarterTurnB(Point2D(0, 0));
    } else if (CompareWithTolerance(uv.x + dCorner, 0) == -1) {
      uv = uv.QuarterTurnA(Point2D(0, 0));
    }
    if (dCentre > 0) {
      if (CompareWithTolerance(uv.y + dCentre, 0.5) == 1) uv = uv.QuarterTurnB(Point2D(0.5, 0.5));
    } else if (CompareWithTolerance(uv.x - dCentre, 0.5) == 1) {
      uv = uv.QuarterTurnA(Point2D(0.5, 0.5));
    }

    const double u = uv.x, v = uv.y, hu = fu_ / 2, hv = fv_ / 2;
    const Point2D own = source_(u, v);
    if (fv_ == 0) {
      plan.Single(unbent ? source_(OntoUEdges(uv)) : own);
      return;
    }
    const double wLoU = Ramp(u + dCorner, fu_), wHiU = Ramp((0.5 - u) + dCentre, fu_);
    const double wLoV = Ramp(v - dCorner, fv_), wHiV = Ramp((0.5 - v) - dCentre, fv_);
    if (u < hu - dCorner) {
      if (v < hv)
        PlanCorner(plan, own, own.QuarterTurnA(corner_), own.QuarterTurnB(corner_), own.HalfTurn(corner_),
                   wLoU, wLoV);
      else if (v <= 0.5 - hv)
        PlanBand(plan, own, own.QuarterTurnA(corner_), wLoU);
      else
        PlanCorner(plan, own, own.QuarterTurnA(corner_), own.QuarterTurnB(centre_), own.HalfTurn(twoFoldV_),
                   wLoU, wHiV);
    } else if (u > (0.5 - hu) + dCentre) {
      if (v < hv)
        PlanCorner(plan, own, own.QuarterTurnA(centre_), own.QuarterTurnB(corner_), own.HalfTurn(twoFoldU_),
                   wHiU, wLoV);
      else if (v <= 0.5 - hv)
        PlanBand(plan, own, own.QuarterTurnA(centre_), wHiU);
      else
        PlanCorner(plan, own, own.QuarterTurnA(centre_), own.QuarterTurnB(centre_), own.HalfTurn(centre_),
                   wHiU, wHiV);
    } else if (v < hv + dCorner) {
      PlanBand(plan, own, own.QuarterTurnB(corner_), wLoV);
    } else if (v <= (0.5 - hv) - dCentre) {
      plan.Single(own);
    } else {
      PlanBand(plan, own, own.QuarterTurnB(centre_), wHiV);
    }
  }

 private:
  const FeatherSource& source_;
  double fu_, fv_;
  Point2D corner_, centre_, twoFoldV_, twoFoldU_;
};

}  // namespace corvel
