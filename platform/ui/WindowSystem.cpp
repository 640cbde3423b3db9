// Shared state, look-ups and geometry of the window system.
#include "platform/ui/detail/WindowSystem.h"

#include <algorithm>

#include "platform/ui/Metrics.h"
#include "platform/win32/Clock.h"

namespace platform::detail {

State& Global() {
  // Never destroyed: windows and queues may outlive static destructors of other files.
  static State* state = new State;
  return *state;
}

namespace {

// Marks the queue dead when its thread ends, so posts to its windows are dropped.
struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue;
  ~QueueHolder() {
    if (!queue) return;
    Lock lock(Global().mutex);
    queue->alive = false;
    queue->posted.clear();
    for (auto& sent : queue->incoming) {
      sent->done = true;
      if (sent->sender) sent->sender->wake.notify_all();
    }
    queue->incoming.clear();
    queue->timers.clear();
  }
};

void WakeQueuesOnClockMove() {
  Lock lock(Global().mutex);
  NotifyAll();
}

}  // namespace

std::shared_ptr<ThreadQueue> CurrentQueue() {
  static const bool observing = (SetVirtualClockObserver(&WakeQueuesOnClockMove), true);
  (void)observing;
  thread_local QueueHolder holder;
  if (!holder.queue) {
    holder.queue = std::make_shared<ThreadQueue>();
    Lock lock(Global().mutex);
    auto& queues = Global().queues;
    queues.erase(std::remove_if(queues.begin(), queues.end(),
                                [](const std::weak_ptr<ThreadQueue>& q) { return q.expired(); }),
                 queues.end());
    queues.push_back(holder.queue);
  }
  return holder.queue;
}

Window* Find(HWND hwnd) {
  auto& windows = Global().windows;
  auto it = windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
  return it == windows.end() ? nullptr : it->second.get();
}

Window* FindLive(HWND hwnd) {
  Window* window = Find(hwnd);
  return window && !window->destroying ? window : nullptr;
}

std::vector<HWND>& SiblingList(const Window& window) {
  if (window.parent) return Find(window.parent)->children;
  return Global().topLevel;
}

RECT FrameInsets(DWORD style, DWORD exStyle) {
  int frame = 0;
  if (style & WS_THICKFRAME) {
    frame = GetSystemMetrics(SM_CXFRAME);
  } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
    frame = GetSystemMetrics(SM_CXDLGFRAME);
  } else if (style & WS_BORDER) {
    frame = GetSystemMetrics(SM_CXBORDER);
  }
  if (exStyle & WS_EX_CLIENTEDGE) frame += GetSystemMetrics(SM_CXEDGE);
  if (exStyle & WS_EX_STATICEDGE) frame += GetSystemMetrics(SM_CXBORDER);
  RECT insets{frame, frame, frame, frame};
  if ((style & WS_CAPTION) == WS_CAPTION) {
    insets.top += GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
  }
  if (style & WS_VSCROLL) insets.right += GetSystemMetrics(SM_CXVSCROLL);
  if (style & WS_HSCROLL) insets.bottom += GetSystemMetrics(SM_CYHSCROLL);
  return insets;
}

POINT ClientOriginOnScreen(const Window& window) {
  RECT insets = FrameInsets(window.style, window.exStyle);
  POINT origin{window.rect.left + insets.left, window.rect.top + insets.top};
  for (const Window* up = window.parent ? Find(window.parent) : nullptr; up;
       up = up->parent ? Find(up->parent) : nullptr) {
    RECT upInsets = FrameInsets(up->style, up->exStyle);
    origin.x += up->rect.left + upInsets.left;
    origin.y += up->rect.top + upInsets.top;
  }
  return origin;
}

bool VisibleChain(const Window& window) {
  for (const Window* w = &window; w; w = w->parent ? Find(w->parent) : nullptr) {
    if (!(w->style & WS_VISIBLE)) return false;
  }
  return true;
}

std::int64_t NowNs() {
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return count.QuadPart;
}

void NotifyAll() {
  for (auto& weak : Global().queues) {
    if (auto queue = weak.lock()) queue->wake.notify_all();
  }
}

}  // namespace platform::detail
