// The 17 plane symmetry groups as the pictures draw them: each group's lattice, its operations
// on fractional coordinates of the conventional cell, and the symmetry elements found from
// those operations (rotation centres with their order, mirror and glide lines) inside the cell.
#pragma once
#include <string>
#include <vector>

namespace wf_tools {

struct Vec {
  double x = 0, y = 0;
};
inline Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
inline Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
inline Vec operator*(double s, Vec a) { return {s * a.x, s * a.y}; }
inline double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }

// x' = R x + t in fractional coordinates; R's entries are integers.
struct Operation {
  int r[2][2];
  Vec t;
  Vec Apply(Vec p) const {
    return {r[0][0] * p.x + r[0][1] * p.y + t.x, r[1][0] * p.x + r[1][1] * p.y + t.y};
  }
};

struct Group {
  std::string name;
  Vec a, b;                           // the cell's edges in pixels (y down)
  std::vector<Operation> operations;  // one per coset of the translations
};

struct RotationCentre {
  Vec at;  // fractional
  int order;
};

struct Line {
  Vec from, to;  // fractional, clipped to the cell
  bool mirror;   // else a glide line
};

// In method order: "P1", "P2", "PM", ... "P6M".
std::vector<Group> AllGroups();
std::vector<RotationCentre> RotationCentres(const Group& group);
std::vector<Line> ReflectionLines(const Group& group);

}  // namespace wf_tools
