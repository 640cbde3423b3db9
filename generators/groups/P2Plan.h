// "P2"'s plan of a pixel in doubles, the reference: its cell position turned onto the triangle and
// across a curved seam, then one sample, or the own sample blended with its half turns across the
// seams near it, three where two bands meet and six at the triangle's corners.
#pragma once
#include "generators/detail/TileWorker.h"
#include "generators/groups/P2Seams.h"
#include "generators/groups/P2Triangle.h"

namespace corvel {

class P2Plan {
 public:
  // The triangle and seams of the generator, all of which must outlive it.
  P2Plan(const TileGenerator& generator, const P2Triangle& triangle, const P2Seams& seams)
      : generator_(generator), triangle_(triangle), s_(seams) {}

  void operator()(int x, int y, SamplePlan& plan) const;
  // A cell position turned onto the triangle and across the curved seams as the plan turns it.
  Point2D Folded(const Point2D& cell) const;

  // Where a pixel lies on the triangle: inside, in a band, where two meet or at a corner.
  enum Region {
    kInside,
    kLeftBand,
    kBottomBand,
    kDiagonalBand,
    kLeftBottom,
    kLeftDiagonal,
    kBottomDiagonal,
    kCorner00,
    kCorner01,
    kCorner10
  };

 private:
  // The seams' offsets d0 (the diagonal), d1 (the left edge) and d2 (the bottom) at (u, v).
  struct Offsets {
    double d0, d1, d2;
  };
  // The same, with the seams' offsets of the position before the turns, each turned with it.
  Point2D Folded(const Point2D& cell, Offsets& d) const;
  // Across a curved seam the point belongs to the copy turned about the seam's midpoint: uv
  // carried there, the offsets turned with it. In place: a point passed by value was stored and
  // loaded again in halves, a stall on every planned pixel.
  void AcrossCurvedSeams(Point2D& uv, Offsets& d) const;
  Region RegionOf(double u, double v, const Offsets& d) const;
  void PlanRegion(Region region, double u, double v, const Offsets& d, SamplePlan& plan) const;
  // The six copies that meet at a corner of the triangle, by the pixel's barycentric weights
  // against the corner triangle p0, p1, p2 (the corner, a point on e1's seam, one on e2's).
  void PlanSixAround(const Point2D& s0, const Point2D& corner, const Point2D& e1, const Point2D& e2,
                     Point2D p0, Point2D p1, Point2D p2, SamplePlan& plan) const;

  const TileGenerator& generator_;
  const P2Triangle& triangle_;
  const P2Seams& s_;
};

}  // namespace corvel
