// The one-line edit: text, caret and selection, typing, the arrow keys and the mouse.
// Every change of the text, typed or set with WM_SETTEXT, reports EN_UPDATE and EN_CHANGE.
#include <algorithm>
#include <cctype>

#include "platform/gdi/DcState.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/detail/Controls.h"
#include "platform/win32/Rect.h"

namespace platform::detail {
namespace {

constexpr int kMargin = 2;

struct EditState {
  int anchor = 0;  // the fixed end of the selection
  int caret = 0;   // the moving end, where the caret is
  int scroll = 0;  // pixels of text left of the visible part
  int limit = 30000;
  bool focused = false;
  bool modified = false;
  bool dragging = false;
  FontHolder font;
};

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)); }

std::string Shown(HWND hwnd, const std::string& text) {
  return (StyleOf(hwnd) & ES_PASSWORD) ? std::string(text.size(), '*') : text;
}

// Pixel offsets of every character boundary of the shown text.
std::vector<int> Boundaries(EditState& state, HWND hwnd, const std::string& text) {
  std::vector<int> edges(text.size() + 1, 0);
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, state.font.font ? state.font.font : DialogFont());
  std::string shown = Shown(hwnd, text);
  SIZE size{};
  GetTextExtentExPoint(dc, shown.c_str(), static_cast<int>(shown.size()), 0, nullptr, edges.data() + 1,
                       &size);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return edges;
}

int TextLeft(EditState& state, HWND hwnd, int textWidth) {
  RECT client;
  GetClientRect(hwnd, &client);
  int room = client.right - 2 * kMargin;
  DWORD align = StyleOf(hwnd) & (ES_CENTER | ES_RIGHT);
  if (textWidth <= room && align == ES_RIGHT) return kMargin + room - textWidth;
  if (textWidth <= room && align == ES_CENTER) return kMargin + (room - textWidth) / 2;
  return kMargin - state.scroll;
}

// Scrolls so that the caret is visible.
void ScrollToCaret(EditState& state, HWND hwnd) {
  std::string text = TextOf(hwnd);
  std::vector<int> edges = Boundaries(state, hwnd, text);
  RECT client;
  GetClientRect(hwnd, &client);
  int room = std::max(1, static_cast<int>(client.right) - 2 * kMargin);
  int x = edges[static_cast<std::size_t>(state.caret)];
  if (edges.back() <= room) {
    state.scroll = 0;
  } else if (x - state.scroll > room) {
    state.scroll = x - room + room / 4;
  } else if (x < state.scroll) {
    state.scroll = std::max(0, x - room / 4);
  }
}

void Changed(EditState& state, HWND hwnd) {
  state.modified = true;
  ScrollToCaret(state, hwnd);
  InvalidateRect(hwnd, nullptr, TRUE);
  NotifyParent(hwnd, EN_UPDATE);
  NotifyParent(hwnd, EN_CHANGE);
}

void Select(EditState& state, HWND hwnd, int anchor, int caret) {
  int length = GetWindowTextLength(hwnd);
  state.anchor = std::clamp(anchor, 0, length);
  state.caret = std::clamp(caret, 0, length);
  ScrollToCaret(state, hwnd);
  InvalidateRect(hwnd, nullptr, FALSE);
}

// Replaces the selection by `insert` (cut to the limit); answers whether anything changed.
bool ReplaceSelection(EditState& state, HWND hwnd, std::string insert) {
  std::string text = TextOf(hwnd);
  std::size_t from = static_cast<std::size_t>(std::min(state.anchor, state.caret));
  std::size_t to = static_cast<std::size_t>(std::max(state.anchor, state.caret));
  std::size_t room = static_cast<std::size_t>(state.limit) -
                     std::min<std::size_t>(static_cast<std::size_t>(state.limit), text.size() - (to - from));
  if (insert.size() > room) {
    insert.resize(room);
    NotifyParent(hwnd, EN_MAXTEXT);
  }
  if (from == to && insert.empty()) return false;
  text.replace(from, to - from, insert);
  DefWindowProc(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  state.anchor = state.caret = static_cast<int>(from + insert.size());
  return true;
}

void TypeCharacter(EditState& state, HWND hwnd, char c) {
  DWORD style = StyleOf(hwnd);
  if (style & ES_READONLY) return;
  if (c == '\b') {
    if (state.anchor == state.caret && state.caret > 0) state.anchor = state.caret - 1;
    if (ReplaceSelection(state, hwnd, "")) Changed(state, hwnd);
    return;
  }
  if (static_cast<unsigned char>(c) < 32) return;
  if ((style & ES_NUMBER) && !std::isdigit(static_cast<unsigned char>(c))) return;
  if (style & ES_UPPERCASE) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (style & ES_LOWERCASE) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ReplaceSelection(state, hwnd, std::string(1, c))) Changed(state, hwnd);
}

