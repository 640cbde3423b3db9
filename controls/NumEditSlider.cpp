// The drop button of the numeric edit and the slider it opens while held.
#include <algorithm>
#include <cmath>

#include "controls/CEditNum.h"

namespace {

COLORREF Sys(int index) { return GetSysColor(index); }

void Fill(HDC dc, int x, int y, int width, int height, COLORREF colour) {
  CDC::FromHandle(dc)->FillSolidRect(x, y, width, height, colour);
}

// Moves the rectangle into `room`, its left edge first; answers the shift.
POINT KeepRectWithin(RECT& rect, const RECT& room) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  int left = std::max(static_cast<int>(room.left),
                      std::min(static_cast<int>(rect.left), static_cast<int>(room.right) - width));
  int top = std::max(static_cast<int>(room.top),
                     std::min(static_cast<int>(rect.top), static_cast<int>(room.bottom) - height));
  const POINT shift{left - rect.left, top - rect.top};
  ::OffsetRect(&rect, shift.x, shift.y);
  return shift;
}

}  // namespace

// ---- The drop button ----

BEGIN_MESSAGE_MAP(NumEditButton, CButton)
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_SETFOCUS()
  ON_WM_KILLFOCUS()
END_MESSAGE_MAP()

void NumEditButton::DrawComboButton(HDC dc, int state, const RECT& rect) {
  const CRect box(rect);
  CDC* cdc = CDC::FromHandle(dc);
  cdc->FillSolidRect(&box, Sys(COLOR_3DFACE));
  const bool down = state == 3;
  CRect frame(box);
  cdc->Draw3dRect(&frame, Sys(down ? COLOR_3DDKSHADOW : COLOR_BTNHIGHLIGHT),
                  Sys(down ? COLOR_BTNHIGHLIGHT : COLOR_3DDKSHADOW));
  frame.DeflateRect(1, 1);
  cdc->Draw3dRect(&frame, Sys(down ? COLOR_BTNSHADOW : COLOR_3DLIGHT),
                  Sys(down ? COLOR_3DLIGHT : COLOR_BTNSHADOW));
  const int x = box.left + box.Width() / 2 - 3 + (down ? 1 : 0);
  const int y = box.top + box.Height() / 2 - 2 + (down ? 1 : 0);
  auto arrow = [&](int dx, int dy, COLORREF colour) {
    static constexpr int kLengths[] = {1, 2, 3, 4, 3, 2, 1};
    for (int i = 0; i < 7; ++i) Fill(dc, x + dx + i, y + dy, 1, kLengths[i], colour);
  };
  if (state == 4) {
    arrow(1, 1, Sys(COLOR_BTNHIGHLIGHT));
    arrow(0, 0, Sys(COLOR_BTNSHADOW));
  } else {
    arrow(0, 0, Sys(COLOR_BTNTEXT));
  }
}

void NumEditButton::DrawItem(DRAWITEMSTRUCT* item) {
  int state = (item->itemState & ODS_DISABLED) ? 4 : 1;
  if (pressed) state = 3;
  if (hot) state = 2;
  DrawComboButton(item->hDC, state, item->rcItem);
}

void NumEditButton::OnSetFocus(CWnd* previous) {
  Default();
  static_cast<CEditNum*>(GetParent())->FocusArrived(HwndOf(previous));
}

void NumEditButton::OnKillFocus(CWnd* next) {
  Default();
  static_cast<CEditNum*>(GetParent())->FocusLeft(HwndOf(next));
}

void NumEditButton::OnLButtonDown(UINT, CPoint) {
  auto* owner = static_cast<CEditNum*>(GetParent());
  NumEditField& field = owner->Field();
  hot = false;
  if (captured && ::GetCapture() == m_hWnd) ::ReleaseCapture();
  captured = false;
  pressed = false;
  SetState(TRUE);
  ModifyStyle(BS_DEFPUSHBUTTON, BS_OWNERDRAW);
  RedrawWindow();

  POINT cursor;
  ::GetCursorPos(&cursor);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfo(::MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
  const double v = owner->GetValue();
  slider = new NumEditSlider(owner->Minimum(), owner->Maximum(), v, owner->IsLogarithmic() ? 1 : 0, &field);
  CRect b;
  GetWindowRect(&b);
  const int workWidth = monitor.rcWork.right - monitor.rcWork.left;
  int width = owner->SliderWidth() + 7;
  if (width > workWidth) width = workWidth * 2 / 3;
  // The value's thumb opens under the pointer, so that a release without a move keeps it.
  const NumEditSlider::Track track = NumEditSlider::TrackOf(width);
  const int left = cursor.x - slider->ThumbAt(v, track.a, track.b);
  // Framed so that it stands out from the controls it covers; the frame lies around the track.
  RECT place{left, b.bottom + 2, left + width, b.bottom + 22};
  ::InflateRect(&place, GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER));
  // Within the dialog as well as the monitor, so that it never hangs over the dialog's edge.
  RECT room = monitor.rcWork, dialog;
  if (::GetWindowRect(::GetAncestor(m_hWnd, GA_ROOT), &dialog)) {
    room.left = std::max(room.left, dialog.left);
    room.right = std::min(room.right, dialog.right);
  }
  const POINT shift = KeepRectWithin(place, room);
  if (shift.x || shift.y) ::SetCursorPos(cursor.x + shift.x, cursor.y + shift.y);

  if (!slider->CreateEx(0, WC_STATIC, "", WS_POPUP | WS_BORDER, place, &field, 0)) {
    delete slider;
    slider = nullptr;
    return;
  }
  HWND popup = slider->m_hWnd;
  ::ReleaseCapture();
  slider->ShowWindow(SW_SHOW);
  if (::IsWindow(popup) && ::GetFocus() != popup) slider->SetFocus();

  // The field takes the focus before the slider goes, so that the focus never leaves the control.
  field.SetFocus();
  if (::IsWindow(popup)) slider->DestroyWindow();
  delete slider;
  slider = nullptr;
  sliderWindow = nullptr;
  SetState(FALSE);
  ModifyStyle(BS_DEFPUSHBUTTON, BS_OWNERDRAW);
  field.SetSel(0, -1);
  Invalidate();
}

