// Nested progress meters: one percentage for nested loops, and the user's way to stop them.
#pragma once
#include <cstdint>

namespace corvel {

class CProgressMeter {
 public:
  // Either callback answers non-zero to ask for a stop.
  using Callback = std::int32_t (*)(CProgressMeter* meter);

  // Without a parent: a root meter. With one: a child covering one step of the parent, which
  // moves the parent on by that step when it is destroyed.
  explicit CProgressMeter(CProgressMeter* parent = nullptr);
  ~CProgressMeter();
  CProgressMeter(const CProgressMeter&) = delete;
  CProgressMeter& operator=(const CProgressMeter&) = delete;

  // Back to the root state before a new run; keeps owner, last report time and abort suppression.
  void Reset();

  void SetProgressCallback(Callback callback) { progressCallback_ = callback; }
  void SetContinueCallback(Callback callback) { stopCallback_ = callback; }
  void SetOwner(void* owner) { owner_ = owner; }
  void* GetOwner() const { return owner_; }
  void SetAbortSuppressed(bool suppressed) { abortSuppressed_ = suppressed; }
  void SetProgressEnabled(bool enabled) { progressEnabled_ = enabled; }

  void SetStepCount(std::int32_t count);
  void SetUnitCount(std::int32_t count) { unitCount_ = count; }

  std::int32_t GetPercent();
  std::int32_t GetLastPercent() const { return lastPercent_; }
  std::int32_t GetStep() const { return step_; }
  std::int32_t GetBase() const { return base_; }
  std::int32_t GetSpan() const { return span_; }
  double GetStepSpan() const { return stepSpan_; }
  CProgressMeter* GetChild() const { return child_; }

  // Moves the position on by units (or to an absolute position) and reports; non-zero asks the
  // caller to stop. Reports pass at most every 0.2 seconds; between them the stop callback alone
  // is asked, so that a stop ends a long run within a row rather than within a fifth of a second.
  std::int32_t StepAndTestAbort(std::int32_t units);
  std::int32_t Report(std::int32_t position);

 private:
  std::int32_t ReportNow();
  std::int32_t TestStop();
  bool ThrottlePasses();

  void* owner_ = nullptr;
  bool abortSuppressed_ = false;
  bool progressEnabled_ = true;
  CProgressMeter* parent_;
  CProgressMeter* child_ = nullptr;
  double lastReportTime_ = 0.0;
  double stepSpan_ = 100.0;
  std::int32_t lastPercent_ = 0;
  std::int32_t span_ = 100;
  std::int32_t step_ = 0;
  std::int32_t position_ = 0;
  std::int32_t unitCount_ = 100;
  std::int32_t base_ = 0;
  std::int32_t stepCount_ = 1;
  Callback progressCallback_ = nullptr;
  Callback stopCallback_ = nullptr;
};

// Seconds on the performance counter since the first call in the process; with a start, the
// seconds since the reading stored there, which is then replaced by the current reading.
double ElapsedSeconds(double* start = nullptr);

}  // namespace corvel
