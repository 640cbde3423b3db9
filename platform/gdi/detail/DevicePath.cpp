#include "platform/gdi/detail/DevicePath.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform::gdi {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Cairo's own flattening tolerance, in pixels.
constexpr double kFlatness = 0.1;
constexpr int kMaxHalvings = 32;

DevicePoint OnEllipse(DevicePoint centre, double rx, double ry, double angle) {
  return {centre.x + rx * std::cos(angle), centre.y + ry * std::sin(angle)};
}

DevicePoint Middle(DevicePoint a, DevicePoint b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

double Distance(DevicePoint a, DevicePoint b) { return std::hypot(b.x - a.x, b.y - a.y); }

double DistanceToLine(DevicePoint p, DevicePoint a, DevicePoint b) {
  const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
  if (length == 0) return Distance(p, a);
  return std::fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / length;
}

}  // namespace

Bend Bend::Cubic(DevicePoint from, DevicePoint c1, DevicePoint c2, DevicePoint to) {
  Bend bend;
  bend.hull_ = {from, c1, c2, to};
  return bend;
}

Bend Bend::Arc(DevicePoint centre, double rx, double ry, double from, double to) {
  Bend bend;
  bend.arc_ = true;
  bend.centre_ = centre;
  bend.rx_ = rx;
  bend.ry_ = ry;
  bend.from_ = from;
  bend.to_ = to;
  // The tangents at the ends meet on the middle angle's ray, further out by 1 / cos of half
  // the turn (the ellipse being a scaled circle).
  const double out = 1 / std::cos((to - from) / 2), middle = (from + to) / 2;
  const DevicePoint meet = OnEllipse(centre, rx * out, ry * out, middle);
  bend.hull_ = {OnEllipse(centre, rx, ry, from), meet, meet, OnEllipse(centre, rx, ry, to)};
  return bend;
}

DeviceBox Bend::HullBox() const {
  DeviceBox box{hull_[0].x, hull_[0].y, hull_[0].x, hull_[0].y};
  for (const DevicePoint& p : hull_) box.Include(p);
  return box;
}

double Bend::Deviation() const {
  return std::max(DistanceToLine(hull_[1], hull_[0], hull_[3]), DistanceToLine(hull_[2], hull_[0], hull_[3]));
}

bool Bend::IsFlat(int halvings) const { return halvings >= kMaxHalvings || Deviation() <= kFlatness; }

double Bend::Length() const {
  // Gauss-Legendre over the speed along the bend: close enough that dashes beyond a hidden
  // bend fall about where Cairo's own would.
  constexpr double kNodes[] = {-0.9061798459386640, -0.5384693101056831, 0, 0.5384693101056831,
                               0.9061798459386640};
  constexpr double kWeights[] = {0.2369268850561891, 0.4786286704993665, 0.5688888888888889,
                                 0.4786286704993665, 0.2369268850561891};
  const auto& c = hull_;
  double sum = 0;
  for (int i = 0; i < 5; ++i) {
    const double t = (1 + kNodes[i]) / 2;
    double speed;
    if (arc_) {
      const double angle = from_ + t * (to_ - from_);
      speed = std::hypot(rx_ * std::sin(angle), ry_ * std::cos(angle)) * std::fabs(to_ - from_);
    } else {
      const double u = 1 - t, a = 3 * u * u, b = 6 * u * t, d = 3 * t * t;
      speed = std::hypot(a * (c[1].x - c[0].x) + b * (c[2].x - c[1].x) + d * (c[3].x - c[2].x),
                         a * (c[1].y - c[0].y) + b * (c[2].y - c[1].y) + d * (c[3].y - c[2].y));
    }
    sum += kWeights[i] * speed;
  }
  return sum / 2;
}

std::pair<Bend, Bend> Bend::Halves() const {
  if (arc_) {
    const double middle = (from_ + to_) / 2;
    return {Arc(centre_, rx_, ry_, from_, middle), Arc(centre_, rx_, ry_, middle, to_)};
  }
  const DevicePoint ab = Middle(hull_[0], hull_[1]), bc = Middle(hull_[1], hull_[2]),
                    cd = Middle(hull_[2], hull_[3]);
  const DevicePoint abc = Middle(ab, bc), bcd = Middle(bc, cd), middle = Middle(abc, bcd);
  return {Cubic(hull_[0], ab, abc, middle), Cubic(middle, bcd, cd, hull_[3])};
}

