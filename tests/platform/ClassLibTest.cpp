#include <cstdlib>
#include <string>
#include <vector>

#include "platform/classlib/ClassLib.h"
#include "platform/ui/Capture.h"
#include "resources/Resources.h"
#include "resources/dialogs/UiTables.h"
#include "tests/platform/UiFixture.h"

// Classes with run-time class records live outside the unnamed namespace: their records are
// found by name, as the application's are.
namespace classlib_test {

// A view made only by its class name.
class CSampleView : public CScrollView {
  DECLARE_DYNCREATE(CSampleView)
 public:
  void OnDraw(CDC* dc) override {
    CRect box(0, 0, 40, 30);
    dc->Draw3dRect(&box, RGB(255, 0, 0), RGB(0, 0, 255));
  }
};
IMPLEMENT_DYNCREATE(CSampleView, CScrollView)

}  // namespace classlib_test

namespace {

using classlib_test::CSampleView;
using wf_test::UiTest;

TEST(RuntimeClass, CreatesObjectsByClassName) {
  CObject* object = CRuntimeClass::CreateObject("CSampleView");
  ASSERT_NE(object, nullptr);
  EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CScrollView)));
  EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CWnd)));
  EXPECT_FALSE(object->IsKindOf(RUNTIME_CLASS(CDialog)));
  EXPECT_EQ(object->GetRuntimeClass()->m_wSchema, 0xFFFFu);
  delete object;
  EXPECT_EQ(CRuntimeClass::CreateObject("CNoSuchClass"), nullptr);
  // Known but not creatable by name.
  EXPECT_EQ(CRuntimeClass::CreateObject("CDialog"), nullptr);
}

TEST(ClassLibraryValues, StringsAndRectangles) {
  CString text;
  text.Format("%d%%", 45);
  EXPECT_EQ(text, "45%");
  CString caption = CString("Wendle Forge") + " [" + text + "]";
  EXPECT_EQ(caption.Mid(caption.Find('[')), "[45%]");
  EXPECT_EQ(caption.Right(2), "%]");
  EXPECT_EQ(caption.Left(99), caption);
  CString path("a/b.preset");
  EXPECT_EQ(path.Mid(path.ReverseFind('/') + 1).Left(1), "b");
  CRect rect(10, 20, 110, 70);
  rect.OffsetRect(CPoint(5, -5));
  EXPECT_EQ(rect, CRect(15, 15, 115, 65));
  EXPECT_EQ(rect.Size(), CSize(100, 50));
  EXPECT_EQ(rect.CenterPoint(), CPoint(65, 40));
  EXPECT_EQ(CPoint(MAKELPARAM(static_cast<WORD>(-3), 7)), CPoint(-3, 7));
}

// A dialog with a member bound to the edit and the check box, a tool bar whose buttons are
// updated at idle time, and a handler of each kind the map offers.
constexpr int kName = 201, kShow = 202, kApply = 203, kBar = 204;
const DialogItemTemplate kItems[] = {
    {WC_EDIT, "", kName, 7, 7, 100, 12, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {WC_BUTTON, "Show", kShow, 7, 24, 60, 10, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0},
    {WC_BUTTON, "Apply", kApply, 7, 40, 50, 14, WS_VISIBLE | WS_TABSTOP, 0},
    {WC_STATIC, "", kBar, 70, 40, 60, 14, 0, 0},
    {WC_BUTTON, "OK", IDOK, 70, 60, 50, 14, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
    {WC_BUTTON, "Cancel", IDCANCEL, 124, 60, 50, 14, WS_VISIBLE | WS_TABSTOP, 0},
};
const DialogTemplate kTemplate{DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION,
                               0,
                               0,
                               0,
                               180,
                               80,
                               "Bound",
                               "MS Shell Dlg",
                               8,
                               kItems,
                               std::size(kItems)};
const DialogResource kDialogs[] = {{900, &kTemplate}};

class ClassLibTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    static CWinApp app("Wendle Forge");
    AfxWinInit(kModule, "/plugins/WendleForge.8bf");
    platform::RegisterDialogTable(kModule, kDialogs, std::size(kDialogs));
  }
  static inline const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(0x7000);
};

