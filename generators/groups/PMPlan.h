// "PM"'s plan of a pixel in doubles, the reference: its cell position mirrored onto the half cell
// and carried across the bent seam, then one sample, or the own sample blended with the copy one
// cell on across the seam.
#pragma once
#include "generators/detail/TileWorker.h"
#include "generators/groups/PMSeams.h"

namespace corvel {

class PMPlan {
 public:
  // The seams of the generator, both of which must outlive it.
  PMPlan(const TileGenerator& generator, const PMSeams& seams) : generator_(generator), s_(seams) {}

  void operator()(int x, int y, SamplePlan& plan) const;

 private:
  const TileGenerator& generator_;
  const PMSeams& s_;
};

}  // namespace corvel
