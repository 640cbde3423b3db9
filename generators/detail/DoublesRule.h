// The rule that sends a pixel from the fast road to doubles, written once.
//
// The fast road steps a row's cell positions in 0.32 fixed point (each span of 64 pixels from
// doubles) and folds and maps them in floats: a cell position errs from the plan's doubles by at
// most kFastPositionError of a cell, and a blend's weight taken on the position before truncation
// by some 1e-4 of a pixel. Wherever the plan in doubles changes the copy it reads, the weights it
// mixes or the way it rounds, a pixel within that error of the line where it changes could go the
// other way on the fast road, so every such pixel is decided in doubles (planned as the reference
// plans it, or mixed in doubles from the blends' description, by the plan's own fold where the
// group gives it), and no other pixel need be:
// - a seam, where the fold takes a pixel to one copy or another, and the edges of a feather's
//   bands: the band pixels are marked kBandMargin wider than the bands (BandMarks); where the
//   steps decide the seams, a pixel right on one is taken by the last steps, within kOnSeam of
//   it, onto the copy the plan shows, and only pixels near it, not on it, are marked;
// - a bent seam, where a step's side is moved by a bump taken in floats: the pixels within
//   kBandMargin of it, and of its bent bands, marked in lanes wider by more than the floats' error
//   (BandMarks);
// - a blend's fold line, where the lanes and the plan may fold a band pixel to different copies:
//   band pixels within kOnFoldLine of one (SeamBlendRow);
// - a seam's middle, where the weight is one half and the mix falls on a whole or half level that
//   a weight a hair off truncates a level short: blended pixels within kOnSeamMiddle pixels of
//   it, kOnSeamMiddleExact where the weight is taken before truncation (and the lines where the
//   weight reaches 0 or 1 alike);
// - a cell's edge, where the plan's wrap follows its doubles' rounding: the pixels right on one
//   that the two wrap to different sides, told exactly by whole numbers (CellEdgePixels);
// - a 24.8 position a hair short of a whole or half pixel: both roads add kFixedPointSlack before
//   they truncate, so that both read the same pixel.
// Besides these lines, the pixels of the feather's regions the lanes do not mix go there whole:
// where bands cross and where copies meet; which kinds of region go where is RoadOf (SeamBlends.h).
#pragma once

namespace corvel::detail {

// Of a cell: 2^-32 a step over a span, and the floats' last place of the position's terms.
constexpr double kFastPositionError = 1e-7;
// Of a cell.
constexpr double kOnSeam = 2.5e-6;
// Of a band's own unit; no wider, so that on lattices of whole pixels up to some 250000 pixels of
// area no pixel off a hard seam lies within it.
constexpr double kBandMargin = 4e-6;
// Of a unit of the line's t; on whole pixels of a lattice of whole pixels, where one off a line lies
// at least 1 / det from it, half that where it is smaller, but not below kOnSeam.
constexpr double kOnFoldLine = 1e-5;
static_assert(kFastPositionError < kOnSeam && kOnSeam < kBandMargin && kBandMargin < kOnFoldLine);
// Of a bent seam's sum, which the lanes take in floats, bump and all, within some 5e-7 of it: the
// band margin and as much again as their error.
constexpr double kBentMargin = kBandMargin + 0x1p-20;

// Of a pixel across the seam's middle.
constexpr double kOnSeamMiddle = 1.0 / 16;
constexpr double kOnSeamMiddleExact = 1.0 / 256;

// Of a 24.8 unit, added before a truncation: a position exact in theory but a hair short of
// itself in doubles or floats still reads its own pixel, and the plan and the lanes read the same
// one.
constexpr double kFixedPointSlack = 0.25;

}  // namespace corvel::detail
