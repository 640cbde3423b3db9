// "CM"'s plan of a pixel in doubles, the reference: its cell position mirrored onto the triangle
// and across the bent seam, then one sample, or the own sample blended with its mirror image
// across the seam, three copies at the corners.
#pragma once
#include "generators/detail/TileWorker.h"
#include "generators/groups/CMSeams.h"

namespace corvel {

class CMPlan {
 public:
  // The seams of the generator, both of which must outlive it.
  CMPlan(const TileGenerator& generator, const CMSeams& seams) : generator_(generator), s_(seams) {}

  void operator()(int x, int y, SamplePlan& plan) const;
  // A cell position folded as the plan folds it, across the bent seam too.
  Point2D Folded(Point2D cell) const {
    double off;
    return Folded(cell, off);
  }

 private:
  // The same, and how far the seam is bent there.
  Point2D Folded(Point2D cell, double& off) const;
  // The own sample at (u, v), the seam bent by off there, blended with its copies near the seam.
  void PlanBlends(double u, double v, double off, SamplePlan& plan) const;

  const TileGenerator& generator_;
  const CMSeams& s_;
};

}  // namespace corvel
