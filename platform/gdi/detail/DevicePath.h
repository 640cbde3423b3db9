// Paths in device coordinates, held in doubles on our side: Cairo keeps a path in 24.8 fixed
// point, which wraps past about 2^23 pixels, while device coordinates reach 2^28. A path that
// keeps near the surface goes to Cairo as the calls that made it; one reaching further is cut
// down first to what can show (`ClippedFill`, `ClippedStroke`).
#pragma once
#include <cairo.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace platform::gdi {

struct DevicePoint {
  double x, y;
};

struct DeviceBox {
  double left, top, right, bottom;
  DeviceBox Grown(double by) const { return {left - by, top - by, right + by, bottom + by}; }
  void Include(DevicePoint p) {
    left = std::min(left, p.x);
    top = std::min(top, p.y);
    right = std::max(right, p.x);
    bottom = std::max(bottom, p.y);
  }
  bool Holds(const DeviceBox& other) const {
    return other.left >= left && other.top >= top && other.right <= right && other.bottom <= bottom;
  }
  // Apart, which for two such boxes means one lies wholly beyond a side of the other.
  bool Misses(const DeviceBox& other) const {
    return other.right < left || other.left > right || other.bottom < top || other.top > bottom;
  }
};

// A curved piece of a path: a cubic curve, or an arc of an ellipse of at most a quarter turn.
// Either lies within the hull of its four points: a curve's control points, or an arc's ends
// with (twice) the point where the tangents at its ends meet.
class Bend {
 public:
  static Bend Cubic(DevicePoint from, DevicePoint c1, DevicePoint c2, DevicePoint to);
  // From angle `from` to `to` (radians, positive from x towards y) on the ellipse about
  // `centre` with radii `rx`, `ry`.
  static Bend Arc(DevicePoint centre, double rx, double ry, double from, double to);

  bool IsCubic() const { return !arc_; }
  DevicePoint Start() const { return hull_[0]; }
  DevicePoint End() const { return hull_[3]; }
  const std::array<DevicePoint, 4>& Hull() const { return hull_; }
  DeviceBox HullBox() const;
  // How far the hull strays from the chord: at least as far as the bend does.
  double Deviation() const;
  // Near enough its chord to go as it, at the flattening tolerance the drawing library keeps, or
  // halved `halvings` times already, as often as a bend may be.
  bool IsFlat(int halvings) const;
  // About the bend's length.
  double Length() const;
  std::pair<Bend, Bend> Halves() const;

 private:
  std::array<DevicePoint, 4> hull_{};
  bool arc_ = false;
  DevicePoint centre_{};
  double rx_ = 0, ry_ = 0, from_ = 0, to_ = 0;
};

// What walks a path: its figures as moves, lines, bends and closes. A figure left open ends
// at the next move or at the path's end.
class DevicePathSink {
 public:
  virtual ~DevicePathSink() = default;
  virtual void Move(DevicePoint to) = 0;
  virtual void Line(DevicePoint to) = 0;
  virtual void Curve(const Bend& bend) = 0;  // from the current point
  virtual void Close() = 0;
};

// The calls a drawing function makes on Cairo's path, recorded. They mean what Cairo's do: a
// line or curve with no current point starts a figure, an arc starts with a line from the
// current point (a move when there is none), and a close leaves the current point at the
// figure's start.
class DevicePath {
 public:
  void MoveTo(double x, double y) { Add(Kind::kMove, {x, y}); }
  void LineTo(double x, double y) { Add(Kind::kLine, {x, y}); }
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    Add(Kind::kCurve, {x1, y1, x2, y2, x3, y3});
  }
  // The ellipse about (cx, cy) with radii rx, ry > 0 from angle `from` to `to` (radians,
  // positive from x towards y), turning the way `to - from` says, at most once around.
  void Arc(double cx, double cy, double rx, double ry, double from, double to) {
    Add(Kind::kArc, {cx, cy, rx, ry, from, to});
  }
  void Rectangle(double x, double y, double width, double height) {
    Add(Kind::kRectangle, {x, y, width, height});
  }
  void Close() { Add(Kind::kClose, {}); }

  // Cairo's path made by the same calls.
  void Emit(cairo_t* cr) const;
  // Around all the path may draw (curves by their control points); the empty path's is empty,
  // held by any box.
  DeviceBox Extents() const;
  void Walk(DevicePathSink& sink) const;

 private:
  enum class Kind { kMove, kLine, kCurve, kArc, kRectangle, kClose };
  struct Element {
    Kind kind;
    std::array<double, 6> v;
  };
  void Add(Kind kind, std::array<double, 6> values) { elements_.push_back({kind, values}); }

  std::vector<Element> elements_;
};

}  // namespace platform::gdi
