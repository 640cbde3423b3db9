// "P3LM"'s plan of a pixel in doubles, the reference: its cell position brought onto the kite and
// across a bent seam, then one sample, or the own sample blended with its copies across the
// seams near it, three about G and four at the edges' midpoints.
#pragma once
#include "generators/detail/TileWorker.h"
#include "generators/groups/P3LMKite.h"
#include "generators/groups/P3LMSeams.h"

namespace corvel {

class P3LMPlan {
 public:
  // The kite and seams of the generator, all of which must outlive it.
  P3LMPlan(const TileGenerator& generator, const P3LMKite& kite, const P3LMSeams& seams)
      : generator_(generator), kite_(kite), s_(seams) {}

  void operator()(int x, int y, SamplePlan& plan) const;

 private:
  // Nothing bends: only a pixel on the seam to (0, 0.5) is carried across it, and a pixel right on
  // the hard seam shows the side every copy of it shows.
  void PlanHardSeam(const Point2D& onKite, SamplePlan& plan) const;
  // The own sample at uv, with the seams from G bent by d, blended with its copies near them.
  void PlanBlends(const Point2D& uv, double d, SamplePlan& plan) const;

  const TileGenerator& generator_;
  const P3LMKite& kite_;
  const P3LMSeams& s_;
};

}  // namespace corvel
