// The up-down control: two arrow buttons that step a position, ask the parent first
// (UDN_DELTAPOS), report with WM_VSCROLL (WM_HSCROLL when horizontal) and can write the
// position into a buddy window.
#include <algorithm>
#include <string>

#include "platform/gdi/Draw.h"
#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/detail/Controls.h"

namespace platform::detail {
namespace {

struct UpDownState {
  int low = 100;  // the platform's default range runs backwards
  int high = 0;
  int pos = 0;
  HWND buddy = nullptr;
  int pressed = 0;  // +1 the upper button, -1 the lower one
};

bool Horizontal(HWND hwnd) { return (GetWindowLongPtr(hwnd, GWL_STYLE) & UDS_HORZ) != 0; }

void WriteBuddy(const UpDownState& state, HWND hwnd) {
  if (state.buddy && (GetWindowLongPtr(hwnd, GWL_STYLE) & UDS_SETBUDDYINT)) {
    SetWindowText(state.buddy, std::to_string(state.pos).c_str());
  }
}

void Stepped(UpDownState& state, HWND hwnd, int direction) {
  // "Up" moves toward the high end, whichever way the range runs.
  int delta = state.high >= state.low ? direction : -direction;
  NMUPDOWN change{};
  change.iPos = state.pos;
  change.iDelta = delta;
  if (NotifyParent(hwnd, &change.hdr, UDN_DELTAPOS)) return;  // the parent refused
  int low = std::min(state.low, state.high), high = std::max(state.low, state.high);
  int next = state.pos + change.iDelta;
  if (next < low || next > high) {
    if (!(GetWindowLongPtr(hwnd, GWL_STYLE) & UDS_WRAP)) {
      next = std::clamp(next, low, high);
    } else {
      next = next < low ? high : low;
    }
  }
  if (next == state.pos) return;
  state.pos = next;
  WriteBuddy(state, hwnd);
  if (HWND parent = GetParent(hwnd)) {
    SendMessage(parent, Horizontal(hwnd) ? WM_HSCROLL : WM_VSCROLL,
                MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(state.pos)), reinterpret_cast<LPARAM>(hwnd));
    SendMessage(parent, Horizontal(hwnd) ? WM_HSCROLL : WM_VSCROLL,
                MAKEWPARAM(SB_ENDSCROLL, static_cast<WORD>(state.pos)), reinterpret_cast<LPARAM>(hwnd));
  }
}

void Paint(const UpDownState& state, HWND hwnd) {
  ControlPaint paint(hwnd, nullptr);
  RECT client = paint.client();
  bool horizontal = Horizontal(hwnd);
  RECT first = client, second = client;
  if (horizontal) {
    first.right = second.left = client.right / 2;
  } else {
    first.bottom = second.top = client.bottom / 2;
  }
  COLORREF ink = GetSysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  // The first button is "up" (or "left", which steps down).
  DrawButtonFace(paint.dc(), first, horizontal ? state.pressed == -1 : state.pressed == 1, false);
  DrawArrow(paint.dc(), first, horizontal ? 2 : 0, ink);
  DrawButtonFace(paint.dc(), second, horizontal ? state.pressed == 1 : state.pressed == -1, false);
  DrawArrow(paint.dc(), second, horizontal ? 3 : 1, ink);
}

LRESULT Handle(UpDownState& state, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
      if (style & UDS_AUTOBUDDY)
        SendMessage(hwnd, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetWindow(hwnd, GW_HWNDNEXT)), 0);
      return 0;
    }
    case WM_PAINT:
      Paint(state, hwnd);
      return 0;
    case WM_LBUTTONDOWN: {
      RECT client;
      GetClientRect(hwnd, &client);
      bool firstHalf = Horizontal(hwnd) ? GET_X_LPARAM(lParam) < client.right / 2
                                        : GET_Y_LPARAM(lParam) < client.bottom / 2;
      int direction = Horizontal(hwnd) ? (firstHalf ? -1 : 1) : (firstHalf ? 1 : -1);
      state.pressed = direction;
      SetCapture(hwnd);
      InvalidateRect(hwnd, nullptr, FALSE);
      Stepped(state, hwnd, direction);
      return 0;
    }
    case WM_LBUTTONUP:
      if (state.pressed) {
        state.pressed = 0;
        ReleaseCapture();
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_CAPTURECHANGED:
      state.pressed = 0;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_KEYDOWN:
      if (static_cast<int>(wParam) == VK_UP || static_cast<int>(wParam) == VK_RIGHT) Stepped(state, hwnd, 1);
      if (static_cast<int>(wParam) == VK_DOWN || static_cast<int>(wParam) == VK_LEFT)
        Stepped(state, hwnd, -1);
      return 0;
    case UDM_SETRANGE:
      state.low = static_cast<SHORT>(HIWORD(lParam));
      state.high = static_cast<SHORT>(LOWORD(lParam));
      return 0;
    case UDM_SETRANGE32:
      state.low = static_cast<int>(wParam);
      state.high = static_cast<int>(lParam);
      return 0;
    case UDM_GETRANGE:
      return MAKELRESULT(static_cast<WORD>(state.high), static_cast<WORD>(state.low));
    case UDM_GETRANGE32:
      if (wParam) *reinterpret_cast<int*>(wParam) = state.low;
      if (lParam) *reinterpret_cast<int*>(lParam) = state.high;
      return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      int previous = state.pos;
      int pos = message == UDM_SETPOS ? static_cast<SHORT>(LOWORD(lParam)) : static_cast<int>(lParam);
      state.pos = std::clamp(pos, std::min(state.low, state.high), std::max(state.low, state.high));
      WriteBuddy(state, hwnd);
      return previous;
    }
    case UDM_GETPOS:
    case UDM_GETPOS32:
      return state.pos;
    case UDM_SETBUDDY: {
      HWND previous = state.buddy;
      state.buddy = reinterpret_cast<HWND>(wParam);
      DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
      if (state.buddy && (style & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))) {
        // Sits against the buddy's side, as tall as the buddy, which gives up the room.
        RECT buddy;
        GetWindowRect(state.buddy, &buddy);
        POINT corner{buddy.left, buddy.top};
        ScreenToClient(GetParent(hwnd), &corner);
        int width = GetSystemMetrics(SM_CXVSCROLL), height = buddy.bottom - buddy.top;
        int buddyWidth = buddy.right - buddy.left - width;
        bool right = (style & UDS_ALIGNRIGHT) != 0;
        MoveWindow(state.buddy, right ? corner.x : corner.x + width, corner.y, buddyWidth, height, TRUE);
        MoveWindow(hwnd, right ? corner.x + buddyWidth : corner.x, corner.y, width, height, TRUE);
      }
      WriteBuddy(state, hwnd);
      return reinterpret_cast<LRESULT>(previous);
    }
    case UDM_GETBUDDY:
      return reinterpret_cast<LRESULT>(state.buddy);
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ControlProc<UpDownState>(hwnd, message, wParam, lParam, Handle);
}

}  // namespace

void RegisterUpDownClass() { RegisterControlClass(UPDOWN_CLASS, Proc, 0, IDC_ARROW); }

}  // namespace platform::detail
