// Scroll bars: the bar control (and its size-grip form, which sizes its top-level window from
// the lower-right corner) and the scroll information of windows' own bars.
#include <algorithm>

#include "platform/gdi/Draw.h"
#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/detail/Controls.h"
#include "platform/ui/detail/WindowSystem.h"
#include "platform/win32/Rect.h"

namespace platform::detail {

constexpr UINT SBM_SETSCROLLINFO = 0x00E9;
constexpr UINT SBM_GETSCROLLINFO = 0x00EA;

namespace {

using Bar = Window::ScrollBar;

int MaxPos(const Bar& bar) {
  return std::max(bar.min, bar.max - std::max(0, static_cast<int>(bar.page) - 1));
}

int Apply(Bar& bar, const SCROLLINFO& info) {
  if (info.fMask & SIF_RANGE) {
    bar.min = info.nMin;
    bar.max = std::max(info.nMin, info.nMax);
  }
  if (info.fMask & SIF_PAGE) {
    bar.page = std::min<UINT>(info.nPage, static_cast<UINT>(bar.max - bar.min + 1));
  }
  if (info.fMask & SIF_POS) bar.pos = info.nPos;
  bar.pos = std::clamp(bar.pos, bar.min, MaxPos(bar));
  return bar.pos;
}

void Fill(const Bar& bar, SCROLLINFO* info) {
  if (info->fMask & SIF_RANGE) {
    info->nMin = bar.min;
    info->nMax = bar.max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = bar.page;
  if (info->fMask & SIF_POS) info->nPos = bar.pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = bar.trackPos;
}

struct BarState {
  Bar bar;
  int pressedPart = -1;  // 0 first arrow, 1 page before, 2 thumb, 3 page after, 4 second arrow
  int grab = 0;
};

bool VerticalBar(HWND hwnd) { return (GetWindowLongPtr(hwnd, GWL_STYLE) & SBS_VERT) != 0; }
bool Grip(HWND hwnd) { return (GetWindowLongPtr(hwnd, GWL_STYLE) & (SBS_SIZEGRIP | SBS_SIZEBOX)) != 0; }

struct Layout {
  int length;   // along the bar
  int arrow;    // each arrow button
  int thumbAt;  // from the start of the bar
  int thumbLength;
};

Layout LayoutOf(const Bar& bar, int length, int across) {
  Layout layout{};
  layout.length = length;
  layout.arrow = std::min(across, length / 2);
  int track = std::max(0, length - 2 * layout.arrow);
  int range = bar.max - bar.min + 1;
  layout.thumbLength = bar.page
                           ? std::max(8, static_cast<int>(track * static_cast<long long>(bar.page) / range))
                           : std::min(track, across);
  layout.thumbLength = std::min(layout.thumbLength, track);
  int travel = track - layout.thumbLength;
  int steps = MaxPos(bar) - bar.min;
  layout.thumbAt = layout.arrow +
                   (steps > 0 ? static_cast<int>(static_cast<long long>(travel) * (bar.pos - bar.min) / steps)
                              : 0);
  return layout;
}

Layout LayoutOf(const Bar& bar, HWND hwnd) {
  RECT client;
  GetClientRect(hwnd, &client);
  bool vertical = VerticalBar(hwnd);
  return LayoutOf(bar, vertical ? client.bottom : client.right, vertical ? client.right : client.bottom);
}

// The scroll code of a press `along` the bar.
WORD PartAt(const Layout& layout, int along) {
  if (along < layout.arrow) return SB_LINEUP;
  if (along >= layout.length - layout.arrow) return SB_LINEDOWN;
  if (along < layout.thumbAt) return SB_PAGEUP;
  if (along >= layout.thumbAt + layout.thumbLength) return SB_PAGEDOWN;
  return SB_THUMBTRACK;
}

// The position of a thumb dragged to start at `thumbAt`.
int TrackPosAt(const Bar& bar, const Layout& layout, int thumbAt) {
  int travel = std::max(1, layout.length - 2 * layout.arrow - layout.thumbLength);
  int steps = MaxPos(bar) - bar.min;
  int pos = bar.min + static_cast<int>(static_cast<long long>(thumbAt - layout.arrow) * steps / travel);
  return std::clamp(pos, bar.min, MaxPos(bar));
}

void PaintGrip(HDC dc, const RECT& client) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HGDIOBJ old = SelectObject(dc, light);
  // Three diagonal ridges: a light line above two shadow lines each.
  for (int ridge = 0; ridge < 3; ++ridge) {
    int offset = 4 * ridge + 2;
    for (int line = 0; line < 3; ++line) {
      SelectObject(dc, line == 0 ? light : dark);
      int d = offset + line;
      MoveToEx(dc, client.right - 1, client.bottom - 1 - d, nullptr);
      LineTo(dc, client.right - 1 - d - 1, client.bottom);
    }
  }
  SelectObject(dc, old);
  DeleteObject(light);
  DeleteObject(dark);
}

LRESULT HandleBar(BarState& state, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST:
      if (Grip(hwnd)) {
        return (GetWindowLongPtr(hwnd, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) ? HTBOTTOMLEFT : HTBOTTOMRIGHT;
      }
      return HTCLIENT;
    case WM_PAINT: {
      ControlPaint paint(hwnd, nullptr);
      if (Grip(hwnd)) {
        PaintGrip(paint.dc(), paint.client());
        return 0;
      }
      DrawScrollBar(paint.dc(), paint.client(), VerticalBar(hwnd), state.bar.min, state.bar.max,
                    state.bar.page, state.bar.pos, IsWindowEnabled(hwnd) != FALSE);
      return 0;
    }
    case SBM_SETSCROLLINFO: {
      int pos = Apply(state.bar, *reinterpret_cast<const SCROLLINFO*>(lParam));
      if (wParam) InvalidateRect(hwnd, nullptr, TRUE);
      return pos;
    }
    case SBM_GETSCROLLINFO:
      Fill(state.bar, reinterpret_cast<SCROLLINFO*>(lParam));
      return TRUE;
    case WM_LBUTTONDOWN: {
      if (Grip(hwnd)) return 0;
      Layout layout = LayoutOf(state.bar, hwnd);
      int along = VerticalBar(hwnd) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
      WORD code = PartAt(layout, along);
      SetCapture(hwnd);
      state.pressedPart = code;
      state.grab = along - layout.thumbAt;
      state.bar.trackPos = state.bar.pos;
      if (code != SB_THUMBTRACK) {
        SendMessage(GetParent(hwnd), VerticalBar(hwnd) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, 0),
                    reinterpret_cast<LPARAM>(hwnd));
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (state.pressedPart == SB_THUMBTRACK) {
        Layout layout = LayoutOf(state.bar, hwnd);
        int along = (VerticalBar(hwnd) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam)) - state.grab;
        state.bar.trackPos = TrackPosAt(state.bar, layout, along);
        SendMessage(GetParent(hwnd), VerticalBar(hwnd) ? WM_VSCROLL : WM_HSCROLL,
                    MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(state.bar.trackPos)),
                    reinterpret_cast<LPARAM>(hwnd));
      }
      return 0;
    case WM_LBUTTONUP:
      if (state.pressedPart >= 0) {
        HWND parent = GetParent(hwnd);
        UINT bar = VerticalBar(hwnd) ? WM_VSCROLL : WM_HSCROLL;
        if (state.pressedPart == SB_THUMBTRACK) {
          SendMessage(parent, bar, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(state.bar.trackPos)),
                      reinterpret_cast<LPARAM>(hwnd));
        }
        state.pressedPart = -1;
        ReleaseCapture();
        SendMessage(parent, bar, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(hwnd));
      }
      return 0;
    case WM_CAPTURECHANGED:
      state.pressedPart = -1;
      return 0;
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT BarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ControlProc<BarState>(hwnd, message, wParam, lParam, HandleBar);
}

// The bar of a window, under the lock; null for SB_CTL or a window that is gone.
Bar* WindowBarLocked(HWND hwnd, int bar) {
  Window* window = FindLive(hwnd);
  if (!window || (bar != SB_HORZ && bar != SB_VERT)) return nullptr;
  return &window->scrollBars[bar];
}

void RedrawFrame(HWND hwnd) { RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE); }

}  // namespace

