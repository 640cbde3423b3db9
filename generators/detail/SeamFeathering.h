// What the feathering workers share: the shrink of the lattice by the feather, the cell position of
// a pixel, the source points half a feather into the source cell, the weight ramps across a seam,
// and the plans of a band (two samples), a corner (four) and a meeting of six copies. Seams along
// the cell's edges blend their rectangular regions with these alone; diagonal and three-fold seams
// add weights of their own.
#pragma once
#include <algorithm>
#include <cmath>

#include "generators/detail/TileWorker.h"

namespace corvel {

// The lattice A, B scaled by factorX across and factorY down, each to the nearest size at which
// it keeps its structure exactly in integers (its rectangular period scales by the same factors,
// never grows, and never vanishes); C and D shrink with A and B. Then the lattice is prepared again.
void ShrinkLatticeXY(TileGenerator& generator, double factorX, double factorY);

// A lattice that is a hexagon to the pixel (the centred lattice of its period, whose sides stand as
// 1 to sqrt(3) as near as whole pixels allow) scaled by factor as its period scales by
// ScaledHexagonalPeriod, so that it stays one; any other as ShrinkLatticeXY by factor both ways.
// C and D shrink with A and B, and the lattice is prepared again.
void ShrinkHexagonalLattice(TileGenerator& generator, double factor);

// -min(0, A.x, B.x), -min(0, B.y): where the lattice origin lies in the box of the cell for the
// groups whose B may lean left.
Point2D OriginPastTheLeft(POINT a, POINT b);

// The lattice coordinates of pixel (x, y), brought into the base cell.
inline Point2D CellPosition(const TileGenerator& generator, int x, int y) {
  const Point2D uv = generator.PlaneToLattice(x, y);
  return {uv.x - FloorOf(uv.x), uv.y - FloorOf(uv.y)};
}

// A coordinate kept within the half cell [0, 0.5] that the square and hexagonal folds end in.
inline double ClampHalf(double t) { return t < 0 ? 0 : (t > 0.5 ? 0.5 : t); }

// Whether uv lies on the seam from a to b, its ends included.
inline bool OnSeam(Point2D uv, Point2D a, Point2D b) {
  const Point2D d = b - a, w = uv - a;
  const double length2 = d.x * d.x + d.y * d.y, t = (w.x * d.x + w.y * d.y) / length2;
  return CompareWithTolerance((w.x * d.y - w.y * d.x) / length2, 0) == 0 &&
         CompareWithTolerance(t, 0) != -1 && CompareWithTolerance(t, 1) != 1;
}

// A hard seam that the half turn about its midpoint glues to itself: a pixel right on it shows
// the half from a in every copy, not its own half.
inline Point2D OntoHalfFrom(Point2D uv, Point2D a, Point2D b) {
  const Point2D middle = (a + b) / 2;
  return OnSeam(uv, b, middle) && !OnSeam(uv, a, middle) ? uv.HalfTurn(middle) : uv;
}

// A third of a pixel along the shorter of the lattice vectors a and b, in lattice units: the
// turns of a nearly hexagonal lattice end that near to a seam they take a pixel onto.
inline double ThirdOfAPixel(POINT a, POINT b) {
  return 0.3 / std::sqrt(double(std::min(a.x * a.x + a.y * a.y, b.x * b.x + b.y * b.y)));
}

// Whether whole plane points lie right at distance d of the lines where a coordinate of the lattice
// of a and b (or a sum of whole multiples of them) is whole: det times each such sum is whole at
// whole points.
inline bool PixelsRightAt(double d, POINT a, POINT b) {
  const double k = d * std::abs(double(a.x) * b.y - double(a.y) * b.x);
  return d > 0 && std::abs(k - std::round(k)) < 1e-6;
}

// The width of a feather's blends in lattice units of a and b. The turns of a nearly hexagonal
// lattice put a seam a fraction of a pixel off from copy to copy, which across a blend of a pixel
// or less is most of its jump; so a blend spans about two pixels at least (a quarter cell at most).
inline double BlendWidth(double feather, POINT a, POINT b) {
  if (feather == 0) return 0;
  return std::max(feather, std::min(0.25, 8 * ThirdOfAPixel(a, b)));
}

// Whether uv lies within `near` of the hexagonal kite's median u + 2v = 1, and not of the
// other median 2u + v = 1 that meets it at the three-fold centre.
inline bool OnSecondMedian(Point2D uv, double near) {
  return std::abs(uv.x + 2 * uv.y - 1) < near && std::abs(2 * uv.x + uv.y - 1) >= near;
}

// The weight of a sample at a signed distance from its seam (positive inside its own region):
// 0.5 on the seam, 1 from half a feather inside.
inline double Ramp(double distance, double feather) { return Clamp01(distance / feather + 0.5); }

// The larger of two candidate seam offsets for a positive amplitude, the smaller otherwise.
inline double LargerForPositive(double a, double b, bool positive) {
  return positive ? (a > b ? a : b) : (a < b ? a : b);
}

// The parabolic bump of a seam curve at the position t (0..1) along the seam.
inline double Bump(double t) { return 3 * t * (1 - t); }

// Feathering workers read the source half a feather into its cell, so that the band on each
// side of a seam has source pixels under it.
class FeatherSource {
 public:
  FeatherSource(const TileGenerator& generator, double halfU, double halfV)
      : generator_(generator), hu_(halfU), hv_(halfV) {}
  Point2D operator()(double s, double t) const { return generator_.LatticeToSource(s + hu_, t + hv_); }
  Point2D operator()(const Point2D& st) const { return (*this)(st.x, st.y); }

