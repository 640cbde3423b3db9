// What the standard controls share: their state behind the window's first extra word, the
// notifications to the parent, the font and the classic drawing helpers.
#pragma once
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "platform/gdi/Gdi.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Paint.h"
#include "platform/ui/Queue.h"
#include "platform/ui/Window.h"
#include "platform/win32/Rect.h"

namespace platform::detail {

// Registers every standard control class once; safe to call from any thread.
void EnsureStandardClasses();
void RegisterControlClass(LPCSTR name, WNDPROC proc, UINT style, LPCSTR cursor);
// Each control class's registration, in its own file.
void RegisterButtonClass();
void RegisterEditClass();
void RegisterStaticClass();
void RegisterListClasses();
void RegisterScrollBarClass();
void RegisterUpDownClass();
void RegisterProgressClass();
void RegisterTrackbarClass();
void RegisterToolTipClass();

// The control's state object, made on WM_NCCREATE and deleted on WM_NCDESTROY by
// ControlProc; null in between for a window of another class.
template <class State>
State* StateOf(HWND hwnd) {
  return reinterpret_cast<State*>(GetWindowLongPtr(hwnd, 0));
}

// What a control's state may keep for the cases every control answers alike.
template <class State, class = void>
struct KeepsFont : std::false_type {};
template <class State>
struct KeepsFont<State, std::void_t<decltype(std::declval<State&>().font)>> : std::true_type {};
template <class State, class = void>
struct KeepsFocus : std::false_type {};
template <class State>
struct KeepsFocus<State, std::void_t<decltype(std::declval<State&>().focused)>> : std::true_type {};

// Runs `handle` with the control's state, creating and deleting the state around the
// window's life. Every control paints its whole face (no erase) and repaints when enabled or
// disabled; one that keeps a font or the focus gets them here, and repaints on a focus change
// before `handle` adds its own part.
template <class State, class Handler>
LRESULT ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, Handler handle) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new State{}));
  }
  State* state = StateOf<State>(hwnd);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtr(hwnd, 0, 0);
    delete state;
    return DefWindowProc(hwnd, message, wParam, lParam);
  }
  if (!state) return DefWindowProc(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_SETFONT:
    case WM_GETFONT:
      if constexpr (KeepsFont<State>::value) {
        if (message == WM_GETFONT) return state->font.Get();
        state->font.font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if constexpr (KeepsFocus<State>::value) {
        state->focused = message == WM_SETFOCUS;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      break;
    default:
      break;
  }
  return handle(*state, hwnd, message, wParam, lParam);
}

// WM_COMMAND with the control's id and `code` to its parent.
void NotifyParent(HWND hwnd, WORD code);
// WM_NOTIFY with a header filled in from the control.
LRESULT NotifyParent(HWND hwnd, NMHDR* header, UINT code);
int ControlId(HWND hwnd);
// In a dialog, the push button that has the focus shows the default frame; while none has it,
// the dialog's default button does. `focus` is the window that has (or is about to get) it.
void ShowDefaultFrame(HWND dialog, HWND focus);
std::string TextOf(HWND hwnd);

// The font a control draws with: the one set by WM_SETFONT, else the dialog font.
HFONT DialogFont();
struct FontHolder {
  HFONT font = nullptr;
  LRESULT Get() const { return reinterpret_cast<LRESULT>(font); }
};

// A device context for painting a control: the paint area, its font selected, transparent text.
class ControlPaint {
 public:
  ControlPaint(HWND hwnd, HFONT font);
  ~ControlPaint();
  ControlPaint(const ControlPaint&) = delete;
  ControlPaint& operator=(const ControlPaint&) = delete;
  HDC dc() const { return dc_; }
  const RECT& client() const { return client_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT paint_{};
  HDC dc_;
  HGDIOBJ oldFont_;
  RECT client_{};
};

// Asks the parent for the control's background brush (WM_CTLCOLOR...), else the 3-D face.
HBRUSH ParentBrush(HWND hwnd, HDC dc, UINT message);

// A control's caption: etched (a highlight under a shadow) while the control is disabled.
void DrawControlText(HWND hwnd, HDC dc, const std::string& text, RECT* rect, UINT format);

// The classic raised (or pressed) button face with its two-pixel edge.
void DrawButtonFace(HDC dc, RECT rect, bool pressed, bool defaultFrame);
// A scroll bar's arrows, track and thumb in `rect` (the bar of a window or a control).
void DrawScrollBar(HDC dc, const RECT& rect, bool vertical, int min, int max, UINT page, int pos,
                   bool enabled);
// A window's own scroll bar in screen coordinates, beside its client area.
RECT WindowScrollBarRect(HWND hwnd, int which);
// A press on a window's own bar (SB_VERT or SB_HORZ) at a screen point: the window gets the
// scroll messages of the part pressed, and of the thumb while it is dragged, until the release.
void TrackWindowScrollBar(HWND hwnd, int which, POINT screen);
// A small filled triangle pointing `direction` (0 up, 1 down, 2 left, 3 right) centred in rect.
void DrawArrow(HDC dc, const RECT& rect, int direction, COLORREF colour);

}  // namespace platform::detail
