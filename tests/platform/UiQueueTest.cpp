#include <atomic>
#include <chrono>
#include <thread>

#include "platform/win32/Clock.h"
#include "tests/platform/UiFixture.h"

namespace {

using wf_test::UiTest;

TEST_F(UiTest, PostFromAnotherThreadWakesABlockedGetMessage) {
  HWND hwnd = MakeTop({0, 0, 10, 10});
  platform::PumpMessages();
  std::atomic<bool> posting{false};
  std::thread poster([&] {
    // Give the main thread time to block; the test holds either way.
    posting = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostMessage(hwnd, WM_USER + 7, 42, 0);
  });
  MSG msg;
  ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
  poster.join();
  EXPECT_TRUE(posting);
  EXPECT_EQ(msg.hwnd, hwnd);
  EXPECT_EQ(msg.message, WM_USER + 7);
  EXPECT_EQ(msg.wParam, 42u);
}

TEST_F(UiTest, SendToAnotherThreadWaitsForItsAnswer) {
  HWND hwnd = MakeTop({0, 0, 10, 10});
  Handlers()[hwnd] = [](HWND, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    if (message != WM_USER) return false;
    *result = static_cast<LRESULT>(wParam * 2);
    return true;
  };
  std::atomic<LRESULT> answer{0};
  std::thread sender([&] { answer = SendMessage(hwnd, WM_USER, 21, 0); });
  // The owner answers while it waits for messages.
  while (answer == 0) {
    MSG msg;
    PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
    std::this_thread::yield();
  }
  sender.join();
  EXPECT_EQ(answer, 42);
  EXPECT_EQ(SendMessage(hwnd, WM_USER, 5, 0), 10);  // same thread: called directly
}

TEST_F(UiTest, PeekMessageFiltersAndRemoves) {
  HWND a = MakeTop({0, 0, 10, 10});
  HWND b = MakeTop({0, 0, 10, 10});
  platform::PumpMessages();
  PostMessage(a, WM_USER + 1, 0, 0);
  PostMessage(b, WM_USER + 2, 0, 0);
  PostMessage(a, WM_USER + 3, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, b, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_USER + 2);
  ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 3);
  EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 1);
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 2);
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(UiTest, QuitEndsGetMessageAfterPostedMessages) {
  HWND hwnd = MakeTop({0, 0, 10, 10});
  platform::PumpMessages();
  PostQuitMessage(3);
  PostMessage(hwnd, WM_USER, 0, 0);
  MSG msg;
  EXPECT_TRUE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, WM_USER);
  EXPECT_FALSE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(UiTest, RegisteredMessagesShareOneNumberPerName) {
  UINT first = RegisterWindowMessage("TVM_SELCHANGE");
  UINT second = RegisterWindowMessage("TVM_SELDBLCLK");
  EXPECT_GE(first, 0xC000u);
  EXPECT_NE(first, second);
  EXPECT_EQ(RegisterWindowMessage("TVM_SELCHANGE"), first);
  EXPECT_EQ(RegisterWindowMessage(""), 0u);
}

TEST_F(UiTest, PaintComesAfterPostsAndValidatingEndsIt) {
  HWND hwnd = MakeTop({0, 0, 100, 100});
  platform::PumpMessages();
  EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
  RECT part{10, 10, 20, 20};
  InvalidateRect(hwnd, &part, TRUE);
  RECT more{30, 5, 40, 15};
  InvalidateRect(hwnd, &more, FALSE);
  PostMessage(hwnd, WM_USER, 0, 0);
  RECT update;
  ASSERT_TRUE(GetUpdateRect(hwnd, &update, FALSE));
  EXPECT_EQ(update.left, 10);
  EXPECT_EQ(update.top, 5);
  EXPECT_EQ(update.right, 40);
  EXPECT_EQ(update.bottom, 20);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER);
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_PAINT);
  // WM_PAINT stays until the window validates.
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_PAINT);
  DispatchMessage(&msg);  // DefWindowProc validates
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(UiTest, InvalidationReachesChildrenUnlessTheParentClipsThem) {
  HWND top = MakeTop({0, 0, 100, 100});
  HWND child = MakeChild(top, {10, 10, 30, 30});
  platform::PumpMessages();
  InvalidateRect(top, nullptr, TRUE);
  RECT update;
  ASSERT_TRUE(GetUpdateRect(child, &update, FALSE));
  EXPECT_EQ(update.right, 20);
  ValidateRect(top, nullptr);
  ValidateRect(child, nullptr);
  SetWindowLong(top, GWL_STYLE, GetWindowLong(top, GWL_STYLE) | WS_CLIPCHILDREN);
  InvalidateRect(top, nullptr, TRUE);
  EXPECT_FALSE(GetUpdateRect(child, nullptr, FALSE));
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  EXPECT_TRUE(GetUpdateRect(child, nullptr, FALSE));
  // Parents paint before their children.
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, top);
}

