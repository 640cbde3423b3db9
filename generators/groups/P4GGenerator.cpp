#include "generators/groups/P4GGenerator.h"

#include "generators/detail/QuarterTurnFeathering.h"

namespace corvel {

const Line2D& P4GMirrorLine() {
  static const Line2D line({0, 0.5}, {0.5, 0});
  return line;
}

P4GGenerator::P4GGenerator() : mirror_(P4GMirrorLine()) {}

Point2D P4GGenerator::Fold(Point2D uv) const {
  const Point2D centre(0.5, 0.5);
  if (CompareWithTolerance(uv.x, 0.5) == 1)
    uv = CompareWithTolerance(uv.y, 0.5) == 1 ? uv.HalfTurn(centre) : uv.QuarterTurnA(centre);
  else if (CompareWithTolerance(uv.y, 0.5) == 1)
    uv = uv.QuarterTurnB(centre);
  if (CompareWithTolerance(uv.y, 0.5 - uv.x) != -1) uv = uv.Reflect(mirror_);
  return uv;
}

Point2D P4GGenerator::MapPoint(const Point2D& p) const {
  const Point2D uv = Fold(PlaneToLattice(p.x, p.y));
  return LatticeToPlane(uv.x, uv.y);
}

int P4GGenerator::Generate(CProgressMeter* meter) {
  const double fu = feather1, fv = feather2, hu = fu / 2, hv = fv / 2;
  ShrinkLatticeXY(*this, 1 - 2 * fu, 1 - 2 * fv);
  const FeatherSource source(*this, hu, hv);
  const double k0 = seamK0;
  const QuarterTurnFeathering feathering(source, fu, fv);
  // Unbent, a pixel away from the quarters' seams is one sample of its position turned as its
  // quarter started and mirrored across u + v = 0.5.
  detail::FoldProgram fold;
  AddQuarterTurnFolds(fold, hu, hv);
  fold.AddByLine(mirror_, true, detail::LatticeAffine{0, -1, 0.5, -1, 0, 0.5});
  detail::SeamBlends blends;
  if (fv != 0) {
    feathering.DescribeBlends(blends);
    blends.planFold = [this](Point2D cell) {
      const Point2D uv = Fold(cell);
      return Point2D(ClampHalf(uv.x), ClampHalf(uv.y));
    };
    blends.planFoldLanes = FoldQuartersMirroredAvx2;
    fold.blends = &blends;
  } else {
    AddQuarterSeamSides(fold, false);
  }
  return RunTileWorker(
      *this, meter,
      [&](int x, int y, SamplePlan& plan) {
        Point2D uv = Fold(CellPosition(*this, x, y));
        uv = {ClampHalf(uv.x), ClampHalf(uv.y)};

        // The seams at the corner bend by the larger bump of the two edges, those at the centre by
        // the smaller; both vanish at the seams' ends.
        const double a = Clamp01((uv.x - hu) / (0.5 - fu)), b = Clamp01((uv.y - hv) / (0.5 - fv));
        const double dCentre = LargerForPositive(-Bump(b) * k0 * (1 - fv), -Bump(a) * k0 * (1 - fv), k0 > 0) /
                               2.5;
        const double dCorner = LargerForPositive(Bump(a) * k0 * (1 - fu), Bump(b) * k0 * (1 - fu), k0 > 0) /
                               2.5;

        feathering.Plan(plan, uv, dCorner, dCentre, k0 == 0);
      },
      k0 == 0 ? &fold : nullptr);
}

}  // namespace corvel
