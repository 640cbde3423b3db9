#include <atomic>
#include <thread>

#include "platform/win32/Clock.h"
#include "tests/platform/UiFixture.h"

namespace {

using wf_test::UiTest;

TEST_F(UiTest, TwoThreadsSendingToEachOtherDoNotDeadlock) {
  HWND mine = MakeTop({0, 0, 10, 10});
  std::atomic<HWND> theirs{nullptr};
  std::atomic<bool> done{false};
  Handlers()[mine] = [&](HWND, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    if (message != WM_USER) return false;
    // Answering needs the other thread, which is itself waiting for this one.
    *result = SendMessage(theirs.load(), WM_USER + 1, wParam, 0) + 1;
    return true;
  };
  std::thread other([&] {
    WNDCLASS plain{};
    plain.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
      return message == WM_USER + 1 ? static_cast<LRESULT>(wParam * 10)
                                    : DefWindowProc(hwnd, message, wParam, lParam);
    };
    plain.lpszClassName = "WfOtherThread";
    RegisterClass(&plain);
    HWND hwnd = CreateWindowEx(0, "WfOtherThread", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                               nullptr);
    theirs = hwnd;
    LRESULT answer = SendMessage(mine, WM_USER, 4, 0);
    EXPECT_EQ(answer, 41);
    DestroyWindow(hwnd);
    done = true;
  });
  while (!done) {
    MSG msg;
    PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
    std::this_thread::yield();
  }
  other.join();
}

TEST_F(UiTest, QuitEndsAModalLoopAndIsPostedAgain) {
  HWND dialog = MakeTop({0, 0, 10, 10});
  platform::EventScript script;
  script.Then("quit", [] { PostQuitMessage(9); });
  EXPECT_EQ(platform::RunModalLoop(dialog), -1);
  MSG msg;
  EXPECT_FALSE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.wParam, 9u);
}

TEST_F(UiTest, NestedModalLoopsEndInsideOut) {
  HWND outer = MakeTop({0, 0, 100, 100});
  HWND inner = Make(WS_POPUP, {10, 10, 50, 50}, outer);
  INT_PTR innerResult = 0;
  platform::EventScript script;
  script
      .Then("open the inner loop",
            [&] {
              innerResult = platform::RunModalLoop(inner);
              EndDialog(outer, 2);
            })
      .Then("end the inner loop", [&] { EndDialog(inner, 1); });
  EXPECT_EQ(platform::RunModalLoop(outer), 2);
  EXPECT_EQ(innerResult, 1);
  EXPECT_TRUE(IsWindowEnabled(outer));
}

TEST_F(UiTest, SystemCloseAndCloseDestroyByDefault) {
  HWND hwnd = MakeTop({0, 0, 10, 10});
  SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(Messages(WM_CLOSE).size(), 1u);
}

TEST_F(UiTest, ClassCursorIsSetOverTheClientArea) {
  static HCURSOR hand;
  hand = LoadCursor(nullptr, IDC_HAND);
  EXPECT_EQ(LoadCursor(nullptr, IDC_HAND), hand);
  EXPECT_NE(LoadCursor(nullptr, IDC_ARROW), hand);
  WNDCLASS withCursor{};
  withCursor.lpfnWndProc = DefWindowProc;
  withCursor.hCursor = hand;
  withCursor.lpszClassName = "WfHandCursor";
  static const ATOM atom = RegisterClass(&withCursor);
  ASSERT_NE(atom, 0);
  HWND hwnd = CreateWindowEx(0, "WfHandCursor", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                             nullptr, nullptr);
  SetCursor(nullptr);
  platform::MouseMove({10, 10});
  platform::PumpMessages();
  EXPECT_EQ(GetCursor(), hand);
  POINT at;
  GetCursorPos(&at);
  EXPECT_EQ(at.x, 10);
  DWORD position = GetMessagePos();
  EXPECT_EQ(GET_X_LPARAM(position), 10);
  DestroyWindow(hwnd);
}

TEST_F(UiTest, TheMonitorAndItsWorkAreaCanBeSet) {
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
  platform::SetMonitor(800, 600, RECT{0, 0, 800, 560});
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 800);
  RECT work;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.bottom, 560);
  HMONITOR monitor = MonitorFromPoint({5000, 5000}, MONITOR_DEFAULTTONEAREST);
  ASSERT_NE(monitor, nullptr);
  EXPECT_EQ(MonitorFromPoint({5000, 5000}, MONITOR_DEFAULTTONULL), nullptr);
  MONITORINFO info{sizeof(MONITORINFO), {}, {}, 0};
  ASSERT_TRUE(GetMonitorInfo(monitor, &info));
  EXPECT_EQ(info.rcMonitor.right, 800);
  EXPECT_EQ(info.rcWork.bottom, 560);
  EXPECT_EQ(info.dwFlags, MONITORINFOF_PRIMARY);
}

TEST_F(UiTest, SystemMetricsDescribeTheClassicFrames) {
  struct Case {
    DWORD style;
    DWORD exStyle;
    LONG left, top;
  } cases[] = {
      {WS_POPUP, 0, 0, 0},
      {WS_POPUP | WS_BORDER, 0, 1, 1},
      {WS_POPUP | WS_DLGFRAME, 0, 3, 3},
      {WS_POPUP | WS_THICKFRAME, 0, 4, 4},
      {WS_POPUP | WS_CAPTION, 0, 3, 3 + 19},
      {WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW, 3, 3 + 15},
      {WS_CHILD, WS_EX_CLIENTEDGE, 2, 2},
  };
  for (const Case& c : cases) {
    RECT rect{0, 0, 100, 100};
    AdjustWindowRectEx(&rect, c.style, FALSE, c.exStyle);
    EXPECT_EQ(-rect.left, c.left) << std::hex << c.style;
    EXPECT_EQ(-rect.top, c.top) << std::hex << c.style;
  }
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 17);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
  EXPECT_EQ(GetSysColor(-1), 0u);
}

TEST_F(UiTest, WaitMessageReturnsForAPostAndLeavesItQueued) {
  HWND hwnd = MakeTop({0, 0, 10, 10});
  platform::PumpMessages();
  std::thread poster([hwnd] { PostMessage(hwnd, WM_USER + 3, 0, 0); });
  WaitMessage();
  poster.join();
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 3);
}

}  // namespace
