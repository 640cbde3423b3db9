// A fixed-capacity list of segment records written as a PathSink and read back as a PathStage:
// each Next hands out everything written so far and empties the buffer. It lives inside its
// owner and is not counted.
#pragma once
#include <memory>

#include "vector/PathSink.h"
#include "vector/PathTypes.h"

namespace corvel {

class SegmentBuffer : public PathSink, public PathStage, public FigureInfo {
 public:
  // Drops what was written; false (and no room) when the capacity is below 1 or memory runs out.
  bool Reserve(int capacity);

  // Each command appends one record; false when the buffer is full.
  bool MoveTo(const PathPoint& point, const Matrix3* matrix) override;
  bool LineTo(const PathPoint& point, const Matrix3* matrix) override;
  bool Close(const Matrix3* matrix) override;
  bool CurveTo2(const PathPoint& control, const PathPoint& end, const Matrix3* matrix) override;
  bool CurveTo3(const PathPoint& control1, const PathPoint& control2, const PathPoint& end,
                const Matrix3* matrix) override;
  bool ArcTo(const PathPoint& radii, double rotation, int largeArc, int sweep, const PathPoint& end,
             const Matrix3* matrix) override;
  bool AppendRecord(const PathSegmentRecord& record);

  bool Rewind() override { return true; }
  bool Next(const PathSegmentRecord** records, int* count) override;
  const FigureInfo* GetFigureInfo() const override { return this; }
  RefCounted* GetRefCounted() override { return nullptr; }

  int FigureCount() const override { return figureCount_; }
  // The current figure's flag, whichever figure is asked.
  bool IsFigureClosed(int) const override { return closed_; }

  void SetFigure(int index, int figureCount, bool closed) {
    figure_ = index;
    figureCount_ = figureCount;
    closed_ = closed;
  }
  int Size() const { return size_; }
  bool Reserved() const { return capacity_ > 0; }

 private:
  PathSegmentRecord* Add(PathRecordKind kind, const PathPoint& end);

  std::unique_ptr<PathSegmentRecord[]> records_;
  int capacity_ = 0;
  int size_ = 0;
  int figure_ = 0;
  int figureCount_ = 0;
  bool closed_ = false;
};

}  // namespace corvel
