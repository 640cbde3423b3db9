#include <gtest/gtest.h>

#include <vector>

#include "core/ProgressMeter.h"
#include "platform/win32/Clock.h"

namespace corvel {
namespace {

using std::chrono::milliseconds;

// What the callbacks saw, reached through the meter's owner.
struct Observer {
  std::vector<std::int32_t> percents;
  int stopQuestions = 0;
  std::int32_t progressAnswer = 0;
  std::int32_t stopAnswer = 0;

  static std::int32_t OnProgress(CProgressMeter* meter) {
    Observer* self = static_cast<Observer*>(meter->GetOwner());
    self->percents.push_back(meter->GetLastPercent());
    return self->progressAnswer;
  }
  static std::int32_t OnStopQuestion(CProgressMeter* meter) {
    Observer* self = static_cast<Observer*>(meter->GetOwner());
    ++self->stopQuestions;
    return self->stopAnswer;
  }
};

class ProgressMeterTest : public ::testing::Test {
 protected:
  ProgressMeterTest() {
    root.SetOwner(&observer);
    root.SetProgressCallback(Observer::OnProgress);
    root.SetContinueCallback(Observer::OnStopQuestion);
    ElapsedSeconds();  // fix the clock's origin before the virtual clock moves
    platform::AdvanceVirtualClock(milliseconds(1000));
  }
  // A little over the throttle's 0.2 s, clear of rounding in the seconds arithmetic.
  void Wait() { platform::AdvanceVirtualClock(milliseconds(201)); }

