// Positions, sizes, z-order, showing and hiding, coordinate conversions and hit-testing.
#include <algorithm>

#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/Paint.h"
#include "platform/ui/Presenter.h"
#include "platform/ui/Queue.h"
#include "platform/ui/Window.h"
#include "platform/ui/detail/CaptionButtons.h"
#include "platform/ui/detail/WindowSystem.h"
#include "platform/win32/Rect.h"

using namespace platform::detail;

namespace {

bool Contains(const RECT& rect, POINT point) {
  return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

RECT WindowRectOnScreenLocked(const Window& window) {
  RECT rect = window.rect;
  if (window.parent) {
    POINT origin = ClientOriginOnScreen(*Find(window.parent));
    OffsetRect(&rect, origin.x, origin.y);
  }
  return rect;
}

RECT ClientRectLocked(const Window& window) {
  RECT insets = FrameInsets(window.style, window.exStyle);
  LONG width = window.rect.right - window.rect.left - insets.left - insets.right;
  LONG height = window.rect.bottom - window.rect.top - insets.top - insets.bottom;
  return RECT{0, 0, std::max<LONG>(0, width), std::max<LONG>(0, height)};
}

// Invalidates what a window covers in its parent (or nothing at top level, where nothing lies
// beneath but the desktop).
void InvalidateUnderLocked(const Window& window) {
  if (!window.parent) return;
  Window* parent = Find(window.parent);
  InvalidateLocked(*parent, &window.rect, true, ChildRule::None);
  for (HWND sibling : parent->children) {
    if (sibling == window.handle) continue;
    Window* other = Find(sibling);
    RECT overlap;
    if ((other->style & WS_VISIBLE) && IntersectRect(&overlap, &other->rect, &window.rect)) {
      OffsetRect(&overlap, -other->rect.left, -other->rect.top);
      RECT insets = FrameInsets(other->style, other->exStyle);
      OffsetRect(&overlap, -insets.left, -insets.top);
      InvalidateLocked(*other, &overlap, true, ChildRule::All);
    }
  }
}

void PlaceInZOrderLocked(Window& window, HWND insertAfter) {
  auto& siblings = SiblingList(window);
  siblings.erase(std::find(siblings.begin(), siblings.end(), window.handle));
  if (!window.parent && insertAfter == HWND_TOPMOST) window.exStyle |= WS_EX_TOPMOST;
  if (!window.parent && insertAfter == HWND_NOTOPMOST) window.exStyle &= ~WS_EX_TOPMOST;
  auto position = siblings.begin();
  if (insertAfter == HWND_BOTTOM) {
    position = siblings.end();
  } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
    position = siblings.begin();
  } else {
    auto after = std::find(siblings.begin(), siblings.end(), insertAfter);
    position = after == siblings.end() ? siblings.begin() : after + 1;
  }
  if (!window.parent) {
    // Topmost windows stay in front of the others whatever the request.
    bool topmost = (window.exStyle & WS_EX_TOPMOST) != 0;
    auto firstNormal = std::find_if(siblings.begin(), siblings.end(),
                                    [](HWND other) { return !(Find(other)->exStyle & WS_EX_TOPMOST); });
    if (topmost && position > firstNormal) position = firstNormal;
    if (!topmost && position < firstNormal) position = firstNormal;
  }
  siblings.insert(position, window.handle);
}

HWND DeepestChildAtLocked(Window& window, POINT screen, bool skipDisabled,
                          const std::vector<HWND>& passThrough = {}) {
  POINT origin = ClientOriginOnScreen(window);
  POINT local{screen.x - origin.x, screen.y - origin.y};
  for (HWND child : window.children) {
    Window* candidate = Find(child);
    if (!(candidate->style & WS_VISIBLE) || !Contains(candidate->rect, local)) continue;
    if (std::find(passThrough.begin(), passThrough.end(), child) != passThrough.end()) continue;
    if (skipDisabled && (candidate->style & WS_DISABLED)) return window.handle;
    return DeepestChildAtLocked(*candidate, screen, skipDisabled, passThrough);
  }
  return window.handle;
}

// Moves a point by the window's client origin on the screen, `sign` times.
BOOL MoveByClientOrigin(HWND hwnd, POINT* point, int sign) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window || !point) return FALSE;
  POINT origin = ClientOriginOnScreen(*window);
  point->x += sign * origin.x;
  point->y += sign * origin.y;
  return TRUE;
}

}  // namespace

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
  bool moved = false, sized = false, shown = false, hidden = false;
  bool topLevel;
  {
    Lock lock(Global().mutex);
    Window* window = FindLive(hwnd);
    if (!window) return FALSE;
    topLevel = window->parent == nullptr;
    bool wasVisible = (window->style & WS_VISIBLE) != 0;
    RECT next = window->rect;
    if (!(flags & SWP_NOMOVE)) OffsetRect(&next, x - next.left, y - next.top);
    if (!(flags & SWP_NOSIZE)) {
      next.right = next.left + std::max(0, width);
      next.bottom = next.top + std::max(0, height);
    }
    moved = next.left != window->rect.left || next.top != window->rect.top;
    sized = (next.right - next.left) != (window->rect.right - window->rect.left) ||
            (next.bottom - next.top) != (window->rect.bottom - window->rect.top);
    shown = (flags & SWP_SHOWWINDOW) && !wasVisible;
    hidden = (flags & SWP_HIDEWINDOW) && wasVisible;
    if (wasVisible && (moved || sized || hidden)) InvalidateUnderLocked(*window);
    window->rect = next;
    if (!(flags & SWP_NOZORDER)) PlaceInZOrderLocked(*window, insertAfter);
    if (shown) window->style |= WS_VISIBLE;
    if (hidden) window->style &= ~WS_VISIBLE;
    if ((window->style & WS_VISIBLE) && !(flags & SWP_NOREDRAW) &&
        (moved || sized || shown || (flags & SWP_FRAMECHANGED))) {
      InvalidateLocked(*window, nullptr, true, ChildRule::All);
    }
  }
  if (shown) SendMessage(hwnd, WM_SHOWWINDOW, TRUE, 0);
  if (hidden) SendMessage(hwnd, WM_SHOWWINDOW, FALSE, 0);
  if (moved) {
    POINT origin{0, 0};
    MapWindowPoints(hwnd, topLevel ? nullptr : GetParent(hwnd), &origin, 1);
    SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(origin.x), static_cast<WORD>(origin.y)));
  }
  if (sized) {
    RECT client;
    GetClientRect(hwnd, &client);
    SendMessage(hwnd, WM_SIZE, SIZE_RESTORED,
                MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
  }
  if (topLevel && (moved || sized || shown || hidden)) {
    if (auto* presenter = platform::GetPresenter()) presenter->WindowPlaced(hwnd);
  }
  if (hidden) ForgetWindowInInput(hwnd);
  if (shown && topLevel && !(flags & SWP_NOACTIVATE)) SetActiveWindow(hwnd);
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hwnd) { return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL ShowWindow(HWND hwnd, int command) {
  BOOL wasVisible;
  {
    Lock lock(Global().mutex);
    Window* window = FindLive(hwnd);
    if (!window) return FALSE;
    wasVisible = (window->style & WS_VISIBLE) != 0;
  }
  UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
  switch (command) {
    case SW_HIDE:
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, flags | SWP_HIDEWINDOW | SWP_NOACTIVATE);
      break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
    case SW_SHOWMINNOACTIVE:
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, flags | SWP_SHOWWINDOW | SWP_NOACTIVATE);
      break;
    default:
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, flags | SWP_SHOWWINDOW);
      if (wasVisible && !(GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD)) SetActiveWindow(hwnd);
      break;
  }
  return wasVisible;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window || !rect) return FALSE;
  *rect = WindowRectOnScreenLocked(*window);
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window || !rect) return FALSE;
  *rect = ClientRectLocked(*window);
  return TRUE;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL, DWORD exStyle) {
  if (!rect) return FALSE;
  RECT insets = FrameInsets(style, exStyle);
  rect->left -= insets.left;
  rect->top -= insets.top;
  rect->right += insets.right;
  rect->bottom += insets.bottom;
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) { return MoveByClientOrigin(hwnd, point, 1); }