class CBoundDialog : public CDialog {
 public:
  CBoundDialog() : CDialog(900) {}
  CString name = "start";
  int show = 1;
  int applied = 0;
  std::vector<UINT> tools;
  std::vector<CString> changes;
  UINT registered = 0;
  CToolBar bar;

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    static const UINT ids[] = {32776, 32778, 32779};
    bar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOOLTIPS);
    bar.SetButtons(ids, 3);
    CRect place;
    GetDlgItem(kBar)->GetWindowRect(&place);
    ScreenToClient(&place);
    bar.SetWindowPos(nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    return TRUE;
  }
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Text(dx, kName, name);
    DDX_Check(dx, kShow, show);
  }
  void OnApply() { ++applied; }
  void OnTool(UINT id) { tools.push_back(id); }
  void OnUpdateTool(CCmdUI* ui) {
    ui->Enable(ui->m_nID != 32778);
    ui->SetCheck(ui->m_nID == 32779);
  }
  void OnNameChanged() {
    CString text;
    GetDlgItemText(kName, text);
    changes.push_back(text);
  }
  LRESULT OnPing(WPARAM wParam, LPARAM) {
    registered = static_cast<UINT>(wParam);
    return 7;
  }
  DECLARE_MESSAGE_MAP()
};

UINT g_ping = RegisterWindowMessage("WF_TEST_PING");

BEGIN_MESSAGE_MAP(CBoundDialog, CDialog)
  ON_BN_CLICKED(kApply, OnApply)
  ON_EN_CHANGE(kName, OnNameChanged)
  ON_COMMAND_RANGE(32776, 33776, OnTool)
  ON_UPDATE_COMMAND_UI_RANGE(32776, 33776, OnUpdateTool)
  ON_REGISTERED_MESSAGE(g_ping, OnPing)
END_MESSAGE_MAP()

TEST_F(ClassLibTest, ModalDialogExchangesDataAndRoutesCommands) {
  CBoundDialog dialog;
  platform::EventScript script;
  script
      .Then("the members are shown",
            [&] {
              EXPECT_EQ(dialog.GetDlgItem(kName)->SendMessage(WM_GETTEXTLENGTH), 5);
              EXPECT_EQ(dialog.IsDlgButtonChecked(kShow), BST_CHECKED);
            })
      .Key(VK_END)
      .TypeText("ed")
      .ClickControl(kShow)
      .ClickControl(kApply)
      .Then("ping", [&] { EXPECT_EQ(dialog.SendMessage(g_ping, 42), 7); })
      .Then("idle has updated the bar",
            [&] {
              EXPECT_EQ(dialog.bar.GetButtonStyle(1) & TBBS_DISABLED, TBBS_DISABLED);
              EXPECT_EQ(dialog.bar.GetButtonStyle(2) & TBBS_CHECKED, TBBS_CHECKED);
            })
      .Click("the first tool",
             [&] {
               CRect item;
               dialog.bar.GetItemRect(0, &item);
               return platform::ClientPoint(dialog.bar.m_hWnd, item.CenterPoint().x, item.CenterPoint().y);
             })
      .Click("the disabled tool",
             [&] {
               CRect item;
               dialog.bar.GetItemRect(1, &item);
               return platform::ClientPoint(dialog.bar.m_hWnd, item.CenterPoint().x, item.CenterPoint().y);
             })
      .ClickControl(IDOK);
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.name, "started");
  EXPECT_EQ(dialog.show, 0);
  EXPECT_EQ(dialog.applied, 1);
  EXPECT_EQ(dialog.tools, std::vector<UINT>{32776});
  EXPECT_EQ(dialog.registered, 42u);
  // The initial exchange sets the text (a change too), then each typed character.
  EXPECT_EQ(dialog.changes, (std::vector<CString>{"start", "starte", "started"}));
  EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST_F(ClassLibTest, EscapeCancelsWithoutReadingTheControls) {
  CBoundDialog dialog;
  platform::EventScript script;
  script.TypeText("x").Key(VK_ESCAPE);
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.name, "start");
}

TEST_F(ClassLibTest, DataExchangeReadsWholeNumbersRangesAndRadios) {
  CWnd parent;
  parent.CreateEx(0, nullptr, "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 100), nullptr, 0);
  CEdit edit;
  edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 80, 20), &parent, 301);
  CButton first, second;
  first.Create("A", WS_CHILD | WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, CRect(0, 20, 80, 40), &parent,
               310);
  second.Create("B", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, CRect(0, 40, 80, 60), &parent, 311);
  CDataExchange dx(&parent, TRUE);
  platform::EventScript script;
  script.AnswerMessageBox(IDOK);
  edit.SetWindowText("12abc");
  int number = 0;
  EXPECT_THROW(DDX_Text(&dx, 301, number), CUserException);
  ASSERT_EQ(script.MessageBoxes().size(), 1u);
  EXPECT_EQ(script.MessageBoxes()[0].text, "Please enter an integer.");
  EXPECT_NO_THROW(DDV_MinMaxInt(&dx, 10, 0, 10));
  EXPECT_NO_THROW(DDV_MinMaxInt(&dx, 0, 0, 10));
  int choice = 0;
  DDX_Radio(&dx, 310, choice);
  EXPECT_EQ(choice, -1) << "none checked";
  parent.DestroyWindow();
}

