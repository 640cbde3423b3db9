// platform-demo: a window with a few children, painted by the platform stand-in and captured
// to a PNG (the first argument, or platform-demo.png). `platform-demo --live` shows it on the
// X display instead, until it is closed.
#include <cstdio>
#include <string>

#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Capture.h"
#include "platform/ui/Ui.h"
#include "platform/ui/x11/LiveDisplay.h"
#include "platform/win32/Rect.h"

namespace {

LRESULT PaintShapes(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProc(hwnd, message, wParam, lParam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client;
  GetClientRect(hwnd, &client);
  HBRUSH sky = CreateSolidBrush(RGB(220, 232, 248));
  FillRect(dc, &client, sky);
  DeleteObject(sky);

  HPEN outline = CreatePen(PS_SOLID, 3, RGB(20, 60, 140));
  HBRUSH fill = CreateHatchBrush(HS_DIAGCROSS, RGB(40, 120, 200));
  HGDIOBJ oldPen = SelectObject(dc, outline);
  HGDIOBJ oldBrush = SelectObject(dc, fill);
  SetBkColor(dc, RGB(255, 255, 255));
  Ellipse(dc, 20, 20, 160, 120);
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  RoundRect(dc, 180, 20, 320, 120, 24, 24);
  POINT star[] = {{400, 20},  {420, 80},  {480, 80},  {430, 110}, {450, 170},
                  {400, 130}, {350, 170}, {370, 110}, {320, 80},  {380, 80}};
  HBRUSH gold = CreateSolidBrush(RGB(240, 190, 40));
  SelectObject(dc, gold);
  Polygon(dc, star, 10);
  HPEN dashed = CreatePen(PS_DASH, 1, RGB(200, 30, 30));
  SelectObject(dc, dashed);
  MoveToEx(dc, 20, 150, nullptr);
  LineTo(dc, 300, 150);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(outline);
  DeleteObject(fill);
  DeleteObject(gold);
  DeleteObject(dashed);

  HFONT font = CreateFont(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(30, 30, 30));
  TextOut(dc, 20, 165, "Wendle Forge platform demo", 26);
  SelectObject(dc, oldFont);
  DeleteObject(font);
  EndPaint(hwnd, &paint);
  return 0;
}

LRESULT PaintLabel(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProc(hwnd, message, wParam, lParam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client;
  GetClientRect(hwnd, &client);
  DrawEdge(dc, &client, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
  char text[64];
  GetWindowText(hwnd, text, sizeof text);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  DrawText(dc, text, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (GetFocus() == hwnd) {
    InflateRect(&client, -3, -3);
    DrawFocusRect(dc, &client);
  }
  EndPaint(hwnd, &paint);
  return 0;
}

ATOM Register(const char* name, WNDPROC proc, int background) {
  WNDCLASS windowClass{};
  windowClass.lpfnWndProc = proc;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
  windowClass.lpszClassName = name;
  return RegisterClass(&windowClass);
}

}  // namespace

int main(int argc, char** argv) {
  bool live = argc > 1 && std::string(argv[1]) == "--live";
  auto display = live ? platform::x11::LiveDisplay::Open() : nullptr;
  if (live && !display) {
    std::fprintf(stderr, "platform-demo: no display to show the window on (DISPLAY, WF_HEADLESS)\n");
    return 1;
  }
  const char* path = argc > 1 ? argv[1] : "platform-demo.png";
  Register("DemoFrame", DefWindowProc, COLOR_BTNFACE);
  Register("DemoShapes", PaintShapes, COLOR_WINDOW);
  Register("DemoLabel", PaintLabel, COLOR_BTNFACE);
  HWND frame = CreateWindowEx(0, "DemoFrame", "Platform demo", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                              540, 320, nullptr, nullptr, nullptr, nullptr);
  CreateWindowEx(WS_EX_CLIENTEDGE, "DemoShapes", "", WS_CHILD | WS_VISIBLE, 10, 10, 510, 200, frame, nullptr,
                 nullptr, nullptr);
  HWND ok = CreateWindowEx(0, "DemoLabel", "OK", WS_CHILD | WS_VISIBLE, 320, 225, 90, 26, frame,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(1)), nullptr, nullptr);
  CreateWindowEx(0, "DemoLabel", "Cancel", WS_CHILD | WS_VISIBLE, 420, 225, 90, 26, frame,
                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(2)), nullptr, nullptr);
  SetFocus(ok);
  MSG msg;
  while (live && IsWindow(frame) && GetMessage(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  if (live) return 0;
  platform::PumpMessages();
  if (!platform::Capture(frame, path)) {
    std::fprintf(stderr, "platform-demo: cannot write %s\n", path);
    return 1;
  }
  std::printf("platform-demo: wrote %s\n", path);
  DestroyWindow(frame);
  return 0;
}
