// Keyboard focus, mouse capture and activation.
#include <algorithm>

#include "platform/ui/Input.h"
#include "platform/ui/Presenter.h"
#include "platform/ui/Queue.h"
#include "platform/ui/Window.h"
#include "platform/ui/detail/Retrieval.h"

using namespace platform::detail;

namespace {

HWND RootLocked(HWND hwnd) {
  Window* window = Find(hwnd);
  while (window && window->parent) window = Find(window->parent);
  return window ? window->handle : nullptr;
}

bool InSubtreeLocked(HWND root, HWND hwnd) {
  for (Window* window = Find(hwnd); window; window = window->parent ? Find(window->parent) : nullptr) {
    if (window->handle == root) return true;
  }
  return false;
}

bool EnabledChainLocked(HWND hwnd) {
  for (Window* window = Find(hwnd); window; window = window->parent ? Find(window->parent) : nullptr) {
    if (window->style & WS_DISABLED) return false;
  }
  return true;
}

// The window that takes over when the active one goes: its owner when that can be active,
// else the first visible, enabled top-level window.
HWND NextActiveLocked(HWND leaving) {
  Window* window = Find(leaving);
  if (window && window->owner) {
    Window* owner = Find(window->owner);
    if (owner && !owner->destroying && (owner->style & WS_VISIBLE) && !(owner->style & WS_DISABLED)) {
      return owner->handle;
    }
  }
  for (HWND top : Global().topLevel) {
    Window* candidate = Find(top);
    if (top != leaving && !candidate->destroying && (candidate->style & WS_VISIBLE) &&
        !(candidate->style & WS_DISABLED)) {
      return top;
    }
  }
  return nullptr;
}

}  // namespace

HWND SetFocus(HWND hwnd) {
  HWND root;
  {
    Lock lock(Global().mutex);
    if (hwnd && (!FindLive(hwnd) || !EnabledChainLocked(hwnd))) return nullptr;
    if (hwnd == Global().focus) return hwnd;
    root = hwnd ? RootLocked(hwnd) : nullptr;
  }
  if (root && GetActiveWindow() != root) SetActiveWindow(root);
  HWND previous;
  {
    Lock lock(Global().mutex);
    if (hwnd && !FindLive(hwnd)) return nullptr;
    previous = Global().focus;
    if (previous == hwnd) return previous;
  }
  if (previous) SendMessage(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  {
    Lock lock(Global().mutex);
    Global().focus = hwnd && FindLive(hwnd) ? hwnd : nullptr;
  }
  if (hwnd) SendMessage(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  return previous;
}

HWND GetFocus() {
  Lock lock(Global().mutex);
  return Global().focus;
}

HWND SetCapture(HWND hwnd) {
  HWND previous, top;
  {
    Lock lock(Global().mutex);
    if (hwnd && !FindLive(hwnd)) return nullptr;
    previous = Global().capture;
    Global().capture = hwnd;
    top = hwnd ? RootLocked(hwnd) : nullptr;
  }
  if (auto* presenter = platform::GetPresenter(); presenter && previous != hwnd)
    presenter->CaptureChanged(top);
  if (previous && previous != hwnd) {
    SendMessage(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  }
  return previous;
}

BOOL ReleaseCapture() {
  HWND previous;
  {
    Lock lock(Global().mutex);
    previous = Global().capture;
    Global().capture = nullptr;
  }
  if (auto* presenter = platform::GetPresenter(); presenter && previous) presenter->CaptureChanged(nullptr);
  if (previous) SendMessage(previous, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  Lock lock(Global().mutex);
  return Global().capture;
}

HWND SetActiveWindow(HWND hwnd) {
  HWND top, previous;
  {
    Lock lock(Global().mutex);
    top = hwnd ? RootLocked(hwnd) : nullptr;
    if (hwnd && (!top || !FindLive(top) || (Find(top)->style & WS_DISABLED))) return nullptr;
    previous = Global().active;
    if (previous == top) return previous;
    Global().active = top;
  }
  if (previous && IsWindow(previous)) {
    SendMessage(previous, WM_NCACTIVATE, FALSE, 0);
    SendMessage(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(top));
  }
  if (top) {
    SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessage(top, WM_NCACTIVATE, TRUE, 0);
    SendMessage(top, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(previous));
  } else {
    SetFocus(nullptr);
  }
  return previous;
}

HWND GetActiveWindow() {
  Lock lock(Global().mutex);
  return Global().active;
}

BOOL SetForegroundWindow(HWND hwnd) { return SetActiveWindow(hwnd) != nullptr || GetActiveWindow() == hwnd; }

HWND GetForegroundWindow() { return GetActiveWindow(); }

namespace platform::detail {

void ForgetWindowInInput(HWND hwnd) {
  bool dropFocus, dropCapture, dropActive;
  HWND successor = nullptr;
  {
    Lock lock(Global().mutex);
    State& state = Global();
    dropFocus = state.focus && InSubtreeLocked(hwnd, state.focus);
    dropCapture = state.capture && InSubtreeLocked(hwnd, state.capture);
    dropActive = state.active && InSubtreeLocked(hwnd, state.active);
    if (dropActive) successor = NextActiveLocked(state.active);
  }
  if (dropCapture) ReleaseCapture();
  if (dropFocus) SetFocus(nullptr);
  if (dropActive) SetActiveWindow(successor);
}

}  // namespace platform::detail
