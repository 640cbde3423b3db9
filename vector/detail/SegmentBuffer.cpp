#include "vector/detail/SegmentBuffer.h"

#include <new>

namespace corvel {

bool SegmentBuffer::Reserve(int capacity) {
  records_.reset();
  capacity_ = 0;
  size_ = 0;
  if (capacity < 1) return false;
  records_.reset(new (std::nothrow) PathSegmentRecord[static_cast<std::size_t>(capacity)]);
  if (!records_) return false;
  capacity_ = capacity;
  return true;
}

PathSegmentRecord* SegmentBuffer::Add(PathRecordKind kind, const PathPoint& end) {
  if (size_ >= capacity_) return nullptr;
  PathSegmentRecord& record = records_[static_cast<std::size_t>(size_++)];
  record = PathSegmentRecord();
  record.kind = kind;
  record.figure = figure_;
  record.end = end;
  return &record;
}

bool SegmentBuffer::MoveTo(const PathPoint& point, const Matrix3*) {
  start_ = current_ = point;
  return Add(keRecordMove, point) != nullptr;
}

bool SegmentBuffer::LineTo(const PathPoint& point, const Matrix3*) {
  current_ = point;
  return Add(keRecordLine, point) != nullptr;
}

bool SegmentBuffer::Close(const Matrix3*) {
  current_ = start_;
  return Add(keRecordClose, PathPoint()) != nullptr;
}

bool SegmentBuffer::CurveTo2(const PathPoint& control, const PathPoint& end, const Matrix3*) {
  PathSegmentRecord* record = Add(keRecordQuadratic, end);
  if (record == nullptr) return false;
  record->a = control;
  current_ = end;
  return true;
}

bool SegmentBuffer::CurveTo3(const PathPoint& control1, const PathPoint& control2, const PathPoint& end,
                             const Matrix3*) {
  PathSegmentRecord* record = Add(keRecordCubic, end);
  if (record == nullptr) return false;
  record->a = control1;
  record->b = control2;
  current_ = end;
  return true;
}

bool SegmentBuffer::ArcTo(const PathPoint& radii, double rotation, int largeArc, int sweep,
                          const PathPoint& end, const Matrix3*) {
  PathSegmentRecord* record = Add(keRecordArc, end);
  if (record == nullptr) return false;
  record->a = radii;
  record->b.x = rotation;
  record->largeArc = largeArc;
  record->sweep = sweep;
  current_ = end;
  return true;
}

bool SegmentBuffer::AppendRecord(const PathSegmentRecord& record) {
  if (size_ >= capacity_) return false;
  records_[static_cast<std::size_t>(size_++)] = record;
  return true;
}

bool SegmentBuffer::Next(const PathSegmentRecord** records, int* count) {
  if (size_ == 0) return EndOfStage(records, count);
  *records = records_.get();
  *count = size_;
  size_ = 0;
  return true;
}

}  // namespace corvel
