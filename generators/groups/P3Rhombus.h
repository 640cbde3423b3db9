// "P3"'s fundamental region, the rhombus 0, anchor2, A + B, anchor1 (a third of the cell, the
// anchors A/3 + 2B/3 and 2A/3 + B/3), and how a point of the cell comes onto it by the three-fold
// turns about the anchors, described once for the plan in doubles and the program's steps; "P3ML"
// mirrors it further.
#pragma once
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"

namespace corvel {

class P3Rhombus {
 public:
  // On the generator's prepared lattice, which must outlive it.
  explicit P3Rhombus(const TileGenerator& generator)
      : generator_(generator),
        anchor1_(generator.LatticeToPlane(1.0 / 3, 2.0 / 3)),
        anchor2_(generator.LatticeToPlane(2.0 / 3, 1.0 / 3)) {}

  // The four triangles of the cell outside the rhombus turned onto it about the anchors: below
  // the line through A and B (v = 1 - u) the triangles 0, anchor1, B (above v = 2u) and 0, A,
  // anchor2 (below v = u / 2); above it B, anchor1, A + B (above v = (1 + u) / 2) and A, A + B,
  // anchor2 (below v = 2u - 1). Within the tolerance of a line a point stays.
  Point2D Fold(const Point2D& p) const;
  // The same as the program's steps, each triangle tested where the position started, each turn
  // taken only as far as `strict` past its lines, as the plan keeps a position within its
  // tolerance of one.
  void AddTurnSteps(detail::FoldProgram& program, double strict = 0) const;

  const Point2D& Anchor1() const { return anchor1_; }
  const Point2D& Anchor2() const { return anchor2_; }

 private:
  const TileGenerator& generator_;
  Point2D anchor1_, anchor2_;  // on the plane
};

}  // namespace corvel
