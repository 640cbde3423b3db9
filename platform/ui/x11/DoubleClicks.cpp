#include "platform/ui/x11/DoubleClicks.h"

#include <cstdlib>

#include "platform/ui/Metrics.h"

namespace platform::x11 {

bool DoubleClicks::IsSecondPress(unsigned button, unsigned long timeMs, POINT at) {
  unsigned long elapsed = (timeMs - timeMs_) & 0xFFFFFFFFul;
  bool second = pairOpen_ && button == button_ && elapsed <= GetDoubleClickTime() &&
                std::abs(at.x - at_.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                std::abs(at.y - at_.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
  pairOpen_ = !second;
  button_ = button;
  timeMs_ = timeMs;
  at_ = at;
  return second;
}

}  // namespace platform::x11
