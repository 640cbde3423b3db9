// The quarter [0, 0.5]^2 of the square cell, onto which "P4" and "P4G" fold, and the quarter turns
// about its corner (0, 0) and the cell's centre (0.5, 0.5) that glue its edges, described once:
// the fold in doubles, the same as the program's steps and in AVX2 lanes, and the side a pixel
// right on a hard seam shows. "P4G" mirrors the quarter further across its diagonal u + v = 0.5.
#pragma once
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"

namespace corvel {

class QuarterTurn {
 public:
  // The three other quarters turned about the centre onto the first. Plain comparisons: a point
  // on a quarter's border counts as past it.
  static Point2D Fold(Point2D uv);
  // The same turns, within the tolerance a point on a quarter's border counting as the first
  // quarter's, then the mirror across the diagonal, a point on it counting as past it.
  static Point2D FoldMirrored(Point2D uv);
  // Fold and FoldMirrored clamped to the quarter, as the plans take a cell position.
  static Point2D OntoQuarter(Point2D cell);
  static Point2D OntoQuarterMirrored(Point2D cell);
  // u + v = 0.5 in lattice coordinates, made in a file built for every processor: the AVX2 lanes
  // only read it, so that no inline code of Line2D gets an AVX2 copy the linker might keep.
  static const Line2D& Diagonal();

  // The turns as the program's steps: the upper half turned about the centre and then the right
  // half about the corner, the same turns in two plain steps, cheaper in lanes than one step a
  // quarter, with no gap between their regions, so that a pixel right on a seam lands on the
  // quarter's edge too. The caller may add steps after them.
  static void AddSteps(detail::FoldProgram& program);
  // The mirror as the program's step, after AddSteps.
  static void AddMirrorStep(detail::FoldProgram& program);

  // A pixel right on a hard seam of the quarter shows one side of it, and every copy of the pixel
  // must show the same side: the turn about the corner glues the edge v = 0 to u = 0 and the turn
  // about the centre glues v = 0.5 to u = 0.5, so such pixels are taken to the u edges (the
  // two-fold corner to (0, 0.5)).
  static Point2D OntoUEdges(Point2D uv);
  // The same as the program's last steps, which take such a pixel there whichever side of the
  // seam the steps took it to: the edge v = 0.5 first where centreEdge (it remains after the
  // steps unless the mirror took it), then v = 0 (the two-fold corner (0.5, 0) ends at (0, 0.5)).
  static void AddSeamSides(detail::FoldProgram& program, bool centreEdge);
};

// OntoQuarter and OntoQuarterMirrored of four cell positions in place, in AVX2 lanes, by the same
// operations in the same order: the same positions bit for bit.
void FoldQuartersAvx2(double* u, double* v);
void FoldQuartersMirroredAvx2(double* u, double* v);

}  // namespace corvel
