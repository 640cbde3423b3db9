// Dialogs from templates and the dialog manager.
#include "platform/ui/DialogBox.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/Modal.h"
#include "platform/ui/Paint.h"
#include "platform/ui/Queue.h"
#include "platform/ui/detail/Controls.h"
#include "platform/win32/Rect.h"

namespace {

struct Table {
  const DialogResource* entries;
  std::size_t count;
};

std::mutex& TableMutex() {
  static std::mutex mutex;
  return mutex;
}
std::map<HINSTANCE, Table>& Tables() {
  static auto* tables = new std::map<HINSTANCE, Table>;
  return *tables;
}

// What the dialog manager keeps of each dialog, behind its fourth window word.
struct DialogState {
  HFONT font = nullptr;
  bool ownsFont = false;
  SIZE units{6, 13};  // base units: average character width and height in pixels
  int defaultId = 0;  // the template's default push button or DM_SETDEFID's; 0: none (Enter: IDOK)
  HWND lastFocus = nullptr;
};

constexpr int kStateWord = 3 * sizeof(LONG_PTR);

DialogState* StateOf(HWND dialog) {
  return reinterpret_cast<DialogState*>(GetWindowLongPtr(dialog, kStateWord));
}

struct CreateParams {
  DLGPROC proc;
  DialogState* state;
};

SIZE BaseUnits(HFONT font) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE extent{};
  GetTextExtentPoint32(dc, kAlphabet, 52, &extent);
  TEXTMETRIC metrics{};
  GetTextMetrics(dc, &metrics);
  SelectObject(dc, old);
  DeleteDC(dc);
  return SIZE{(extent.cx / 26 + 1) / 2, metrics.tmHeight};
}

LONG ToPixelsX(const DialogState& state, int units) { return MulDiv(units, state.units.cx, 4); }
LONG ToPixelsY(const DialogState& state, int units) { return MulDiv(units, state.units.cy, 8); }

LRESULT DialogClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefDlgProc(hwnd, message, wParam, lParam);
}

void EnsureDialogClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    platform::detail::EnsureStandardClasses();
    WNDCLASS windowClass{};
    windowClass.style = CS_DBLCLKS | CS_SAVEBITS | CS_GLOBALCLASS;
    windowClass.lpfnWndProc = DialogClassProc;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kDialogClassName;
    RegisterClass(&windowClass);
  });
}

LRESULT DialogCode(HWND control, MSG* msg) {
  return SendMessage(control, WM_GETDLGCODE, msg ? msg->wParam : 0, reinterpret_cast<LPARAM>(msg));
}

bool IsTabStop(HWND control) {
  LONG_PTR style = GetWindowLongPtr(control, GWL_STYLE);
  return (style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

// Focus on a control as the keyboard gives it: an edit gets all of its text selected.
void FocusControl(HWND control) {
  if (!control) return;
  if (DialogCode(control, nullptr) & DLGC_HASSETSEL) SendMessage(control, EM_SETSEL, 0, -1);
  SetFocus(control);
}

HWND FirstTabStop(HWND dialog) { return GetNextDlgTabItem(dialog, nullptr, FALSE); }

// The push button that Enter presses: the focused push button, else the default id's control.
int DefaultId(HWND dialog) {
  LRESULT answer = SendMessage(dialog, DM_GETDEFID, 0, 0);
  return HIWORD(static_cast<DWORD_PTR>(answer)) == DC_HASDEFID ? LOWORD(static_cast<DWORD_PTR>(answer))
                                                               : IDOK;
}

void Press(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button && !IsWindowEnabled(button)) return;
  SendMessage(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
              reinterpret_cast<LPARAM>(button));
}

bool IsInside(HWND dialog, HWND hwnd) { return hwnd == dialog || IsChild(dialog, hwnd); }

void SetDefaultButton(HWND dialog, DialogState& state, int id) {
  auto restyle = [](HWND button, DWORD kind) {
    if (!button) return;
    LRESULT code = SendMessage(button, WM_GETDLGCODE, 0, 0);
    if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
      SendMessage(button, BM_SETSTYLE, kind, TRUE);
    }
  };
  restyle(GetDlgItem(dialog, DefaultId(dialog)), BS_PUSHBUTTON);
  state.defaultId = id;
  restyle(GetDlgItem(dialog, id), BS_DEFPUSHBUTTON);
}

