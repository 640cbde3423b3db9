// What a user would see now: the pixels of every top-level window as a presenter has been shown
// them, paint by paint. Set beside Capture (a fresh full repaint) it finds paints that were due
// and never came: after any input, both must be equal.
#pragma once
#include <map>
#include <memory>
#include <mutex>

#include "platform/ui/Capture.h"
#include "platform/ui/Presenter.h"

namespace platform {

// A headless presenter that keeps each top-level window's last presented pixels. It installs
// itself for its life (replacing no other presenter: open it where none is installed).
class ShownPixels final : public Presenter {
 public:
  ShownPixels();
  ~ShownPixels() override;
  ShownPixels(const ShownPixels&) = delete;
  ShownPixels& operator=(const ShownPixels&) = delete;

  // The window's rectangle of what its top-level window shows now; empty for a window that is
  // not shown. Call it before Capture, which repaints.
  CapturedImage Capture(HWND hwnd) const;

  void WindowPlaced(HWND top) override;
  void WindowDestroyed(HWND top) override;
  void WindowPainted(HWND top, const Surface& pixels, const RECT& area) override;
  void CursorSet(HCURSOR) override {}
  void CursorMoved(POINT) override {}
  void CaptureChanged(HWND) override {}

 private:
  mutable std::mutex mutex_;
  std::map<HWND, CapturedImage> shown_;
};

}  // namespace platform
