#include "generators/detail/SourceWindow.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#include "core/RowThreads.h"
#include "generators/detail/TileGenerator.h"

namespace corvel::detail {

namespace {

// Rows this far apart fall into sets of the cache apart: not a multiple of two lines.
bool Spreads(std::intptr_t pitch) { return pitch % 128 != 0; }

// Bytes from row y to row y + 1, as addresses: rows of different bands lie in blocks of their
// own, whose pointers do not subtract.
std::intptr_t RowPitch(const ImageRows& rows, int y) {
  return std::intptr_t(reinterpret_cast<std::uintptr_t>(rows.Row(y + 1)) -
                       reinterpret_cast<std::uintptr_t>(rows.Row(y)));
}

// The pitch of the part's rows where they lie at one positive pitch that spreads them, else 0.
std::intptr_t InPlacePitch(const ImageRows& rows, const RECT& part) {
  const std::intptr_t pitch = RowPitch(rows, part.top);
  if (pitch <= 0 || !Spreads(pitch) || pitch * (part.bottom - part.top) > INT32_MAX) return 0;
  for (int y = part.top + 1; y + 1 < part.bottom; ++y)
    if (RowPitch(rows, y) != pitch) return 0;
  return pitch;
}

// How far from the parallelogram a sample may lie, and its taps reach, in pixels.
constexpr double kReachMargin = 3;

// A row's part to copy; none where bytes is 0.
struct RowSpan {
  const std::uint8_t* from = nullptr;
  std::uint8_t* to = nullptr;
  std::size_t bytes = 0;
};

// Rows copied eight at a time, two cache lines of each in turn: several streams of reads keep more
// of the memory's latency in flight than one row after another. A cold source copies about a
// quarter faster here, one in the cache as fast.
constexpr int kRowsTogether = 8;
constexpr std::size_t kSlice = 128;

void CopyTogether(const RowSpan (&spans)[kRowsTogether]) {
  std::size_t longest = 0;
  for (const RowSpan& span : spans) longest = std::max(longest, span.bytes);
  for (std::size_t at = 0; at + kSlice <= longest; at += kSlice)
    for (const RowSpan& span : spans)
      if (at + kSlice <= span.bytes) std::memcpy(span.to + at, span.from + at, kSlice);
  for (const RowSpan& span : spans) {
    const std::size_t whole = span.bytes / kSlice * kSlice;
    if (span.bytes > whole) std::memcpy(span.to + whole, span.from + whole, span.bytes - whole);
  }
}

}  // namespace

void ReachedColumns(const SourceReach& reach, int topRow, int bottomRow, int& first, int& last) {
  const double top = topRow - kReachMargin, bottom = bottomRow + kReachMargin;
  const Point2D a = reach.corner, b = a + reach.alongU, c = b + reach.alongV, d = a + reach.alongV;
  double left = 1e300, right = -1e300;
  auto take = [&](double x) {
    left = std::min(left, x);
    right = std::max(right, x);
  };
  // The parallelogram's edges clipped to the rows' strip; their ends bound it across.
  for (const auto& [from, to] : {std::pair{a, b}, std::pair{b, c}, std::pair{c, d}, std::pair{d, a}}) {
    const double low = std::min(from.y, to.y), high = std::max(from.y, to.y);
    if (high < top || low > bottom) continue;
    if (high == low) {
      take(from.x);
      take(to.x);
      continue;
    }
    for (const double at : {std::max(low, top), std::min(high, bottom)})
      take(from.x + (to.x - from.x) * (at - from.y) / (to.y - from.y));
  }
  if (left > right) {
    first = last = 0;
    return;
  }
  constexpr double kFar = 1 << 30;
  first = int(std::clamp(std::floor(left - kReachMargin), -kFar, kFar));
  last = int(std::clamp(std::ceil(right + kReachMargin) + 1, -kFar, kFar));
}

BgraRows SourceWindow::Open(const ImageRows& rows, RECT part, long long budgetPixels,
                            const std::vector<SourceReach>& reaches) {
  BgraRows result = rows.Rows();
  part.left = std::max<LONG>(part.left, 0);
  part.top = std::max<LONG>(part.top, 0);
  part.right = std::min<LONG>(part.right, rows.Width());
  part.bottom = std::min<LONG>(part.bottom, rows.Height());
  const int width = part.right - part.left, height = part.bottom - part.top;
  if (width < 2 || height < 2) return result;
  auto framed = [&](const std::uint8_t* window, std::intptr_t pitch) {
    result.window = window;
    result.windowPitch = pitch;
    result.windowLeft = part.left;
    result.windowTop = part.top;
    result.windowWidth = width;
    result.windowHeight = height;
    return result;
  };
  if (const std::intptr_t inPlace = InPlacePitch(rows, part))
    return framed(rows.Row(part.top) + 4 * std::size_t(part.left), inPlace);
  const std::intptr_t pitch = SpreadPitch(std::int64_t{width} * 4);
  if (pitch * height > INT32_MAX || !WithinTileBudget(pitch / 4 * height + budgetPixels)) return result;
  std::vector<std::uint8_t>& buffer = buffer_;
  try {
    buffer.resize(std::size_t(pitch) * std::size_t(height));
  } catch (const std::bad_alloc&) {
    return result;
  }
  std::uint8_t* window = buffer.data();
  RowThreads::Run(height, [&](int first, int last, int) {
    for (int y = first; y < last; y += kRowsTogether) {
      const int count = std::min(kRowsTogether, last - y), topRow = part.top + y;
      // The reaches' columns once for the rows copied together: a few reaches a row would cost
      // as much as the copy saves.
      int from = part.left, to = part.right;
      if (!reaches.empty()) {
        from = INT_MAX;
        to = INT_MIN;
        for (const SourceReach& reach : reaches) {
          int reachFirst = 0, reachLast = 0;
          ReachedColumns(reach, topRow, topRow + count - 1, reachFirst, reachLast);
          if (reachFirst >= reachLast) continue;
          from = std::min(from, reachFirst);
          to = std::max(to, reachLast);
        }
        // Samples past the image's edge read its two edge rows or columns instead, wherever the
        // reach passes them.
        const int lastTwo = rows.Width() - 2;
        if (topRow < 2 || topRow + count > rows.Height() - 2) {
          from = part.left;
          to = part.right;
        }
        if (to > lastTwo) from = std::min(from, lastTwo);
        if (from < 2) to = std::max(to, 2);
        from = std::max<int>(from, part.left);
        to = std::min<int>(to, part.right);
      }
      RowSpan spans[kRowsTogether];
      if (from < to)
        for (int r = 0; r < count; ++r)
          spans[r] = {rows.Row(topRow + r) + 4 * std::size_t(from),
                      window + (y + r) * pitch + 4 * std::size_t(from - part.left),
                      4 * std::size_t(to - from)};
      CopyTogether(spans);
    }
  });
  return framed(window, pitch);
}

}  // namespace corvel::detail
