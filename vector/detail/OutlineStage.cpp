#include "vector/detail/OutlineStage.h"

#include <cmath>
#include <iterator>

#include "vector/detail/CurveGeometry.h"

namespace corvel {
namespace {

constexpr double kEpsilon = 1e-8;
// The largest join or cap writes 12 records.
constexpr int kOutlineCapacity = 20;

double Length(const PathPoint& a) { return std::hypot(a.x, a.y); }

// Gives the joint P of two cubic curves a straight, symmetric tangent through its neighbouring
// control points a (before) and b (after).
void SmoothJoint(const PathPoint& p, PathPoint* a, PathPoint* b) {
  *a = Add(p, Mul(Sub(*a, p), 0.25));
  *b = Add(p, Mul(Sub(*b, p), 0.25));
  const PathPoint d = Sub(*a, *b);
  const double l = Length(d);
  const double la = Length(Sub(*a, p)), lb = Length(Sub(*b, p));
  if (l >= 1e-5) {
    *a = Add(p, Mul(d, la / l));
    *b = Sub(p, Mul(d, lb / l));
  }
  const double mean = (la + lb) * 0.5;
  if (la >= 1e-5) *a = Add(p, Mul(Sub(*a, p), mean / la));
  if (lb >= 1e-5) *b = Add(p, Mul(Sub(*b, p), mean / lb));
}

}  // namespace

bool OutlineStage::Init() { return buffer_.Reserve(kOutlineCapacity); }

void OutlineStage::Start(const PathPoint* points, int count, int figure, bool closed, const PenStyle& pen,
                         double halfWidth, int startCap, int endCap) {
  points_ = points;
  count_ = count;
  closed_ = closed;
  pen_ = &pen;
  w_ = halfWidth;
  startCap_ = startCap;
  endCap_ = endCap;
  buffer_.SetFigure(figure, figure + 1, closed);
  Rewind();
}

bool OutlineStage::Rewind() {
  const PathSegmentRecord* unread = nullptr;
  int count = 0;
  buffer_.Next(&unread, &count);
  direction_ = 1;
  vertex_ = 0;
  moveNext_ = true;
  haveLoopStart_ = false;
  done_ = pen_ == nullptr || count_ < (closed_ ? 3 : 2);
  return true;
}

bool OutlineStage::Next(const PathSegmentRecord** records, int* count) {
  while (!buffer_.Next(records, count)) {
    if (!Step()) return false;
  }
  return true;
}

PathPoint OutlineStage::Vertex(int index) const {
  if (index < 0) index += count_;
  if (index >= count_) index -= count_;
  return points_[index];
}

void OutlineStage::Point(const PathPoint& point) {
  if (moveNext_) {
    buffer_.MoveTo(point, nullptr);
    moveNext_ = false;
    if (!haveLoopStart_) loopStart_ = point;
    haveLoopStart_ = true;
  } else {
    buffer_.LineTo(point, nullptr);
  }
}

bool OutlineStage::Step() {
  if (done_) return false;
  const int last = count_ - 1;
  if (direction_ > 0) {
    if (closed_) {
      if (vertex_ <= last) {
        Join(vertex_++, 1);
        return true;
      }
      if (haveLoopStart_) buffer_.LineTo(loopStart_, nullptr);
      haveLoopStart_ = false;
      moveNext_ = true;
    } else if (vertex_ < last) {
      if (vertex_ == 0) {
        Cap(0, startCap_);
      } else {
        Join(vertex_, 1);
      }
      ++vertex_;
      return true;
    } else {
      Cap(last, endCap_);
    }
    direction_ = -1;
    vertex_ = closed_ ? last : last - 1;
    return true;
  }
  if (vertex_ >= (closed_ ? 0 : 1)) {
    Join(vertex_--, -1);
    return true;
  }
  if (!moveNext_) buffer_.Close(nullptr);
  done_ = true;
  return true;
}

void OutlineStage::Join(int vertex, int direction) {
  const PathPoint v = points_[vertex], p = Vertex(vertex - direction), n = Vertex(vertex + direction);
  PathPoint u1, u2;
  if (!SegmentDirection(&u1, 1, p, v) || !SegmentDirection(&u2, 1, n, v)) return;
  const PathPoint n1 = {-u1.y, u1.x}, n2 = {-u2.y, u2.x};
  const PathPoint first = Sub(v, Mul(n1, w_));
  if (pen_->join == keJoinRound) {
    const PathPoint second = Sub(v, Mul({u2.y, -u2.x}, w_));  // V minus the left normal of V -> N
    const double cross = (first.x - v.x) * (second.y - v.y) - (first.y - v.y) * (second.x - v.x);
    Point(first);
    buffer_.ArcTo({w_, w_}, 0, 0, cross > 0 ? 1 : 0, second, nullptr);
    return;
  }
  if (pen_->join == keJoinMiter) {
    const double turn = u2.y * u1.x - u2.x * u1.y;
    const double side = turn > 0 ? 1 : (turn < 0 ? -1 : 0);
    const double h = Length(Sub(u1, u2)) / 2;
    const double limit = side <= 0 ? pen_->miterLimit * w_ : 0.01 * w_;
    const double d = h < kEpsilon ? 2 * limit : w_ / h;
    PathPoint tip;
    if (d <= limit && ScaleToLength(&tip, -d * side, Add(u1, u2))) {
      Point(Add(v, tip));
      return;
    }
  }
  Point(first);
  Point(Add(v, Mul(n2, w_)));
}

// A cap drawn in its own frame: x along the path out of its end, y across it (the outline
// arrives at (0, -w)). Lengths come from the pen's half-width w and the cap record's length and
// width factors.
struct OutlineStage::CapFrame {
  OutlineStage& stage;
  PathPoint e, d, n;
  double w, fl, fw, bigL, bigH;