 private:
  const TileGenerator& generator_;
  double hu_, hv_;
};

// Own sample with weight w, its partner across the seam with 1 - w.
inline void PlanBand(SamplePlan& plan, const Point2D& own, const Point2D& partner, double w) {
  plan.Clear();
  plan.Add(own, w);
  plan.Add(partner, 1 - w);
}

// Where two seams meet: acrossFirst lies across the seam of w1, acrossSecond across that of w2,
// acrossBoth across both. Summed own, both, first, second.
inline void PlanCorner(SamplePlan& plan, const Point2D& own, const Point2D& acrossFirst,
                       const Point2D& acrossSecond, const Point2D& acrossBoth, double w1, double w2) {
  plan.Clear();
  plan.Add(own, w1 * w2);
  plan.Add(acrossBoth, (1 - w2) * (1 - w1));
  plan.Add(acrossFirst, (1 - w1) * w2);
  plan.Add(acrossSecond, (1 - w2) * w1);
}

// Where six copies meet, by the point's barycentric coordinates in the triangle of the seams'
// ends: acrossFirst and acrossSecond lie across the seams that `first` and `second` weigh, the
// three copies beyond across both, and `rest` is shared out in sixths.
inline void PlanSixCopies(SamplePlan& plan, const Point2D& own, const Point2D& acrossFirst, double first,
                          const Point2D& acrossSecond, double second, const Point2D& beyond1,
                          const Point2D& beyond2, const Point2D& beyond3, double rest) {
  plan.Clear();
  plan.Add(own, Clamp01(first / 2 + second / 2 + rest / 6));
  plan.Add(acrossFirst, Clamp01(first / 2 + rest / 6));
  plan.Add(acrossSecond, Clamp01(second / 2 + rest / 6));
  plan.Add(beyond1, Clamp01(rest / 6));
  plan.Add(beyond2, Clamp01(rest / 6));
  plan.Add(beyond3, Clamp01(rest / 6));
}

// Weights clamped one by one may sum past 1 where a pixel lies off the triangle its weights were
// taken from; such a plan is scaled back to 1 so that bright channels stay as bright as the
// copies they mix, not brighter.
inline void LimitWeightsToOne(double* weights, int count) {
  double sum = 0;
  for (int i = 0; i < count; ++i) sum += weights[i];
  if (sum <= 1) return;
  for (int i = 0; i < count; ++i) weights[i] /= sum;
}
inline void LimitWeightsToOne(SamplePlan& plan) { LimitWeightsToOne(plan.weights, plan.count); }

// Three samples with their weights, each clamped on its own and then limited to a sum of 1.
inline void PlanThree(SamplePlan& plan, const Point2D& s1, double w1, const Point2D& s2, double w2,
                      const Point2D& s3, double w3) {
  plan.Clear();
  plan.Add(s1, Clamp01(w1));
  plan.Add(s2, Clamp01(w2));
  plan.Add(s3, Clamp01(w3));
  LimitWeightsToOne(plan);
}

}  // namespace corvel
