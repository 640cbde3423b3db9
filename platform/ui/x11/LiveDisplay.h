// Windows on a real X display. While a LiveDisplay is open, each shown top-level window is an X
// window of the same place and size showing its surface as it is painted; the display's mouse,
// keyboard, focus and close requests come back as the platform's input and messages. Modal
// loops then wait for the user instead of an event script (a script still works).
#pragma once
#include <memory>

#include "platform/ui/Messages.h"

namespace platform::x11 {

class LiveDisplay {
 public:
  // Opens DISPLAY and presents windows on it; null when WF_HEADLESS is set, DISPLAY is not,
  // or the display cannot be used (said on stderr). Open it before the first window is shown.
  static std::unique_ptr<LiveDisplay> Open();
  ~LiveDisplay();
  LiveDisplay(const LiveDisplay&) = delete;
  LiveDisplay& operator=(const LiveDisplay&) = delete;

  // The X window that shows `top`; 0 while it is not shown.
  unsigned long XWindowOf(HWND top) const;
  // X protocol errors seen so far (each is also reported on stderr).
  int ErrorCount() const;

  struct Impl;

 private:
  explicit LiveDisplay(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform::x11
