// Window classes, creation and destruction, the tree, words, text and properties.
#include "platform/ui/Window.h"

#include <strings.h>
#include <algorithm>
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/ui/Input.h"
#include "platform/ui/Paint.h"
#include "platform/ui/Presenter.h"
#include "platform/ui/Queue.h"
#include "platform/ui/detail/Controls.h"
#include "platform/ui/detail/Retrieval.h"

using namespace platform::detail;

namespace {

bool IsAtom(LPCSTR name) { return reinterpret_cast<ULONG_PTR>(name) <= 0xFFFF; }

std::shared_ptr<WindowClass> FindClassLocked(LPCSTR name) {
  if (!name) return nullptr;
  for (auto& windowClass : Global().classes) {
    if (IsAtom(name) ? windowClass->atom == reinterpret_cast<ULONG_PTR>(name)
                     : strcasecmp(windowClass->name.c_str(), name) == 0) {
      return windowClass;
    }
  }
  return nullptr;
}

void CopyText(const std::string& text, LPSTR buffer, int size, int* copied) {
  *copied = 0;
  if (!buffer || size <= 0) return;
  *copied = static_cast<int>(std::min<std::size_t>(text.size(), static_cast<std::size_t>(size - 1)));
  std::memcpy(buffer, text.data(), static_cast<std::size_t>(*copied));
  buffer[*copied] = '\0';
}

// Top-level windows keep the topmost ones in front of the others.
void InsertTopLevelLocked(HWND hwnd, bool topmost) {
  auto& list = Global().topLevel;
  auto at = list.begin();
  if (!topmost) {
    at = std::find_if(list.begin(), list.end(),
                      [](HWND other) { return !(Find(other)->exStyle & WS_EX_TOPMOST); });
  }
  list.insert(at, hwnd);
}

void CollectSubtree(HWND hwnd, std::vector<HWND>* out) {
  out->push_back(hwnd);
  if (Window* window = Find(hwnd)) {
    for (HWND child : window->children) CollectSubtree(child, out);
  }
}

}  // namespace

ATOM RegisterClass(const WNDCLASS* windowClass) {
  if (!windowClass || !windowClass->lpszClassName || IsAtom(windowClass->lpszClassName)) return 0;
  Lock lock(Global().mutex);
  if (FindClassLocked(windowClass->lpszClassName)) return 0;
  auto entry = std::make_shared<WindowClass>();
  entry->name = windowClass->lpszClassName;
  entry->style = windowClass->style;
  entry->proc = windowClass->lpfnWndProc;
  entry->classExtra = std::max(0, windowClass->cbClsExtra);
  entry->windowExtra = std::max(0, windowClass->cbWndExtra);
  entry->instance = windowClass->hInstance;
  entry->icon = windowClass->hIcon;
  entry->cursor = windowClass->hCursor;
  entry->background = windowClass->hbrBackground;
  entry->extra.assign(static_cast<std::size_t>(entry->classExtra), 0);
  entry->atom = Global().nextAtom++;
  Global().classes.push_back(entry);
  return entry->atom;
}

BOOL UnregisterClass(LPCSTR className, HINSTANCE) {
  Lock lock(Global().mutex);
  auto found = FindClassLocked(className);
  if (!found) return FALSE;
  for (auto& [key, window] : Global().windows) {
    if (window->windowClass == found) return FALSE;  // still in use
  }
  auto& classes = Global().classes;
  classes.erase(std::find(classes.begin(), classes.end(), found));
  return TRUE;
}

BOOL GetClassInfo(HINSTANCE, LPCSTR className, WNDCLASS* windowClass) {
  EnsureStandardClasses();
  Lock lock(Global().mutex);
  auto found = FindClassLocked(className);
  if (!found || !windowClass) return FALSE;
  windowClass->style = found->style;
  windowClass->lpfnWndProc = found->proc;
  windowClass->cbClsExtra = found->classExtra;
  windowClass->cbWndExtra = found->windowExtra;
  windowClass->hInstance = found->instance;
  windowClass->hIcon = found->icon;
  windowClass->hCursor = found->cursor;
  windowClass->hbrBackground = found->background;
  windowClass->lpszMenuName = nullptr;
  windowClass->lpszClassName = found->name.c_str();  // lives as long as the class
  return TRUE;
}

