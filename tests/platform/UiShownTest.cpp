#include <string>
#include <vector>

#include "platform/ui/detail/CaptionButtons.h"
#include "resources/dialogs/UiTables.h"
#include "tests/platform/ShownCheck.h"
#include "tests/platform/UiFixture.h"

namespace {

using platform::CentreOf;
using platform::ClientPoint;

constexpr int kEdit = 101, kApply = 102, kCheck = 103, kRadioA = 104, kRadioB = 105, kList = 106,
              kCombo = 107, kTrack = 108, kScroll = 109, kSpin = 110, kOff = 111;

const DialogItemTemplate kItems[] = {
    {WC_STATIC, "Name:", -1, 7, 9, 28, 8, SS_LEFT | WS_VISIBLE, 0},
    {WC_EDIT, "", kEdit, 38, 7, 80, 12, ES_AUTOHSCROLL | WS_TABSTOP | WS_VISIBLE, WS_EX_CLIENTEDGE},
    {UPDOWN_CLASS, "", kSpin, 118, 7, 10, 12, UDS_ARROWKEYS | WS_VISIBLE, 0},
    {WC_BUTTON, "Apply", kApply, 140, 6, 50, 14, BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
    {WC_BUTTON, "Sharp", kCheck, 7, 24, 60, 10, BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, 0},
    {WC_BUTTON, "Shapes", -1, 70, 20, 64, 34, BS_GROUPBOX | WS_VISIBLE, 0},
    {WC_BUTTON, "Round", kRadioA, 76, 30, 50, 10, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP | WS_VISIBLE, 0},
    {WC_BUTTON, "Square", kRadioB, 76, 41, 50, 10, BS_AUTORADIOBUTTON | WS_VISIBLE, 0},
    {WC_BUTTON, "Off", kOff, 140, 24, 50, 14, BS_PUSHBUTTON | WS_DISABLED | WS_GROUP | WS_VISIBLE, 0},
    {WC_LISTBOX, "", kList, 7, 58, 60, 40, LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, 0},
    {WC_COMBOBOX, "", kCombo, 70, 58, 64, 80, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_VISIBLE, 0},
    {TRACKBAR_CLASS, "", kTrack, 70, 76, 66, 18, TBS_AUTOTICKS | WS_TABSTOP | WS_VISIBLE, 0},
    {WC_SCROLLBAR, "", kScroll, 140, 44, 10, 50, SBS_VERT | WS_VISIBLE, 0},
    {WC_BUTTON, "OK", IDOK, 86, 100, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
    {WC_BUTTON, "Cancel", IDCANCEL, 140, 100, 50, 14, BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
};
const DialogTemplate kDialog{DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                             0,
                             20,
                             20,
                             197,
                             120,
                             "Shown",
                             "MS Shell Dlg",
                             8,
                             kItems,
                             std::size(kItems)};

INT_PTR ControlsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    for (const char* name :
         {"Alpha", "Beta", "Gamma", "Delta", "Epsilon", "Zeta", "Eta", "Theta", "Iota", "Kappa"}) {
      SendDlgItemMessage(dialog, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
      SendDlgItemMessage(dialog, kCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    SendDlgItemMessage(dialog, kCombo, CB_SETCURSEL, 4, 0);
    SendDlgItemMessage(dialog, kTrack, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) return TRUE;
  return FALSE;
}

class ShownTest : public wf_test::UiTest {
 protected:
  // Runs each step and checks the invariant after it.
  struct Step {
    std::string what;
    std::function<void()> act;
    bool keep = false;  // a picture of the step for a look
  };
  void Walk(HWND window, const std::string& name, const std::vector<Step>& steps) {
    ASSERT_TRUE(check.AsPainted(window, name + "-shown"));
    for (const Step& step : steps) {
      step.act();
      EXPECT_TRUE(check.AsPainted(window, name + "-" + step.what));
      if (step.keep) wf_test::ShownCheck::Keep(platform::Capture(window), name + "-" + step.what);
    }
  }
  HWND Item(int id) const { return GetDlgItem(dialog, id); }

  wf_test::ShownCheck check;
  HWND dialog = nullptr;
  HWND other = nullptr;
};

TEST_F(ShownTest, StandardControlsShowWhatTheyPaint) {
  dialog = CreateDialogIndirectParam(nullptr, &kDialog, nullptr, ControlsProc, 0);
  ASSERT_NE(dialog, nullptr);
  auto click = [this](int id) { return [this, id] { platform::Click(CentreOf(Item(id))); }; };
  auto hover = [this](int id) { return [this, id] { platform::MouseMove(CentreOf(Item(id))); }; };
  auto key = [](int key) { return [key] { platform::Key(key); }; };
  POINT away{5, 5};
  Walk(dialog, "standard",
       {
           {"click-apply", click(kApply)},
           {"click-edit", click(kEdit), true},
           {"type", [] { platform::TypeText("tile"); }},
           {"tab", key(VK_TAB)},
           {"shift-tab",
            [] {
              platform::KeyDown(VK_SHIFT);
              platform::Key(VK_TAB);
              platform::KeyUp(VK_SHIFT);
            }},
           {"hover-ok", hover(IDOK)},
           {"press-cancel",
            [this] { platform::MouseDown(platform::MouseButton::Left, CentreOf(Item(IDCANCEL))); }},
           {"drag-off-cancel", [away] { platform::MouseMove(away); }},
           {"release-off-cancel", [away] { platform::MouseUp(platform::MouseButton::Left, away); }},
           {"click-check", click(kCheck)},
           {"space-check", key(VK_SPACE)},
           {"click-radio", click(kRadioB)},
           {"arrow-radio", key(VK_UP)},
           {"click-list", [this] { platform::Click(ClientPoint(Item(kList), 10, 5)); }},
           {"list-end", key(VK_END)},
           {"list-home", key(VK_HOME)},
           {"wheel-list", [this] { platform::Wheel(CentreOf(Item(kList)), -WHEEL_DELTA); }},
           {"open-combo", click(kCombo)},
           {"hover-combo-list",
            [this] {
              RECT field;
              GetWindowRect(Item(kCombo), &field);
              platform::MouseMove(POINT{field.left + 10, field.bottom + 20});
            }},
           {"pick-combo",
            [this] {
              RECT field;
              GetWindowRect(Item(kCombo), &field);
              platform::Click(POINT{field.left + 10, field.bottom + 20});
            }},
           {"combo-down", key(VK_DOWN)},
           {"click-track", [this] { platform::Click(ClientPoint(Item(kTrack), 60, 9)); }},
           {"track-right", key(VK_RIGHT)},
           {"click-scroll", [this] { platform::Click(ClientPoint(Item(kScroll), 5, 60)); }},
           {"click-spin", [this] { platform::Click(ClientPoint(Item(kSpin), 5, 3)); }},
           {"drag-off-close",
            [this, away] {
              RECT frame;
              GetWindowRect(dialog, &frame);
              RECT close = platform::detail::CaptionButtonsOf(GetWindowLong(dialog, GWL_STYLE),
                                                              GetWindowLong(dialog, GWL_EXSTYLE),
                                                              frame.right - frame.left)
                               .close;
              platform::Drag({POINT{frame.left + close.left + 3, frame.top + close.top + 3}, away});
            }},
           {"another-window-activates",
            [this] {
              other = MakeTop(RECT{500, 500, 600, 560}, WS_POPUP | WS_VISIBLE | WS_CAPTION);
              SetActiveWindow(other);
            }},
           {"it-goes", [this] { DestroyWindow(other); }},
           {"disable-apply", [this] { EnableWindow(Item(kApply), FALSE); }},
           {"enable-off", [this] { EnableWindow(Item(kOff), TRUE); }},
       });
}

}  // namespace

namespace {

INT_PTR QuietProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return message == WM_COMMAND;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char kind[32];
    GetClassName(child, kind, sizeof kind);
    bool list = std::string(kind) == WC_LISTBOX;
    if (!list && std::string(kind) != WC_COMBOBOX) continue;
    for (const char* name : {"P1", "P2", "PM", "PG", "CM", "PMM", "PMG", "PGG", "CMM", "P4", "P4M", "P4G"})
      SendMessage(child, list ? LB_ADDSTRING : CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  return TRUE;
}

TEST_F(ShownTest, ModuleTemplatesShowWhatTheyPaint) {
  const std::pair<const char*, const DialogTemplate*> templates[] = {
      {"dialog101", &wf_resources::kPluginDialog101}, {"dialog109", &wf_resources::kPluginDialog109},
      {"dialog111", &wf_resources::kPluginDialog111}, {"presetname", &wf_resources::kPresetNameDialog102},
      {"about", &wf_resources::kAboutBox107},         {"settings", &wf_resources::kSettingsPanel3017},
      {"tilewindow", &wf_resources::kTileWindow3022},
  };
  for (const auto& [name, dialogTemplate] : templates) {
    SCOPED_TRACE(name);
    HWND host = nullptr;
    if (dialogTemplate->style & WS_CHILD)
      host = MakeTop(RECT{10, 10, 300, 560}, WS_POPUP | WS_VISIBLE | WS_BORDER);
    dialog = CreateDialogIndirectParam(nullptr, dialogTemplate, host, QuietProc, 0);
    ASSERT_NE(dialog, nullptr);
    SetWindowPos(dialog, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(dialog, SW_SHOW);
    std::vector<Step> steps;
    std::vector<HWND> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (IsWindowVisible(child) && IsWindowEnabled(child)) controls.push_back(child);
    }
    for (std::size_t i = 0; i < controls.size(); ++i) steps.push_back({"tab", [] { platform::Key(VK_TAB); }});
    for (HWND control : controls) {
      std::string id = std::to_string(GetDlgCtrlID(control));
      steps.push_back({"hover" + id, [control] { platform::MouseMove(CentreOf(control)); }});
      steps.push_back({"click" + id, [control] { platform::Click(CentreOf(control)); }});
      steps.push_back({"type" + id, [] { platform::TypeText("5"); }});
    }
    steps.push_back({"escape", [] { platform::Key(VK_ESCAPE); }});
    Walk(dialog, name, steps);
    DestroyWindow(host ? host : dialog);
  }
}

}  // namespace
