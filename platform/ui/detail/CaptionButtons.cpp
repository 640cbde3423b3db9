// Caption buttons: their places, their classic glyphs and their press.
#include "platform/ui/detail/CaptionButtons.h"

#include "platform/gdi/Draw.h"
#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/Queue.h"
#include "platform/ui/Window.h"
#include "platform/ui/detail/Controls.h"
#include "platform/win32/Rect.h"

namespace platform::detail {

namespace {

bool HasMinMax(DWORD style, DWORD exStyle) {
  return (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) && !(exStyle & WS_EX_TOOLWINDOW);
}

void FillPixels(HDC dc, HBRUSH brush, int x, int y, int width, int height) {
  RECT r{x, y, x + width, y + height};
  FillRect(dc, &r, brush);
}

void DrawGlyph(HDC dc, const RECT& button, LRESULT which, HBRUSH ink) {
  int w = button.right - button.left, h = button.bottom - button.top;
  int x = button.left + (w - 8) / 2, y = button.top + (h - 7) / 2;
  if (which == HTCLOSE) {
    // Two strokes two pixels wide, crossing in the middle.
    for (int i = 0; i < 7; ++i) {
      FillPixels(dc, ink, x + i, y + i, 2, 1);
      FillPixels(dc, ink, x + 6 - i, y + i, 2, 1);
    }
  } else if (which == HTMINBUTTON) {
    FillPixels(dc, ink, x + 1, y + 5, 6, 2);
  } else {
    RECT box{x, y - 1, x + 9, y + 8};
    FrameRect(dc, &box, ink);
    FillPixels(dc, ink, x, y, 9, 1);
  }
}

void DrawButton(HDC dc, const RECT& rect, LRESULT which, bool pressed, bool enabled) {
  if (IsRectEmpty(&rect)) return;
  DrawButtonFace(dc, rect, pressed, false);
  RECT glyph = rect;
  if (pressed) OffsetRect(&glyph, 1, 1);
  if (enabled) {
    DrawGlyph(dc, glyph, which, GetSysColorBrush(COLOR_BTNTEXT));
    return;
  }
  RECT under = glyph;
  OffsetRect(&under, 1, 1);
  DrawGlyph(dc, under, which, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  DrawGlyph(dc, glyph, which, GetSysColorBrush(COLOR_BTNSHADOW));
}

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)); }
DWORD ExStyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_EXSTYLE)); }
int WidthOf(HWND hwnd) {
  RECT window;
  GetWindowRect(hwnd, &window);
  return window.right - window.left;
}

}  // namespace

CaptionButtons CaptionButtonsOf(DWORD style, DWORD exStyle, int width) {
  CaptionButtons buttons;
  if ((style & WS_CAPTION) != WS_CAPTION || !(style & WS_SYSMENU)) return buttons;
  // A caption implies the dialog frame unless the frame is thick.
  int frame = GetSystemMetrics((style & WS_THICKFRAME) ? SM_CXFRAME : SM_CXDLGFRAME);
  int caption = GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
  int height = caption - 5, buttonWidth = height + 2;
  int top = frame + 2, right = width - frame - 2;
  buttons.close = RECT{right - buttonWidth, top, right, top + height};
  if (HasMinMax(style, exStyle)) {
    buttons.maximize = RECT{buttons.close.left - 2 - buttonWidth, top, buttons.close.left - 2, top + height};
    buttons.minimize = RECT{buttons.maximize.left - buttonWidth, top, buttons.maximize.left, top + height};
  }
  return buttons;
}

LRESULT CaptionButtonAt(DWORD style, DWORD exStyle, int width, POINT at) {
  CaptionButtons buttons = CaptionButtonsOf(style, exStyle, width);
  if (PtInRect(&buttons.close, at)) return HTCLOSE;
  if (PtInRect(&buttons.maximize, at)) return HTMAXBUTTON;
  if (PtInRect(&buttons.minimize, at)) return HTMINBUTTON;
  return HTNOWHERE;
}

void PaintCaptionButtons(HWND hwnd, HDC windowDc, LRESULT pressed) {
  DWORD style = StyleOf(hwnd);
  CaptionButtons buttons = CaptionButtonsOf(style, ExStyleOf(hwnd), WidthOf(hwnd));
  DrawButton(windowDc, buttons.close, HTCLOSE, pressed == HTCLOSE, true);
  DrawButton(windowDc, buttons.maximize, HTMAXBUTTON, pressed == HTMAXBUTTON, (style & WS_MAXIMIZEBOX) != 0);
  DrawButton(windowDc, buttons.minimize, HTMINBUTTON, pressed == HTMINBUTTON, (style & WS_MINIMIZEBOX) != 0);
}

void TrackCaptionButton(HWND hwnd, LRESULT which) {
  DWORD style = StyleOf(hwnd);
  if ((which == HTMAXBUTTON && !(style & WS_MAXIMIZEBOX)) ||
      (which == HTMINBUTTON && !(style & WS_MINIMIZEBOX)))
    return;
  auto onButton = [&](POINT screen) {
    RECT window;
    GetWindowRect(hwnd, &window);
    POINT at{screen.x - window.left, screen.y - window.top};
    return CaptionButtonAt(style, ExStyleOf(hwnd), window.right - window.left, at) == which;
  };
  auto draw = [&](bool down) {
    HDC dc = GetWindowDC(hwnd);
    PaintCaptionButtons(hwnd, dc, down ? which : HTNOWHERE);
    ReleaseDC(hwnd, dc);
  };
  bool down = true;
  draw(down);
  SetCapture(hwnd);
  POINT last{};
  GetCursorPos(&last);
  MSG msg;
  while (GetCapture() == hwnd) {
    if (!GetMessage(&msg, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONUP) {
      last = msg.pt;
      if (onButton(last) != down) draw(down = !down);
      if (msg.message == WM_LBUTTONUP) break;
    } else {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  if (down) draw(false);
  if (!down || !IsWindow(hwnd)) return;
  WPARAM command = which == HTCLOSE ? SC_CLOSE : which == HTMAXBUTTON ? SC_MAXIMIZE : SC_MINIMIZE;
  SendMessage(hwnd, WM_SYSCOMMAND, command, MAKELPARAM(static_cast<WORD>(last.x), static_cast<WORD>(last.y)));
}

}  // namespace platform::detail
