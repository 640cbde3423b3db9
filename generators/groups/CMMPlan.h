// "CMM"'s plan of a pixel in doubles, the reference: its cell position mirrored onto the triangle
// and turned across the bent seam, then one sample, or the own sample blended with its half turn
// across the seam.
#pragma once
#include "generators/detail/TileWorker.h"
#include "generators/groups/CMMSeams.h"

namespace corvel {

class CMMPlan {
 public:
  // The seams of the generator, both of which must outlive it.
  CMMPlan(const TileGenerator& generator, const CMMSeams& seams) : generator_(generator), s_(seams) {}

  void operator()(int x, int y, SamplePlan& plan) const;

 private:
  const TileGenerator& generator_;
  const CMMSeams& s_;
};

}  // namespace corvel
