#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ui/Capture.h"
#include "platform/ui/detail/CommonDialogs.h"
#include "tests/platform/UiFixture.h"

namespace {

using wf_test::UiTest;

constexpr int kEdit = 101, kApply = 102, kCombo = 103, kTrack = 104, kProgress = 105;

const DialogItemTemplate kItems[] = {
    {WC_STATIC, "Name:", -1, 7, 9, 28, 8, SS_LEFT | WS_VISIBLE, 0},
    {WC_EDIT, "", kEdit, 38, 7, 96, 12, ES_AUTOHSCROLL | WS_TABSTOP | WS_VISIBLE, WS_EX_CLIENTEDGE},
    {WC_BUTTON, "Apply", kApply, 140, 6, 50, 14, BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
    {WC_COMBOBOX, "", kCombo, 38, 25, 96, 60, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VISIBLE, 0},
    {TRACKBAR_CLASS, "", kTrack, 34, 43, 104, 18, TBS_AUTOTICKS | WS_TABSTOP | WS_VISIBLE, 0},
    {PROGRESS_CLASS, "", kProgress, 38, 66, 96, 9, WS_VISIBLE, 0},
    {WC_BUTTON, "OK", IDOK, 86, 82, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
    {WC_BUTTON, "Cancel", IDCANCEL, 140, 82, 50, 14, BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
};
const DialogTemplate kDialog{DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                             0,
                             0,
                             0,
                             197,
                             103,
                             "Test Dialog",
                             "MS Shell Dlg",
                             8,
                             kItems,
                             std::size(kItems)};

// What the dialog procedure saw: notifications as (id, code) pairs.
struct Seen {
  std::vector<std::pair<int, int>> commands;
  std::vector<int> hscrolls;
};
Seen* g_seen = nullptr;

INT_PTR TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SendDlgItemMessage(dialog, kCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("First"));
      SendDlgItemMessage(dialog, kCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Second"));
      SendDlgItemMessage(dialog, kCombo, CB_SETCURSEL, 0, 0);
      SendDlgItemMessage(dialog, kTrack, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
      SendDlgItemMessage(dialog, kProgress, PBM_SETPOS, 60, 0);
      return TRUE;
    case WM_COMMAND:
      if (g_seen) g_seen->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
      return TRUE;
    case WM_HSCROLL:
      if (g_seen) g_seen->hscrolls.push_back(LOWORD(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

class DialogTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    g_seen = &seen_;
  }
  void TearDown() override {
    g_seen = nullptr;
    UiTest::TearDown();
  }
  int Count(int id, int code) const {
    int n = 0;
    for (auto& command : seen_.commands) n += command == std::make_pair(id, code);
    return n;
  }
  static int FocusId() { return GetDlgCtrlID(GetFocus()); }
  Seen seen_;
};

TEST_F(DialogTest, RunsModallyUnderAScript) {
  std::vector<int> focusOrder;
  platform::EventScript script;
  script.Then("focus starts", [&] { focusOrder.push_back(FocusId()); })
      .TypeText("ab")
      .Then("set the text",
            [&] {
              EXPECT_EQ(Count(kEdit, EN_CHANGE), 2);
              SetDlgItemText(GetActiveWindow(), kEdit, "xyz");
            })
      .ClickControl(kApply)
      .Then("after the click", [&] { focusOrder.push_back(FocusId()); })
      .Key(VK_TAB)
      .Then("tab", [&] { focusOrder.push_back(FocusId()); })
      .Key(VK_TAB)
      .Then("tab", [&] { focusOrder.push_back(FocusId()); })
      .Key(VK_RIGHT)
      .Key(VK_TAB)
      .Then("tab", [&] { focusOrder.push_back(FocusId()); })
      .Key(VK_RETURN);
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, &kDialog, nullptr, TestDialogProc, 0), IDOK);
  EXPECT_EQ(Count(kEdit, EN_CHANGE), 3);
  EXPECT_EQ(Count(kApply, BN_CLICKED), 1);
  // The click focused the button; Tab then walks the template order, skipping the static
  // and the progress bar, which are no tab stops.
  EXPECT_EQ(focusOrder, (std::vector<int>{kEdit, kApply, kCombo, kTrack, IDOK}));
  EXPECT_EQ(seen_.hscrolls, (std::vector<int>{TB_LINEDOWN, TB_ENDTRACK}));
  EXPECT_EQ(script.Remaining(), 0u);
}

TEST_F(DialogTest, EscapeCancels) {
  platform::EventScript script;
  script.Key(VK_ESCAPE);
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, &kDialog, nullptr, TestDialogProc, 0), IDCANCEL);
  EXPECT_EQ(Count(IDCANCEL, BN_CLICKED), 1);
}

// Esc gives the answer that does nothing: Cancel, else No, else OK alone; a box with none of
// them stays for a button.
TEST_F(DialogTest, EscOnAMessageBoxAnswersCancelNoOrALoneOk) {
  const struct {
    UINT type;
    int answer;
  } cases[] = {{MB_YESNO | MB_ICONQUESTION, IDNO},
               {MB_YESNO | MB_DEFBUTTON2, IDNO},
               {MB_YESNOCANCEL, IDCANCEL},
               {MB_OKCANCEL, IDCANCEL},
               {MB_OK, IDOK},
               {MB_ABORTRETRYIGNORE, IDIGNORE}};
  for (const auto& c : cases) {
    bool open = false;
    platform::EventScript script;
    script.Key(VK_ESCAPE).Then("after Esc", [&] { open = GetActiveWindow() != nullptr; }).Key('I');
    EXPECT_EQ(platform::detail::RunMessageBoxWindow(nullptr, "Replace it?", "Box", c.type), c.answer)
        << c.type;
    EXPECT_EQ(open, c.answer == IDIGNORE) << c.type;
  }
}

TEST_F(DialogTest, CtrlASelectsAllOfAnEditAndWhatIsTypedNextReplacesIt) {
  char typed[16] = {};
  platform::EventScript script;
  script.TypeText("abc")
      .KeyDown(VK_CONTROL)
      .Key('A')
      .KeyUp(VK_CONTROL)
      .TypeText("x")
      .Then("look", [&] { GetDlgItemText(GetActiveWindow(), kEdit, typed, sizeof typed); })
      .Key(VK_RETURN);
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, &kDialog, nullptr, TestDialogProc, 0), IDOK);
  EXPECT_STREQ(typed, "x");
}

