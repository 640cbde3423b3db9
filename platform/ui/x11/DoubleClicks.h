// Which presses of real mouse buttons are the second press of a double click, by the
// platform's rule: the same button again within the double-click time, inside the
// double-click rectangle centred on the first press; the press after a double click starts
// a new pair.
#pragma once
#include "platform/win32/Types.h"

namespace platform::x11 {

class DoubleClicks {
 public:
  // `timeMs`: the press's time stamp in milliseconds (wrapping at 2^32 like the display's).
  bool IsSecondPress(unsigned button, unsigned long timeMs, POINT at);

 private:
  bool pairOpen_ = false;
  unsigned button_ = 0;
  unsigned long timeMs_ = 0;
  POINT at_{};
};

}  // namespace platform::x11
