// The plan in doubles of a pixel on the quarter of "P4" and "P4G", once the group has folded it
// there and worked out how far its seams bend at it: across a bent seam, then one sample, or the
// own sample blended with its turns about the quarter's centres across the seams near it, and at
// the corners with its half turn too.
#pragma once
#include "generators/detail/TileWorker.h"
#include "generators/groups/QuarterSeams.h"

namespace corvel {

class QuarterPlan {
 public:
  // The seams, which must outlive it.
  explicit QuarterPlan(const QuarterSeams& seams) : s_(seams) {}

  // uv is the folded position clamped to the quarter; the seams through the corner are bent by
  // dCorner and those through the centre by dCentre. Partners are turns of the pixel's own
  // source point about the centres on the source. With no feather across v, a pixel takes one
  // sample: on a seam left `unbent`, the side every copy of it shows.
  void Plan(SamplePlan& plan, Point2D uv, double dCorner, double dCentre, bool unbent) const;

 private:
  // The own sample at uv blended with its copies near the bent seams.
  void PlanBlends(SamplePlan& plan, Point2D uv, double dCorner, double dCentre) const;

  const QuarterSeams& s_;
};

}  // namespace corvel