int GetClassName(HWND hwnd, LPSTR buffer, int size) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  int copied = 0;
  if (window) CopyText(window->windowClass->name, buffer, size, &copied);
  return copied;
}

HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menuOrId, HINSTANCE instance, LPVOID param) {
  EnsureStandardClasses();
  auto queue = CurrentQueue();
  HWND hwnd;
  {
    Lock lock(Global().mutex);
    auto windowClass = FindClassLocked(className);
    if (!windowClass) return nullptr;
    Window* parentWindow = parent ? FindLive(parent) : nullptr;
    if (parent && !parentWindow) return nullptr;
    bool child = (style & WS_CHILD) != 0;
    if (child && !parentWindow) return nullptr;
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = child ? 0 : 640;
    if (width == CW_USEDEFAULT || height == CW_USEDEFAULT) height = child ? 0 : 480;

    auto window = std::make_unique<Window>();
    hwnd = reinterpret_cast<HWND>(Global().nextHandle);
    Global().nextHandle += 4;
    window->handle = hwnd;
    window->windowClass = windowClass;
    window->thread = queue;
    window->proc = windowClass->proc;
    window->instance = instance;
    window->text = windowName ? windowName : "";
    window->style = style & ~WS_VISIBLE;  // shown once created, as the platform does
    window->exStyle = exStyle;
    window->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
    window->extra.assign(static_cast<std::size_t>(windowClass->windowExtra), 0);
    if (child) {
      window->parent = parent;
      window->id = reinterpret_cast<LONG_PTR>(menuOrId);
      parentWindow->children.insert(parentWindow->children.begin(), hwnd);
    } else {
      // The owner of a top-level window is always a top-level window.
      HWND owner = parent;
      while (owner && Find(owner)->parent) owner = Find(owner)->parent;
      window->owner = owner;
    }
    Global().windows.emplace(reinterpret_cast<std::uintptr_t>(hwnd), std::move(window));
    if (!child) InsertTopLevelLocked(hwnd, (exStyle & WS_EX_TOPMOST) != 0);
  }

  CREATESTRUCT create{param,      instance,  menuOrId, parent, height, width, y, x, static_cast<LONG>(style),
                      windowName, className, exStyle};
  LPARAM createParam = reinterpret_cast<LPARAM>(&create);
  if (!SendMessage(hwnd, WM_NCCREATE, 0, createParam) || SendMessage(hwnd, WM_CREATE, 0, createParam) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;  // destroyed itself while being created
  RECT client;
  GetClientRect(hwnd, &client);
  SendMessage(hwnd, WM_SIZE, SIZE_RESTORED,
              MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
  POINT origin{0, 0};
  MapWindowPoints(hwnd, parent && (style & WS_CHILD) ? parent : nullptr, &origin, 1);
  SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(origin.x), static_cast<WORD>(origin.y)));
  if ((style & WS_VISIBLE) && IsWindow(hwnd)) ShowWindow(hwnd, SW_SHOW);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  std::vector<HWND> subtree;
  std::vector<HWND> owned;
  bool topLevel;
  {
    Lock lock(Global().mutex);
    Window* window = FindLive(hwnd);
    if (!window) return FALSE;
    topLevel = !window->parent;
    for (HWND top : Global().topLevel) {
      if (Find(top)->owner == hwnd) owned.push_back(top);
    }
  }
  for (HWND popup : owned) DestroyWindow(popup);
  {
    Lock lock(Global().mutex);
    if (!FindLive(hwnd)) return FALSE;
  }
  if (IsWindowVisible(hwnd)) {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ForgetWindowInInput(hwnd);
  {
    Lock lock(Global().mutex);
    CollectSubtree(hwnd, &subtree);
    for (HWND each : subtree) Find(each)->destroying = true;
  }
  // WM_DESTROY goes to the parent before its children, WM_NCDESTROY the other way round.
  for (HWND each : subtree) SendMessage(each, WM_DESTROY, 0, 0);
  for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) SendMessage(*it, WM_NCDESTROY, 0, 0);
  if (auto* presenter = platform::GetPresenter(); presenter && topLevel) {
    presenter->WindowDestroyed(hwnd);
  }

  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  auto& siblings = SiblingList(*window);
  siblings.erase(std::find(siblings.begin(), siblings.end(), hwnd));
  for (HWND each : subtree) {
    Window* dying = Find(each);
    if (dying->surface) DeleteObject(dying->surface);
    DropTimersLocked(*dying->thread, each);
    Global().windows.erase(reinterpret_cast<std::uintptr_t>(each));
  }
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  Lock lock(Global().mutex);
  return Find(hwnd) != nullptr;
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(hwnd, message, wParam, lParam) : DefWindowProc(hwnd, message, wParam, lParam);
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window) return 0;
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(window->proc);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(window->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(window->parent ? window->parent : window->owner);
    case GWL_STYLE:
      return static_cast<LONG_PTR>(window->style);
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(window->exStyle);
    case GWLP_USERDATA:
      return window->userData;
    case GWLP_ID:
      return window->id;
    default:
      if (index >= 0 && static_cast<std::size_t>(index) + sizeof(LONG_PTR) <= window->extra.size()) {
        LONG_PTR value;
        std::memcpy(&value, window->extra.data() + index, sizeof value);
        return value;
      }
      return 0;
  }
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  LONG_PTR previous = 0;
  bool styleChanged = false;
  {
    Lock lock(Global().mutex);
    Window* window = Find(hwnd);
    if (!window) return 0;
    switch (index) {
      case GWLP_WNDPROC:
        previous = reinterpret_cast<LONG_PTR>(window->proc);
        window->proc = reinterpret_cast<WNDPROC>(value);
        break;
      case GWLP_HINSTANCE:
        previous = reinterpret_cast<LONG_PTR>(window->instance);
        window->instance = reinterpret_cast<HINSTANCE>(value);
        break;
      case GWL_STYLE:
        previous = static_cast<LONG_PTR>(window->style);
        window->style = static_cast<DWORD>(value);
        styleChanged = true;
        break;
      case GWL_EXSTYLE:
        previous = static_cast<LONG_PTR>(window->exStyle);
        window->exStyle = static_cast<DWORD>(value);
        styleChanged = true;
        break;
      case GWLP_USERDATA:
        previous = window->userData;
        window->userData = value;
        break;
      case GWLP_ID:
        previous = window->id;
        window->id = value;
        break;
      default:
        if (index >= 0 && static_cast<std::size_t>(index) + sizeof(LONG_PTR) <= window->extra.size()) {
          std::memcpy(&previous, window->extra.data() + index, sizeof previous);
          std::memcpy(window->extra.data() + index, &value, sizeof value);
        }
        break;
    }
  }
  if (styleChanged) SendMessage(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(index), 0);
  return previous;
}

