// The display's monitor and system colours.
#include "platform/gdi/Display.h"

#include <mutex>

namespace {

std::mutex monitorMutex;
platform::MonitorArea monitor;

}  // namespace

DWORD GetSysColor(int index) {
  // The classic scheme.
  static constexpr COLORREF kColours[] = {
      RGB(212, 208, 200),  // scroll bar
      RGB(58, 110, 165),   // background
      RGB(10, 36, 106),    // active caption
      RGB(128, 128, 128),  // inactive caption
      RGB(212, 208, 200),  // menu
      RGB(255, 255, 255),  // window
      RGB(0, 0, 0),        // window frame
      RGB(0, 0, 0),        // menu text
      RGB(0, 0, 0),        // window text
      RGB(255, 255, 255),  // caption text
      RGB(212, 208, 200),  // active border
      RGB(212, 208, 200),  // inactive border
      RGB(128, 128, 128),  // application workspace
      RGB(10, 36, 106),    // highlight
      RGB(255, 255, 255),  // highlight text
      RGB(212, 208, 200),  // button face
      RGB(128, 128, 128),  // button shadow
      RGB(128, 128, 128),  // grey text
      RGB(0, 0, 0),        // button text
      RGB(212, 208, 200),  // inactive caption text
      RGB(255, 255, 255),  // button highlight
      RGB(64, 64, 64),     // 3-D dark shadow
      RGB(212, 208, 200),  // 3-D light
      RGB(0, 0, 0),        // tooltip text
      RGB(255, 255, 225),  // tooltip background
      RGB(181, 181, 181),  // (unnamed)
      RGB(0, 0, 128),      // hot-tracked item
      RGB(166, 202, 240),  // active caption gradient
      RGB(192, 192, 192),  // inactive caption gradient
      RGB(49, 106, 197),   // menu highlight
      RGB(212, 208, 200),  // menu bar
  };
  if (index < 0 || index >= static_cast<int>(sizeof kColours / sizeof kColours[0])) return 0;
  return kColours[index];
}

namespace platform {

MonitorArea CurrentMonitor() {
  std::lock_guard<std::mutex> lock(monitorMutex);
  return monitor;
}

void SetMonitor(int width, int height, RECT workArea) {
  std::lock_guard<std::mutex> lock(monitorMutex);
  monitor = MonitorArea{width, height, workArea};
}

void ResetMonitor() {
  std::lock_guard<std::mutex> lock(monitorMutex);
  monitor = MonitorArea{};
}

}  // namespace platform
