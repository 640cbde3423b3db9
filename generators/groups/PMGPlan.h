// "PMG"'s plan of a pixel in doubles, the reference: its cell position folded onto the strip and
// across a bent seam, then one sample, or the own sample blended with its translate across u and
// its half turn across v = 0 near them, at the corners with the half turn about the corner too.
#pragma once
#include "generators/detail/TileWorker.h"
#include "generators/groups/PMGSeams.h"

namespace corvel {

class PMGPlan {
 public:
  // The seams of the generator, both of which must outlive it.
  PMGPlan(const TileGenerator& generator, const PMGSeams& seams) : generator_(generator), s_(seams) {}

  void operator()(int x, int y, SamplePlan& plan) const;
  // A cell position folded onto the strip below v = 0.25, before the plan carries it across a
  // bent seam.
  static Point2D OntoStrip(const Point2D& cell);

 private:
  // The own sample at (u, v), the seams bent by du and dv there, blended with its copies near them.
  void PlanBlends(double u, double v, double du, double dv, SamplePlan& plan) const;

  const TileGenerator& generator_;
  const PMGSeams& s_;
};

}  // namespace corvel
