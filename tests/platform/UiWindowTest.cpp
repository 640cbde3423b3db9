#include <cstring>

#include "tests/platform/UiFixture.h"

namespace {

using wf_test::UiTest;

TEST_F(UiTest, CreationSendsCreateSizeAndMoveThenShows) {
  HWND top = MakeTop({10, 20, 110, 70});
  ASSERT_NE(top, nullptr);
  std::vector<UINT> seen = MessagesTo(top);
  std::vector<UINT> expected{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW};
  ASSERT_GE(seen.size(), expected.size());
  EXPECT_EQ(std::vector<UINT>(seen.begin(), seen.begin() + 5), expected);
  EXPECT_EQ(Messages(WM_SIZE)[0].lParam, MAKELPARAM(100, 50));
  EXPECT_EQ(Messages(WM_MOVE)[0].lParam, MAKELPARAM(10, 20));
  EXPECT_TRUE(IsWindowVisible(top));
  EXPECT_EQ(GetActiveWindow(), top);
}

TEST_F(UiTest, CreationFailsForUnknownClassMissingParentOrRefusingProcedure) {
  EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(Make(WS_CHILD, {0, 0, 10, 10}, nullptr), nullptr);
  WNDCLASS refusing{};
  refusing.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    return message == WM_CREATE ? -1 : DefWindowProc(hwnd, message, wParam, lParam);
  };
  refusing.lpszClassName = "WfRefusing";
  static const ATOM atom = RegisterClass(&refusing);
  ASSERT_NE(atom, 0);
  EXPECT_EQ(RegisterClass(&refusing), 0);  // a name is registered once
  EXPECT_EQ(CreateWindowEx(0, "wfrefusing", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetTopWindow(nullptr), nullptr);
}

TEST_F(UiTest, DestroyOrdersDestroyParentFirstAndNcDestroyChildrenFirst) {
  HWND top = MakeTop({0, 0, 100, 100});
  HWND child = MakeChild(top, {0, 0, 50, 50});
  HWND grandchild = MakeChild(child, {0, 0, 10, 10});
  HWND owned = Make(WS_POPUP, {0, 0, 5, 5}, top);
  Log().clear();
  ASSERT_TRUE(DestroyWindow(top));
  std::vector<HWND> destroyed, ncDestroyed;
  for (const auto& seen : Messages(WM_DESTROY)) destroyed.push_back(seen.hwnd);
  for (const auto& seen : Messages(WM_NCDESTROY)) ncDestroyed.push_back(seen.hwnd);
  EXPECT_EQ(destroyed, (std::vector<HWND>{owned, top, child, grandchild}));
  EXPECT_EQ(ncDestroyed, (std::vector<HWND>{owned, grandchild, child, top}));
  for (HWND hwnd : {top, child, grandchild, owned}) EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(DestroyWindow(top));
  EXPECT_FALSE(SetWindowText(child, "x"));
  EXPECT_FALSE(PostMessage(child, WM_USER, 0, 0));
}

TEST_F(UiTest, ChildrenKeepZOrderAndMoveWithSetWindowPos) {
  HWND top = MakeTop({0, 0, 100, 100});
  HWND first = MakeChild(top, {0, 0, 10, 10}, 1);
  HWND second = MakeChild(top, {0, 0, 10, 10}, 2);
  HWND third = MakeChild(top, {0, 0, 10, 10}, 3);
  // Newer children lie on top.
  EXPECT_EQ(GetWindow(top, GW_CHILD), third);
  EXPECT_EQ(GetWindow(third, GW_HWNDNEXT), second);
  EXPECT_EQ(GetWindow(first, GW_HWNDPREV), second);
  EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), nullptr);
  ASSERT_TRUE(SetWindowPos(third, first, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), third);
  ASSERT_TRUE(SetWindowPos(first, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_EQ(GetWindow(top, GW_CHILD), second);
  EXPECT_EQ(GetWindow(second, GW_HWNDLAST), first);
  EXPECT_EQ(GetDlgItem(top, 2), second);
  EXPECT_EQ(GetDlgCtrlID(third), 3);
  EXPECT_EQ(GetParent(third), top);
  EXPECT_TRUE(IsChild(top, third));
  EXPECT_FALSE(IsChild(third, top));
}

TEST_F(UiTest, TopmostWindowsStayInFront) {
  HWND topmost = Make(WS_POPUP | WS_VISIBLE, {0, 0, 10, 10}, nullptr, 0, WS_EX_TOPMOST);
  HWND normal = MakeTop({0, 0, 10, 10});
  EXPECT_EQ(GetTopWindow(nullptr), topmost);
  BringWindowToTop(normal);
  EXPECT_EQ(GetTopWindow(nullptr), topmost);
  SetWindowPos(topmost, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  BringWindowToTop(normal);
  EXPECT_EQ(GetTopWindow(nullptr), normal);
  EXPECT_EQ(GetWindowLong(topmost, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST_F(UiTest, WordsStylesAndExtraBytes) {
  WNDCLASS withExtra{};
  withExtra.lpfnWndProc = DefWindowProc;
  withExtra.cbWndExtra = 16;
  withExtra.lpszClassName = "WfExtra";
  static const ATOM atom = RegisterClass(&withExtra);
  ASSERT_NE(atom, 0);
  HWND hwnd = CreateWindowEx(0, "WfExtra", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(SetWindowLongPtr(hwnd, 8, 1234), 0);
  EXPECT_EQ(GetWindowLongPtr(hwnd, 8), 1234);
  EXPECT_EQ(GetWindowLongPtr(hwnd, 12), 0);  // would read past the extra bytes
  SetWindowLongPtr(hwnd, GWLP_USERDATA, 77);
  EXPECT_EQ(GetWindowLongPtr(hwnd, GWLP_USERDATA), 77);
  SetWindowLong(hwnd, GWL_STYLE, GetWindowLong(hwnd, GWL_STYLE) | WS_BORDER);
  EXPECT_NE(GetWindowLong(hwnd, GWL_STYLE) & WS_BORDER, 0u);
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 8);  // the border takes a pixel on each side
  char name[32];
  EXPECT_EQ(GetClassName(hwnd, name, sizeof name), 7);
  EXPECT_STREQ(name, "WfExtra");
  DestroyWindow(hwnd);
}

LRESULT Uppercase(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
WNDPROC previousProc = nullptr;

LRESULT Uppercase(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETTEXT) {
    std::string text = reinterpret_cast<LPCSTR>(lParam);
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return CallWindowProc(previousProc, hwnd, message, wParam, reinterpret_cast<LPARAM>(text.c_str()));
  }
  return CallWindowProc(previousProc, hwnd, message, wParam, lParam);
}

TEST_F(UiTest, SubclassingChainsToThePreviousProcedure) {
  HWND hwnd = MakeTop({0, 0, 10, 10});
  previousProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Uppercase)));
  ASSERT_NE(previousProc, nullptr);
  Log().clear();
  SetWindowText(hwnd, "abc");
  char text[8];
  EXPECT_EQ(GetWindowText(hwnd, text, sizeof text), 3);
  EXPECT_STREQ(text, "ABC");
  EXPECT_EQ(Messages(WM_SETTEXT).size(), 1u);  // the original procedure still saw it
  SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc));
}

