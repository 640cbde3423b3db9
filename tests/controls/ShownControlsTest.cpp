#include "controls/CEditNum.h"
#include "controls/ImageButton.h"
#include "controls/ThemedButton.h"
#include "platform/classlib/CDialog.h"
#include "platform/ui/Script.h"
#include "resources/Resources.h"
#include "rowops/CoreTables.h"
#include "tests/controls/ControlsFixture.h"
#include "tests/platform/ShownCheck.h"

namespace {

using platform::CentreOf;
constexpr int kApply = 41, kToggle = 42, kNumber = 3024;

class ShownControlsTest : public wf_test::ControlsTest {
 protected:
  // The picture buttons blend with the core's tables and show the module's group pictures.
  static void SetUpTestSuite() { corvel::InitCoreTables(nullptr); }
  static void TearDownTestSuite() { corvel::FreeCoreTables(); }
  void SetUp() override {
    ControlsTest::SetUp();
    AfxWinInit(kModule, "/plugins/WendleForge.8bf");
    resources::RegisterModuleResources(kModule);
  }
  void TearDown() override {
    ControlsTest::TearDown();
    resources::UnregisterModuleResources(kModule);
  }
  static inline const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(0x7500);
  wf_test::ShownCheck check;
};

TEST_F(ShownControlsTest, CustomControlsShowWhatTheyPaint) {
  ThemedButton apply, toggle;
  ImageButton picture;
  CEditNum number;
  ASSERT_TRUE(
      apply.Create("Apply", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 10, 90, 34), &panel, kApply));
  ASSERT_TRUE(toggle.Create("Lock", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_CHECKBOX, CRect(100, 10, 180, 34),
                            &panel, kToggle));
  ASSERT_TRUE(picture.Create("", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(190, 10, 290, 110), &panel, 44));
  ASSERT_EQ(picture.LoadImage(3044).GetCode(), 0);
  ::CreateWindowEx(0, WC_STATIC, "", WS_CHILD | WS_VISIBLE, 10, 50, 120, 22, panel.m_hWnd,
                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNumber)), nullptr, nullptr);
  ASSERT_TRUE(number.CreateDouble(kNumber, &panel, 0, 100, 50, 3, 0, -1, 500, TRUE, TRUE));
  HWND other = nullptr;
  const POINT away{5, 5};
  struct Step {
    const char* what;
    std::function<void()> act;
  };
  const Step steps[] = {
      {"hover-apply", [&] { platform::MouseMove(CentreOf(apply)); }},
      {"leave-apply", [&] { platform::MouseMove(away); }},
      {"press-apply", [&] { platform::MouseDown(platform::MouseButton::Left, CentreOf(apply)); }},
      {"release-apply", [&] { platform::MouseUp(platform::MouseButton::Left, CentreOf(apply)); }},
      {"leave-again", [&] { platform::MouseMove(away); }},
      {"another-window-opens",
       [&] {
         other = CreateWindowEx(0, WC_STATIC, "Other", WS_POPUP | WS_CAPTION | WS_VISIBLE, 600, 100, 120, 80,
                                nullptr, nullptr, nullptr, nullptr);
         SetActiveWindow(other);
         SetFocus(other);
       }},
      {"it-closes",
       [&] {
         DestroyWindow(other);
         apply.SetFocus();
       }},
      {"modal-over-focused-apply",
       [&] {
         apply.SetFocus();
         static const DialogItemTemplate items[] = {
             {WC_BUTTON, "OK", IDOK, 10, 10, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0}};
         static const DialogTemplate box{
             DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
             0,
             200,
             20,
             80,
             40,
             "Modal",
             "MS Shell Dlg",
             8,
             items,
             1};
         platform::EventScript script;
         script.Then("look under it",
                     [&] { EXPECT_TRUE(check.AsPainted(panel.m_hWnd, "custom-under-modal")); });
         script.ClickControl(IDOK);
         DialogBoxIndirectParam(
             nullptr, &box, panel.m_hWnd,
             [](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
               if (m == WM_COMMAND) EndDialog(d, LOWORD(w));
               return m == WM_INITDIALOG || m == WM_COMMAND;
             },
             0);
       }},
      {"click-toggle", [&] { platform::Click(CentreOf(toggle)); }},
      {"hover-picture", [&] { platform::MouseMove(CentreOf(picture)); }},
      {"press-picture", [&] { platform::MouseDown(platform::MouseButton::Left, CentreOf(picture)); }},
      {"release-picture", [&] { platform::MouseUp(platform::MouseButton::Left, CentreOf(picture)); }},
      {"leave-picture", [&] { platform::MouseMove(away); }},
      {"leave-toggle", [&] { platform::MouseMove(away); }},
      {"click-number", [&] { platform::Click(CentreOf(number.Field())); }},
      {"type-number", [] { platform::TypeText("7"); }},
      {"step-number", [] { platform::Key(VK_UP); }},
      {"wheel-number", [&] { platform::Wheel(CentreOf(number.Field()), -WHEEL_DELTA); }},
      {"hover-drop", [&] { platform::MouseMove(CentreOf(*number.Button())); }},
      {"slide",
       [&] {
         platform::EventScript script;
         const POINT press = CentreOf(*number.Button());
         script.MouseMove(POINT{press.x - 30, press.y + 15});
         script.Then("release", [] {
           platform::MouseUp(platform::MouseButton::Left, platform::CentreOf(::GetCapture()));
         });
         platform::MouseDown(platform::MouseButton::Left, press);
         platform::PumpMessages();  // the slider's loop runs while the script lives
       }},
      {"tab-away", [] { platform::Key(VK_TAB); }},
      {"disable-apply", [&] { apply.EnableWindow(FALSE); }},
  };
  ASSERT_TRUE(check.AsPainted(panel.m_hWnd, "custom-shown"));
  for (const Step& step : steps) {
    step.act();
    EXPECT_TRUE(check.AsPainted(panel.m_hWnd, std::string("custom-") + step.what));
  }
  wf_test::ShownCheck::Keep(platform::Capture(panel.m_hWnd), "custom-controls");
}

