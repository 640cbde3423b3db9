// The scan converter: a path, mapped to the target and scaled by n sub-samples per pixel and
// axis, becomes per-row crossings with up and down counts; rows then yield their covered
// sub-sample intervals under the non-zero or even-odd rule, or the outline rule that marks only
// what the edges pass through. Regions keep the result and draw it through a span filler; axis
// aligned rectangles take a road of their own with exact fractional edges.
#pragma once
#include <cstdint>
#include <memory>

#include "core/Matrix3.h"
#include "platform/win32/Types.h"
#include "vector/RefCounted.h"
#include "vector/RenderSettings.h"

namespace corvel {

class PathStage;
class PathSink;
class SpanFiller;

constexpr std::int32_t keRenderOutline = 3;

// Qualities of the anti-aliasing drivers (a factor of 1 is always drawn aliased).
enum RenderQuality : std::int32_t {
  keQualityConeTable = 1,
  keQualityBox = 2,
  keQualityConeKernel = 3,
  keQualityGaussKernel = 4,
};

class RegionBase : public RefCounted {
 public:
  virtual int GetKind() const = 0;  // 1 for a rectangle, else 0
  virtual bool Draw(SpanFiller& sink, int quality) = 0;
  // True for the regions that hold their coverage ready (rectangles, stored spans).
  virtual bool IsPrecomputed() const { return false; }
  // A stored copy, or null.
  virtual RegionBase* ToSpanRegion(int) { return nullptr; }
  virtual RECT GetBounds() const = 0;
  virtual void Offset(int dx, int dy) = 0;
  virtual bool Intersects(const RECT& rect) const = 0;
  bool HitTest(int x, int y) const { return Intersects(RECT{x, y, x + 1, y + 1}); }
};

struct CoverageSpan {
  std::int32_t start;
  std::int32_t end;  // exclusive
};

class ScanlineCoverage;

// Walks a coverage row of sub-samples by row.
class SpanIterator {
 public:
  explicit SpanIterator(ScanlineCoverage& coverage);
  ~SpanIterator();
  SpanIterator(const SpanIterator&) = delete;
  SpanIterator& operator=(const SpanIterator&) = delete;

  void Reset() { row_ = -1; }
  // The next row's intervals, relative to the left of the sub-sample rectangle; false after
  // the last row.
  bool NextRow(const CoverageSpan** spans, int* count);
  int Factor() const;
  int RowCount() const { return height_; }
  RECT SubSampleRect() const;

 private:
  ScanlineCoverage& coverage_;
  std::unique_ptr<CoverageSpan[]> spans_;
  int capacity_ = 0;
  int row_ = -1;
  int height_ = 0;
  int last_ = -1;
  bool endsOnPixelBoundary_ = false;
};

class ScanlineCoverage : public RefCounted {
 public:
  ~ScanlineCoverage() override;
  int GetFactor() const { return factor_; }
  // Pixels: the sub-sample rectangle divided by n.
  RECT GetBounds() const;
  const RECT& SubSampleRect() const { return rect_; }
  void Offset(int dx, int dy);
  bool IntersectsRect(const RECT& rect) const;
  // A sink that walks the edges it is sent into this coverage; the caller deletes it.
  std::unique_ptr<PathSink> CreateSink();
  std::unique_ptr<SpanIterator> CreateSpanIterator() { return std::make_unique<SpanIterator>(*this); }

  // Internals of the sink and the iterator.
  class Table;
  Table& Rows() { return *table_; }
  int FillRule() const { return fillRule_; }
  int Mode() const { return mode_; }

 private:
  friend ScanlineCoverage* CreateScanlineCoverage(const RECT& rect, int fillRule, int factor,
                                                  bool useSharedRows, int mode);
  ScanlineCoverage() = default;

  RECT rect_{0, 0, 0, 0};
  int factor_ = 1;
  int fillRule_ = keFillNonZero;
  int mode_ = 0;
  std::unique_ptr<Table> table_;
};

// rect in pixels; null when memory runs out or the rectangle is empty. Fill rules other than
// even-odd (1) count as non-zero.
ScanlineCoverage* CreateScanlineCoverage(const RECT& rect, int fillRule, int factor, bool useSharedRows,
                                         int mode);

class CoverageRegion : public RegionBase {
 public:
  // Takes over the caller's reference.
  explicit CoverageRegion(ScanlineCoverage* coverage) : coverage_(coverage) {}
  ~CoverageRegion() override { SafeRelease(coverage_); }
  int GetKind() const override { return 0; }
  bool Draw(SpanFiller& sink, int quality) override;
  RegionBase* ToSpanRegion(int quality) override;
  RECT GetBounds() const override;
  void Offset(int dx, int dy) override;
  bool Intersects(const RECT&) const override { return false; }
  ScanlineCoverage* Coverage() const { return coverage_; }

 private:
  ScanlineCoverage* coverage_;
};

class RectRegion : public RegionBase {
 public:
  RectRegion(double left, double top, double right, double bottom, int factor);
  int GetKind() const override { return 1; }
  // Exact fractions of the edge pixels, a rectangle inside one pixel included.
  bool Draw(SpanFiller& sink, int quality) override;
  bool IsPrecomputed() const override { return true; }
  RECT GetBounds() const override { return cover_; }
  void Offset(int dx, int dy) override;
  bool Intersects(const RECT& rect) const override;

 private:
  void Cover();

  double rect_[4];
  RECT cover_{0, 0, 0, 0};
  int factor_;
};

// settings null: the defaults; clip null or all zero: none; bounds (may be null) receives the
// pixel rectangle of the result, empty on failure. Mode 3 draws the outline, others fill.
RegionBase* CreatePathCoverage(PathStage& stage, int mode, const RenderSettings* settings, const RECT* clip,
                               const Matrix3* matrix, RECT* bounds, bool useSharedRows);
// A RectRegion while the mapped rectangle stays axis-aligned, else the scan-converted path.
RegionBase* CreateRectCoverage(const double rect[4], const RenderSettings* settings, const RECT* clip,
                               const Matrix3* matrix, bool useSharedRows);

// Draws through the anti-aliasing driver the quality names (aliased for a factor of 1).
bool DrawCoverage(ScanlineCoverage& coverage, SpanFiller& sink, int quality);

// Frees the block of row records that small coverages share; 0.
int ReleaseSharedRows();

}  // namespace corvel
