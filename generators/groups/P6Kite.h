// "P6"'s fundamental region, the kite K = (0, 0), (0.5, 0), (1/3, 1/3), (0, 0.5) of the cell, and
// how a cell position comes onto it, described once: the fold in doubles, its steps as a program
// for the lanes, and the record the AVX2 lanes fold by; the plan's clamps and carry are the
// hexagonal kite's.
#pragma once
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"
#include "generators/groups/HexagonalKite.h"
#include "generators/groups/HexagonalPlans.h"

namespace corvel {

class P6Kite : public HexagonalKite {
 public:
  // In lattice coordinates: u + v = 1, 2u + v = 1, u = 1/3 and u + 2v = 1. The kite's edges on
  // the axes are glued by the six-fold turns about 0, those on the medians by the three-fold
  // turns about (1/3, 1/3).
  static const Line2D kShortDiagonal, kMedian1, kThird, kMedian2;

  // On the generator's prepared lattice, which must outlive it, the source read su and sv into
  // its cell.
  explicit P6Kite(const TileGenerator& generator, double su = 0, double sv = 0)
      : HexagonalKite(generator, su, sv, kMedian1, kMedian2), sixFold_(Source()(0, 0)) {}

  // The kites about A and B turned onto K about the three-fold centre, the half beyond u + v = 1
  // first turned half about the cell's centre. Within the tolerance a point on a kite's edge
  // counts as the neighbour's.
  Point2D Fold(Point2D uv) const;
  // The same as the program's steps.
  void AddSteps(detail::FoldProgram& program) const;
  // Fold, then clamped onto K's edges, as the plan takes a cell position.
  Point2D OntoKite(const Point2D& cell) const { return Clamped(Fold(cell)); }
  // What the lanes fold by: FoldP6Avx2 gives Carried(OntoKite) bit for bit; the hard seams' sides
  // are taken within near.
  detail::P6PlanLanes Lanes(double near) const;

  // The six-fold centre on the source.
  const Point2D& SixFold() const { return sixFold_; }

 private:
  Point2D sixFold_;
};

}  // namespace corvel