ULONG_PTR GetClassLongPtr(HWND hwnd, int index) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window) return 0;
  const WindowClass& windowClass = *window->windowClass;
  switch (index) {
    case GCLP_HBRBACKGROUND:
      return reinterpret_cast<ULONG_PTR>(windowClass.background);
    case GCLP_HCURSOR:
      return reinterpret_cast<ULONG_PTR>(windowClass.cursor);
    case GCL_STYLE:
      return windowClass.style;
    default:
      return 0;
  }
}

ULONG_PTR SetClassLongPtr(HWND hwnd, int index, LONG_PTR value) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window) return 0;
  WindowClass& windowClass = *window->windowClass;
  ULONG_PTR previous = 0;
  switch (index) {
    case GCLP_HBRBACKGROUND:
      previous = reinterpret_cast<ULONG_PTR>(windowClass.background);
      windowClass.background = reinterpret_cast<HBRUSH>(value);
      break;
    case GCLP_HCURSOR:
      previous = reinterpret_cast<ULONG_PTR>(windowClass.cursor);
      windowClass.cursor = reinterpret_cast<HCURSOR>(value);
      break;
    case GCL_STYLE:
      previous = windowClass.style;
      windowClass.style = static_cast<UINT>(value);
      break;
    default:
      break;
  }
  return previous;
}

HWND GetParent(HWND hwnd) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window) return nullptr;
  return window->parent ? window->parent : window->owner;
}

