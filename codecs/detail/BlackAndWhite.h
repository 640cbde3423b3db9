// Two-colour palettes: only black and white, in either order, is what bilevel file data means;
// any other pair is written with its colours.
#pragma once
#include "platform/win32/Bitmap.h"

inline bool IsWhite(const RGBQUAD& c) { return c.rgbRed == 255 && c.rgbGreen == 255 && c.rgbBlue == 255; }
inline bool IsBlack(const RGBQUAD& c) { return c.rgbRed == 0 && c.rgbGreen == 0 && c.rgbBlue == 0; }
inline bool IsBlackAndWhite(const RGBQUAD* palette) {
  return (IsBlack(palette[0]) && IsWhite(palette[1])) || (IsWhite(palette[0]) && IsBlack(palette[1]));
}
