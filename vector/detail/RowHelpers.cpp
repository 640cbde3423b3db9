#include "vector/detail/RowHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/Rounding.h"
#include "core/RowIteratorBands.h"

namespace corvel {
namespace {

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

double GrownOffset(int d) { return d >= 0 ? d + 1.0 : d - 1.0; }

}  // namespace

int ScrollImageRect(CRowIteratorBands& image, int dx, int dy, const RECT& rect) {
  if (dx == 0 && dy == 0) return 0;
  const int bits = image.GetBitsPerPixel();
  if (bits % 8 != 0) return keErrorBadArgument;
  const RECT whole{0, 0, image.Width(), image.Height()};
  const RECT r = Empty(rect) ? whole : rect;
  const RECT dst{std::max(r.left + dx, r.left), std::max(r.top + dy, r.top), std::min(r.right + dx, r.right),
                 std::min(r.bottom + dy, r.bottom)};
  if (Empty(dst)) return 0;
  const int width = dst.right - dst.left, bytes = width * bits / 8;
  if (dy == 0) {
    const int left = std::min(dst.left, dst.left - dx);
    for (int row = dst.top; row < dst.bottom; ++row) {
      BYTE* pixels = nullptr;
      if (!image.LockRowSpan(row, left, width + std::abs(dx), &pixels).Ok()) return keErrorNoMemory;
      BYTE* to = pixels + (dst.left - left) * bits / 8;
      std::memmove(to, pixels + (dst.left - dx - left) * bits / 8, static_cast<std::size_t>(bytes));
      image.ReleaseRow(row);
    }
    return 0;
  }
  // Never read a row that was already overwritten: bottom up when moving down.
  const int rows = dst.bottom - dst.top;
  for (int i = 0; i < rows; ++i) {
    const int row = dy > 0 ? dst.bottom - 1 - i : dst.top + i;
    BYTE* from = nullptr;
    BYTE* to = nullptr;
    if (!image.LockRowSpan(row - dy, dst.left - dx, width, &from).Ok()) return keErrorNoMemory;
    if (!image.LockRowSpan(row, dst.left, width, &to).Ok()) {
      image.ReleaseRow(row - dy);
      return keErrorNoMemory;
    }
    std::memcpy(to, from, static_cast<std::size_t>(bytes));
    image.ReleaseRow(row - dy);
    image.ReleaseRow(row);
  }
  return 0;
}

bool RectCopyOperation::MapArea(RectD* out, const RectD& in) const {
  if (out == nullptr) return true;
  const double dx = GrownOffset(dx_), dy = GrownOffset(dy_);
  *out = AddRectD(in, SetRectD(std::min(dx, 0.0), std::min(dy, 0.0), std::max(dx, 0.0), std::max(dy, 0.0)));
  return true;
}

int RectCopyOperation::Execute(OperationRequest& request) {
  if (request.destination == nullptr) return keErrorBadArgument;
  if (request.source != nullptr && request.source != request.destination) {
    const int code = request.destination->CreateCopy(*request.source).GetCode();
    if (code != keErrorNone) return code;
  }
  return ScrollImageRect(*request.destination, RoundToInt(dx_ * request.scale),
                         RoundToInt(dy_ * request.scale), request.rects[0]);
}

void WriteImageRows(RowWriter& sink, CRowIteratorBands& image, int x, int y, const RECT* clip) {
  const int width = image.Width();
  RECT visible{x, y, x + width, y + image.Height()};
  if (clip != nullptr) {
    visible = RECT{std::max(visible.left, clip->left), std::max(visible.top, clip->top),
                   std::min(visible.right, clip->right), std::min(visible.bottom, clip->bottom)};
  }
  if (Empty(visible)) return;
  for (int row = visible.top; row < visible.bottom; ++row) {
    BYTE* pixels = nullptr;
    if (!image.LockRowSpan(row - y, visible.left - x, visible.right - visible.left, &pixels).Ok()) {
      return;
    }
    sink.WriteRow(visible.left, row, pixels, visible.right - visible.left);
    image.ReleaseRow(row - y);
  }
}

}  // namespace corvel