// A drag in a window of the dialog holds the mouse: Esc then is that window's, not Cancel.
TEST_F(DialogTest, EscGoesToTheWindowHoldingTheMouseAndCancelsOnlyWithNothingHeld) {
  bool open = false;
  platform::EventScript script;
  script.Then("hold the mouse", [] { SetCapture(GetDlgItem(GetActiveWindow(), kApply)); })
      .Then("focus the edit", [] { SetFocus(GetDlgItem(GetActiveWindow(), kEdit)); })
      .Key(VK_ESCAPE)
      .Then("let go",
            [&] {
              open = GetActiveWindow() != nullptr;
              ReleaseCapture();
            })
      .Key(VK_ESCAPE);
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, &kDialog, nullptr, TestDialogProc, 0), IDCANCEL);
  EXPECT_TRUE(open);
  EXPECT_EQ(Count(IDCANCEL, BN_CLICKED), 1);
}

TEST_F(DialogTest, EnterOnAFocusedPushButtonPressesThatButton) {
  platform::EventScript script;
  script.Then("focus Apply", [] { SetFocus(GetDlgItem(GetActiveWindow(), kApply)); })
      .Key(VK_RETURN)
      .Key(VK_ESCAPE);
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, &kDialog, nullptr, TestDialogProc, 0), IDCANCEL);
  EXPECT_EQ(Count(kApply, BN_CLICKED), 1);
  EXPECT_EQ(Count(IDOK, BN_CLICKED), 0);
}

