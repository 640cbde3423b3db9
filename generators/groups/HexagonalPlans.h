// The plans in doubles of the unfeathered, unbent "P3", "P3LM" and "P6", and of "P6M", where every
// pixel is one sample, worked out four pixels at a time in AVX2 lanes by the same operations in the
// same order: the same positions bit for bit. Each group fills its record from the values its plan reads.
#pragma once
#include <cstdint>

#include "generators/Geometry.h"
#include "generators/detail/TileGenerator.h"

namespace corvel::detail {

// A line's y at x as Line2D::YAt answers it.
struct LaneLine {
  double nx = 0, ny = 1, c = 0;
  bool vertical = false;
};

inline LaneLine LaneLineOf(const Line2D& line) { return {line.n.x, line.n.y, line.c, IsZero(line.n.y)}; }

// The lattice maps of a generator whose determinants are not 0.
struct LaneLattice {
  LatticeMatrix toLattice, toPlane, toSource, fromSource;  // invM, matM, matN, invN
  Point2D origin;
};

inline bool HasLaneLattice(const TileGenerator& generator) {
  return generator.detM != 0 && generator.detN != 0;
}

inline LaneLattice LaneLatticeOf(const TileGenerator& generator) {
  return {generator.invM, generator.matM, generator.matN, generator.invN, generator.origin};
}

// The kite (0, 0), (0.5, 0), G = (1/3, 1/3), (0, 0.5) of "P3LM" and "P6": its edges from G, and
// G on the plane and on the source, for the plan's clamps and carry.
struct KiteLanes {
  LaneLattice lattice;
  LaneLine toK, toM;
  Point2D anchor, threeFold;
  double su = 0, sv = 0, near = 0;
};

struct P6PlanLanes {
  KiteLanes kite;
  LaneLine shortDiagonal, third;
  Point2D sixFold;  // on the source
};

struct P3PlanLanes {
  LaneLattice lattice;
  // The centre frame's maps from the plane and to the source.
  LatticeMatrix frameToLattice, frameToSource;
  // The anchors on the plane; the frame's corners (1, 0) and (0, 1) on the source.
  Point2D anchor1, anchor2, c10, c01;
  double su = 0, sv = 0, near = 0;
};

struct P3LMPlanLanes {
  KiteLanes kite;
  LaneLine mirror;
};

// "P6M"'s triangle: the steps' sides on the lattice, its mirrors on the plane (nx, ny, c as
// Point2D::Reflect reads them) and the half turn's centre.
struct P6MPlanLanes {
  LaneLattice lattice;
  LaneLine shortDiagonal, diagonal, steep, flat;
  LaneLine diagonalMirror, steepMirror, flatMirror;
  Point2D anchor;
};

// The plan's fold of four cell positions in place: onto P6's kite, clamped onto it and carried
// across the second median as the plan takes them.
void FoldP6Avx2(const P6PlanLanes& plan, double* u, double* v);

// The plan's fold of four cell positions in place: onto "P3LM"'s kite and clamped onto it, as
// the feathered plan takes them.
void FoldP3LMAvx2(const P3LMPlanLanes& plan, double* u, double* v);

// The 24.8 source positions (the origin added) of the count pixels (x0 + xs[i], y), or
// (x0 + xs[i], ys[i]) where ys is given.
void PlanP6Avx2(const P6PlanLanes& plan, int x0, int y, const int* xs, const int* ys, int count,
                std::int32_t* positions);
void PlanP3Avx2(const P3PlanLanes& plan, int x0, int y, const int* xs, const int* ys, int count,
                std::int32_t* positions);
void PlanP6MAvx2(const P6MPlanLanes& plan, int x0, int y, const int* xs, const int* ys, int count,
                 std::int32_t* positions);
void PlanP3LMAvx2(const P3LMPlanLanes& plan, int x0, int y, const int* xs, const int* ys, int count,
                  std::int32_t* positions);

}  // namespace corvel::detail