// Push buttons, owner-drawn ones included, which draw their own default look.
bool PushesLikeAButton(HWND hwnd) {
  return (DialogCode(hwnd, nullptr) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

bool IsPushButton(HWND hwnd) {
  DWORD kind = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)) & BS_TYPEMASK;
  return (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) && PushesLikeAButton(hwnd);
}

bool IsDialog(HWND hwnd) {
  char kind[32];
  return hwnd && GetClassName(hwnd, kind, sizeof kind) && std::string(kind) == kDialogClassName;
}

// The dialog that a dialog inside another (DS_CONTROL) is a part of; null for any other.
HWND EnclosingDialog(HWND dialog) {
  HWND parent = GetParent(dialog);
  const bool inside = (GetWindowLongPtr(dialog, GWL_STYLE) & WS_CHILD) &&
                      (GetWindowLongPtr(dialog, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
  return inside && IsDialog(parent) ? parent : nullptr;
}

// A dialog inside another is a part of it: the keyboard there is the outer one's.
HWND OuterDialog(HWND dialog) {
  while (HWND outer = EnclosingDialog(dialog)) dialog = outer;
  return dialog;
}

// The keyboard goes on into the children of a window that holds controls of its own, such as a
// dialog inside another, while it shows and takes input.
bool LeadsInto(HWND hwnd) {
  LONG_PTR style = GetWindowLongPtr(hwnd, GWL_STYLE);
  return (GetWindowLongPtr(hwnd, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) && (style & WS_VISIBLE) &&
         !(style & WS_DISABLED);
}

void AddControls(HWND parent, std::vector<HWND>& controls) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (LeadsInto(child))
      AddControls(child, controls);
    else
      controls.push_back(child);
  }
}

// The dialog's controls in tab order, a dialog inside it giving its own in its place.
std::vector<HWND> ControlsOf(HWND dialog) {
  std::vector<HWND> controls;
  AddControls(dialog, controls);
  return controls;
}

// Where a window stands among the controls: as one of them, or inside one (a numeric edit's
// field); the count when it is neither.
std::size_t PlaceOf(const std::vector<HWND>& controls, HWND hwnd) {
  for (std::size_t i = 0; hwnd && i < controls.size(); ++i)
    if (controls[i] == hwnd || IsChild(controls[i], hwnd)) return i;
  return controls.size();
}

// The letter or digit a control's text marks with "&", upper-cased; 0 for none.
char MnemonicOf(HWND control) {
  LONG_PTR style = GetWindowLongPtr(control, GWL_STYLE);
  if ((DialogCode(control, nullptr) & DLGC_STATIC) && (style & SS_NOPREFIX)) return 0;
  std::string text = platform::detail::TextOf(control);
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&') return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
    ++i;
  }
  return 0;
}

