// The preview dialog over a command whose render walks rows: the unchanged image from the start,
// finished renders handed to the host, failed and stale ones not, the progress bar's last value,
// fifty restarts by a timer leaving one result, and Cancel that stops a render before it closes.
#include <gtest/gtest.h>

#include <functional>

#include "framework/PreviewDialog.h"
#include "platform/ui/Script.h"
#include "platform/win32/Clock.h"
#include "resources/dialogs/UiTables.h"
#include "tests/framework/threads/RowWalkCommand.h"
#include "tests/platform/UiFixture.h"

namespace wf_test {
namespace {

using framework::kRenderFinishedMessage;
using framework::kRenderProgressMessage;

constexpr UINT kProgressId = 3013;

class TestDialog : public framework::PreviewDialog {
 public:
  TestDialog() : PreviewDialog(101, 0, 0, 0, nullptr, kProgressId) {}
  int rendered = 0, cancelled = 0, restarts = 0, restartLimit = 0;

 protected:
  void AfterRender() override { ++rendered; }
  void AfterCancel() override { ++cancelled; }
  afx_msg void OnTimer(UINT_PTR id) {
    RestartRender();
    if (++restarts == restartLimit) KillTimer(id);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestDialog, framework::PreviewDialog)
  ON_WM_TIMER()
END_MESSAGE_MAP()

class PreviewDialogTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    const auto module = reinterpret_cast<HINSTANCE>(0x7300);
    wf_resources::RegisterUiTables(module);
    AfxSetResourceHandle(module);
    MakeRamp(host.GetSourceImage(), 40, 50);
    source = Bytes(host.GetSourceImage());
    dialog.SetHostImage(&host);
    dialog.SetCommand(&command);
    ASSERT_TRUE(dialog.Create(101));
    dialog.ShowWindow(SW_SHOW);
  }
  void TearDown() override {
    dialog.DestroyWindow();
    UiTest::TearDown();
  }
  platform::VirtualClockScope clock;
  framework::HostImage host;
  std::vector<std::uint8_t> source;
  RowWalkCommand command;
  TestDialog dialog;
};

TEST_F(PreviewDialogTest, OpensWithTheUnchangedImageAndAProgressBar) {
  EXPECT_EQ(Bytes(host.GetAuxiliaryImage()), source);
  EXPECT_EQ(Bytes(command.GetSourceImage()), source);
  CWnd* bar = dialog.GetDlgItem(kProgressId);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->m_hWnd, dialog.GetProgressBar().m_hWnd);
  char name[32] = {};
  GetClassName(bar->m_hWnd, name, sizeof name);
  EXPECT_STREQ(name, PROGRESS_CLASS);
}

TEST_F(PreviewDialogTest, FinishedRenderBecomesTheHostsImageAndAFailedOneDoesNot) {
  dialog.RestartRender();
  PumpUntil([&] { return dialog.rendered == 1; });
  EXPECT_EQ(Bytes(host.GetSourceImage()), Complement(source));
  EXPECT_EQ(Bytes(host.GetAuxiliaryImage()), source);
  EXPECT_EQ(dialog.GetProgressBar().GetPos(), 0);

  host.GetSourceImage().CreateCopy(host.GetAuxiliaryImage()).GetCode();
  command.ending = RowWalkCommand::Ending::kFail;
  dialog.RestartRender();
  PumpUntil([&] { return dialog.cancelled == 1; });
  EXPECT_EQ(dialog.rendered, 1);
  EXPECT_EQ(Bytes(host.GetSourceImage()), source);
}

// What the render routine tells the user shows on the dialog's thread once the render has ended,
// never as a window of the render thread, which a stop waiting for that thread would stand behind.
TEST_F(PreviewDialogTest, WhatARenderTellsShowsOnTheDialogsThreadAfterItsEnd) {
  platform::EventScript script;
  script.AnswerMessageBox(IDOK);
  command.ending = RowWalkCommand::Ending::kTellAndFail;
  dialog.RestartRender();
  PumpUntil([&] { return dialog.cancelled == 1; });
  ASSERT_EQ(script.MessageBoxes().size(), 1u);
  EXPECT_EQ(script.MessageBoxes()[0].text, RowWalkCommand::kToldText);
  // Told once: a later render that tells nothing shows nothing.
  command.ending = RowWalkCommand::Ending::kFail;
  dialog.RestartRender();
  PumpUntil([&] { return dialog.cancelled == 2; });
  EXPECT_EQ(script.MessageBoxes().size(), 1u);
}

TEST_F(PreviewDialogTest, ProgressBarJumpsToTheLastOfABurst) {
  for (int percent : {10, 20, 30}) dialog.PostMessage(kRenderProgressMessage, 0, percent);
  MSG first{};
  ASSERT_TRUE(PeekMessage(&first, dialog.m_hWnd, kRenderProgressMessage, kRenderProgressMessage, PM_REMOVE));
  DispatchMessage(&first);
  EXPECT_EQ(dialog.GetProgressBar().GetPos(), 30);
  EXPECT_FALSE(
      PeekMessage(&first, dialog.m_hWnd, kRenderProgressMessage, kRenderProgressMessage, PM_NOREMOVE));
}

TEST_F(PreviewDialogTest, FiftyRestartsByATimerLeaveOneResultAndNoThread) {
  command.HoldAt(10, true);  // each render waits there until the next restart stops it
  dialog.restartLimit = 50;
  dialog.SetTimer(1, 50);
  while (dialog.restarts < dialog.restartLimit) {
    platform::AdvanceVirtualClock(std::chrono::milliseconds(50));
    platform::PumpMessages();
  }
  command.Release();
  PumpUntil([&] { return dialog.rendered == 1; });
  command.StopRender();
  platform::PumpMessages();
  EXPECT_EQ(dialog.rendered, 1);
  EXPECT_EQ(dialog.cancelled, 0);  // the stopped renders' messages were stale
  EXPECT_FALSE(command.IsRendering());
  EXPECT_EQ(Bytes(host.GetSourceImage()), Complement(source));

  // A finished message of an older render is dropped.
  dialog.SendMessage(kRenderFinishedMessage, 0, static_cast<LPARAM>(command.GetGeneration() - 1));
  EXPECT_EQ(dialog.rendered, 1);
}

TEST_F(PreviewDialogTest, CancelStopsARunningRenderFirstAndClosesAfter) {
  command.HoldAt(10);
  dialog.RestartRender();
  command.WaitUntilHeld();
  dialog.SendMessage(WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(command.IsRendering());
  EXPECT_TRUE(dialog.IsWindowVisible());
  PumpUntil([&] { return dialog.cancelled == 1; });
  EXPECT_EQ(Bytes(host.GetSourceImage()), source);

  dialog.SendMessage(WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(dialog.IsWindowVisible());
}

}  // namespace
}  // namespace wf_test
