// The live-painting invariant: after input, what a window shows (its paints, as presented) is
// what a full repaint paints. A failure names the box of stale pixels and keeps both pictures.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/ui/Capture.h"
#include "platform/ui/ShownPixels.h"
#include "platform/ui/Ui.h"

namespace wf_test {

class ShownCheck {
 public:
  // Runs what is queued as a dialog's message loop would, then compares the two pictures of the
  // top-level window of `hwnd`.
  ::testing::AssertionResult AsPainted(HWND hwnd, const std::string& step) {
    HWND root = GetAncestor(hwnd, GA_ROOT);
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (IsDialogMessage(GetAncestor(msg.hwnd, GA_ROOT), &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    platform::CapturedImage now = shown.Capture(root);
    platform::CapturedImage painted = platform::Capture(root);
    if (now.width != painted.width || now.height != painted.height)
      return ::testing::AssertionFailure() << step << ": shown " << now.width << "x" << now.height
                                           << ", painted " << painted.width << "x" << painted.height;
    RECT stale{painted.width, painted.height, 0, 0};
    int count = 0;
    for (int y = 0; y < painted.height; ++y) {
      for (int x = 0; x < painted.width; ++x) {
        if (now.At(x, y) == painted.At(x, y)) continue;
        ++count;
        stale = RECT{std::min<LONG>(stale.left, x), std::min<LONG>(stale.top, y),
                     std::max<LONG>(stale.right, x + 1), std::max<LONG>(stale.bottom, y + 1)};
      }
    }
    if (count == 0) return ::testing::AssertionSuccess();
    std::string name = Keep(now, step + "-shown");
    Keep(painted, step + "-painted");
    return ::testing::AssertionFailure()
           << step << ": " << count << " stale pixels in (" << stale.left << ", " << stale.top << ")-("
           << stale.right << ", " << stale.bottom << "), see " << name;
  }

  static std::string Keep(const platform::CapturedImage& image, const std::string& name) {
    const char* dir = std::getenv("WF_TEST_TMPDIR");
    std::string path = std::string(dir ? dir : "/tmp") + "/" + name + ".png";
    platform::WritePng(image, path);
    return path;
  }

 private:
  platform::ShownPixels shown;
};

}  // namespace wf_test
