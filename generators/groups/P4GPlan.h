// "P4G"'s plan of a pixel in doubles, the reference: its cell position turned onto the quarter and
// mirrored across its diagonal, its four seams bent by the first seam curve, then the quarter's
// plan.
#pragma once
#include "generators/detail/TileWorker.h"
#include "generators/groups/QuarterPlan.h"
#include "generators/groups/QuarterSeams.h"

namespace corvel {

class P4GPlan {
 public:
  // The seams of the generator, both of which must outlive it.
  P4GPlan(const TileGenerator& generator, const QuarterSeams& seams)
      : generator_(generator), s_(seams), quarter_(seams) {}

  void operator()(int x, int y, SamplePlan& plan) const;

 private:
  const TileGenerator& generator_;
  const QuarterSeams& s_;
  QuarterPlan quarter_;
};

}  // namespace corvel
