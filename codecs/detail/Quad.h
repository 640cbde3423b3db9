// A palette entry or pixel colour written in reading order: red, green, blue and the fourth byte.
#pragma once
#include "platform/win32/Types.h"

inline RGBQUAD Quad(BYTE r, BYTE g, BYTE b, BYTE reserved = 0) { return RGBQUAD{b, g, r, reserved}; }
