// What coverage is drawn into: spans of one coverage, spans with a coverage byte per pixel, and
// rectangles, all in pixel coordinates of the target.
#pragma once
#include <cstdint>

namespace corvel {

class SpanFiller {
 public:
  virtual ~SpanFiller() = default;
  virtual void FillSpan(int x, int y, std::uint8_t coverage, int count) = 0;
  // coverage[i] belongs to pixel x + i; the base sends runs of equal bytes to FillSpan.
  virtual void FillSpanCoverage(int x, int y, const std::uint8_t* coverage, int count);
  // The base sends one FillSpan per row.
  virtual void FillRect(int x, int y, int width, int height, std::uint8_t coverage);
};

// FillSpan (x, y + i, coverage, width) for each of the rows.
void FillRectSpans(SpanFiller& sink, int x, int y, int width, int rows, std::uint8_t coverage);
// Each run of equal non-zero bytes as one FillSpan; zero bytes are skipped.
void FillCoverageRow(SpanFiller& sink, const std::uint8_t* coverage, int x, int y, int count);

}  // namespace corvel
