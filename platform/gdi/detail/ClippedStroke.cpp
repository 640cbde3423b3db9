#include "platform/gdi/detail/ClippedStroke.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace platform::gdi {

namespace {

// Segments made and runs walked for one path: far more than a surface shows, yet few enough
// that Cairo strokes them in moments. A bound on the work, not on any sane picture.
constexpr long kMaxWork = 1L << 16;
// Past the pen's half width, so that no cut end's cap can show.
constexpr double kMargin = 2;
// Cairo's own flattening tolerance, in pixels.
constexpr double kTolerance = 0.1;
constexpr int kMaxHalvings = 32;

struct Point {
  double x, y;
};

struct Segment {
  Point from, to;
  double length;
  bool hidden;  // a piece of a curve wholly outside the box, kept for its length
};

Segment Line(Point from, Point to) { return {from, to, std::hypot(to.x - from.x, to.y - from.y), false}; }

double DistanceToSegment(Point p, Point a, Point b) {
  const double dx = b.x - a.x, dy = b.y - a.y, squared = dx * dx + dy * dy;
  const double t = squared > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / squared, 0.0, 1.0) : 0;
  return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

double DistanceToLine(Point p, Point a, Point b) {
  const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
  if (length == 0) return std::hypot(p.x - a.x, p.y - a.y);
  return std::fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / length;
}

// The part of a segment within the box, as fractions of it; false when none.
bool ClipSegment(const Segment& s, const StrokeBox& box, double& t0, double& t1) {
  t0 = 0;
  t1 = 1;
  // Each side keeps the points where p * t <= q.
  auto side = [&](double p, double q) {
    if (p == 0) return q >= 0;
    const double t = q / p;
    if (p < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
    return true;
  };
  const double dx = s.to.x - s.from.x, dy = s.to.y - s.from.y;
  return side(-dx, s.from.x - box.left) && side(dx, box.right - s.from.x) && side(-dy, s.from.y - box.top) &&
         side(dy, box.bottom - s.from.y);
}

class ClippedPath {
 public:
  ClippedPath(cairo_t* cr, const StrokeBox& surface, double width, const std::vector<double>& dashes)
      : cr_(cr),
        surface_(surface),
        box_(StrokeReach(surface, width)),
        halfWidth_(width / 2),
        dashes_(dashes) {
    for (double run : dashes_) period_ += run;
    const double across = std::hypot(surface.right - surface.left, surface.bottom - surface.top);
    mayCover_ = dashes_.empty() && width >= across;
  }

  bool Add(const cairo_path_t& path) {
    std::vector<Segment> figure;
    Point start{0, 0}, at{0, 0};
    auto point = [&](int i) { return Point{path.data[i].point.x, path.data[i].point.y}; };
    for (int i = 0; i < path.num_data && work_ < kMaxWork && !covered_; i += path.data[i].header.length) {
      switch (path.data[i].header.type) {
        case CAIRO_PATH_MOVE_TO:
          Write(figure, false);
          figure.clear();
          start = at = point(i + 1);
          break;
        case CAIRO_PATH_LINE_TO:
          Keep(Line(at, point(i + 1)), figure);
          at = point(i + 1);
          break;
        case CAIRO_PATH_CURVE_TO:
          Flatten({at, point(i + 1), point(i + 2), point(i + 3)}, 0, figure);
          at = point(i + 3);
          break;
        case CAIRO_PATH_CLOSE_PATH:
          Keep(Line(at, start), figure);
          Write(figure, true);
          figure.clear();
          at = start;
          break;
      }
    }
    Write(figure, false);
    if (covered_) cairo_new_path(cr_);
    return covered_;
  }

 private:
  // A cubic curve as segments; the parts whose control points all lie outside the box are
  // not flattened but stand as one hidden segment of about their length.
  void Flatten(const Point (&c)[4], int halvings, std::vector<Segment>& out) {
    if (work_ >= kMaxWork || covered_) return;
    const double left = std::min({c[0].x, c[1].x, c[2].x, c[3].x});
    const double right = std::max({c[0].x, c[1].x, c[2].x, c[3].x});
    const double top = std::min({c[0].y, c[1].y, c[2].y, c[3].y});
    const double bottom = std::max({c[0].y, c[1].y, c[2].y, c[3].y});
    if (right < box_.left || left > box_.right || bottom < box_.top || top > box_.bottom) {
      const double chord = std::hypot(c[3].x - c[0].x, c[3].y - c[0].y);
      const double hull = std::hypot(c[1].x - c[0].x, c[1].y - c[0].y) +
                          std::hypot(c[2].x - c[1].x, c[2].y - c[1].y) +
                          std::hypot(c[3].x - c[2].x, c[3].y - c[2].y);
      Keep({c[0], c[3], (chord + hull) / 2, true}, out);
      return;
    }
    if (halvings == kMaxHalvings ||
        std::max(DistanceToLine(c[1], c[0], c[3]), DistanceToLine(c[2], c[0], c[3])) <= kTolerance) {
      Keep(Line(c[0], c[3]), out);
      return;
    }
    auto mid = [](Point a, Point b) { return Point{(a.x + b.x) / 2, (a.y + b.y) / 2}; };
    const Point ab = mid(c[0], c[1]), bc = mid(c[1], c[2]), cd = mid(c[2], c[3]);
    const Point abc = mid(ab, bc), bcd = mid(bc, cd), middle = mid(abc, bcd);
    Flatten({c[0], ab, abc, middle}, halvings + 1, out);
    Flatten({middle, bcd, cd, c[3]}, halvings + 1, out);
  }

  void Write(const std::vector<Segment>& figure, bool closed) {
    const std::size_t n = figure.size();
    if (n == 0 || covered_) return;
    struct Visible {
      bool any;
      double t0, t1, before;  // `before`: the figure's length up to the segment
    };
    std::vector<Visible> parts(n);
    std::size_t first = 0;
    bool cut = false;
    double before = 0;
    for (std::size_t i = 0; i < n; ++i) {
      Visible& v = parts[i];
      v.any = !figure[i].hidden && ClipSegment(figure[i], box_, v.t0, v.t1);
      v.before = before;
      before += figure[i].length;
      if (!cut && (!v.any || v.t1 < 1)) {
        cut = true;
        first = i + 1;
      }
    }
    joined_ = false;
    if (closed && !cut && dashes_.empty()) {
      for (const Segment& s : figure) Piece(s, 0, s.length);
      cairo_close_path(cr_);
      return;
    }
    // A closed figure starts after a cut, so that the join where it closes is kept.
    if (!closed) first = 0;
    for (std::size_t k = 0; k < n && work_ < kMaxWork; ++k) {
      const std::size_t i = (first + k) % n;
      const Segment& s = figure[i];
      const Visible& v = parts[i];
      if (!v.any || v.t0 > 0) joined_ = false;
      if (!v.any) continue;
      if (dashes_.empty()) {
        Piece(s, v.t0 * s.length, v.t1 * s.length);
      } else {
        Dashes(s, v.before, v.t0 * s.length, v.t1 * s.length);
      }
      if (v.t1 < 1) joined_ = false;
    }
  }

  void Keep(const Segment& s, std::vector<Segment>& figure) {
    figure.push_back(s);
    ++work_;
    if (mayCover_ && !s.hidden && Covers(s)) covered_ = true;
  }

  // Does the segment's stroke, round ends and all, hold every corner of the surface (and so all
  // of it)?
  bool Covers(const Segment& s) const {
    for (Point corner : {Point{surface_.left, surface_.top}, Point{surface_.right, surface_.top},
                         Point{surface_.left, surface_.bottom}, Point{surface_.right, surface_.bottom}}) {
      if (DistanceToSegment(corner, s.from, s.to) > halfWidth_) return false;
    }
    return true;
  }

  // The on runs over [from, to] of a segment, the pattern's phase taken from the figure's start.
  void Dashes(const Segment& s, double before, double from, double to) {
    double phase = std::fmod(before + from, period_);
    std::size_t run = 0;
    while (run + 1 < dashes_.size() && phase >= dashes_[run]) phase -= dashes_[run++];
    double left = dashes_[run] - phase;
    for (double at = from; at < to && work_ < kMaxWork; ++work_) {
      const double end = std::min(to, at + left);
      if (run % 2 == 0)
        Piece(s, at, end);
      else
        joined_ = false;
      left -= end - at;
      at = end;
      if (left <= 0) {
        run = (run + 1) % dashes_.size();
        left = dashes_[run];
      }
    }
  }

  // The stretch [from, to] of a segment (lengths along it), continuing the last piece when
  // that ended where this one starts.
  void Piece(const Segment& s, double from, double to) {
    const double ux = s.length > 0 ? (s.to.x - s.from.x) / s.length : 0;
    const double uy = s.length > 0 ? (s.to.y - s.from.y) / s.length : 0;
    if (!joined_) cairo_move_to(cr_, s.from.x + ux * from, s.from.y + uy * from);
    cairo_line_to(cr_, s.from.x + ux * to, s.from.y + uy * to);
    joined_ = true;
  }

  cairo_t* cr_;
  const StrokeBox surface_, box_;
  const double halfWidth_;
  const std::vector<double>& dashes_;
  double period_ = 0;
  long work_ = 0;
  bool joined_ = false;
  bool mayCover_ = false, covered_ = false;
};

}  // namespace

StrokeBox StrokeReach(const StrokeBox& surface, double width) {
  const double reach = width / 2 + kMargin;
  return {surface.left - reach, surface.top - reach, surface.right + reach, surface.bottom + reach};
}

bool SetClippedPath(cairo_t* cr, const cairo_path_t& path, const StrokeBox& surface, double width,
                    const std::vector<double>& dashes) {
  cairo_new_path(cr);
  return ClippedPath(cr, surface, width, dashes).Add(path);
}

}  // namespace platform::gdi
