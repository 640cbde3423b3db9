// The trackbar: a sunken channel and a thumb that the mouse drags and the keys step; every
// move is reported to the parent as WM_HSCROLL (WM_VSCROLL when vertical).
#include <algorithm>

#include "platform/gdi/Draw.h"
#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/detail/Controls.h"
#include "platform/win32/Rect.h"

namespace platform::detail {
namespace {

constexpr int kThumbWidth = 11;
constexpr int kThumbHeight = 21;
constexpr int kInset = 8;  // from the ends of the control to the ends of the channel

struct TrackState {
  int low = 0;
  int high = 100;
  int pos = 0;
  int page = -1;  // until set: a fifth of the range
  int line = 1;
  int ticFrequency = 1;
  bool focused = false;
  bool dragging = false;
  int grabOffset = 0;
};

int Page(const TrackState& state) {
  return state.page >= 0 ? state.page : std::max(1, (state.high - state.low) / 5);
}

bool Vertical(HWND hwnd) { return (GetWindowLongPtr(hwnd, GWL_STYLE) & TBS_VERT) != 0; }

// The length of the channel in pixels, and where it starts, along the control.
void Channel(HWND hwnd, int* start, int* length) {
  RECT client;
  GetClientRect(hwnd, &client);
  int extent = Vertical(hwnd) ? client.bottom : client.right;
  *start = kInset;
  *length = std::max(1, extent - 2 * kInset);
}

int PixelOf(const TrackState& state, HWND hwnd, int pos) {
  int start, length;
  Channel(hwnd, &start, &length);
  int range = std::max(1, state.high - state.low);
  return start + static_cast<int>(static_cast<long long>(pos - state.low) * length / range);
}

int PosOf(const TrackState& state, HWND hwnd, int pixel) {
  int start, length;
  Channel(hwnd, &start, &length);
  int range = state.high - state.low;
  long long offset = static_cast<long long>(pixel - start) * range;
  int pos = state.low + static_cast<int>((offset + (offset >= 0 ? length / 2 : -length / 2)) / length);
  return std::clamp(pos, state.low, std::max(state.low, state.high));
}

RECT ThumbRect(const TrackState& state, HWND hwnd) {
  int centre = PixelOf(state, hwnd, state.pos);
  if (Vertical(hwnd))
    return RECT{2, centre - kThumbWidth / 2, 2 + kThumbHeight, centre + kThumbWidth / 2 + 1};
  return RECT{centre - kThumbWidth / 2, 2, centre + kThumbWidth / 2 + 1, 2 + kThumbHeight};
}

void Report(HWND hwnd, WORD code, int pos) {
  if (HWND parent = GetParent(hwnd)) {
    SendMessage(parent, Vertical(hwnd) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(pos)),
                reinterpret_cast<LPARAM>(hwnd));
  }
}

bool Move(TrackState& state, HWND hwnd, int pos) {
  pos = std::clamp(pos, state.low, std::max(state.low, state.high));
  if (pos == state.pos) return false;
  state.pos = pos;
  InvalidateRect(hwnd, nullptr, TRUE);
  return true;
}

void Step(TrackState& state, HWND hwnd, WORD code, int pos) {
  if (Move(state, hwnd, pos)) Report(hwnd, code, state.pos);
  Report(hwnd, TB_ENDTRACK, state.pos);
}

void PaintThumb(HDC dc, RECT thumb, bool vertical) {
  // A raised body ending in a point toward the ticks (down, or right when vertical).
  int point = kThumbWidth / 2;
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  RECT body = thumb;
  if (vertical)
    body.right -= point;
  else
    body.bottom -= point;
  FillRect(dc, &body, face);
  DrawEdge(dc, &body, EDGE_RAISED, vertical ? (BF_LEFT | BF_TOP | BF_BOTTOM) : (BF_LEFT | BF_TOP | BF_RIGHT));
  HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DDKSHADOW));
  HGDIOBJ old = SelectObject(dc, light);
  for (int i = 0; i <= point; ++i) {
    // Each step of the point is one line of face colour between its two edges.
    RECT line = vertical ? RECT{body.right + i - 1, thumb.top + i, body.right + i, thumb.bottom - i}
                         : RECT{thumb.left + i, body.bottom + i - 1, thumb.right - i, body.bottom + i};
    FillRect(dc, &line, face);
  }
  if (vertical) {
    MoveToEx(dc, body.right - 1, thumb.top, nullptr);
    LineTo(dc, thumb.right - 1, thumb.top + point);
    SelectObject(dc, dark);
    LineTo(dc, body.right - 1, thumb.bottom - 1);
  } else {
    MoveToEx(dc, thumb.left, body.bottom - 1, nullptr);
    LineTo(dc, thumb.left + point, thumb.bottom - 1);
    SelectObject(dc, dark);
    LineTo(dc, thumb.right - 1, body.bottom - 1);
  }
  SelectObject(dc, old);
  DeleteObject(light);
  DeleteObject(dark);
}