void KeyDown(EditState& state, HWND hwnd, int key) {
  bool shift = GetKeyState(VK_SHIFT) < 0;
  int length = GetWindowTextLength(hwnd);
  int caret = state.caret;
  switch (key) {
    case VK_LEFT:
      caret = (!shift && state.anchor != state.caret) ? std::min(state.anchor, state.caret) : caret - 1;
      break;
    case VK_RIGHT:
      caret = (!shift && state.anchor != state.caret) ? std::max(state.anchor, state.caret) : caret + 1;
      break;
    case VK_HOME:
      caret = 0;
      break;
    case VK_END:
      caret = length;
      break;
    case 'A':
      if (GetKeyState(VK_CONTROL) < 0) Select(state, hwnd, 0, length);
      return;
    case VK_DELETE:
      if (StyleOf(hwnd) & ES_READONLY) return;
      if (state.anchor == state.caret) state.caret = std::min(length, state.caret + 1);
      if (ReplaceSelection(state, hwnd, "")) Changed(state, hwnd);
      return;
    default:
      return;
  }
  caret = std::clamp(caret, 0, length);
  Select(state, hwnd, shift ? state.anchor : caret, caret);
}

int CharacterAt(EditState& state, HWND hwnd, int x) {
  std::string text = TextOf(hwnd);
  std::vector<int> edges = Boundaries(state, hwnd, text);
  int left = TextLeft(state, hwnd, edges.back());
  for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
    if (x < left + (edges[i] + edges[i + 1]) / 2) return static_cast<int>(i);
  }
  return static_cast<int>(text.size());
}

void Paint(EditState& state, HWND hwnd) {
  ControlPaint paint(hwnd, state.font.font);
  HDC dc = paint.dc();
  DWORD style = StyleOf(hwnd);
  bool enabled = IsWindowEnabled(hwnd);
  bool grey = !enabled || (style & ES_READONLY);
  SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  HBRUSH brush = grey ? ParentBrush(hwnd, dc, WM_CTLCOLORSTATIC) : nullptr;
  if (!brush) brush = GetSysColorBrush(COLOR_WINDOW);
  if (!grey) {
    HWND parent = GetParent(hwnd);
    LRESULT answer = parent ? SendMessage(parent, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                          reinterpret_cast<LPARAM>(hwnd))
                            : 0;
    if (answer) brush = reinterpret_cast<HBRUSH>(answer);
  }
  FillRect(dc, &paint.client(), brush);
  std::string text = TextOf(hwnd);
  std::string shown = Shown(hwnd, text);
  std::vector<int> edges = Boundaries(state, hwnd, text);
  TEXTMETRIC metrics{};
  GetTextMetrics(dc, &metrics);
  int left = TextLeft(state, hwnd, edges.back());
  int top = std::max(0, (static_cast<int>(paint.client().bottom) - metrics.tmHeight) / 2);
  if (!(style & ES_MULTILINE)) top = std::min(top, 1);
  TextOut(dc, left, top, shown.c_str(), static_cast<int>(shown.size()));
  int from = std::min(state.anchor, state.caret), to = std::max(state.anchor, state.caret);
  if (from != to && (state.focused || (style & ES_NOHIDESEL))) {
    RECT band{left + edges[static_cast<std::size_t>(from)], top, left + edges[static_cast<std::size_t>(to)],
              top + metrics.tmHeight};
    FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    TextOut(dc, band.left, top, shown.c_str() + from, to - from);
  }
  if (state.focused) {
    int x = left + edges[static_cast<std::size_t>(state.caret)];
    RECT caret{x, top, x + 1, top + metrics.tmHeight};
    InvertRect(dc, &caret);
  }
}

