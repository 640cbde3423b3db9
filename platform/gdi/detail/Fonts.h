// Faces and sizes behind logical fonts: fontconfig finds the file, FreeType measures and
// renders. FreeType is not thread-safe, so every use holds FontLock.
#pragma once
#include <ft2build.h>
#include FT_FREETYPE_H

#include <mutex>
#include <string>

#include "platform/gdi/Text.h"

namespace platform::gdi {

std::unique_lock<std::recursive_mutex> FontLock();

// A logical font realised at a device size.
struct SizedFont {
  FT_Face face = nullptr;  // owned by the face cache, sized by Activate
  double emHeight = 0;     // pixels
  double emWidth = 0;      // pixels (differs from the height for a given average width)
  LONG ascent = 0, descent = 0, internalLeading = 0, externalLeading = 0;
  LONG averageWidth = 0, maxWidth = 0;
  bool bold = false, italic = false, underline = false, strikeOut = false;
  bool antialias = true;
  double escapement = 0;  // radians, counter-clockwise
  std::string family;
  // Sets the face's size for this font (faces are shared between sizes).
  void Activate() const;
  // The whole-pixel advance of a Windows-1252 character.
  LONG Advance(unsigned char character) const;
  FT_UInt Glyph(unsigned char character) const;
};

// The font as it comes out at `pixelScale` device pixels per logical unit; false when no face
// can be loaded.
bool Realize(const LOGFONT& logFont, double pixelScale, SizedFont* font);

// FT_Load_Glyph, counted in TextWorkSoFar().
FT_Error LoadGlyph(FT_Face face, FT_UInt glyph, FT_Int32 flags);

}  // namespace platform::gdi
