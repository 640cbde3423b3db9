#include "framework/detail/ScaledImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/PixelFormat.h"

namespace framework::detail {
namespace {

// Integer steps keep a column's source the same at every paint, whatever the position.
int SourceIndex(int scaledIndex, std::int64_t zoomSteps) {
  return static_cast<int>(std::int64_t{scaledIndex} * 10000 / zoomSteps);
}

}  // namespace

bool ScaleVisiblePart(corvel::CRowIteratorBands& source, double zoom, const RECT& visible,
                      const Checkerboard& checkerboard, corvel::CRowIteratorBands& scaled) {
  const int width = visible.right - visible.left, height = visible.bottom - visible.top;
  if (width <= 0 || height <= 0 || !corvel::CRowIteratorBands::IsValid(&source)) return false;
  const std::int64_t zoomSteps = std::max<std::int64_t>(1, std::llround(zoom * 10000));
  const int sourceLeft = std::clamp(static_cast<int>(std::floor(visible.left / zoom)), 0, source.Width() - 1);
  const int sourceTop = std::clamp(static_cast<int>(std::floor(visible.top / zoom)), 0, source.Height() - 1);
  const int sourceRight = std::clamp(static_cast<int>(std::ceil(visible.right / zoom)), sourceLeft + 1,
                                     source.Width());
  const int sourceBottom = std::clamp(static_cast<int>(std::ceil(visible.bottom / zoom)), sourceTop + 1,
                                      source.Height());

  corvel::CRowIteratorBands view;
  if (view.CreateSubView(source, source.GetRect().left + sourceLeft, source.GetRect().top + sourceTop,
                         source.GetRect().left + sourceRight, source.GetRect().top + sourceBottom)
              .GetCode() != corvel::keErrorNone ||
      view.SetViewFormat(corvel::keFormatBGRA, corvel::keAccessRead).GetCode() != corvel::keErrorNone)
    return false;
  if (scaled.CreateBGR(width, height).GetCode() != corvel::keErrorNone) return false;
  const bool alpha = corvel::CPixelFormat(source.GetFormat()).HasAlpha();

  std::vector<int> columns(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x)
    columns[static_cast<std::size_t>(x)] = std::clamp(SourceIndex(visible.left + x, zoomSteps), sourceLeft,
                                                      sourceRight - 1) -
                                           sourceLeft;
  const auto bgr = [](DWORD rgb, BYTE* out) {
    for (int c = 0; c < 3; ++c) out[c] = static_cast<BYTE>(rgb >> (8 * c));
  };
  BYTE light[3], dark[3];
  bgr(checkerboard.light, light);
  bgr(checkerboard.dark, dark);

  int previousRow = -1;
  BYTE* previous = nullptr;
  for (int y = 0; y < height; ++y) {
    const int row = std::clamp(SourceIndex(visible.top + y, zoomSteps), sourceTop, sourceBottom - 1) -
                    sourceTop;
    BYTE* out = scaled.LockRowPointer(y, 0, -1);
    // The checkerboard changes with the row, so only opaque rows repeat.
    if (row == previousRow && !alpha) {
      std::memcpy(out, previous, static_cast<std::size_t>(width) * 3);
    } else {
      const BYTE* in = view.LockRowPointer(row, 0, -1);
      const int cellRow = (visible.top + y) / checkerboard.cell;
      for (int x = 0; x < width; ++x) {
        const BYTE* pixel = in + columns[static_cast<std::size_t>(x)] * 4;
        BYTE* target = out + x * 3;
        if (!alpha) {
          std::memcpy(target, pixel, 3);
          continue;
        }
        const BYTE* back = ((cellRow + (visible.left + x) / checkerboard.cell) & 1) ? dark : light;
        const std::uint32_t a = pixel[3];
        for (int c = 0; c < 3; ++c)
          target[c] = static_cast<BYTE>(corvel::Div255Exact(pixel[c] * a + back[c] * (255 - a)));
      }
      view.UnlockRow(row);
    }
    if (previous) scaled.UnlockRow(y - 1);
    previous = out;
    previousRow = row;
  }
  if (previous) scaled.UnlockRow(height - 1);
  return true;
}

}  // namespace framework::detail
