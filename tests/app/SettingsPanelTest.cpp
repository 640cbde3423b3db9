// The settings panel inside the plug-in dialog over a test image, driven by the event script:
// its edits write the parameters, Apply renders and Abort stops, the list switches what the view
// shows and OK with it, and the group popup picks the group; captured for a look.
#include "app/SettingsPanel.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <typeinfo>
#include <vector>

#include "controls/ThumbnailPopup.h"
#include "framework/PluginDialog.h"
#include "generators/TileLattice.h"
#include "platform/ui/Capture.h"
#include "platform/ui/Script.h"
#include "resources/ParameterTable.h"
#include "resources/ResourceIds.h"
#include "resources/Resources.h"
#include "resources/dialogs/UiTables.h"
#include "rowops/CoreTables.h"
#include "shapes/P1Shape.h"
#include "shapes/P4Shape.h"
#include "shapes/P6MShape.h"
#include "shapes/ToolView.h"
#include "tests/platform/UiFixture.h"

namespace {

using app::SettingsPanel;
using framework::PluginDialog;
using namespace resources;

// A render that can be held before it starts, so that a check of the rendering state does not
// race a render that finishes first.
class HeldCommand : public app::TilingCommand {
 public:
  int RunJob(framework::RenderJob& job) override {
    { std::lock_guard<std::mutex> wait(gate); }
    return TilingCommand::RunJob(job);
  }
  std::mutex gate;
};

class SettingsPanelTest : public wf_test::UiTest {
 protected:
  static void SetUpTestSuite() {
    const char* dir = std::getenv("WF_TEST_TMPDIR");
    const std::string registry = std::string(dir ? dir : "/tmp") + "/panel-registry";
    std::remove(registry.c_str());
    setenv("WF_REGISTRY", registry.c_str(), 1);
    corvel::InitCoreTables(nullptr);
  }
  static void TearDownTestSuite() { corvel::FreeCoreTables(); }
  void SetUp() override {
    UiTest::SetUp();
    static CWinApp app("Wendle Forge");
    AfxWinInit(kModule, "/plugins/WendleForge.8bf");
    RegisterModuleResources(kModule);
    wf_resources::RegisterUiTables(kModule);
    command.GetParameters().ResetParameters(false);
    corvel::CRowIteratorBands& image = host.GetSourceImage();
    ASSERT_EQ(image.CreateBGR(480, 320).GetCode(), corvel::keErrorNone);
    for (int y = 0; y < 320; ++y) {
      BYTE* row = image.LockRowPointer(y, 0, -1);
      for (int x = 0; x < 480; ++x) {
        row[x * 3 + 0] = static_cast<BYTE>((x * 7) ^ y);
        row[x * 3 + 1] = static_cast<BYTE>(x + 2 * y);
        row[x * 3 + 2] = static_cast<BYTE>(((x / 30 + y / 30) & 1) * 200);
      }
      image.UnlockRow(y);
    }
    dialog.SetHostImage(&host);
    dialog.SetCommand(&command);
    dialog.SetPanel(&panel);
  }
  void TearDown() override {
    command.StopRender();
    UnregisterModuleResources(kModule);
    UiTest::TearDown();
  }