TEST_F(UiTest, TextIsTruncatedToTheBuffer) {
  HWND hwnd = MakeTop({0, 0, 10, 10});
  SetWindowText(hwnd, "Wendle Forge");
  EXPECT_EQ(GetWindowTextLength(hwnd), 12);
  char small[7];
  EXPECT_EQ(GetWindowText(hwnd, small, sizeof small), 6);
  EXPECT_STREQ(small, "Wendle");
  EXPECT_EQ(GetWindowText(hwnd, small, 0), 0);
  EXPECT_EQ(FindWindow(kClass, "Wendle Forge"), hwnd);
}

TEST_F(UiTest, PropertiesAreKeptByName) {
  HWND hwnd = MakeTop({0, 0, 10, 10});
  int value = 5;
  EXPECT_TRUE(SetProp(hwnd, "Grip", &value));
  EXPECT_EQ(GetProp(hwnd, "Grip"), &value);
  EXPECT_EQ(GetProp(hwnd, "Other"), nullptr);
  EXPECT_EQ(RemoveProp(hwnd, "Grip"), &value);
  EXPECT_EQ(GetProp(hwnd, "Grip"), nullptr);
}

TEST_F(UiTest, FramesShrinkTheClientAreaAndConversionsFollowTheTree) {
  DWORD style = WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_VISIBLE;
  HWND top = Make(style, {100, 50, 400, 350});
  RECT client, window;
  GetClientRect(top, &client);
  GetWindowRect(top, &window);
  RECT adjusted = client;
  AdjustWindowRectEx(&adjusted, style, FALSE, 0);
  EXPECT_EQ(adjusted.right - adjusted.left, 300);
  EXPECT_EQ(adjusted.bottom - adjusted.top, 300);
  EXPECT_EQ(client.right, 300 - 8);
  EXPECT_EQ(client.bottom, 300 - 8 - GetSystemMetrics(SM_CYCAPTION));
  HWND child = Make(WS_CHILD | WS_VISIBLE | WS_BORDER, {10, 20, 60, 70}, top);
  POINT p{0, 0};
  ClientToScreen(child, &p);
  EXPECT_EQ(p.x, 100 + 4 + 10 + 1);
  EXPECT_EQ(p.y, 50 + 4 + GetSystemMetrics(SM_CYCAPTION) + 20 + 1);
  ScreenToClient(child, &p);
  EXPECT_EQ(p.x, 0);
  POINT points[2] = {{0, 0}, {5, 5}};
  int shift = MapWindowPoints(child, top, points, 2);
  EXPECT_EQ(points[1].x, 5 + 11);
  EXPECT_EQ(points[1].y, 5 + 21);
  EXPECT_EQ(LOWORD(shift), 11);
  EXPECT_EQ(HIWORD(shift), 21);
  GetWindowRect(child, &window);
  EXPECT_EQ(window.left, 100 + 4 + 10);
}

