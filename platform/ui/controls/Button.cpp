// Buttons: push, default push, check boxes, radio buttons, group boxes and owner-drawn ones.
#include "platform/gdi/DcState.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/detail/Controls.h"
#include "platform/win32/Rect.h"

namespace platform::detail {
namespace {

struct ButtonState {
  WPARAM check = BST_UNCHECKED;
  bool pushed = false;    // drawn pressed
  bool tracking = false;  // the left button went down on it
  bool spaceDown = false;
  bool focused = false;
  FontHolder font;
  HANDLE image = nullptr;
};

DWORD Kind(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)) & BS_TYPEMASK; }
bool IsCheckKind(DWORD kind) {
  return kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON || kind == BS_3STATE ||
         kind == BS_AUTO3STATE || kind == BS_AUTORADIOBUTTON;
}
bool IsRadio(DWORD kind) { return kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON; }

UINT TextFormat(DWORD style, UINT horizontalDefault) {
  UINT format = DT_SINGLELINE;
  switch (style & BS_CENTER) {
    case BS_LEFT:
      format |= DT_LEFT;
      break;
    case BS_RIGHT:
      format |= DT_RIGHT;
      break;
    case BS_CENTER:
      format |= DT_CENTER;
      break;
    default:
      format |= horizontalDefault;
  }
  switch (style & BS_VCENTER) {
    case BS_TOP:
      break;
    case BS_BOTTOM:
      format |= DT_BOTTOM;
      break;
    default:
      format |= DT_VCENTER;
  }
  if (style & BS_MULTILINE) format = (format & ~DT_SINGLELINE) | DT_WORDBREAK;
  return format;
}