// A mnemonic's key pressed: a button is clicked, a label gives the focus to the control after
// it, any other control takes the focus. False when no visible, enabled control has it.
bool UseMnemonic(HWND dialog, int key) {
  for (HWND child : ControlsOf(dialog)) {
    if (!IsWindowVisible(child) || !IsWindowEnabled(child) || MnemonicOf(child) != key) continue;
    LRESULT code = DialogCode(child, nullptr);
    if (code & DLGC_STATIC) {
      FocusControl(GetNextDlgTabItem(dialog, child, FALSE));
    } else if (code & (DLGC_BUTTON | DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
      if (!(code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) SetFocus(child);
      SendMessage(child, BM_CLICK, 0, 0);
    } else {
      FocusControl(child);
    }
    return true;
  }
  return false;
}

// The frame of the button that Enter presses: the focused push button, else the default one.
void FrameDefault(HWND dialog, HWND focus) {
  if (!StateOf(dialog)) return;
  LRESULT answer = SendMessage(dialog, DM_GETDEFID, 0, 0);
  const int defaultId = HIWORD(static_cast<DWORD_PTR>(answer)) == DC_HASDEFID ? LOWORD(answer) : 0;
  const bool focusPushes = IsChild(dialog, focus) && PushesLikeAButton(focus);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsPushButton(child)) continue;
    bool framed = focusPushes ? child == focus : defaultId != 0 && GetDlgCtrlID(child) == defaultId;
    bool now = (GetWindowLongPtr(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    if (framed != now) SendMessage(child, BM_SETSTYLE, framed ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
}

}  // namespace

namespace platform::detail {

void ShowDefaultFrame(HWND dialog, HWND focus) {
  if (!IsDialog(dialog) || !focus || !IsChild(OuterDialog(dialog), focus)) return;
  // A dialog inside another shares its keyboard: a frame there takes the outer one's away.
  for (HWND at = dialog; at; at = EnclosingDialog(at)) FrameDefault(at, focus);
}

}  // namespace platform::detail

namespace platform {

void RegisterDialogTable(HINSTANCE module, const DialogResource* entries, std::size_t count) {
  std::lock_guard<std::mutex> lock(TableMutex());
  Tables()[module] = Table{entries, count};
}

void UnregisterDialogTable(HINSTANCE module) {
  std::lock_guard<std::mutex> lock(TableMutex());
  Tables().erase(module);
}

const DialogTemplate* FindDialogTemplate(HINSTANCE module, LPCSTR name) {
  auto id = reinterpret_cast<ULONG_PTR>(name);
  if (id > 0xFFFF) return nullptr;
  std::lock_guard<std::mutex> lock(TableMutex());
  auto found = Tables().find(module);
  if (found == Tables().end()) return nullptr;
  for (std::size_t i = 0; i < found->second.count; ++i) {
    if (found->second.entries[i].id == id) return found->second.entries[i].dialog;
  }
  return nullptr;
}

}  // namespace platform

HWND CreateDialogIndirectParam(HINSTANCE instance, const DialogTemplate* dialog, HWND parent, DLGPROC proc,
                               LPARAM initParam) {
  if (!dialog) return nullptr;
  EnsureDialogClass();
  auto* state = new DialogState;
  if ((dialog->style & DS_SETFONT) && dialog->fontFace) {
    state->font = CreateFont(-MulDiv(dialog->pointSize, 96, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0,
                             dialog->fontFace);
    state->ownsFont = state->font != nullptr;
  }
  if (!state->font) state->font = platform::detail::DialogFont();
  state->units = BaseUnits(state->font);

  DWORD style = dialog->style & ~WS_VISIBLE;
  DWORD exStyle = dialog->exStyle;
  if (dialog->style & DS_MODALFRAME) exStyle |= WS_EX_DLGMODALFRAME;
  if (dialog->style & DS_CONTROL) {
    style = (style & ~(WS_CAPTION | WS_SYSMENU | WS_POPUP)) | WS_CHILD;
    exStyle |= WS_EX_CONTROLPARENT;
  }
  RECT frame{0, 0, ToPixelsX(*state, dialog->cx), ToPixelsY(*state, dialog->cy)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  POINT origin{ToPixelsX(*state, dialog->x), ToPixelsY(*state, dialog->y)};
  if (!(style & WS_CHILD)) {
    RECT area;
    if (parent && IsWindow(parent)) {
      GetWindowRect(GetAncestor(parent, GA_ROOT), &area);
    } else {
      SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0);
    }
    if (dialog->style & DS_CENTER) {
      origin = POINT{(area.left + area.right - width) / 2, (area.top + area.bottom - height) / 2};
    } else if (parent) {
      POINT client{0, 0};
      ClientToScreen(GetAncestor(parent, GA_ROOT), &client);
      origin.x += client.x;
      origin.y += client.y;
    }
  }
  CreateParams params{proc, state};
  HWND hwnd = CreateWindowEx(exStyle, kDialogClassName, dialog->title, style, origin.x, origin.y, width,
                             height, parent, nullptr, instance, &params);
  if (!hwnd) {
    if (state->ownsFont) DeleteObject(state->font);
    delete state;
    return nullptr;
  }
  for (std::size_t i = 0; i < dialog->itemCount; ++i) {
    const DialogItemTemplate& item = dialog->items[i];
    HWND control = CreateWindowEx(item.exStyle, item.className, item.text,
                                  (item.style | WS_CHILD) & ~WS_POPUP, ToPixelsX(*state, item.x),
                                  ToPixelsY(*state, item.y), ToPixelsX(*state, item.cx),
                                  ToPixelsY(*state, item.cy), hwnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), instance, nullptr);
    if (!control) {
      DestroyWindow(hwnd);
      return nullptr;
    }
    // Template order is tab order: each control goes below the ones before it.
    SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), FALSE);
    // Known now: the focus, once it moves, frames the button it is on.
    if (!state->defaultId && (DialogCode(control, nullptr) & DLGC_DEFPUSHBUTTON)) state->defaultId = item.id;
  }
  HWND first = FirstTabStop(hwnd);
  LRESULT focusDefault = SendMessage(hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam);
  if (!IsWindow(hwnd)) return nullptr;
  if (focusDefault && !(style & WS_CHILD)) FocusControl(FirstTabStop(hwnd));
  if (dialog->style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  return hwnd;
}

HWND CreateDialogParam(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc, LPARAM initParam) {
  return CreateDialogIndirectParam(instance, platform::FindDialogTemplate(instance, name), parent, proc,
                                   initParam);
}

INT_PTR DialogBoxIndirectParam(HINSTANCE instance, const DialogTemplate* dialog, HWND parent, DLGPROC proc,
                               LPARAM initParam) {
  HWND owner = parent ? GetAncestor(parent, GA_ROOT) : nullptr;
  DialogTemplate hidden = dialog ? *dialog : DialogTemplate{};
  hidden.style &= ~WS_VISIBLE;  // the loop shows it
  HWND hwnd = dialog ? CreateDialogIndirectParam(instance, &hidden, owner, proc, initParam) : nullptr;
  if (!hwnd) return -1;
  platform::ModalHooks hooks;
  hooks.preTranslate = [hwnd](MSG* msg) { return IsDialogMessage(hwnd, msg) != FALSE; };
  hooks.idle = [hwnd, owner] {
    if (owner) SendMessage(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(hwnd));
  };
  INT_PTR result = platform::RunModalLoop(hwnd, hooks);
  if (IsWindow(hwnd)) DestroyWindow(hwnd);
  return result;
}

INT_PTR DialogBoxParam(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc, LPARAM initParam) {
  return DialogBoxIndirectParam(instance, platform::FindDialogTemplate(instance, name), parent, proc,
                                initParam);
}

LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* params = static_cast<CreateParams*>(reinterpret_cast<CREATESTRUCT*>(lParam)->lpCreateParams);
    if (params) {
      SetWindowLongPtr(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(params->proc));
      SetWindowLongPtr(dialog, kStateWord, reinterpret_cast<LONG_PTR>(params->state));
    }
  }
  DialogState* state = StateOf(dialog);
  if (auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtr(dialog, DWLP_DLGPROC))) {
    SetWindowLongPtr(dialog, DWLP_MSGRESULT, 0);
    INT_PTR handled = proc(dialog, message, wParam, lParam);
    bool direct = message == WM_INITDIALOG || message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC ||
                  message == WM_CTLCOLOREDIT || message == WM_CTLCOLORBTN || message == WM_CTLCOLORLISTBOX;
    if (handled && message != WM_NCDESTROY)
      return direct ? handled : GetWindowLongPtr(dialog, DWLP_MSGRESULT);
    if (direct && message == WM_INITDIALOG) return handled;
  }
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(dialog, &client);
      LRESULT brush = SendMessage(dialog, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(dialog));
      FillRect(reinterpret_cast<HDC>(wParam), &client,
               brush ? reinterpret_cast<HBRUSH>(brush) : GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return 0;
    case WM_GETFONT:
      return state ? reinterpret_cast<LRESULT>(state->font) : 0;
    case WM_CLOSE: {
      HWND cancel = GetDlgItem(dialog, IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel)) {
        PostMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
      }
      return 0;
    }
    case DM_GETDEFID:
      return state && state->defaultId ? MAKELRESULT(static_cast<WORD>(state->defaultId), DC_HASDEFID) : 0;
    case DM_SETDEFID:
      if (state) SetDefaultButton(dialog, *state, static_cast<int>(wParam));
      return TRUE;
    case WM_NEXTDLGCTL: {
      HWND next = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                 : GetNextDlgTabItem(dialog, GetFocus(), wParam != 0);
      FocusControl(next);
      return 0;
    }
    case WM_ACTIVATE:
      if (!state) return 0;
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(dialog, focus)) state->lastFocus = focus;
      } else {
        SetFocus(state->lastFocus && IsWindow(state->lastFocus) ? state->lastFocus : dialog);
      }
      return 0;
    case WM_SETFOCUS:
      if (state && state->lastFocus && IsWindow(state->lastFocus) && IsChild(dialog, state->lastFocus)) {
        SetFocus(state->lastFocus);
      } else if (HWND first = FirstTabStop(dialog)) {
        FocusControl(first);
      }
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtr(dialog, kStateWord, 0);
      if (state && state->ownsFont) DeleteObject(state->font);
      delete state;
      return DefWindowProc(dialog, message, wParam, lParam);
    default:
      return DefWindowProc(dialog, message, wParam, lParam);
  }
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  const std::vector<HWND> controls = ControlsOf(dialog);
  const std::size_t count = controls.size();
  if (count == 0) return nullptr;
  const std::size_t at = PlaceOf(controls, control);
  const std::size_t index = at < count ? at : previous ? 0 : count - 1;
  for (std::size_t step = 1; step <= count; ++step) {
    std::size_t candidate = previous ? (index + count - step % count) % count : (index + step) % count;
    if (IsTabStop(controls[candidate])) return controls[candidate];
  }
  return control;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  const std::vector<HWND> controls = ControlsOf(dialog);
  const std::size_t at = PlaceOf(controls, control);
  if (at == controls.size()) return GetNextDlgTabItem(dialog, control, previous);
  // The group runs from a WS_GROUP control up to the next one.
  auto starts = [&](std::size_t i) { return (GetWindowLongPtr(controls[i], GWL_STYLE) & WS_GROUP) != 0; };
  std::size_t first = at, end = at + 1;
  while (first > 0 && !starts(first)) --first;
  while (end < controls.size() && !starts(end)) ++end;
  const std::size_t count = end - first, index = at - first;
  for (std::size_t step = 1; step < count; ++step) {
    HWND candidate = controls[first + (previous ? (index + count - step) % count : (index + step) % count)];
    if (IsWindowVisible(candidate) && IsWindowEnabled(candidate)) return candidate;
  }
  return control;
}

