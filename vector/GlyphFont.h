// What text drawing asks of a font and of a path that text follows. The caller supplies both;
// CreateGdiGlyphFont makes a font from the platform's font description.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/gdi/Text.h"
#include "vector/CoreStartup.h"
#include "vector/RefCounted.h"
#include "vector/VectorPath.h"

namespace corvel {

struct GlyphMetrics {
  double advanceX = 0;
  double advanceY = 0;
};

class GlyphFont : public RefCounted {
 public:
  // False when the font cannot give the character a glyph.
  virtual bool SelectGlyph(std::uint32_t character, GlyphMetrics* metrics) = 0;
  // The selected glyph's outline in a new path (one reference), the origin on the baseline and y
  // down; null when it cannot be made.
  virtual VectorPath* GlyphOutline() = 0;
  // One advance for each character the text gives from its start.
  virtual bool LayoutAdvances(TextIterator& text, std::vector<double>* advances) = 0;
  // The character-set byte of the font's description.
  virtual int CharSet() const = 0;
  virtual bool CanDrawGlyphBitmaps() const { return false; }
};

// A path that text runs along.
class PathMeasure {
 public:
  virtual ~PathMeasure() = default;
  // The point at a distance along the path and the unit normal there: the direction of travel
  // turned a quarter towards +y (downwards on screen for a path running left to right).
  virtual bool Seek(double distance, PathPoint* point, PathPoint* normal) const = 0;
};

// Glyphs from the platform's fonts, single-byte characters of its code page. Null when the font
// or its device context cannot be made.
GlyphFont* CreateGdiGlyphFont(const LOGFONT& description);

}  // namespace corvel
