// Fills that reach far past the surface, cut down to what can show before Cairo sees them.
#pragma once
#include <cairo.h>

#include "platform/gdi/detail/DevicePath.h"

namespace platform::gdi {

// Sets `cr`'s path to `path` when that keeps near `surface`; otherwise to each of its figures
// clipped to the surface grown by a margin, curves flattened where they cross that box. Every
// point of the box keeps its winding number, so either fill rule fills what the whole path
// would. The work is bounded, so no path can stall drawing.
void SetFillPath(cairo_t* cr, const DevicePath& path, const DeviceBox& surface);

}  // namespace platform::gdi
