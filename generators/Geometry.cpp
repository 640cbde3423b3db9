#include "generators/Geometry.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

namespace corvel {

namespace {

// The angles as stored doubles; cos and sin are taken of them once at start-up.
TurnConstants TurnBy(double radians) { return {std::cos(radians), std::sin(radians)}; }

}  // namespace

const TurnConstants kTurnPlus60 = TurnBy(1.0471975511965976);
const TurnConstants kTurnMinus60 = TurnBy(-1.0471975511965976);
const TurnConstants kTurnPlus120 = TurnBy(2.0943951023931953);
const TurnConstants kTurnMinus120 = TurnBy(-2.0943951023931953);

bool Point2D::operator!=(const Point2D& p) const {
  return !(std::fabs(x - p.x) < kGeometryTolerance) || !(std::fabs(y - p.y) < kGeometryTolerance);
}

Point2D Point2D::Rotated(double radians, double cx, double cy) const {
  double dx = x - cx, dy = y - cy;
  double cosine = std::cos(radians), sine = std::sin(radians);
  return {cx + dx * cosine + dy * sine, cy - dx * sine + dy * cosine};
}

Point2D Point2D::Reflect(const Line2D& line) const {
  double d = line.n.x * x + line.n.y * y - line.c;
  return *this - line.n * (2 * d);
}

Point2D& RotatePointDegrees(int degrees, double cx, double cy, Point2D& p) {
  constexpr double kSinglePrecisionDegree = 3.1415927410125732 / 180;
  p = p.Rotated(degrees * kSinglePrecisionDegree, cx, cy);
  return p;
}

void RotateIntPointDegrees(int degrees, int cx, int cy, POINT& p) {
  constexpr double kDegree = 3.14159265358979323846 / 180;
  Point2D turned = Point2D(p).Rotated(degrees * kDegree, cx, cy);
  p.x = RoundToInt(turned.x);
  p.y = RoundToInt(turned.y);
}

Line2D::Line2D(const Point2D& p1, const Point2D& p2) {
  Point2D d = p2 - p1;
  Point2D normal(d.y, -d.x);
  double length = std::sqrt(normal.x * normal.x + normal.y * normal.y);
  if (IsEqual(length, 0)) return;
  n = normal / length;
  c = n.x * p1.x + n.y * p1.y;
  if (c < 0) {
    c = -c;
    n = n * -1.0;
  }
}

bool Line2D::IsParallel(const Line2D& other) const { return IsZero(other.n.y * n.x - other.n.x * n.y); }

bool Line2D::Intersect(const Line2D& other, Point2D& q) const {
  q.Set(DBL_MAX, DBL_MAX);
  if (IsParallel(other)) return false;
  double det = other.n.y * n.x - other.n.x * n.y;
  q.Set((other.n.y * c - other.c * n.y) / det, (other.c * n.x - other.n.x * c) / det);
  return true;
}

Point2D Line2D::Project(const Point2D& p) const { return p + n * (c - (n.x * p.x + n.y * p.y)); }

double TriangleArea(double x0, double y0, double x1, double y1, double x2, double y2) {
  if ((x0 == x1 && y0 == y1) || (x0 == x2 && y0 == y2) || (x1 == x2 && y1 == y2)) return 0;
  double ux = x1 - x0, uy = y1 - y0, vx = x2 - x0, vy = y2 - y0;
  double q = (ux * ux + uy * uy) * (vx * vx + vy * vy);
  if (q == 0) return 0;  // sides so short their squares underflow
  double dot = ux * vx + uy * vy;
  double s = std::clamp(1 - dot * dot / q, 0.0, 1.0);
  return 0.5 * std::sqrt(q * s);
}

bool BarycentricCoords(const Point2D& p0, const Point2D& p1, const Point2D& p2, const Point2D& q, double& s,
                       double& t, double& w) {
  double area = TriangleArea(p0.x, p0.y, p1.x, p1.y, p2.x, p2.y);
  if (area == 0) {
    s = t = 0.33;
  } else {
    s = TriangleArea(q.x, q.y, p1.x, p1.y, p2.x, p2.y) / area;
    t = TriangleArea(p0.x, p0.y, q.x, q.y, p2.x, p2.y) / area;
  }
  w = 1 - s - t;
  return true;
}

}  // namespace corvel