void Paint(TrackState& state, HWND hwnd) {
  ControlPaint paint(hwnd, nullptr);
  HDC dc = paint.dc();
  bool vertical = Vertical(hwnd);
  FillRect(dc, &paint.client(), ParentBrush(hwnd, dc, WM_CTLCOLORSTATIC));
  int start, length;
  Channel(hwnd, &start, &length);
  int across = 2 + kThumbHeight / 2 - 2;
  RECT channel = vertical ? RECT{across, start, across + 4, start + length + 1}
                          : RECT{start, across, start + length + 1, across + 4};
  DrawEdge(dc, &channel, EDGE_SUNKEN, BF_RECT);
  DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
  if (!(style & TBS_NOTICKS)) {
    HBRUSH ink = GetSysColorBrush(COLOR_BTNTEXT);
    int frequency = (style & TBS_AUTOTICKS) ? std::max(1, state.ticFrequency)
                                            : std::max(1, state.high - state.low);
    for (int pos = state.low; pos <= state.high; pos += frequency) {
      int at = PixelOf(state, hwnd, pos);
      RECT tick = vertical ? RECT{2 + kThumbHeight + 2, at, 2 + kThumbHeight + 5, at + 1}
                           : RECT{at, 2 + kThumbHeight + 2, at + 1, 2 + kThumbHeight + 5};
      FillRect(dc, &tick, ink);
      if (state.high - state.low <= 0) break;
    }
  }
  PaintThumb(dc, ThumbRect(state, hwnd), vertical);
  if (state.focused) {
    RECT focus = paint.client();
    DrawFocusRect(dc, &focus);
  }
}

LRESULT Handle(TrackState& state, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_PAINT:
      Paint(state, hwnd);
      return 0;
    case WM_LBUTTONDOWN: {
      SetFocus(hwnd);
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      RECT thumb = ThumbRect(state, hwnd);
      int along = Vertical(hwnd) ? at.y : at.x;
      if (PtInRect(&thumb, at)) {
        state.dragging = true;
        state.grabOffset = along - PixelOf(state, hwnd, state.pos);
        SetCapture(hwnd);
      } else if (along < PixelOf(state, hwnd, state.pos)) {
        Step(state, hwnd, TB_PAGEUP, state.pos - Page(state));
      } else {
        Step(state, hwnd, TB_PAGEDOWN, state.pos + Page(state));
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (state.dragging) {
        int along = Vertical(hwnd) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
        if (Move(state, hwnd, PosOf(state, hwnd, along - state.grabOffset)))
          Report(hwnd, TB_THUMBTRACK, state.pos);
      }
      return 0;
    case WM_LBUTTONUP:
      if (state.dragging) {
        state.dragging = false;
        ReleaseCapture();
        Report(hwnd, TB_THUMBPOSITION, state.pos);
        Report(hwnd, TB_ENDTRACK, state.pos);
      }
      return 0;
    case WM_CAPTURECHANGED:
      state.dragging = false;
      return 0;
    case WM_KEYDOWN:
      switch (static_cast<int>(wParam)) {
        case VK_LEFT:
        case VK_UP:
          Step(state, hwnd, TB_LINEUP, state.pos - state.line);
          break;
        case VK_RIGHT:
        case VK_DOWN:
          Step(state, hwnd, TB_LINEDOWN, state.pos + state.line);
          break;
        case VK_PRIOR:
          Step(state, hwnd, TB_PAGEUP, state.pos - Page(state));
          break;
        case VK_NEXT:
          Step(state, hwnd, TB_PAGEDOWN, state.pos + Page(state));
          break;
        case VK_HOME:
          Step(state, hwnd, TB_TOP, state.low);
          break;
        case VK_END:
          Step(state, hwnd, TB_BOTTOM, state.high);
          break;
        default:
          break;
      }
      return 0;
    case TBM_GETPOS:
      return state.pos;
    case TBM_GETRANGEMIN:
      return state.low;
    case TBM_GETRANGEMAX:
      return state.high;
    case TBM_SETPOS:
      Move(state, hwnd, static_cast<int>(lParam));
      return 0;
    case TBM_SETRANGE:
      state.low = static_cast<SHORT>(LOWORD(lParam));
      state.high = static_cast<SHORT>(HIWORD(lParam));
      Move(state, hwnd, state.pos);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case TBM_SETRANGEMIN:
    case TBM_SETRANGEMAX:
      (message == TBM_SETRANGEMIN ? state.low : state.high) = static_cast<int>(lParam);
      Move(state, hwnd, state.pos);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case TBM_SETTICFREQ:
      state.ticFrequency = static_cast<int>(wParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case TBM_SETPAGESIZE: {
      int previous = Page(state);
      state.page = static_cast<int>(lParam);
      return previous;
    }
    case TBM_GETPAGESIZE:
      return Page(state);
    case TBM_SETLINESIZE: {
      int previous = state.line;
      state.line = static_cast<int>(lParam);
      return previous;
    }
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ControlProc<TrackState>(hwnd, message, wParam, lParam, Handle);
}

}  // namespace

void RegisterTrackbarClass() { RegisterControlClass(TRACKBAR_CLASS, Proc, 0, IDC_ARROW); }

}  // namespace platform::detail
