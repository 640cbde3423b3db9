#include "platform/win32/Clock.h"

#include <atomic>

namespace {

std::atomic<bool> virtualClockOn{false};
std::atomic<std::int64_t> virtualNanoseconds{0};
std::atomic<void (*)()> virtualClockObserver{nullptr};

std::int64_t SystemNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t Nanoseconds() {
  return virtualClockOn.load(std::memory_order_acquire) ? virtualNanoseconds.load(std::memory_order_acquire)
                                                        : SystemNanoseconds();
}

}  // namespace

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  count->QuadPart = Nanoseconds();
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  frequency->QuadPart = 1000000000;
  return TRUE;
}

ULONGLONG GetTickCount64() { return static_cast<ULONGLONG>(Nanoseconds() / 1000000); }

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

namespace platform {

void UseVirtualClock(bool enable) {
  // Start the virtual clock where the system clock stands, so readings taken before the
  // switch (a remembered origin, a last report time) stay in the past.
  if (enable) virtualNanoseconds.store(SystemNanoseconds(), std::memory_order_release);
  virtualClockOn.store(enable, std::memory_order_release);
}

bool IsVirtualClock() { return virtualClockOn.load(std::memory_order_acquire); }

void AdvanceVirtualClock(std::chrono::nanoseconds step) {
  if (!IsVirtualClock()) return;
  virtualNanoseconds.fetch_add(step.count(), std::memory_order_acq_rel);
  if (auto observer = virtualClockObserver.load(std::memory_order_acquire)) observer();
}

void SetVirtualClockObserver(void (*observer)()) {
  virtualClockObserver.store(observer, std::memory_order_release);
}

}  // namespace platform
