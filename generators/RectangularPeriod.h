// The smallest axis-aligned repeat of an integer lattice: the tile driver sizes repeated tiles
// with it, and the shape editor's lattice snap compares candidate lattices by it. A hexagonal
// lattice is the centred lattice of its period, whose sides stand as 1 to sqrt(3); scaled, it is
// kept so to the pixel.
#pragma once
#include "platform/win32/Types.h"

namespace corvel {

// Never negative; gcd(x, 0) = |x|, gcd(0, 0) = 0.
int GreatestCommonDivisor(int a, int b);

// (px, py): the lattice spanned by a and b contains (px, 0) and (0, py) and no shorter axis
// vectors; (0, 0) when the lattice has no such vectors (parallel or axis-degenerate vectors).
POINT RectangularPeriod(POINT a, POINT b);

// A hexagonal lattice's period (both sides even) scaled by factor: its shorter half rounded, at
// least 1, and the longer half that times sqrt(3) rounded, the nearest hexagon whole pixels allow.
// Rounding each side apart would leave the hexagon by up to a pixel and a half a side.
POINT ScaledHexagonalPeriod(POINT period, double factor);

// The tile's size at percent of one period of its lattice: the period itself at 100; else each side
// on its own, rounded down and at least 1, or a hexagonal lattice's (even sides) by
// ScaledHexagonalPeriod.
POINT ScaledTileSize(POINT period, int percent, bool hexagonal);

}  // namespace corvel
