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
  // A cell position folded as the plan folds it, across the bent seam too.
  Point2D Folded(Point2D cell) const {
    double off;
    return Folded(cell, off);
  }

 private:
  // The same, and how far the seam is bent off v = 0 there.
  Point2D Folded(Point2D cell, double& off) const;

  const TileGenerator& generator_;
  const CMMSeams& s_;
};

}  // namespace corvel
