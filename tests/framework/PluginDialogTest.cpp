// The plug-in dialog over a test image with a settings panel beside its view: anchored items
// follow a resize, the size after opening is the least, the panel decides OK and gives the tool
// tips, the zoom shows in caption and text, and a captured picture for a look.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "framework/PluginDialog.h"
#include "platform/ui/Capture.h"
#include "resources/ResourceIds.h"
#include "resources/Resources.h"
#include "resources/dialogs/UiTables.h"
#include "rowops/CoreTables.h"
#include "tests/platform/UiFixture.h"

namespace {

using framework::PluginDialog;

class TestPanel : public framework::PanelDialog {
 public:
  int GetTemplateId() override { return 3017; }
  bool CanClose() override { return canClose; }
  CString GetToolTipText(UINT id) override {
    CString text;
    text.Format("tip %u", id);
    return text;
  }
  void OnPanelShown() override { shown = (GetStyle() & WS_VISIBLE) != 0; }
  bool canClose = true, shown = false;
};

class PluginDialogTest : public wf_test::UiTest {
 protected:
  static void SetUpTestSuite() { corvel::InitCoreTables(nullptr); }
  static void TearDownTestSuite() { corvel::FreeCoreTables(); }
  void SetUp() override {
    UiTest::SetUp();
    static CWinApp app("Wendle Forge");
    AfxWinInit(kModule, "/plugins/WendleForge.8bf");
    resources::RegisterModuleResources(kModule);
    wf_resources::RegisterUiTables(kModule);
    // Stripes of colour over a grey ramp, so that the view's picture is easy to judge.
    corvel::CRowIteratorBands& image = host.GetSourceImage();
    ASSERT_EQ(image.CreateBGR(320, 200).GetCode(), corvel::keErrorNone);
    for (int y = 0; y < 200; ++y) {
      BYTE* row = image.LockRowPointer(y, 0, -1);
      for (int x = 0; x < 320; ++x) {
        const int stripe = (x / 40) % 3;
        row[x * 3 + 0] = static_cast<BYTE>(stripe == 0 ? 230 : y);
        row[x * 3 + 1] = static_cast<BYTE>(stripe == 1 ? 200 : y);
        row[x * 3 + 2] = static_cast<BYTE>(stripe == 2 ? 220 : y);
      }
      image.UnlockRow(y);
    }
    dialog.SetHostImage(&host);
    dialog.SetPanel(&panel);
    ASSERT_TRUE(dialog.Create(101));
    dialog.ShowWindow(SW_SHOW);
  }
  void TearDown() override {
    dialog.DestroyWindow();
    resources::UnregisterModuleResources(kModule);
    UiTest::TearDown();
  }
  CRect Place(int id) {
    CRect rect;
    dialog.GetDlgItem(id)->GetWindowRect(&rect);
    dialog.ScreenToClient(&rect);
    return rect;
  }

  static inline const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(0x7400);
  framework::HostImage host;
  TestPanel panel;
  PluginDialog dialog{resources::kProductNameString, 128, RUNTIME_CLASS(framework::ZoomScrollView), 101};
};

TEST_F(PluginDialogTest, OpensAtTheDefaultSizeWithThePanelInItsPlace) {
  CRect window;
  dialog.GetWindowRect(&window);
  // The default size, or more where the panel needs it; never less afterwards.
  EXPECT_GE(window.Width(), 800);
  EXPECT_GE(window.Height(), 600);
  MINMAXINFO limits{};
  dialog.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.x, window.Width());
  EXPECT_EQ(limits.ptMinTrackSize.y, window.Height());

  ASSERT_EQ(dialog.GetDlgItem(PluginDialog::kPanelItem)->m_hWnd, panel.m_hWnd);
  EXPECT_TRUE(panel.shown);
  // The panel sits under the preset controls, in the column right of the view.
  EXPECT_GT(Place(PluginDialog::kPanelItem).top, Place(PluginDialog::kSavePreset).bottom);
  EXPECT_GE(Place(PluginDialog::kPanelItem).left, Place(framework::FilterDialog::kViewItem).right);
  ASSERT_NE(dialog.GetView(), nullptr);
  EXPECT_EQ(dialog.GetDlgItem(framework::FilterDialog::kViewItem)->m_hWnd, dialog.GetView()->m_hWnd);
  EXPECT_EQ(host.GetAuxiliaryImage().Width(), 320);  // the unchanged image, from the start
}