  PathPoint At(double x, double y) const { return {e.x + x * d.x + y * n.x, e.y + x * d.y + y * n.y}; }
  void Line(double x, double y) { stage.Point(At(x, y)); }
  void Line(const PathPoint& p) { Line(p.x, p.y); }
  void Cubic(PathPoint c1, PathPoint c2, PathPoint to) {
    stage.buffer_.CurveTo3(At(c1.x, c1.y), At(c2.x, c2.y), At(to.x, to.y), nullptr);
  }
  void Arc(double radius, double x, double y) {
    stage.buffer_.ArcTo({radius, radius}, 0, 0, 1, At(x, y), nullptr);
  }
  // Cubic curves through local points, controls at the thirds of each chord, smoothed at every
  // inner joint.
  void Chain(const PathPoint* pts, int count) {
    PathPoint c[12][2];
    for (int i = 0; i + 1 < count; ++i) {
      const PathPoint step = Sub(pts[i + 1], pts[i]);
      c[i][0] = Add(pts[i], Mul(step, 1.0 / 3));
      c[i][1] = Add(pts[i], Mul(step, 2.0 / 3));
    }
    for (int i = 1; i + 1 < count; ++i) SmoothJoint(pts[i], &c[i - 1][1], &c[i][0]);
    for (int i = 0; i + 1 < count; ++i) Cubic(c[i][0], c[i][1], pts[i + 1]);
  }
  bool Plain() const { return std::fabs(fl - 1) < kEpsilon && std::fabs(fw - 1) < kEpsilon; }

