// A group's fold written as data for the fast render: the wrap of the cell position and up to
// four steps, each an affine map of lattice coordinates taken on one side of a line. The render
// steps lattice coordinates along a row in 0.32 fixed point and runs the program in SIMD lanes.
#pragma once
#include <cstdint>

#include "generators/Geometry.h"
#include "generators/TileGenerator.h"

namespace corvel::detail {

// (u, v) -> (uu u + uv v + u1, vu u + vv v + v1).
struct LatticeAffine {
  double uu = 1, uv = 0, u1 = 0, vu = 0, vv = 1, v1 = 0;
};

struct FoldStep {
  // Taken where nu u + nv v + n1 < 0, or, when `above`, where not.
  double nu = 0, nv = 0, n1 = 0;
  bool above = false;
  LatticeAffine map;
};

struct FoldProgram {
  static constexpr int kMaxSteps = 4;
  // Cell positions run over [-wrapBias, 1 - wrapBias) each way.
  double wrapBias = 0;
  // The steps leave positions in [0, reachU] x [0, reachV], up to the bias: what the render reads.
  double reachU = 1, reachV = 1;
  int stepCount = 0;
  FoldStep steps[kMaxSteps];

  // Taken where v lies below the line (v < line.YAt(u)), or, when `above`, where not.
  void AddByLine(const Line2D& line, bool above, const LatticeAffine& map) {
    const double offset = line.YAt(0);
    steps[stepCount++] = {offset - line.YAt(1), 1, -offset, above, map};
  }
  // Taken where u < at, or, when `above`, where not.
  void AddByU(double at, bool above, const LatticeAffine& map) {
    steps[stepCount++] = {1, 0, -at, above, map};
  }
};

// The program in the kernels' form, with the map to the source in 24.8 units:
// x = sx0 + sxu u + sxv v, y = sy0 + syu u + syv v, truncated toward zero.
struct FoldKernelArgs {
  float bias = 0;
  int stepCount = 0;
  struct Step {
    float nu, nv, n1;
    std::uint32_t aboveMask;  // all ones when taken where the line's test fails
    float uu, uv, u1, vu, vv, v1;
  } steps[FoldProgram::kMaxSteps] = {};
  float sx0 = 0, sxu = 0, sxv = 0, sy0 = 0, syu = 0, syv = 0;
};

// count (x, y) positions for the cell positions (u + k du, v + k dv), k = 0 .. count - 1, 0.32
// fixed point wrapping as the cell does.
using FoldPositionsKernel = void (*)(const FoldKernelArgs& args, std::uint32_t u, std::uint32_t du,
                                     std::uint32_t v, std::uint32_t dv, int count, std::int32_t* positions);
void FoldPositionsSse2(const FoldKernelArgs& args, std::uint32_t u, std::uint32_t du, std::uint32_t v,
                       std::uint32_t dv, int count, std::int32_t* positions);
void FoldPositionsAvx2(const FoldKernelArgs& args, std::uint32_t u, std::uint32_t du, std::uint32_t v,
                       std::uint32_t dv, int count, std::int32_t* positions);

// A map of the plane as a map of lattice coordinates.
template <class PlaneMap>
LatticeAffine InLattice(const TileGenerator& generator, PlaneMap&& planeMap) {
  auto map = [&](double u, double v) {
    const Point2D q = planeMap(generator.LatticeToPlane(u, v));
    return generator.PlaneToLattice(q.x, q.y);
  };
  const Point2D zero = map(0, 0), alongU = map(1, 0) - zero, alongV = map(0, 1) - zero;
  return {alongU.x, alongV.x, zero.x, alongU.y, alongV.y, zero.y};
}

// The kernel the processor record allows: AVX2, else SSE2.
FoldPositionsKernel ChooseFoldKernel();

// The mirror u -> 1 - u, v -> 1 - v and the swap of u and v.
constexpr LatticeAffine kMirrorU{-1, 0, 1, 0, 1, 0};
constexpr LatticeAffine kMirrorV{1, 0, 0, 0, -1, 1};
constexpr LatticeAffine kSwap{0, 1, 0, 1, 0, 0};

// The box of source pixels (right and bottom exclusive) that the program's reach maps to, with
// the bilinear footprint and a pixel more of margin.
RECT ReachedSource(const FoldProgram& program, const TileGenerator& generator);

// The program and the generator's map to the source (its origin added) in the kernels' form.
FoldKernelArgs KernelArgs(const FoldProgram& program, const TileGenerator& generator);

// The positions of a row of count pixels from the plane point start on, step apart along x.
void FoldRow(FoldPositionsKernel kernel, const FoldKernelArgs& args, const FoldProgram& program,
             const TileGenerator& generator, const Point2D& start, double step, int count,
             std::int32_t* positions);

}  // namespace corvel::detail
