#include "vector/detail/FlattenStage.h"

#include <cmath>
#include <new>

#include "vector/RenderSettings.h"
#include "vector/detail/CurveGeometry.h"

namespace corvel {
namespace {

constexpr double kEpsilon = 1e-8;
// One curve halved 10 times yields at most 1024 lines.
constexpr int kFlattenCapacity = 2048;
// Beyond this many dash pieces a drawing would take minutes: the stage ends there instead.
constexpr long long kMaxDashPieces = 1 << 16;

// Restores the calling thread's flatness however the flattening ends.
class FlatnessScope {
 public:
  explicit FlatnessScope(double value) : previous_(SetDefaultFlatness(value)) {}
  ~FlatnessScope() { SetDefaultFlatness(previous_); }
  FlatnessScope(const FlatnessScope&) = delete;
  FlatnessScope& operator=(const FlatnessScope&) = delete;

 private:
  double previous_;
};

}  // namespace

FlattenStage::FlattenStage(PathStage& upstream, double tolerance, const Matrix3* matrix, bool adopt)
    : upstream_(&upstream), tolerance_(tolerance) {
  if (!adopt) PathStage::AddRef(upstream_);
  if (matrix != nullptr) {
    matrix_ = *matrix;
    matrixInUse_ = &matrix_;
  }
  buffer_.Reserve(kFlattenCapacity);
  Rewind();
}

FlattenStage::~FlattenStage() { PathStage::Release(upstream_); }

FlattenStage* CreateFlattenStage(PathStage& upstream, double tolerance, const Matrix3* matrix, bool adopt) {
  FlattenStage* stage = new (std::nothrow) FlattenStage(upstream, tolerance, matrix, adopt);
  if (stage == nullptr) {
    if (adopt) PathStage::Release(&upstream);
  } else if (!stage->Ready()) {
    stage->Release();  // releases the upstream reference it holds
    stage = nullptr;
  }
  return stage;
}

bool FlattenStage::Rewind() {
  const PathSegmentRecord* unread = nullptr;
  buffer_.Next(&unread, &left_);  // drops what an interrupted reading left
  group_ = nullptr;
  current_ = figureStart_ = PathPoint();
  left_ = 0;
  return upstream_->Rewind();
}

bool FlattenStage::Flatten(const PathSegmentRecord& record) {
  buffer_.SetFigure(record.figure, 0, false);
  const FlatnessScope flatness(tolerance_);
  switch (record.kind) {
    case keRecordQuadratic:
      return FlattenQuadratic(buffer_, current_, record.a, record.end, matrixInUse_, tolerance_, 0);
    case keRecordCubic:
      return FlattenCubic(buffer_, current_, record.a, record.b, record.end, matrixInUse_, tolerance_, 0);
    default:
      break;
  }
  double startAngle = 0, sweep = 0;
  Matrix3 unitToPath;
  if (std::fabs(record.a.x * record.a.y) >= kEpsilon &&
      EndpointArcToCentre(&startAngle, &sweep, &unitToPath, current_, record.end, record.a, record.b.x,
                          record.largeArc, record.sweep)) {
    return FlattenArc(buffer_, startAngle, sweep, unitToPath, matrixInUse_, tolerance_ * 0.5, 0);
  }
  return buffer_.LineTo(record.end, matrixInUse_);
}

bool FlattenStage::Next(const PathSegmentRecord** records, int* count) {
  for (;;) {
    if (buffer_.Next(records, count)) return true;
    if (left_ <= 0 && (!upstream_->Next(&group_, &left_) || left_ <= 0)) {
      left_ = 0;
      return EndOfStage(records, count);
    }
    const PathSegmentRecord& record = *group_++;
    --left_;
    switch (record.kind) {
      case keRecordMove:
        figureStart_ = record.end;
        [[fallthrough]];
      case keRecordLine:
        current_ = record.end;
        *records = &record;
        *count = 1;
        return true;
      case keRecordQuadratic:
      case keRecordCubic:
      case keRecordArc:
        // A full buffer cuts the curve short; what was written still goes out.
        Flatten(record);
        current_ = record.end;
        break;
      default:
        if (record.kind == keRecordClose) current_ = figureStart_;
        *records = &record;
        *count = 1;
        return true;
    }
  }
}

bool DashPatternIsValid(const PenStyle& pen) {
  if (pen.Dashes() == nullptr || pen.DashCount() < 1 || !std::isfinite(pen.DashOffset())) return false;
  double total = 0;
  for (int i = 0; i < pen.DashCount(); ++i) {
    const double length = pen.Dashes()[i];
    if (!std::isfinite(length) || length < 0) return false;
    total += length;
  }
  return total > kEpsilon && std::isfinite(total);
}

DashStage::DashStage(PathStage& upstream, const PenStyle& pen, bool adopt) : upstream_(&upstream), pen_(pen) {
  if (!adopt) PathStage::AddRef(upstream_);
  Rewind();
}

DashStage::~DashStage() { PathStage::Release(upstream_); }

DashStage* CreateDashStage(PathStage& upstream, const PenStyle& pen, bool adopt) {
  DashStage* stage = DashPatternIsValid(pen) ? new (std::nothrow) DashStage(upstream, pen, adopt) : nullptr;
  if (stage == nullptr && adopt) PathStage::Release(&upstream);
  return stage;
}

bool DashStage::Rewind() {
  current_ = figureStart_ = PathPoint();
  group_ = nullptr;
  index_ = groupCount_ = 0;
  penDown_ = movePending_ = false;
  previousFigure_ = -1;
  pieces_ = 0;
  return upstream_->Rewind();
}

void DashStage::StepEntry() {
  entry_ = entry_ + 1 < pen_.DashCount() ? entry_ + 1 : 0;
  left_ = pen_.Dashes()[entry_];
}

void DashStage::ResetPhase() {
  penDown_ = true;
  movePending_ = false;
  entry_ = 0;
  left_ = pen_.Dashes()[0];
  double total = 0;
  for (int i = 0; i < pen_.DashCount(); ++i) total += pen_.Dashes()[i];
  double phase = std::fmod(pen_.DashOffset(), total);
  if (phase < 0) phase += total;
  if (!(phase > 0)) return;
  // Bounded by the entry count: phase stays below the total.
  for (int i = 0; i <= pen_.DashCount(); ++i) {
    if (phase <= pen_.Dashes()[entry_]) {
      left_ = pen_.Dashes()[entry_] - phase;
      return;
    }
    phase -= pen_.Dashes()[entry_];
    StepEntry();
    penDown_ = !penDown_;
  }
}

void DashStage::HandOutLine(const PathPoint& end, const PathSegmentRecord** records, int* count) {
  out_ = PathSegmentRecord();
  out_.kind = keRecordLine;
  out_.figure = figure_;
  out_.end = end;
  *records = &out_;
  *count = 1;
}

bool DashStage::Next(const PathSegmentRecord** records, int* count) {
  *records = nullptr;
  *count = 0;
  while (!(penDown_ && movePending_)) {
    if (index_ >= groupCount_) {
      index_ = 0;
      if (!upstream_->Next(&group_, &groupCount_)) {
        groupCount_ = 0;
        return EndOfStage(records, count);
      }
      continue;
    }
    const PathSegmentRecord& record = group_[index_];
    figure_ = record.figure;
    if (figure_ != previousFigure_) {
      ResetPhase();
      previousFigure_ = figure_;
    }
    if (record.kind == keRecordMove) {
      figureStart_ = current_ = record.end;
      ++index_;
      out_ = record;
      *records = &out_;
      *count = 1;
      return true;
    }
    const PathPoint target = record.kind == keRecordClose ? figureStart_ : record.end;
    const double length = std::hypot(target.x - current_.x, target.y - current_.y);
    bool handedOut = false;
    // A length that is not a number can never be walked: the record is taken whole.
    if (!std::isfinite(length) || length <= left_) {
      if (penDown_) {
        HandOutLine(target, records, count);
        handedOut = true;
      }
      ++index_;
      if (std::isfinite(length)) left_ -= length;
      current_ = target;
    } else {
      const double f = left_ / length;
      current_ = {current_.x + (target.x - current_.x) * f, current_.y + (target.y - current_.y) * f};
      if (penDown_) {
        HandOutLine(current_, records, count);
        handedOut = true;
      }
      left_ = 0;
    }
    if (std::fabs(left_) < kEpsilon) {
      if (++pieces_ > kMaxDashPieces) return EndOfStage(records, count);
      penDown_ = !penDown_;
      movePending_ = penDown_;
      StepEntry();
    }
    if (handedOut) return true;
  }
  out_ = PathSegmentRecord();
  out_.kind = keRecordMove;
  out_.figure = figure_;
  out_.end = current_;
  movePending_ = false;
  *records = &out_;
  *count = 1;
  return true;
}

}  // namespace corvel