// An automatic radio button unchecks the others of its group when it is checked.
void UncheckGroupSiblings(HWND hwnd) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  HWND first = hwnd;
  while (!(GetWindowLongPtr(first, GWL_STYLE) & WS_GROUP)) {
    HWND previous = GetWindow(first, GW_HWNDPREV);
    if (!previous) break;
    first = previous;
  }
  for (HWND sibling = first; sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
    if (sibling != first && (GetWindowLongPtr(sibling, GWL_STYLE) & WS_GROUP)) break;
    if (sibling != hwnd && StateOf<ButtonState>(sibling) && Kind(sibling) == BS_AUTORADIOBUTTON) {
      SendMessage(sibling, BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
}

void Click(ButtonState& state, HWND hwnd) {
  DWORD kind = Kind(hwnd);
  if (kind == BS_AUTOCHECKBOX) {
    SendMessage(hwnd, BM_SETCHECK, state.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
  } else if (kind == BS_AUTO3STATE) {
    SendMessage(hwnd, BM_SETCHECK, (state.check + 1) % 3, 0);
  } else if (kind == BS_AUTORADIOBUTTON) {
    SendMessage(hwnd, BM_SETCHECK, BST_CHECKED, 0);
    UncheckGroupSiblings(hwnd);
  }
  NotifyParent(hwnd, BN_CLICKED);
}

void SetPushed(ButtonState& state, HWND hwnd, bool pushed) {
  if (state.pushed == pushed) return;
  state.pushed = pushed;
  InvalidateRect(hwnd, nullptr, FALSE);
}

// The classic tick: three pixels thick, down two steps then up to the right.
void PaintCheckMark(HDC dc, const RECT& box, WPARAM check) {
  HPEN pen = CreatePen(PS_SOLID, 1,
                       GetSysColor(check == BST_INDETERMINATE ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
  HGDIOBJ old = SelectObject(dc, pen);
  for (int row = 0; row < 3; ++row) {
    MoveToEx(dc, box.left + 3, box.top + 5 + row, nullptr);
    LineTo(dc, box.left + 5, box.top + 7 + row);
    LineTo(dc, box.left + 10, box.top + 2 + row);
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

// The classic round box, 12 pixels across: two sunken rings lit from the top left around the
// well, and the dot when checked.
void PaintRadio(HDC dc, const RECT& box, int inside, bool checked) {
  static constexpr char kRadio[12][13] = {
      "....ssss....", "..ssddddss..", ".sddwwwwddl.", ".sdwwwwwwlh.", "sdwwwwwwwwlh", "sdwwwwwwwwlh",
      "sdwwwwwwwwlh", "sdwwwwwwwwlh", ".sdwwwwwwlh.", ".sllwwwwllh.", "..hhllllhh..", "....hhhh....",
  };
  static constexpr char kDot[4][5] = {".xx.", "xxxx", "xxxx", ".xx."};
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      int colour;
      switch (kRadio[y][x]) {
        case 's':
          colour = COLOR_BTNSHADOW;
          break;
        case 'd':
          colour = COLOR_3DDKSHADOW;
          break;
        case 'l':
          colour = COLOR_3DLIGHT;
          break;
        case 'h':
          colour = COLOR_BTNHIGHLIGHT;
          break;
        case 'w':
          colour = checked && y >= 4 && y < 8 && x >= 4 && x < 8 && kDot[y - 4][x - 4] == 'x'
                       ? COLOR_WINDOWTEXT
                       : inside;
          break;
        default:
          continue;
      }
      SetPixelV(dc, box.left + x, box.top + y, GetSysColor(colour));
    }
  }
}

void PaintCheckBox(ButtonState& state, HWND hwnd, HDC dc, const RECT& client, DWORD style) {
  FillRect(dc, &client, ParentBrush(hwnd, dc, WM_CTLCOLORSTATIC));
  constexpr int kBox = 13;
  bool leftText = (style & BS_LEFTTEXT) != 0;
  int top = (client.top + client.bottom - kBox) / 2;
  RECT box{leftText ? client.right - kBox : client.left, top, 0, top + kBox};
  box.right = box.left + kBox;
  int inside = state.pushed || !IsWindowEnabled(hwnd) ? COLOR_BTNFACE : COLOR_WINDOW;
  if (IsRadio(style & BS_TYPEMASK)) {
    PaintRadio(dc, box, inside, state.check != BST_UNCHECKED);
  } else {
    FillRect(dc, &box, GetSysColorBrush(inside));
    DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT);
    if (state.check != BST_UNCHECKED) PaintCheckMark(dc, box, state.check);
  }
  RECT text = client;
  if (leftText) {
    text.right = box.left - 4;
  } else {
    text.left = box.right + 4;
  }
  std::string caption = TextOf(hwnd);
  UINT format = TextFormat(style, leftText ? DT_LEFT : DT_LEFT);
  DrawControlText(hwnd, dc, caption, &text, format);
  if (state.focused && !caption.empty()) {
    RECT measure = text;
    DrawText(dc, caption.c_str(), -1, &measure, format | DT_CALCRECT);
    int height = measure.bottom - measure.top;
    measure.top = (text.top + text.bottom - height) / 2 - 1;
    measure.bottom = measure.top + height + 2;
    measure.left -= 1;
    measure.right += 1;
    DrawFocusRect(dc, &measure);
  }
}

void PaintGroupBox(HWND hwnd, HDC dc, const RECT& client) {
  TEXTMETRIC metrics{};
  GetTextMetrics(dc, &metrics);
  RECT frame = client;
  frame.top += metrics.tmHeight / 2;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  std::string caption = TextOf(hwnd);
  if (caption.empty()) return;
  RECT text{client.left + 8, client.top, client.right - 8, client.top + metrics.tmHeight};
  DrawText(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
  text.left -= 2;
  text.right += 2;
  FillRect(dc, &text, ParentBrush(hwnd, dc, WM_CTLCOLORSTATIC));
  text.left += 2;
  DrawControlText(hwnd, dc, caption, &text, DT_SINGLELINE);
}

void PaintPushButton(ButtonState& state, HWND hwnd, HDC dc, const RECT& client, DWORD style) {
  bool pressed = state.pushed || ((style & BS_PUSHLIKE) && state.check == BST_CHECKED);
  DrawButtonFace(dc, client, pressed, (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
  RECT text = client;
  InflateRect(&text, -4, -4);
  if (pressed) OffsetRect(&text, 1, 1);
  if (state.image && (style & BS_BITMAP)) {
    BITMAP info{};
    if (GetObject(state.image, sizeof info, &info)) {
      HDC memory = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(memory, state.image);
      BitBlt(dc, (text.left + text.right - info.bmWidth) / 2, (text.top + text.bottom - info.bmHeight) / 2,
             info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
      DeleteDC(memory);
    }
  } else {
    DrawControlText(hwnd, dc, TextOf(hwnd), &text, TextFormat(style, DT_CENTER));
  }
  if (state.focused) {
    RECT focus = client;
    InflateRect(&focus, -4, -4);
    DrawFocusRect(dc, &focus);
  }
}

void Paint(ButtonState& state, HWND hwnd) {
  DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
  DWORD kind = style & BS_TYPEMASK;
  ControlPaint paint(hwnd, state.font.font);
  if (kind == BS_OWNERDRAW) {
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(ControlId(hwnd));
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = (state.pushed ? ODS_SELECTED : 0) | (state.focused ? ODS_FOCUS : 0) |
                     (IsWindowEnabled(hwnd) ? 0 : ODS_DISABLED) |
                     (state.check == BST_CHECKED ? ODS_CHECKED : 0);
    item.hwndItem = hwnd;
    item.hDC = paint.dc();
    item.rcItem = paint.client();
    if (HWND parent = GetParent(hwnd)) {
      SendMessage(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
    }
  } else if (kind == BS_GROUPBOX) {
    PaintGroupBox(hwnd, paint.dc(), paint.client());
  } else if (IsCheckKind(kind) && !(style & BS_PUSHLIKE)) {
    PaintCheckBox(state, hwnd, paint.dc(), paint.client(), style);
  } else {
    PaintPushButton(state, hwnd, paint.dc(), paint.client(), style);
  }
}

LRESULT Handle(ButtonState& state, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD kind = Kind(hwnd);
  switch (message) {
    case WM_GETDLGCODE:
      if (kind == BS_GROUPBOX) return DLGC_STATIC;
      if (IsRadio(kind)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      if (kind == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (kind == BS_PUSHBUTTON || kind == BS_OWNERDRAW) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      return DLGC_BUTTON;
    case WM_NCHITTEST:
      return kind == BS_GROUPBOX ? HTTRANSPARENT : HTCLIENT;
    case WM_PAINT:
      Paint(state, hwnd);
      return 0;
    case WM_SETTEXT: {
      LRESULT result = DefWindowProc(hwnd, message, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return result;
    }
    case WM_SETFOCUS:
      if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON || kind == BS_OWNERDRAW)
        ShowDefaultFrame(GetParent(hwnd), hwnd);
      if (GetWindowLongPtr(hwnd, GWL_STYLE) & BS_NOTIFY) NotifyParent(hwnd, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      state.spaceDown = false;
      SetPushed(state, hwnd, false);
      if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON || kind == BS_OWNERDRAW)
        ShowDefaultFrame(GetParent(hwnd), reinterpret_cast<HWND>(wParam));
      if (GetWindowLongPtr(hwnd, GWL_STYLE) & BS_NOTIFY) NotifyParent(hwnd, BN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONDOWN:
      if (kind == BS_GROUPBOX) return 0;
      SetFocus(hwnd);
      SetCapture(hwnd);
      state.tracking = true;
      SetPushed(state, hwnd, true);
      return 0;
    case WM_MOUSEMOVE:
      if (state.tracking) {
        RECT client;
        GetClientRect(hwnd, &client);
        SetPushed(state, hwnd, PtInRect(&client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
      }
      return 0;
    case WM_LBUTTONUP:
      if (state.tracking) {
        bool inside = state.pushed;
        state.tracking = false;
        SetPushed(state, hwnd, false);
        ReleaseCapture();
        if (inside) Click(state, hwnd);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (state.tracking && reinterpret_cast<HWND>(lParam) != hwnd) {
        state.tracking = false;
        SetPushed(state, hwnd, false);
      }
      return 0;
    case WM_KEYDOWN:
      if (static_cast<int>(wParam) == VK_SPACE && kind != BS_GROUPBOX) {
        state.spaceDown = true;
        SetPushed(state, hwnd, true);
      }
      return 0;
    case WM_KEYUP:
      if (static_cast<int>(wParam) == VK_SPACE && state.spaceDown) {
        state.spaceDown = false;
        SetPushed(state, hwnd, false);
        Click(state, hwnd);
      }
      return 0;
    case WM_CHAR:
      return 0;
    case BM_GETCHECK:
      return static_cast<LRESULT>(state.check);
    case BM_SETCHECK:
      if (IsCheckKind(kind) && state.check != wParam) {
        state.check = wParam;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case BM_GETSTATE:
      return static_cast<LRESULT>(state.check) | (state.pushed ? BST_PUSHED : 0) |
             (state.focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
      SetPushed(state, hwnd, wParam != 0);
      return 0;
    case BM_SETSTYLE: {
      DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
      SetWindowLongPtr(hwnd, GWL_STYLE,
                       static_cast<LONG_PTR>((style & ~0xFFFFu) | (static_cast<DWORD>(wParam) & 0xFFFF)));
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case BM_CLICK:
      if (IsWindowEnabled(hwnd)) Click(state, hwnd);
      return 0;
    case BM_GETIMAGE:
      return reinterpret_cast<LRESULT>(state.image);
    case BM_SETIMAGE: {
      HANDLE previous = state.image;
      state.image = reinterpret_cast<HANDLE>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(previous);
    }
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ControlProc<ButtonState>(hwnd, message, wParam, lParam, Handle);
}

}  // namespace

void RegisterButtonClass() { RegisterControlClass(WC_BUTTON, Proc, CS_DBLCLKS, IDC_ARROW); }

}  // namespace platform::detail
