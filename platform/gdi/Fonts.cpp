// Finding, loading and sizing faces.
#include "platform/gdi/detail/Fonts.h"

#include <fontconfig/fontconfig.h>
#include FT_TRUETYPE_TABLES_H

#include <strings.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <map>
#include <tuple>

#include "platform/gdi/Text.h"
#include "platform/win32/CodePage.h"

namespace platform::gdi {

namespace {

struct FaceKey {
  std::string family;
  bool bold;
  bool italic;
  bool operator<(const FaceKey& other) const {
    return std::tie(family, bold, italic) < std::tie(other.family, other.bold, other.italic);
  }
};

struct FaceCache {
  FT_Library library = nullptr;
  std::map<FaceKey, FT_Face> faces;  // null: no face could be loaded
};

// Lives for the process: faces are handed out by pointer.
FaceCache& Cache() {
  static FaceCache* cache = [] {
    auto* made = new FaceCache;
    if (FT_Init_FreeType(&made->library) != 0) made->library = nullptr;
    // fontconfig keeps caches of its own until told to let them go.
    if (FcInit()) std::atexit(FcFini);
    return made;
  }();
  return *cache;
}

// The platform's faces by the family that stands in for them.
std::string StandIn(const char* face) {
  struct Mapping {
    const char* name;
    const char* family;
  };
  static const Mapping kMappings[] = {
      {"MS Shell Dlg", "DejaVu Sans"},
      {"MS Shell Dlg 2", "DejaVu Sans"},
      {"Microsoft Sans Serif", "DejaVu Sans"},
      {"MS Sans Serif", "DejaVu Sans"},
      {"Arial", "DejaVu Sans"},
      {"Tahoma", "DejaVu Sans"},
      {"Verdana", "DejaVu Sans"},
      {"Segoe UI", "DejaVu Sans"},
      {"System", "DejaVu Sans"},
      {"Helvetica", "DejaVu Sans"},
      {"Courier New", "DejaVu Sans Mono"},
      {"Courier", "DejaVu Sans Mono"},
      {"Fixedsys", "DejaVu Sans Mono"},
      {"Terminal", "DejaVu Sans Mono"},
      {"Lucida Console", "DejaVu Sans Mono"},
      {"Consolas", "DejaVu Sans Mono"},
      {"Times New Roman", "DejaVu Serif"},
      {"Times", "DejaVu Serif"},
      {"Georgia", "DejaVu Serif"},
  };
  if (!face || !*face) return "DejaVu Sans";
  for (const Mapping& mapping : kMappings) {
    if (strcasecmp(mapping.name, face) == 0) return mapping.family;
  }
  return face;
}

FT_Face LoadFace(const FaceKey& key) {
  FaceCache& cache = Cache();
  auto found = cache.faces.find(key);
  if (found != cache.faces.end()) return found->second;
  FT_Face face = nullptr;
  if (cache.library) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(key.family.c_str()));
    // Anything unknown falls back to the standard face rather than whatever is installed.
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("DejaVu Sans"));
    FcPatternAddInteger(pattern, FC_WEIGHT, key.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, key.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddInteger(pattern, FC_WIDTH, FC_WIDTH_NORMAL);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* file = nullptr;
    int index = 0;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
      if (FT_New_Face(cache.library, reinterpret_cast<const char*>(file), index, &face) != 0) face = nullptr;
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
  }
  cache.faces.emplace(key, face);
  return face;
}

}  // namespace

std::unique_lock<std::recursive_mutex> FontLock() {
  static std::recursive_mutex mutex;
  return std::unique_lock<std::recursive_mutex>(mutex);
}

void SizedFont::Activate() const {
  FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(std::lround(emWidth * 64)),
                   static_cast<FT_F26Dot6>(std::lround(emHeight * 64)), 72, 72);
}

FT_UInt SizedFont::Glyph(unsigned char character) const {
  return FT_Get_Char_Index(face, UnicodeOfCodePageByte(character));
}

namespace {
std::atomic<unsigned long long> fontsRealized{0}, glyphsLoaded{0};
}  // namespace

FT_Error LoadGlyph(FT_Face face, FT_UInt glyph, FT_Int32 flags) {
  glyphsLoaded.fetch_add(1, std::memory_order_relaxed);
  return FT_Load_Glyph(face, glyph, flags);
}

