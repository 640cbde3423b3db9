// The window system's shared state: the window table, the classes, the per-thread queues.
// One mutex guards all of it; it is never held while a window procedure runs.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui/Messages.h"
#include "platform/ui/Timers.h"
#include "platform/ui/Window.h"

namespace platform::detail {

struct ThreadQueue;

struct WindowClass {
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int classExtra = 0;
  int windowExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  ATOM atom = 0;
  std::vector<BYTE> extra;
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT elapseMs;
  TIMERPROC proc;
  std::int64_t dueNs;
};

// A message sent from another thread, answered by the owning thread.
struct SentMessage {
  MSG msg{};
  LRESULT result = 0;
  bool done = false;
  std::shared_ptr<ThreadQueue> sender;
};

// Mouse and keyboard events wait as raw input and become messages when retrieved, against
// the capture, focus and window tree of that moment.
struct InputEvent {
  UINT message;     // WM_MOUSEMOVE, WM_xBUTTONDOWN/UP, WM_MOUSEWHEEL, WM_KEYDOWN/UP, WM_CHAR
  POINT screen;     // cursor position at the event
  WPARAM keyFlags;  // MK_ flags for mouse events; the key or character otherwise
  int wheelDelta;
  bool doubleClick;  // the second press of DoubleClick
};

struct QueueEntry {
  bool isInput = false;
  MSG msg{};
  InputEvent input{};
};

struct ThreadQueue {
  std::condition_variable wake;  // waits under the window system's mutex
  std::deque<QueueEntry> posted;
  std::deque<std::shared_ptr<SentMessage>> incoming;
  std::vector<Timer> timers;
  bool quitPosted = false;
  int quitCode = 0;
  int modalDepth = 0;
  int inSendDepth = 0;
  bool alive = true;
  MSG last{};
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> windowClass;
  std::shared_ptr<ThreadQueue> thread;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  std::string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;       // child windows
  HWND owner = nullptr;        // popups and overlapped windows
  std::vector<HWND> children;  // z-order, top first
  RECT rect{};  // window rectangle in the parent's client coordinates (the screen at top level)
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  std::vector<BYTE> extra;
  std::map<std::string, HANDLE> props;
  RECT update{};       // bounding box of the update area in client coordinates
  bool erase = false;  // WM_ERASEBKGND is due with the next BeginPaint
  bool destroying = false;
  HBITMAP surface = nullptr;  // top-level windows: the pixels of the window and its children
  LONG_PTR dialogResult = 0;
  bool dialogEnded = false;
  // The window's own scroll bars (horizontal, vertical): range, page and position.
  struct ScrollBar {
    int min = 0;
    int max = 100;
    UINT page = 0;
    int pos = 0;
    int trackPos = 0;
  } scrollBars[2];
};

struct State {
  std::mutex mutex;
  std::map<std::uintptr_t, std::unique_ptr<Window>> windows;
  std::vector<std::weak_ptr<ThreadQueue>> queues;
  std::uintptr_t nextHandle = 0x10000;
  std::vector<HWND> topLevel;  // z-order, top first
  std::vector<std::shared_ptr<WindowClass>> classes;
  ATOM nextAtom = 0xC000;
  std::map<std::string, UINT> registeredMessages;
  HWND focus = nullptr;
  HWND capture = nullptr;
  HWND active = nullptr;
};

State& Global();
using Lock = std::unique_lock<std::mutex>;

// The queue of the calling thread, created on first use.
std::shared_ptr<ThreadQueue> CurrentQueue();

// Look-ups under the lock; null for handles that are not (or no longer) windows.
Window* Find(HWND hwnd);
Window* FindLive(HWND hwnd);  // also null while the window is being destroyed
std::vector<HWND>& SiblingList(const Window& window);

// Client rectangle of a window in its own window coordinates, from its frame styles.
RECT FrameInsets(DWORD style, DWORD exStyle);
// The origin of a window's client area in screen coordinates.
POINT ClientOriginOnScreen(const Window& window);
bool VisibleChain(const Window& window);

std::int64_t NowNs();
void NotifyAll();  // wakes every waiting queue (posts, clock moves)

// Messages between threads: wakes the owner of `window` after queueing.
void PostEntry(const std::shared_ptr<ThreadQueue>& queue, QueueEntry entry);
// Runs the messages other threads sent to this thread (called with the lock held; drops and
// retakes it around each procedure).
void AnswerIncomingSends(Lock& lock, ThreadQueue& queue);

// Invalidation inside the lock: unites `rect` (client coordinates, null for all) into the
// update area of `window` and of the children beneath it: by default only when the window
// does not clip its children (WS_CLIPCHILDREN), as on the platform.
enum class ChildRule { Default, All, None };
void InvalidateLocked(Window& window, const RECT* rect, bool erase, ChildRule rule);
// The deepest visible window under a screen point (disabled children give their parent).
// Children in `passThrough` (which answered HTTRANSPARENT) let the point through to what lies beneath.
HWND WindowFromPointLocked(POINT screen, const std::vector<HWND>& passThrough = {});

// Timers of `window` are dropped when it is destroyed.
void DropTimersLocked(ThreadQueue& queue, HWND hwnd);

// The focus, capture and activation follow a destroyed or hidden window away.
void ForgetWindowInInput(HWND hwnd);

}  // namespace platform::detail
