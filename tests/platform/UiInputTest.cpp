#include <thread>

#include "platform/ui/Capture.h"
#include "platform/win32/Clock.h"
#include "tests/platform/UiFixture.h"

namespace {

using wf_test::Seen;
using wf_test::UiTest;

TEST_F(UiTest, FocusChangeSendsKillThenSetCarryingTheOtherWindow) {
  HWND top = MakeTop({0, 0, 100, 100});
  HWND a = MakeChild(top, {0, 0, 10, 10});
  HWND b = MakeChild(top, {20, 0, 30, 10});
  SetFocus(a);
  Log().clear();
  EXPECT_EQ(SetFocus(b), a);
  ASSERT_EQ(Log().size(), 2u);
  EXPECT_EQ(Log()[0].hwnd, a);
  EXPECT_EQ(Log()[0].message, WM_KILLFOCUS);
  EXPECT_EQ(reinterpret_cast<HWND>(Log()[0].wParam), b);
  EXPECT_EQ(Log()[1].hwnd, b);
  EXPECT_EQ(Log()[1].message, WM_SETFOCUS);
  EXPECT_EQ(reinterpret_cast<HWND>(Log()[1].wParam), a);
  EXPECT_EQ(GetFocus(), b);
  DestroyWindow(b);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(UiTest, FocusInAnotherTopLevelWindowActivatesIt) {
  HWND first = MakeTop({0, 0, 100, 100});
  HWND second = MakeTop({0, 0, 100, 100});
  HWND inFirst = MakeChild(first, {0, 0, 10, 10});
  ASSERT_EQ(GetActiveWindow(), second);
  Log().clear();
  SetFocus(inFirst);
  EXPECT_EQ(GetActiveWindow(), first);
  EXPECT_EQ(GetFocus(), inFirst);
  auto activations = Messages(WM_ACTIVATE);
  ASSERT_EQ(activations.size(), 2u);
  EXPECT_EQ(activations[0].hwnd, second);
  EXPECT_EQ(LOWORD(activations[0].wParam), WA_INACTIVE);
  EXPECT_EQ(activations[1].hwnd, first);
  EXPECT_EQ(LOWORD(activations[1].wParam), WA_ACTIVE);
  EXPECT_EQ(GetTopWindow(nullptr), first);
}

TEST_F(UiTest, CaptureRoutesTheMouseAndReportsItsLoss) {
  HWND top = MakeTop({0, 0, 200, 200});
  HWND a = MakeChild(top, {0, 0, 50, 50});
  HWND b = MakeChild(top, {100, 100, 150, 150});
  SetCapture(a);
  Log().clear();
  platform::MouseMove({120, 120});
  platform::PumpMessages();
  auto moves = Messages(WM_MOUSEMOVE);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].hwnd, a);
  EXPECT_EQ(GET_X_LPARAM(moves[0].lParam), 120);  // a's client coordinates
  SetCapture(b);
  auto changes = Messages(WM_CAPTURECHANGED);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].hwnd, a);
  EXPECT_EQ(reinterpret_cast<HWND>(changes[0].lParam), b);
  ReleaseCapture();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Messages(WM_CAPTURECHANGED).size(), 2u);
}

TEST_F(UiTest, ClickBecomesButtonMessagesInClientCoordinates) {
  HWND top = MakeTop({100, 100, 300, 300});
  HWND child = MakeChild(top, {10, 10, 60, 60});
  platform::PumpMessages();
  Log().clear();
  platform::Click(platform::ClientPoint(child, 5, 7));
  platform::PumpMessages();
  std::vector<UINT> buttons;
  for (const Seen& seen : Log()) {
    if (seen.hwnd == child && seen.message >= WM_MOUSEFIRST && seen.message <= WM_MOUSELAST) {
      buttons.push_back(seen.message);
      EXPECT_EQ(GET_X_LPARAM(seen.lParam), 5);
      EXPECT_EQ(GET_Y_LPARAM(seen.lParam), 7);
    }
  }
  EXPECT_EQ(buttons, (std::vector<UINT>{WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}));
  EXPECT_EQ(Messages(WM_LBUTTONDOWN)[0].wParam, MK_LBUTTON);
  EXPECT_EQ(LOWORD(Messages(WM_SETCURSOR)[0].lParam), HTCLIENT);
}