RECT WindowScrollBarRect(HWND hwnd, int which) {
  RECT client;
  GetClientRect(hwnd, &client);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  OffsetRect(&client, origin.x, origin.y);
  if (which == SB_VERT)
    return RECT{client.right, client.top, client.right + GetSystemMetrics(SM_CXVSCROLL), client.bottom};
  return RECT{client.left, client.bottom, client.right, client.bottom + GetSystemMetrics(SM_CYHSCROLL)};
}

void TrackWindowScrollBar(HWND hwnd, int which, POINT screen) {
  bool vertical = which == SB_VERT;
  RECT rect = WindowScrollBarRect(hwnd, which);
  Bar bar;
  {
    Lock lock(Global().mutex);
    Bar* live = WindowBarLocked(hwnd, which);
    if (!live) return;
    bar = *live;
  }
  Layout layout = vertical ? LayoutOf(bar, rect.bottom - rect.top, rect.right - rect.left)
                           : LayoutOf(bar, rect.right - rect.left, rect.bottom - rect.top);
  auto along = [&](POINT at) { return vertical ? at.y - rect.top : at.x - rect.left; };
  WORD code = PartAt(layout, along(screen));
  int grab = along(screen) - layout.thumbAt;
  int trackPos = bar.pos;
  UINT message = vertical ? WM_VSCROLL : WM_HSCROLL;
  SetCapture(hwnd);
  if (code != SB_THUMBTRACK) SendMessage(hwnd, message, MAKEWPARAM(code, 0), 0);
  MSG msg;
  while (GetCapture() == hwnd) {
    if (!GetMessage(&msg, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_LBUTTONUP) break;
    if (msg.message != WM_MOUSEMOVE) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    } else if (code == SB_THUMBTRACK) {
      trackPos = TrackPosAt(bar, layout, along(msg.pt) - grab);
      {
        Lock lock(Global().mutex);
        if (Bar* live = WindowBarLocked(hwnd, which)) live->trackPos = trackPos;
      }
      SendMessage(hwnd, message, MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(trackPos)), 0);
    }
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  if (code == SB_THUMBTRACK)
    SendMessage(hwnd, message, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(trackPos)), 0);
  SendMessage(hwnd, message, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
}

