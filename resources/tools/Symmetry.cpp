#include "resources/tools/Symmetry.h"

#include <algorithm>
#include <cmath>

namespace wf_tools {
namespace {

constexpr double kTolerance = 1e-6;
// Lattice translations tried around each operation: enough to reach every element in the cell.
constexpr int kReach = 3;

Operation Op(int r00, int r01, int r10, int r11, double tx = 0, double ty = 0) {
  return {{{r00, r01}, {r10, r11}}, {tx, ty}};
}

// The operations that map the cell to itself, in the usual coset order.
const Operation kIdentity = Op(1, 0, 0, 1), kTurn2 = Op(-1, 0, 0, -1);
const Operation kMirrorX = Op(-1, 0, 0, 1), kMirrorY = Op(1, 0, 0, -1);
const Operation kTurn4 = Op(0, -1, 1, 0), kTurn4Back = Op(0, 1, -1, 0);
const Operation kDiagonal = Op(0, 1, 1, 0), kAntiDiagonal = Op(0, -1, -1, 0);
const Operation kTurn3 = Op(0, -1, 1, -1), kTurn3Back = Op(-1, 1, -1, 0);
const Operation kTurn6 = Op(1, -1, 1, 0), kTurn6Back = Op(0, 1, -1, 1);
// The mirrors of the hexagonal groups: across the long diagonal family and the edge family.
const Operation kHexM1a = Op(0, -1, -1, 0), kHexM1b = Op(-1, 1, 0, 1), kHexM1c = Op(1, 0, 1, -1);
const Operation kHexM2a = Op(0, 1, 1, 0), kHexM2b = Op(1, -1, 0, -1), kHexM2c = Op(-1, 0, -1, 1);

Operation Shifted(Operation op, double tx, double ty) {
  op.t = op.t + Vec{tx, ty};
  return op;
}

std::vector<Operation> Centred(std::vector<Operation> ops) {
  std::size_t count = ops.size();
  for (std::size_t i = 0; i < count; ++i) ops.push_back(Shifted(ops[i], 0.5, 0.5));
  return ops;
}

int Determinant(const Operation& op) { return op.r[0][0] * op.r[1][1] - op.r[0][1] * op.r[1][0]; }

// Cartesian form of fractional vectors and back, for a cell with edges a and b.
struct Basis {
  Vec a, b;
  Vec ToPlane(Vec f) const { return f.x * a + f.y * b; }
  Vec ToCell(Vec p) const {
    double det = a.x * b.y - a.y * b.x;
    return {(p.x * b.y - p.y * b.x) / det, (a.x * p.y - a.y * p.x) / det};
  }
};

bool InsideCell(Vec f) {
  return f.x > -kTolerance && f.x < 1 + kTolerance && f.y > -kTolerance && f.y < 1 + kTolerance;
}

bool IsLatticeVector(Vec f) {
  return std::fabs(f.x - std::round(f.x)) < kTolerance && std::fabs(f.y - std::round(f.y)) < kTolerance;
}

// Clips the line p + s d to the unit square of fractional coordinates.
bool ClipToCell(Vec p, Vec d, Vec& from, Vec& to) {
  double low = -1e9, high = 1e9;
  const double start[2] = {p.x, p.y}, step[2] = {d.x, d.y};
  for (int axis = 0; axis < 2; ++axis) {
    if (std::fabs(step[axis]) < 1e-12) {
      if (start[axis] < -kTolerance || start[axis] > 1 + kTolerance) return false;
      continue;
    }
    double s0 = (0 - start[axis]) / step[axis], s1 = (1 - start[axis]) / step[axis];
    low = std::max(low, std::min(s0, s1));
    high = std::min(high, std::max(s0, s1));
  }
  if (high - low < 1e-3) return false;
  from = p + low * d;
  to = p + high * d;
  return true;
}

bool SameSegment(const Line& x, const Line& y) {
  auto near = [](Vec u, Vec v) { return std::hypot(u.x - v.x, u.y - v.y) < 1e-4; };
  return (near(x.from, y.from) && near(x.to, y.to)) || (near(x.from, y.to) && near(x.to, y.from));
}

}  // namespace

std::vector<Group> AllGroups() {
  const Vec obliqueA{56, 0}, obliqueB{18, -48};
  const Vec rectA{72, 0}, rectB{0, -52};
  const Vec squareA{56, 0}, squareB{0, -56};
  const Vec hexA{48, 0}, hexB{-24, -24 * std::sqrt(3.0)};
  const std::vector<Operation> p4 = {kIdentity, kTurn4, kTurn2, kTurn4Back};
  const std::vector<Operation> p3 = {kIdentity, kTurn3, kTurn3Back};
  const std::vector<Operation> p6 = {kIdentity, kTurn6, kTurn3, kTurn2, kTurn3Back, kTurn6Back};
  auto with = [](std::vector<Operation> ops, std::vector<Operation> more) {
    ops.insert(ops.end(), more.begin(), more.end());
    return ops;
  };
  return {
      {"P1", obliqueA, obliqueB, {kIdentity}},
      {"P2", obliqueA, obliqueB, {kIdentity, kTurn2}},
      {"PM", rectA, rectB, {kIdentity, kMirrorX}},
      {"PG", rectA, rectB, {kIdentity, Shifted(kMirrorX, 0, 0.5)}},
      {"PMM", rectA, rectB, {kIdentity, kTurn2, kMirrorX, kMirrorY}},
      {"PMG", rectA, rectB, {kIdentity, kTurn2, Shifted(kMirrorX, 0.5, 0), Shifted(kMirrorY, 0.5, 0)}},
      {"PGG", rectA, rectB, {kIdentity, kTurn2, Shifted(kMirrorX, 0.5, 0.5), Shifted(kMirrorY, 0.5, 0.5)}},
      {"CM", rectA, rectB, Centred({kIdentity, kMirrorX})},
      {"CMM", rectA, rectB, Centred({kIdentity, kTurn2, kMirrorX, kMirrorY})},
      {"P4", squareA, squareB, p4},
      {"P4M", squareA, squareB, with(p4, {kMirrorX, kMirrorY, kDiagonal, kAntiDiagonal})},
      {"P4G", squareA, squareB,
       with(p4, {Shifted(kMirrorX, 0.5, 0.5), Shifted(kMirrorY, 0.5, 0.5), Shifted(kDiagonal, 0.5, 0.5),
                 Shifted(kAntiDiagonal, 0.5, 0.5)})},
      {"P3", hexA, hexB, p3},
      {"P3ML", hexA, hexB, with(p3, {kHexM1a, kHexM1b, kHexM1c})},
      {"P3LM", hexA, hexB, with(p3, {kHexM2a, kHexM2b, kHexM2c})},
      {"P6", hexA, hexB, p6},
      {"P6M", hexA, hexB, with(p6, {kHexM1a, kHexM1b, kHexM1c, kHexM2a, kHexM2b, kHexM2c})},
  };
}

std::vector<RotationCentre> RotationCentres(const Group& group) {
  std::vector<RotationCentre> centres;
  for (const Operation& op : group.operations) {
    int trace = op.r[0][0] + op.r[1][1];
    if (Determinant(op) != 1 || trace == 2) continue;
    int order = trace == -2 ? 2 : trace == -1 ? 3 : trace == 0 ? 4 : 6;
    // The fixed point solves (I - R) p = t + L.
    double m00 = 1 - op.r[0][0], m01 = -op.r[0][1], m10 = -op.r[1][0], m11 = 1 - op.r[1][1];
    double det = m00 * m11 - m01 * m10;
    for (int lx = -kReach; lx <= kReach; ++lx) {
      for (int ly = -kReach; ly <= kReach; ++ly) {
        Vec t = op.t + Vec{double(lx), double(ly)};
        Vec p{(t.x * m11 - m01 * t.y) / det, (m00 * t.y - m10 * t.x) / det};
        if (!InsideCell(p)) continue;
        auto same = std::find_if(centres.begin(), centres.end(), [&](const RotationCentre& c) {
          return std::hypot(c.at.x - p.x, c.at.y - p.y) < 1e-6;
        });
        if (same == centres.end()) {
          centres.push_back({p, order});
        } else {
          same->order = std::max(same->order, order);
        }
      }
    }
  }
  return centres;
}

std::vector<Line> ReflectionLines(const Group& group) {
  Basis basis{group.a, group.b};
  std::vector<Line> lines;
  for (const Operation& op : group.operations) {
    if (Determinant(op) != -1) continue;
    // The plane's reflection M = B R B^-1 keeps its axis: (M + I) v lies on it for any v.
    auto linearPart = [&](Vec v) {
      Vec f = basis.ToCell(v);
      return basis.ToPlane({op.r[0][0] * f.x + op.r[0][1] * f.y, op.r[1][0] * f.x + op.r[1][1] * f.y});
    };
    Vec candidates[2] = {linearPart({1, 0}) + Vec{1, 0}, linearPart({0, 1}) + Vec{0, 1}};
    Vec axis = Dot(candidates[0], candidates[0]) > Dot(candidates[1], candidates[1]) ? candidates[0]
                                                                                     : candidates[1];
    axis = (1 / std::sqrt(Dot(axis, axis))) * axis;
    Vec normal{-axis.y, axis.x};
    for (int lx = -kReach; lx <= kReach; ++lx) {
      for (int ly = -kReach; ly <= kReach; ++ly) {
        Vec shift = basis.ToPlane(op.t + Vec{double(lx), double(ly)});
        Vec glide = Dot(shift, axis) * axis;
        Vec onLine = (Dot(shift, normal) / 2) * normal;
        Line line;
        if (!ClipToCell(basis.ToCell(onLine), basis.ToCell(axis), line.from, line.to)) continue;
        line.mirror = IsLatticeVector(basis.ToCell(glide));
        bool known = std::any_of(lines.begin(), lines.end(),
                                 [&](const Line& l) { return SameSegment(l, line); });
        if (!known) lines.push_back(line);
      }
    }
  }
  return lines;
}

}  // namespace wf_tools