LRESULT Handle(EditState& state, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_PAINT:
      Paint(state, hwnd);
      return 0;
    case WM_SETTEXT: {
      std::string text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      if (text.size() > static_cast<std::size_t>(state.limit))
        text.resize(static_cast<std::size_t>(state.limit));
      DefWindowProc(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
      state.anchor = state.caret = 0;
      state.scroll = 0;
      Changed(state, hwnd);
      state.modified = false;
      return TRUE;
    }
    case WM_SETFOCUS:
      NotifyParent(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      NotifyParent(hwnd, EN_KILLFOCUS);
      return 0;
    case WM_CHAR:
      TypeCharacter(state, hwnd, static_cast<char>(wParam));
      return 0;
    case WM_KEYDOWN:
      KeyDown(state, hwnd, static_cast<int>(wParam));
      return 0;
    case WM_LBUTTONDOWN: {
      SetFocus(hwnd);
      int at = CharacterAt(state, hwnd, GET_X_LPARAM(lParam));
      Select(state, hwnd, (wParam & MK_SHIFT) ? state.anchor : at, at);
      state.dragging = true;
      SetCapture(hwnd);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      Select(state, hwnd, 0, GetWindowTextLength(hwnd));
      return 0;
    case WM_MOUSEMOVE:
      if (state.dragging) Select(state, hwnd, state.anchor, CharacterAt(state, hwnd, GET_X_LPARAM(lParam)));
      return 0;
    case WM_LBUTTONUP:
      if (state.dragging) {
        state.dragging = false;
        ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      state.dragging = false;
      return 0;
    case EM_GETSEL: {
      DWORD from = static_cast<DWORD>(std::min(state.anchor, state.caret));
      DWORD to = static_cast<DWORD>(std::max(state.anchor, state.caret));
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = from;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = to;
      return static_cast<LRESULT>(MAKELRESULT(static_cast<WORD>(from), static_cast<WORD>(to)));
    }
    case EM_SETSEL: {
      int length = GetWindowTextLength(hwnd);
      int from = static_cast<int>(static_cast<INT_PTR>(wParam));
      int to = static_cast<int>(lParam);
      if (from < 0) {
        Select(state, hwnd, state.caret, state.caret);  // -1: no selection, the caret stays
        return 0;
      }
      if (to < 0 || to > length) to = length;
      Select(state, hwnd, from, to);
      return 0;
    }
    case EM_SCROLLCARET:
      ScrollToCaret(state, hwnd);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case EM_REPLACESEL:
      if (ReplaceSelection(state, hwnd, lParam ? reinterpret_cast<LPCSTR>(lParam) : "")) {
        Changed(state, hwnd);
      }
      return 0;
    case EM_LIMITTEXT:
      state.limit = wParam ? static_cast<int>(std::min<WPARAM>(wParam, 0x7FFFFFFE)) : 0x7FFFFFFE;
      return 0;
    case EM_GETLIMITTEXT:
      return state.limit;
    case EM_GETMODIFY:
      return state.modified;
    case EM_SETMODIFY:
      state.modified = wParam != 0;
      return 0;
    case EM_SETREADONLY: {
      DWORD style = StyleOf(hwnd);
      SetWindowLongPtr(hwnd, GWL_STYLE,
                       static_cast<LONG_PTR>(wParam ? style | ES_READONLY : style & ~ES_READONLY));
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ControlProc<EditState>(hwnd, message, wParam, lParam, Handle);
}

}  // namespace

void RegisterEditClass() { RegisterControlClass(WC_EDIT, Proc, CS_DBLCLKS, IDC_IBEAM); }

}  // namespace platform::detail
