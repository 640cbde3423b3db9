// "PGG"'s plan of a pixel in doubles, the reference: its cell position folded onto the quarter and
// across a bent glide seam, then one sample, or the own sample blended with its glide images
// across the seams near it, and at the corners with its half turn too.
#pragma once
#include "generators/detail/TileWorker.h"
#include "generators/groups/PGGSeams.h"

namespace corvel {

class PGGPlan {
 public:
  // The seams of the generator, both of which must outlive it.
  PGGPlan(const TileGenerator& generator, const PGGSeams& seams) : generator_(generator), s_(seams) {}

  void operator()(int x, int y, SamplePlan& plan) const;

 private:
  // The own sample at (u, v), the seams bent by du and dv there, blended with its copies near them.
  void PlanBlends(double u, double v, double du, double dv, SamplePlan& plan) const;

  const TileGenerator& generator_;
  const PGGSeams& s_;
};

}  // namespace corvel
