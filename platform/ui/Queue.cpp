// Posting, sending, retrieving and dispatching messages.
#include "platform/ui/Queue.h"

#include <cctype>
#include <iterator>

#include "platform/ui/Input.h"
#include "platform/ui/Timers.h"
#include "platform/ui/detail/Retrieval.h"
#include "platform/ui/detail/WindowSystem.h"
#include "platform/win32/Clock.h"

using namespace platform::detail;

namespace {

bool InFilter(UINT message, UINT filterMin, UINT filterMax) {
  return (filterMin == 0 && filterMax == 0) || (message >= filterMin && message <= filterMax);
}

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{hwnd, message, wParam, lParam, GetTickCount(), {}};
  GetCursorPos(&msg.pt);
  return msg;
}

// One retrieval pass in the platform's order; true with `msg` filled when something matched.
bool RetrieveLocked(Lock& lock, ThreadQueue& queue, HWND hwnd, UINT filterMin, UINT filterMax, bool remove,
                    MSG* msg) {
  AnswerIncomingSends(lock, queue);
  for (auto it = queue.posted.begin(); it != queue.posted.end();) {
    if (!it->isInput) {
      if ((hwnd && it->msg.hwnd != hwnd) || !InFilter(it->msg.message, filterMin, filterMax)) {
        ++it;
        continue;
      }
      *msg = it->msg;
      if (remove) queue.posted.erase(it);
      queue.last = *msg;
      return true;
    }
    InputTarget target = ResolveInputLocked(it->input);
    if (!target.hwnd) {
      // Input that no window can take is dropped, as the platform drops it.
      it = remove ? queue.posted.erase(it) : std::next(it);
      continue;
    }
    if ((hwnd && target.hwnd != hwnd) || !InFilter(target.message, filterMin, filterMax)) {
      ++it;
      continue;
    }
    InputEvent input = it->input;
    if (!remove) {
      *msg = PreviewInputLocked(input, target);
      return true;
    }
    queue.posted.erase(it);
    lock.unlock();
    *msg = DeliverInput(input);  // hit tests, cursor, activation: outside the lock
    lock.lock();
    if (msg->hwnd) {
      queue.last = *msg;
      return true;
    }
    // The event came to nothing (a disabled window): look again from the start, the queue
    // may have changed while the lock was free.
    it = queue.posted.begin();
  }
  if (queue.quitPosted) {
    *msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
    if (remove) queue.quitPosted = false;
    return true;
  }
  if (InFilter(WM_PAINT, filterMin, filterMax)) {
    if (HWND dirty = FindWindowToPaintLocked(queue, hwnd)) {
      *msg = MakeMessage(dirty, WM_PAINT, 0, 0);
      queue.last = *msg;
      return true;
    }
  }
  if (InFilter(WM_TIMER, filterMin, filterMax) && TakeDueTimerLocked(queue, hwnd, remove, msg)) {
    queue.last = *msg;
    return true;
  }
  return false;
}

// Blocks until something may have arrived: the event script acts, or the thread sleeps until
// a post, a send, a clock move or its next real-time timer.
void WaitLocked(Lock& lock, ThreadQueue& queue) {
  if (RunScriptStep(lock, queue)) return;
  std::int64_t due = NextTimerDueLocked(queue);
  if (due < 0 || platform::IsVirtualClock()) {
    queue.wake.wait(lock);
  } else {
    std::int64_t waitNs = std::max<std::int64_t>(0, due - NowNs());
    queue.wake.wait_for(lock, std::chrono::nanoseconds(waitNs));
  }
}

}  // namespace