// A mnemonic works with Alt always, alone only where the focus takes no characters; a label's
// gives the focus to the control after it.
TEST_F(DialogTest, MnemonicsClickTheirButtonAndALabelsFocusesItsControl) {
  const DialogItemTemplate items[] = {
      {WC_STATIC, "&Name:", -1, 7, 9, 28, 8, SS_LEFT | WS_VISIBLE, 0},
      {WC_EDIT, "", kEdit, 38, 7, 96, 12, ES_AUTOHSCROLL | WS_TABSTOP | WS_VISIBLE, WS_EX_CLIENTEDGE},
      {WC_BUTTON, "&Apply", kApply, 140, 6, 50, 14, BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
      {WC_BUTTON, "OK", IDOK, 86, 82, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
  };
  DialogTemplate dialog = kDialog;
  dialog.items = items;
  dialog.itemCount = std::size(items);
  char typed[16] = {};
  int focused = 0;
  platform::EventScript script;
  script.Key('A')
      .KeyDown(VK_MENU)
      .Key('A')
      .KeyUp(VK_MENU)
      .Key('N')
      .Then("focus OK", [] { SetFocus(GetDlgItem(GetActiveWindow(), IDOK)); })
      .Key('A')
      .Key('N')
      .Then("look",
            [&] {
              focused = FocusId();
              GetDlgItemText(GetActiveWindow(), kEdit, typed, sizeof typed);
            })
      .Key(VK_RETURN);
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, &dialog, nullptr, TestDialogProc, 0), IDOK);
  EXPECT_STREQ(typed, "an");
  EXPECT_EQ(Count(kApply, BN_CLICKED), 2);
  EXPECT_EQ(focused, kEdit);
}

// A dialog inside another, as a settings panel lives in its dialog: Enter and Esc in it are
// the outer dialog's, and the inner one, which has no OK or Cancel, sees neither.
TEST_F(DialogTest, EnterAndEscInADialogInsideAnotherAreTheOuterDialogs) {
  static const DialogItemTemplate innerItems[] = {
      {WC_EDIT, "", kEdit, 4, 4, 60, 12, ES_AUTOHSCROLL | WS_TABSTOP | WS_VISIBLE, WS_EX_CLIENTEDGE},
      {WC_BUTTON, "Apply", kApply, 4, 20, 50, 14, BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
  };
  static const DialogTemplate inner{DS_CONTROL | WS_CHILD | WS_VISIBLE,
                                    0,
                                    7,
                                    7,
                                    80,
                                    40,
                                    nullptr,
                                    nullptr,
                                    0,
                                    innerItems,
                                    std::size(innerItems)};
  static std::vector<int> innerCommands;
  HWND panel = nullptr;
  auto makePanel = [&panel] {
    panel = CreateDialogIndirectParam(
        nullptr, &inner, GetActiveWindow(),
        [](HWND, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
          if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) innerCommands.push_back(LOWORD(wParam));
          return message == WM_INITDIALOG;
        },
        0);
  };
  auto press = [&panel](int id, int key) {
    return [&panel, id, key] {
      HWND control = GetDlgItem(panel, id);
      SetFocus(control);
      MSG msg{control, WM_KEYDOWN, static_cast<WPARAM>(key), 0, 0, {}};
      IsDialogMessage(panel, &msg);  // as the class library's loop asks the inner dialog first
    };
  };
  // Each key ends the outer dialog, so each has a run of its own.
  const struct {
    int key;
    int result;
  } runs[] = {{VK_ESCAPE, IDCANCEL}, {VK_RETURN, IDOK}};
  for (const auto& run : runs) {
    innerCommands.clear();
    seen_.commands.clear();
    platform::EventScript script;
    script.Then("make the inner dialog", makePanel)
        .Then("Enter on the inner button", press(kApply, VK_RETURN))
        .Then("the key in the inner edit", press(kEdit, run.key));
    EXPECT_EQ(DialogBoxIndirectParam(nullptr, &kDialog, nullptr, TestDialogProc, 0), run.result) << run.key;
    EXPECT_EQ(script.Remaining(), 0u) << run.key;
    EXPECT_EQ(innerCommands, std::vector<int>{kApply}) << run.key;
    EXPECT_EQ(Count(run.result, BN_CLICKED), 1) << run.key;
  }
}

