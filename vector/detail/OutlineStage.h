// The outline of one stroked polyline, joins and caps, written step by step into a segment
// buffer and handed on from there: one closed loop for an open polyline, two opposite loops for
// a closed one (the non-zero rule fills the ring between them). It lives inside its stroke stage.
#pragma once
#include "vector/PathTypes.h"
#include "vector/RenderSettings.h"
#include "vector/detail/SegmentBuffer.h"

namespace corvel {

class OutlineStage : public PathStage {
 public:
  // False when the buffer cannot be allocated.
  bool Init();
  // The points stay the caller's and must not change while the outline is read. halfWidth is
  // half the pen's width; the cap indexes pick the pen's cap records for the two ends.
  void Start(const PathPoint* points, int count, int figure, bool closed, const PenStyle& pen,
             double halfWidth, int startCap, int endCap);

  bool Rewind() override;
  bool Next(const PathSegmentRecord** records, int* count) override;
  const FigureInfo* GetFigureInfo() const override { return buffer_.GetFigureInfo(); }
  RefCounted* GetRefCounted() override { return nullptr; }

 private:
  struct CapFrame;
  bool Step();
  void Join(int vertex, int direction);
  void Cap(int end, int capIndex);
  void Point(const PathPoint& point);
  PathPoint Vertex(int index) const;

  const PathPoint* points_ = nullptr;
  int count_ = 0;
  bool closed_ = false;
  const PenStyle* pen_ = nullptr;
  double w_ = 0;
  int startCap_ = 0;
  int endCap_ = 0;
  int direction_ = 1;
  int vertex_ = 0;
  bool done_ = true;
  bool moveNext_ = true;
  bool haveLoopStart_ = false;
  PathPoint loopStart_;
  SegmentBuffer buffer_;
};

}  // namespace corvel