TEST_F(UiTest, DoubleClickNeedsTheClassStyle) {
  HWND top = MakeTop({0, 0, 100, 100});
  WNDCLASS plain{};
  plain.lpfnWndProc = DefWindowProc;
  plain.lpszClassName = "WfNoDoubleClicks";
  RegisterClass(&plain);
  platform::DoubleClick(platform::CentreOf(top));
  platform::PumpMessages();
  EXPECT_EQ(Messages(WM_LBUTTONDBLCLK).size(), 1u);
  EXPECT_EQ(Messages(WM_LBUTTONDOWN).size(), 1u);
  // Two single clicks never make a double click, however close in time.
  Log().clear();
  platform::Click(platform::CentreOf(top));
  platform::Click(platform::CentreOf(top));
  platform::PumpMessages();
  EXPECT_EQ(Messages(WM_LBUTTONDBLCLK).size(), 0u);
}

TEST_F(UiTest, KeysReachTheFocusAndTheKeyStateFollowsRetrieval) {
  HWND top = MakeTop({0, 0, 100, 100});
  HWND child = MakeChild(top, {0, 0, 10, 10});
  SetFocus(child);
  platform::KeyDown(VK_CONTROL);
  EXPECT_GE(GetKeyState(VK_CONTROL), 0);  // not yet retrieved
  EXPECT_LT(GetAsyncKeyState(VK_CONTROL), 0);
  platform::PumpMessages();
  EXPECT_LT(GetKeyState(VK_CONTROL), 0);
  platform::KeyUp(VK_CONTROL);
  platform::PumpMessages();
  EXPECT_GE(GetKeyState(VK_CONTROL), 0);
  Log().clear();
  platform::Key('A');
  platform::PumpMessages();
  auto chars = Messages(WM_CHAR);
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(chars[0].hwnd, child);
  EXPECT_EQ(chars[0].wParam, static_cast<WPARAM>('a'));
}

TEST_F(UiTest, InputNoWindowCanTakeIsDropped) {
  platform::Key('X');  // nothing active, nothing focused
  platform::PumpMessages();
  HWND top = MakeTop({0, 0, 100, 100});
  SetFocus(top);
  Log().clear();
  platform::PumpMessages();
  EXPECT_TRUE(Messages(WM_KEYDOWN).empty());
  EXPECT_TRUE(Messages(WM_CHAR).empty());
  EnableWindow(top, FALSE);
  platform::Click({50, 50});  // a disabled window gets no mouse
  platform::PumpMessages();
  EXPECT_TRUE(Messages(WM_LBUTTONDOWN).empty());
  // Nor do the enabled controls in it, as in an owner a modal box disabled.
  HWND child = MakeChild(top, {10, 10, 90, 90}, 1);
  platform::Click({50, 50});
  platform::PumpMessages();
  EXPECT_TRUE(Messages(WM_LBUTTONDOWN).empty()) << "the child of a disabled window";
  EnableWindow(top, TRUE);
  platform::Click({50, 50});
  platform::PumpMessages();
  ASSERT_EQ(Messages(WM_LBUTTONDOWN).size(), 1u);
  EXPECT_EQ(Messages(WM_LBUTTONDOWN)[0].hwnd, child);
}

TEST_F(UiTest, WheelGoesToTheFocusAndUpToItsParent) {
  HWND top = MakeTop({0, 0, 100, 100});
  HWND child = MakeChild(top, {0, 0, 10, 10});
  SetFocus(child);
  Log().clear();
  platform::Wheel({50, 60}, -240);
  platform::PumpMessages();
  auto wheels = Messages(WM_MOUSEWHEEL);
  ASSERT_EQ(wheels.size(), 2u);
  EXPECT_EQ(wheels[0].hwnd, child);
  EXPECT_EQ(wheels[1].hwnd, top);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheels[0].wParam), -240);
  EXPECT_EQ(GET_X_LPARAM(wheels[0].lParam), 50);  // screen coordinates
}