TEST_F(UiTest, WindowFromPointSkipsHiddenAndDisabledChildren) {
  HWND back = MakeTop({0, 0, 200, 200});
  HWND front = MakeTop({150, 150, 300, 300});
  HWND child = MakeChild(back, {10, 10, 60, 60});
  HWND hidden = Make(WS_CHILD, {70, 10, 120, 60}, back);
  EXPECT_EQ(WindowFromPoint({20, 20}), child);
  EXPECT_EQ(WindowFromPoint({80, 20}), back);
  EXPECT_EQ(WindowFromPoint({160, 160}), front);
  EXPECT_EQ(WindowFromPoint({400, 400}), nullptr);
  EnableWindow(child, FALSE);
  EXPECT_EQ(WindowFromPoint({20, 20}), back);
  EXPECT_EQ(ChildWindowFromPoint(back, {20, 20}), child);
  EXPECT_EQ(ChildWindowFromPointEx(back, {20, 20}, CWP_SKIPDISABLED), back);
  EXPECT_EQ(ChildWindowFromPointEx(back, {80, 20}, CWP_SKIPINVISIBLE), back);
  EXPECT_EQ(ChildWindowFromPoint(back, {80, 20}), hidden);
  EXPECT_EQ(ChildWindowFromPoint(back, {500, 20}), nullptr);
}

TEST_F(UiTest, EnableSendsWmEnableAndTakesTheFocusAway) {
  HWND top = MakeTop({0, 0, 100, 100});
  HWND child = MakeChild(top, {0, 0, 10, 10});
  SetFocus(child);
  Log().clear();
  EXPECT_FALSE(EnableWindow(child, FALSE));  // was enabled
  EXPECT_FALSE(IsWindowEnabled(child));
  EXPECT_EQ(GetFocus(), nullptr);
  ASSERT_EQ(Messages(WM_ENABLE).size(), 1u);
  EXPECT_EQ(Messages(WM_ENABLE)[0].wParam, 0u);
  EXPECT_TRUE(EnableWindow(child, TRUE));  // was disabled
  EXPECT_EQ(SetFocus(child), nullptr);
  EXPECT_EQ(GetFocus(), child);
}

TEST_F(UiTest, ShowAndHideFollowAncestors) {
  HWND top = Make(WS_POPUP, {0, 0, 100, 100});
  HWND child = MakeChild(top, {0, 0, 10, 10});
  EXPECT_FALSE(IsWindowVisible(child));  // its parent is hidden
  EXPECT_FALSE(ShowWindow(top, SW_SHOWNA));
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_EQ(GetActiveWindow(), nullptr);  // shown without activation
  EXPECT_TRUE(ShowWindow(top, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(child));
}

TEST_F(UiTest, SetParentMovesAWindowAndRefusesCycles) {
  HWND a = MakeTop({0, 0, 100, 100});
  HWND b = MakeTop({0, 0, 100, 100});
  HWND child = MakeChild(a, {0, 0, 10, 10});
  EXPECT_EQ(SetParent(child, b), a);
  EXPECT_EQ(GetParent(child), b);
  EXPECT_EQ(GetWindow(a, GW_CHILD), nullptr);
  EXPECT_EQ(SetParent(b, child), nullptr);
  EXPECT_EQ(GetAncestor(child, GA_ROOT), b);
}

}  // namespace
