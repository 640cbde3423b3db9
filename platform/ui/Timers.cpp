// Timers: due times on the platform clock, WM_TIMER made at retrieval.
#include "platform/ui/Timers.h"

#include <algorithm>

#include "platform/ui/detail/Retrieval.h"
#include "platform/win32/Clock.h"

using namespace platform::detail;

namespace {

constexpr UINT kMinimumElapseMs = 10;
constexpr UINT kMaximumElapseMs = 0x7FFFFFFF;
// Ids for timers without a window; far from the small ids windows pick for themselves.
UINT_PTR nextThreadTimerId = 0x7FFF0000;

std::int64_t ElapseNs(UINT elapseMs) { return static_cast<std::int64_t>(elapseMs) * 1000000; }

void RemoveTimerLocked(ThreadQueue& queue, HWND hwnd, UINT_PTR id) {
  auto& timers = queue.timers;
  timers.erase(std::remove_if(timers.begin(), timers.end(),
                              [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; }),
               timers.end());
}

}  // namespace

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
  std::shared_ptr<ThreadQueue> queue = hwnd ? nullptr : CurrentQueue();
  Lock lock(Global().mutex);
  if (hwnd) {
    Window* window = FindLive(hwnd);
    if (!window) return 0;
    queue = window->thread;
  } else {
    id = nextThreadTimerId++;
  }
  elapseMs = std::clamp(elapseMs, kMinimumElapseMs, kMaximumElapseMs);
  RemoveTimerLocked(*queue, hwnd, id);
  queue->timers.push_back(Timer{hwnd, id, elapseMs, proc, NowNs() + ElapseNs(elapseMs)});
  queue->wake.notify_all();  // a waiting thread may need to wake sooner
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  std::shared_ptr<ThreadQueue> queue = hwnd ? nullptr : CurrentQueue();
  Lock lock(Global().mutex);
  if (hwnd) {
    Window* window = Find(hwnd);
    if (!window) return FALSE;
    queue = window->thread;
  }
  auto& timers = queue->timers;
  auto before = timers.size();
  RemoveTimerLocked(*queue, hwnd, id);
  return timers.size() != before;
}

namespace platform::detail {

bool TakeDueTimerLocked(ThreadQueue& queue, HWND filter, bool remove, MSG* msg) {
  std::int64_t now = NowNs();
  Timer* first = nullptr;
  for (Timer& timer : queue.timers) {
    if (timer.dueNs > now || (filter && timer.hwnd != filter)) continue;
    if (!first || timer.dueNs < first->dueNs) first = &timer;
  }
  if (!first) return false;
  *msg = MSG{first->hwnd,    WM_TIMER,     first->id, reinterpret_cast<LPARAM>(first->proc),
             GetTickCount(), queue.last.pt};
  // Periodic: the next one is due a whole period after this retrieval, as on the platform,
  // so a late thread gets one WM_TIMER rather than a burst.
  if (remove) first->dueNs = now + ElapseNs(first->elapseMs);
  return true;
}

std::int64_t NextTimerDueLocked(const ThreadQueue& queue) {
  std::int64_t next = -1;
  for (const Timer& timer : queue.timers) {
    if (next < 0 || timer.dueNs < next) next = timer.dueNs;
  }
  return next;
}

void DropTimersLocked(ThreadQueue& queue, HWND hwnd) {
  auto& timers = queue.timers;
  timers.erase(std::remove_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.hwnd == hwnd; }),
               timers.end());
}

}  // namespace platform::detail