HWND SetParent(HWND child, HWND newParent) {
  Lock lock(Global().mutex);
  Window* window = FindLive(child);
  Window* parentWindow = newParent ? FindLive(newParent) : nullptr;
  if (!window || (newParent && !parentWindow)) return nullptr;
  for (HWND up = newParent; up; up = Find(up)->parent) {
    if (up == child) return nullptr;  // would make a cycle
  }
  HWND previous = window->parent;
  auto& oldList = SiblingList(*window);
  oldList.erase(std::find(oldList.begin(), oldList.end(), child));
  window->parent = newParent;
  if (newParent) {
    parentWindow->children.insert(parentWindow->children.begin(), child);
  } else {
    InsertTopLevelLocked(child, (window->exStyle & WS_EX_TOPMOST) != 0);
  }
  return previous;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window) return nullptr;
  switch (flags) {
    case GA_PARENT:
      return window->parent;
    case GA_ROOT:
      while (window->parent) window = Find(window->parent);
      return window->handle;
    case GA_ROOTOWNER:
      for (;;) {
        while (window->parent) window = Find(window->parent);
        if (!window->owner) return window->handle;
        window = Find(window->owner);
      }
    default:
      return nullptr;
  }
}

HWND GetWindow(HWND hwnd, UINT command) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window) return nullptr;
  if (command == GW_OWNER) return window->owner;
  if (command == GW_CHILD) return window->children.empty() ? nullptr : window->children.front();
  const auto& siblings = SiblingList(*window);
  auto at = std::find(siblings.begin(), siblings.end(), hwnd);
  switch (command) {
    case GW_HWNDFIRST:
      return siblings.front();
    case GW_HWNDLAST:
      return siblings.back();
    case GW_HWNDNEXT:
      return at + 1 == siblings.end() ? nullptr : *(at + 1);
    case GW_HWNDPREV:
      return at == siblings.begin() ? nullptr : *(at - 1);
    default:
      return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  if (hwnd) return GetWindow(hwnd, GW_CHILD);
  Lock lock(Global().mutex);
  return Global().topLevel.empty() ? nullptr : Global().topLevel.front();
}

HWND GetDesktopWindow() { return nullptr; }

BOOL IsChild(HWND parent, HWND hwnd) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  while (window && window->parent) {
    if (window->parent == parent) return TRUE;
    window = Find(window->parent);
  }
  return FALSE;
}

HWND GetDlgItem(HWND dialog, int id) {
  Lock lock(Global().mutex);
  Window* window = Find(dialog);
  if (!window) return nullptr;
  for (HWND child : window->children) {
    if (Find(child)->id == id) return child;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  return window && window->parent ? static_cast<int>(window->id) : 0;
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM lParam) {
  std::vector<HWND> all;
  {
    Lock lock(Global().mutex);
    Window* window = Find(parent);
    if (!window) return FALSE;
    for (HWND child : window->children) CollectSubtree(child, &all);
  }
  for (HWND each : all) {
    if (IsWindow(each) && !callback(each, lParam)) break;
  }
  return TRUE;
}

HWND FindWindow(LPCSTR className, LPCSTR windowName) {
  Lock lock(Global().mutex);
  for (HWND top : Global().topLevel) {
    Window* window = Find(top);
    if (className && strcasecmp(window->windowClass->name.c_str(), className) != 0) continue;
    if (windowName && window->text != windowName) continue;
    return top;
  }
  return nullptr;
}

BOOL SetWindowText(HWND hwnd, LPCSTR text) {
  return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) != 0;
}

int GetWindowText(HWND hwnd, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  return static_cast<int>(
      SendMessage(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLength(HWND hwnd) { return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0)); }

BOOL SetProp(HWND hwnd, LPCSTR name, HANDLE data) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window || !name) return FALSE;
  window->props[name] = data;
  return TRUE;
}

HANDLE GetProp(HWND hwnd, LPCSTR name) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window || !name) return nullptr;
  auto it = window->props.find(name);
  return it == window->props.end() ? nullptr : it->second;
}

