// "P3LM"'s fundamental region, the kite (0, 0), (0.5, 0), G = (1/3, 1/3), (0, 0.5) of the
// triangle 0, A, B, and how a cell position comes onto it, described once: the fold in doubles,
// its steps as a program for the lanes, and the record the AVX2 lanes plan by; the plan's clamps
// and carry are the hexagonal kite's.
#pragma once
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"
#include "generators/groups/HexagonalKite.h"
#include "generators/groups/HexagonalPlans.h"

namespace corvel {

class P3LMKite : public HexagonalKite {
 public:
  // The kite's seams from G, to (0.5, 0) and to (0, 0.5), in lattice coordinates; three-fold
  // turns about G glue them.
  static const Line2D kToK, kToM;

  // On the generator's prepared lattice, which must outlive it, the source read su and sv into
  // its cell.
  explicit P3LMKite(const TileGenerator& generator, double su = 0, double sv = 0)
      : HexagonalKite(generator, su, sv, kToK, kToM),
        mirror_(Point2D(generator.basisA), Point2D(generator.basisB)) {}

  // The upper half of the cell (from v = 1 - u) is mirrored across A B; of the triangle 0, A, B
  // the kites at A (beyond v = 1 - 2u, below the diagonal) and at B (above it, or beyond
  // v = (1 - u) / 2) are turned onto the kite at the origin.
  Point2D Fold(Point2D uv) const;
  // The same as the program's steps, with the clamps of positions that a lattice a little off the
  // hexagon turns past the kite's mirror edges.
  void AddSteps(detail::FoldProgram& program) const;
  // Fold, then clamped onto the kite's edges, as the plan takes a cell position.
  Point2D OntoKite(const Point2D& cell) const { return Clamped(Fold(cell)); }
  // What the lanes plan by: PlanP3LMAvx2 gives the unfeathered plan's positions bit for bit; the
  // hard seam's side is taken within near.
  detail::P3LMPlanLanes Lanes(double near) const {
    return {HexagonalKite::Lanes(near), detail::LaneLineOf(mirror_)};
  }

 private:
  Line2D mirror_;  // through A and B, on the plane
};

}  // namespace corvel