TEST_F(UiTest, PressActivatesTheTopLevelWindow) {
  HWND first = MakeTop({0, 0, 100, 100});
  HWND second = MakeTop({200, 0, 300, 100});
  ASSERT_EQ(GetActiveWindow(), second);
  platform::Click({50, 50});
  platform::PumpMessages();
  EXPECT_EQ(GetActiveWindow(), first);
  EXPECT_EQ(Messages(WM_MOUSEACTIVATE).size(), 1u);
}

TEST_F(UiTest, DraggingASizeGripResizesTheTopLevelWindowWithinItsMinimum) {
  HWND top = Make(WS_POPUP | WS_VISIBLE | WS_THICKFRAME, {0, 0, 300, 200});
  HWND grip = MakeChild(top, {270, 170, 290, 190});
  Handlers()[grip] = [](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message != WM_NCHITTEST) return false;
    *result = HTBOTTOMRIGHT;
    return true;
  };
  Handlers()[top] = [](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT*) {
    if (message == WM_GETMINMAXINFO) reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{250, 150};
    return false;
  };
  POINT start = platform::CentreOf(grip);
  platform::Drag({start, {start.x + 40, start.y + 30}});
  platform::PumpMessages();
  RECT rect;
  GetWindowRect(top, &rect);
  EXPECT_EQ(rect.right, 340);
  EXPECT_EQ(rect.bottom, 230);
  platform::Drag({platform::CentreOf(grip), {0, 0}});
  platform::PumpMessages();
  GetWindowRect(top, &rect);
  EXPECT_EQ(rect.right - rect.left, 250);
  EXPECT_EQ(rect.bottom - rect.top, 150);
  EXPECT_EQ(GetCapture(), nullptr);
}

// A button-like child ends the dialog's modal loop with its id when clicked.
void EndOnClick(HWND button) {
  UiTest::Handlers()[button] = [](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_LBUTTONUP) EndDialog(GetParent(hwnd), GetDlgCtrlID(hwnd));
    return false;
  };
}

TEST_F(UiTest, ScriptedClickEndsAModalLoopWithTheButtonsId) {
  HWND owner = MakeTop({0, 0, 400, 400});
  HWND dialog = Make(WS_POPUP | WS_CAPTION, {50, 50, 250, 200}, owner);
  HWND ok = MakeChild(dialog, {10, 10, 80, 30}, IDOK);
  HWND cancel = MakeChild(dialog, {90, 10, 160, 30}, IDCANCEL);
  EndOnClick(ok);
  EndOnClick(cancel);
  platform::EventScript script;
  script.MouseMove({300, 300}).ClickControl(IDCANCEL);
  EXPECT_EQ(platform::RunModalLoop(dialog), IDCANCEL);
  EXPECT_EQ(script.Remaining(), 0u);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_EQ(GetActiveWindow(), owner);
}

TEST_F(UiTest, OwnerIsDisabledWhileTheModalLoopRuns) {
  HWND owner = MakeTop({0, 0, 400, 400});
  HWND dialog = Make(WS_POPUP, {50, 50, 250, 200}, owner);
  bool ownerEnabled = true;
  platform::EventScript script;
  script.Then("look at the owner", [&] {
    ownerEnabled = IsWindowEnabled(owner);
    EndDialog(dialog, 7);
  });
  EXPECT_EQ(platform::RunModalLoop(dialog), 7);
  EXPECT_FALSE(ownerEnabled);
}

TEST_F(UiTest, DryScriptFailsTheModalLoopInsteadOfHanging) {
  HWND dialog = MakeTop({0, 0, 100, 100});
  {
    platform::EventScript script;
    script.MouseMove({10, 10});
    try {
      platform::RunModalLoop(dialog);
      FAIL() << "the loop returned";
    } catch (const platform::ScriptFailure& failure) {
      EXPECT_NE(std::string(failure.what()).find("ran dry"), std::string::npos) << failure.what();
    }
  }
  EXPECT_THROW(platform::RunModalLoop(dialog), platform::ScriptFailure);  // no script at all
}