BOOL ScreenToClient(HWND hwnd, POINT* point) { return MoveByClientOrigin(hwnd, point, -1); }

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  Lock lock(Global().mutex);
  POINT fromOrigin{0, 0}, toOrigin{0, 0};
  if (from) {
    Window* window = Find(from);
    if (!window) return 0;
    fromOrigin = ClientOriginOnScreen(*window);
  }
  if (to) {
    Window* window = Find(to);
    if (!window) return 0;
    toOrigin = ClientOriginOnScreen(*window);
  }
  LONG dx = fromOrigin.x - toOrigin.x, dy = fromOrigin.y - toOrigin.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return static_cast<int>(MAKELPARAM(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

HWND WindowFromPoint(POINT point) {
  Lock lock(Global().mutex);
  return WindowFromPointLocked(point);
}

HWND ChildWindowFromPointEx(HWND parent, POINT point, UINT flags) {
  Lock lock(Global().mutex);
  Window* window = Find(parent);
  if (!window) return nullptr;
  if (!Contains(ClientRectLocked(*window), point)) return nullptr;
  for (HWND child : window->children) {
    Window* candidate = Find(child);
    if ((flags & CWP_SKIPINVISIBLE) && !(candidate->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (candidate->style & WS_DISABLED)) continue;
    if (Contains(candidate->rect, point)) return child;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) { return ChildWindowFromPointEx(parent, point, CWP_ALL); }

namespace platform::detail {

HWND WindowFromPointLocked(POINT screen, const std::vector<HWND>& passThrough) {
  for (HWND top : Global().topLevel) {
    Window* window = Find(top);
    if (!(window->style & WS_VISIBLE) || !Contains(window->rect, screen)) continue;
    return DeepestChildAtLocked(*window, screen, true, passThrough);
  }
  return nullptr;
}

LRESULT DefaultHitTest(HWND hwnd, LPARAM lParam) {
  POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window) return HTNOWHERE;
  RECT outer = WindowRectOnScreenLocked(*window);
  if (!Contains(outer, screen)) return HTNOWHERE;
  POINT origin = ClientOriginOnScreen(*window);
  RECT client = ClientRectLocked(*window);
  OffsetRect(&client, origin.x, origin.y);
  if (Contains(client, screen)) return HTCLIENT;
  if ((window->style & WS_VSCROLL) && screen.y >= client.top && screen.y < client.bottom &&
      screen.x >= client.right && screen.x < client.right + GetSystemMetrics(SM_CXVSCROLL))
    return HTVSCROLL;
  if ((window->style & WS_HSCROLL) && screen.x >= client.left && screen.x < client.right &&
      screen.y >= client.bottom && screen.y < client.bottom + GetSystemMetrics(SM_CYHSCROLL))
    return HTHSCROLL;
  if (window->style & WS_THICKFRAME) {
    int frame = GetSystemMetrics(SM_CXFRAME);
    bool left = screen.x < outer.left + frame, right = screen.x >= outer.right - frame;
    bool top = screen.y < outer.top + frame, bottom = screen.y >= outer.bottom - frame;
    if (top && left) return HTTOPLEFT;
    if (top && right) return HTTOPRIGHT;
    if (bottom && left) return HTBOTTOMLEFT;
    if (bottom && right) return HTBOTTOMRIGHT;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
  }
  if ((window->style & WS_CAPTION) == WS_CAPTION && screen.y < client.top) {
    POINT at{screen.x - outer.left, screen.y - outer.top};
    LRESULT button = CaptionButtonAt(window->style, window->exStyle, outer.right - outer.left, at);
    return button != HTNOWHERE ? button : HTCAPTION;
  }
  return HTBORDER;
}

}  // namespace platform::detail
