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
  // A cell position folded as the plan folds it, across the bent seam too.
  Point2D Folded(Point2D cell) const {
    double du;
    return Folded(cell, du);
  }

 private:
  // The same, and how far the seams are bent along u there.
  Point2D Folded(Point2D cell, double& du) const;

  const TileGenerator& generator_;
  const PMSeams& s_;
};

}  // namespace corvel
