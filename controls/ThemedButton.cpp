#include "controls/ThemedButton.h"

BEGIN_MESSAGE_MAP(ThemedButton, CButton)
  ON_WM_ENABLE()
  ON_WM_MOUSEMOVE()
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_LBUTTONUP()
  ON_WM_KILLFOCUS()
  ON_WM_CANCELMODE()
  ON_WM_ERASEBKGND()
  ON_MESSAGE(BM_SETCHECK, OnSetCheck)
END_MESSAGE_MAP()

void ThemedButton::EnableThemes(bool enable) { themesEnabled = enable && LoadThemeLibrary(); }

bool ThemedButton::LoadThemeLibrary() {
  if (libraryTried) return themesEnabled;
  libraryTried = true;
  // This platform has no visual-styles library: the load fails as on a system without one, and
  // every button keeps the classic look.
  themesEnabled = false;
  return false;
}

void ThemedButton::DrawFrame(CDC* dc, int state, const RECT& rect, bool focused) {
  CRect box(rect);
  dc->FillSolidRect(&box, GetSysColor(COLOR_BTNFACE));
  const bool pressed = state == kPressed;
  dc->Draw3dRect(&box, GetSysColor(pressed ? COLOR_3DDKSHADOW : COLOR_BTNHIGHLIGHT),
                 GetSysColor(pressed ? COLOR_BTNHIGHLIGHT : COLOR_3DDKSHADOW));
  box.DeflateRect(1, 1);
  dc->Draw3dRect(&box, GetSysColor(pressed ? COLOR_BTNSHADOW : COLOR_3DLIGHT),
                 GetSysColor(pressed ? COLOR_3DLIGHT : COLOR_BTNSHADOW));
  if (focused) {
    CRect focus(rect);
    focus.DeflateRect(3, 3);
    dc->DrawFocusRect(&focus);
  }
}

void ThemedButton::PreSubclassWindow() {
  const DWORD style = GetStyle();
  isToggle = (style & 3) != 0;
  ::SetWindowLongPtr(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(style | BS_OWNERDRAW));
  CButton::PreSubclassWindow();
}

int ThemedButton::DrawState(const DRAWITEMSTRUCT& item) const {
  if (item.itemState & ODS_DISABLED) return kDisabled;
  if ((isToggle && checkState) || pressedLook) return kPressed;
  if (hot) return kHot;
  return (item.itemState & ODS_FOCUS) ? kDefault : kNormal;
}

void ThemedButton::DrawItem(DRAWITEMSTRUCT* item) {
  CDC* dc = CDC::FromHandle(item->hDC);
  const int state = DrawState(*item);
  CRect client;
  GetClientRect(&client);
  dc->FillSolidRect(&client, GetSysColor(COLOR_BTNFACE));
  DrawFrame(dc, state, item->rcItem, (item->itemState & ODS_FOCUS) != 0);
  CString text;
  GetWindowText(text);
  if (text.IsEmpty()) return;
  const int oldMode = dc->SetBkMode(TRANSPARENT);
  CFont* oldFont = nullptr;
  if (CWnd* parent = GetParent()) {
    if (CFont* font = parent->GetFont()) oldFont = dc->SelectObject(font);
  }
  CRect measured(item->rcItem);
  dc->DrawText(text, &measured, DT_CALCRECT | DT_CENTER | DT_VCENTER);
  CRect face(item->rcItem);
  measured.OffsetRect(face.CenterPoint().x - measured.CenterPoint().x,
                      face.CenterPoint().y - measured.CenterPoint().y);
  if (state == kDisabled) {
    // The classic disabled caption is etched: a highlight under the shadow.
    const COLORREF oldColour = dc->SetTextColor(GetSysColor(COLOR_BTNHIGHLIGHT));
    CRect under(measured);
    under.OffsetRect(1, 1);
    dc->DrawText(text, &under, DT_CENTER | DT_VCENTER);
    dc->SetTextColor(GetSysColor(COLOR_BTNSHADOW));
    dc->DrawText(text, &measured, DT_CENTER | DT_VCENTER);
    dc->SetTextColor(oldColour);
  } else {
    dc->DrawText(text, &measured, DT_CENTER | DT_VCENTER);
  }
  if (oldFont) dc->SelectObject(oldFont);
  dc->SetBkMode(oldMode);
}

void ThemedButton::Repaint() {
  Invalidate(TRUE);
  UpdateWindow();
}

void ThemedButton::ReleaseCapture() {
  if (!captured) return;
  captured = 0;
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
}

void ThemedButton::OnEnable(BOOL enable) {
  if (!enable) {
    ClearState();
    ReleaseCapture();
  }
  Default();
}

void ThemedButton::OnMouseMove(UINT flags, CPoint point) {
  CPoint screen = point;
  ClientToScreen(&screen);
  const bool inside = ::WindowFromPoint(screen) == m_hWnd;
  const bool leftHeld = (flags & MK_LBUTTON) != 0;
  bool changed = false;
  if (!inside) {
    if (leftHeld && pressedLook) pressedLook = 0, changed = true;
    if (!leftHeld && hot) hot = 0, changed = true;
    if (captured && flags == 0) ReleaseCapture();
  } else {
    if (!hot) hot = 1, changed = true;
    if (leftHeld && !pressedLook && buttonDown) pressedLook = 1, changed = true;
    if (!captured) {
      SetCapture();
      captured = 1;
    }
  }
  if (changed) Repaint();
  Default();
}

void ThemedButton::OnLButtonDown(UINT, CPoint) {
  pressedLook = buttonDown = hot = 1;
  if (!captured) {
    SetCapture();
    captured = 1;
  }
  Repaint();
  Default();
}

void ThemedButton::OnLButtonUp(UINT, CPoint point) {
  const bool toggle = isToggle != 0;
  ClearState();
  CRect client;
  GetClientRect(&client);
  const bool inside = client.PtInRect(point) != 0;
  if (toggle && inside) checkState = !checkState;
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  ReleaseCapture();
  if (inside) {
    if (CWnd* parent = GetParent())
      parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), BN_CLICKED),
                          reinterpret_cast<LPARAM>(m_hWnd));
  }
}

void ThemedButton::OnKillFocus(CWnd*) {
  Default();
  ReleaseCapture();
  ClearState();
  Repaint();
}

void ThemedButton::OnCancelMode() {
  Default();
  if (!captured) return;
  ReleaseCapture();
  ClearState();
  Repaint();
}

LRESULT ThemedButton::OnSetCheck(WPARAM check, LPARAM) {
  checkState = static_cast<int>(check);
  Repaint();
  return Default();
}
