// Image-row services of the image canvas: moving a rectangle of pixels inside an image (and the
// image operation that does it at the operation's scale), and handing an image's rows, placed
// and clipped, to a row writer.
#pragma once
#include "platform/win32/Types.h"
#include "rowops/ImageOperation.h"

namespace corvel {

class CRowIteratorBands;

// Moves the pixels of rect (the whole image when empty) by (dx, dy) inside it; what would land
// outside the rectangle is dropped. 0, or 101 for pixels narrower than a byte.
int ScrollImageRect(CRowIteratorBands& image, int dx, int dy, const RECT& rect);

class RectCopyOperation : public ImageOperation {
 public:
  static constexpr std::int32_t kType = 17;
  RectCopyOperation(int dx, int dy) : ImageOperation(kType), dx_(dx), dy_(dy) { cyclesPerPixel_ = 80.0; }
  // The area grown by the offsets, each one pixel longer than its whole part.
  bool MapArea(RectD* out, const RectD& in) const override;
  int OperandCount() const override { return 1; }
  // Copies a given source into the destination first, then scrolls the request's rectangle by
  // the offsets times the request's scale, rounded.
  int Execute(OperationRequest& request) override;

 private:
  int dx_;
  int dy_;
};

class RowWriter {
 public:
  virtual ~RowWriter() = default;
  virtual void WriteRow(int x, int y, const void* row, int width) = 0;
};

// Every row of the image, its top-left placed at (x, y), clipped (when a clip is given).
void WriteImageRows(RowWriter& sink, CRowIteratorBands& image, int x, int y, const RECT* clip);

}  // namespace corvel