TEST_F(UiTest, TrackingLoopWithoutScriptFailsInsteadOfHanging) {
  HWND hwnd = MakeTop({0, 0, 100, 100});
  platform::PumpMessages();
  SetCapture(hwnd);
  MSG msg;
  EXPECT_THROW(GetMessage(&msg, nullptr, 0, 0), platform::ScriptFailure);
}

TEST_F(UiTest, ScriptAdvancesTheClockForATimerInAModalLoop) {
  platform::VirtualClockScope clock;
  HWND dialog = MakeTop({0, 0, 100, 100});
  Handlers()[dialog] = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM, LRESULT*) {
    if (message == WM_TIMER) EndDialog(hwnd, static_cast<INT_PTR>(wParam));
    return false;
  };
  SetTimer(dialog, 50, 50, nullptr);
  platform::EventScript script;
  script.Advance(30).Advance(30);
  EXPECT_EQ(platform::RunModalLoop(dialog), 50);
  EXPECT_EQ(script.Remaining(), 0u);
}

TEST_F(UiTest, MessageBoxesTakeTheScriptsAnswerAndAreRecorded) {
  platform::EventScript script;
  script.AnswerMessageBox(IDNO).AnswerMessageBox(IDYES);
  EXPECT_EQ(MessageBox(nullptr, "File already exists.\nOverwrite?", "Preset", MB_YESNO), IDNO);
  EXPECT_THROW(MessageBox(nullptr, "Unknown file extension", nullptr, MB_OK | MB_ICONSTOP),
               platform::ScriptFailure);
  ASSERT_EQ(script.MessageBoxes().size(), 1u);
  EXPECT_EQ(script.MessageBoxes()[0].text, "File already exists.\nOverwrite?");
  EXPECT_EQ(script.MessageBoxes()[0].caption, "Preset");
  EXPECT_THROW(MessageBox(nullptr, "more", nullptr, MB_OK), platform::ScriptFailure);  // dry
}

TEST_F(UiTest, FileDialogsAnswerFromTheScript) {
  platform::EventScript script;
  script.ChooseFile("/tmp/tile").CancelFileDialog();
  char path[64] = "*.jpg";
  OPENFILENAME ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = "JPEG (*.jpg)\0*.jpg\0PNG (*.png)\0*.png\0";
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  ofn.lpstrDefExt = "JPEG";
  ASSERT_TRUE(GetSaveFileName(&ofn));
  EXPECT_STREQ(path, "/tmp/tile.JPEG");
  EXPECT_EQ(ofn.nFileOffset, 5);
  EXPECT_STREQ(path + ofn.nFileExtension, "JPEG");
  EXPECT_FALSE(GetOpenFileName(&ofn));
  ASSERT_EQ(script.FileDialogs().size(), 2u);
  EXPECT_EQ(script.FileDialogs()[0].filter, "JPEG (*.jpg)|*.jpg|PNG (*.png)|*.png");
  EXPECT_EQ(script.FileDialogs()[0].initialName, "*.jpg");
  EXPECT_TRUE(script.FileDialogs()[0].save);
  EXPECT_EQ(script.FileDialogs()[1].answer, "");
}

// Headless without a script nobody can answer: the box is one line on standard error and
// takes the answer that does nothing (Cancel or No where it has them); a file dialog is
// cancelled. The caller goes on either way.
TEST_F(UiTest, WithNeitherScriptNorDisplayDialogsAreCancelledAndTheCallerGoesOn) {
  struct Case {
    UINT type;
    int answer;
  } cases[] = {{MB_OK | MB_ICONERROR, IDOK},       {MB_OKCANCEL, IDCANCEL},
               {MB_YESNO | MB_ICONQUESTION, IDNO}, {MB_YESNOCANCEL, IDCANCEL},
               {MB_RETRYCANCEL, IDCANCEL},         {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE}};
  for (const Case& c : cases) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBox(nullptr, "File already exists.\nOverwrite?", "Preset", c.type), c.answer) << c.type;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Preset: File already exists. Overwrite?\n");
  }
  char path[64] = "*.jpg";
  OPENFILENAME ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(GetSaveFileName(&ofn));
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("Save As: "), std::string::npos);
  EXPECT_STREQ(path, "*.jpg");
}

