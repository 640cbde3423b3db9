#include "vector/detail/OutlineStage.h"

#include <cmath>

#include "vector/detail/CurveGeometry.h"

namespace corvel {
namespace {

constexpr double kEpsilon = 1e-8;
// The largest join or cap writes 12 records.
constexpr int kOutlineCapacity = 20;

PathPoint Add(const PathPoint& a, const PathPoint& b) { return {a.x + b.x, a.y + b.y}; }
PathPoint Sub(const PathPoint& a, const PathPoint& b) { return {a.x - b.x, a.y - b.y}; }
PathPoint Mul(const PathPoint& a, double f) { return {a.x * f, a.y * f}; }
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

void OutlineStage::Cap(int end, int capIndex) {
  const PathPoint e = points_[end], q = points_[end == 0 ? 1 : end - 1];
  PathPoint d;
  if (!SegmentDirection(&d, 1, q, e)) {
    Point(e);
    return;
  }
  const PathPoint n = {-d.y, d.x};
  const PenCap& cap = pen_->caps[capIndex];
  const double w = w_, fl = cap.length, fw = cap.width, bigL = 2 * w * fl, bigH = 2 * w * fw;
  auto at = [&](double x, double y) { return PathPoint{e.x + x * d.x + y * n.x, e.y + x * d.y + y * n.y}; };
  auto line = [&](double x, double y) { Point(at(x, y)); };
  auto cubic = [&](PathPoint c1, PathPoint c2, PathPoint to) {
    buffer_.CurveTo3(at(c1.x, c1.y), at(c2.x, c2.y), at(to.x, to.y), nullptr);
  };
  auto arc = [&](double radius, double x, double y) {
    buffer_.ArcTo({radius, radius}, 0, 0, 1, at(x, y), nullptr);
  };
  // Cubic curves through local points, controls at the thirds of each chord, smoothed at every
  // inner joint.
  auto chain = [&](const PathPoint* pts, int count) {
    PathPoint c[12][2];
    for (int i = 0; i + 1 < count; ++i) {
      const PathPoint step = Sub(pts[i + 1], pts[i]);
      c[i][0] = Add(pts[i], Mul(step, 1.0 / 3));
      c[i][1] = Add(pts[i], Mul(step, 2.0 / 3));
    }
    for (int i = 1; i + 1 < count; ++i) SmoothJoint(pts[i], &c[i - 1][1], &c[i][0]);
    for (int i = 0; i + 1 < count; ++i) cubic(c[i][0], c[i][1], pts[i + 1]);
  };
  const bool plain = std::fabs(fl - 1) < kEpsilon && std::fabs(fw - 1) < kEpsilon;
  line(0, -w);
  switch (cap.kind) {
    case 1:
      if (plain) {
        line(w, -w);
        line(w, w);
      } else {
        line(0, -w * fw);
        line(w * fl, -w * fw);
        line(w * fl, w * fw);
        line(0, w * fw);
      }
      break;
    case 2:
      if (plain) {
        arc(w, 0, w);
        return;
      }
      line(0, -w * fw);
      arc(w * fw, 0, w * fw);
      break;
    case 3:
      line(0, -bigH);
      line(bigL, 0);
      line(0, bigH);
      break;
    case 4: {
      const double mx = -0.25 * bigL;
      line(mx, -0.75 * bigH);
      line(mx, -bigH);
      line(bigL, 0);
      line(mx, bigH);
      line(mx, 0.75 * bigH);
      break;
    }
    case 5:
      line(0, -0.75 * bigH);
      cubic({0, -0.75 * bigH}, {0.5 * bigL, 0}, {bigL, 0});
      cubic({bigL, 0}, {0.5 * bigL, 0}, {0, 0.75 * bigH});
      break;
    case 6: {
      const double mx = 0.25 * bigL;
      line(0, -0.75 * bigH);
      line(mx, -0.75 * bigH);
      line(mx, -0.75 * bigH);
      line(bigL, 0);
      line(mx, 0.75 * bigH);
      line(mx, 0.75 * bigH);
      line(0, 0.75 * bigH);
      break;
    }
    case 7: {
      // A rounded bulb on a short neck.
      line(0, -0.25 * bigH);
      line(0.25 * bigL, -0.25 * bigH);
      const PathPoint bulb[] = {{0.25 * bigL, -0.25 * bigH}, {0.5 * bigL, -0.75 * bigH},
                                {bigL, -0.5 * bigH},         {1.25 * bigL, 0},
                                {bigL, 0.5 * bigH},          {0.5 * bigL, 0.75 * bigH},
                                {0.25 * bigL, 0.25 * bigH}};
      chain(bulb, 7);
      break;
    }
    case 8: {
      const double m1 = 0.25 * bigL, m2 = 0.75 * bigL;
      line(0, -0.25 * bigH);
      cubic({m1, -0.5 * bigH}, {m2, -0.5 * bigH}, {bigL, 0});
      cubic({m2, 0.5 * bigH}, {m1, 0.5 * bigH}, {0, 0.25 * bigH});
      break;
    }
    case 9:
      line(0, -0.75 * w * fw);
      line(bigL, 0);
      line(0, 0.75 * w * fw);
      break;
    case 10: {
      const double m1 = 0.25 * bigL, m2 = 0.75 * bigL, m3 = bigL;
      const PathPoint p[12] = {{},
                               {0, -bigH},
                               {m1, -bigH},
                               {m1, -0.25 * bigH},
                               {m3, -0.75 * bigH},
                               {m2, -0.25 * bigH},
                               {1.5 * bigL, 0},
                               {m2, 0.25 * bigH},
                               {m3, 0.75 * bigH},
                               {m1, 0.25 * bigH},
                               {m1, bigH},
                               {0, bigH}};
      line(p[1].x, p[1].y);
      cubic(p[2], p[3], p[3]);
      for (int i = 4; i <= 9; ++i) line(p[i].x, p[i].y);
      cubic(p[9], p[10], p[11]);
      break;
    }
    case 11:
    case 13: {
      const double m1 = 0.5 * bigL, m2 = 0.75 * bigL;
      const PathPoint p[7] = {{0, -0.5 * w * fw}, {m2, -0.75 * bigH}, {m1, -0.25 * bigH}, {1.25 * bigL, 0},
                              {m1, 0.25 * bigH},  {m2, 0.75 * bigH},  {0, 0.5 * w * fw}};
      line(p[0].x, p[0].y);
      if (cap.kind == 13) {
        chain(p, 7);
      } else {
        for (int i = 1; i < 7; ++i) line(p[i].x, p[i].y);
      }
      break;
    }
    case 12:
      arc(w * fl, 0, w);
      return;
    case 14: {
      const double mx = 0.5 * bigL;
      line(mx, -bigH);
      line(bigL, 0);
      line(mx, bigH);
      break;
    }
    default:
      break;
  }
  line(0, w);
}

}  // namespace corvel
