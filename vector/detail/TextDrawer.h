// Text drawn glyph by glyph: outlines from the run's font handed to a glyph target, along a
// baseline from the pen position or along a path, each glyph turned to the path (rigid) or its
// outline warped onto it (bent).
#pragma once
#include <cstdint>

#include "core/Matrix3.h"
#include "vector/GlyphFont.h"
#include "vector/detail/DrawContext.h"
#include "vector/detail/SegmentBuffer.h"

namespace corvel {

struct TextRun {
  GlyphFont* font = nullptr;
  PathPoint start;
  const PathMeasure* path = nullptr;  // null: a straight baseline
  bool bent = false;
  double advanceScale = 1.0;
};

class TextDrawer {
 public:
  // The run's font gains a reference for the drawer's life.
  TextDrawer(GlyphTarget* target, const TextRun& run);
  ~TextDrawer();
  TextDrawer(const TextDrawer&) = delete;
  TextDrawer& operator=(const TextDrawer&) = delete;

  // False without a target or at a glyph the font cannot give; true without a font.
  bool DrawText(TextIterator& text);
  // Relative: at the pen position (matrix ignored); else through the matrix. The pen moves by
  // the glyph's advance.
  bool DrawGlyph(std::uint32_t character, bool relative, const Matrix3* matrix);
  const PathPoint& Position() const { return pen_; }

 private:
  bool DrawAlongPath(TextIterator& text);

  GlyphTarget* target_;
  TextRun run_;
  PathPoint pen_;
};

// The platform's character-set identifier as its code page (0 for the ANSI code page).
int CharsetToCodePage(int charset);

// Every segment as cubic curves sampled, mapped through the matrix and then onto the path (x
// along it, y along its normal), and fitted again with cubic curves.
class PathWarpStage : public RefCounted, public PathStage {
 public:
  using RefCounted::AddRef;
  using RefCounted::Release;
  // Takes its own reference to the upstream.
  PathWarpStage(PathStage& upstream, const PathMeasure& path, const Matrix3* matrix);
  ~PathWarpStage() override;
  bool Ready() const { return buffer_.Reserved(); }
  bool Rewind() override;
  bool Next(const PathSegmentRecord** records, int* count) override;
  const FigureInfo* GetFigureInfo() const override { return upstream_->GetFigureInfo(); }
  RefCounted* GetRefCounted() override { return this; }

 private:
  PathPoint Warp(const PathPoint& point) const;
  bool WarpCubic(const PathPoint (&cubic)[4]);
  bool Take(const PathSegmentRecord& record);

  PathStage* upstream_;
  const PathMeasure& path_;
  Matrix3 matrix_ = kIdentityMatrix3;
  SegmentBuffer buffer_;
  const PathSegmentRecord* group_ = nullptr;
  int left_ = 0;
  PathPoint current_;
  PathPoint figureStart_;
};

// Null when it cannot be allocated.
PathWarpStage* CreatePathWarpStage(PathStage& glyph, const PathMeasure& path, const Matrix3* matrix);

}  // namespace corvel
