// The image with an alpha channel that the host exchange builds from the host's pixels and its
// selection mask.
#pragma once
#include <cstdint>

#include "core/CoreResult.h"
#include "core/ProgressMeter.h"
#include "core/RowIteratorBands.h"

namespace corvel {

// Creates the destination at the source's size and position in the target format
// (keFormatIndex8A, keFormatGreyA, keFormatBGRA, keFormatGreyA_u16 or keFormatBGRA_u16), copies
// the source's colour (grey, index) channels and sets alpha from the 8-bit mask laid at the
// offset over the source: the mask value (x 257 for 16 bits), times the source's alpha when
// multiply is set and the source has one. Pixels outside the mask keep the creation's zeros.
// Without a mask, or where it misses the source, alpha is the source's own, else opaque.
// The source must have the target's channel family and channel size (101 otherwise).
// divideTable is the core's divide-by-255 table, read by the 8-bit form.
CoreResult ConvertImageForHost(CProgressMeter* meter, CRowIteratorBands& source,
                               CRowIteratorBands& destination, keFormat target, CRowIteratorBands* mask,
                               const std::uint8_t* divideTable, bool multiply, const POINT* offset);

}  // namespace corvel
