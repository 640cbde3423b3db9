#include "platform/ui/x11/WorkArea.h"

#include <algorithm>

namespace platform::x11 {

RECT WorkAreaOf(int screenWidth, int screenHeight, const long* areas, unsigned long count, long desktop) {
  const RECT screen{0, 0, screenWidth, screenHeight};
  if (!areas || desktop < 0 || count < 4 * static_cast<unsigned long>(desktop) + 4) return screen;
  const long* area = areas + 4 * desktop;
  const RECT held{static_cast<LONG>(std::clamp<long>(area[0], 0, screenWidth)),
                  static_cast<LONG>(std::clamp<long>(area[1], 0, screenHeight)),
                  static_cast<LONG>(std::clamp<long>(area[0] + area[2], 0, screenWidth)),
                  static_cast<LONG>(std::clamp<long>(area[1] + area[3], 0, screenHeight))};
  return held.left < held.right && held.top < held.bottom ? held : screen;
}

}  // namespace platform::x11
