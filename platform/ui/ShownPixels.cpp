// The recording presenter.
#include "platform/ui/ShownPixels.h"

#include <algorithm>

#include "platform/ui/Window.h"
#include "platform/ui/detail/CapturedPixels.h"

namespace platform {

namespace {
// What a live window shows before its first paint arrives.
constexpr std::uint32_t kUnpainted = 0xFFC0C0C0u;
}  // namespace

ShownPixels::ShownPixels() { SetPresenter(this); }

ShownPixels::~ShownPixels() { SetPresenter(nullptr); }

void ShownPixels::WindowPlaced(HWND top) {
  RECT rect;
  if (!GetWindowRect(top, &rect)) return;
  int width = std::max<int>(1, rect.right - rect.left), height = std::max<int>(1, rect.bottom - rect.top);
  bool visible = IsWindowVisible(top) != FALSE;
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = shown_.find(top);
  if (!visible) {
    if (found != shown_.end()) shown_.erase(found);
    return;
  }
  CapturedImage& image = shown_[top];
  if (image.width == width && image.height == height) return;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kUnpainted);
}

void ShownPixels::WindowDestroyed(HWND top) {
  std::lock_guard<std::mutex> lock(mutex_);
  shown_.erase(top);
}

void ShownPixels::WindowPainted(HWND top, const Surface& pixels, const RECT& area) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = shown_.find(top);
  if (found == shown_.end()) return;
  CapturedImage& image = found->second;
  int right = std::min<int>({area.right, image.width, pixels.width});
  int bottom = std::min<int>({area.bottom, image.height, pixels.height});
  for (int y = std::max<int>(0, area.top); y < bottom; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(pixels.Row(y));
    for (int x = std::max<int>(0, area.left); x < right; ++x) {
      image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                   static_cast<std::size_t>(x)] = row[x] | 0xFF000000u;
    }
  }
}

CapturedImage ShownPixels::Capture(HWND hwnd) const {
  CapturedImage image;
  HWND root = GetAncestor(hwnd, GA_ROOT);
  RECT rootRect, rect;
  if (!IsWindowVisible(hwnd) || !GetWindowRect(root, &rootRect) || !GetWindowRect(hwnd, &rect)) return image;
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = shown_.find(root);
  if (found == shown_.end()) return image;
  const CapturedImage& whole = found->second;
  return detail::CutWindow(reinterpret_cast<const unsigned char*>(whole.pixels.data()),
                           static_cast<std::ptrdiff_t>(whole.width) * 4, whole.width, whole.height,
                           POINT{rect.left - rootRect.left, rect.top - rootRect.top},
                           SIZE{rect.right - rect.left, rect.bottom - rect.top});
}

}  // namespace platform
