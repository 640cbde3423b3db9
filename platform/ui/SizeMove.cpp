// Moving and sizing a top-level window by its caption or frame: the platform's own tracking
// loop, run when DefWindowProc gets a press on the frame.
#include <algorithm>

#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/Queue.h"
#include "platform/ui/Window.h"
#include "platform/ui/detail/CaptionButtons.h"
#include "platform/ui/detail/Controls.h"
#include "platform/ui/detail/Retrieval.h"
#include "platform/win32/Rect.h"

namespace {

struct Edges {
  bool left, top, right, bottom;
};

Edges EdgesOf(WPARAM hit) {
  switch (hit) {
    case HTLEFT:
      return {true, false, false, false};
    case HTRIGHT:
      return {false, false, true, false};
    case HTTOP:
      return {false, true, false, false};
    case HTBOTTOM:
      return {false, false, false, true};
    case HTTOPLEFT:
      return {true, true, false, false};
    case HTTOPRIGHT:
      return {false, true, true, false};
    case HTBOTTOMLEFT:
      return {true, false, false, true};
    case HTBOTTOMRIGHT:
      return {false, false, true, true};
    default:
      return {false, false, false, false};
  }
}

RECT Track(const RECT& start, WPARAM hit, POINT delta, const MINMAXINFO& limits) {
  RECT rect = start;
  if (hit == HTCAPTION) {
    OffsetRect(&rect, delta.x, delta.y);
    return rect;
  }
  Edges edges = EdgesOf(hit);
  auto clampSize = [](LONG size, LONG minimum, LONG maximum) {
    return std::clamp(size, minimum, std::max(minimum, maximum));
  };
  if (edges.left || edges.right) {
    LONG width = clampSize(start.right - start.left + (edges.right ? delta.x : -delta.x),
                           limits.ptMinTrackSize.x, limits.ptMaxTrackSize.x);
    if (edges.right)
      rect.right = rect.left + width;
    else
      rect.left = rect.right - width;
  }
  if (edges.top || edges.bottom) {
    LONG height = clampSize(start.bottom - start.top + (edges.bottom ? delta.y : -delta.y),
                            limits.ptMinTrackSize.y, limits.ptMaxTrackSize.y);
    if (edges.bottom)
      rect.bottom = rect.top + height;
    else
      rect.top = rect.bottom - height;
  }
  return rect;
}

}  // namespace

namespace platform::detail {

void DefaultNonClientPress(HWND hwnd, WPARAM hit, LPARAM lParam) {
  if (hit == static_cast<WPARAM>(HTVSCROLL) || hit == static_cast<WPARAM>(HTHSCROLL)) {
    TrackWindowScrollBar(hwnd, hit == static_cast<WPARAM>(HTVSCROLL) ? SB_VERT : SB_HORZ,
                         POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    return;
  }
  if (hit == static_cast<WPARAM>(HTCLOSE) || hit == static_cast<WPARAM>(HTMAXBUTTON) ||
      hit == static_cast<WPARAM>(HTMINBUTTON)) {
    TrackCaptionButton(hwnd, static_cast<LRESULT>(hit));
    return;
  }
  bool sizing = hit >= static_cast<WPARAM>(HTLEFT) && hit <= static_cast<WPARAM>(HTBOTTOMRIGHT);
  if (hit != static_cast<WPARAM>(HTCAPTION) && !sizing) return;
  // A child that answers a frame code (a size grip) moves or sizes its top-level window.
  HWND target = GetAncestor(hwnd, GA_ROOT);
  RECT start;
  GetWindowRect(target, &start);
  POINT anchor{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  SetCapture(hwnd);
  SendMessage(target, WM_ENTERSIZEMOVE, 0, 0);
  MSG msg;
  while (GetCapture() == hwnd) {
    if (!GetMessage(&msg, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_MOUSEMOVE && msg.hwnd == hwnd) {
      MINMAXINFO limits{};
      limits.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
      limits.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
      SendMessage(target, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
      RECT rect = Track(start, hit, POINT{msg.pt.x - anchor.x, msg.pt.y - anchor.y}, limits);
      SetWindowPos(target, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (msg.message == WM_LBUTTONUP) {
      break;
    } else if (msg.message == WM_KEYDOWN && msg.wParam == static_cast<WPARAM>(VK_ESCAPE)) {
      SetWindowPos(target, nullptr, start.left, start.top, start.right - start.left, start.bottom - start.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    } else {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  SendMessage(target, WM_EXITSIZEMOVE, 0, 0);
}

}  // namespace platform::detail