  // Runs the dialog under the script, which must end it.
  INT_PTR Run(platform::EventScript& script) {
    const INT_PTR result = dialog.DoModal();
    EXPECT_EQ(script.Remaining(), 0u);
    return result;
  }
  bool Enabled(int id) { return ::IsWindowEnabled(::GetDlgItem(panel.m_hWnd, id)) != FALSE; }
  bool OkEnabled() { return dialog.GetDlgItem(IDOK)->IsWindowEnabled() != FALSE; }
  std::string Text(HWND window, int id) {
    char text[200] = "";
    ::GetDlgItemText(window, id, text, sizeof text);
    return text;
  }
  int Selected() {
    return static_cast<int>(
        ::SendDlgItemMessage(panel.m_hWnd, SettingsPanel::kDisplayList, LB_GETCURSEL, 0, 0));
  }
  int Int(int id) {
    int value = 0;
    command.GetParameters().GetParameter(id)->GetInt(&value);
    return value;
  }
  void Snap(HWND window, const char* name) {
    platform::PumpMessages();
    if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
      platform::WritePng(platform::Capture(window), std::string(dir) + "/" + name + ".png");
  }
  // Types into the numeric edit as a user does: the field focused, its text replaced.
  void TypeInto(platform::EventScript& script, CEditNum& edit, const std::string& text) {
    script.Then("select the field's text", [&edit] {
      edit.Field().SetFocus();
      edit.Field().SetSel(0, -1);
    });
    script.TypeText(text);
  }
  void ClickEntry(platform::EventScript& script, int entry) {
    script.Click("list entry " + std::to_string(entry), [this, entry] {
      HWND list = ::GetDlgItem(panel.m_hWnd, SettingsPanel::kDisplayList);
      const int height = static_cast<int>(::SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
      return platform::ClientPoint(list, 10, entry * height + height / 2);
    });
  }
  void WaitForRender(platform::EventScript& script) {
    // The thread's messages are queued once it is done; the loop takes them before the next step.
    script.Then("wait for the render", [this] {
      wf_test::WaitUntil([this] { return !command.IsRendering(); }, "the render's end");
    });
  }
  // The middle row's bytes, to tell which image the view shows.
  static std::vector<BYTE> Row(corvel::CRowIteratorBands& image) {
    const int y = image.Height() / 2;
    const BYTE* row = image.LockRowPointer(y, 0, -1);
    std::vector<BYTE> bytes(row, row + image.Width() * 3);
    image.UnlockRow(y);
    return bytes;
  }
  shapes::CToolView& View() { return *static_cast<shapes::CToolView*>(dialog.GetView()); }

  static inline const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(0x7400);
  framework::HostImage host;
  HeldCommand command;
  SettingsPanel panel{command};
  PluginDialog dialog{kProductNameString, 128, RUNTIME_CLASS(shapes::CToolView), 101};
  shapes::UiContextRun run{&dialog, &panel, &command};
};

TEST_F(SettingsPanelTest, EditsWriteTheParametersApplyRendersAndTheListSwitchesOk) {
  platform::EventScript script;
  script.Then("the initial state", [this] {
    EXPECT_FALSE(OkEnabled());
    EXPECT_FALSE(Enabled(SettingsPanel::kDisplayList));
    EXPECT_FALSE(Enabled(SettingsPanel::kDisplayLabel));
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Text(panel.m_hWnd, SettingsPanel::kSizeText), "Size: 480 x 320");
    EXPECT_EQ(Text(dialog.m_hWnd, 1002),
              "Drag a target shape to match object, then click Apply. Use Shift-click to reset shape.");
    EXPECT_TRUE(panel.GetMethodButton().HasImage());
    EXPECT_TRUE(corvel::CRowIteratorBands::IsValid(&panel.GetThumbnail().GetImage()));
  });
  TypeInto(script, panel.GetFeatherEdit(), "40");
  TypeInto(script, panel.GetTileSizeEdit(), "180");
  script.Then("the parameters follow the edits, nothing renders", [this] {
    EXPECT_EQ(Int(kFeathering), 40);
    EXPECT_EQ(Int(kTileSize), 180);
    EXPECT_FALSE(command.IsRendering());
  });
  script.Then("hold the render", [this] { command.gate.lock(); });
  script.ClickControl(SettingsPanel::kApply);
  script.Then("rendering", [this] {
    EXPECT_EQ(Text(panel.m_hWnd, SettingsPanel::kApply), "Abort");
    for (int id : {SettingsPanel::kFeatherEdit, SettingsPanel::kTileSizeEdit, SettingsPanel::kSaveTile,
                   SettingsPanel::kShowPreview, SettingsPanel::kMethodButton, SettingsPanel::kDisplayList})
      EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(SettingsPanel::kDisplayLabel));
    EXPECT_FALSE(OkEnabled());
    EXPECT_EQ(Selected(), 1);
    command.gate.unlock();
  });
  WaitForRender(script);
  script.Then("finished", [this] {
    EXPECT_EQ(Text(panel.m_hWnd, SettingsPanel::kApply), "Apply");
    EXPECT_TRUE(OkEnabled());
    for (int id : {SettingsPanel::kFeatherEdit, SettingsPanel::kTileSizeEdit, SettingsPanel::kDisplayList})
      EXPECT_TRUE(Enabled(id)) << id;
    corvel::CRowIteratorBands& tile = command.GetTile();
    EXPECT_EQ(Text(panel.m_hWnd, SettingsPanel::kSizeText),
              "Size: " + std::to_string(tile.Width()) + " x " + std::to_string(tile.Height()));
    Snap(panel.m_hWnd, "settings-panel");
    Snap(dialog.m_hWnd, "settings-panel-dialog");
  });
  const std::string saved = std::string(std::getenv("WF_TEST_TMPDIR") ? std::getenv("WF_TEST_TMPDIR")
                                                                      : "/tmp") +
                            "/settings-panel-tile.png";
  std::remove(saved.c_str());
  script.ClickControl(SettingsPanel::kSaveTile).ChooseFile(saved);
  script.Then("the tile saved", [&] { EXPECT_EQ(::access(saved.c_str(), R_OK), 0); });
  ClickEntry(script, 0);
  script.Then("the original: OK off", [this] {
    EXPECT_FALSE(OkEnabled());
    EXPECT_EQ(Row(host.GetSourceImage()), Row(host.GetAuxiliaryImage()));
  });
  ClickEntry(script, 1);
  script.Then("the result: OK on", [this] {
    EXPECT_TRUE(OkEnabled());
    EXPECT_EQ(Row(host.GetSourceImage()), Row(command.GetOutputImage()));
  });
  script.ClickControl(IDOK);
  EXPECT_EQ(Run(script), IDOK);
}