TEST_F(DialogTest, ComboListOpensOnAClickAndAPickReportsTheChange) {
  HWND dialog = CreateDialogIndirectParam(nullptr, &kDialog, nullptr, TestDialogProc, 0);
  ShowWindow(dialog, SW_SHOW);
  HWND combo = GetDlgItem(dialog, kCombo);
  platform::Click(platform::CentreOf(combo));
  platform::PumpMessages();
  ASSERT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  RECT field;
  GetWindowRect(combo, &field);
  int itemHeight = static_cast<int>(SendMessage(combo, CB_GETITEMDATA, 5, 0));  // out of range
  EXPECT_EQ(itemHeight, CB_ERR);
  // The second entry of the list under the field.
  RECT list{};
  GetWindowRect(GetCapture(), &list);
  platform::Click(POINT{list.left + 10, list.bottom - 4});
  platform::PumpMessages();
  EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Count(kCombo, CBN_SELCHANGE), 1);
  DestroyWindow(dialog);
}

TEST_F(DialogTest, EscAndEnterOnAnOpenListCloseOnlyTheList) {
  auto dropped = [] { return SendDlgItemMessage(GetActiveWindow(), kCombo, CB_GETDROPPEDSTATE, 0, 0) != 0; };
  std::vector<bool> open;
  platform::EventScript script;
  script.ClickControl(kCombo)
      .Then("opened", [&] { open.push_back(dropped()); })
      .Key(VK_DOWN)
      .Key(VK_ESCAPE)
      .Then("closed by Esc", [&] { open.push_back(dropped()); })
      .ClickControl(kCombo)
      .Key(VK_DOWN)
      .Key(VK_RETURN)
      .Then("closed by Enter", [&] { open.push_back(dropped()); })
      .Key(VK_ESCAPE);
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, &kDialog, nullptr, TestDialogProc, 0), IDCANCEL);
  EXPECT_EQ(open, (std::vector<bool>{true, false, false}));
  // Esc dropped the highlight it had moved; Enter picked it; only the last Esc cancelled.
  EXPECT_EQ(Count(kCombo, CBN_SELCHANGE), 1);
  EXPECT_EQ(Count(IDOK, BN_CLICKED), 0);
  EXPECT_EQ(Count(IDCANCEL, BN_CLICKED), 1);
}

