// The X11 presenter. Each shown top-level window is an X window whose background is a server
// pixmap holding its pixels, so the server repaints uncovered parts by itself and a paint is
// one image upload of the painted rectangle. One reader thread waits on the connection and a
// wake-up counter (no polling loop) and turns the display's events into the platform's input;
// the window system's own threads keep waiting on their queues, so timers and posts from other
// threads go on as before. Every Xlib call is made under one mutex; the window system is never
// called while it is held.
#include "platform/ui/x11/LiveDisplay.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/gdi/Display.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Input.h"
#include "platform/ui/Presenter.h"
#include "platform/ui/Queue.h"
#include "platform/ui/Window.h"
#include "platform/ui/x11/DoubleClicks.h"
#include "platform/ui/x11/Keys.h"
#include "platform/ui/x11/WorkArea.h"
#include "platform/win32/CodePage.h"

// Last: the X headers define macros (None, Bool, Status) that our headers must not see.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>

namespace platform::x11 {

namespace {

std::atomic<int> errorCount{0};

int ReportError(Display* display, XErrorEvent* error) {
  char text[256];
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "X11 error: %s (request %d)\n", text, static_cast<int>(error->request_code));
  errorCount.fetch_add(1);
  return 0;
}

unsigned CursorShapeOf(int standardName) {
  switch (standardName) {
    case 32513:
      return XC_xterm;
    case 32514:
      return XC_watch;
    case 32515:
      return XC_crosshair;
    case 32642:
      return XC_bottom_right_corner;
    case 32643:
      return XC_bottom_left_corner;
    case 32644:
      return XC_sb_h_double_arrow;
    case 32645:
      return XC_sb_v_double_arrow;
    case 32646:
      return XC_fleur;
    case 32648:
      return XC_X_cursor;
    case 32649:
      return XC_hand2;
    default:
      return XC_left_ptr;
  }
}

bool IsFocusChange(const XFocusChangeEvent& event) {
  return (event.mode == NotifyNormal || event.mode == NotifyWhileGrabbed) && event.detail != NotifyInferior &&
         event.detail != NotifyPointer && event.detail != NotifyPointerRoot &&
         event.detail != NotifyDetailNone;
}

// The values of a CARDINAL property of the window, up to `most` of them.
std::vector<long> CardinalsOf(Display* display, ::Window window, const char* name, long most) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<long> values;
  if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, most, False, XA_CARDINAL,
                         &type, &format, &count, &after, &data) == Success &&
      type == XA_CARDINAL && format == 32 && data)
    values.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
  if (data) XFree(data);
  return values;
}

// Dialogs centre on, and popups keep to, what the user sees: the screen less the window
// manager's panels.
void TakeMonitorFrom(Display* display, int screen) {
  const ::Window root = RootWindow(display, screen);
  const std::vector<long> desktop = CardinalsOf(display, root, "_NET_CURRENT_DESKTOP", 1);
  const std::vector<long> areas = CardinalsOf(display, root, "_NET_WORKAREA", 1024);
  const int width = DisplayWidth(display, screen), height = DisplayHeight(display, screen);
  SetMonitor(width, height,
             WorkAreaOf(width, height, areas.data(), areas.size(), desktop.empty() ? 0 : desktop[0]));
}

constexpr long kEvents = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                         PointerMotionMask | EnterWindowMask | LeaveWindowMask | FocusChangeMask;

}  // namespace

struct LiveDisplay::Impl final : Presenter {
  struct Shown {
    ::Window window = 0;
    Pixmap pixmap = 0;
    int width = 0;
    int height = 0;
    bool mapped = false;
  };
  using Action = std::function<void()>;

  Display* display = nullptr;
  Visual* visual = nullptr;
  ::Window root = 0;
  GC gc = nullptr;
  Atom protocols = 0;
  Atom deleteWindow = 0;
  Atom motifHints = 0;
  int wakeFd = -1;
  std::atomic<bool> stopping{false};
  std::atomic<bool> readerDone{false};
  bool tookMonitor = false;
  std::thread reader;