TEST_F(PluginDialogTest, ResizeMovesAndStretchesTheAnchoredItems) {
  const int right[] = {IDOK,
                       IDCANCEL,
                       PluginDialog::kHelp,
                       PluginDialog::kPresetsLabel,
                       PluginDialog::kPresetList,
                       PluginDialog::kSavePreset,
                       PluginDialog::kDeletePreset,
                       PluginDialog::kPanelItem};
  const int down[] = {PluginDialog::kZoomText, PluginDialog::kProgressItem};
  std::map<int, CRect> before;
  for (int id : right) before[id] = Place(id);
  for (int id : down) before[id] = Place(id);
  before[1002] = Place(1002);
  before[framework::FilterDialog::kViewItem] = Place(framework::FilterDialog::kViewItem);

  CRect window;
  dialog.GetWindowRect(&window);
  dialog.MoveWindow(window.left, window.top, window.Width() + 100, window.Height() + 50);

  auto moved = [](CRect rect, int dx, int dy) {
    rect.OffsetRect(dx, dy);
    return rect;
  };
  for (int id : right) EXPECT_EQ(Place(id), moved(before[id], 100, 0)) << id;
  for (int id : down) EXPECT_EQ(Place(id), moved(before[id], 0, 50)) << id;
  const CRect status = Place(1002), view = Place(framework::FilterDialog::kViewItem);
  const CRect status0 = before[1002], view0 = before[framework::FilterDialog::kViewItem];
  EXPECT_EQ(status, CRect(status0.left, status0.top + 50, status0.right + 100, status0.bottom + 50));
  EXPECT_EQ(view, CRect(view0.left, view0.top, view0.right + 100, view0.bottom + 50));
}

TEST_F(PluginDialogTest, PanelDecidesOkAndGivesTheToolTips) {
  panel.canClose = false;
  dialog.SendMessage(WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(dialog.IsWindowVisible());

  NMTTDISPINFO request{};
  request.hdr.hwndFrom = dialog.m_hWnd;
  request.hdr.idFrom = reinterpret_cast<UINT_PTR>(dialog.GetDlgItem(IDCANCEL)->m_hWnd);
  request.hdr.code = TTN_NEEDTEXTA;
  request.uFlags = TTF_IDISHWND;
  dialog.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&request));
  EXPECT_STREQ(request.lpszText, "tip 2");

  panel.canClose = true;
  dialog.SendMessage(WM_COMMAND, IDOK, 0);
  EXPECT_FALSE(dialog.IsWindowVisible());
}

TEST_F(PluginDialogTest, TheZoomKeysActOnlyWhereNoEditFieldHasTheFocus) {
  auto zoomKey = [this](CWnd* at, char key) {
    MSG msg{at->m_hWnd, WM_CHAR, static_cast<WPARAM>(key), 0, 0, {}};
    return dialog.TranslateAccelerators(&msg);
  };
  CWnd* edgeBlending = panel.GetDlgItem(3025);
  ASSERT_NE(edgeBlending, nullptr);
  EXPECT_FALSE(zoomKey(edgeBlending, '-')) << "a minus in a number field";
  EXPECT_FALSE(zoomKey(edgeBlending, '+'));
  EXPECT_TRUE(zoomKey(dialog.GetDlgItem(IDOK), '-'));
  EXPECT_TRUE(zoomKey(dialog.GetView(), '+'));
}

TEST_F(PluginDialogTest, ZoomShowsInTheCaptionAndTheZoomText) {
  dialog.ShowZoom(0.456);
  CString text, caption;
  dialog.GetDlgItemText(PluginDialog::kZoomText, text);
  dialog.GetWindowText(caption);
  EXPECT_STREQ(text, "45%");
  EXPECT_STREQ(caption, "Wendle Forge [45%]");
}

TEST_F(PluginDialogTest, CapturedOverATestImage) {
  platform::PumpMessages();
  const platform::CapturedImage picture = platform::Capture(dialog.m_hWnd);
  if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
    platform::WritePng(picture, std::string(dir) + "/plugin-dialog.png");
  // The view fits the whole image: its middle shows the image, not the dialog's face.
  CRect window;
  dialog.GetWindowRect(&window);
  CPoint origin(0, 0);
  dialog.ClientToScreen(&origin);
  const CPoint at = Place(framework::FilterDialog::kViewItem).CenterPoint() + origin - window.TopLeft();
  EXPECT_NE(picture.At(at.x, at.y), picture.At(at.x, at.y + 240));
}

}  // namespace
