#include <cstring>
#include <new>

#include "vector/GlyphFont.h"

namespace corvel {
namespace {

double FromFixed(const FIXED& value) { return value.value + value.fract / 65536.0; }

// y up in the platform's outlines, down in ours.
PathPoint FromPointFx(const POINTFX& point) { return PathPoint{FromFixed(point.x), -FromFixed(point.y)}; }

PathPoint Mid(const PathPoint& a, const PathPoint& b) { return PathPoint{(a.x + b.x) / 2, (a.y + b.y) / 2}; }

class GdiGlyphFont : public GlyphFont {
 public:
  explicit GdiGlyphFont(const LOGFONT& description) : description_(description) {
    dc_ = CreateCompatibleDC(nullptr);
    font_ = CreateFontIndirect(&description);
    if (dc_ != nullptr && font_ != nullptr) old_ = SelectObject(dc_, font_);
  }
  ~GdiGlyphFont() override {
    if (dc_ != nullptr) {
      if (old_ != nullptr) SelectObject(dc_, old_);
      DeleteDC(dc_);
    }
    if (font_ != nullptr) DeleteObject(font_);
  }
  bool Ready() const { return dc_ != nullptr && font_ != nullptr && old_ != nullptr; }

  bool SelectGlyph(std::uint32_t character, GlyphMetrics* metrics) override {
    // The platform's text is single-byte: a double-byte character has no glyph here.
    if (character > 0xFF) return false;
    GLYPHMETRICS glyph{};
    if (GetGlyphOutline(dc_, character, GGO_METRICS, &glyph, 0, nullptr, nullptr) == GDI_ERROR) return false;
    character_ = character;
    if (metrics != nullptr) *metrics = GlyphMetrics{double(glyph.gmCellIncX), double(glyph.gmCellIncY)};
    return true;
  }

  VectorPath* GlyphOutline() override {
    GLYPHMETRICS glyph{};
    const DWORD size = GetGlyphOutline(dc_, character_, GGO_BEZIER, &glyph, 0, nullptr, nullptr);
    if (size == GDI_ERROR) return nullptr;
    std::vector<BYTE> bytes(size);
    if (size > 0 &&
        GetGlyphOutline(dc_, character_, GGO_BEZIER, &glyph, size, bytes.data(), nullptr) == GDI_ERROR)
      return nullptr;
    RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateVectorPath());
    if (!path || !AddContours(*path, bytes)) return nullptr;
    VectorPath* result = path.Get();
    result->AddRef();
    return result;
  }

  bool LayoutAdvances(TextIterator& text, std::vector<double>* advances) override {
    advances->clear();
    text.Rewind();
    for (std::uint32_t character = text.Next(); character != 0; character = text.Next()) {
      GlyphMetrics metrics;
      advances->push_back(SelectGlyph(character, &metrics) ? metrics.advanceX : 0.0);
    }
    text.Rewind();
    return true;
  }

  int CharSet() const override { return description_.lfCharSet; }

 private:
  // Contours of lines, quadratic splines (off-curve points with implied on-curve midpoints) and
  // cubic runs; false on a record that runs past the bytes.
  static bool AddContours(VectorPath& path, const std::vector<BYTE>& bytes) {
    std::size_t at = 0;
    while (at + sizeof(TTPOLYGONHEADER) <= bytes.size()) {
      TTPOLYGONHEADER header;
      std::memcpy(&header, bytes.data() + at, sizeof header);
      if (header.cb < sizeof header || at + header.cb > bytes.size()) return false;
      const std::size_t end = at + header.cb;
      path.MoveTo(FromPointFx(header.pfxStart), nullptr);
      for (std::size_t record = at + sizeof header; record + 4 <= end;) {
        WORD head[2];
        std::memcpy(head, bytes.data() + record, sizeof head);
        const std::size_t count = head[1];
        if (record + 4 + count * sizeof(POINTFX) > end) return false;
        std::vector<PathPoint> points(count);
        for (std::size_t i = 0; i < count; ++i) {
          POINTFX point;
          std::memcpy(&point, bytes.data() + record + 4 + i * sizeof point, sizeof point);
          points[i] = FromPointFx(point);
        }
        if (head[0] == TT_PRIM_LINE) {
          for (const PathPoint& point : points) path.LineTo(point, nullptr);
        } else if (head[0] == TT_PRIM_QSPLINE) {
          for (std::size_t i = 0; i + 1 < count; ++i) {
            const PathPoint on = i + 2 < count ? Mid(points[i], points[i + 1]) : points[i + 1];
            path.CurveTo2(points[i], on, nullptr);
          }
        } else if (head[0] == TT_PRIM_CSPLINE) {
          for (std::size_t i = 0; i + 2 < count; i += 3)
            path.CurveTo3(points[i], points[i + 1], points[i + 2], nullptr);
        }
        record += 4 + count * sizeof(POINTFX);
      }
      path.Close(nullptr);
      at = end;
    }
    return true;
  }

  LOGFONT description_;
  HDC dc_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ old_ = nullptr;
  UINT character_ = 0;
};

}  // namespace

GlyphFont* CreateGdiGlyphFont(const LOGFONT& description) {
  GdiGlyphFont* font = new (std::nothrow) GdiGlyphFont(description);
  if (font != nullptr && !font->Ready()) {
    font->Release();
    return nullptr;
  }
  return font;
}

}  // namespace corvel
