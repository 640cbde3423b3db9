// "PG"'s plan of a pixel in doubles, the reference: its cell position glided onto the half cell and
// across a bent seam, then one sample, or the own sample blended with its copies across the seams
// near it: the glide image across u, the translate across v, at the corners both and the glide
// image of the translate.
#pragma once
#include "generators/detail/TileWorker.h"
#include "generators/groups/PGSeams.h"

namespace corvel {

class PGPlan {
 public:
  // The seams of the generator, both of which must outlive it.
  PGPlan(const TileGenerator& generator, const PGSeams& seams) : generator_(generator), s_(seams) {}

  void operator()(int x, int y, SamplePlan& plan) const;
  // A cell position glided onto the half cell and carried across a bent seam, with the seams'
  // bends du and dv there.
  Point2D Folded(const Point2D& cell, double& du, double& dv) const;

 private:
  // The own sample at (u, v), the seams bent by du and dv there, blended with its copies near them.
  void PlanBlends(double u, double v, double du, double dv, SamplePlan& plan) const;

  const TileGenerator& generator_;
  const PGSeams& s_;
};

}  // namespace corvel
