// Pictures of the module's "PNG" resources as bitmaps for the markup drawer.
#pragma once
#include "platform/gdi/Gdi.h"

// A 32-bit bitmap of the resource, null when there is none; pixels below half opacity take
// `key`, and `keyed` says whether there were any.
HBITMAP LoadPicture(UINT id, COLORREF key, bool& keyed);