  // Each shape by cap kind; true when the outline still has to cross to (0, w).
  static bool Butt(CapFrame&) { return true; }
  static bool Square(CapFrame& f) {
    if (f.Plain()) {
      f.Line(f.w, -f.w);
      f.Line(f.w, f.w);
      return true;
    }
    f.Line(0, -f.w * f.fw);
    f.Line(f.w * f.fl, -f.w * f.fw);
    f.Line(f.w * f.fl, f.w * f.fw);
    f.Line(0, f.w * f.fw);
    return true;
  }
  static bool Round(CapFrame& f) {
    if (f.Plain()) {
      f.Arc(f.w, 0, f.w);
      return false;
    }
    f.Line(0, -f.w * f.fw);
    f.Arc(f.w * f.fw, 0, f.w * f.fw);
    return true;
  }
  static bool Triangle(CapFrame& f) {
    f.Line(0, -f.bigH);
    f.Line(f.bigL, 0);
    f.Line(0, f.bigH);
    return true;
  }
  static bool BarbedArrow(CapFrame& f) {
    const double mx = -0.25 * f.bigL;
    f.Line(mx, -0.75 * f.bigH);
    f.Line(mx, -f.bigH);
    f.Line(f.bigL, 0);
    f.Line(mx, f.bigH);
    f.Line(mx, 0.75 * f.bigH);
    return true;
  }
  static bool CurvedPoint(CapFrame& f) {
    f.Line(0, -0.75 * f.bigH);
    f.Cubic({0, -0.75 * f.bigH}, {0.5 * f.bigL, 0}, {f.bigL, 0});
    f.Cubic({f.bigL, 0}, {0.5 * f.bigL, 0}, {0, 0.75 * f.bigH});
    return true;
  }
  static bool ShoulderedPoint(CapFrame& f) {
    const double mx = 0.25 * f.bigL;
    f.Line(0, -0.75 * f.bigH);
    f.Line(mx, -0.75 * f.bigH);
    f.Line(mx, -0.75 * f.bigH);
    f.Line(f.bigL, 0);
    f.Line(mx, 0.75 * f.bigH);
    f.Line(mx, 0.75 * f.bigH);
    f.Line(0, 0.75 * f.bigH);
    return true;
  }
  // A rounded bulb on a short neck.
  static bool Bulb(CapFrame& f) {
    const double l = f.bigL, h = f.bigH;
    f.Line(0, -0.25 * h);
    f.Line(0.25 * l, -0.25 * h);
    const PathPoint bulb[] = {{0.25 * l, -0.25 * h}, {0.5 * l, -0.75 * h}, {l, -0.5 * h},       {1.25 * l, 0},
                              {l, 0.5 * h},          {0.5 * l, 0.75 * h},  {0.25 * l, 0.25 * h}};
    f.Chain(bulb, 7);
    return true;
  }
  static bool Lens(CapFrame& f) {
    const double m1 = 0.25 * f.bigL, m2 = 0.75 * f.bigL;
    f.Line(0, -0.25 * f.bigH);
    f.Cubic({m1, -0.5 * f.bigH}, {m2, -0.5 * f.bigH}, {f.bigL, 0});
    f.Cubic({m2, 0.5 * f.bigH}, {m1, 0.5 * f.bigH}, {0, 0.25 * f.bigH});
    return true;
  }
  static bool NarrowTriangle(CapFrame& f) {
    f.Line(0, -0.75 * f.w * f.fw);
    f.Line(f.bigL, 0);
    f.Line(0, 0.75 * f.w * f.fw);
    return true;
  }
  static bool Trident(CapFrame& f) {
    const double l = f.bigL, h = f.bigH, m1 = 0.25 * l, m2 = 0.75 * l, m3 = l;
    const PathPoint p[12] = {
        {},           {0, -h},        {m1, -h},       {m1, -0.25 * h}, {m3, -0.75 * h}, {m2, -0.25 * h},
        {1.5 * l, 0}, {m2, 0.25 * h}, {m3, 0.75 * h}, {m1, 0.25 * h},  {m1, h},         {0, h}};
    f.Line(p[1]);
    f.Cubic(p[2], p[3], p[3]);
    for (int i = 4; i <= 9; ++i) f.Line(p[i]);
    f.Cubic(p[9], p[10], p[11]);
    return true;
  }
  // A forked head, in straight lines or (smoothed) in curves through the same points.
  static bool ForkedPoints(CapFrame& f, bool smooth) {
    const double l = f.bigL, h = f.bigH, m1 = 0.5 * l, m2 = 0.75 * l;
    const PathPoint p[7] = {{0, -0.5 * f.w * f.fw}, {m2, -0.75 * h}, {m1, -0.25 * h},      {1.25 * l, 0},
                            {m1, 0.25 * h},         {m2, 0.75 * h},  {0, 0.5 * f.w * f.fw}};
    f.Line(p[0]);
    if (smooth) {
      f.Chain(p, 7);
    } else {
      for (int i = 1; i < 7; ++i) f.Line(p[i]);
    }
    return true;
  }
  static bool Forked(CapFrame& f) { return ForkedPoints(f, false); }
  static bool SmoothForked(CapFrame& f) { return ForkedPoints(f, true); }
  static bool LongRound(CapFrame& f) {
    f.Arc(f.w * f.fl, 0, f.w);
    return false;
  }
  static bool Kite(CapFrame& f) {
    const double mx = 0.5 * f.bigL;
    f.Line(mx, -f.bigH);
    f.Line(f.bigL, 0);
    f.Line(mx, f.bigH);
    return true;
  }
};

void OutlineStage::Cap(int end, int capIndex) {
  using Shape = bool (*)(CapFrame&);
  // By cap kind; kinds past the table end as butt caps do.
  static constexpr Shape kShapes[] = {CapFrame::Butt,
                                      CapFrame::Square,
                                      CapFrame::Round,
                                      CapFrame::Triangle,
                                      CapFrame::BarbedArrow,
                                      CapFrame::CurvedPoint,
                                      CapFrame::ShoulderedPoint,
                                      CapFrame::Bulb,
                                      CapFrame::Lens,
                                      CapFrame::NarrowTriangle,
                                      CapFrame::Trident,
                                      CapFrame::Forked,
                                      CapFrame::LongRound,
                                      CapFrame::SmoothForked,
                                      CapFrame::Kite};
  const PathPoint e = points_[end], q = points_[end == 0 ? 1 : end - 1];
  PathPoint d;
  if (!SegmentDirection(&d, 1, q, e)) {
    Point(e);
    return;
  }
  const PenCap& cap = pen_->caps[capIndex];
  CapFrame frame{
      *this, e, d, {-d.y, d.x}, w_, cap.length, cap.width, 2 * w_ * cap.length, 2 * w_ * cap.width};
  frame.Line(0, -w_);
  const bool known = cap.kind >= 0 && cap.kind < static_cast<int>(std::size(kShapes));
  if (!known || kShapes[cap.kind](frame)) frame.Line(0, w_);
}

}  // namespace corvel
