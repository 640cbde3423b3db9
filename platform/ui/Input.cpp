// The key-state table, the cursor, and raw input: injected events and what they become.
#include "platform/ui/Input.h"

#include <array>
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "platform/ui/Metrics.h"
#include "platform/ui/Presenter.h"
#include "platform/ui/Queue.h"
#include "platform/ui/Window.h"
#include "platform/ui/detail/Retrieval.h"
#include "platform/win32/Clock.h"

using namespace platform::detail;

namespace {

constexpr BYTE kDown = 0x80;
constexpr BYTE kToggled = 0x01;

// The table GetKeyState reads moves with retrieved messages; the asynchronous one with the
// events themselves. Both are read without the window system's lock.
struct KeyTables {
  std::array<std::atomic<BYTE>, 256> synchronous{};
  std::array<std::atomic<BYTE>, 256> asynchronous{};
  std::atomic<LONG> cursorX{0};
  std::atomic<LONG> cursorY{0};
  std::atomic<HCURSOR> cursor{nullptr};
};

KeyTables& Keys() {
  static KeyTables* tables = new KeyTables;
  return *tables;
}

void Press(std::array<std::atomic<BYTE>, 256>& table, int key, bool down) {
  auto& entry = table[static_cast<std::size_t>(key & 0xFF)];
  BYTE value = entry.load();
  if (down) {
    value = static_cast<BYTE>((value & kDown) ? value : ((value ^ kToggled) | kDown));
  } else {
    value = static_cast<BYTE>(value & ~kDown);
  }
  entry.store(value);
}

struct CursorTable {
  std::mutex mutex;
  std::map<std::pair<HINSTANCE, std::string>, std::uintptr_t> handles;
};

CursorTable& Cursors() {
  static CursorTable* table = new CursorTable;
  return *table;
}

bool AsyncDown(int key) { return (Keys().asynchronous[static_cast<std::size_t>(key)].load() & kDown) != 0; }

WPARAM MouseKeyFlags() {
  WPARAM flags = 0;
  if (AsyncDown(VK_LBUTTON)) flags |= MK_LBUTTON;
  if (AsyncDown(VK_RBUTTON)) flags |= MK_RBUTTON;
  if (AsyncDown(VK_MBUTTON)) flags |= MK_MBUTTON;
  if (AsyncDown(VK_SHIFT)) flags |= MK_SHIFT;
  if (AsyncDown(VK_CONTROL)) flags |= MK_CONTROL;
  return flags;
}

bool IsMouse(UINT message) { return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST; }

int ButtonKey(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      return VK_LBUTTON;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      return VK_RBUTTON;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      return VK_MBUTTON;
    default:
      return 0;
  }
}

// A window takes the mouse only while it and the windows it lies in are enabled: the controls
// of a dialog that a modal box disabled take no clicks.
bool TakesMouse(HWND hwnd) {
  for (HWND at = hwnd; at; at = (GetWindowLongPtr(at, GWL_STYLE) & WS_CHILD) ? GetParent(at) : nullptr) {
    if (!IsWindowEnabled(at)) return false;
  }
  return true;
}

bool IsPress(UINT message) {
  return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

UINT DownMessage(platform::MouseButton button) {
  switch (button) {
    case platform::MouseButton::Right:
      return WM_RBUTTONDOWN;
    case platform::MouseButton::Middle:
      return WM_MBUTTONDOWN;
    default:
      return WM_LBUTTONDOWN;
  }
}

HWND KeyboardTargetLocked() {
  if (Global().focus) return Global().focus;
  return Global().active;
}

// Raw events queue at the thread that owns the window they will most likely reach.
void Inject(const InputEvent& input) {
  auto fallback = CurrentQueue();
  Lock lock(Global().mutex);
  InputTarget target = ResolveInputLocked(input);
  Window* window = target.hwnd ? Find(target.hwnd) : nullptr;
  PostEntry(window ? window->thread : fallback, QueueEntry{true, {}, input});
}

void InjectMouse(UINT message, POINT screen, int wheelDelta, bool doubleClick) {
  Keys().cursorX.store(screen.x);
  Keys().cursorY.store(screen.y);
  if (int key = ButtonKey(message)) Press(Keys().asynchronous, key, IsPress(message));
  Inject(InputEvent{message, screen, MouseKeyFlags(), wheelDelta, doubleClick});
}

void InjectKey(UINT message, int key) {
  if (message != WM_CHAR) {
    Press(Keys().asynchronous, key, message == WM_KEYDOWN);
    // Keys with Alt (and Alt itself) are the system's, unless Ctrl makes them a character.
    if ((key == VK_MENU || AsyncDown(VK_MENU)) && !AsyncDown(VK_CONTROL))
      message = message == WM_KEYDOWN ? WM_SYSKEYDOWN : WM_SYSKEYUP;
  }
  POINT cursor{Keys().cursorX.load(), Keys().cursorY.load()};
  Inject(InputEvent{message, cursor, static_cast<WPARAM>(key), 0, false});
}

POINT ToClientLocked(HWND hwnd, POINT screen) {
  POINT origin = ClientOriginOnScreen(*Find(hwnd));
  return POINT{screen.x - origin.x, screen.y - origin.y};
}

UINT ClientMessageFor(const InputEvent& input, HWND hwnd) {
  if (!input.doubleClick || !IsPress(input.message)) return input.message;
  Window* window = Find(hwnd);
  return window && (window->windowClass->style & CS_DBLCLKS) ? input.message + 2 : input.message;
}

}  // namespace