TEST_F(UiTest, ScriptWaitsForAPostFromAnotherThread) {
  HWND dialog = MakeTop({0, 0, 100, 100});
  Handlers()[dialog] = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM, LRESULT*) {
    if (message == WM_USER + 1794) EndDialog(hwnd, static_cast<INT_PTR>(wParam));
    return false;
  };
  platform::EventScript script;
  std::thread worker;
  script
      .Then("start the worker",
            [&] { worker = std::thread([dialog] { PostMessage(dialog, WM_USER + 1794, 5, 0); }); })
      .WaitForPost();
  EXPECT_EQ(platform::RunModalLoop(dialog), 5);
  worker.join();
}

}  // namespace

namespace {

TEST_F(UiTest, AGroupBoxLetsTheMouseThroughToTheControlsBeneathIt) {
  InitCommonControls();
  HWND parent = MakeTop({100, 100, 300, 220});
  auto make = [parent](DWORD kind, RECT r, int id) {
    return CreateWindowEx(0, WC_BUTTON, "", WS_CHILD | WS_VISIBLE | kind, r.left, r.top, r.right - r.left,
                          r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          nullptr, nullptr);
  };
  make(BS_GROUPBOX, {5, 5, 195, 115}, 1);  // first in the template: above the others
  HWND button = make(BS_PUSHBUTTON, {20, 30, 100, 54}, 2);
  platform::Click(platform::CentreOf(button));
  platform::Click(platform::ClientPoint(parent, 150, 90));
  platform::PumpMessages();
  std::vector<WPARAM> commands;
  for (const Seen& seen : Messages(WM_COMMAND)) commands.push_back(seen.wParam);
  EXPECT_EQ(commands, std::vector<WPARAM>{MAKEWPARAM(2, BN_CLICKED)});
  // Beside the button the press reaches the parent through the box.
  EXPECT_EQ(Messages(WM_LBUTTONDOWN).size(), 1u);
}

TEST_F(UiTest, CaptionButtonsSendTheirCommandsAndAltF4Closes) {
  HWND window = MakeTop({100, 100, 400, 260},
                        WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX);
  if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
    platform::WritePng(platform::Capture(window), std::string(dir) + "/caption-buttons.png");
  RECT frame;
  GetWindowRect(window, &frame);
  auto hit = [&](POINT at) {
    return SendMessage(window, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y)));
  };
  const int y = frame.top + GetSystemMetrics(SM_CXFRAME) + 8;
  const POINT close{frame.right - GetSystemMetrics(SM_CXFRAME) - 10, y};
  const POINT maximize{close.x - 18, y}, minimize{close.x - 34, y};
  EXPECT_EQ(hit(close), HTCLOSE);
  EXPECT_EQ(hit(maximize), HTMAXBUTTON);
  EXPECT_EQ(hit(minimize), HTMINBUTTON);
  EXPECT_EQ(hit(POINT{frame.left + 40, y}), HTCAPTION);
  auto commands = [&] {
    std::vector<WPARAM> seen;
    for (const Seen& message : Messages(WM_SYSCOMMAND)) seen.push_back(message.wParam & 0xFFF0);
    return seen;
  };
  // A greyed button and a press taken off the button before the release do nothing.
  platform::Click(minimize);
  platform::Drag({close, POINT{close.x - 60, y + 40}});
  platform::Click(maximize);
  platform::PumpMessages();
  EXPECT_EQ(commands(), std::vector<WPARAM>{SC_MAXIMIZE});
  platform::Click(close);
  platform::PumpMessages();
  EXPECT_EQ(commands(), (std::vector<WPARAM>{SC_MAXIMIZE, SC_CLOSE}));
  EXPECT_FALSE(IsWindow(window));

  HWND second = MakeTop({100, 100, 300, 200}, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU);
  HWND child = MakeChild(second, {5, 5, 50, 30});
  SetFocus(child);
  Log().clear();
  platform::KeyDown(VK_MENU);
  platform::Key(VK_F4);
  platform::KeyUp(VK_MENU);
  platform::PumpMessages();
  EXPECT_EQ(commands(), std::vector<WPARAM>{SC_CLOSE});
  EXPECT_FALSE(IsWindow(second));
}

}  // namespace