namespace platform::detail {

void PostEntry(const std::shared_ptr<ThreadQueue>& queue, QueueEntry entry) {
  if (!queue->alive) return;
  queue->posted.push_back(std::move(entry));
  queue->wake.notify_all();
}

void AnswerIncomingSends(Lock& lock, ThreadQueue& queue) {
  while (!queue.incoming.empty()) {
    std::shared_ptr<SentMessage> sent = queue.incoming.front();
    queue.incoming.pop_front();
    Window* window = Find(sent->msg.hwnd);
    WNDPROC proc = window ? window->proc : nullptr;
    LRESULT result = 0;
    if (window) {
      ++queue.inSendDepth;
      lock.unlock();
      result = CallWindowProc(proc, sent->msg.hwnd, sent->msg.message, sent->msg.wParam, sent->msg.lParam);
      lock.lock();
      --queue.inSendDepth;
    }
    sent->result = result;
    sent->done = true;
    sent->sender->wake.notify_all();
  }
}

}  // namespace platform::detail

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg = MakeMessage(hwnd, message, wParam, lParam);
  if (!hwnd) {
    auto queue = CurrentQueue();
    Lock lock(Global().mutex);
    PostEntry(queue, QueueEntry{false, msg, {}});
    return TRUE;
  }
  Lock lock(Global().mutex);
  Window* window = FindLive(hwnd);
  if (!window) return FALSE;
  PostEntry(window->thread, QueueEntry{false, msg, {}});
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  auto queue = CurrentQueue();
  Lock lock(Global().mutex);
  queue->quitPosted = true;
  queue->quitCode = exitCode;
  queue->wake.notify_all();
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto self = CurrentQueue();
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window) return 0;
  if (window->thread == self) {
    WNDPROC proc = window->proc;
    lock.unlock();
    return CallWindowProc(proc, hwnd, message, wParam, lParam);
  }
  auto target = window->thread;
  if (!target->alive) return 0;
  auto sent = std::make_shared<SentMessage>();
  sent->msg = MSG{hwnd, message, wParam, lParam, GetTickCount(), {}};
  sent->sender = self;
  target->incoming.push_back(sent);
  target->wake.notify_all();
  // Answer sends to this thread while waiting, or two threads sending to each other would
  // wait for ever.
  while (!sent->done) {
    AnswerIncomingSends(lock, *self);
    if (!sent->done) self->wake.wait(lock);
  }
  return sent->result;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  auto queue = CurrentQueue();
  Lock lock(Global().mutex);
  if (hwnd && !Find(hwnd)) return -1;
  while (!RetrieveLocked(lock, *queue, hwnd, filterMin, filterMax, true, msg)) {
    WaitLocked(lock, *queue);
  }
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  auto queue = CurrentQueue();
  Lock lock(Global().mutex);
  return RetrieveLocked(lock, *queue, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0, msg)
             ? TRUE
             : FALSE;
}

BOOL WaitMessage() {
  auto queue = CurrentQueue();
  Lock lock(Global().mutex);
  MSG peeked;
  if (!RetrieveLocked(lock, *queue, nullptr, 0, 0, false, &peeked)) WaitLocked(lock, *queue);
  return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || msg->message != WM_KEYDOWN) return FALSE;
  int key = static_cast<int>(msg->wParam);
  bool shift = GetKeyState(VK_SHIFT) < 0;
  bool control = GetKeyState(VK_CONTROL) < 0;
  char character = 0;
  if (key >= 'A' && key <= 'Z') {
    // With Ctrl a letter types its control character (Ctrl+A is 1), which edits do not insert.
    character = static_cast<char>(control ? key - 'A' + 1 : shift ? key : std::tolower(key));
  } else if (key >= '0' && key <= '9' && !shift && !control) {
    character = static_cast<char>(key);
  } else if (key == VK_SPACE || key == VK_RETURN || key == VK_BACK || key == VK_TAB || key == VK_ESCAPE) {
    character = key == VK_RETURN ? '\r' : static_cast<char>(key);
  }
  if (!character) return FALSE;
  Lock lock(Global().mutex);
  Window* window = FindLive(msg->hwnd);
  if (!window) return FALSE;
  // The character comes next, ahead of anything posted after the key.
  QueueEntry entry{false,
                   MakeMessage(msg->hwnd, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(character)),
                               msg->lParam),
                   {}};
  window->thread->posted.push_front(entry);
  return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  if (!msg->hwnd) return 0;
  WNDPROC proc;
  {
    Lock lock(Global().mutex);
    Window* window = FindLive(msg->hwnd);
    if (!window) return 0;
    proc = window->proc;
  }
  return CallWindowProc(proc, msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

DWORD GetMessagePos() {
  auto queue = CurrentQueue();
  Lock lock(Global().mutex);
  return static_cast<DWORD>(
      MAKELPARAM(static_cast<WORD>(queue->last.pt.x), static_cast<WORD>(queue->last.pt.y)));
}

LONG GetMessageTime() {
  auto queue = CurrentQueue();
  Lock lock(Global().mutex);
  return static_cast<LONG>(queue->last.time);
}

BOOL InSendMessage() {
  auto queue = CurrentQueue();
  Lock lock(Global().mutex);
  return queue->inSendDepth > 0;
}

UINT RegisterWindowMessage(LPCSTR name) {
  if (!name || !*name) return 0;
  Lock lock(Global().mutex);
  auto& registered = Global().registeredMessages;
  auto it = registered.find(name);
  if (it != registered.end()) return it->second;
  UINT id = 0xC000 + static_cast<UINT>(registered.size());
  if (id > 0xFFFF) return 0;
  registered.emplace(name, id);
  return id;
}

namespace platform {

int PumpMessages() {
  int dispatched = 0;
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
    ++dispatched;
  }
  return dispatched;
}

}  // namespace platform
