// The first stage of every path chain: reads a VectorPath back as segment records, one record
// per group, a move opening every figure and a close ending every closed one.
#pragma once
#include "vector/PathTypes.h"
#include "vector/RefCounted.h"
#include "vector/VectorPath.h"

namespace corvel {

class PathReader : public RefCounted, public PathStage, public FigureInfo {
 public:
  // The path must outlive the reader, which holds no reference to it.
  explicit PathReader(const VectorPath& path);

  bool Rewind() override;
  bool Next(const PathSegmentRecord** records, int* count) override;
  const FigureInfo* GetFigureInfo() const override { return this; }
  RefCounted* GetRefCounted() override { return this; }
  // True when the path yields no record at all.
  bool IsEmpty() const { return empty_; }

  int FigureCount() const override { return path_.FigureCount(); }
  bool IsFigureClosed(int figure) const override;

 private:
  const VectorPath& path_;
  PathSegmentRecord record_;
  int figure_ = 0;
  int segment_ = 0;
  bool atStart_ = false;
  bool closePending_ = false;
  bool empty_ = true;
};

// Null when it cannot be allocated.
PathReader* CreatePathReader(const VectorPath& path);

}  // namespace corvel
