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

struct Segment {
  DevicePoint from, to;
  double length;
  bool hidden;  // a piece of a curve wholly outside the box, kept for its length
};

Segment LineSegment(DevicePoint from, DevicePoint to) {
  return {from, to, std::hypot(to.x - from.x, to.y - from.y), false};
}

double DistanceToSegment(DevicePoint p, DevicePoint a, DevicePoint b) {
  const double dx = b.x - a.x, dy = b.y - a.y, squared = dx * dx + dy * dy;
  const double t = squared > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / squared, 0.0, 1.0) : 0;
  return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// The part of a segment within the box, as fractions of it; false when none.
bool ClipSegment(const Segment& s, const DeviceBox& box, double& t0, double& t1) {
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

class ClippedPath final : public DevicePathSink {
 public:
  ClippedPath(cairo_t* cr, const DeviceBox& surface, double width, const std::vector<double>& dashes)
      : cr_(cr),
        surface_(surface),
        box_(StrokeReach(surface, width)),
        halfWidth_(width / 2),
        dashes_(dashes) {
    for (double run : dashes_) period_ += run;
    const double across = std::hypot(surface.right - surface.left, surface.bottom - surface.top);
    mayCover_ = dashes_.empty() && width >= across;
  }

  bool Add(const DevicePath& path) {
    path.Walk(*this);
    Write(figure_, false);
    if (covered_) cairo_new_path(cr_);
    return covered_;
  }

  void Move(DevicePoint to) override {
    Write(figure_, false);
    figure_.clear();
    start_ = at_ = to;
  }
  void Line(DevicePoint to) override {
    Keep(LineSegment(at_, to), figure_);
    at_ = to;
  }
  void Curve(const Bend& bend) override {
    Flatten(bend, 0, figure_);
    at_ = bend.End();
  }
  void Close() override {
    Keep(LineSegment(at_, start_), figure_);
    Write(figure_, true);
    figure_.clear();
    at_ = start_;
  }

 private:
  // A bend as segments; the parts whose hulls lie outside the box are not flattened but stand
  // as one hidden segment of about their length.
  void Flatten(const Bend& bend, int halvings, std::vector<Segment>& out) {
    if (work_ >= kMaxWork || covered_) return;
    if (box_.Misses(bend.HullBox())) {
      Keep({bend.Start(), bend.End(), bend.Length(), true}, out);
      return;
    }
    if (bend.IsFlat(halvings)) {
      Keep(LineSegment(bend.Start(), bend.End()), out);
      return;
    }
    const auto halves = bend.Halves();
    Flatten(halves.first, halvings + 1, out);
    Flatten(halves.second, halvings + 1, out);
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
    if (work_ >= kMaxWork || covered_) return;
    figure.push_back(s);
    ++work_;
    if (mayCover_ && !s.hidden && Covers(s)) covered_ = true;
  }

  // Does the segment's stroke, round ends and all, hold every corner of the surface (and so all
  // of it)?
  bool Covers(const Segment& s) const {
    for (DevicePoint corner :
         {DevicePoint{surface_.left, surface_.top}, DevicePoint{surface_.right, surface_.top},
          DevicePoint{surface_.left, surface_.bottom}, DevicePoint{surface_.right, surface_.bottom}}) {
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
  const DeviceBox surface_, box_;
  const double halfWidth_;
  const std::vector<double>& dashes_;
  double period_ = 0;
  long work_ = 0;
  bool joined_ = false;
  bool mayCover_ = false, covered_ = false;
  std::vector<Segment> figure_;
  DevicePoint start_{0, 0}, at_{0, 0};
};

}  // namespace

DeviceBox StrokeReach(const DeviceBox& surface, double width) { return surface.Grown(width / 2 + kMargin); }

bool SetClippedPath(cairo_t* cr, const DevicePath& path, const DeviceBox& surface, double width,
                    const std::vector<double>& dashes) {
  cairo_new_path(cr);
  return ClippedPath(cr, surface, width, dashes).Add(path);
}

}  // namespace platform::gdi
