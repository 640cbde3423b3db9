#include "platform/classlib/CControls.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CListBox, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CScrollBar, CWnd)
IMPLEMENT_DYNAMIC(CProgressCtrl, CWnd)
IMPLEMENT_DYNAMIC(CSliderCtrl, CWnd)
IMPLEMENT_DYNAMIC(CSpinButtonCtrl, CWnd)
IMPLEMENT_DYNAMIC(CToolTipCtrl, CWnd)

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message != WM_DRAWITEM) return CWnd::OnChildNotify(message, wParam, lParam, result);
  DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
  if (result) *result = TRUE;
  return TRUE;
}

void CListBox::GetText(int index, CString& text) const {
  int length = static_cast<int>(SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(index)));
  if (length < 0) {
    text.Empty();
    return;
  }
  SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.GetBuffer(length + 1)));
  text.ReleaseBuffer();
}

void CComboBox::GetLBText(int index, CString& text) const {
  int length = static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index)));
  if (length < 0) {
    text.Empty();
    return;
  }
  SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.GetBuffer(length + 1)));
  text.ReleaseBuffer();
}

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
  return CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASS, nullptr, WS_POPUP | style, RECT{0, 0, 0, 0},
                  parent ? parent->GetTopLevelParent() : nullptr, 0);
}

BOOL CToolTipCtrl::AddTool(CWnd* wnd, LPCSTR text, const RECT* rect, UINT_PTR id) {
  TOOLINFO tool{sizeof tool, TTF_SUBCLASS, HwndOf(wnd), id, {}, nullptr, const_cast<LPSTR>(text), 0};
  if (rect && !::IsRectEmpty(rect)) {
    tool.rect = *rect;
  } else {
    tool.uFlags |= TTF_IDISHWND;
    tool.hwnd = ::GetParent(HwndOf(wnd)) ? ::GetParent(HwndOf(wnd)) : HwndOf(wnd);
    tool.uId = reinterpret_cast<UINT_PTR>(HwndOf(wnd));
  }
  return static_cast<BOOL>(SendMessage(TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&tool)));
}

void CToolTipCtrl::DelTool(CWnd* wnd, UINT_PTR id) {
  TOOLINFO tool{sizeof tool, 0, HwndOf(wnd), id, {}, nullptr, nullptr, 0};
  if (!id) {
    tool.hwnd = ::GetParent(HwndOf(wnd)) ? ::GetParent(HwndOf(wnd)) : HwndOf(wnd);
    tool.uId = reinterpret_cast<UINT_PTR>(HwndOf(wnd));
  }
  SendMessage(TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&tool));
}