TEST_F(ClassLibTest, AMissingTemplateFailsTheDialog) {
  CDialog dialog(12345);
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_FALSE(dialog.Create(12345));
}

// An owner-drawn button that draws itself from the reflected WM_DRAWITEM.
class CSelfDrawnButton : public CButton {
 public:
  int draws = 0;
  void DrawItem(DRAWITEMSTRUCT* item) override {
    ++draws;
    CDC* dc = CDC::FromHandle(item->hDC);
    dc->FillSolidRect(&item->rcItem, RGB(0, 128, 0));
  }
};

TEST_F(ClassLibTest, ModelessDialogsHostOwnerDrawnButtonsAndViews) {
  CDialog dialog;
  ASSERT_TRUE(dialog.Create(900));
  CSelfDrawnButton button;
  ASSERT_TRUE(button.SubclassDlgItem(kApply, &dialog));
  button.ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW);
  auto* view = static_cast<CSampleView*>(CRuntimeClass::CreateObject("CSampleView"));
  ASSERT_TRUE(view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(165, 5, 265, 55),
                           &dialog, 300));
  view->SetScrollSizes(MM_TEXT, CSize(400, 30));
  view->ScrollToPosition(CPoint(1000, 0));
  CRect client;
  view->GetClientRect(&client);
  EXPECT_EQ(view->GetScrollPosition(), CPoint(400 - client.Width(), 0));
  view->ScrollToPosition(CPoint(0, 0));
  dialog.ShowWindow(SW_SHOW);
  platform::CapturedImage image = platform::Capture(dialog.m_hWnd);
  EXPECT_GT(button.draws, 0);
  CRect buttonRect, dialogRect, viewRect;
  button.GetWindowRect(&buttonRect);
  dialog.GetWindowRect(&dialogRect);
  EXPECT_EQ(image.At(buttonRect.left - dialogRect.left + 3, buttonRect.top - dialogRect.top + 3),
            0xFF008000u);
  // The view's drawing: red top-left, blue bottom-right of its 40 x 30 box.
  POINT origin = platform::ClientPoint(view->m_hWnd, 0, 0);
  EXPECT_EQ(image.At(origin.x - dialogRect.left, origin.y - dialogRect.top), 0xFFFF0000u);
  EXPECT_EQ(image.At(origin.x - dialogRect.left + 39, origin.y - dialogRect.top + 29), 0xFF0000FFu);
  dialog.DestroyWindow();  // the view deletes itself with its window
}

TEST_F(ClassLibTest, PopupMenusFileDialogsAndMessageBoxesAnswerFromTheScript) {
  CDialog dialog;
  ASSERT_TRUE(dialog.Create(900));
  CMenu menu;
  ASSERT_TRUE(menu.CreatePopupMenu());
  menu.AppendMenu(MF_STRING, 40, "Open");
  menu.AppendMenu(MF_STRING | MF_GRAYED, 41, "Remove");
  platform::EventScript script;
  script.ChooseMenuItem(40).ChooseMenuItem(0).ChooseFile("/tmp/tile").AnswerMessageBox(IDNO);
  EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 10, 10, &dialog), 40);
  EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 10, 10, &dialog), 0);
  ASSERT_EQ(script.Menus().size(), 2u);
  EXPECT_EQ(script.Menus()[0].items, (std::vector<std::string>{"Open", "Remove"}));
  CFileDialog save(FALSE, "JPEG", "*.jpg", OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                   "JPEG (*.jpg)|*.jpg|PNG (*.png)|*.png||", &dialog);
  EXPECT_EQ(save.DoModal(), IDOK);
  EXPECT_EQ(save.GetPathName(), "/tmp/tile.JPEG");
  EXPECT_EQ(save.GetFileExt(), "JPEG");
  EXPECT_EQ(script.FileDialogs()[0].filter, "JPEG (*.jpg)|*.jpg|PNG (*.png)|*.png");
  EXPECT_EQ(AfxMessageBox("Overwrite?", MB_YESNO), IDNO);
  EXPECT_EQ(script.MessageBoxes()[0].caption, "Wendle Forge");
  dialog.DestroyWindow();
}

TEST_F(ClassLibTest, ChoosingADisabledMenuItemFailsTheScript) {
  CMenu menu;
  menu.CreatePopupMenu();
  menu.AppendMenu(MF_STRING | MF_GRAYED, 41, "Remove");
  platform::EventScript script;
  script.ChooseMenuItem(41);
  EXPECT_THROW(menu.TrackPopupMenu(TPM_RETURNCMD, 0, 0, nullptr), platform::ScriptFailure);
}

