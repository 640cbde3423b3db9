// The command's render thread: one render at a time, stops that restore the source, failures that
// never count as finished, the selection kept, progress posted, and a snapshot of the parameters.
#include <gtest/gtest.h>

#include "platform/win32/Clock.h"
#include "tests/framework/threads/RowWalkCommand.h"
#include "tests/platform/UiFixture.h"

namespace wf_test {
namespace {

using framework::kRenderCancelledMessage;
using framework::kRenderFinishedMessage;
using framework::kRenderProgressMessage;

class RenderThreadTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    owner = MakeTop({0, 0, 100, 100});
    MakeRamp(command.GetSourceImage(), 40, 50);
    command.SetOwner(owner);
  }
  // Waits for the end of the render: the finished or cancelled message.
  MSG WaitForEnd() {
    MSG msg{};
    WaitForMessage(&msg, owner, kRenderFinishedMessage, kRenderCancelledMessage);
    return msg;
  }
  std::vector<MSG> Queued(UINT message) {
    std::vector<MSG> found;
    for (MSG msg{}; PeekMessage(&msg, owner, message, message, PM_REMOVE);) found.push_back(msg);
    return found;
  }

  platform::VirtualClockScope clock;
  HWND owner = nullptr;
  RowWalkCommand command;
};

TEST_F(RenderThreadTest, FinishedRenderIsTheRoutinesOutputTaggedWithItsGeneration) {
  const auto source = Bytes(command.GetSourceImage());
  ASSERT_EQ(command.StartRender().GetCode(), corvel::keErrorNone);
  const MSG end = WaitForEnd();
  EXPECT_EQ(end.message, kRenderFinishedMessage);
  EXPECT_EQ(end.lParam, static_cast<LPARAM>(command.GetGeneration()));
  command.StopRender();
  EXPECT_FALSE(command.IsRendering());
  EXPECT_EQ(Bytes(command.GetOutputImage()), Complement(source));
  EXPECT_EQ(Bytes(command.GetSourceImage()), source);

  // One message per changed percent, naming the command, rising to 100.
  const std::vector<MSG> progress = Queued(kRenderProgressMessage);
  ASSERT_FALSE(progress.empty());
  for (std::size_t i = 0; i < progress.size(); ++i) {
    EXPECT_EQ(progress[i].wParam, reinterpret_cast<WPARAM>(&command));
    if (i > 0) {
      EXPECT_GT(progress[i].lParam, progress[i - 1].lParam);
    }
  }
  EXPECT_EQ(progress.back().lParam, 100);
}

TEST_F(RenderThreadTest, SecondStartIsRefusedAndTheFirstRenderGoesOn) {
  const auto source = Bytes(command.GetSourceImage());
  command.HoldAt(10);
  ASSERT_EQ(command.StartRender().GetCode(), corvel::keErrorNone);
  command.WaitUntilHeld();
  EXPECT_TRUE(command.IsRendering());
  EXPECT_TRUE(command.IsBusy());
  const std::uint32_t generation = command.GetGeneration();
  EXPECT_EQ(command.StartRender().GetCode(), corvel::keErrorBadArgument);
  EXPECT_EQ(command.GetGeneration(), generation);
  command.Release();
  EXPECT_EQ(WaitForEnd().message, kRenderFinishedMessage);
  command.StopRender();
  EXPECT_EQ(Bytes(command.GetOutputImage()), Complement(source));
}

TEST_F(RenderThreadTest, StopMidRenderRestoresTheSourceAndPostsCancelled) {
  command.StopRender();  // none running: returns at once
  const auto source = Bytes(command.GetSourceImage());
  command.HoldAt(20);
  ASSERT_EQ(command.StartRender().GetCode(), corvel::keErrorNone);
  command.WaitUntilHeld();
  command.StopRender();
  EXPECT_FALSE(command.IsRendering());
  EXPECT_FALSE(command.IsBusy());
  EXPECT_EQ(Bytes(command.GetOutputImage()), source);
  EXPECT_EQ(WaitForEnd().message, kRenderCancelledMessage);
  EXPECT_TRUE(Queued(kRenderFinishedMessage).empty());

  // The flag is down again: the next render runs to its end.
  ASSERT_EQ(command.StartRender().GetCode(), corvel::keErrorNone);
  EXPECT_EQ(WaitForEnd().message, kRenderFinishedMessage);
}

TEST_F(RenderThreadTest, RenderThatRunsPastAStopIsNotFinished) {
  const auto source = Bytes(command.GetSourceImage());
  command.ending = RowWalkCommand::Ending::kIgnoreStop;
  command.HoldAt(20);
  ASSERT_EQ(command.StartRender().GetCode(), corvel::keErrorNone);
  command.WaitUntilHeld();
  command.StopRender();
  EXPECT_EQ(WaitForEnd().message, kRenderCancelledMessage);
  EXPECT_EQ(Bytes(command.GetOutputImage()), source);
}

TEST_F(RenderThreadTest, FailedOrThrowingRenderIsNotFinishedAndShowsTheSource) {
  const auto source = Bytes(command.GetSourceImage());
  for (RowWalkCommand::Ending ending : {RowWalkCommand::Ending::kFail, RowWalkCommand::Ending::kThrow}) {
    command.ending = ending;
    ASSERT_EQ(command.StartRender().GetCode(), corvel::keErrorNone);
    EXPECT_EQ(WaitForEnd().message, kRenderCancelledMessage);
    command.StopRender();
    EXPECT_EQ(Bytes(command.GetOutputImage()), source);
  }
}

TEST_F(RenderThreadTest, SelectionKeepsTheSourceOutsideIt) {
  corvel::CRowIteratorBands& mask = command.GetMaskImage();
  ASSERT_EQ(mask.Create(40, 50, corvel::keFormatGrey).GetCode(), corvel::keErrorNone);
  for (int y = 0; y < 50; ++y) {
    BYTE* row = mask.LockRowPointer(y, 0, -1);
    for (int x = 0; x < 40; ++x) row[x] = x < 10 ? 255 : 0;
    mask.UnlockRow(y);
  }
  const auto source = Bytes(command.GetSourceImage());
  ASSERT_EQ(command.StartRender().GetCode(), corvel::keErrorNone);
  EXPECT_EQ(WaitForEnd().message, kRenderFinishedMessage);
  command.StopRender();
  const auto output = Bytes(command.GetOutputImage());
  const auto complement = Complement(source);
  for (std::size_t i = 0; i < output.size(); ++i) {
    const bool selected = i % (40 * 3) < 10 * 3;
    ASSERT_EQ(output[i], selected ? complement[i] : source[i]) << "byte " << i;
  }
}

TEST_F(RenderThreadTest, RenderReadsTheParametersAsTheyWereAtItsStart) {
  framework::Parameter& live = *command.GetParameters().GetParameter(RowWalkCommand::kParameterId);
  live.SetInt(7);
  command.HoldAt(5);
  ASSERT_EQ(command.StartRender().GetCode(), corvel::keErrorNone);
  command.WaitUntilHeld();
  live.SetInt(9);  // the dialog goes on changing them
  command.Release();
  EXPECT_EQ(WaitForEnd().message, kRenderFinishedMessage);
  command.StopRender();
  EXPECT_EQ(command.SeenValue(), 7);
}

}  // namespace
}  // namespace wf_test
