// A fundamental region that is the rectangle [0, width] x [0, height] of its cell, each of its four
// edges a feathered seam ("PG"'s half cell, the quarter of "PGG", "P4" and "P4G"), on a lattice
// shrunk by the feather. From it, the fold program's reach and bands and the blends the lanes mix.
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"

namespace corvel {

struct FeatheredRectangle {
  double width, height;
  // The feathers across u and v.
  double fu, fv;
};

// The copies a pixel of the rectangle blends with, as maps of its lattice coordinates onto the
// source: across the edges u = 0, u = width, v = 0 and v = height, and across both edges at the
// corners (0, 0), (0, height), (width, 0) and (width, height).
struct RectangleCopies {
  detail::LatticeAffine acrossLowU, acrossHighU, acrossLowV, acrossHighV;
  detail::LatticeAffine acrossBoth00, acrossBoth01, acrossBoth10, acrossBoth11;
};

// Bent seams: what each edge's coordinate (u at the edges u = 0 and u = width, v at the others)
// adds of the blends' bumps where the plans test and weigh it.
struct RectangleBends {
  detail::BlendBends lowU, highU, lowV, highV;
};

// The program reads the rectangle, shifted half a feather into the source cell, and plans the
// bands about its edges' lines.
void DescribeRectangleBands(const FeatheredRectangle& rectangle, detail::FoldProgram& program);

// Feathered, a band's pixels blend with the copy across its edge in lanes, a corner's with the
// three copies across its edges in doubles, each edge's weight ramped over its feather. The plans
// weigh a corner's copy across u first at the corners on u = 0, or at every corner where
// acrossUFirst. Bent where bends are given (blends.bends set), the sides and weights by them.
void DescribeRectangleBlends(const FeatheredRectangle& rectangle, const RectangleCopies& copies,
                             detail::SeamBlends& blends, bool acrossUFirst = false,
                             const RectangleBends& bends = {});

// The sides of the regions added from `from` on, on the rectangle's edges or their lines, bent by
// the edges they lie on, and their weights by the edges they ramp across. The plans test the bent
// edges across u first, and within their bands split the corners off by v unbent.
void BendRectangleRegions(const FeatheredRectangle& rectangle, const RectangleBends& bends, int from,
                          detail::SeamBlends& blends);

}  // namespace corvel
