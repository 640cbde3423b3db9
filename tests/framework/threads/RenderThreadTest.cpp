// The command's render thread: one render at a time, stops that restore the source, failures that
// never count as finished, the selection kept, progress posted, and a snapshot of the parameters.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/MaskedCombine.h"
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

// Three bands of the combine through the selection, the last one short.
constexpr int kTallRows = 600;

// Columns 0-9 selected, 10-19 in part, the rest not.
void MakeSelection(corvel::CRowIteratorBands& mask, int width, int height) {
  ASSERT_EQ(mask.Create(width, height, corvel::keFormatGrey).GetCode(), corvel::keErrorNone);
  for (int y = 0; y < height; ++y) {
    BYTE* row = mask.LockRowPointer(y, 0, -1);
    for (int x = 0; x < width; ++x) row[x] = x < 10 ? 255 : x < 20 ? static_cast<BYTE>(x * 11 + y) : 0;
    mask.UnlockRow(y);
  }
}

// The combine goes band by band, with the bytes of one combine of the whole image; a mask shorter
// than the image leaves the rows below it as the source.
TEST_F(RenderThreadTest, SelectionKeepsTheSourceOutsideIt) {
  corvel::CRowIteratorBands& source = command.GetSourceImage();
  MakeRamp(source, 40, kTallRows);
  MakeSelection(command.GetMaskImage(), 40, kTallRows - 100);
  corvel::CRowIteratorBands rendered, expected;
  ASSERT_EQ(rendered.CreateCopy(source).GetCode(), corvel::keErrorNone);
  const std::vector<std::uint8_t> complement = Complement(Bytes(source));
  for (int y = 0; y < kTallRows; ++y) {
    BYTE* row = rendered.LockRowPointer(y, 0, -1);
    std::copy_n(complement.begin() + std::ptrdiff_t(y) * rendered.GetRowBytes(), rendered.GetRowBytes(), row);
    rendered.UnlockRow(y);
  }
  ASSERT_EQ(corvel::MaskedCombine(source, rendered, expected, command.GetMaskImage(), nullptr, false, nullptr)
                .GetCode(),
            corvel::keErrorNone);
  ASSERT_EQ(command.StartRender().GetCode(), corvel::keErrorNone);
  EXPECT_EQ(WaitForEnd().message, kRenderFinishedMessage);
  command.StopRender();
  EXPECT_EQ(Bytes(command.GetOutputImage()), Bytes(expected));
}

// A stop during the combine ends the render at that band, and a stop that comes after the last
// band's ask is a stop all the same: "cancelled", and the output is the source.
TEST_F(RenderThreadTest, StopDuringTheSelectionsCombineLeavesTheSource) {
  MakeRamp(command.GetSourceImage(), 40, kTallRows);
  MakeSelection(command.GetMaskImage(), 40, kTallRows);
  const auto source = Bytes(command.GetSourceImage());
  const struct {
    int ask;
    bool answered;
  } cases[] = {{1, true}, {2, true}, {3, false}};
  for (const auto& c : cases) {
    command.StopAtAskAfterRows(c.ask, c.answered);
    ASSERT_EQ(command.StartRender().GetCode(), corvel::keErrorNone);
    EXPECT_EQ(WaitForEnd().message, kRenderCancelledMessage) << "ask " << c.ask;
    command.StopRender();
    EXPECT_EQ(command.AsksAfterRows(), c.ask);
    EXPECT_EQ(Bytes(command.GetOutputImage()), source) << "ask " << c.ask;
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
