// Static controls: text, frames and rectangles, etched lines, icons and bitmaps.
#include "platform/gdi/DcState.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/detail/Controls.h"

namespace platform::detail {
namespace {

struct StaticState {
  FontHolder font;
  HANDLE image = nullptr;  // icon or bitmap, by the style
};

void PaintImage(const StaticState& state, HDC dc, const RECT& client, DWORD style) {
  if (!state.image) return;
  DWORD kind = style & SS_TYPEMASK;
  int width = 0, height = 0;
  if (kind == SS_ICON) {
    ICONINFO info{};
    if (!GetIconInfo(static_cast<HICON>(state.image), &info)) return;
    width = static_cast<int>(info.xHotspot) * 2;
    height = static_cast<int>(info.yHotspot) * 2;
    DeleteObject(info.hbmColor);  // copies, only their size was wanted
    DeleteObject(info.hbmMask);
  } else {
    BITMAP info{};
    if (!GetObject(state.image, sizeof info, &info)) return;
    width = info.bmWidth;
    height = info.bmHeight;
  }
  int x = client.left, y = client.top;
  if (style & SS_CENTERIMAGE) {
    x = (client.left + client.right - width) / 2;
    y = (client.top + client.bottom - height) / 2;
  }
  if (kind == SS_ICON) {
    DrawIconEx(dc, x, y, static_cast<HICON>(state.image), width, height, 0, nullptr, DI_NORMAL);
    return;
  }
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, state.image);
  BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

void Paint(StaticState& state, HWND hwnd) {
  DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
  DWORD kind = style & SS_TYPEMASK;
  ControlPaint paint(hwnd, state.font.font);
  HDC dc = paint.dc();
  RECT client = paint.client();
  auto fill = [&](int colour) { FillRect(dc, &client, GetSysColorBrush(colour)); };
  auto frame = [&](int colour) {
    // The inside shows the parent's background, whether or not the parent clips its children.
    FillRect(dc, &client, ParentBrush(hwnd, dc, WM_CTLCOLORSTATIC));
    FrameRect(dc, &client, GetSysColorBrush(colour));
  };
  switch (kind) {
    case SS_BLACKRECT:
      fill(COLOR_WINDOWFRAME);
      return;
    case SS_GRAYRECT:
      fill(COLOR_BTNSHADOW);
      return;
    case SS_WHITERECT:
      fill(COLOR_WINDOW);
      return;
    case SS_BLACKFRAME:
      frame(COLOR_WINDOWFRAME);
      return;
    case SS_GRAYFRAME:
      frame(COLOR_BTNSHADOW);
      return;
    case SS_WHITEFRAME:
      frame(COLOR_WINDOW);
      return;
    case SS_ETCHEDFRAME:
      FillRect(dc, &client, ParentBrush(hwnd, dc, WM_CTLCOLORSTATIC));
      DrawEdge(dc, &client, EDGE_ETCHED, BF_RECT);
      return;
    case SS_ETCHEDHORZ:
      DrawEdge(dc, &client, EDGE_ETCHED, BF_TOP);
      return;
    case SS_ETCHEDVERT:
      DrawEdge(dc, &client, EDGE_ETCHED, BF_LEFT);
      return;
    case SS_OWNERDRAW: {
      DRAWITEMSTRUCT item{};
      item.CtlType = 3;  // ODT_STATIC
      item.CtlID = static_cast<UINT>(ControlId(hwnd));
      item.itemAction = ODA_DRAWENTIRE;
      item.hwndItem = hwnd;
      item.hDC = dc;
      item.rcItem = client;
      if (HWND parent = GetParent(hwnd))
        SendMessage(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
      return;
    }
    default:
      break;
  }
  FillRect(dc, &client, ParentBrush(hwnd, dc, WM_CTLCOLORSTATIC));
  if (kind == SS_ICON || kind == SS_BITMAP) {
    PaintImage(state, dc, client, style);
  } else {
    UINT format = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
    if (kind == SS_CENTER)
      format |= DT_CENTER | DT_WORDBREAK;
    else if (kind == SS_RIGHT)
      format |= DT_RIGHT | DT_WORDBREAK;
    else if (kind == SS_LEFT)
      format |= DT_WORDBREAK;
    else
      format |= DT_SINGLELINE;
    if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
    DrawControlText(hwnd, dc, TextOf(hwnd), &client, format);
  }
  if (style & SS_SUNKEN) DrawEdge(dc, &client, BDR_SUNKENOUTER, BF_RECT);
}

LRESULT Handle(StaticState& state, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST:
      return (GetWindowLongPtr(hwnd, GWL_STYLE) & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_LBUTTONDOWN:
      NotifyParent(hwnd, STN_CLICKED);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_PAINT:
      Paint(state, hwnd);
      return 0;
    case WM_SETTEXT: {
      LRESULT result = DefWindowProc(hwnd, message, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return result;
    }
    case STM_SETICON:
    case STM_SETIMAGE: {
      HANDLE previous = state.image;
      state.image = reinterpret_cast<HANDLE>(message == STM_SETICON ? wParam : static_cast<WPARAM>(lParam));
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETICON:
    case STM_GETIMAGE:
      return reinterpret_cast<LRESULT>(state.image);
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ControlProc<StaticState>(hwnd, message, wParam, lParam, Handle);
}

}  // namespace

void RegisterStaticClass() { RegisterControlClass(WC_STATIC, Proc, 0, IDC_ARROW); }

}  // namespace platform::detail
