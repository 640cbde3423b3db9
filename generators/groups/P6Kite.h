// "P6"'s fundamental region, the kite K = (0, 0), (0.5, 0), (1/3, 1/3), (0, 0.5) of the cell, and
// how a cell position comes onto it, described once: the fold in doubles, its steps as a program
// for the lanes, the plan's clamps and carry, and the record the AVX2 lanes fold by.
#pragma once
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/detail/TileGenerator.h"
#include "generators/groups/HexagonalPlans.h"

namespace corvel {

class P6Kite {
 public:
  // In lattice coordinates: u + v = 1, 2u + v = 1, u = 1/3 and u + 2v = 1. The kite's edges on
  // the axes are glued by the six-fold turns about 0, those on the medians by the three-fold
  // turns about (1/3, 1/3).
  static const Line2D kShortDiagonal, kMedian1, kThird, kMedian2;

  // On the generator's prepared lattice, which must outlive it, the source read su and sv into
  // its cell.
  explicit P6Kite(const TileGenerator& generator, double su = 0, double sv = 0)
      : generator_(generator),
        anchor_(generator.LatticeToPlane(1.0 / 3, 1.0 / 3)),
        su_(su),
        sv_(sv),
        source_(generator, su, sv),
        sixFold_(source_(0, 0)),
        threeFold_(source_(1.0 / 3, 1.0 / 3)) {}

  // The kites about A and B turned onto K about the three-fold centre, the half beyond u + v = 1
  // first turned half about the cell's centre. Within the tolerance a point on a kite's edge
  // counts as the neighbour's.
  Point2D Fold(Point2D uv) const;
  // The same as the program's steps.
  void AddSteps(detail::FoldProgram& program) const;
  // Fold, then clamped onto K's edges, as the plan takes a cell position.
  Point2D OntoKite(const Point2D& cell) const;
  // A position on or past the second median, within the tolerance, carried across it: turned by
  // -120 degrees about the three-fold centre on the source.
  Point2D Carried(const Point2D& uv) const;
  // The cell position read at a point of the source.
  Point2D ToCell(const Point2D& sourcePoint) const;
  // What the lanes fold by: FoldP6Avx2 gives Carried(OntoKite) bit for bit; the hard seams' sides
  // are taken within near.
  detail::P6PlanLanes Lanes(double near) const;

  const FeatherSource& Source() const { return source_; }
  // The six- and three-fold centres on the source.
  const Point2D& SixFold() const { return sixFold_; }
  const Point2D& ThreeFold() const { return threeFold_; }

 private:
  const TileGenerator& generator_;
  Point2D anchor_;  // the three-fold centre of the cell's first triangle, on the plane
  double su_, sv_;
  FeatherSource source_;
  Point2D sixFold_, threeFold_;
};

}  // namespace corvel
