// "P3"'s plan of a pixel in doubles, the reference: its cell position turned onto the rhombus and
// read in the centre frame, carried across a bent edge, then one sample, or the own sample
// blended with its copies across the edges near it, three at an anchor and six at 0 and A + B.
#pragma once
#include "generators/detail/TileWorker.h"
#include "generators/groups/P3Rhombus.h"
#include "generators/groups/P3Seams.h"

namespace corvel {

class P3Plan {
 public:
  // The rhombus and seams of the generator, all of which must outlive it.
  P3Plan(const TileGenerator& generator, const P3Rhombus& rhombus, const P3Seams& seams)
      : generator_(generator), rhombus_(rhombus), s_(seams) {}

  void operator()(int x, int y, SamplePlan& plan) const;

 private:
  // Nothing bends: a pixel right on a hard seam shows the side every copy of it shows.
  void PlanHardSeams(double s, double t, SamplePlan& plan) const;
  // Beyond a bent edge the point belongs to the copy turned about that edge's anchor: (s, t)
  // carried there, with the offsets of the edges at anchor2 (o0) and anchor1 (o1).
  Point2D AcrossBentEdges(Point2D st, double& o0, double& o1) const;
  // The own sample at (s, t) blended with its copies across the edges near it.
  void PlanBlends(const Point2D& st, double o0, double o1, SamplePlan& plan) const;
  // Where the edge s = 1 or t = 1 meets another: at anchor2 or anchor1, three copies, by the
  // pixel's place in the corner triangle; at A + B six.
  void PlanFarCorners(const Point2D& st, const Point2D& own, double o0, double o1, SamplePlan& plan) const;
  void PlanAtAnAnchor(const Point2D& st, const Point2D& own, const Point2D& a, const Point2D& b,
                      const Point2D& c, const Point2D& second, const Point2D& third, bool nearAnchor,
                      SamplePlan& plan) const;
  void PlanSixCopies(const Point2D& own, const Point2D& a, const Point2D& b, const Point2D& c,
                     const Point2D& s2, const Point2D& s3, const Point2D& s4, const Point2D& s5,
                     const Point2D& s6, SamplePlan& plan) const;

  const TileGenerator& generator_;
  const P3Rhombus& rhombus_;
  const P3Seams& s_;
};

}  // namespace corvel
