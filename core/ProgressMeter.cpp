#include "core/ProgressMeter.h"

#include "platform/win32/Clock.h"

namespace corvel {
namespace {

constexpr double kReportInterval = 0.2;

double CounterSeconds() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

double ElapsedSeconds(double* start) {
  static const double origin = CounterSeconds();
  double now = CounterSeconds();
  if (!start) return now - origin;
  double elapsed = now - *start;
  *start = now;
  return elapsed;
}

CProgressMeter::CProgressMeter(CProgressMeter* parent) : parent_(parent ? parent : this) {
  if (!parent) return;
  span_ = static_cast<std::int32_t>(parent->stepSpan_);
  stepSpan_ = span_;
  base_ = parent->base_;
  lastPercent_ = parent->lastPercent_;
  unitCount_ = parent->unitCount_;
  progressCallback_ = parent->progressCallback_;
  stopCallback_ = parent->stopCallback_;
  owner_ = parent->owner_;
  abortSuppressed_ = parent->abortSuppressed_;
  progressEnabled_ = parent->progressEnabled_;
  parent->child_ = this;
}

CProgressMeter::~CProgressMeter() {
  // Bases are recomputed from the step index, so rounding never accumulates.
  CProgressMeter& p = *parent_;
  std::int32_t k = p.step_;
  p.base_ -= static_cast<std::int32_t>(k * p.stepSpan_);
  p.step_ = k + 1;
  p.base_ += static_cast<std::int32_t>((k + 1) * p.stepSpan_);
  p.position_ = 0;
  p.child_ = nullptr;
}

void CProgressMeter::Reset() {
  stepSpan_ = 100.0;
  parent_ = this;
  child_ = nullptr;
  progressCallback_ = nullptr;
  stopCallback_ = nullptr;
  span_ = 100;
  base_ = 0;
  progressEnabled_ = true;
  unitCount_ = 100;
  position_ = 0;
  stepCount_ = 1;
  step_ = 0;
  lastPercent_ = 0;
}

void CProgressMeter::SetStepCount(std::int32_t count) {
  // A meter always has at least one step; zero steps would make every step span infinite.
  stepCount_ = count > 0 ? count : 1;
  stepSpan_ = static_cast<double>(span_) / stepCount_;
}

std::int32_t CProgressMeter::GetPercent() {
  if (unitCount_ == 0) return 0;
  std::int64_t stepPercent = static_cast<std::int32_t>(stepSpan_);
  std::int64_t percent = stepPercent * position_ / unitCount_ + base_;
  lastPercent_ = static_cast<std::int32_t>(percent);
  return lastPercent_;
}

bool CProgressMeter::ThrottlePasses() {
  double now = ElapsedSeconds();
  if (!(now >= lastReportTime_ + kReportInterval)) return false;
  lastReportTime_ = now;
  return true;
}

std::int32_t CProgressMeter::StepAndTestAbort(std::int32_t units) {
  position_ += units;
  if (!ThrottlePasses()) return TestStop();
  return ReportNow();
}

std::int32_t CProgressMeter::Report(std::int32_t position) {
  if (!ThrottlePasses()) return TestStop();
  position_ = position;
  return ReportNow();
}

std::int32_t CProgressMeter::TestStop() {
  if (abortSuppressed_ || !stopCallback_) return 0;
  return stopCallback_(this) != 0 ? 1 : 0;
}

std::int32_t CProgressMeter::ReportNow() {
  if (progressEnabled_ && progressCallback_) {
    std::int32_t previous = lastPercent_;
    if (GetPercent() != previous) {
      std::int32_t answer = progressCallback_(this);
      return abortSuppressed_ ? 0 : answer;
    }
  }
  return TestStop();
}

}  // namespace corvel