HANDLE RemoveProp(HWND hwnd, LPCSTR name) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  if (!window || !name) return nullptr;
  auto it = window->props.find(name);
  if (it == window->props.end()) return nullptr;
  HANDLE data = it->second;
  window->props.erase(it);
  return data;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  bool wasDisabled;
  {
    Lock lock(Global().mutex);
    Window* window = FindLive(hwnd);
    if (!window) return FALSE;
    wasDisabled = (window->style & WS_DISABLED) != 0;
    if (wasDisabled == !enable) return wasDisabled;
    if (enable) {
      window->style &= ~WS_DISABLED;
    } else {
      window->style |= WS_DISABLED;
    }
  }
  if (!enable) {
    // A disabled window can hold neither the focus nor the capture.
    if (GetFocus() == hwnd || IsChild(hwnd, GetFocus())) SetFocus(nullptr);
    if (GetCapture() == hwnd) ReleaseCapture();
  }
  SendMessage(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  return window && !(window->style & WS_DISABLED);
}

BOOL IsWindowVisible(HWND hwnd) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  return window && VisibleChain(*window);
}

BOOL IsIconic(HWND hwnd) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  return window && (window->style & WS_MINIMIZE);
}

BOOL IsZoomed(HWND hwnd) {
  Lock lock(Global().mutex);
  Window* window = Find(hwnd);
  return window && (window->style & WS_MAXIMIZE);
}

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      return TRUE;
    case WM_SETTEXT: {
      bool captionShown, topLevel;
      {
        Lock lock(Global().mutex);
        Window* window = Find(hwnd);
        if (!window) return FALSE;
        window->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        captionShown = (window->style & WS_CAPTION) == WS_CAPTION && VisibleChain(*window);
        topLevel = window->parent == nullptr;
      }
      // The caption shows the new title at once, on the display's title too.
      if (captionShown) {
        platform::detail::PaintFrame(hwnd);
        if (auto* presenter = platform::GetPresenter(); presenter && topLevel) presenter->WindowPlaced(hwnd);
      }
      return TRUE;
    }
    case WM_GETTEXT: {
      Lock lock(Global().mutex);
      Window* window = Find(hwnd);
      int copied = 0;
      if (window) CopyText(window->text, reinterpret_cast<LPSTR>(lParam), static_cast<int>(wParam), &copied);
      return copied;
    }
    case WM_GETTEXTLENGTH: {
      Lock lock(Global().mutex);
      Window* window = Find(hwnd);
      return window ? static_cast<LRESULT>(window->text.size()) : 0;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessage(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_SYSKEYDOWN:
      if (static_cast<int>(wParam) == VK_F4)
        SendMessage(GetAncestor(hwnd, GA_ROOT), WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_PAINT:
      DefaultPaint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return DefaultErase(hwnd, reinterpret_cast<HDC>(wParam));
    case WM_NCHITTEST:
      return DefaultHitTest(hwnd, lParam);
    case WM_SETCURSOR:
      return DefaultSetCursor(hwnd, wParam, lParam);
    case WM_MOUSEACTIVATE: {
      HWND parent = GetParent(hwnd);
      if (parent && (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD)) {
        LRESULT answer = SendMessage(parent, message, wParam, lParam);
        if (answer) return answer;
      }
      return MA_ACTIVATE;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(hwnd)) SetFocus(hwnd);
      return 0;
    case WM_NCACTIVATE:
      if (IsWindowVisible(hwnd)) PaintFrame(hwnd);  // the caption's colour follows the activation
      return TRUE;
    case WM_NCLBUTTONDOWN:
      DefaultNonClientPress(hwnd, wParam, lParam);
      return 0;
    case WM_MOUSEWHEEL: {
      // Unhandled wheel turns travel up to the parent.
      HWND parent = GetParent(hwnd);
      if (parent && (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD)) {
        return SendMessage(parent, message, wParam, lParam);
      }
      return 0;
    }
    case WM_CONTEXTMENU: {
      HWND parent = GetParent(hwnd);
      if (parent && (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD)) {
        SendMessage(parent, message, wParam, lParam);
      }
      return 0;
    }
    case WM_RBUTTONUP: {
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, &at);
      SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), platform::PointToLParam(at));
      return 0;
    }
    case WM_GETMINMAXINFO:
      return 0;
    default:
      return 0;
  }
}
