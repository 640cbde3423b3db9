// Update areas, WM_PAINT generation and validation.
#include "platform/ui/Paint.h"

#include <algorithm>
#include <map>

#include "platform/gdi/DcState.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/SurfaceDc.h"
#include "platform/ui/Presenter.h"
#include "platform/ui/Queue.h"
#include "platform/ui/Window.h"
#include "platform/ui/detail/Retrieval.h"
#include "platform/win32/Rect.h"

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
    if (cut.left == update.left)
      update.left = cut.right;
    else if (cut.right == update.right)
      update.right = cut.left;
  } else if (cut.left == update.left && cut.right == update.right) {
    if (cut.top == update.top)
      update.top = cut.bottom;
    else if (cut.bottom == update.bottom)
      update.bottom = cut.top;
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

RECT ScreenRectLocked(const Window& window, bool clientOnly) {
  RECT rect = window.rect;
  if (window.parent) {
    POINT origin = ClientOriginOnScreen(*Find(window.parent));
    OffsetRect(&rect, origin.x, origin.y);
  }
  if (clientOnly) {
    POINT origin = ClientOriginOnScreen(window);
    RECT client = ClientBoundsLocked(window);
    OffsetRect(&client, origin.x, origin.y);
    return client;
  }
  return rect;
}

// Makes sure the top-level window's surface has the window's size (its old pixels are gone
// with a new size: the window is repainted after a resize anyway).
HBITMAP SurfaceOfLocked(Window& root) {
  LONG width = std::max<LONG>(1, root.rect.right - root.rect.left);
  LONG height = std::max<LONG>(1, root.rect.bottom - root.rect.top);
  const platform::Surface* current = root.surface ? platform::GetBitmapSurface(root.surface) : nullptr;
  if (current && current->width == width && current->height == height) return root.surface;
  if (root.surface) DeleteObject(root.surface);
  root.surface = CreateCompatibleBitmap(nullptr, width, height);
  return root.surface;
}

HDC WindowDC(HWND hwnd, bool clientOnly) {
  using platform::gdi::RegionData;
  Lock lock(Global().mutex);
  Window* window = FindLive(hwnd);
  if (!window) return nullptr;
  Window* root = window;
  while (root->parent) root = Find(root->parent);
  HBITMAP surface = SurfaceOfLocked(*root);
  if (!surface) return nullptr;
  RECT area = ScreenRectLocked(*window, clientOnly);
  for (Window* up = window->parent ? Find(window->parent) : nullptr; up;
       up = up->parent ? Find(up->parent) : nullptr) {
    RECT client = ScreenRectLocked(*up, true);
    IntersectRect(&area, &area, &client);
  }
  RegionData visible(area);
  auto cut = [&](const Window& other) {
    if (other.style & WS_VISIBLE)
      visible = RegionData::Combine(visible, RegionData(ScreenRectLocked(other, false)), RGN_DIFF);
  };
  if (clientOnly && (window->style & WS_CLIPCHILDREN)) {
    for (HWND child : window->children) cut(*Find(child));
  }
  if (window->parent && (window->style & WS_CLIPSIBLINGS)) {
    for (HWND sibling : SiblingList(*window)) {
      if (sibling == hwnd) break;  // the ones before it lie above it
      cut(*Find(sibling));
    }
  }
  visible.Offset(-root->rect.left, -root->rect.top);
  RECT from = ScreenRectLocked(*window, clientOnly);
  POINT origin{from.left - root->rect.left, from.top - root->rect.top};
  return platform::CreateSurfaceDC(surface, origin, visible);
}

// A window that does not clip its children paints over them: each child it reaches paints
// again after it, also one that painted itself (UpdateWindow) while this paint was due.
void RepaintChildrenUnderLocked(const Window& window, const RECT& area) {
  for (HWND child : window.children) {
    Window* under = Find(child);
    RECT reached;
    if ((under->style & WS_VISIBLE) && IntersectRect(&reached, &under->rect, &area))
      InvalidateLocked(*under, nullptr, true, ChildRule::All);
  }
}

// What this thread painted inside a PresentTogether, by top-level window (window coordinates).
struct HeldBack {
  int depth = 0;
  std::map<HWND, RECT> areas;
};
thread_local HeldBack heldBack;

void ShowOnDisplay(platform::Presenter& presenter, HWND root, RECT area) {
  const platform::Surface* pixels;
  {
    Lock lock(Global().mutex);
    Window* top = FindLive(root);
    pixels = top && top->surface ? platform::GetBitmapSurface(top->surface) : nullptr;
  }
  if (!pixels) return;
  RECT bounds{0, 0, pixels->width, pixels->height};
  if (IntersectRect(&area, &area, &bounds)) presenter.WindowPainted(root, *pixels, area);
}

// Shows what was drawn into a window (`clientArea`, or the whole window) on the display. A
// window whose client area was painted whole gets its frame painted and shown too.
void Present(HWND hwnd, const RECT* clientArea) {
  platform::Presenter* presenter = platform::GetPresenter();
  if (!presenter) return;
  HWND root;
  RECT area;
  bool frameDue;
  {
    Lock lock(Global().mutex);
    Window* window = FindLive(hwnd);
    if (!window) return;
    Window* top = window;
    while (top->parent) top = Find(top->parent);
    if (!top->surface) return;
    area = ScreenRectLocked(*window, clientArea != nullptr);
    if (clientArea) {
      RECT client = *clientArea;
      OffsetRect(&client, area.left, area.top);
      IntersectRect(&area, &area, &client);
    }
    RECT client = ClientBoundsLocked(*window);
    RECT whole = ScreenRectLocked(*window, false);
    frameDue = clientArea && EqualRect(clientArea, &client) && !EqualRect(&whole, &area);
    OffsetRect(&area, -top->rect.left, -top->rect.top);
    root = top->handle;
  }
  if (frameDue) {
    platform::detail::PaintFrame(hwnd);  // presents the whole window itself
    return;
  }
  if (heldBack.depth == 0) return ShowOnDisplay(*presenter, root, area);
  auto held = heldBack.areas.emplace(root, area);
  if (!held.second) Unite(&held.first->second, area);
}

}  // namespace