// A dialog whose themed buttons are its template's buttons, as the filter's dialog makes them;
// its Apply opens a modal box over it.
constexpr UINT kMainDialog = 900, kBoxDialog = 901;
const DialogItemTemplate kMainItems[] = {
    {WC_BUTTON, "Apply", kApply, 7, 7, 50, 14, BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
    {WC_BUTTON, "Lock", kToggle, 62, 7, 50, 14, BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
    {WC_EDIT, "", 43, 7, 26, 50, 12, ES_AUTOHSCROLL | WS_TABSTOP | WS_VISIBLE, WS_EX_CLIENTEDGE},
    {WC_BUTTON, "OK", IDOK, 62, 26, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
};
const DialogTemplate kMain{DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                           0,
                           30,
                           30,
                           120,
                           46,
                           "Themed",
                           "MS Shell Dlg",
                           8,
                           kMainItems,
                           std::size(kMainItems)};
const DialogItemTemplate kBoxItems[] = {
    {WC_BUTTON, "Yes", kApply, 7, 7, 50, 14, BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
    {WC_BUTTON, "OK", IDOK, 60, 7, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0}};
const DialogTemplate kBox{DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                          0,
                          200,
                          30,
                          120,
                          28,
                          "Box",
                          "MS Shell Dlg",
                          8,
                          kBoxItems,
                          std::size(kBoxItems)};
const DialogResource kDialogs[] = {{kMainDialog, &kMain}, {kBoxDialog, &kBox}};

// The box's first button, which takes the focus as it opens, is themed too.
class ThemedBox : public CDialog {
 public:
  explicit ThemedBox(CWnd* parent) : CDialog(kBoxDialog, parent) {}
  std::function<void()> onShown;
  ThemedButton yes;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    yes.SubclassDlgItem(kApply, this);
    return TRUE;
  }
};

class ThemedDialog : public CDialog {
 public:
  ThemedDialog() : CDialog(kMainDialog) {}
  std::function<void()> onApply;
  ThemedButton apply, toggle;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    apply.SubclassDlgItem(kApply, this);
    toggle.SubclassDlgItem(kToggle, this);
    return TRUE;
  }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (LOWORD(wParam) == kApply && onApply) onApply();
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) return TRUE;
    return CDialog::OnCommand(wParam, lParam);
  }
};

TEST_F(ShownControlsTest, AFocusedThemedButtonUnderAnotherWindowShowsWhatItPaints) {
  platform::RegisterDialogTable(kModule, kDialogs, std::size(kDialogs));
  ThemedDialog dialog;
  dialog.onApply = [&] {
    platform::EventScript script;
    script.Then("look under the box",
                [&] { EXPECT_TRUE(check.AsPainted(dialog.m_hWnd, "themed-under-box")); });
    script.Then("look at the box", [&] { EXPECT_TRUE(check.AsPainted(GetActiveWindow(), "themed-box")); });
    script.ClickControl(IDOK);
    ThemedBox(&dialog).DoModal();
  };
  ASSERT_TRUE(dialog.Create(kMainDialog));
  ASSERT_TRUE(check.AsPainted(dialog.m_hWnd, "themed-shown"));
  wf_test::ShownCheck::Keep(platform::Capture(dialog.m_hWnd), "themed-dialog");
  ASSERT_EQ(::GetFocus(), dialog.apply.m_hWnd);
  // The focused themed button has the dialog's default role: OK gives up its frame.
  EXPECT_EQ(::GetWindowLongPtr(::GetDlgItem(dialog.m_hWnd, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
  platform::MouseMove(CentreOf(dialog.apply));
  EXPECT_TRUE(check.AsPainted(dialog.m_hWnd, "themed-hover"));
  platform::Click(CentreOf(dialog.apply));
  EXPECT_TRUE(check.AsPainted(dialog.m_hWnd, "themed-after-box"));
  platform::MouseMove(POINT{5, 5});
  EXPECT_TRUE(check.AsPainted(dialog.m_hWnd, "themed-left"));
  dialog.DestroyWindow();
  platform::UnregisterDialogTable(kModule);
}

TEST_F(ShownControlsTest, AThemedButtonLosingTheFocusBeforeItsDialogIsPaintedShowsWhatItPaints) {
  platform::RegisterDialogTable(kModule, kDialogs, std::size(kDialogs));
  ThemedDialog dialog;
  ASSERT_TRUE(dialog.Create(kMainDialog));
  ASSERT_EQ(::GetFocus(), dialog.apply.m_hWnd);
  // Another window opens at once, before the dialog's first paint.
  HWND other = CreateWindowEx(0, WC_STATIC, "Other", WS_POPUP | WS_CAPTION | WS_VISIBLE, 600, 100, 120, 80,
                              nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(check.AsPainted(dialog.m_hWnd, "themed-focus-taken"));
  wf_test::ShownCheck::Keep(platform::Capture(dialog.m_hWnd), "themed-focus-taken");
  DestroyWindow(other);
  dialog.DestroyWindow();
  platform::UnregisterDialogTable(kModule);
}

}  // namespace
