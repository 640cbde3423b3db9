// List boxes and drop-down combo boxes. A combo box shows its selection in a field and opens
// a list box in a pop-up under it; the pop-up reports the chosen item back and closes.
#include <strings.h>
#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/gdi/DcState.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/detail/Controls.h"
#include "platform/win32/Rect.h"

namespace platform::detail {
namespace {

constexpr LPCSTR kDropClass = "ComboLBox";
constexpr UINT kPicked = WM_USER + 0x100;  // pop-up to combo: wParam the item, or -1 to close

struct Item {
  std::string text;
  ULONG_PTR data = 0;
};

// The item list both controls keep.
struct Items {
  std::vector<Item> items;
  int selection = -1;

  int Add(const char* text, bool sorted) {
    std::string value = text ? text : "";
    auto at = items.end();
    if (sorted) {
      at = std::find_if(items.begin(), items.end(),
                        [&](const Item& item) { return strcasecmp(item.text.c_str(), value.c_str()) > 0; });
    }
    int index = static_cast<int>(at - items.begin());
    items.insert(at, Item{value, 0});
    if (selection >= index) ++selection;
    return index;
  }
  int Insert(int index, const char* text) {
    if (index < 0 || index > Count()) index = Count();
    items.insert(items.begin() + index, Item{text ? text : "", 0});
    if (selection >= index) ++selection;
    return index;
  }
  int Count() const { return static_cast<int>(items.size()); }
  bool Valid(WPARAM index) const { return index < items.size(); }
  int Find(const char* text) const {
    for (int i = 0; i < Count(); ++i) {
      if (strcasecmp(items[static_cast<std::size_t>(i)].text.c_str(), text ? text : "") == 0) return i;
    }
    return -1;
  }
  // The messages shared by both controls; `base` maps each list-box message to its own.
  bool Handle(UINT message, WPARAM wParam, LPARAM lParam, bool sorted, LRESULT* result);
};

enum Op {
  kAdd,
  kInsert,
  kDelete,
  kReset,
  kSetSel,
  kGetSel,
  kGetText,
  kGetTextLen,
  kCount,
  kGetData,
  kSetData,
  kFind
};

bool Items::Handle(UINT op, WPARAM wParam, LPARAM lParam, bool sorted, LRESULT* result) {
  auto text = reinterpret_cast<const char*>(lParam);
  switch (op) {
    case kAdd:
      *result = Add(text, sorted);
      return true;
    case kInsert:
      *result = Insert(static_cast<int>(static_cast<INT_PTR>(wParam)), text);
      return true;
    case kDelete:
      if (!Valid(wParam)) {
        *result = LB_ERR;
        return true;
      }
      items.erase(items.begin() + static_cast<std::ptrdiff_t>(wParam));
      if (selection == static_cast<int>(wParam))
        selection = -1;
      else if (selection > static_cast<int>(wParam))
        --selection;
      *result = Count();
      return true;
    case kReset:
      items.clear();
      selection = -1;
      *result = 0;
      return true;
    case kSetSel:
      selection = Valid(wParam) ? static_cast<int>(wParam) : -1;
      *result = Valid(wParam) ? selection : LB_ERR;
      return true;
    case kGetSel:
      *result = selection;
      return true;
    case kGetText:
      if (!Valid(wParam)) {
        *result = LB_ERR;
        return true;
      }
      if (lParam) std::strcpy(reinterpret_cast<char*>(lParam), items[wParam].text.c_str());
      *result = static_cast<LRESULT>(items[wParam].text.size());
      return true;
    case kGetTextLen:
      *result = Valid(wParam) ? static_cast<LRESULT>(items[wParam].text.size()) : LB_ERR;
      return true;
    case kCount:
      *result = Count();
      return true;
    case kGetData:
      *result = Valid(wParam) ? static_cast<LRESULT>(items[wParam].data) : LB_ERR;
      return true;
    case kSetData:
      if (!Valid(wParam)) {
        *result = LB_ERR;
        return true;
      }
      items[wParam].data = static_cast<ULONG_PTR>(lParam);
      *result = 0;
      return true;
    case kFind:
      *result = Find(text);
      return true;
    default:
      return false;
  }
}

// The list box's and the combo box's message for each item operation, in Op order.
struct OpMessages {
  UINT list, combo;
};
constexpr OpMessages kOpMessages[] = {
    {LB_ADDSTRING, CB_ADDSTRING},       {LB_INSERTSTRING, CB_INSERTSTRING},
    {LB_DELETESTRING, CB_DELETESTRING}, {LB_RESETCONTENT, CB_RESETCONTENT},
    {LB_SETCURSEL, CB_SETCURSEL},       {LB_GETCURSEL, CB_GETCURSEL},
    {LB_GETTEXT, CB_GETLBTEXT},         {LB_GETTEXTLEN, CB_GETLBTEXTLEN},
    {LB_GETCOUNT, CB_GETCOUNT},         {LB_GETITEMDATA, CB_GETITEMDATA},
    {LB_SETITEMDATA, CB_SETITEMDATA},   {LB_FINDSTRINGEXACT, CB_FINDSTRINGEXACT},
};
static_assert(std::size(kOpMessages) == kFind + 1, "a message pair for every operation");

// The item operation a message asks for; -1 for any other message.
int OpOf(UINT message, bool combo) {
  for (int op = 0; op <= kFind; ++op) {
    if ((combo ? kOpMessages[op].combo : kOpMessages[op].list) == message) return op;
  }
  return -1;
}

int ItemHeight() {
  static int height = [] {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, DialogFont());
    TEXTMETRIC metrics{};
    GetTextMetrics(dc, &metrics);
    SelectObject(dc, old);
    DeleteDC(dc);
    return static_cast<int>(metrics.tmHeight) + 2;
  }();
  return height;
}

// ---- list box ----

struct ListState {
  Items list;
  int top = 0;
  bool focused = false;
  bool tracking = false;
  HWND combo = nullptr;  // the combo box this list drops down for
  FontHolder font;
};

int VisibleRows(HWND hwnd) {
  RECT client;
  GetClientRect(hwnd, &client);
  return std::max(1, static_cast<int>(client.bottom) / ItemHeight());
}

int LastTop(const ListState& state, HWND hwnd) { return std::max(0, state.list.Count() - VisibleRows(hwnd)); }

// The list's own bar shows where its rows are: the thumb moves with the top row, and an empty
// or wholly shown list has none.
void SyncBar(const ListState& state, HWND hwnd) {
  if (!(GetWindowLongPtr(hwnd, GWL_STYLE) & WS_VSCROLL)) return;
  SCROLLINFO wanted{sizeof wanted,
                    SIF_RANGE | SIF_PAGE | SIF_POS,
                    0,
                    std::max(0, state.list.Count() - 1),
                    static_cast<UINT>(VisibleRows(hwnd)),
                    state.top,
                    0};
  SCROLLINFO now{sizeof now, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
  GetScrollInfo(hwnd, SB_VERT, &now);
  UINT page = std::min<UINT>(wanted.nPage, static_cast<UINT>(wanted.nMax + 1));
  if (now.nMin != wanted.nMin || now.nMax != wanted.nMax || now.nPage != page || now.nPos != wanted.nPos)
    SetScrollInfo(hwnd, SB_VERT, &wanted, TRUE);
}

void ScrollTo(ListState& state, HWND hwnd, int top) {
  top = std::clamp(top, 0, LastTop(state, hwnd));
  if (top == state.top) return;
  state.top = top;
  InvalidateRect(hwnd, nullptr, TRUE);
}

void ScrollIntoView(ListState& state, HWND hwnd) {
  int rows = VisibleRows(hwnd);
  if (state.list.selection < 0) return;
  if (state.list.selection < state.top) state.top = state.list.selection;
  if (state.list.selection >= state.top + rows) state.top = state.list.selection - rows + 1;
}

void PaintList(ListState& state, HWND hwnd) {
  ControlPaint paint(hwnd, state.font.font);
  HDC dc = paint.dc();
  bool enabled = IsWindowEnabled(hwnd);
  FillRect(dc, &paint.client(), GetSysColorBrush(COLOR_WINDOW));
  int height = ItemHeight();
  for (int i = state.top; i < state.list.Count(); ++i) {
    RECT row{0, (i - state.top) * height, paint.client().right, (i - state.top + 1) * height};
    if (row.top >= paint.client().bottom) break;
    bool selected = i == state.list.selection;
    if (selected) FillRect(dc, &row, GetSysColorBrush(enabled ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(!enabled   ? COLOR_GRAYTEXT
                                 : selected ? COLOR_HIGHLIGHTTEXT
                                            : COLOR_WINDOWTEXT));
    RECT text = row;
    text.left += 2;
    DrawText(dc, state.list.items[static_cast<std::size_t>(i)].text.c_str(), -1, &text,
             DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  // Before any row is chosen, and in an empty list, the focus shows on the first row.
  const int caret = std::max(state.list.selection, 0);
  if (state.focused && caret >= state.top) {
    RECT row{0, (caret - state.top) * height, paint.client().right, (caret - state.top + 1) * height};
    DrawFocusRect(dc, &row);
  }
}

void ChooseRow(ListState& state, HWND hwnd, int index, bool notify) {
  index = std::clamp(index, 0, state.list.Count() - 1);
  if (state.list.Count() == 0 || index == state.list.selection) return;
  state.list.selection = index;
  ScrollIntoView(state, hwnd);
  InvalidateRect(hwnd, nullptr, TRUE);
  if (notify && (GetWindowLongPtr(hwnd, GWL_STYLE) & LBS_NOTIFY)) NotifyParent(hwnd, LBN_SELCHANGE);
}

int RowAt(const ListState& state, LPARAM lParam) {
  int y = GET_Y_LPARAM(lParam);
  return y < 0 ? -1 : state.top + y / ItemHeight();
}

LRESULT HandleList(ListState& state, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  int op = OpOf(message, false);
  LRESULT result = 0;
  if (op >= 0 && state.list.Handle(static_cast<UINT>(op), wParam, lParam,
                                   (GetWindowLongPtr(hwnd, GWL_STYLE) & LBS_SORT) != 0, &result)) {
    if (op == kSetSel) ScrollIntoView(state, hwnd);
    if (op != kGetSel && op != kGetText && op != kGetTextLen && op != kCount && op != kGetData &&
        op != kFind) {
      InvalidateRect(hwnd, nullptr, TRUE);
    }
    return result;
  }
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_PAINT:
      PaintList(state, hwnd);
      return 0;
    case WM_LBUTTONDOWN: {
      if (!state.combo) SetFocus(hwnd);
      RECT client;
      GetClientRect(hwnd, &client);
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (state.combo && !PtInRect(&client, at)) {
        // The drop-down holds the capture: a press on its own bar scrolls, any other closes it.
        POINT screen = at;
        ClientToScreen(hwnd, &screen);
        RECT bar = WindowScrollBarRect(hwnd, SB_VERT);
        if ((GetWindowLongPtr(hwnd, GWL_STYLE) & WS_VSCROLL) && PtInRect(&bar, screen)) {
          TrackWindowScrollBar(hwnd, SB_VERT, screen);
          SetCapture(hwnd);
        } else {
          PostMessage(state.combo, kPicked, static_cast<WPARAM>(-1), 0);
        }
        return 0;
      }
      int row = RowAt(state, lParam);
      if (row >= 0 && row < state.list.Count()) ChooseRow(state, hwnd, row, true);
      state.tracking = true;
      return 0;
    }
    case WM_MOUSEMOVE: {
      // In a drop-down the highlight follows the pointer, the button held or not.
      if (!state.combo) return 0;
      RECT client;
      GetClientRect(hwnd, &client);
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      int row = RowAt(state, lParam);
      if (PtInRect(&client, at) && row < state.list.Count()) ChooseRow(state, hwnd, row, false);
      return 0;
    }
    case WM_LBUTTONUP: {
      // A release over the rows picks, also at the end of a drag from the combo box's field.
      RECT client;
      GetClientRect(hwnd, &client);
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (state.combo && PtInRect(&client, at) && RowAt(state, lParam) < state.list.Count()) {
        PostMessage(state.combo, kPicked, static_cast<WPARAM>(RowAt(state, lParam)), 0);
      }
      state.tracking = false;
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      if (GetWindowLongPtr(hwnd, GWL_STYLE) & LBS_NOTIFY) NotifyParent(hwnd, LBN_DBLCLK);
      return 0;
    case WM_KEYDOWN:
      switch (static_cast<int>(wParam)) {
        case VK_UP:
          ChooseRow(state, hwnd, state.list.selection - 1, true);
          break;
        case VK_DOWN:
          ChooseRow(state, hwnd, state.list.selection + 1, true);
          break;
        case VK_HOME:
          ChooseRow(state, hwnd, 0, true);
          break;
        case VK_END:
          ChooseRow(state, hwnd, state.list.Count() - 1, true);
          break;
        case VK_RETURN:
          if (state.combo) PostMessage(state.combo, kPicked, static_cast<WPARAM>(state.list.selection), 0);
          break;
        case VK_ESCAPE:
          if (state.combo) PostMessage(state.combo, kPicked, static_cast<WPARAM>(-1), 0);
          break;
        default:
          break;
      }
      return 0;
    case WM_MOUSEWHEEL:
      ScrollTo(state, hwnd, state.top - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA);
      return 0;
    case WM_VSCROLL: {
      int rows = VisibleRows(hwnd);
      switch (LOWORD(wParam)) {
        case SB_LINEUP:
          ScrollTo(state, hwnd, state.top - 1);
          break;
        case SB_LINEDOWN:
          ScrollTo(state, hwnd, state.top + 1);
          break;
        case SB_PAGEUP:
          ScrollTo(state, hwnd, state.top - rows);
          break;
        case SB_PAGEDOWN:
          ScrollTo(state, hwnd, state.top + rows);
          break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
          ScrollTo(state, hwnd, static_cast<SHORT>(HIWORD(wParam)));
          break;
        case SB_TOP:
          ScrollTo(state, hwnd, 0);
          break;
        case SB_BOTTOM:
          ScrollTo(state, hwnd, LastTop(state, hwnd));
          break;
        default:
          break;
      }
      return 0;
    }
    case LB_GETTOPINDEX:
      return state.top;
    case LB_SETTOPINDEX:
      state.top = std::clamp(static_cast<int>(wParam), 0, std::max(0, state.list.Count() - 1));
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case LB_GETITEMHEIGHT:
      return ItemHeight();
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ControlProc<ListState>(hwnd, message, wParam, lParam,
                                [](ListState& state, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
                                  LRESULT result = HandleList(state, hwnd, message, wParam, lParam);
                                  if (message != WM_PAINT) SyncBar(state, hwnd);
                                  return result;
                                });
}

// ---- combo box ----

struct ComboState {
  Items list;
  int droppedHeight = 0;  // the height given at creation: field and list together
  HWND drop = nullptr;
  bool focused = false;
  FontHolder font;
};

int FieldHeight() { return ItemHeight() + 6; }

void PaintCombo(ComboState& state, HWND hwnd) {
  ControlPaint paint(hwnd, state.font.font);
  HDC dc = paint.dc();
  RECT client = paint.client();
  bool enabled = IsWindowEnabled(hwnd);
  FillRect(dc, &client, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
  DrawEdge(dc, &client, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  int arrow = GetSystemMetrics(SM_CXVSCROLL);
  RECT button{client.right - arrow, client.top, client.right, client.bottom};
  DrawButtonFace(dc, button, state.drop != nullptr, false);
  DrawArrow(dc, button, 1, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  RECT field{client.left + 1, client.top + 1, button.left - 1, client.bottom - 1};
  if (state.focused && !state.drop) {
    FillRect(dc, &field, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  } else {
    SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  }
  if (state.list.selection >= 0) {
    RECT text = field;
    text.left += 2;
    DrawText(dc, state.list.items[static_cast<std::size_t>(state.list.selection)].text.c_str(), -1, &text,
             DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  if (state.focused && !state.drop) DrawFocusRect(dc, &field);
}

void CloseDrop(ComboState& state, HWND hwnd) {
  if (!state.drop) return;
  HWND drop = state.drop;
  state.drop = nullptr;
  if (GetCapture() == drop) ReleaseCapture();
  DestroyWindow(drop);
  InvalidateRect(hwnd, nullptr, TRUE);
  NotifyParent(hwnd, CBN_CLOSEUP);
}

void Choose(ComboState& state, HWND hwnd, int index) {
  index = std::clamp(index, 0, state.list.Count() - 1);
  if (state.list.Count() == 0 || index == state.list.selection) return;
  state.list.selection = index;
  InvalidateRect(hwnd, nullptr, TRUE);
  NotifyParent(hwnd, CBN_SELCHANGE);
}

void OpenDrop(ComboState& state, HWND hwnd) {
  if (state.drop || state.list.Count() == 0) return;
  NotifyParent(hwnd, CBN_DROPDOWN);
  RECT window;
  GetWindowRect(hwnd, &window);
  int rows = std::clamp((state.droppedHeight - FieldHeight()) / ItemHeight(), 1, state.list.Count());
  DWORD bar = rows < state.list.Count() ? WS_VSCROLL : 0;
  state.drop = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kDropClass, "", WS_POPUP | WS_BORDER | bar,
                              window.left, window.bottom, window.right - window.left, rows * ItemHeight() + 2,
                              hwnd, nullptr, nullptr, nullptr);
  if (!state.drop) return;
  ListState* list = StateOf<ListState>(state.drop);
  list->combo = hwnd;
  list->list = state.list;
  list->top = std::max(0, std::min(state.list.selection, state.list.Count() - rows));
  ShowWindow(state.drop, SW_SHOWNA);
  SetCapture(state.drop);
  InvalidateRect(hwnd, nullptr, TRUE);
}

LRESULT HandleCombo(ComboState& state, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  int op = OpOf(message, true);
  LRESULT result = 0;
  if (op >= 0 && state.list.Handle(static_cast<UINT>(op), wParam, lParam,
                                   (GetWindowLongPtr(hwnd, GWL_STYLE) & CBS_SORT) != 0, &result)) {
    if (op == kSetSel || op == kDelete || op == kReset) InvalidateRect(hwnd, nullptr, TRUE);
    return result;
  }
  switch (message) {
    case WM_CREATE: {
      auto* create = reinterpret_cast<CREATESTRUCT*>(lParam);
      state.droppedHeight = create->cy;
      // Scroll-bar styles belong to the dropped list, not to the field.
      LONG_PTR style = GetWindowLongPtr(hwnd, GWL_STYLE);
      if (style & (WS_VSCROLL | WS_HSCROLL))
        SetWindowLongPtr(hwnd, GWL_STYLE, style & ~(WS_VSCROLL | WS_HSCROLL));
      RECT window;
      GetWindowRect(hwnd, &window);
      SetWindowPos(hwnd, nullptr, 0, 0, window.right - window.left, FieldHeight(),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_GETDLGCODE: {
      // An open list takes Esc and Enter itself: they close it, not the dialog.
      const MSG* msg = reinterpret_cast<const MSG*>(lParam);
      const bool listKey = state.drop && msg && msg->message == WM_KEYDOWN &&
                           (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN);
      return DLGC_WANTARROWS | DLGC_WANTCHARS | (listKey ? DLGC_WANTALLKEYS : 0);
    }
    case WM_PAINT:
      PaintCombo(state, hwnd);
      return 0;
    case WM_KILLFOCUS:
      CloseDrop(state, hwnd);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // a quick second press toggles the list as the first did
      SetFocus(hwnd);
      if (state.drop)
        CloseDrop(state, hwnd);
      else
        OpenDrop(state, hwnd);
      return 0;
    case WM_KEYDOWN:
      // The focus stays on the field while the list is open; the list's own keys move its
      // highlight, pick it with Enter or close it with Esc.
      if (state.drop) return SendMessage(state.drop, WM_KEYDOWN, wParam, lParam);
      switch (static_cast<int>(wParam)) {
        case VK_UP:
          Choose(state, hwnd, state.list.selection - 1);
          break;
        case VK_DOWN:
          Choose(state, hwnd, state.list.selection + 1);
          break;
        case VK_HOME:
          Choose(state, hwnd, 0);
          break;
        case VK_END:
          Choose(state, hwnd, state.list.Count() - 1);
          break;
        default:
          break;
      }
      return 0;
    case kPicked:
      CloseDrop(state, hwnd);
      if (static_cast<INT_PTR>(wParam) >= 0) Choose(state, hwnd, static_cast<int>(wParam));
      return 0;
    case CB_SHOWDROPDOWN:
      if (wParam)
        OpenDrop(state, hwnd);
      else
        CloseDrop(state, hwnd);
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return state.drop != nullptr;
    case WM_DESTROY:
      CloseDrop(state, hwnd);
      return 0;
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT ComboProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ControlProc<ComboState>(hwnd, message, wParam, lParam, HandleCombo);
}

}  // namespace

void RegisterListClasses() {
  RegisterControlClass(WC_LISTBOX, ListProc, CS_DBLCLKS, IDC_ARROW);
  RegisterControlClass(kDropClass, ListProc, CS_DBLCLKS | CS_SAVEBITS, IDC_ARROW);
  RegisterControlClass(WC_COMBOBOX, ComboProc, CS_DBLCLKS, IDC_ARROW);
}

}  // namespace platform::detail
