#include "vector/RenderSettings.h"

#include <algorithm>
#include <new>

#include "vector/SpanFiller.h"

namespace corvel {

PenStyle& PenStyle::operator=(const PenStyle& other) {
  if (this == &other) return *this;
  join = other.join;
  std::copy(other.caps, other.caps + 4, caps);
  width = other.width;
  thinInAnyMatrix = other.thinInAnyMatrix;
  miterLimit = other.miterLimit;
  SetDash(other.dashes_.get(), other.dashCount_, other.dashOffset_);
  return *this;
}

bool PenStyle::SetDash(const double* lengths, int count, double offset) {
  dashes_.reset();
  dashCount_ = 0;
  dashOffset_ = offset;
  if (lengths == nullptr || count <= 0) return true;
  dashes_.reset(new (std::nothrow) double[static_cast<std::size_t>(count)]);
  if (!dashes_) return false;
  std::copy(lengths, lengths + count, dashes_.get());
  dashCount_ = count;
  return true;
}

const RenderSettings& GetDefaultRenderSettings() {
  static const RenderSettings settings;
  return settings;
}

void SpanFiller::FillSpanCoverage(int x, int y, const std::uint8_t* coverage, int count) {
  FillCoverageRow(*this, coverage, x, y, count);
}

void SpanFiller::FillRect(int x, int y, int width, int height, std::uint8_t coverage) {
  FillRectSpans(*this, x, y, width, height, coverage);
}

void FillRectSpans(SpanFiller& sink, int x, int y, int width, int rows, std::uint8_t coverage) {
  for (int i = 0; i < rows; ++i) sink.FillSpan(x, y + i, coverage, width);
}

void FillCoverageRow(SpanFiller& sink, const std::uint8_t* coverage, int x, int y, int count) {
  for (int i = 0; i < count;) {
    int end = i + 1;
    while (end < count && coverage[end] == coverage[i]) ++end;
    if (coverage[i] != 0) sink.FillSpan(x + i, y, coverage[i], end - i);
    i = end;
  }
}

}  // namespace corvel