TEST_F(UiTest, UpdateWindowPaintsAtOnce) {
  HWND hwnd = MakeTop({0, 0, 100, 100});
  platform::PumpMessages();
  InvalidateRect(hwnd, nullptr, FALSE);
  Log().clear();
  UpdateWindow(hwnd);
  EXPECT_EQ(Messages(WM_PAINT).size(), 1u);
  UpdateWindow(hwnd);  // nothing left to paint
  EXPECT_EQ(Messages(WM_PAINT).size(), 1u);
}

TEST_F(UiTest, TimerFiresOnlyAfterTheClockPassesItsTime) {
  platform::VirtualClockScope clock;
  HWND hwnd = MakeTop({0, 0, 10, 10});
  platform::PumpMessages();
  ASSERT_EQ(SetTimer(hwnd, 25, 500, nullptr), 25u);
  Log().clear();
  platform::AdvanceVirtualClock(std::chrono::milliseconds(499));
  platform::PumpMessages();
  EXPECT_TRUE(Messages(WM_TIMER).empty());
  platform::AdvanceVirtualClock(std::chrono::milliseconds(1));
  platform::PumpMessages();
  ASSERT_EQ(Messages(WM_TIMER).size(), 1u);
  EXPECT_EQ(Messages(WM_TIMER)[0].wParam, 25u);
  // A late thread gets one WM_TIMER, not a burst; the period starts again from then.
  platform::AdvanceVirtualClock(std::chrono::milliseconds(2000));
  platform::PumpMessages();
  EXPECT_EQ(Messages(WM_TIMER).size(), 2u);
  EXPECT_TRUE(KillTimer(hwnd, 25));
  EXPECT_FALSE(KillTimer(hwnd, 25));
  platform::AdvanceVirtualClock(std::chrono::milliseconds(2000));
  platform::PumpMessages();
  EXPECT_EQ(Messages(WM_TIMER).size(), 2u);
}

TEST_F(UiTest, DueTimersComeOutInTheOrderOfTheirTimes) {
  platform::VirtualClockScope clock;
  HWND hwnd = MakeTop({0, 0, 10, 10});
  platform::PumpMessages();
  SetTimer(hwnd, 3, 300, nullptr);
  SetTimer(hwnd, 1, 100, nullptr);
  SetTimer(hwnd, 2, 200, nullptr);
  SetTimer(hwnd, 2, 250, nullptr);  // same id: replaced
  Log().clear();
  platform::AdvanceVirtualClock(std::chrono::milliseconds(300));
  platform::PumpMessages();
  std::vector<WPARAM> ids;
  for (const auto& seen : Messages(WM_TIMER)) ids.push_back(seen.wParam);
  EXPECT_EQ(ids, (std::vector<WPARAM>{1, 2, 3}));
}

TEST_F(UiTest, ClockMoveWakesAThreadWaitingForItsTimer) {
  platform::VirtualClockScope clock;
  std::atomic<bool> ready{false};
  std::atomic<UINT> got{0};
  std::thread waiter([&] {
    HWND hwnd = MakeTop({0, 0, 10, 10});
    platform::PumpMessages();
    SetTimer(hwnd, 9, 50, nullptr);
    ready = true;
    MSG msg;
    do {
      GetMessage(&msg, nullptr, 0, 0);
    } while (msg.message != WM_TIMER);
    got = static_cast<UINT>(msg.wParam);
    DestroyWindow(hwnd);
  });
  while (!ready) std::this_thread::yield();
  platform::AdvanceVirtualClock(std::chrono::milliseconds(50));
  waiter.join();
  EXPECT_EQ(got, 9u);
}

TEST_F(UiTest, TimerProcedureIsCalledByDispatch) {
  platform::VirtualClockScope clock;
  static int calls;
  calls = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) { ++calls; });
  ASSERT_NE(id, 0u);
  platform::AdvanceVirtualClock(std::chrono::milliseconds(10));
  platform::PumpMessages();
  EXPECT_EQ(calls, 1);
  KillTimer(nullptr, id);
}

TEST_F(UiTest, DestroyedWindowsLoseTheirTimersAndPosts) {
  platform::VirtualClockScope clock;
  HWND hwnd = MakeTop({0, 0, 10, 10});
  SetTimer(hwnd, 1, 10, nullptr);
  PostMessage(hwnd, WM_USER, 0, 0);
  DestroyWindow(hwnd);
  platform::AdvanceVirtualClock(std::chrono::milliseconds(10));
  Log().clear();
  platform::PumpMessages();
  EXPECT_TRUE(Log().empty());
}

}  // namespace