SHORT GetKeyState(int virtualKey) {
  BYTE value = Keys().synchronous[static_cast<std::size_t>(virtualKey & 0xFF)].load();
  return static_cast<SHORT>(((value & kDown) ? 0xFF80 : 0) | (value & kToggled));
}

SHORT GetAsyncKeyState(int virtualKey) {
  return AsyncDown(virtualKey & 0xFF) ? static_cast<SHORT>(0x8000) : 0;
}

BOOL GetCursorPos(POINT* point) {
  if (!point) return FALSE;
  *point = POINT{Keys().cursorX.load(), Keys().cursorY.load()};
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  // Moving the pointer is an input event of its own: windows see the move.
  InjectMouse(WM_MOUSEMOVE, POINT{x, y}, 0, false);
  if (auto* presenter = platform::GetPresenter()) presenter->CursorMoved(POINT{x, y});
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR previous = Keys().cursor.exchange(cursor);
  if (auto* presenter = platform::GetPresenter(); presenter && previous != cursor) {
    presenter->CursorSet(cursor);
  }
  return previous;
}

HCURSOR GetCursor() { return Keys().cursor.load(); }

HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name) {
  if (!name) return nullptr;
  if (!FindResource(instance, name, RT_CURSOR) && instance) return nullptr;
  std::string key = reinterpret_cast<ULONG_PTR>(name) <= 0xFFFF
                        ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name))
                        : std::string(name);
  CursorTable& table = Cursors();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto [it, added] = table.handles.emplace(std::make_pair(instance, key), table.handles.size() + 1);
  return reinterpret_cast<HCURSOR>(it->second * 16);
}

namespace platform {

void MouseMove(POINT screen) { InjectMouse(WM_MOUSEMOVE, screen, 0, false); }

void MouseDown(MouseButton button, POINT screen, bool doubleClick) {
  InjectMouse(DownMessage(button), screen, 0, doubleClick);
}

void MouseUp(MouseButton button, POINT screen) { InjectMouse(DownMessage(button) + 1, screen, 0, false); }

void Click(POINT screen, MouseButton button) {
  MouseMove(screen);
  MouseDown(button, screen);
  MouseUp(button, screen);
}

void DoubleClick(POINT screen, MouseButton button) {
  Click(screen, button);
  MouseDown(button, screen, true);
  MouseUp(button, screen);
}

void Drag(const std::vector<POINT>& path, MouseButton button) {
  if (path.empty()) return;
  MouseMove(path.front());
  MouseDown(button, path.front());
  for (std::size_t i = 1; i < path.size(); ++i) MouseMove(path[i]);
  MouseUp(button, path.back());
}

void Wheel(POINT screen, int delta) {
  Keys().cursorX.store(screen.x);
  Keys().cursorY.store(screen.y);
  InjectMouse(WM_MOUSEWHEEL, screen, delta, false);
}

void KeyDown(int virtualKey) { InjectKey(WM_KEYDOWN, virtualKey); }

void KeyUp(int virtualKey) { InjectKey(WM_KEYUP, virtualKey); }

void Char(char character) { InjectKey(WM_CHAR, static_cast<unsigned char>(character)); }

void Key(int virtualKey) {
  KeyDown(virtualKey);
  KeyUp(virtualKey);
}

void TypeText(const char* text) {
  for (; text && *text; ++text) Char(*text);
}

POINT ClientPoint(HWND hwnd, int x, int y) {
  POINT point{x, y};
  ClientToScreen(hwnd, &point);
  return point;
}

POINT CentreOf(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  return ClientPoint(hwnd, client.right / 2, client.bottom / 2);
}

void ResetInputState() {
  for (auto& entry : Keys().synchronous) entry.store(0);
  for (auto& entry : Keys().asynchronous) entry.store(0);
  Keys().cursorX.store(0);
  Keys().cursorY.store(0);
  Keys().cursor.store(nullptr);
  Lock lock(Global().mutex);
  Global().focus = Global().capture = Global().active = nullptr;
}

}  // namespace platform

