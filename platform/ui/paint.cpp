// Update areas, WM_PAINT generation and validation.
#include "platform/ui/paint.h"

#include <algorithm>

#include "platform/ui/detail/Retrieval.h"
#include "platform/ui/queue.h"
#include "platform/win32/rect.h"

using namespace platform::detail;

namespace {

RECT ClientBoundsLocked(const Window& window) {
  RECT insets = FrameInsets(window.style, window.exStyle);
  return RECT{0, 0, std::max<LONG>(0, window.rect.right - window.rect.left - insets.left - insets.right),
              std::max<LONG>(0, window.rect.bottom - window.rect.top - insets.top - insets.bottom)};
}

void Unite(RECT* into, const RECT& add) {
  if (IsRectEmpty(into)) {
    *into = add;
    return;
  }
  into->left = std::min(into->left, add.left);
  into->top = std::min(into->top, add.top);
  into->right = std::max(into->right, add.right);
  into->bottom = std::max(into->bottom, add.bottom);
}

HWND FindDirtyLocked(const Window& window, const ThreadQueue& queue, HWND filter) {
  if (!(window.style & WS_VISIBLE)) return nullptr;
  if (window.thread.get() == &queue && !IsRectEmpty(&window.update) && (!filter || filter == window.handle)) {
    return window.handle;
  }
  for (HWND child : window.children) {
    if (HWND dirty = FindDirtyLocked(*Find(child), queue, filter)) return dirty;
  }
  return nullptr;
}

void ValidateLocked(Window& window, const RECT* rect) {
  if (!rect) {
    SetRectEmpty(&window.update);
    window.erase = false;
    return;
  }
  // A rectangle area cannot have holes: validating a part removes it only when it takes a
  // whole side off.
  RECT& update = window.update;
  RECT cut;
  if (!IntersectRect(&cut, &update, rect)) return;
  if (cut.top == update.top && cut.bottom == update.bottom) {
    if (cut.left == update.left) update.left = cut.right;
    else if (cut.right == update.right) update.right = cut.left;
  } else if (cut.left == update.left && cut.right == update.right) {
    if (cut.top == update.top) update.top = cut.bottom;
    else if (cut.bottom == update.bottom) update.bottom = cut.top;
  }
  if (IsRectEmpty(&update)) {
    SetRectEmpty(&update);
    window.erase = false;
  }
}

void ValidateTreeLocked(Window& window, const RECT* rect, bool children) {
  ValidateLocked(window, rect);
  if (!children) return;
  for (HWND child : window.children) ValidateTreeLocked(*Find(child), nullptr, true);
}

void CollectDirty(HWND hwnd, bool children, std::vector<HWND>* out) {
  Window* window = Find(hwnd);
  if (!window || !VisibleChain(*window)) return;
  if (!IsRectEmpty(&window->update)) out->push_back(hwnd);
  if (!children) return;
  for (HWND child : window->children) CollectDirty(child, true, out);
}

}  // namespace

namespace platform::detail {

void InvalidateLocked(Window& window, const RECT* rect, bool erase, ChildRule rule) {
  RECT client = ClientBoundsLocked(window);
  RECT area = client;
  if (rect && !IntersectRect(&area, &client, rect)) return;
  if (IsRectEmpty(&area)) return;
  Unite(&window.update, area);
  window.erase = window.erase || erase;
  window.thread->wake.notify_all();
  if (rule == ChildRule::None || (rule == ChildRule::Default && (window.style & WS_CLIPCHILDREN))) return;
  for (HWND child : window.children) {
    Window* under = Find(child);
    RECT overlap;
    if (!(under->style & WS_VISIBLE) || !IntersectRect(&overlap, &under->rect, &area)) continue;
    RECT insets = FrameInsets(under->style, under->exStyle);
    OffsetRect(&overlap, -under->rect.left - insets.left, -under->rect.top - insets.top);
    InvalidateLocked(*under, &overlap, erase, rule);
  }
}

HWND FindWindowToPaintLocked(const ThreadQueue& queue, HWND filter) {
  for (HWND top : Global().topLevel) {
    if (HWND dirty = FindDirtyLocked(*Find(top), queue, filter)) return dirty;
  }
  return nullptr;
}

void DefaultPaint(HWND hwnd) { ValidateRect(hwnd, nullptr); }

LRESULT DefaultErase(HWND, HDC) { return 0; }

}  // namespace platform::detail

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window) return FALSE;
  if (rect) *rect = window->update;
  return !IsRectEmpty(&window->update);
}

BOOL UpdateWindow(HWND hwnd) {
  return RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_NOCHILDREN);
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN, UINT flags) {
  std::vector<HWND> dirty;
  {
    Lock lock(Global().mutex);
    Window* window = FindLive(hwnd);
    if (!window) return FALSE;
    ChildRule rule = (flags & RDW_ALLCHILDREN) ? ChildRule::All
                     : (flags & RDW_NOCHILDREN) ? ChildRule::None
                                                 : ChildRule::Default;
    if (flags & RDW_INVALIDATE) {
      InvalidateLocked(*window, rect, (flags & RDW_ERASE) != 0, rule);
    } else if (flags & RDW_VALIDATE) {
      ValidateTreeLocked(*window, rect, rule == ChildRule::All);
    }
    if (flags & RDW_UPDATENOW) CollectDirty(hwnd, rule == ChildRule::All, &dirty);
  }
  for (HWND each : dirty) {
    if (GetUpdateRect(each, nullptr, FALSE)) SendMessage(each, WM_PAINT, 0, 0);
  }
  return TRUE;
}
