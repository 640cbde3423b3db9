// A command whose render walks the output's rows through the progress meter, writing each row as
// the complement of the source's. It can be held at a row, made to fail or to throw at the end, to
// run past a stop, or to raise the stop flag at an ask of the meter after its rows.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "framework/GenericCommand.h"
#include "platform/win32/Clock.h"

namespace wf_test {

class RowWalkCommand : public framework::GenericCommand {
 public:
  enum class Ending { kFinish, kFail, kThrow, kIgnoreStop, kTellAndFail };
  static constexpr const char* kToldText = "The render could not be made";
  static constexpr int kParameterId = 1;

  RowWalkCommand() {
    auto value = std::make_unique<framework::IntegerParameter>();
    value->SetRange(0, 100);
    parameters_.AddParameter(kParameterId, "Value", std::move(value));
  }
  ~RowWalkCommand() override { StopRender(); }

  // The next render (or every one) waits at this row until Release, or until it is asked to stop.
  void HoldAt(int row, bool everyRender = false) {
    std::lock_guard<std::mutex> lock(mutex_);
    holdRow_ = row;
    holdEvery_ = everyRender;
    held_ = released_ = false;
  }
  // Fails the test, rather than hanging it, when no render comes to the row.
  void WaitUntilHeld() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::seconds(60), [&] { return held_; }))
      ADD_FAILURE() << "no render reached row " << holdRow_;
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  int SeenValue() const { return seenValue_; }
  // The next render raises the stop flag at the ask-th ask of the meter after its rows; unanswered,
  // that ask still says go on, as for a stop that comes just after it.
  void StopAtAskAfterRows(int ask, bool answered) {
    stopAtAsk_ = ask;
    stopAnswered_ = answered;
    asksAfterRows_ = 0;
  }
  int AsksAfterRows() const { return asksAfterRows_; }

  Ending ending = Ending::kFinish;

  int RunJob(framework::RenderJob& job) override {
    corvel::CRowIteratorBands& output = *job.output;
    job.progress->SetUnitCount(output.Height());
    for (int y = 0; y < output.Height(); ++y) {
      BYTE* row = output.LockRowPointer(y, 0, -1);
      for (int i = 0; i < output.GetRowBytes(); ++i) row[i] = static_cast<BYTE>(~row[i]);
      output.UnlockRow(y);
      if (y == HoldRow()) Hold();
      // Every row passes the meter's throttle, so each one reports and tests for a stop.
      platform::AdvanceVirtualClock(std::chrono::milliseconds(250));
      const bool abort = job.progress->StepAndTestAbort(1) != 0;
      if (abort && ending != Ending::kIgnoreStop) return corvel::keErrorStopped;
    }
    job.parameters->GetParameter(kParameterId)->GetInt(&seenValue_);
    if (stopAtAsk_ > 0) job.progress->SetContinueCallback(&AskAfterRows);
    if (ending == Ending::kTellAndFail) TellUser(kToldText, "Render");
    if (ending == Ending::kFail || ending == Ending::kTellAndFail) return corvel::keErrorNoMemory;
    if (ending == Ending::kThrow) throw std::runtime_error("render routine failed");
    return 0;
  }

 private:
  static std::int32_t AskAfterRows(corvel::CProgressMeter* meter) {
    auto* self = static_cast<RowWalkCommand*>(static_cast<framework::GenericCommand*>(meter->GetOwner()));
    if (++self->asksAfterRows_ != self->stopAtAsk_) return self->stop_;
    self->stopAtAsk_ = 0;
    self->stop_ = true;
    return self->stopAnswered_;
  }
  int HoldRow() {
    std::lock_guard<std::mutex> lock(mutex_);
    return holdRow_;
  }
  void Hold() {
    std::unique_lock<std::mutex> lock(mutex_);
    held_ = true;
    changed_.notify_all();
    while (!released_ && !stop_) changed_.wait_for(lock, std::chrono::milliseconds(1));
    if (!holdEvery_) holdRow_ = -1;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  int holdRow_ = -1;
  bool holdEvery_ = false, held_ = false, released_ = false;
  int seenValue_ = -1;
  int stopAtAsk_ = 0, asksAfterRows_ = 0;
  bool stopAnswered_ = false;
};

// A colour image whose bytes run through every value.
inline void MakeRamp(corvel::CRowIteratorBands& image, int width, int height) {
  image.Create(width, height, corvel::keFormatBGR).GetCode();
  for (int y = 0; y < height; ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int i = 0; i < image.GetRowBytes(); ++i) row[i] = static_cast<BYTE>(i * 7 + y * 3);
    image.UnlockRow(y);
  }
}

inline std::vector<std::uint8_t> Bytes(corvel::CRowIteratorBands& image) {
  std::vector<std::uint8_t> bytes;
  for (int y = 0; y < image.Height(); ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    bytes.insert(bytes.end(), row, row + image.GetRowBytes());
    image.UnlockRow(y);
  }
  return bytes;
}

inline std::vector<std::uint8_t> Complement(std::vector<std::uint8_t> bytes) {
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(~byte);
  return bytes;
}

}  // namespace wf_test
