#include "platform/classlib/CView.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CView, CWnd)
IMPLEMENT_DYNAMIC(CScrollView, CView)

BEGIN_MESSAGE_MAP(CView, CWnd)
  ON_WM_PAINT()
  ON_MESSAGE(WM_INITIALUPDATE, HandleInitialUpdate)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CScrollView, CView)
  ON_WM_SIZE()
  ON_WM_HSCROLL()
  ON_WM_VSCROLL()
  ON_WM_MOUSEWHEEL()
END_MESSAGE_MAP()

const SIZE CScrollView::sizeDefault = {0, 0};

BOOL CView::PreCreateWindow(CREATESTRUCT& cs) {
  cs.style |= WS_CLIPSIBLINGS;
  return TRUE;
}

void CView::OnPaint() {
  CPaintDC dc(this);
  OnPrepareDC(&dc);
  OnDraw(&dc);
}

LRESULT CView::HandleInitialUpdate(WPARAM, LPARAM) {
  OnInitialUpdate();
  return 0;
}

void CScrollView::SetScrollSizes(int mapMode, SIZE total, const SIZE& page, const SIZE& line) {
  m_nMapMode = mapMode;
  m_totalLog = CSize(std::max<LONG>(0, total.cx), std::max<LONG>(0, total.cy));
  m_pageDev = page.cx || page.cy ? CSize(page) : CSize(m_totalLog.cx / 10, m_totalLog.cy / 10);
  m_lineDev = line.cx || line.cy ? CSize(line) : CSize(m_pageDev.cx / 10, m_pageDev.cy / 10);
  if (m_hWnd) UpdateBars();
}

CPoint CScrollView::GetScrollPosition() const { return CPoint(GetScrollPos(SB_HORZ), GetScrollPos(SB_VERT)); }

void CScrollView::UpdateBars() {
  // The client area without bars decides which bars are needed; a bar takes room from the
  // other direction, which may then need its bar too.
  CRect client;
  GetClientRect(&client);
  DWORD style = GetStyle();
  int width = client.Width() + ((style & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0);
  int height = client.Height() + ((style & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0);
  bool horizontal = m_totalLog.cx > width, vertical = m_totalLog.cy > height;
  if (horizontal && !vertical) vertical = m_totalLog.cy > height - GetSystemMetrics(SM_CYHSCROLL);
  if (vertical && !horizontal) horizontal = m_totalLog.cx > width - GetSystemMetrics(SM_CXVSCROLL);
  if (vertical) width -= GetSystemMetrics(SM_CXVSCROLL);
  if (horizontal) height -= GetSystemMetrics(SM_CYHSCROLL);
  CPoint before = GetScrollPosition();
  ShowScrollBar(m_hWnd, SB_HORZ, horizontal);
  ShowScrollBar(m_hWnd, SB_VERT, vertical);
  SCROLLINFO info{sizeof info,
                  SIF_RANGE | SIF_PAGE | SIF_POS,
                  0,
                  std::max<LONG>(0, m_totalLog.cx - 1),
                  static_cast<UINT>(std::max(0, width)),
                  horizontal ? static_cast<int>(before.x) : 0,
                  0};
  ::SetScrollInfo(m_hWnd, SB_HORZ, &info, TRUE);
  info.nMax = std::max<LONG>(0, m_totalLog.cy - 1);
  info.nPage = static_cast<UINT>(std::max(0, height));
  info.nPos = vertical ? before.y : 0;
  ::SetScrollInfo(m_hWnd, SB_VERT, &info, TRUE);
  CPoint after = GetScrollPosition();
  if (after != before) ScrollWindow(before.x - after.x, before.y - after.y);
}

void CScrollView::ScrollToPosition(POINT position) {
  CPoint before = GetScrollPosition();
  SetScrollPos(SB_HORZ, std::max<LONG>(0, position.x));
  SetScrollPos(SB_VERT, std::max<LONG>(0, position.y));
  CPoint after = GetScrollPosition();
  if (after != before) ScrollWindow(before.x - after.x, before.y - after.y);
}

void CScrollView::OnPrepareDC(CDC* dc) {
  CPoint position = GetScrollPosition();
  dc->SetViewportOrg(-position.x, -position.y);
}

BOOL CScrollView::OnScrollBy(CSize amount, BOOL doScroll) {
  CPoint before = GetScrollPosition();
  if (!doScroll) return TRUE;
  ScrollToPosition(CPoint(before.x + amount.cx, before.y + amount.cy));
  return GetScrollPosition() != before;
}

void CScrollView::OnSize(UINT type, int cx, int cy) {
  CView::OnSize(type, cx, cy);
  UpdateBars();
}

int CScrollView::NewPosition(int bar, UINT code, UINT thumb) const {
  int pos = GetScrollPos(bar);
  int line = bar == SB_HORZ ? m_lineDev.cx : m_lineDev.cy;
  int page = bar == SB_HORZ ? m_pageDev.cx : m_pageDev.cy;
  int total = bar == SB_HORZ ? m_totalLog.cx : m_totalLog.cy;
  switch (code) {
    case SB_LINEUP:
      return pos - std::max(1, line);
    case SB_LINEDOWN:
      return pos + std::max(1, line);
    case SB_PAGEUP:
      return pos - std::max(1, page);
    case SB_PAGEDOWN:
      return pos + std::max(1, page);
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      return static_cast<int>(thumb);
    case SB_TOP:
      return 0;
    case SB_BOTTOM:
      return total;
    default:
      return pos;
  }
}

void CScrollView::OnHScroll(UINT code, UINT pos, CScrollBar*) {
  OnScrollBy(CSize(NewPosition(SB_HORZ, code, pos) - GetScrollPos(SB_HORZ), 0));
}

void CScrollView::OnVScroll(UINT code, UINT pos, CScrollBar*) {
  OnScrollBy(CSize(0, NewPosition(SB_VERT, code, pos) - GetScrollPos(SB_VERT)));
}

BOOL CScrollView::OnMouseWheel(UINT, short delta, CPoint) {
  int lines = -delta / WHEEL_DELTA * 3;
  return OnScrollBy(CSize(0, lines * std::max<LONG>(1, m_lineDev.cy)));
}
