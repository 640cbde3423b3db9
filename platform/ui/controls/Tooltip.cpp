// The tooltip control: tools are areas of windows; hovering one for the initial delay shows
// the tool's text (asked of the tool's window with TTN_NEEDTEXT when it is a callback) in a
// small pop-up under the cursor, which goes when the cursor leaves the tool or a button goes
// down, and does not come while a button is held (a drag). The delays run on the platform clock.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/DcState.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/Timers.h"
#include "platform/ui/detail/Controls.h"
#include "platform/win32/Rect.h"
#include "platform/win32/Resource.h"

namespace platform::detail {
namespace {

constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kWatchTimer = 2;
constexpr UINT kWatchMs = 100;
constexpr LPCSTR kRelayProp = "WfToolTipRelay";
constexpr LPCSTR kRelayProcProp = "WfToolTipRelayProc";

struct Tool {
  TOOLINFO info{};
  std::string text;  // when not a callback
  bool callback = false;
};

struct TipState {
  std::vector<Tool> tools;
  int hovered = -1;  // the tool under the cursor
  bool shown = false;
  bool active = true;
  UINT initialMs = 500;
  int maxWidth = -1;
  std::string text;
};

HWND ToolWindow(const TOOLINFO& info) {
  return (info.uFlags & TTF_IDISHWND) ? reinterpret_cast<HWND>(info.uId) : info.hwnd;
}

bool SameTool(const TOOLINFO& a, const TOOLINFO& b) { return a.hwnd == b.hwnd && a.uId == b.uId; }

int ToolAt(const TipState& state, HWND hwnd, POINT screen) {
  for (std::size_t i = 0; i < state.tools.size(); ++i) {
    const TOOLINFO& info = state.tools[i].info;
    HWND window = ToolWindow(info);
    if (window != hwnd) continue;
    POINT client = screen;
    ScreenToClient(window, &client);
    if ((info.uFlags & TTF_IDISHWND) || PtInRect(&info.rect, client)) return static_cast<int>(i);
  }
  return -1;
}

void Hide(TipState& state, HWND tip) {
  KillTimer(tip, kShowTimer);
  KillTimer(tip, kWatchTimer);
  if (!state.shown) return;
  state.shown = false;
  ShowWindow(tip, SW_HIDE);
  if (state.hovered >= 0 && state.hovered < static_cast<int>(state.tools.size())) {
    const TOOLINFO& info = state.tools[static_cast<std::size_t>(state.hovered)].info;
    NMHDR header{tip, info.uId, TTN_POP};
    SendMessage(info.hwnd, WM_NOTIFY, info.uId, reinterpret_cast<LPARAM>(&header));
  }
}

std::string TextOfTool(Tool& tool, HWND tip) {
  const TOOLINFO& info = tool.info;
  if (!tool.callback) return tool.text;
  NMTTDISPINFO request{};
  request.hdr = NMHDR{tip, info.uId, TTN_NEEDTEXTA};
  request.uFlags = info.uFlags;
  request.lParam = info.lParam;
  SendMessage(info.hwnd, WM_NOTIFY, info.uId, reinterpret_cast<LPARAM>(&request));
  request.szText[sizeof request.szText - 1] = '\0';
  if (!request.lpszText) return request.szText;
  auto asNumber = reinterpret_cast<ULONG_PTR>(request.lpszText);
  if (request.hinst && asNumber <= 0xFFFF) {
    char buffer[1024];
    int length = LoadString(request.hinst, static_cast<UINT>(asNumber), buffer, sizeof buffer);
    return std::string(buffer, static_cast<std::size_t>(std::max(0, length)));
  }
  if (request.lpszText == LPSTR_TEXTCALLBACK) return "";
  return request.lpszText;
}

RECT Measure(const TipState& state, HWND tip, const std::string& text) {
  HDC dc = GetDC(tip);
  HGDIOBJ old = SelectObject(dc, DialogFont());
  RECT bounds{0, 0, state.maxWidth > 0 ? state.maxWidth : 10000, 0};
  DrawText(dc, text.c_str(), -1, &bounds,
           DT_CALCRECT | DT_NOPREFIX | (state.maxWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(tip, dc);
  return bounds;
}

bool MouseButtonHeld() {
  return GetAsyncKeyState(VK_LBUTTON) < 0 || GetAsyncKeyState(VK_RBUTTON) < 0 ||
         GetAsyncKeyState(VK_MBUTTON) < 0;
}

void Show(TipState& state, HWND tip) {
  // Not over a drag, which may pass the tool on its way.
  if (state.hovered < 0 || !state.active || MouseButtonHeld()) return;
  Tool& tool = state.tools[static_cast<std::size_t>(state.hovered)];
  std::string text = TextOfTool(tool, tip);
  if (text.empty() || state.hovered < 0) return;
  state.text = text;
  NMHDR header{tip, tool.info.uId, TTN_SHOW};
  if (SendMessage(tool.info.hwnd, WM_NOTIFY, tool.info.uId, reinterpret_cast<LPARAM>(&header))) {
    state.shown = true;  // the owner placed the tip itself
  } else {
    RECT size = Measure(state, tip, text);
    POINT cursor;
    GetCursorPos(&cursor);
    // The text's rectangle, inside the margins the paint leaves, inside the border.
    RECT frame{0, 0, size.right + 8, size.bottom + 4};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtr(tip, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtr(tip, GWL_EXSTYLE)));
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT work;
    SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
    int x = std::clamp<int>(cursor.x, work.left, std::max<int>(work.left, work.right - width));
    int y = cursor.y + 20;
    if (y + height > work.bottom) y = cursor.y - height - 2;
    SetWindowPos(tip, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    state.shown = true;
  }
  InvalidateRect(tip, nullptr, TRUE);
  SetTimer(tip, kWatchTimer, kWatchMs, nullptr);
}

void Relay(TipState& state, HWND tip, const MSG& msg) {
  if (msg.message == WM_MOUSEMOVE && (msg.wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) {
    Hide(state, tip);
    state.hovered = -1;
  } else if (msg.message == WM_MOUSEMOVE) {
    POINT screen{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    ClientToScreen(msg.hwnd, &screen);
    int tool = ToolAt(state, msg.hwnd, screen);
    if (tool == state.hovered) return;
    Hide(state, tip);
    state.hovered = tool;
    if (tool >= 0 && state.active) SetTimer(tip, kShowTimer, state.initialMs, nullptr);
  } else if (msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN ||
             msg.message == WM_MBUTTONDOWN || msg.message == WM_MOUSEWHEEL) {
    Hide(state, tip);
  }
}

// Tools with TTF_SUBCLASS hand their mouse messages to the tip from their own procedure.
LRESULT RelayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto previous = reinterpret_cast<WNDPROC>(GetProp(hwnd, kRelayProcProp));
  auto tip = reinterpret_cast<HWND>(GetProp(hwnd, kRelayProp));
  if (tip && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
    MSG msg{hwnd, message, wParam, lParam, 0, {}};
    SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
  }
  if (message == WM_NCDESTROY) {
    RemoveProp(hwnd, kRelayProp);
    RemoveProp(hwnd, kRelayProcProp);
    SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  }
  return CallWindowProc(previous, hwnd, message, wParam, lParam);
}

void Subclass(HWND window, HWND tip) {
  if (!window || GetProp(window, kRelayProp)) return;
  SetProp(window, kRelayProp, tip);
  SetProp(window, kRelayProcProp, reinterpret_cast<HANDLE>(GetWindowLongPtr(window, GWLP_WNDPROC)));
  SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RelayProc));
}

int FindTool(const TipState& state, const TOOLINFO* info) {
  if (!info) return -1;
  for (std::size_t i = 0; i < state.tools.size(); ++i) {
    if (SameTool(state.tools[i].info, *info)) return static_cast<int>(i);
  }
  return -1;
}

void StoreText(Tool& tool, LPSTR text) {
  tool.callback = text == LPSTR_TEXTCALLBACK;
  tool.text.clear();
  auto asNumber = reinterpret_cast<ULONG_PTR>(text);
  if (tool.callback || !text) return;
  if (asNumber <= 0xFFFF) {
    char buffer[1024];
    int length = LoadString(tool.info.hinst, static_cast<UINT>(asNumber), buffer, sizeof buffer);
    tool.text.assign(buffer, static_cast<std::size_t>(std::max(0, length)));
  } else {
    tool.text = text;
  }
}

LRESULT Handle(TipState& state, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      SetWindowLongPtr(hwnd, GWL_STYLE, GetWindowLongPtr(hwnd, GWL_STYLE) | WS_BORDER);
      SetWindowLongPtr(hwnd, GWL_EXSTYLE,
                       GetWindowLongPtr(hwnd, GWL_EXSTYLE) | WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
      return 0;
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_PAINT: {
      ControlPaint paint(hwnd, nullptr);
      FillRect(paint.dc(), &paint.client(), GetSysColorBrush(COLOR_INFOBK));
      SetTextColor(paint.dc(), GetSysColor(COLOR_INFOTEXT));
      RECT text = paint.client();
      InflateRect(&text, -4, -2);
      DrawText(paint.dc(), state.text.c_str(), -1, &text,
               DT_NOPREFIX | (state.maxWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
      return 0;
    }
    case WM_TIMER:
      if (wParam == kShowTimer) {
        KillTimer(hwnd, kShowTimer);
        Show(state, hwnd);
      } else if (wParam == kWatchTimer && state.hovered >= 0) {
        POINT cursor;
        GetCursorPos(&cursor);
        HWND under = WindowFromPoint(cursor);
        if (ToolAt(state, under, cursor) != state.hovered) {
          Hide(state, hwnd);
          state.hovered = -1;
        }
      }
      return 0;
    case TTM_ACTIVATE:
      state.active = wParam != 0;
      if (!state.active) Hide(state, hwnd);
      return 0;
    case TTM_SETDELAYTIME:
      if (wParam == TTDT_INITIAL || wParam == 0) {
        state.initialMs = static_cast<UINT>(static_cast<SHORT>(LOWORD(lParam)) < 0 ? 500 : LOWORD(lParam));
      }
      return 0;
    case TTM_ADDTOOL: {
      auto* info = reinterpret_cast<const TOOLINFO*>(lParam);
      if (!info) return FALSE;
      Tool tool;
      tool.info = *info;
      StoreText(tool, info->lpszText);
      tool.info.lpszText = nullptr;
      if (info->uFlags & TTF_SUBCLASS) Subclass(ToolWindow(*info), hwnd);
      int existing = FindTool(state, info);
      if (existing >= 0)
        state.tools[static_cast<std::size_t>(existing)] = tool;
      else
        state.tools.push_back(tool);
      return TRUE;
    }
    case TTM_DELTOOL: {
      int index = FindTool(state, reinterpret_cast<const TOOLINFO*>(lParam));
      if (index < 0) return 0;
      if (index == state.hovered) {
        Hide(state, hwnd);
        state.hovered = -1;
      } else if (index < state.hovered) {
        --state.hovered;
      }
      state.tools.erase(state.tools.begin() + index);
      return 0;
    }
    case TTM_NEWTOOLRECT: {
      int index = FindTool(state, reinterpret_cast<const TOOLINFO*>(lParam));
      if (index >= 0)
        state.tools[static_cast<std::size_t>(index)].info.rect =
            reinterpret_cast<const TOOLINFO*>(lParam)->rect;
      return 0;
    }
    case TTM_UPDATETIPTEXT: {
      auto* info = reinterpret_cast<const TOOLINFO*>(lParam);
      int index = FindTool(state, info);
      if (index >= 0) StoreText(state.tools[static_cast<std::size_t>(index)], info->lpszText);
      return 0;
    }
    case TTM_GETTOOLCOUNT:
      return static_cast<LRESULT>(state.tools.size());
    case TTM_RELAYEVENT:
      if (lParam) Relay(state, hwnd, *reinterpret_cast<const MSG*>(lParam));
      return 0;
    case TTM_SETMAXTIPWIDTH: {
      int previous = state.maxWidth;
      state.maxWidth = static_cast<int>(lParam);
      return previous;
    }
    case TTM_POP:
      Hide(state, hwnd);
      return 0;
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ControlProc<TipState>(hwnd, message, wParam, lParam, Handle);
}

}  // namespace

void RegisterToolTipClass() { RegisterControlClass(TOOLTIPS_CLASS, Proc, CS_SAVEBITS, IDC_ARROW); }

}  // namespace platform::detail