platform::PresentTogether::PresentTogether() { ++heldBack.depth; }

platform::PresentTogether::~PresentTogether() {
  if (--heldBack.depth > 0) return;
  std::map<HWND, RECT> areas;
  areas.swap(heldBack.areas);
  if (platform::Presenter* presenter = platform::GetPresenter())
    for (const auto& [root, area] : areas) ShowOnDisplay(*presenter, root, area);
}

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

void DefaultPaint(HWND hwnd) {
  PAINTSTRUCT paint;
  BeginPaint(hwnd, &paint);
  EndPaint(hwnd, &paint);
}

LRESULT DefaultErase(HWND hwnd, HDC dc) {
  auto brush = reinterpret_cast<HBRUSH>(GetClassLongPtr(hwnd, GCLP_HBRBACKGROUND));
  if (!brush) return 0;
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, brush);
  return 1;
}

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

BOOL UpdateWindow(HWND hwnd) { return RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_NOCHILDREN); }

HDC GetDC(HWND hwnd) {
  if (!hwnd) return platform::CreateSurfaceDC(nullptr, POINT{0, 0}, platform::gdi::RegionData());
  return WindowDC(hwnd, true);
}

HDC GetWindowDC(HWND hwnd) { return hwnd ? WindowDC(hwnd, false) : GetDC(nullptr); }

int ReleaseDC(HWND hwnd, HDC dc) {
  if (!DeleteDC(dc)) return 0;
  if (hwnd) Present(hwnd, nullptr);
  return 1;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
  if (!paint) return nullptr;
  *paint = PAINTSTRUCT{};
  bool erase;
  {
    Lock lock(Global().mutex);
    Window* window = FindLive(hwnd);
    if (!window) return nullptr;
    paint->rcPaint = window->update;
    erase = window->erase;
    SetRectEmpty(&window->update);
    window->erase = false;
    if (!(window->style & WS_CLIPCHILDREN)) RepaintChildrenUnderLocked(*window, paint->rcPaint);
  }
  HDC dc = GetDC(hwnd);
  if (!dc) return nullptr;
  const RECT& area = paint->rcPaint;
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  paint->hdc = dc;
  paint->fErase = erase ? !SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) : FALSE;
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
  if (!paint || !paint->hdc || !DeleteDC(paint->hdc)) return FALSE;
  Present(hwnd, &paint->rcPaint);
  return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  RECT regionBox;
  if (!rect && region && GetRgnBox(region, &regionBox) != RGN_ERROR) rect = &regionBox;
  std::vector<HWND> dirty;
  {
    Lock lock(Global().mutex);
    Window* window = FindLive(hwnd);
    if (!window) return FALSE;
    ChildRule rule = (flags & RDW_ALLCHILDREN)  ? ChildRule::All
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
  // Frames have no update area of their own: they are painted (and shown) at once.
  if ((flags & RDW_FRAME) && (flags & RDW_INVALIDATE) && IsWindowVisible(hwnd))
    platform::detail::PaintFrame(hwnd);
  return TRUE;
}