// ---- The slider ----

BEGIN_MESSAGE_MAP(NumEditSlider, CWnd)
  ON_WM_SETFOCUS()
  ON_WM_KILLFOCUS()
  ON_WM_PAINT()
END_MESSAGE_MAP()

double LogInterpolate(double lo, double hi, double pos, double range) {
  const double v = std::exp(std::log(lo) + (std::log(hi) - std::log(lo)) * pos / range);
  return std::fmin(std::fmax(v, lo), hi);
}

CEditNum* NumEditSlider::Owner() const { return static_cast<CEditNum*>(edit->GetParent()); }

double NumEditSlider::ValueAt(int x, int a, int b) const {
  if (b <= a || maximum <= minimum) return minimum;
  if (scaleMode == 1) return LogInterpolate(minimum, maximum, x - a, b - a);
  const double v = minimum + static_cast<double>(x - a) * (maximum - minimum) / (b - a);
  return std::fmin(std::fmax(v, minimum), maximum);
}

int NumEditSlider::ThumbAt(double v, int a, int b) const {
  if (b <= a || maximum <= minimum) return a;
  const double share = scaleMode == 1
                           ? (std::log(v) - std::log(minimum)) / (std::log(maximum) - std::log(minimum))
                           : (v - minimum) / (maximum - minimum);
  return a + static_cast<int>(std::lround(std::fmin(std::fmax(share, 0.0), 1.0) * (b - a)));
}

void NumEditSlider::OnSetFocus(CWnd* previous) {
  Default();
  NumEditButton* button = Owner()->Button();
  if (button) button->sliderWindow = m_hWnd;
  Owner()->FocusArrived(HwndOf(previous));
  TrackLoop();
}

void NumEditSlider::TrackLoop() {
  const HWND self = m_hWnd;
  CRect client;
  GetClientRect(&client);
  const auto [a, b] = TrackOf(client.Width());
  // The thumb's own pixel stands for the value it opened with, which the track's pixels may
  // fall between.
  const int openedAt = ThumbAt(value, a, b);
  const double opened = value;
  ::SetCapture(self);
  double previous = value;
  MSG msg;
  bool tracking = true;
  while (tracking && ::IsWindow(self) && ::GetFocus() == self) {
    if (::GetMessage(&msg, nullptr, 0, 0) <= 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    const bool mine = msg.hwnd == self;
    switch (msg.message) {
      case WM_MOUSEMOVE:
      case WM_LBUTTONDOWN:
        if (!mine) break;
        {
          const int x = GET_X_LPARAM(msg.lParam);
          double v = x == openedAt ? opened : ValueAt(x, a, b);
          if (::GetKeyState(VK_CONTROL) < 0) {
            v = std::trunc(v);
            if (v < minimum) v += 1;
          }
          value = v;
          if (v != previous) {
            Owner()->SetValue(v, TRUE, TRUE);
            RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            edit->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
          }
          previous = v;
        }
        continue;
      case WM_LBUTTONUP:
      case WM_KILLFOCUS:
      case WM_CLOSE:
        if (mine) tracking = false;
        break;
      case WM_SETFOCUS:
      case WM_CAPTURECHANGED:
        if (mine) continue;
        tracking = false;
        break;
      default:
        break;
    }
    if (tracking || !mine) ::DispatchMessage(&msg);
  }
  if (::IsWindow(self) && ::GetCapture() == self) ::ReleaseCapture();
}

void NumEditSlider::OnKillFocus(CWnd* next) {
  Default();
  // Destroying the window hands the focus on again, which comes back here.
  if (closing) return;
  closing = true;
  CEditNum* owner = Owner();
  owner->FocusLeft(HwndOf(next));
  if (NumEditButton* button = owner->Button()) button->pressed = false;
  DestroyWindow();
}

void NumEditSlider::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  dc.FillSolidRect(&client, Sys(COLOR_3DFACE));
  CRect track(client);
  track.DeflateRect(3, 3);
  const int middle = track.CenterPoint().y;
  CRect groove(track.left, middle - 2, track.right, middle + 2);
  dc.Draw3dRect(&groove, Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT));
  const auto [a, b] = TrackOf(client.Width());
  const int x = ThumbAt(value, a, b);
  CRect thumb(x - 3, track.top, x + 4, track.bottom);
  dc.FillSolidRect(&thumb, Sys(COLOR_3DFACE));
  dc.Draw3dRect(&thumb, Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_3DDKSHADOW));
  thumb.DeflateRect(1, 1);
  dc.Draw3dRect(&thumb, Sys(COLOR_3DFACE), Sys(COLOR_BTNSHADOW));
  dc.FillSolidRect(x, thumb.top + 2, 1, thumb.Height() - 4, Sys(COLOR_BTNTEXT));
}
