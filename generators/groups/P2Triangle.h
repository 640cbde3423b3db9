// "P2"'s fundamental region, the triangle u >= 0, v >= 0, u + v <= 1 of the cell, and how a cell
// position comes onto it, described once: the half turn about the cell's centre in doubles, as the
// program's step, and the sides a pixel right on a hard seam shows.
#pragma once
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"

namespace corvel {

class P2Triangle {
 public:
  // On the generator's prepared lattice, which must outlive it.
  explicit P2Triangle(const TileGenerator& generator) : generator_(generator) {}

  // A plane point of the cell onto the triangle: beyond the diagonal u + v = 1 the half turn about
  // the cell's centre brings it back.
  Point2D Fold(const Point2D& p) const {
    Point2D uv = generator_.PlaneToLattice(p.x, p.y);
    if (1 - uv.x < uv.y) uv = uv.HalfTurn({0.5, 0.5});
    return generator_.LatticeToPlane(uv.x, uv.y);
  }
  // The same as the program's step.
  static void AddStep(detail::FoldProgram& program);
  // Each edge of the triangle is glued to itself by the half turn about its midpoint: a pixel
  // right on one shows its first half in every copy.
  static Point2D OntoFirstHalves(const Point2D& uv);
  // The same as the program's last steps, which take a pixel right on an edge there whichever side
  // of it the fold took it to.
  static void AddFirstHalfSteps(detail::FoldProgram& program);

 private:
  const TileGenerator& generator_;
};

}  // namespace corvel