namespace platform::detail {

int StandardCursorName(HCURSOR cursor) {
  CursorTable& table = Cursors();
  std::lock_guard<std::mutex> lock(table.mutex);
  for (const auto& [key, index] : table.handles) {
    if (reinterpret_cast<HCURSOR>(index * 16) == cursor && !key.first && key.second[0] == '#') {
      return std::stoi(key.second.substr(1));
    }
  }
  return 0;
}

InputTarget ResolveInputLocked(const InputEvent& input) {
  if (!IsMouse(input.message)) return InputTarget{KeyboardTargetLocked(), input.message};
  if (input.message == WM_MOUSEWHEEL) {
    HWND target = Global().capture ? Global().capture : KeyboardTargetLocked();
    return InputTarget{target, WM_MOUSEWHEEL};
  }
  HWND target = Global().capture ? Global().capture : WindowFromPointLocked(input.screen);
  return InputTarget{target, target ? ClientMessageFor(input, target) : input.message};
}

MSG PreviewInputLocked(const InputEvent& input, const InputTarget& target) {
  MSG msg{target.hwnd, target.message, input.keyFlags, 0, 0, input.screen};
  if (input.message == WM_MOUSEWHEEL) {
    msg.wParam = MAKEWPARAM(static_cast<WORD>(input.keyFlags), static_cast<WORD>(input.wheelDelta));
    msg.lParam = MAKELPARAM(static_cast<WORD>(input.screen.x), static_cast<WORD>(input.screen.y));
  } else if (IsMouse(input.message)) {
    POINT client = ToClientLocked(target.hwnd, input.screen);
    msg.lParam = MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y));
  } else {
    bool up = input.message == WM_KEYUP || input.message == WM_SYSKEYUP;
    bool alt = input.message == WM_SYSKEYDOWN || input.message == WM_SYSKEYUP;
    msg.lParam = static_cast<LPARAM>((up ? 0xC0000001u : 1u) | (alt ? 0x20000000u : 0u));
  }
  return msg;
}

MSG DeliverInput(const InputEvent& input) {
  if (int key = ButtonKey(input.message)) {
    Press(Keys().synchronous, key, IsPress(input.message));
  } else if (input.message == WM_KEYDOWN || input.message == WM_KEYUP || input.message == WM_SYSKEYDOWN ||
             input.message == WM_SYSKEYUP) {
    Press(Keys().synchronous, static_cast<int>(input.keyFlags),
          input.message == WM_KEYDOWN || input.message == WM_SYSKEYDOWN);
  }
  InputTarget target;
  bool captured;
  {
    Lock lock(Global().mutex);
    target = ResolveInputLocked(input);
    captured = Global().capture != nullptr;
  }
  MSG none{};
  if (!target.hwnd || !IsWindow(target.hwnd)) return none;
  if (!IsMouse(input.message) || input.message == WM_MOUSEWHEEL || captured) {
    Lock lock(Global().mutex);
    if (!FindLive(target.hwnd)) return none;
    MSG msg = PreviewInputLocked(input, target);
    msg.time = GetTickCount();
    return msg;
  }

  LPARAM screen = MAKELPARAM(static_cast<WORD>(input.screen.x), static_cast<WORD>(input.screen.y));
  LRESULT hit = SendMessage(target.hwnd, WM_NCHITTEST, 0, screen);
  // A window that answers HTTRANSPARENT (a group box) passes the mouse to the window beneath.
  std::vector<HWND> passThrough;
  while (hit == HTTRANSPARENT && passThrough.size() < 16) {
    passThrough.push_back(target.hwnd);
    {
      Lock lock(Global().mutex);
      HWND beneath = WindowFromPointLocked(input.screen, passThrough);
      if (!beneath || beneath == target.hwnd) break;
      target = InputTarget{beneath, ClientMessageFor(input, beneath)};
    }
    hit = SendMessage(target.hwnd, WM_NCHITTEST, 0, screen);
  }
  if (!TakesMouse(target.hwnd)) return none;
  if (IsPress(input.message)) {
    HWND top = GetAncestor(target.hwnd, GA_ROOT);
    if (top && GetActiveWindow() != top) {
      LRESULT answer = SendMessage(target.hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                                   MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(input.message)));
      if (answer != MA_NOACTIVATE) SetActiveWindow(top);
    }
  }
  SendMessage(target.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(target.hwnd),
              MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(input.message)));
  Lock lock(Global().mutex);
  if (!FindLive(target.hwnd)) return none;
  MSG msg = PreviewInputLocked(input, target);
  msg.time = GetTickCount();
  if (hit != HTCLIENT) {
    // Presses on the frame: the non-client message of the same kind, with the hit-test code.
    msg.message = target.message - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
    msg.wParam = static_cast<WPARAM>(hit);
    msg.lParam = screen;
  }
  return msg;
}

LRESULT DefaultSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  HWND parent = GetParent(hwnd);
  if (parent && (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD) &&
      SendMessage(parent, WM_SETCURSOR, wParam, lParam)) {
    return TRUE;
  }
  if (LOWORD(lParam) == HTCLIENT) {
    auto cursor = reinterpret_cast<HCURSOR>(GetClassLongPtr(hwnd, GCLP_HCURSOR));
    if (cursor) SetCursor(cursor);
  }
  return FALSE;
}

}  // namespace platform::detail
