#include "vector/detail/PatternFill.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "core/RowIteratorBands.h"
#include "core/RowThreads.h"
#include "rowops/HeapBuffer.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowOpContext.h"

namespace corvel {
namespace {

int Modulo(long long value, int divisor) {
  const long long r = value % divisor;
  return static_cast<int>(r < 0 ? r + divisor : r);
}

// One pattern row in the target's format: the pattern's own row when the formats agree, else a
// converted copy in the caller's buffer.
class PatternRows {
 public:
  PatternRows(CRowIteratorBands& target, CRowIteratorBands& pattern) : pattern_(pattern) {
    same_ = target.GetFormat() == pattern.GetFormat() && target.GetPaletteSize() == 0;
    if (same_) return;
    args_.SetDestination(target, 0, 0);
    args_.SetSource(pattern, 0, 0);
    args_.dst.count = args_.src.count = pattern.Width();
    bound_ = context_.Bind(copy_, args_, 2, 0) &&
             buffer_.Allocate(std::size_t(pattern.Width()) * (target.GetBitsPerPixel() / 8)) == 0;
  }
  bool Ready() const { return same_ || bound_; }
  // Null on failure; Done must follow a row that was given.
  const BYTE* Row(int y) {
    BYTE* row = nullptr;
    if (!pattern_.LockRowSpan(y, 0, -1, &row).Ok()) return nullptr;
    if (same_) return row;
    RowOpArgs args = args_;
    args.src.row = row;
    args.dst.row = buffer_.Data();
    args.src.y = args.dst.y = y;
    context_.Execute(args);
    return buffer_.Data();
  }
  void Done(int y) { pattern_.ReleaseRow(y); }

 private:
  CRowIteratorBands& pattern_;
  bool same_ = false;
  bool bound_ = false;
  RowOpArgs args_;
  RowCopyOp copy_;
  RowOpContext context_;
  HeapBuffer buffer_;
};

}  // namespace

bool FillPatternRepeated(CRowIteratorBands& target, const RECT& area, CRowIteratorBands& pattern, int phaseX,
                         int phaseY) {
  const int bits = target.GetBitsPerPixel(), width = pattern.Width(), height = pattern.Height();
  if (bits < 8 || bits % 8 != 0 || pattern.GetBitsPerPixel() < 8 || width <= 0 || height <= 0) return false;
  if (area.right <= area.left || area.bottom <= area.top) return true;
  if (!PatternRows(target, pattern).Ready()) return false;
  const int pixel = bits / 8, span = area.right - area.left;
  const std::size_t rowBytes = std::size_t(width) * pixel;
  const int firstColumn = Modulo(static_cast<long long>(area.left) + phaseX, width);
  std::atomic<bool> failed{false};
  auto fill = [&](int first, int last, int) {
    PatternRows rows(target, pattern);
    if (!rows.Ready()) {
      failed = true;
      return;
    }
    for (int r = first; r < last; ++r) {
      const int y = area.top + r, patternY = Modulo(static_cast<long long>(y) + phaseY, height);
      BYTE* to = nullptr;
      if (!target.LockRowSpan(y, area.left, span, &to).Ok()) {
        failed = true;
        return;
      }
      const BYTE* from = rows.Row(patternY);
      if (from != nullptr) {
        // A first piece from the phase, then whole pattern rows, then what is left.
        std::size_t piece = std::min(rowBytes - std::size_t(firstColumn) * pixel, std::size_t(span) * pixel);
        std::memcpy(to, from + std::size_t(firstColumn) * pixel, piece);
        std::size_t done = piece;
        const std::size_t total = std::size_t(span) * pixel;
        for (; done + rowBytes <= total; done += rowBytes) std::memcpy(to + done, from, rowBytes);
        std::memcpy(to + done, from, total - done);
        rows.Done(patternY);
      } else {
        failed = true;
      }
      target.ReleaseRow(y);
    }
  };
  // Images whose rows are copies while locked are filled by one thread.
  if (target.LocksRowsInPlace() && pattern.LocksRowsInPlace())
    RowThreads::Run(area.bottom - area.top, fill);
  else
    fill(0, area.bottom - area.top, 0);
  return !failed;
}

}  // namespace corvel