  platform::VirtualClockScope clock;
  Observer observer;
  CProgressMeter root;
};

TEST_F(ProgressMeterTest, StepsOfARootDividedInThree) {
  root.SetStepCount(3);
  EXPECT_DOUBLE_EQ(root.GetStepSpan(), 100.0 / 3);
  const std::int32_t expectedBases[] = {33, 66, 100};
  for (std::int32_t expected : expectedBases) {
    {
      CProgressMeter child(&root);
      EXPECT_EQ(root.GetChild(), &child);
      EXPECT_EQ(child.GetSpan(), 33);
    }
    EXPECT_EQ(root.GetChild(), nullptr);
    EXPECT_EQ(root.GetBase(), expected);
  }
}

TEST_F(ProgressMeterTest, ChildPercentageBuildsOnTheParentsBase) {
  root.SetStepCount(3);
  { CProgressMeter first(&root); }
  CProgressMeter child(&root);
  child.SetUnitCount(100);
  ASSERT_EQ(child.GetBase(), 33);
  for (int row = 0; row < 50; ++row) child.StepAndTestAbort(1);
  EXPECT_EQ(child.GetPercent(), 49);  // 33 + 33 * 50 / 100
}

TEST_F(ProgressMeterTest, ZeroUnitsGiveZeroAndKeepTheLastPercent) {
  root.SetUnitCount(10);
  Wait();
  root.StepAndTestAbort(5);
  ASSERT_EQ(root.GetLastPercent(), 50);
  root.SetUnitCount(0);
  EXPECT_EQ(root.GetPercent(), 0);
  EXPECT_EQ(root.GetLastPercent(), 50);
}

TEST_F(ProgressMeterTest, ReportsAreThrottledToOneEveryFifthOfASecondAndTheStopIsAskedBetween) {
  observer.stopAnswer = 0;
  root.SetUnitCount(100);
  EXPECT_EQ(root.StepAndTestAbort(10), 0);  // percent changed: the progress callback answers
  EXPECT_EQ(observer.percents, std::vector<std::int32_t>{10});
  platform::AdvanceVirtualClock(milliseconds(100));
  EXPECT_EQ(root.StepAndTestAbort(10), 0);  // too soon: no report, only the stop is asked
  EXPECT_EQ(observer.stopQuestions, 1);
  EXPECT_EQ(observer.percents.size(), 1u);
  observer.stopAnswer = 7;
  EXPECT_EQ(root.Report(90), 1) << "a stop between two reports is heard at once";
  EXPECT_EQ(observer.percents.size(), 1u);
  platform::AdvanceVirtualClock(milliseconds(101));
  EXPECT_EQ(root.StepAndTestAbort(0), 0);
  EXPECT_EQ(observer.percents, (std::vector<std::int32_t>{10, 20}));
}

TEST_F(ProgressMeterTest, StopCallbackDecidesOnlyWhenThePercentStands) {
  root.SetUnitCount(100);
  observer.stopAnswer = 7;
  observer.progressAnswer = 0;
  Wait();
  EXPECT_EQ(root.Report(40), 0);  // changed: progress answered 0, stop not asked
  EXPECT_EQ(observer.stopQuestions, 0);
  Wait();
  EXPECT_EQ(root.Report(40), 1);  // unchanged: the stop callback's non-zero becomes 1
  EXPECT_EQ(observer.stopQuestions, 1);
  observer.progressAnswer = 5;
  Wait();
  EXPECT_EQ(root.Report(60), 5);  // changed: the progress callback's answer, unchanged
}

TEST_F(ProgressMeterTest, SuppressedAbortNeverStopsButStillReports) {
  root.SetAbortSuppressed(true);
  root.SetUnitCount(100);
  observer.progressAnswer = 1;
  observer.stopAnswer = 1;
  Wait();
  EXPECT_EQ(root.Report(30), 0);
  EXPECT_EQ(observer.percents.size(), 1u);
  Wait();
  EXPECT_EQ(root.Report(30), 0);
  EXPECT_EQ(observer.stopQuestions, 0);

  CProgressMeter child(&root);  // inherits the suppression
  Wait();
  EXPECT_EQ(child.Report(50), 0);
}

TEST_F(ProgressMeterTest, DisabledProgressLeavesTheDecisionToTheStopCallback) {
  root.SetProgressEnabled(false);
  root.SetUnitCount(100);
  observer.stopAnswer = 1;
  Wait();
  EXPECT_EQ(root.Report(50), 1);
  EXPECT_TRUE(observer.percents.empty());
}

TEST_F(ProgressMeterTest, ResetRestoresTheRootButKeepsTheOwner) {
  root.SetStepCount(4);
  { CProgressMeter child(&root); }
  root.SetAbortSuppressed(true);
  root.Reset();
  EXPECT_EQ(root.GetBase(), 0);
  EXPECT_EQ(root.GetStep(), 0);
  EXPECT_DOUBLE_EQ(root.GetStepSpan(), 100.0);
  EXPECT_EQ(root.GetOwner(), &observer);
  root.SetUnitCount(100);
  Wait();
  EXPECT_EQ(root.Report(50), 0);  // callbacks were cleared; abort still suppressed
  EXPECT_TRUE(observer.percents.empty());
}

TEST_F(ProgressMeterTest, ZeroStepsCountAsOne) {
  root.SetStepCount(0);
  EXPECT_DOUBLE_EQ(root.GetStepSpan(), 100.0);
  CProgressMeter child(&root);
  EXPECT_EQ(child.GetSpan(), 100);
}

TEST(ElapsedSeconds, MeasuresFromAStartAndMovesIt) {
  platform::VirtualClockScope clock;
  double start = 0;
  ElapsedSeconds(&start);
  platform::AdvanceVirtualClock(milliseconds(1500));
  EXPECT_NEAR(ElapsedSeconds(&start), 1.5, 1e-9);
  EXPECT_NEAR(ElapsedSeconds(&start), 0.0, 1e-9);
  double sinceOrigin = ElapsedSeconds();
  platform::AdvanceVirtualClock(milliseconds(250));
  EXPECT_NEAR(ElapsedSeconds() - sinceOrigin, 0.25, 1e-9);
}

}  // namespace
}  // namespace corvel
