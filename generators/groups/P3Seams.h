// The seams of "P3"'s rhombus on a lattice shrunk by the feather, measured in the centre frame, in
// which the rhombus is the unit square: its edges, bent in pairs by the two seam curves, blend
// two copies, the anchors three and the corners 0 and A + B six. From these, the fold program's
// bands and the blends the lanes mix.
#pragma once
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/HexagonalPlans.h"
#include "generators/groups/P3Rhombus.h"

namespace corvel {

struct P3Seams {
  // On the generator's shrunk lattice, with its feather fractions and seam amplitudes.
  explicit P3Seams(const TileGenerator& generator);
  P3Seams(const P3Seams&) = delete;
  P3Seams& operator=(const P3Seams&) = delete;

  // A source point's position in the frame, less half a feather.
  Point2D ToFrame(const Point2D& p) const;
  // What the lanes plan by: PlanP3Avx2 gives the unfeathered plan's positions bit for bit.
  detail::P3PlanLanes Lanes(const TileGenerator& generator, const P3Rhombus& rhombus) const;

  // The centre frame: the rhombus spanned by the anchors, rounded to whole pixels, on the tile and
  // on the source.
  TileGenerator frame;
  // The source is read half the feather into the frame; the blends may reach a little further.
  double su, sv, fu, fv, hu, hv;
  FeatherSource source;
  // The frame's corners on the source.
  Point2D c00, c10, c01, c11;
  // The triangles of the band ends that the six-copy corners at 0 and A + B weigh the pixel
  // against, on the source with its origin.
  Point2D t0a, t0b, t0c, t1a, t1b, t1c;
  double k0, k1;
  // A third of a pixel in the frame's units: the turns of a nearly hexagonal lattice end that near
  // to an edge they take a pixel onto.
  double near;
  // Whole pixels lie right at near from the frame's lines where s, t or s + t is whole, where a
  // test within near in doubles may part a pixel from its copies.
  bool pixelsRightAtNear;
  // Unbent and unfeathered nothing bends or carries: the plan needs the clamped position alone.
  bool hardUnbent;
};

// Unbent, a pixel away from the seams is one sample of its position turned onto the rhombus and
// read through the frame. The seams lie on the lines where 2u - v, u - 2v or u + v is whole (the
// frame's s, -t and s + t); the pixels of bands about them as wide as the blends (where
// feathersBands, else none), and as far again as the seams' reach, are left to the plan.
void DescribeP3Fold(const TileGenerator& generator, const P3Rhombus& rhombus, const P3Seams& seams,
                    detail::FoldProgram& program, bool feathersBands = true);

// Bent, past the fold: a step for each bent pair of edges, those at anchor2 and then those at
// anchor1, carries a position past its bent edge onto the copy turned about its anchor, as the
// plan does, and marks the pixels near it; feathered, those in the band about it, and a step for
// each bent pair those in the band about its other edge. Only they, the unbent bands' reach and
// the bands of a pair unbent are planned.
void AddP3BentSteps(const TileGenerator& generator, const P3Seams& seams, detail::FoldProgram& program);

// Feathered, the bands' pixels blend in lanes, in the frame; the corners stay planned, and so do
// pixels past the rhombus's edges (or within a sliver of them), where the turns of a lattice a
// little off the hexagon carry some positions and the plan clamps them back. Bent, the bands'
// sides and ramps move by the plan's offsets of the edges; past the rhombus, where the carries
// land, by the offsets of the position before the carry, but for the pixels a carry lands as near
// an edge as the turns' drift, those it took from right on a bent edge or from near the far end of
// its edge, and all it carries where the bends reach the rhombus's middle, which are planned.
// Region by region as the rows of kP3Blends (HexagonalBlendRows.h) name them, after the program's
// read is set.
void DescribeP3Blends(const TileGenerator& generator, const P3Seams& seams,
                      const detail::FoldProgram& program, detail::SeamBlends& blends);

}  // namespace corvel