TEST_F(SettingsPanelTest, ApplyDuringARenderStopsItAndShowsTheOriginal) {
  // Large enough that the render is still running when the second press comes.
  ASSERT_EQ(host.GetSourceImage().CreateBGR(4000, 3000).GetCode(), corvel::keErrorNone);
  command.GetParameters().GetParameter(kTileSize)->SetInt(250);
  platform::EventScript script;
  script.Then("Apply twice", [this] {
    HWND apply = ::GetDlgItem(panel.m_hWnd, SettingsPanel::kApply);
    const WPARAM click = MAKEWPARAM(SettingsPanel::kApply, BN_CLICKED);
    ::SendMessage(panel.m_hWnd, WM_COMMAND, click, reinterpret_cast<LPARAM>(apply));
    ::SendMessage(panel.m_hWnd, WM_COMMAND, click, reinterpret_cast<LPARAM>(apply));
    EXPECT_FALSE(command.IsRendering());
  });
  script.Then("stopped", [this] {
    EXPECT_EQ(Text(panel.m_hWnd, SettingsPanel::kApply), "Apply");
    EXPECT_EQ(Selected(), 0);
    EXPECT_FALSE(OkEnabled());
    EXPECT_FALSE(Enabled(SettingsPanel::kDisplayList));
    EXPECT_TRUE(Enabled(SettingsPanel::kMethodButton));
  });
  script.ClickControl(IDCANCEL);
  EXPECT_EQ(Run(script), IDCANCEL);
}

