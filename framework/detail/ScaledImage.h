// The part of an image that a zoomed view shows, scaled by nearest neighbours into an opaque BGR
// image; pixels with alpha are laid over a checkerboard of the view's window pixels.
#pragma once
#include "core/RowIteratorBands.h"

namespace framework::detail {

struct Checkerboard {
  DWORD light;  // 0xRRGGBB
  DWORD dark;
  int cell;  // window pixels a side
};

// `visible` is a rectangle of the scaled image (its top-left corner at 0, 0) that lies inside
// it; `scaled` becomes its pixels. False when the source cannot be read as colour.
bool ScaleVisiblePart(corvel::CRowIteratorBands& source, double zoom, const RECT& visible,
                      const Checkerboard& checkerboard, corvel::CRowIteratorBands& scaled);

}  // namespace framework::detail