  mutable std::mutex mutex;  // Xlib and everything below
  std::map<HWND, Shown> shown;
  std::map<unsigned, Cursor> cursors;
  Cursor cursor = 0;
  DoubleClicks doubleClicks;
  bool keyboardHeld = false;

  void Wake() const {
    std::uint64_t one = 1;
    ssize_t written = write(wakeFd, &one, sizeof one);
    (void)written;  // a full counter wakes the reader as well
  }

  // Sends what is buffered; events that Xlib read meanwhile wake the reader.
  void FlushLocked() const {
    XFlush(display);
    if (XQLength(display) > 0) Wake();
  }

  Pixmap NewPixmapLocked(int width, int height) {
    Pixmap pixmap = XCreatePixmap(display, root, static_cast<unsigned>(width), static_cast<unsigned>(height),
                                  24);
    XSetForeground(display, gc, 0xC0C0C0);
    XFillRectangle(display, pixmap, gc, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    return pixmap;
  }

  void CreateLocked(Shown& entry, HWND top, const RECT& rect, DWORD style, const char* title, HWND owner) {
    entry.width = std::max<int>(1, rect.right - rect.left);
    entry.height = std::max<int>(1, rect.bottom - rect.top);
    entry.pixmap = NewPixmapLocked(entry.width, entry.height);
    XSetWindowAttributes attributes{};
    // Tooltips, drop-downs and other popups without a caption stay out of the window manager.
    attributes.override_redirect = (style & WS_POPUP) && (style & WS_CAPTION) != WS_CAPTION;
    attributes.event_mask = kEvents;
    attributes.background_pixmap = entry.pixmap;
    attributes.cursor = cursor;
    entry.window = XCreateWindow(
        display, root, rect.left, rect.top, static_cast<unsigned>(entry.width),
        static_cast<unsigned>(entry.height), 0, CopyFromParent, InputOutput, CopyFromParent,
        CWOverrideRedirect | CWEventMask | CWBackPixmap | (cursor ? CWCursor : 0), &attributes);
    XStoreName(display, entry.window, title);
    XSetWMProtocols(display, entry.window, &deleteWindow, 1);
    XSizeHints hints{};
    hints.flags = USPosition | USSize;
    hints.x = rect.left;
    hints.y = rect.top;
    hints.width = entry.width;
    hints.height = entry.height;
    XSetWMNormalHints(display, entry.window, &hints);
    // The window paints its own frame and caption: no decorations from the window manager.
    long motif[5] = {2, 0, 0, 0, 0};
    XChangeProperty(display, entry.window, motifHints, motifHints, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(motif), 5);
    auto ownerEntry = owner ? shown.find(owner) : shown.end();
    if (ownerEntry != shown.end()) XSetTransientForHint(display, entry.window, ownerEntry->second.window);
    (void)top;
  }

  void WindowPlaced(HWND top) override {
    RECT rect;
    if (!GetWindowRect(top, &rect)) return;
    bool visible = IsWindowVisible(top) != FALSE;
    auto style = static_cast<DWORD>(GetWindowLongPtr(top, GWL_STYLE));
    char title[256];
    GetWindowText(top, title, sizeof title);
    HWND owner = GetWindow(top, GW_OWNER);
    int width = std::max<int>(1, rect.right - rect.left);
    int height = std::max<int>(1, rect.bottom - rect.top);
    std::lock_guard<std::mutex> lock(mutex);
    auto found = shown.find(top);
    if (found == shown.end()) {
      if (!visible) return;
      found = shown.emplace(top, Shown{}).first;
      CreateLocked(found->second, top, rect, style, title, owner);
    }
    Shown& entry = found->second;
    XStoreName(display, entry.window, title);
    if (entry.width != width || entry.height != height) {
      Pixmap previous = entry.pixmap;
      entry.pixmap = NewPixmapLocked(width, height);
      entry.width = width;
      entry.height = height;
      XSetWindowBackgroundPixmap(display, entry.window, entry.pixmap);
      XFreePixmap(display, previous);
    }
    XMoveResizeWindow(display, entry.window, rect.left, rect.top, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
    if (visible && !entry.mapped) XMapRaised(display, entry.window);
    if (!visible && entry.mapped) XUnmapWindow(display, entry.window);
    entry.mapped = visible;
    FlushLocked();
  }

  void WindowDestroyed(HWND top) override {
    std::lock_guard<std::mutex> lock(mutex);
    auto found = shown.find(top);
    if (found == shown.end()) return;
    XDestroyWindow(display, found->second.window);
    XFreePixmap(display, found->second.pixmap);
    shown.erase(found);
    FlushLocked();
  }

  void WindowPainted(HWND top, const Surface& pixels, const RECT& area) override {
    std::lock_guard<std::mutex> lock(mutex);
    auto found = shown.find(top);
    if (found == shown.end()) return;
    const Shown& entry = found->second;
    int right = std::min<int>({area.right, entry.width, pixels.width});
    int bottom = std::min<int>({area.bottom, entry.height, pixels.height});
    int left = std::max<int>(0, area.left), topEdge = std::max<int>(0, area.top);
    if (left >= right || topEdge >= bottom) return;
    // The surface's rows are what a 24-bit true-colour image of 32-bit pixels holds: upload them
    // in place.
    XImage* image = XCreateImage(display, visual, 24, ZPixmap, 0, reinterpret_cast<char*>(pixels.pixels),
                                 static_cast<unsigned>(pixels.width), static_cast<unsigned>(pixels.height),
                                 32, pixels.stride);
    if (!image) return;
    auto width = static_cast<unsigned>(right - left), height = static_cast<unsigned>(bottom - topEdge);
    XPutImage(display, entry.pixmap, gc, image, left, topEdge, left, topEdge, width, height);
    image->data = nullptr;  // the surface's, not the image's
    XDestroyImage(image);
    XClearArea(display, entry.window, left, topEdge, width, height, False);
    FlushLocked();
  }

  void CursorSet(HCURSOR handle) override {
    unsigned shape = CursorShapeOf(detail::StandardCursorName(handle));
    std::lock_guard<std::mutex> lock(mutex);
    Cursor& made = cursors[shape];
    if (!made) made = XCreateFontCursor(display, shape);
    if (made == cursor) return;
    cursor = made;
    for (auto& [hwnd, entry] : shown) XDefineCursor(display, entry.window, cursor);
    FlushLocked();
  }

  // The display's pointer goes there too, or its next move would take the program's back.
  void CursorMoved(POINT screen) override {
    std::lock_guard<std::mutex> lock(mutex);
    XWarpPointer(display, 0, root, 0, 0, 0, 0, screen.x, screen.y);
    FlushLocked();
  }

  // Without a window manager the keyboard follows the pointer, and a drag carried out of the
  // window would lose its Esc: while a press holds the mouse, its window keeps the keyboard.
  // A capture without a button down (hover tracking) leaves the keyboard alone.
  void CaptureChanged(HWND top) override {
    std::lock_guard<std::mutex> lock(mutex);
    auto found = top ? shown.find(top) : shown.end();
    if (found != shown.end() && found->second.mapped && ButtonDownLocked()) {
      keyboardHeld = XGrabKeyboard(display, found->second.window, False, GrabModeAsync, GrabModeAsync,
                                   CurrentTime) == GrabSuccess;
    } else if (keyboardHeld) {
      XUngrabKeyboard(display, CurrentTime);
      keyboardHeld = false;
    }
    FlushLocked();
  }

  bool ButtonDownLocked() const {
    ::Window rootReturn, child;
    int rootX, rootY, x, y;
    unsigned mask = 0;
    XQueryPointer(display, root, &rootReturn, &child, &rootX, &rootY, &x, &y, &mask);
    return (mask & (Button1Mask | Button2Mask | Button3Mask)) != 0;
  }

  HWND WindowOfLocked(::Window window) const {
    for (const auto& [hwnd, entry] : shown) {
      if (entry.window == window) return hwnd;
    }
    return nullptr;
  }

  static MouseButton ButtonOf(unsigned button) {
    return button == 3 ? MouseButton::Right : button == 2 ? MouseButton::Middle : MouseButton::Left;
  }

  // What an event becomes, decided under the lock and run after it.
  void TranslateLocked(XEvent& event, std::vector<Action>* actions) {
    if (event.type == MappingNotify) {
      XRefreshKeyboardMapping(&event.xmapping);
      return;
    }
    HWND hwnd = WindowOfLocked(event.xany.window);
    if (!hwnd) return;
    switch (event.type) {
      case MotionNotify: {
        POINT at{event.xmotion.x_root, event.xmotion.y_root};
        actions->push_back([at] { MouseMove(at); });
        break;
      }
      case EnterNotify:
      case LeaveNotify: {
        // The last position outside tells hovering windows (and capturing ones) that the
        // pointer has gone.
        if (event.xcrossing.mode != NotifyNormal) break;
        POINT at{event.xcrossing.x_root, event.xcrossing.y_root};
        actions->push_back([at] { MouseMove(at); });
        break;
      }
      case ButtonPress:
      case ButtonRelease: {
        const XButtonEvent& button = event.xbutton;
        POINT at{button.x_root, button.y_root};
        if (button.button == 4 || button.button == 5) {
          int delta = button.button == 4 ? WHEEL_DELTA : -WHEEL_DELTA;
          if (event.type == ButtonPress) actions->push_back([at, delta] { Wheel(at, delta); });
          break;
        }
        if (button.button < 1 || button.button > 3) break;
        MouseButton which = ButtonOf(button.button);
        if (event.type == ButtonRelease) {
          actions->push_back([which, at] { MouseUp(which, at); });
        } else {
          bool second = doubleClicks.IsSecondPress(button.button, button.time, at);
          actions->push_back([which, at, second] { MouseDown(which, at, second); });
        }
        break;
      }
      case KeyPress:
      case KeyRelease: {
        int key = VirtualKeyOf(XLookupKeysym(&event.xkey, 0));
        if (event.type == KeyRelease) {
          if (key) actions->push_back([key] { KeyUp(key); });
          break;
        }
        char text[8];
        KeySym symbol = NoSymbol;
        int length = XLookupString(&event.xkey, text, sizeof text, &symbol, nullptr);
        // Windows take their characters in the text code page; one it lacks comes as '?'.
        bool ascii = length == 1 && text[0] >= 0x20 && text[0] < 0x7F;
        unsigned long unicode = ascii                              ? static_cast<unsigned long>(text[0])
                                : (event.xkey.state & ControlMask) ? 0
                                                                   : UnicodeOfKeysym(symbol);
        int inCodePage = unicode ? CodePageByteOf(unicode) : 0;
        char typed = static_cast<char>(inCodePage < 0 ? '?' : inCodePage);
        bool shift = (event.xkey.state & ShiftMask) != 0;
        if (key) actions->push_back([key] { KeyDown(key); });
        if (typed && (!key || !TranslatedByPlatform(key, shift))) {
          actions->push_back([typed] { Char(typed); });
        }
        break;
      }
      case FocusIn:
        if (!IsFocusChange(event.xfocus)) break;
        actions->push_back([hwnd] {
          if (IsWindowEnabled(hwnd) && GetActiveWindow() != hwnd) SetActiveWindow(hwnd);
        });
        break;
      case FocusOut: {
        if (!IsFocusChange(event.xfocus)) break;
        ::Window focus;
        int revert;
        XGetInputFocus(display, &focus, &revert);
        if (WindowOfLocked(focus)) break;  // moved to another of ours: that one activates
        actions->push_back([hwnd] {
          if (GetActiveWindow() == hwnd) SetActiveWindow(nullptr);
        });
        break;
      }
      case ClientMessage:
        if (event.xclient.message_type == protocols &&
            static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
          actions->push_back([hwnd] { PostMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); });
        }
        break;
      default:
        break;
    }
  }

  void Run() {
    std::vector<Action> actions;
    while (!stopping.load()) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        while (XPending(display) > 0) {
          XEvent event;
          XNextEvent(display, &event);
          TranslateLocked(event, &actions);
        }
      }
      for (Action& action : actions) {
        if (!stopping.load()) action();
      }
      actions.clear();
      pollfd waits[2] = {{ConnectionNumber(display), POLLIN, 0}, {wakeFd, POLLIN, 0}};
      if (poll(waits, 2, -1) < 0 && errno != EINTR) break;
      if (waits[1].revents & POLLIN) {
        std::uint64_t count;
        ssize_t got = read(wakeFd, &count, sizeof count);
        (void)got;
      }
    }
    readerDone.store(true);
  }

  ~Impl() override {
    SetPresenter(nullptr);
    if (tookMonitor) ResetMonitor();
    if (reader.joinable()) {
      stopping.store(true);
      Wake();
      // The reader may be waiting for this thread to answer a focus change it sent.
      while (!readerDone.load()) {
        MSG msg;
        PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      reader.join();
    }
    if (display) {
      for (auto& [hwnd, entry] : shown) {
        XDestroyWindow(display, entry.window);
        XFreePixmap(display, entry.pixmap);
      }
      for (auto& [shape, made] : cursors) XFreeCursor(display, made);
      if (gc) XFreeGC(display, gc);
      XCloseDisplay(display);
    }
    if (wakeFd >= 0) close(wakeFd);
  }
};

