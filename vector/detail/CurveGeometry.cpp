#include "vector/detail/CurveGeometry.h"

#include <cmath>

#include "vector/PathSink.h"

namespace corvel {
namespace {

constexpr double kEpsilon = 1e-8;
constexpr double kTwoPi = 6.28318530717958;
constexpr double kHalfPi = 1.570796326794895;
constexpr double kPi = 3.14159265358979;
constexpr double kDegree = 0.017453292519943278;

thread_local double tFlatness = 0.05;

PathPoint Mid(const PathPoint& a, const PathPoint& b) { return {(a.x + b.x) * 0.5, (a.y + b.y) * 0.5}; }

PathPoint Mapped(const Matrix3* matrix, const PathPoint& p) {
  double xy[2] = {p.x, p.y};
  Matrix3MapPoint(matrix, xy);
  return {xy[0], xy[1]};
}

}  // namespace

double GetDefaultFlatness() { return tFlatness; }

double SetDefaultFlatness(double value) {
  const double previous = tFlatness;
  tFlatness = value;
  return previous;
}

bool QuadIsFlat(const PathPoint p[3], double t) {
  const double dx = p[0].x - p[2].x, dy = p[2].y - p[0].y;
  if (dx == 0 && dy == 0) {
    const double ex = p[0].x - p[1].x, ey = p[0].y - p[1].y;
    return ex * ex + ey * ey < t;
  }
  const double e = p[0].y * p[2].x - p[2].y * p[0].x + dy * p[1].x + dx * p[1].y;
  return e * e < (dx * dx + dy * dy) * t;
}

bool CubicIsFlat(const PathPoint p[4], double t) {
  const double dx = p[0].x - p[3].x, dy = p[3].y - p[0].y;
  double length = 1, e1, e2;
  if (dx == 0 && dy == 0) {
    e1 = (p[0].x - p[1].x) * (p[0].x - p[1].x) + (p[0].y - p[1].y) * (p[0].y - p[1].y);
    e2 = (p[0].x - p[2].x) * (p[0].x - p[2].x) + (p[0].y - p[2].y) * (p[0].y - p[2].y);
  } else {
    length = dx * dx + dy * dy;
    const double c = p[0].y * p[3].x - p[3].y * p[0].x;
    e1 = dy * p[1].x + dx * p[1].y + c;
    e2 = dy * p[2].x + dx * p[2].y + c;
    e1 *= e1;
    e2 *= e2;
  }
  return e1 < length * t && e2 < length * t;
}

bool QuadIsFlatMapped(const PathPoint p[3], const Matrix3* matrix, double t) {
  if (matrix == nullptr) return QuadIsFlat(p, t);
  const PathPoint q[3] = {Mapped(matrix, p[0]), Mapped(matrix, p[1]), Mapped(matrix, p[2])};
  return QuadIsFlat(q, t);
}

bool CubicIsFlatMapped(const PathPoint p[4], const Matrix3* matrix, double t) {
  if (matrix == nullptr) return CubicIsFlat(p, t);
  const PathPoint q[4] = {Mapped(matrix, p[0]), Mapped(matrix, p[1]), Mapped(matrix, p[2]),
                          Mapped(matrix, p[3])};
  return CubicIsFlat(q, t);
}

void SplitQuadratic(PathPoint out[5], const PathPoint in[3]) {
  const PathPoint a = Mid(in[0], in[1]), b = Mid(in[1], in[2]);
  out[0] = in[0];
  out[1] = a;
  out[2] = Mid(a, b);
  out[3] = b;
  out[4] = in[2];
}

void SplitCubic(PathPoint out[7], const PathPoint in[4]) {
  const PathPoint a = Mid(in[0], in[1]), b = Mid(in[1], in[2]), c = Mid(in[2], in[3]);
  const PathPoint ab = Mid(a, b), bc = Mid(b, c);
  out[0] = in[0];
  out[1] = a;
  out[2] = ab;
  out[3] = Mid(ab, bc);
  out[4] = bc;
  out[5] = c;
  out[6] = in[3];
}

void LineToCubic(PathPoint out[4], const PathPoint& start, const PathPoint& end) {
  const double dx = end.x - start.x, dy = end.y - start.y;
  out[0] = start;
  out[1] = {start.x + dx / 3, start.y + dy / 3};
  out[2] = {start.x + 2 * dx / 3, start.y + 2 * dy / 3};
  out[3] = end;
}

void QuadraticToCubic(PathPoint out[4], const PathPoint in[3]) {
  out[0] = in[0];
  out[1] = {in[0].x + 2.0 / 3 * (in[1].x - in[0].x), in[0].y + 2.0 / 3 * (in[1].y - in[0].y)};
  out[2] = {in[1].x + 1.0 / 3 * (in[2].x - in[1].x), in[1].y + 1.0 / 3 * (in[2].y - in[1].y)};
  out[3] = in[2];
}

void SampleCubic(PathPoint* out, int count, const PathPoint c[4], double step) {
  if (count < 1) return;
  out[0] = c[0];
  if (count == 1) return;
  const double h = std::fabs(step) < kEpsilon ? 1.0 / (count - 1) : step;
  // Polynomial coefficients, then forward differences of p(t) = a t^3 + b t^2 + d t + p0.
  double d1[2], d2[2], d3[2], p[2];
  for (int k = 0; k < 2; ++k) {
    const double p0 = k == 0 ? c[0].x : c[0].y, p1 = k == 0 ? c[1].x : c[1].y;
    const double p2 = k == 0 ? c[2].x : c[2].y, p3 = k == 0 ? c[3].x : c[3].y;
    const double a = -p0 + 3 * p1 - 3 * p2 + p3, b = 3 * p0 - 6 * p1 + 3 * p2, d = -3 * p0 + 3 * p1;
    p[k] = p0;
    d1[k] = a * h * h * h + b * h * h + d * h;
    d2[k] = 6 * a * h * h * h + 2 * b * h * h;
    d3[k] = 6 * a * h * h * h;
  }
  for (int i = 1; i < count; ++i) {
    for (int k = 0; k < 2; ++k) {
      p[k] += d1[k];
      d1[k] += d2[k];
      d2[k] += d3[k];
    }
    out[i] = {p[0], p[1]};
  }
}

bool FlattenQuadratic(PathSink& sink, const PathPoint& start, const PathPoint& control, const PathPoint& end,
                      const Matrix3* matrix, double tolerance, int depth) {
  const PathPoint curve[3] = {start, control, end};
  if (depth < 10 && !QuadIsFlatMapped(curve, matrix, tolerance)) {
    PathPoint halves[5];
    SplitQuadratic(halves, curve);
    return FlattenQuadratic(sink, halves[0], halves[1], halves[2], matrix, tolerance, depth + 1) &&
           FlattenQuadratic(sink, halves[2], halves[3], halves[4], matrix, tolerance, depth + 1);
  }
  return sink.LineTo(end, matrix);
}

bool FlattenCubic(PathSink& sink, const PathPoint& start, const PathPoint& control1,
                  const PathPoint& control2, const PathPoint& end, const Matrix3* matrix, double tolerance,
                  int depth) {
  const PathPoint curve[4] = {start, control1, control2, end};
  if (depth < 10 && !CubicIsFlatMapped(curve, matrix, tolerance)) {
    PathPoint halves[7];
    SplitCubic(halves, curve);
    return FlattenCubic(sink, halves[0], halves[1], halves[2], halves[3], matrix, tolerance, depth + 1) &&
           FlattenCubic(sink, halves[3], halves[4], halves[5], halves[6], matrix, tolerance, depth + 1);
  }
  return sink.LineTo(end, matrix);
}

bool FlattenArc(PathSink& sink, double startAngle, double sweep, const Matrix3& unitToPath,
                const Matrix3* matrix, double tolerance, int depth) {
  PathPoint points[3];
  for (int i = 0; i < 3; ++i) {
    const double angle = startAngle + sweep * 0.5 * i;
    points[i] = Mapped(&unitToPath, {std::cos(angle), std::sin(angle)});
  }
  if (depth < 10 && !QuadIsFlatMapped(points, matrix, tolerance)) {
    return FlattenArc(sink, startAngle, sweep * 0.5, unitToPath, matrix, tolerance, depth + 1) &&
           FlattenArc(sink, startAngle + sweep * 0.5, sweep * 0.5, unitToPath, matrix, tolerance, depth + 1);
  }
  return sink.LineTo(points[2], matrix);
}

int ArcToBeziers(PathPoint* out, double startAngle, double sweep, const Matrix3* matrix) {
  const double dir = sweep < 0 ? -1 : 1;
  double a = std::fabs(sweep);
  if (a > kTwoPi + kEpsilon) a = std::fmod(a, kTwoPi);
  if (!(a >= kEpsilon)) return 0;  // also NaN
  int pieces = 0;
  while (a > kEpsilon) {
    const double seg = a < kHalfPi ? a : kHalfPi, h = seg / 2;
    const double s = std::sin(h), c = std::cos(h), k = (1 - c) / s * 4 / 3;
    PathPoint piece[4] = {{s, c}, {s - k * c, c + k * s}, {k * c - s, c + k * s}, {-s, c}};
    if (dir < 0) {
      for (PathPoint& p : piece) p.x = -p.x;
    }
    const double turn = startAngle + dir * h - kHalfPi;
    const double ct = std::cos(turn), st = std::sin(turn);
    for (int i = 0; i < 4; ++i) {
      out[4 * pieces + i] = {piece[i].x * ct - piece[i].y * st, piece[i].x * st + piece[i].y * ct};
      if (matrix != nullptr) out[4 * pieces + i] = Mapped(matrix, out[4 * pieces + i]);
    }
    ++pieces;
    startAngle += dir * seg;
    a -= seg;
  }
  return pieces;
}

bool UnitCircleCentre(PathPoint* centre, const PathPoint& p1, const PathPoint& p2, int largeArc, int sweep) {
  const double hx = (p2.x - p1.x) / 2, hy = (p1.y - p2.y) / 2;
  double d = std::sqrt(hx * hx + hy * hy);
  if (!(d > 0)) return false;
  if (d > 1) {
    if (d > 1.000001) return false;
    d = 1;
  }
  const double f = ((largeArc != 0) != (sweep != 0) ? 1 : -1) / d * std::sqrt(1 - d * d);
  *centre = {(p1.x + p2.x) / 2 + f * hy, (p1.y + p2.y) / 2 + f * hx};
  return true;
}

bool EndpointArcToCentre(double* startAngle, double* sweep, Matrix3* unitToPath, const PathPoint& start,
                         const PathPoint& end, const PathPoint& radii, double rotationDegrees, int largeArc,
                         int sweepFlag) {
  const double phi = rotationDegrees * kDegree;
  double rx = std::fabs(radii.x), ry = std::fabs(radii.y);
  const double cp = std::cos(phi), sp = std::sin(phi);
  const double dx = end.x - start.x, dy = end.y - start.y;
  PathPoint q{(cp * dx + sp * dy) / rx, (-sp * dx + cp * dy) / ry};
  const double length = std::hypot(q.x, q.y);
  if (length > 2) {
    q = {2 * q.x / length, 2 * q.y / length};
    rx *= length / 2;
    ry *= length / 2;
  }
  PathPoint c;
  if (!UnitCircleCentre(&c, {0, 0}, q, largeArc, sweepFlag)) return false;
  double begin = std::atan2(-c.y, -c.x);
  double turn = std::atan2(q.y - c.y, q.x - c.x) - begin;
  if (largeArc == 0) {
    if (turn < -kPi)
      turn += kTwoPi;
    else if (turn > kPi)
      turn -= kTwoPi;
  } else {
    if (turn > -kPi && turn < 0)
      turn += kTwoPi;
    else if (turn > 0 && turn < kPi)
      turn -= kTwoPi;
  }
  if (std::fabs(std::fabs(turn) - kPi) < kEpsilon) turn = sweepFlag != 0 ? kPi : -kPi;
  *startAngle = begin;
  *sweep = turn;
  Matrix3 pathToUnit = kIdentityMatrix3;
  Matrix3Translate(&pathToUnit, -start.x, -start.y);
  Matrix3Rotate(&pathToUnit, -phi);
  Matrix3Scale(&pathToUnit, 1 / rx, 1 / ry);
  Matrix3Translate(&pathToUnit, -c.x, -c.y);
  return Matrix3Invert(&pathToUnit, unitToPath);
}

bool ScaleToLength(PathPoint* out, double length, const PathPoint& vector) {
  const double have = std::hypot(vector.x, vector.y);
  if (!(have >= kEpsilon)) return false;
  *out = {vector.x * length / have, vector.y * length / have};
  return true;
}

bool SegmentDirection(PathPoint* out, double length, const PathPoint& p0, const PathPoint& p1) {
  return ScaleToLength(out, length, {p1.x - p0.x, p1.y - p0.y});
}

bool SegmentNormal(PathPoint* out, double length, const PathPoint& p0, const PathPoint& p1) {
  return ScaleToLength(out, length, {-(p1.y - p0.y), p1.x - p0.x});
}

bool PointsEqual(const PathPoint& a, const PathPoint& b) {
  return std::fabs(a.x - b.x) < kEpsilon && std::fabs(a.y - b.y) < kEpsilon;
}

bool VectorAngle(double* angle, const PathPoint& vector) {
  if (std::fabs(vector.x) < kEpsilon && std::fabs(vector.y) < kEpsilon) return false;
  *angle = std::atan2(vector.y, vector.x);
  return true;
}

bool IsStraightThrough(const PathPoint& a, const PathPoint& b, const PathPoint& c) {
  PathPoint u, v;
  if (!SegmentDirection(&u, 1, b, a) || !SegmentDirection(&v, 1, b, c)) return true;
  return std::fabs(u.x + v.x) < kEpsilon && std::fabs(u.y + v.y) < kEpsilon;
}

void ScalePoints(PathPoint* points, int count, double factor) {
  for (int i = 0; i < count; ++i) points[i] = {points[i].x * factor, points[i].y * factor};
}

bool PointsBounds(double out[4], const PathPoint* points, int count) {
  out[0] = out[1] = out[2] = out[3] = 0;
  if (count < 1) return false;
  out[0] = out[2] = points[0].x;
  out[1] = out[3] = points[0].y;
  for (int i = 1; i < count; ++i) {
    out[0] = std::fmin(out[0], points[i].x);
    out[1] = std::fmin(out[1], points[i].y);
    out[2] = std::fmax(out[2], points[i].x);
    out[3] = std::fmax(out[3], points[i].y);
  }
  return true;
}

int TrimClosedPolygon(PathPoint* points, int count) {
  while (count > 1 && PointsEqual(points[count - 1], points[0])) --count;
  while (count > 2) {
    if (PointsEqual(points[count - 1], points[0]) ||
        IsStraightThrough(points[count - 2], points[count - 1], points[0])) {
      --count;
    } else if (IsStraightThrough(points[count - 1], points[0], points[1])) {
      points[0] = points[count - 1];
      --count;
    } else {
      break;
    }
  }
  return count;
}

bool PathSink::MoveTo(const PathPoint& point, const Matrix3*) {
  start_ = point;
  current_ = point;
  return true;
}

double PathSink::GetFlatness() const { return GetDefaultFlatness(); }

// The flattening's last LineTo already ends on the curve's end point, so no repeat follows it.
bool PathSink::CurveTo2(const PathPoint& control, const PathPoint& end, const Matrix3* matrix) {
  return FlattenQuadratic(*this, current_, control, end, matrix, GetFlatness(), 0);
}

bool PathSink::CurveTo3(const PathPoint& control1, const PathPoint& control2, const PathPoint& end,
                        const Matrix3* matrix) {
  return FlattenCubic(*this, current_, control1, control2, end, matrix, GetFlatness(), 0);
}

bool PathSink::ArcTo(const PathPoint& radii, double rotation, int largeArc, int sweep, const PathPoint& end,
                     const Matrix3* matrix) {
  double startAngle = 0, turn = 0;
  Matrix3 unitToPath;
  // An arc back to its own start has no centre to turn about: it becomes the line it spans.
  if (std::fabs(radii.x * radii.y) < kEpsilon ||
      !EndpointArcToCentre(&startAngle, &turn, &unitToPath, current_, end, radii, rotation, largeArc,
                           sweep)) {
    return LineTo(end, matrix);
  }
  PathPoint points[16];
  const int pieces = ArcToBeziers(points, startAngle, turn, &unitToPath);
  if (pieces == 0) return LineTo(end, matrix);
  const PathPoint last = points[4 * pieces - 1];
  if (matrix != nullptr) {
    for (int i = 0; i < 4 * pieces; ++i) points[i] = Mapped(matrix, points[i]);
  }
  current_ = points[0];
  for (int i = 0; i < pieces; ++i) {
    if (!CurveTo3(points[4 * i + 1], points[4 * i + 2], points[4 * i + 3], nullptr)) return false;
  }
  current_ = last;
  return true;
}

}  // namespace corvel
