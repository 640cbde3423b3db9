#include "generators/detail/SourceWindow.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

#include "core/RowThreads.h"
#include "generators/detail/TileGenerator.h"

namespace corvel::detail {

namespace {

std::mutex cacheLock;
std::vector<std::uint8_t> cachedBuffer;

// Whole cache lines, an odd count of them: successive rows then start in different sets.
std::intptr_t SpreadPitch(int width) {
  std::intptr_t lines = (std::intptr_t{width} * 4 + 63) / 64;
  if (lines % 2 == 0) ++lines;
  return lines * 64;
}

}  // namespace

SourceWindow::~SourceWindow() {
  const std::lock_guard<std::mutex> hold(cacheLock);
  if (buffer_.capacity() >= cachedBuffer.capacity()) cachedBuffer.swap(buffer_);
}

BgraRows SourceWindow::Open(const ImageRows& rows, RECT part, long long budgetPixels) {
  BgraRows result = rows.Rows();
  part.left = std::max<LONG>(part.left, 0);
  part.top = std::max<LONG>(part.top, 0);
  part.right = std::min<LONG>(part.right, rows.Width());
  part.bottom = std::min<LONG>(part.bottom, rows.Height());
  const int width = part.right - part.left, height = part.bottom - part.top;
  if (width < 2 || height < 2) return result;
  const std::intptr_t pitch = SpreadPitch(width);
  if (pitch * height > INT32_MAX || !WithinTileBudget(pitch / 4 * height + budgetPixels)) return result;
  {
    const std::lock_guard<std::mutex> hold(cacheLock);
    buffer_.swap(cachedBuffer);
  }
  try {
    buffer_.resize(std::size_t(pitch) * std::size_t(height));
  } catch (const std::bad_alloc&) {
    return result;
  }
  std::uint8_t* window = buffer_.data();
  RowThreads::Run(height, [&](int first, int last, int) {
    for (int y = first; y < last; ++y)
      std::memcpy(window + y * pitch, rows.Row(part.top + y) + 4 * std::size_t(part.left),
                  4 * std::size_t(width));
  });
  result.window = window;
  result.windowPitch = pitch;
  result.windowLeft = part.left;
  result.windowTop = part.top;
  result.windowWidth = width;
  result.windowHeight = height;
  return result;
}

}  // namespace corvel::detail