TEST_F(SettingsPanelTest, ShowPreviewOpensTheTileWindowWhichClosesWithItsBoxAndWithTheDialog) {
  HWND window = nullptr;
  auto checked = [this] {
    return ::SendDlgItemMessage(panel.m_hWnd, SettingsPanel::kShowPreview, BM_GETCHECK, 0, 0) == BST_CHECKED;
  };
  platform::EventScript script;
  script.ClickControl(SettingsPanel::kApply);
  WaitForRender(script);
  script.ClickControl(SettingsPanel::kShowPreview);
  script.Then("open with the tile", [&] {
    ASSERT_NE(panel.GetTileWindow(), nullptr);
    window = panel.GetTileWindow()->m_hWnd;
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_TRUE(checked());
    EXPECT_GT(panel.GetTileWindow()->GetScaledTileSize().cx, 0);
    Snap(window, "settings-panel-tile-window");
    ::SendMessage(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(panel.GetTileWindow(), nullptr);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(checked());
  });
  script.Then("open again", [&] {
    ::SendDlgItemMessage(panel.m_hWnd, SettingsPanel::kShowPreview, BM_SETCHECK, BST_CHECKED, 0);
    ::SendMessage(panel.m_hWnd, WM_COMMAND, MAKEWPARAM(SettingsPanel::kShowPreview, BN_CLICKED), 0);
    ASSERT_NE(panel.GetTileWindow(), nullptr);
    window = panel.GetTileWindow()->m_hWnd;
  });
  script.Then("OK", [this] { dialog.SendMessage(WM_COMMAND, IDOK, 0); });
  EXPECT_EQ(Run(script), IDOK);
  EXPECT_EQ(panel.GetTileWindow(), nullptr);
  EXPECT_FALSE(::IsWindow(window)) << "the tile window ends with the dialog";
}

TEST_F(SettingsPanelTest, ThePopupPicksAGroupAndTheShapeKeepsItsCentre) {
  command.GetParameters().GetParameter(kTilingMethod)->SetInt(1);
  shapes::Point2D centre;
  platform::EventScript script;
  script.Then("the centre", [&] { centre = View().GetShape()->GetPoints()[4]; });
  script.ClickControl(SettingsPanel::kMethodButton);
  script.Then("the pictures load", [this] {
    app::GroupList& groups = command.GetGroupList();
    EXPECT_EQ(groups.GetCount(), kGroupCount);
    for (int i = 0; i < 2000 && groups.IsLoaderRunning(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_STREQ(groups.GetToolTipText(4), "PMM");
    EXPECT_EQ(groups.GetThumbnail(4)->Width(), 85);
    EXPECT_FALSE(groups.CanReorder());
    groups.AddGroups();
    EXPECT_EQ(groups.GetCount(), kGroupCount) << "a second opening adds none";
  });
  script.Then("look at the popup", [this] {
    auto* popup = dynamic_cast<CThumbnailView*>(CWnd::FromHandle(::GetFocus()));
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->GetCurrentItem(), 1);  // the current group
    Snap(::GetAncestor(popup->m_hWnd, GA_ROOT), "group-popup");
  });
  script.Click("PMM", [] {
    auto* popup = dynamic_cast<CThumbnailView*>(CWnd::FromHandle(::GetFocus()));
    const CRect cell = popup ? popup->GetItemRect(4) : CRect();
    return platform::ClientPoint(popup ? popup->m_hWnd : nullptr, cell.left + 20, cell.top + 20);
  });
  script.Then("picked", [&] {
    EXPECT_EQ(panel.GetMethod(), 4);
    EXPECT_EQ(Int(kTilingMethod), 4);
    EXPECT_FALSE(Enabled(SettingsPanel::kFeatherEdit));  // no edge blending for PMM
    EXPECT_EQ(Selected(), 0);
    EXPECT_FALSE(command.IsRendering());
    const shapes::Point2D now = View().GetShape()->GetPoints()[4];
    EXPECT_NEAR(now.x, centre.x, 1.0);
    EXPECT_NEAR(now.y, centre.y, 1.0);
  });
  script.Then("picks outside the groups are ignored, the others switch the blending", [this] {
    for (LPARAM pick : {LPARAM{-1}, LPARAM{17}, LPARAM{21}}) {
      ::SendMessage(panel.m_hWnd, TVM_ENDPOPUP, 0, pick);
      EXPECT_EQ(Int(kTilingMethod), 4) << pick;
    }
    for (int method = 0; method < kGroupCount; ++method) {
      ::SendMessage(panel.m_hWnd, TVM_ENDPOPUP, 0, method);
      const bool blends = method != 4 && method != 10 && method != 13 && method != 16;
      EXPECT_EQ(Enabled(SettingsPanel::kFeatherEdit), blends) << method;
    }
  });
  script.Then("each pick puts the group's own shape and cell in the view", [this] {
    // P4's cell is a square and P6M's a triangle of 30, 60 and 90 degrees: P1's default cell is
    // neither.
    const struct {
      int method;
      const std::type_info& shape;
      double legRatio;  // the longer leg over the shorter, at the right angle
    } picks[] = {{corvel::keTilingP4, typeid(shapes::P4Shape), 1.0},
                 {corvel::keTilingP6M, typeid(shapes::P6MShape), std::sqrt(3.0)},
                 {corvel::keTilingP1, typeid(shapes::P1Shape), 0}};
    for (const auto& pick : picks) {
      ::SendMessage(panel.m_hWnd, TVM_ENDPOPUP, 0, pick.method);
      shapes::TargetShape* shape = View().GetShape();
      ASSERT_NE(shape, nullptr);
      EXPECT_EQ(typeid(*shape), pick.shape) << pick.method;
      if (pick.legRatio == 0) continue;
      const shapes::Point2D* p = shape->GetPoints();
      const shapes::Point2D a = p[13] - p[12], b = p[15] - p[12];
      const double la = std::hypot(a.x, a.y), lb = std::hypot(b.x, b.y);
      EXPECT_NEAR(a.x * b.x + a.y * b.y, 0, 0.01 * la * lb) << pick.method << ": a right angle";
      EXPECT_NEAR(std::max(la, lb) / std::min(la, lb), pick.legRatio, 0.02) << pick.method;
    }
  });
  script.ClickControl(IDCANCEL);
  EXPECT_EQ(Run(script), IDCANCEL);
}

TEST(PutOnWhiteTest, ClearIsWhiteOpaqueStaysAndPartBlends) {
  corvel::CRowIteratorBands image;
  ASSERT_EQ(image.CreateBGRA(3, 1).GetCode(), corvel::keErrorNone);
  BYTE* row = image.LockRowPointer(0, 0, -1);
  const BYTE pixels[12] = {10, 20, 30, 0, 10, 20, 30, 255, 0, 100, 255, 128};
  std::copy(pixels, pixels + 12, row);
  image.UnlockRow(0);
  app::PutOnWhite(image);
  row = image.LockRowPointer(0, 0, -1);
  const BYTE expected[12] = {255, 255, 255, 255, 10, 20, 30, 255, 127, 177, 255, 255};
  EXPECT_TRUE(std::equal(expected, expected + 12, row));
  image.UnlockRow(0);
}

TEST(CutThumbnailTest, FitsTheTileOrShowsAStripOfATileFarLongerThanWide) {
  const CSize control(140, 97);
  struct Case {
    CSize tile, size;
    corvel::RectD part;
  } cases[] = {
      {{640, 480}, {129, 97}, {0, 0, 640, 480}},
      {{240, 200}, {116, 97}, {0, 0, 240, 200}},  // wider than high, yet fitted by its height
      {{1, 1}, {97, 97}, {0, 0, 1, 1}},
      {{132, 9504}, {35, 97}, {0, 0, 132, 97 / (35 / 132.0)}},  // a quarter of the control across
      {{9504, 132}, {140, 24}, {0, 0, 140 / (24.25 / 132), 132}},
  };
  for (const Case& c : cases) {
    const app::ThumbnailCut cut = app::CutThumbnail(c.tile, control);
    EXPECT_EQ(cut.size, c.size) << c.tile.cx << "x" << c.tile.cy;
    EXPECT_NEAR(cut.part.right, c.part.right, 1e-9) << c.tile.cx << "x" << c.tile.cy;
    EXPECT_NEAR(cut.part.bottom, c.part.bottom, 1e-9) << c.tile.cx << "x" << c.tile.cy;
  }
}

}  // namespace
