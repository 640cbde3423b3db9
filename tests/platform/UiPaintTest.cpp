#include <cstdio>
#include <fstream>
#include <string>

#include "platform/gdi/Draw.h"
#include "platform/ui/Capture.h"
#include "tests/platform/UiFixture.h"

namespace {

using wf_test::UiTest;

constexpr std::uint32_t Pixel(COLORREF c) {
  return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

// Paints its client area in one colour.
void PaintWith(HWND hwnd, COLORREF color) {
  UiTest::Handlers()[hwnd] = [color](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message != WM_PAINT) return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    EndPaint(window, &paint);
    return true;
  };
}

TEST_F(UiTest, CaptureShowsChildrenOverTheirParentAndTheFrame) {
  HWND top = Make(WS_POPUP | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN, {100, 100, 200, 180});
  HWND child = MakeChild(top, {10, 10, 40, 40});
  PaintWith(top, RGB(255, 0, 0));
  PaintWith(child, RGB(0, 0, 255));
  platform::CapturedImage image = platform::Capture(top);
  ASSERT_EQ(image.width, 100);
  ASSERT_EQ(image.height, 80);
  EXPECT_EQ(image.At(0, 0), Pixel(GetSysColor(COLOR_WINDOWFRAME)));  // the border
  EXPECT_EQ(image.At(5, 5), Pixel(RGB(255, 0, 0)));
  EXPECT_EQ(image.At(1 + 10, 1 + 10), Pixel(RGB(0, 0, 255)));  // inside the border, at the child
  EXPECT_EQ(image.At(1 + 39, 1 + 39), Pixel(RGB(0, 0, 255)));
  EXPECT_EQ(image.At(1 + 40, 1 + 40), Pixel(RGB(255, 0, 0)));
  platform::CapturedImage part = platform::Capture(child);
  ASSERT_EQ(part.width, 30);
  EXPECT_EQ(part.At(0, 0), Pixel(RGB(0, 0, 255)));
}

TEST_F(UiTest, ParentPaintStaysOutOfClippedChildren) {
  HWND top = Make(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, {0, 0, 50, 50});
  HWND child = MakeChild(top, {10, 10, 20, 20});
  PaintWith(child, RGB(0, 0, 255));
  platform::Capture(top);
  HDC dc = GetDC(top);
  RECT all{0, 0, 50, 50};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dc, &all, red);
  DeleteObject(red);
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 15, 15), CLR_INVALID);  // the child's area is not the parent's to touch
  ReleaseDC(top, dc);
  HDC childDc = GetDC(child);
  EXPECT_EQ(GetPixel(childDc, 5, 5), RGB(0, 0, 255));
  ReleaseDC(child, childDc);
}

TEST_F(UiTest, DeviceContextsOutliveAResizeOfTheirWindow) {
  HWND top = MakeTop({0, 0, 50, 50});
  platform::Capture(top);
  HDC dc = GetDC(top);
  MoveWindow(top, 0, 0, 80, 80, TRUE);
  platform::Capture(top);            // a new surface of the new size
  SetPixel(dc, 1, 1, RGB(1, 2, 3));  // still draws into the old one, harmlessly
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(1, 2, 3));
  ReleaseDC(top, dc);
  EXPECT_EQ(platform::Capture(top).width, 80);
}

TEST_F(UiTest, EraseComesWithBeginPaintOnlyWhenAsked) {
  HWND top = MakeTop({0, 0, 50, 50});
  platform::PumpMessages();
  bool erased = false;
  BOOL leftToPainter = FALSE;
  Handlers()[top] = [&](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message == WM_ERASEBKGND) {
      erased = true;
      *result = 1;
      return true;
    }
    if (message != WM_PAINT) return false;
    PAINTSTRUCT paint;
    BeginPaint(hwnd, &paint);
    leftToPainter = paint.fErase;
    EndPaint(hwnd, &paint);
    return true;
  };
  InvalidateRect(top, nullptr, FALSE);
  UpdateWindow(top);
  EXPECT_FALSE(erased);
  InvalidateRect(top, nullptr, TRUE);
  UpdateWindow(top);
  EXPECT_TRUE(erased);
  EXPECT_FALSE(leftToPainter);
  EXPECT_FALSE(GetUpdateRect(top, nullptr, FALSE));
}

TEST_F(UiTest, CaptureWritesAPng) {
  HWND top = MakeTop({0, 0, 30, 20});
  PaintWith(top, RGB(0, 128, 0));
  const char* dir = std::getenv("WF_TEST_TMPDIR");
  std::string path = std::string(dir ? dir : "/tmp") + "/ui_capture_test.png";
  ASSERT_TRUE(platform::Capture(top, path));
  std::ifstream file(path, std::ios::binary);
  std::string header(24, '\0');
  file.read(&header[0], 24);
  EXPECT_EQ(header.substr(1, 3), "PNG");
  // The width and height in the first chunk, big-endian.
  EXPECT_EQ(static_cast<unsigned char>(header[19]), 30);
  EXPECT_EQ(static_cast<unsigned char>(header[23]), 20);
  std::remove(path.c_str());
  EXPECT_FALSE(platform::Capture(nullptr, path));
}

}  // namespace
