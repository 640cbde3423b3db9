// The scale stage: the tile handed to the caller at the share of its own size it is used at,
// scaled here where the render did not render it at that size.
#pragma once
#include "core/CoreResult.h"
#include "core/PixelFormat.h"
#include "core/RowIteratorBands.h"

namespace corvel {

class CProgressMeter;

namespace detail {

// tile, rendered at renderedPercent of its size, into destination at percent (of a hexagonal
// lattice's period where hexagonal; ScaledTileSize): taken over where the two agree, else scaled by the
// average of the pixels it covers when it shrinks and by the four-tap filter when it grows, into
// destination's memory where that has room (CreateSpreadIn). keErrorTileOverBudget where the scaled tile
// would pass the tile budget, destination then untouched. The scale of a large tile takes a good part
// of a second: it listens to the meter's stop (its percentage is the generation's) and hands back a
// blank tile and 100 when stopped.
CoreResult HandOverScaled(CRowIteratorBands& tile, int renderedPercent, int percent, bool hexagonal,
                          CRowIteratorBands& destination, CProgressMeter* meter = nullptr);

// What a stopped render leaves the caller: a blank image of the tile's size at percent in format,
// and the code 100; keErrorTileOverBudget where that would pass the tile budget.
CoreResult HandOverStopped(CRowIteratorBands& destination, int width, int height, int percent, bool hexagonal,
                           keFormat format);

}  // namespace detail
}  // namespace corvel
