// Turning sub-sampled coverage into 8-bit coverage for a span filler: aliased, box filter, a
// cone table for 4 sub-samples, and cone or Gaussian kernels; and SpanRegion, the stored
// run-length form of a drawn region, which can be drawn again, hit-tested and moved.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "vector/SpanFiller.h"
#include "vector/detail/Coverage.h"

namespace corvel {

// Each draws nothing when the factor does not suit it (1 for aliased, 4 for the cone table).
void DrawRegionAliased(SpanIterator& iterator, SpanFiller& sink);
void DrawRegionBox(SpanIterator& iterator, SpanFiller& sink);
void DrawRegionConeTable(SpanIterator& iterator, SpanFiller& sink);
// kind: keQualityConeKernel, keQualityGaussKernel, anything else a box.
void DrawRegionKernel(SpanIterator& iterator, SpanFiller& sink, int kind);

// The 5 x 5 quadrant of cone weights for 4 sub-samples.
const std::uint16_t (&ConeTable())[5][5];

// n x n weights (n up to 16) summing to 65535. The cache keeps the last kernel asked for; a
// caller's table stays valid while it holds it, whatever other threads ask for meanwhile.
std::shared_ptr<const std::vector<std::uint16_t>> GetFilterKernel(int kind, int n);
// How many kernels the cache has computed so far.
int FilterKernelBuildCount();

class SpanRegion : public RegionBase {
 public:
  struct Span {
    std::int32_t x;  // relative to the region's left
    std::int32_t length;
    std::uint8_t coverage;
  };

  int GetKind() const override { return 0; }
  bool Draw(SpanFiller& sink, int quality) override;
  bool IsPrecomputed() const override { return true; }
  RECT GetBounds() const override {
    return RECT{left_, top_, left_ + width_, top_ + static_cast<int>(rows_.size())};
  }
  void Offset(int dx, int dy) override {
    left_ += dx;
    top_ += dy;
  }
  bool Intersects(const RECT& rect) const override;

  // Forgets every row; false when memory runs out.
  bool SetBounds(const RECT& rect);
  void SetRow(int row, std::vector<Span> spans) { rows_[static_cast<std::size_t>(row)] = std::move(spans); }

 private:
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  std::vector<std::vector<Span>> rows_;
};

// Collects what is drawn into it as a SpanRegion.
class SpanRegionCollector : public SpanFiller {
 public:
  ~SpanRegionCollector() override { SafeRelease(region_); }
  bool Begin(const RECT& bounds);
  void FillSpan(int x, int y, std::uint8_t coverage, int count) override;
  // The region with its reference, or null when the build failed.
  SpanRegion* Finish();

 private:
  void FlushRow();

  SpanRegion* region_ = nullptr;
  std::vector<SpanRegion::Span> pending_;
  std::size_t capacity_ = 0;
  int row_ = -1;
};

// The coverage drawn by the quality into a new SpanRegion (one reference), or null.
SpanRegion* RegionToSpanRegion(ScanlineCoverage& coverage, int quality);

}  // namespace corvel