namespace {

// A glyph's advance takes a load of the glyph, its hinting program run (microseconds), and text
// is measured whole at every keystroke: the advances are kept per face and size, for the sizes
// in use lately.
using Advances = std::array<LONG, 256>;
Advances& AdvancesOf(FT_Face face, double emWidth, double emHeight) {
  using Key = std::tuple<FT_Face, long, long>;
  static std::map<Key, Advances> kept;
  constexpr std::size_t kSizesKept = 64;
  const Key key{face, std::lround(emWidth * 64), std::lround(emHeight * 64)};
  auto found = kept.find(key);
  if (found != kept.end()) return found->second;
  if (kept.size() >= kSizesKept) kept.clear();
  Advances& advances = kept[key];
  advances.fill(-1);
  return advances;
}

}  // namespace

LONG SizedFont::Advance(unsigned char character) const {
  auto lock = FontLock();
  LONG& advance = AdvancesOf(face, emWidth, emHeight)[character];
  if (advance < 0) {
    advance = LoadGlyph(face, Glyph(character), FT_LOAD_DEFAULT) == 0
                  ? static_cast<LONG>((face->glyph->advance.x + 32) >> 6)
                  : 0;
  }
  return advance;
}

bool Realize(const LOGFONT& logFont, double pixelScale, SizedFont* font) {
  fontsRealized.fetch_add(1, std::memory_order_relaxed);
  FaceKey key{StandIn(logFont.lfFaceName), logFont.lfWeight >= FW_SEMIBOLD, logFont.lfItalic != 0};
  FT_Face face = LoadFace(key);
  if (!face) return false;
  font->face = face;
  font->family = key.family;
  font->bold = key.bold;
  font->italic = key.italic;
  font->underline = logFont.lfUnderline != 0;
  font->strikeOut = logFont.lfStrikeOut != 0;
  font->antialias = logFont.lfQuality != NONANTIALIASED_QUALITY;
  font->escapement = logFont.lfEscapement * 3.14159265358979323846 / 1800.0;

  // The cell (ascent + descent) by the face's own vertical metrics, as the platform measures it.
  const double unitsPerEm = face->units_per_EM ? face->units_per_EM : 2048;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  double cellAscent = os2 ? os2->usWinAscent : face->ascender;
  double cellDescent = os2 ? os2->usWinDescent : -face->descender;
  // The face's line spacing beyond the cell.
  double lineGap = std::max(0.0, face->height - (cellAscent + cellDescent));
  double height = std::fabs(logFont.lfHeight * pixelScale);
  if (logFont.lfHeight == 0) height = 16;  // the platform's default cell
  double em = logFont.lfHeight < 0 ? height : height * unitsPerEm / (cellAscent + cellDescent);
  // Beyond this a glyph's bitmap would be larger than any surface worth drawing on.
  em = std::clamp(em, 1.0, 4096.0);
  font->emHeight = font->emWidth = em;
  double scale = em / unitsPerEm;
  font->ascent = static_cast<LONG>(std::lround(cellAscent * scale));
  font->descent = static_cast<LONG>(std::lround(cellDescent * scale));
  font->internalLeading = std::max<LONG>(0,
                                         font->ascent + font->descent - static_cast<LONG>(std::lround(em)));
  font->externalLeading = static_cast<LONG>(std::lround(lineGap * scale));
  double natural = os2 ? os2->xAvgCharWidth * scale : em / 2;
  if (logFont.lfWidth != 0 && natural > 0) {
    font->emWidth = std::clamp(em * std::fabs(logFont.lfWidth * pixelScale) / natural, 1.0, 4096.0);
    natural = std::fabs(logFont.lfWidth * pixelScale);
  }
  font->averageWidth = static_cast<LONG>(std::lround(natural));
  font->maxWidth = static_cast<LONG>(std::lround(face->max_advance_width * font->emWidth / unitsPerEm));
  return true;
}

}  // namespace platform::gdi

namespace platform {

TextWork TextWorkSoFar() {
  return TextWork{gdi::fontsRealized.load(std::memory_order_relaxed),
                  gdi::glyphsLoaded.load(std::memory_order_relaxed)};
}

}  // namespace platform