BOOL IsDialogMessage(HWND dialog, MSG* msg) {
  if (!msg || !dialog || !IsWindow(dialog) || !msg->hwnd || !IsInside(dialog, msg->hwnd)) return FALSE;
  // A dialog inside another takes the keyboard as a part of it: Tab and the arrows go on into
  // the outer one's controls, Enter and Esc are its buttons'.
  HWND outer = OuterDialog(dialog);
  const bool letterOrDigit = (msg->wParam >= 'A' && msg->wParam <= 'Z') ||
                             (msg->wParam >= '0' && msg->wParam <= '9');
  if ((msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) && letterOrDigit &&
      GetKeyState(VK_CONTROL) >= 0) {
    // With Alt a mnemonic is always meant; alone, only where the focus takes no characters.
    LRESULT code = DialogCode(msg->hwnd, msg);
    bool typed = msg->message == WM_KEYDOWN && (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS));
    if (!typed && UseMnemonic(outer, static_cast<int>(msg->wParam))) return TRUE;
  }
  if (msg->message == WM_KEYDOWN) {
    LRESULT code = DialogCode(msg->hwnd, msg);
    bool wantsAll = (code & DLGC_WANTALLKEYS) != 0;
    switch (static_cast<int>(msg->wParam)) {
      case VK_TAB:
        if (wantsAll || (code & DLGC_WANTTAB)) break;
        FocusControl(GetNextDlgTabItem(outer, GetFocus(), GetKeyState(VK_SHIFT) < 0));
        return TRUE;
      case VK_LEFT:
      case VK_UP:
      case VK_RIGHT:
      case VK_DOWN: {
        if (wantsAll || (code & DLGC_WANTARROWS)) break;
        bool back = msg->wParam == static_cast<WPARAM>(VK_LEFT) || msg->wParam == static_cast<WPARAM>(VK_UP);
        HWND next = GetNextDlgGroupItem(outer, GetFocus(), back);
        if (next) {
          SetFocus(next);
          if (SendMessage(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) SendMessage(next, BM_CLICK, 0, 0);
        }
        return TRUE;
      }
      case VK_RETURN: {
        if (wantsAll) break;
        HWND focus = GetFocus();
        LRESULT focusCode = focus && IsChild(outer, focus) ? SendMessage(focus, WM_GETDLGCODE, 0, 0) : 0;
        if (focusCode & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
          Press(GetParent(focus), GetDlgCtrlID(focus));
        } else {
          Press(outer, DefaultId(outer));
        }
        return TRUE;
      }
      case VK_ESCAPE: {
        if (wantsAll) break;
        // A window of the dialog holding the mouse (a drag) takes Esc to call off what it holds.
        HWND capture = GetCapture();
        if (capture && IsInside(outer, capture)) {
          SendMessage(capture, WM_KEYDOWN, msg->wParam, msg->lParam);
        } else {
          Press(outer, IDCANCEL);
        }
        return TRUE;
      }
      default:
        break;
    }
  }
  TranslateMessage(msg);
  DispatchMessage(msg);
  return TRUE;
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
  DialogState* state = StateOf(dialog);
  if (!state || !rect) return FALSE;
  rect->left = ToPixelsX(*state, rect->left);
  rect->right = ToPixelsX(*state, rect->right);
  rect->top = ToPixelsY(*state, rect->top);
  rect->bottom = ToPixelsY(*state, rect->bottom);
  return TRUE;
}

