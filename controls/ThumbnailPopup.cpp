#include "controls/ThumbnailPopup.h"

#include <algorithm>

const UINT TVM_ENDPOPUP = RegisterWindowMessage("TVM_ENDPOPUP");
const UINT TVM_POPUPDESTROYING = RegisterWindowMessage("TVM_POPUPDESTROYING");

namespace {

constexpr DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
constexpr DWORD kFrameExStyle = WS_EX_TOOLWINDOW;

// The client rectangle of the top bar of the popup created last; empty without one.
RECT g_topBarRect{};

}  // namespace

BEGIN_MESSAGE_MAP(PopupFrame, CWnd)
  ON_WM_SIZE()
  ON_REGISTERED_MESSAGE(TVM_SELCHANGE, OnSelChange)
  ON_REGISTERED_MESSAGE(TVM_ENDPOPUP, OnEndPopup)
  ON_REGISTERED_MESSAGE(TVM_POPUPDESTROYING, OnPopupDestroying)
END_MESSAGE_MAP()

CWnd* PopupFrame::Receiver() { return owner ? owner : GetParent(); }

void PopupFrame::OnSize(UINT type, int cx, int cy) {
  CWnd::OnSize(type, cx, cy);
  if (topBar && topBar->m_hWnd)
    topBar->SetWindowPos(nullptr, 0, 0, cx, topBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  if (view && view->m_hWnd)
    view->SetWindowPos(nullptr, 0, topBarHeight, cx, cy - topBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT PopupFrame::OnSelChange(WPARAM wParam, LPARAM lParam) {
  if (CWnd* receiver = Receiver()) receiver->SendMessage(TVM_SELCHANGE, wParam, lParam);
  return 0;
}

// wParam is passed on untouched, never read: the view is destroyed before this arrives.
LRESULT PopupFrame::OnEndPopup(WPARAM wParam, LPARAM lParam) {
  if (CWnd* receiver = Receiver()) receiver->PostMessage(TVM_ENDPOPUP, wParam, lParam);
  return 0;
}

LRESULT PopupFrame::OnPopupDestroying(WPARAM wParam, LPARAM lParam) {
  if (CWnd* receiver = Receiver()) receiver->SendMessage(TVM_POPUPDESTROYING, wParam, lParam);
  return 0;
}

// The frame is a member of the popup, so the popup may go only once both windows are gone.
void PopupFrame::PostNcDestroy() {
  if (view && view->viewGone) delete view;
}

IMPLEMENT_DYNCREATE(CThumbnailPopup, CThumbnailView)

BEGIN_MESSAGE_MAP(CThumbnailPopup, CThumbnailView)
  ON_WM_LBUTTONUP()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_KEYDOWN()
  ON_WM_KILLFOCUS()
  ON_WM_SIZE()
  ON_WM_CAPTURECHANGED()
END_MESSAGE_MAP()

CThumbnailPopup* CThumbnailPopup::CreatePopup(LPCSTR title, CWnd* parent, ThumbnailSource* source,
                                              UINT viewId, RECT* anchorRect, const RECT* frameRect, bool show,
                                              CWnd* topBar) {
  auto* popup = static_cast<CThumbnailPopup*>(RUNTIME_CLASS(CThumbnailPopup)->CreateObject());
  if (!popup) return nullptr;
  const LPCSTR className = AfxRegisterWndClass(CS_DBLCLKS | CS_GLOBALCLASS);
  PopupFrame& frame = popup->frame;
  frame.view = popup;
  if (!frame.CreateEx(kFrameExStyle, className, title, kFrameStyle, CRect(), parent, 0)) {
    delete popup;
    return nullptr;
  }
  if (!popup->Create(nullptr, "", WS_CHILD, CRect(), &frame, viewId)) {
    // Without the view's window the frame frees the popup once its own is gone.
    popup->viewGone = true;
    ::DestroyWindow(frame.m_hWnd);
    return nullptr;
  }
  SetRectEmpty(&g_topBarRect);
  if (topBar && topBar->m_hWnd) {
    popup->topBar = topBar;
    popup->topBarParent = topBar->GetParent();
    ::SetParent(topBar->m_hWnd, frame.m_hWnd);
    topBar->GetClientRect(&g_topBarRect);
    frame.topBarHeight = g_topBarRect.bottom - g_topBarRect.top;
    frame.topBar = topBar;
  }
  frame.owner = parent;
  popup->SetSource(source);
  if (frameRect && !IsRectEmpty(frameRect)) {
    frame.MoveWindow(frameRect, FALSE);
  } else if (anchorRect) {
    popup->ComputePopupRect(anchorRect);
    anchorRect->bottom += frame.topBarHeight;
    frame.topBarWidth = std::max<int>(0, anchorRect->right - anchorRect->left);
    if (frame.topBar)
      frame.topBar->SetWindowPos(nullptr, 0, 0, frame.topBarWidth, frame.topBarHeight,
                                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    frame.MoveWindow(anchorRect, FALSE);
  }
  if (show) popup->ShowPopup();
  return popup;
}

void CThumbnailPopup::ShowPopup() {
  frame.ShowWindow(SW_SHOW);
  ShowWindow(SW_SHOW);
  if (topBar) topBar->ShowWindow(SW_SHOW);
  OnInitialUpdate();
}

void CThumbnailPopup::OnInitialUpdate() {
  SetFocus();
  CThumbnailView::OnInitialUpdate();
}

void CThumbnailPopup::ComputePopupRect(RECT* rect) {
  if (!source || !rect) return;
  const int count = source->GetCount();
  const int rows = std::min(kMaxRows, (count + kColumns - 1) / kColumns);
  const int columns = count <= kColumns ? count : kColumns;
  thumbSize = source->GetThumbnailSize();
  itemSize = SIZE{thumbSize.cx + 10, thumbSize.cy + 10 + (showCaptions ? 2 * lineHeight : 0)};
  int width = itemSize.cx * columns + 2;
  const int height = itemSize.cy * rows + 2;
  if (count > columns * rows) width += GetSystemMetrics(SM_CXVSCROLL);
  CRect popup(0, 0, width, height);
  SetWindowPos(nullptr, 0, frame.topBarHeight, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  Layout();
  AdjustWindowRectEx(&popup, kFrameStyle, FALSE, kFrameExStyle);
  popup.OffsetRect(-popup.left, -popup.top);

  RECT work{};
  GetWorkArea(&work);
  const CRect anchor(*rect);
  const int w = popup.Width(), h = popup.Height();
  if (anchor.bottom + h <= work.bottom) {
    popup.MoveToXY(std::min<int>(anchor.left, work.right - w), anchor.bottom);
  } else {
    int x;
    if (anchor.right + w <= work.right)
      x = anchor.right;
    else if (anchor.left >= w)
      x = anchor.left - w;
    else
      x = work.right - w;
    popup.MoveToXY(x, work.bottom - h);
  }
  const int barWidth = g_topBarRect.right - g_topBarRect.left;
  if (!IsRectEmpty(&g_topBarRect) && popup.Width() < barWidth) popup.right = popup.left + barWidth;
  *rect = popup;
}

void CThumbnailPopup::ClosePopup() {
  if (closed) return;
  closed = true;
  if (topBar) {
    ::SetParent(topBar->m_hWnd, topBarParent ? topBarParent->m_hWnd : nullptr);
    topBar->ShowWindow(SW_HIDE);
  }
  if (source) source->StopLoader();
  ::SendMessage(frame.m_hWnd, TVM_POPUPDESTROYING, reinterpret_cast<WPARAM>(frame.m_hWnd), 0);
  // Frees this object and the frame inside it once the frame's window is gone, so the window is
  // destroyed by handle: nothing may touch either object afterwards.
  ::DestroyWindow(frame.m_hWnd);
}

void CThumbnailPopup::EndPopup() {
  ::SendMessage(frame.m_hWnd, TVM_ENDPOPUP, reinterpret_cast<WPARAM>(this), static_cast<LPARAM>(current));
  ClosePopup();
}

void CThumbnailPopup::PostNcDestroy() {
  viewGone = true;
  if (!frame.m_hWnd) delete this;
}

void CThumbnailPopup::OnLButtonUp(UINT, CPoint) {
  Default();
  if (closed) return;
  if (source) source->StopLoader();
  EndPopup();
}

void CThumbnailPopup::OnLButtonDblClk(UINT flags, CPoint point) {
  CThumbnailView::OnLButtonDblClk(flags, point);
  if (!closed) EndPopup();
}

void CThumbnailPopup::OnKeyDown(UINT key, UINT repeat, UINT flags) {
  if (closed) return;
  if (key == VK_RETURN || key == VK_SPACE)
    EndPopup();
  else if (key == VK_ESCAPE)
    ClosePopup();
  else
    CThumbnailView::OnKeyDown(key, repeat, flags);
}

void CThumbnailPopup::OnKillFocus(CWnd* next) {
  CThumbnailView::OnKillFocus(next);
  if (closed) return;
  if (topBar) {
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(&cursor);
    cursor.y += frame.topBarHeight;
    if (PtInRect(&g_topBarRect, cursor)) return;
  }
  ClosePopup();
}

void CThumbnailPopup::OnSize(UINT type, int cx, int cy) {
  Layout();
  CThumbnailView::OnSize(type, cx, cy);
}

void CThumbnailPopup::OnCaptureChanged(CWnd*) { Default(); }
