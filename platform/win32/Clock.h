// The performance counter and the tick count. Both read one clock, which is the monotonic
// system clock in normal runs; tests switch it to a virtual clock that moves only when told,
// so that throttles and timers are deterministic.
#pragma once
#include <chrono>

#include "platform/win32/Types.h"

BOOL QueryPerformanceCounter(LARGE_INTEGER* count);        // nanoseconds
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);  // 1e9 per second
DWORD GetTickCount();                                      // milliseconds, wraps after 49.7 days
ULONGLONG GetTickCount64();

namespace platform {

// Freezes the clock at its current reading (true) or returns it to the system clock (false).
void UseVirtualClock(bool enable);
bool IsVirtualClock();
// Moves the virtual clock forward; does nothing while the system clock is in use.
void AdvanceVirtualClock(std::chrono::nanoseconds step);
// Called after every move of the virtual clock, so that threads waiting for a clock time (the
// window system's timers) look again. One observer; null removes it.
void SetVirtualClockObserver(void (*observer)());

// Switches to the virtual clock for one scope (a test), and back at its end.
class VirtualClockScope {
 public:
  VirtualClockScope() { UseVirtualClock(true); }
  ~VirtualClockScope() { UseVirtualClock(false); }
  VirtualClockScope(const VirtualClockScope&) = delete;
  VirtualClockScope& operator=(const VirtualClockScope&) = delete;
};

}  // namespace platform
