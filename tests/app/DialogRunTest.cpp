// The filter run with its dialog through the host's selectors, driven by the event script: OK
// hands back the last finished render through the selection, Cancel hands back nothing, and
// the recorded action replays the dialog's result without it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "LinkedDialogFixture.h"
#include "app/SettingsPanel.h"
#include "controls/ThumbnailPopup.h"
#include "framework/PluginDialog.h"
#include "platform/ui/Capture.h"
#include "platform/ui/Script.h"
#include "shapes/ToolView.h"

namespace apptest {
namespace {

using namespace resources;

constexpr int kWidth = 240, kHeight = 180;
constexpr RECT kBox{30, 20, 210, 160};

class DialogRunTest : public LinkedDialogTest {
 protected:
  void SetUp() override {
    LinkedDialogTest::SetUp();
    for (int y = kBox.top; y < kBox.bottom; ++y)
      std::fill_n(&mask[std::size_t(y) * kWidth + kBox.left], kBox.right - kBox.left, 255);
  }

  app::SettingsPanel& Panel() { return *dynamic_cast<app::SettingsPanel*>(shapes::GetUiContext()->panel); }
  void TypeInto(platform::EventScript& script, CEditNum& (app::SettingsPanel::*edit)(),
                const std::string& text) {
    script.Then("select the field's text", [this, edit] {
      CEditNum& field = (Panel().*edit)();
      field.Field().SetFocus();
      field.Field().SetSel(0, -1);
    });
    script.TypeText(text);
  }
  // The popup's picture of `group`, clicked once the pictures have loaded.
  void PickGroup(platform::EventScript& script, int group) {
    script.ClickControl(app::SettingsPanel::kMethodButton);
    script.Then("the pictures load", [this] {
      app::GroupList& groups = linked.GetCommand()->GetGroupList();
      for (int i = 0; i < 2000 && groups.IsLoaderRunning(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    });
    script.Click("the group", [group] {
      auto* popup = dynamic_cast<CThumbnailView*>(CWnd::FromHandle(::GetFocus()));
      const CRect cell = popup ? popup->GetItemRect(group) : CRect();
      return platform::ClientPoint(popup ? popup->m_hWnd : nullptr, cell.left + 20, cell.top + 20);
    });
  }
  void ApplyAndWait(platform::EventScript& script) {
    script.ClickControl(app::SettingsPanel::kApply);
    script.Then("wait for the render", [this] {
      wf_test::WaitUntil([this] { return !linked.GetCommand()->IsRendering(); }, "the render's end");
    });
  }
  // Runs the filter with its dialog under the script, which must end it.
  host::OSErr RunWithDialog(platform::EventScript& script, wfhost::HostImageBuffer& image,
                            wfhost::FilterRun& run) {
    wfhost::FilterModule module(LinkedEntry);
    run.descriptor = Recorded();
    run.playInfo = host::plugInDialogDisplay;
    run.selection = &mask;
    const host::OSErr result = RunFilter(module, image, run);
    EXPECT_EQ(script.Remaining(), 0u);
    return result;
  }
  int StoredTileSize() {
    app::TilingCommand stored;
    int size = 0;
    stored.GetParameters().GetParameter(kTileSize)->GetInt(&size);
    return size;
  }

  std::vector<std::uint8_t> mask = std::vector<std::uint8_t>(std::size_t(kWidth) * kHeight, 0);
  const wfhost::HostImageBuffer input = PatternImage(host::kModeRGB, kWidth, kHeight);
};

TEST_F(DialogRunTest, OkHandsBackTheLastRenderThroughTheSelectionAndTheActionReplaysIt) {
  platform::EventScript script;
  PickGroup(script, 9);
  TypeInto(script, &app::SettingsPanel::GetFeatherEdit, "30");
  TypeInto(script, &app::SettingsPanel::GetTileSizeEdit, "70");
  ApplyAndWait(script);
  // The host's layout of the render: RGB where the working image has BGR.
  std::vector<std::uint8_t> render;
  script.Then("keep the render, look at the dialog", [&] {
    corvel::CRowIteratorBands& output = linked.GetCommand()->GetOutputImage();
    ASSERT_EQ(output.GetFormat(), corvel::keFormatBGR);
    ASSERT_EQ(output.Width(), kBox.right - kBox.left);
    ASSERT_EQ(output.Height(), kBox.bottom - kBox.top);
    for (int y = 0; y < output.Height(); ++y) {
      const BYTE* row = output.LockRowPointer(y, 0, -1);
      for (int x = 0; x < output.Width(); ++x)
        render.insert(render.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
      output.UnlockRow(y);
    }
    platform::PumpMessages();
    if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
      platform::WritePng(platform::Capture(shapes::GetUiContext()->dialog->m_hWnd),
                         std::string(dir) + "/dialog-run.png");
  });
  script.ClickControl(IDOK);
  wfhost::HostImageBuffer image = input;
  wfhost::FilterRun run;
  ASSERT_EQ(RunWithDialog(script, image, run), host::noErr);
  EXPECT_EQ(shapes::GetUiContext()->dialog, nullptr);

  ASSERT_FALSE(render.empty());
  wfhost::HostImageBuffer expected = input;
  const int boxWidth = kBox.right - kBox.left;
  for (int y = kBox.top; y < kBox.bottom; ++y)
    std::copy_n(&render[std::size_t(y - kBox.top) * boxWidth * 3], boxWidth * 3,
                &expected.pixels[(std::size_t(y) * kWidth + kBox.left) * 3]);
  EXPECT_TRUE(image.pixels == expected.pixels) << "the render inside the box, the input outside";
  EXPECT_EQ(StoredTileSize(), 70) << "OK keeps the settings";

  wfhost::FilterRun replay;
  replay.descriptor = run.descriptor;
  replay.selection = &mask;
  wfhost::HostImageBuffer replayed = input;
  wfhost::FilterModule module(LinkedEntry);
  ASSERT_EQ(RunFilter(module, replayed, replay), host::noErr);
  EXPECT_FALSE(linked.GetShowDialog());
  EXPECT_TRUE(replayed.pixels == image.pixels) << "the recorded action renders what the dialog did";
}

TEST_F(DialogRunTest, CancelAfterARenderHandsBackNothingAndKeepsTheStoredSettings) {
  platform::EventScript script;
  TypeInto(script, &app::SettingsPanel::GetTileSizeEdit, "60");
  ApplyAndWait(script);
  script.ClickControl(IDCANCEL);
  wfhost::HostImageBuffer image = input;
  wfhost::FilterRun run;
  EXPECT_EQ(RunWithDialog(script, image, run), host::userCanceledErr);
  EXPECT_TRUE(image.pixels == input.pixels);
  EXPECT_EQ(StoredTileSize(), 100);
}

TEST_F(DialogRunTest, OkStaysOffUntilARenderHasFinishedAndWhileTheOriginalIsShown) {
  platform::EventScript script;
  auto okEnabled = [] {
    return shapes::GetUiContext()->dialog->GetDlgItem(IDOK)->IsWindowEnabled() != FALSE;
  };
  script.Then("before a render", [&] { EXPECT_FALSE(okEnabled()); });
  ApplyAndWait(script);
  script.Then("rendered", [&] { EXPECT_TRUE(okEnabled()); });
  PickGroup(script, 2);
  script.Then("a group picked since: the unchanged image", [&] { EXPECT_FALSE(okEnabled()); });
  script.ClickControl(IDCANCEL);
  wfhost::HostImageBuffer image = input;
  wfhost::FilterRun run;
  EXPECT_EQ(RunWithDialog(script, image, run), host::userCanceledErr);
}

// Esc while a handle is dragged calls the drag off and leaves the dialog open; with nothing
// held it cancels.
TEST_F(DialogRunTest, EscDuringADragPutsTheShapeBackAndOnlyThenCancels) {
  shapes::TargetShape* shape = nullptr;
  corvel::Point2D before;
  POINT pressed{};
  float startX = 0;
  auto centre = [&] { return shape->GetPoints()[4]; };
  auto centreX = [this] {
    float x = 0;
    linked.GetCommand()->GetParameters().GetParameter(kPointCenterX)->GetFloat(&x);
    return x;
  };
  platform::EventScript script;
  script.Then("press the shape's centre", [&] {
    auto* dialog = dynamic_cast<framework::FilterDialog*>(shapes::GetUiContext()->dialog);
    auto* view = dynamic_cast<shapes::CToolView*>(dialog ? dialog->GetView() : nullptr);
    ASSERT_NE(view, nullptr);
    shape = view->GetShape();
    before = centre();
    startX = centreX();
    const corvel::Point2D at = view->ImageToClient(before);
    pressed = platform::ClientPoint(view->m_hWnd, static_cast<int>(std::lround(at.x)),
                                    static_cast<int>(std::lround(at.y)));
    platform::MouseDown(platform::MouseButton::Left, pressed);
  });
  script.Then("drag", [&] { platform::MouseMove(POINT{pressed.x + 15, pressed.y + 10}); });
  script.Then("dragged", [&] { EXPECT_GT(centre().x, before.x); });
  script.Key(VK_ESCAPE);
  script.Then("called off", [&] {
    EXPECT_FALSE(centre() != before);
    EXPECT_EQ(::GetCapture(), shape->GetView()->m_hWnd) << "the release is still the drag's";
    // Released over a button, which the release must not click.
    const POINT button = platform::CentreOf(
        shapes::GetUiContext()->dialog->GetDlgItem(framework::PluginDialog::kSavePreset)->m_hWnd);
    platform::MouseMove(button);
    platform::MouseUp(platform::MouseButton::Left, button);
  });
  script.Then("released", [&] {
    EXPECT_FALSE(centre() != before) << "the drag ended with Esc";
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(::GetActiveWindow(), shapes::GetUiContext()->dialog->m_hWnd) << "no Save Preset box";
    EXPECT_EQ(centreX(), startX);
  });
  script.Key(VK_ESCAPE);
  wfhost::HostImageBuffer image = input;
  wfhost::FilterRun run;
  EXPECT_EQ(RunWithDialog(script, image, run), host::userCanceledErr);
  EXPECT_TRUE(image.pixels == input.pixels);
}

}  // namespace
}  // namespace apptest
