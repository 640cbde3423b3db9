// The fast road of an image pattern drawn 1 : 1: the pattern's rows, converted to the target's
// format, repeated across a rectangle of the target in bands of rows on the core's row pool.
#pragma once
#include "platform/win32/Types.h"

namespace corvel {

class CRowIteratorBands;

// Target pixel (x, y) of the area takes pattern pixel ((x + phaseX) mod width, (y + phaseY) mod
// height). False, with nothing written, when the formats cannot be converted or either image has
// pixels narrower than a byte; the caller then takes the general road.
bool FillPatternRepeated(CRowIteratorBands& target, const RECT& area, CRowIteratorBands& pattern, int phaseX,
                         int phaseY);

}  // namespace corvel
