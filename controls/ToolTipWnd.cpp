#include "controls/ToolTipWnd.h"

#include "platform/gdi/Display.h"
#include "platform/gdi/Draw.h"
#include "platform/ui/Metrics.h"

void GetWorkArea(RECT* area) {
  if (GetSystemMetrics(SM_CMONITORS) == 1 && SystemParametersInfo(SPI_GETWORKAREA, 0, area, 0)) return;
  SetRect(area, 0, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

BEGIN_MESSAGE_MAP(TToolTipWnd, CWnd)
  ON_WM_ERASEBKGND()
  ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL TToolTipWnd::Create(CWnd* ownerWindow) {
  const LPCSTR className = AfxRegisterWndClass(CS_SAVEBITS | CS_GLOBALCLASS);
  owner = ownerWindow;
  return CreateEx(WS_EX_TOOLWINDOW, className, "TToolTipWnd", WS_POPUP | WS_BORDER, CRect(0, 0, 0, 0),
                  ownerWindow, 0);
}

void TToolTipWnd::Hide() {
  ShowWindow(SW_HIDE);
  ModifyStyleEx(WS_EX_TOPMOST, 0);
  ::SetWindowPos(m_hWnd, HwndOf(owner), 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  text.clear();
  SetRectEmpty(&textRect);
  SetRectEmpty(&windowRect);
}

void TToolTipWnd::Show() {
  ModifyStyleEx(0, WS_EX_TOPMOST);
  ::SetWindowPos(m_hWnd, HWND_TOP, windowRect.left, windowRect.top, windowRect.right - windowRect.left,
                 windowRect.bottom - windowRect.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ShowWindow(SW_SHOWNOACTIVATE);
}

BOOL TToolTipWnd::OnEraseBkgnd(CDC* dc) {
  RECT client{};
  GetClientRect(&client);
  FillRect(*dc, &client, GetSysColorBrush(COLOR_INFOBK));
  return TRUE;
}

void TToolTipWnd::OnPaint() {
  CPaintDC dc(this);
  // The class library keeps no tooltip control per thread, so the tip takes the GUI font.
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
  RECT place = textRect;
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &place, drawFlags);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
}

BEGIN_MESSAGE_MAP(HtmlToolTipWnd, TToolTipWnd)
  ON_WM_PAINT()
END_MESSAGE_MAP()

void HtmlToolTipWnd::SetTip(int x, int y, const char* tip) {
  text = tip ? tip : "";
  SIZE size{0, 0};
  {
    CClientDC dc(this);
    RECT area{};
    GetWorkArea(&area);
    size = drawer.Measure(SIZE{area.right - area.left, area.bottom - area.top}, dc, text.c_str());
  }
  const int insetX = margin + GetSystemMetrics(SM_CXBORDER), insetY = margin + GetSystemMetrics(SM_CYBORDER);
  SetRect(&textRect, insetX, insetY, insetX + size.cx, insetY + size.cy);
  SetRect(&windowRect, 0, 0, size.cx + 2 * insetX, size.cy + 2 * insetY);
  OffsetRect(&windowRect, x + 8, y + 8);
  const int right = GetSystemMetrics(SM_CXVIRTUALSCREEN), bottom = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (windowRect.right > right) OffsetRect(&windowRect, right - windowRect.right, 0);
  if (windowRect.bottom > bottom) OffsetRect(&windowRect, 0, bottom - windowRect.bottom);
}

void HtmlToolTipWnd::OnPaint() {
  CPaintDC dc(this);
  drawer.Draw(dc, text.c_str(), textRect.left, textRect.top, textRect.right, textRect.bottom);
}
