// The tile generator of the group "PGG": half turns at the corners, edge midpoints and centre
// of a rectangular cell, and two families of glide reflections. The picked area is the quarter
// at the lattice origin; its four edges are glide seams, bent by the two seam curves and
// feathered, and its corners blend in the half turn about the corner (PGGSeams, PGGPlan).
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"
#include "generators/groups/CellHalfTurn.h"

namespace corvel {

class PGGGenerator : public TileGenerator {
 public:
  // The upper half turned about the centre, then the far quarter glided back along A.
  static Point2D Fold(Point2D uv) {
    uv = TurnUpperHalf(uv);
    if (uv.x >= 0.5) uv = {uv.x - 0.5, 0.5 - uv.y};
    return uv;
  }
  // The same as the program's steps.
  static void AddFoldSteps(detail::FoldProgram& program);
  // A pixel right on a hard seam of the quarter shows the side that every copy of it shows: the
  // glides take the edge v = 0.5 to v = 0 and the edge u = 0.5 to u = 0.
  static Point2D OntoLowEdges(Point2D uv);
  // The same as the program's last steps, which take such a pixel there whichever side the fold
  // took it to.
  static void AddLowEdgeSteps(detail::FoldProgram& program);
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
  void ComputeOrigin() override { ComputeOriginFromLattice(); }
  // Both directional fractions are half of the other groups': percentage / 800.
  void SetFeather(double percentage) override;
};

}  // namespace corvel
