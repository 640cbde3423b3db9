// Merging two images of one format through an 8-bit grey mask: the last step of every render
// that reaches the host, where the mask is the host's selection.
#pragma once
#include "core/CoreResult.h"
#include "core/RowIteratorBands.h"

namespace corvel {

// The destination becomes a copy of the first image (copied into it when it has pixels, else
// created; nothing to copy when it is the first image itself), then wherever the mask value m is
// non-zero every channel, alpha included, moves toward the second image by m / 255 (hard: is
// replaced by the second image's). The mask's top-left pixel lies on pixel offset (default
// (0, 0)) of the images and the mask must lie inside both; 101 otherwise, or for missing images,
// a mask that is not keFormatGrey or images of unequal formats. Formats other than the 8- and
// 16-bit grey and straight colour ones are left as the copy. The unused argument is kept for
// callers that pass the divide table.
CoreResult MaskedCombine(CRowIteratorBands& first, CRowIteratorBands& second, CRowIteratorBands& destination,
                         CRowIteratorBands& mask, const void* unused, bool hard, const POINT* offset);

}  // namespace corvel
