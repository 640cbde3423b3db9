// Strokes that reach far past the surface, cut down to what can show before Cairo sees them:
// Cairo works through a whole path's stroke, every dash of it, before it clips, and loses paths
// more than 2^23 pixels across; a metafile's coordinates can make them as long as they like.
#pragma once
#include <cairo.h>

#include <vector>

#include "platform/gdi/detail/DevicePath.h"

namespace platform::gdi {

// Where a pen `width` wide may still touch `surface`: beyond, a path's stroke cannot show.
DeviceBox StrokeReach(const DeviceBox& surface, double width);

// Replaces `cr`'s path by the pieces of `path` within the reach of a pen `width` wide, its curves
// flattened where they may show; pieces that meet keep their join. With `dashes` (on and off
// lengths) only the on runs are kept, each figure's pattern starting afresh and running on over
// the parts left out, as Cairo's own dashing would. The work is bounded, so no path can stall
// drawing. True, with the path left empty, when one solid segment's stroke covers all the surface.
bool SetClippedPath(cairo_t* cr, const DevicePath& path, const DeviceBox& surface, double width,
                    const std::vector<double>& dashes);

}  // namespace platform::gdi