LiveDisplay::LiveDisplay(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

LiveDisplay::~LiveDisplay() = default;

std::unique_ptr<LiveDisplay> LiveDisplay::Open() {
  const char* headless = std::getenv("WF_HEADLESS");
  const char* name = std::getenv("DISPLAY");
  if ((headless && *headless) || !name || !*name) return nullptr;
  auto impl = std::make_unique<Impl>();
  impl->display = XOpenDisplay(nullptr);
  if (!impl->display) {
    std::fprintf(stderr, "Cannot open the display %s; the windows stay headless.\n", name);
    return nullptr;
  }
  Display* display = impl->display;
  int screen = DefaultScreen(display);
  impl->visual = DefaultVisual(display, screen);
  XImage* probe = XCreateImage(display, impl->visual, 24, ZPixmap, 0, nullptr, 1, 1, 32, 0);
  bool usable = DefaultDepth(display, screen) == 24 && impl->visual->red_mask == 0xFF0000 &&
                impl->visual->green_mask == 0xFF00 && impl->visual->blue_mask == 0xFF &&
                ImageByteOrder(display) == LSBFirst && probe && probe->bits_per_pixel == 32;
  if (probe) XDestroyImage(probe);
  if (!usable) {
    std::fprintf(stderr, "The display %s is not 24-bit true colour; the windows stay headless.\n", name);
    return nullptr;  // the Impl closes the display
  }
  XSetErrorHandler(ReportError);
  impl->root = RootWindow(display, screen);
  TakeMonitorFrom(display, screen);
  impl->tookMonitor = true;
  impl->gc = XCreateGC(display, impl->root, 0, nullptr);
  impl->protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  impl->deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  impl->motifHints = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  impl->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (impl->wakeFd < 0) return nullptr;
  impl->reader = std::thread(&Impl::Run, impl.get());
  SetPresenter(impl.get());
  return std::unique_ptr<LiveDisplay>(new LiveDisplay(std::move(impl)));
}

unsigned long LiveDisplay::XWindowOf(HWND top) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  auto found = impl_->shown.find(top);
  return found == impl_->shown.end() || !found->second.mapped ? 0 : found->second.window;
}

int LiveDisplay::ErrorCount() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  XSync(impl_->display, False);  // errors of requests still on their way count too
  if (XQLength(impl_->display) > 0) impl_->Wake();
  return errorCount.load();
}

}  // namespace platform::x11