LONG GetDialogBaseUnits() {
  SIZE units = BaseUnits(platform::detail::DialogFont());
  return static_cast<LONG>(MAKELPARAM(static_cast<WORD>(units.cx), static_cast<WORD>(units.cy)));
}

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND control = GetDlgItem(dialog, id);
  return control ? SendMessage(control, message, wParam, lParam) : 0;
}

BOOL SetDlgItemText(HWND dialog, int id, LPCSTR text) {
  HWND control = GetDlgItem(dialog, id);
  return control ? SetWindowText(control, text) : FALSE;
}

UINT GetDlgItemText(HWND dialog, int id, LPSTR buffer, int size) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) {
    if (buffer && size > 0) buffer[0] = '\0';
    return 0;
  }
  return static_cast<UINT>(GetWindowText(control, buffer, size));
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  std::string text = isSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value);
  return SetDlgItemText(dialog, id, text.c_str());
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  char buffer[64];
  GetDlgItemText(dialog, id, buffer, sizeof buffer);
  char* end = nullptr;
  errno = 0;
  long long value = std::strtoll(buffer, &end, 10);
  bool ok = end != buffer && *end == '\0' && errno == 0 &&
            (isSigned ? value >= INT32_MIN && value <= INT32_MAX : value >= 0 && value <= UINT32_MAX);
  if (translated) *translated = ok;
  return ok ? static_cast<UINT>(value) : 0;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return FALSE;
  SendMessage(control, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  return static_cast<UINT>(SendDlgItemMessage(dialog, id, BM_GETCHECK, 0, 0));
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int check) {
  for (int id = first; id <= last; ++id)
    CheckDlgButton(dialog, id, id == check ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}
