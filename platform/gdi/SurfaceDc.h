// Device contexts over a part of a bitmap they do not own: what the window system hands out
// for a window, over its top-level window's surface.
#pragma once
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Region.h"

namespace platform {
// Device point (0, 0) lies at surface point `origin`, and only the part of the surface that
// `visible` covers (surface coordinates) is ever touched. Released with DeleteDC;
// the bitmap must outlive the device context. A null bitmap gives the screen's device context,
// which measures but draws nowhere.
HDC CreateSurfaceDC(HBITMAP surface, POINT origin, const gdi::RegionData& visible);
}  // namespace platform