TEST_F(ClassLibTest, TheApplicationsTablesAreRegistered) {
  EXPECT_NE(platform::FindDialogTemplate(kModule, MAKEINTRESOURCE(900)), nullptr);
  wf_resources::RegisterUiTables(kModule);
  for (UINT id : {101u, 102u, 107u, 109u, 111u, 3017u, 3022u}) {
    EXPECT_NE(platform::FindDialogTemplate(kModule, MAKEINTRESOURCE(static_cast<WORD>(id))), nullptr) << id;
  }
  HACCEL keys = LoadAccelerators(kModule, MAKEINTRESOURCE(3001));
  ASSERT_NE(keys, nullptr);
  HWND target = MakeTop({0, 0, 10, 10});
  MSG plus{target, WM_CHAR, '+', 0, 0, {}};
  EXPECT_EQ(TranslateAccelerator(target, keys, &plus), 1);
  EXPECT_EQ(LOWORD(Messages(WM_COMMAND).back().wParam), 32773);
  DestroyAcceleratorTable(keys);
}

// The plug-in dialog's tool bar from its resource: three pictures in flat buttons.
TEST_F(ClassLibTest, ToolBarShowsItsResourcePictures) {
  auto module = reinterpret_cast<HINSTANCE>(0x7100);
  resources::RegisterModuleResources(module);
  wf_resources::RegisterUiTables(module);
  AfxSetResourceHandle(module);
  CWnd host;
  host.CreateEx(0, nullptr, "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 120, 40), nullptr, 0);
  CToolBar bar;
  ASSERT_TRUE(bar.CreateEx(&host));
  ASSERT_TRUE(bar.LoadToolBar(128));
  EXPECT_EQ(bar.GetCount(), 3);
  EXPECT_EQ(bar.GetItemID(2), 32779u);
  platform::CapturedImage image = platform::Capture(host.m_hWnd);
  if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
    platform::WritePng(image, std::string(dir) + "/toolbar-128.png");
  // Each button shows something besides the face.
  for (int index = 0; index < 3; ++index) {
    CRect item;
    bar.GetItemRect(index, &item);
    int painted = 0;
    for (int y = item.top + 3; y < item.bottom - 3; ++y) {
      for (int x = item.left + 3; x < item.right - 3; ++x) painted += image.At(x, y) != 0xFFD4D0C8u;
    }
    EXPECT_GT(painted, 10) << index;
  }
  AfxSetResourceHandle(kModule);
  resources::UnregisterModuleResources(module);
}

// Every control of the application's templates lies inside its dialog's client area; the
// pictures go to the test folder for a look.
TEST_F(ClassLibTest, ApplicationTemplatesKeepTheirControlsInside) {
  const std::pair<UINT, const DialogTemplate*> templates[] = {
      {101, &wf_resources::kPluginDialog101}, {102, &wf_resources::kPresetNameDialog102},
      {107, &wf_resources::kAboutBox107},     {109, &wf_resources::kPluginDialog109},
      {111, &wf_resources::kPluginDialog111}, {3022, &wf_resources::kTileWindow3022}};
  HWND host = MakeTop({0, 0, 400, 700}, WS_POPUP | WS_VISIBLE);
  for (auto [id, dialog] : templates) {
    DialogTemplate shown = *dialog;
    shown.style |= WS_VISIBLE;
    HWND hwnd = CreateDialogIndirectParam(kModule, &shown, nullptr, nullptr, 0);
    ASSERT_NE(hwnd, nullptr) << id;
    RECT client;
    GetClientRect(hwnd, &client);
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      RECT rect;
      GetWindowRect(child, &rect);
      MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&rect), 2);
      EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right &&
                  rect.bottom <= client.bottom)
          << "template " << id << " control " << GetDlgCtrlID(child);
    }
    if (const char* dir = std::getenv("WF_TEST_TMPDIR")) {
      platform::Capture(hwnd, std::string(dir) + "/template-" + std::to_string(id) + ".png");
    }
    DestroyWindow(hwnd);
  }
  // The panel is a child dialog: it shows inside a window.
  HWND panel = CreateDialogIndirectParam(kModule, &wf_resources::kSettingsPanel3017, host, nullptr, 0);
  ASSERT_NE(panel, nullptr);
  ShowWindow(panel, SW_SHOW);
  if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
    platform::Capture(panel, std::string(dir) + "/template-3017.png");
}

}  // namespace
