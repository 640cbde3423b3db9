// "P6"'s plan of a pixel in doubles, the reference: its cell position brought onto the kite and
// across bent seams, then one sample, or the own sample blended with its copies across the seams
// near it, three or six where they meet.
#pragma once
#include "generators/detail/TileWorker.h"
#include "generators/groups/P6Kite.h"
#include "generators/groups/P6Seams.h"

namespace corvel {

class P6Plan {
 public:
  // The kite and seams of the generator, all of which must outlive it.
  P6Plan(const TileGenerator& generator, const P6Kite& kite, const P6Seams& seams)
      : generator_(generator), kite_(kite), s_(seams) {}

  void operator()(int x, int y, SamplePlan& plan) const;
  // A cell position brought onto the kite and across the bent seams, as the plan takes it.
  Point2D Folded(const Point2D& cell) const {
    double o1, bend1, bend2;
    return AcrossBentSeams(kite_.OntoKite(cell), o1, bend1, bend2);
  }

 private:
  // Nothing bends: only a pixel on the second median is carried across it, and a pixel right on
  // a hard seam shows the side every copy of it shows.
  void PlanHardSeams(Point2D uv, SamplePlan& plan) const;
  // Beyond a bent seam the point belongs to the kite turned about that seam's centre: uv carried
  // there, with the offsets of the seams on the axes (o1) and on the medians (bend1, bend2) where
  // it lands.
  Point2D AcrossBentSeams(Point2D uv, double& o1, double& bend1, double& bend2) const;
  // The own sample at uv blended with its copies across the seams near it.
  void PlanBlends(const Point2D& uv, double o1, double bend1, double bend2, SamplePlan& plan) const;
  // The same where uv lies beyond the shrunk kite's edge on the first median, about its
  // three-fold centre.
  void PlanAtTheThreeFoldCentre(const Point2D& uv, const Point2D& own, double o1, double bend1,
                                double toAxisU, double toMedian1, SamplePlan& plan) const;

  const TileGenerator& generator_;
  const P6Kite& kite_;
  const P6Seams& s_;
};

}  // namespace corvel