// The picture of the test dialog; the pinned pixels are the classic look's landmarks.
TEST_F(DialogTest, CapturedPictureShowsTheClassicLook) {
  HWND dialog = CreateDialogIndirectParam(nullptr, &kDialog, nullptr, TestDialogProc, 0);
  ASSERT_NE(dialog, nullptr);
  SetDlgItemText(dialog, kEdit, "Seamless");
  SendDlgItemMessage(dialog, kTrack, TBM_SETPOS, TRUE, 3);
  ShowWindow(dialog, SW_SHOW);
  SetFocus(GetDlgItem(dialog, kEdit));
  platform::CapturedImage image = platform::Capture(dialog);
  if (const char* dir = std::getenv("WF_TEST_TMPDIR")) {
    platform::WritePng(image, std::string(dir) + "/test-dialog.png");
  }
  RECT window;
  GetWindowRect(dialog, &window);
  ASSERT_EQ(image.width, window.right - window.left);
  auto at = [&](HWND control, int x, int y) {
    POINT point = platform::ClientPoint(control, x, y);
    return image.At(point.x - window.left, point.y - window.top);
  };
  auto bottomRight = [&](HWND control, int dx, int dy) {
    RECT client;
    GetClientRect(control, &client);
    return at(control, client.right - 1 - dx, client.bottom - 1 - dy);
  };
  constexpr std::uint32_t kFace = 0xFFD4D0C8, kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;
  constexpr std::uint32_t kShadow = 0xFF808080, kDarkShadow = 0xFF404040, kHighlight = 0xFF0A246A;
  EXPECT_EQ(at(dialog, 2, 2), kFace);
  HWND edit = GetDlgItem(dialog, kEdit);
  RECT editClient;
  GetClientRect(edit, &editClient);
  EXPECT_EQ(at(edit, editClient.right - 3, 2), kWhite);
  // The default button's black frame, then its raised edge inside.
  HWND ok = GetDlgItem(dialog, IDOK);
  EXPECT_EQ(at(ok, 0, 0), kBlack);
  EXPECT_EQ(at(ok, 2, 2), kWhite);
  EXPECT_EQ(bottomRight(ok, 0, 0), kBlack);
  EXPECT_EQ(bottomRight(ok, 1, 1), kDarkShadow);
  EXPECT_EQ(bottomRight(ok, 2, 2), kShadow);
  // Sixty percent of the progress well is filled with highlight blocks.
  HWND progress = GetDlgItem(dialog, kProgress);
  EXPECT_EQ(at(progress, 3, 4), kHighlight);
  EXPECT_EQ(bottomRight(progress, 3, 4), kFace);
  DestroyWindow(dialog);
}

TEST_F(DialogTest, TheFocusedPushButtonTakesTheDefaultFrameWhileItHasTheFocus) {
  HWND dialog = CreateDialogIndirectParam(nullptr, &kDialog, nullptr, TestDialogProc, 0);
  ASSERT_NE(dialog, nullptr);
  ShowWindow(dialog, SW_SHOW);
  auto framed = [dialog](int id) {
    return (GetWindowLongPtr(GetDlgItem(dialog, id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  };
  auto picture = [dialog](const char* name) {
    if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
      platform::WritePng(platform::Capture(dialog), std::string(dir) + "/" + name + ".png");
  };
  platform::Click(platform::CentreOf(GetDlgItem(dialog, kApply)));
  platform::PumpMessages();
  picture("default-frame-on-apply");
  EXPECT_TRUE(framed(kApply));
  EXPECT_FALSE(framed(IDOK));
  SetFocus(GetDlgItem(dialog, IDCANCEL));
  EXPECT_TRUE(framed(IDCANCEL));
  EXPECT_FALSE(framed(kApply));
  // Off the buttons the dialog's own default comes back, and Enter still presses it.
  platform::Click(platform::CentreOf(GetDlgItem(dialog, kEdit)));
  platform::PumpMessages();
  picture("default-frame-back-on-ok");
  EXPECT_TRUE(framed(IDOK));
  EXPECT_FALSE(framed(IDCANCEL));
  EXPECT_EQ(LOWORD(SendMessage(dialog, DM_GETDEFID, 0, 0)), IDOK);
  DestroyWindow(dialog);
}

TEST_F(DialogTest, TemplatesAreFoundByModuleAndId) {
  static const DialogResource table[] = {{700, &kDialog}};
  auto module = reinterpret_cast<HINSTANCE>(0x5000);
  platform::RegisterDialogTable(module, table, 1);
  EXPECT_EQ(platform::FindDialogTemplate(module, MAKEINTRESOURCE(700)), &kDialog);
  EXPECT_EQ(platform::FindDialogTemplate(module, MAKEINTRESOURCE(701)), nullptr);
  EXPECT_EQ(platform::FindDialogTemplate(nullptr, MAKEINTRESOURCE(700)), nullptr);
  EXPECT_EQ(CreateDialogParam(module, MAKEINTRESOURCE(701), nullptr, TestDialogProc, 0), nullptr);
  EXPECT_EQ(DialogBoxParam(module, MAKEINTRESOURCE(701), nullptr, TestDialogProc, 0), -1);
  platform::UnregisterDialogTable(module);
}

}  // namespace