void DrawScrollBar(HDC dc, const RECT& rect, bool vertical, int min, int max, UINT page, int pos,
                   bool enabled) {
  int length = vertical ? rect.bottom - rect.top : rect.right - rect.left;
  int across = vertical ? rect.right - rect.left : rect.bottom - rect.top;
  int arrow = std::min(across, length / 2);
  auto part = [&](int along, int size) {
    return vertical ? RECT{rect.left, rect.top + along, rect.right, rect.top + along + size}
                    : RECT{rect.left + along, rect.top, rect.left + along + size, rect.bottom};
  };
  RECT track = part(arrow, std::max(0, length - 2 * arrow));
  // The classic track is a dither of the face and highlight; a flat mid tone stands in.
  HBRUSH trackBrush = CreateSolidBrush(RGB(0xE0, 0xE0, 0xE0));
  FillRect(dc, &track, trackBrush);
  DeleteObject(trackBrush);
  COLORREF ink = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  RECT first = part(0, arrow), second = part(length - arrow, arrow);
  DrawButtonFace(dc, first, false, false);
  DrawArrow(dc, first, vertical ? 0 : 2, ink);
  DrawButtonFace(dc, second, false, false);
  DrawArrow(dc, second, vertical ? 1 : 3, ink);
  Bar bar{min, max, page, pos, pos};
  int trackLength = std::max(0, length - 2 * arrow);
  int range = max - min + 1;
  int steps = MaxPos(bar) - min;
  if (!enabled || steps <= 0 || trackLength < 8) return;
  int thumb = page ? std::max(8, static_cast<int>(trackLength * static_cast<long long>(page) / range))
                   : across;
  thumb = std::min(thumb, trackLength);
  int at = arrow + static_cast<int>(static_cast<long long>(trackLength - thumb) * (pos - min) / steps);
  DrawButtonFace(dc, part(at, thumb), false, false);
}

void RegisterScrollBarClass() { RegisterControlClass(WC_SCROLLBAR, BarProc, 0, IDC_ARROW); }

}  // namespace platform::detail

using namespace platform::detail;

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw) {
  if (!info) return 0;
  if (bar == SB_CTL)
    return static_cast<int>(SendMessage(hwnd, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(info)));
  int pos;
  {
    Lock lock(Global().mutex);
    Bar* target = WindowBarLocked(hwnd, bar);
    if (!target) return 0;
    pos = Apply(*target, *info);
  }
  if (redraw) RedrawFrame(hwnd);
  return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
  if (!info) return FALSE;
  if (bar == SB_CTL)
    return static_cast<BOOL>(SendMessage(hwnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info)));
  Lock lock(Global().mutex);
  Bar* source = WindowBarLocked(hwnd, bar);
  if (!source) return FALSE;
  Fill(*source, info);
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  int previous = GetScrollPos(hwnd, bar);
  SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, pos, 0};
  SetScrollInfo(hwnd, bar, &info, redraw);
  return previous;
}

int GetScrollPos(HWND hwnd, int bar) {
  SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, 0, 0};
  return GetScrollInfo(hwnd, bar, &info) ? info.nPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minimum, int maximum, BOOL redraw) {
  SCROLLINFO info{sizeof info, SIF_RANGE, minimum, maximum, 0, 0, 0};
  SetScrollInfo(hwnd, bar, &info, redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* minimum, int* maximum) {
  SCROLLINFO info{sizeof info, SIF_RANGE, 0, 0, 0, 0, 0};
  if (!minimum || !maximum || !GetScrollInfo(hwnd, bar, &info)) return FALSE;
  *minimum = info.nMin;
  *maximum = info.nMax;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  DWORD flags = bar == SB_HORZ   ? WS_HSCROLL
                : bar == SB_VERT ? WS_VSCROLL
                : bar == SB_BOTH ? (WS_HSCROLL | WS_VSCROLL)
                                 : 0;
  if (bar == SB_CTL) return ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE), TRUE;
  DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
  DWORD wanted = show ? (style | flags) : (style & ~flags);
  if (wanted == style) return TRUE;
  SetWindowLongPtr(hwnd, GWL_STYLE, static_cast<LONG_PTR>(wanted));
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}

BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT*, const RECT*) {
  // The whole client area is painted again, children moved with it: the result is the same
  // as moving the pixels and painting what was uncovered.
  for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT rect;
    GetWindowRect(child, &rect);
    POINT corner{rect.left, rect.top};
    ScreenToClient(hwnd, &corner);
    SetWindowPos(child, nullptr, corner.x + dx, corner.y + dy, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return InvalidateRect(hwnd, nullptr, TRUE);
}