void DevicePath::Emit(cairo_t* cr) const {
  for (const Element& e : elements_) {
    const auto& v = e.v;
    switch (e.kind) {
      case Kind::kMove:
        cairo_move_to(cr, v[0], v[1]);
        break;
      case Kind::kLine:
        cairo_line_to(cr, v[0], v[1]);
        break;
      case Kind::kCurve:
        cairo_curve_to(cr, v[0], v[1], v[2], v[3], v[4], v[5]);
        break;
      case Kind::kArc:
        cairo_save(cr);
        cairo_translate(cr, v[0], v[1]);
        cairo_scale(cr, v[2], v[3]);
        if (v[5] >= v[4])
          cairo_arc(cr, 0, 0, 1, v[4], v[5]);
        else
          cairo_arc_negative(cr, 0, 0, 1, v[4], v[5]);
        cairo_restore(cr);
        break;
      case Kind::kRectangle:
        cairo_rectangle(cr, v[0], v[1], v[2], v[3]);
        break;
      case Kind::kClose:
        cairo_close_path(cr);
        break;
    }
  }
}

DeviceBox DevicePath::Extents() const {
  constexpr double kFar = std::numeric_limits<double>::infinity();
  DeviceBox box{kFar, kFar, -kFar, -kFar};
  for (const Element& e : elements_) {
    const auto& v = e.v;
    switch (e.kind) {
      case Kind::kMove:
      case Kind::kLine:
        box.Include({v[0], v[1]});
        break;
      case Kind::kCurve:
        for (int i = 0; i < 6; i += 2) box.Include({v[i], v[i + 1]});
        break;
      case Kind::kArc: {
        // The ends and the ellipse's extremes the arc passes.
        const DevicePoint centre{v[0], v[1]};
        const double low = std::min(v[4], v[5]), high = std::max(v[4], v[5]), quarter = kPi / 2;
        for (double angle : {low, high}) {
          box.Include(OnEllipse(centre, v[2], v[3], angle));
        }
        if (high - low >= 2 * kPi) {
          box.Include({v[0] - v[2], v[1] - v[3]});
          box.Include({v[0] + v[2], v[1] + v[3]});
          break;
        }
        for (int i = 0; i < 4; ++i) {
          const double angle = (std::ceil(low / quarter) + i) * quarter;
          if (!(angle <= high)) break;
          box.Include(OnEllipse(centre, v[2], v[3], angle));
        }
        break;
      }
      case Kind::kRectangle:
        box.Include({v[0], v[1]});
        box.Include({v[0] + v[2], v[1] + v[3]});
        break;
      case Kind::kClose:
        break;
    }
  }
  return box;
}

void DevicePath::Walk(DevicePathSink& sink) const {
  bool current = false, open = false;
  DevicePoint start{0, 0}, at{0, 0};
  auto move = [&](DevicePoint p) {
    sink.Move(p);
    start = at = p;
    current = open = true;
  };
  // A figure continues from the current point; after a close, a new one starts there.
  auto reopen = [&] {
    if (!open) move(at);
  };
  auto line = [&](DevicePoint p) {
    if (!current) return move(p);
    reopen();
    sink.Line(p);
    at = p;
  };
  auto curve = [&](const Bend& bend) {
    sink.Curve(bend);
    at = bend.End();
  };
  for (const Element& e : elements_) {
    const auto& v = e.v;
    switch (e.kind) {
      case Kind::kMove:
        move({v[0], v[1]});
        break;
      case Kind::kLine:
        line({v[0], v[1]});
        break;
      case Kind::kCurve:
        if (!current) move({v[0], v[1]});
        reopen();
        curve(Bend::Cubic(at, {v[0], v[1]}, {v[2], v[3]}, {v[4], v[5]}));
        break;
      case Kind::kArc: {
        const DevicePoint centre{v[0], v[1]};
        const double sweep = std::clamp(v[5] - v[4], -2 * kPi, 2 * kPi);
        line(OnEllipse(centre, v[2], v[3], v[4]));
        const int pieces = static_cast<int>(std::ceil(std::fabs(sweep) / (kPi / 2)));
        for (int i = 0; i < pieces; ++i) {
          curve(Bend::Arc(centre, v[2], v[3], v[4] + sweep * i / pieces, v[4] + sweep * (i + 1) / pieces));
        }
        break;
      }
      case Kind::kRectangle:
        move({v[0], v[1]});
        line({v[0] + v[2], v[1]});
        line({v[0] + v[2], v[1] + v[3]});
        line({v[0], v[1] + v[3]});
        sink.Close();
        at = start;
        open = false;
        break;
      case Kind::kClose:
        if (open) sink.Close();
        at = start;
        open = false;
        break;
    }
  }
}

}  // namespace platform::gdi
