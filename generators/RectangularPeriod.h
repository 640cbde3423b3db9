// The smallest axis-aligned repeat of an integer lattice: the tile driver sizes repeated tiles
// with it, and the shape editor's lattice snap compares candidate lattices by it.
#pragma once
#include "platform/win32/Types.h"

namespace corvel {

// Never negative; gcd(x, 0) = |x|, gcd(0, 0) = 0.
int GreatestCommonDivisor(int a, int b);

// (px, py): the lattice spanned by a and b contains (px, 0) and (0, py) and no shorter axis
// vectors; (0, 0) when the lattice has no such vectors (parallel or axis-degenerate vectors).
POINT RectangularPeriod(POINT a, POINT b);

}  // namespace corvel
