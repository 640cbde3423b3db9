// The part of an X screen that windows may cover: what the window manager leaves free of its
// panels, as it states it in the root window's _NET_WORKAREA.
#pragma once
#include "platform/win32/Types.h"

namespace platform::x11 {

// `areas`: the property's values, x, y, width and height per desktop; `desktop`: the current
// one. The area is held to the screen; the whole screen where the property says nothing usable.
RECT WorkAreaOf(int screenWidth, int screenHeight, const long* areas, unsigned long count, long desktop);

}  // namespace platform::x11
