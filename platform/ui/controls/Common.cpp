// Registration of the standard controls and what they share.
#include <mutex>
#include <vector>

#include "platform/gdi/DcState.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/Queue.h"
#include "platform/ui/detail/Controls.h"

void InitCommonControls() { platform::detail::EnsureStandardClasses(); }

namespace platform::detail {

void EnsureStandardClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterButtonClass();
    RegisterEditClass();
    RegisterStaticClass();
    RegisterListClasses();
    RegisterScrollBarClass();
    RegisterUpDownClass();
    RegisterProgressClass();
    RegisterTrackbarClass();
    RegisterToolTipClass();
  });
}

void RegisterControlClass(LPCSTR name, WNDPROC proc, UINT style, LPCSTR cursor) {
  WNDCLASS windowClass{};
  windowClass.style = style | CS_GLOBALCLASS;
  windowClass.lpfnWndProc = proc;
  windowClass.cbWndExtra = sizeof(LONG_PTR);
  windowClass.hCursor = LoadCursor(nullptr, cursor);
  windowClass.lpszClassName = name;
  RegisterClass(&windowClass);
}

int ControlId(HWND hwnd) { return static_cast<int>(GetWindowLongPtr(hwnd, GWLP_ID)); }

void NotifyParent(HWND hwnd, WORD code) {
  if (HWND parent = GetParent(hwnd)) {
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(ControlId(hwnd)), code),
                reinterpret_cast<LPARAM>(hwnd));
  }
}

LRESULT NotifyParent(HWND hwnd, NMHDR* header, UINT code) {
  header->hwndFrom = hwnd;
  header->idFrom = static_cast<UINT_PTR>(ControlId(hwnd));
  header->code = code;
  HWND parent = GetParent(hwnd);
  return parent ? SendMessage(parent, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header)) : 0;
}

std::string TextOf(HWND hwnd) {
  std::string text(static_cast<std::size_t>(GetWindowTextLength(hwnd)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowText(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

HFONT DialogFont() {
  // 8 points at 96 dpi, the classic dialog face; lives for the process.
  static HFONT font = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "MS Shell Dlg");
  return font;
}

ControlPaint::ControlPaint(HWND hwnd, HFONT font) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &paint_)) {
  oldFont_ = SelectObject(dc_, font ? font : DialogFont());
  SetBkMode(dc_, TRANSPARENT);
  SetTextColor(dc_, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  GetClientRect(hwnd, &client_);
}

ControlPaint::~ControlPaint() {
  SelectObject(dc_, oldFont_);
  EndPaint(hwnd_, &paint_);
}

HBRUSH ParentBrush(HWND hwnd, HDC dc, UINT message) {
  HWND parent = GetParent(hwnd);
  LRESULT answer = parent ? SendMessage(parent, message, reinterpret_cast<WPARAM>(dc),
                                        reinterpret_cast<LPARAM>(hwnd))
                          : 0;
  return answer ? reinterpret_cast<HBRUSH>(answer) : GetSysColorBrush(COLOR_BTNFACE);
}

void DrawControlText(HWND hwnd, HDC dc, const std::string& text, RECT* rect, UINT format) {
  if (IsWindowEnabled(hwnd)) {
    DrawText(dc, text.c_str(), -1, rect, format);
    return;
  }
  COLORREF previous = SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
  RECT under = *rect;
  OffsetRect(&under, 1, 1);
  DrawText(dc, text.c_str(), -1, &under, format);
  SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
  DrawText(dc, text.c_str(), -1, rect, format);
  SetTextColor(dc, previous);
}

void DrawButtonFace(HDC dc, RECT rect, bool pressed, bool defaultFrame) {
  if (defaultFrame) {
    FrameRect(dc, &rect, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&rect, -1, -1);
  }
  FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
  if (pressed) {
    FrameRect(dc, &rect, GetSysColorBrush(COLOR_BTNSHADOW));
  } else {
    DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT);
  }
}

void DrawArrow(HDC dc, const RECT& rect, int direction, COLORREF colour) {
  int cx = (rect.left + rect.right) / 2, cy = (rect.top + rect.bottom) / 2;
  int size = std::max(2, std::min(rect.right - rect.left, rect.bottom - rect.top) / 4);
  HBRUSH brush = CreateSolidBrush(colour);
  for (int i = 0; i < size; ++i) {
    RECT line{};
    int half = size - 1 - i;
    switch (direction) {
      case 0:
        line = RECT{cx - i, cy - size / 2 + i, cx + i + 1, cy - size / 2 + i + 1};
        break;
      case 1:
        line = RECT{cx - half, cy - size / 2 + i, cx + half + 1, cy - size / 2 + i + 1};
        break;
      case 2:
        line = RECT{cx - size / 2 + i, cy - i, cx - size / 2 + i + 1, cy + i + 1};
        break;
      default:
        line = RECT{cx - size / 2 + i, cy - half, cx - size / 2 + i + 1, cy + half + 1};
        break;
    }
    FillRect(dc, &line, brush);
  }
  DeleteObject(brush);
}

}  // namespace platform::detail
