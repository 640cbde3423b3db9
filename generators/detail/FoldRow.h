// The fold stage: a row's cell positions stepped in 0.32 fixed point from the plane point of its
// first pixel (each span of kFoldSpan pixels from doubles), folded by the program's steps in SIMD
// lanes and mapped to 24.8 source positions.
#pragma once
#include <cstdint>
#include <utility>

#include "core/CpuFeatures.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"

namespace corvel::detail {

// The program in the kernels' form, with the map to the source in 24.8 units:
// x = sx0 + sxu u + sxv v, y = sy0 + syu u + syv v, rounded down, plus x0 and y0.
struct FoldKernelArgs {
  float bias = 0;
  int stepCount = 0;
  bool corners = false;
  struct Step {
    float nu, nv, n1;
    std::uint32_t aboveMask;  // all ones when taken where the line's test fails
    float uu, uv, u1, vu, vv, v1;
    float alsoNu, alsoNv, alsoN1;
    std::uint32_t fromStartMask;
    std::uint32_t sameSideMask;  // tests the previous step's line on the start too
    std::uint32_t alsoMask;      // tests a corner's second line
    // Raises u (or v) to u1 (v1) where below it and moves nothing else: the larger of the two.
    std::uint32_t clampUMask, clampVMask;
    // The side's sum bent by bend times the bump's shape of t = bendTu u + bendTv v + bendT1 (clamped
    // to [0, 1] where bendClampMask, of the S shape where bendSMask), of the position as it was
    // before the first bent step, or before this one where it reads them afresh (bumpsHereMask); where
    // plannedMask, the pixels whose bent sum lies in [plannedFrom, plannedTo) marked.
    float bend, bendTu, bendTv, bendT1;
    std::uint32_t bendClampMask, bendSMask, bumpsHereMask;
    // Where twoBumpsMask, the larger of the shapes of t and of bendT2u u + bendT2v v + bendT21 (the
    // smaller where smallerMask).
    std::uint32_t twoBumpsMask;
    float bendT2u, bendT2v, bendT21;
    std::uint32_t smallerMask;
    float plannedFrom, plannedTo;
    std::uint32_t plannedMask;
    // How far, in cells, the bump may move the side's sum at most: infinite where it has no bound.
    float bendReach;
    // The map is the identity: the step only marks the pixels near its bent line.
    std::uint32_t movesNothingMask;
    // The bump's shape that of every bent step before since the position was read, as worked out
    // there: kept rather than worked out again.
    std::uint32_t sameBumpMask;
  } steps[FoldProgram::kMaxSteps] = {};
  float sx0 = 0, sxu = 0, sxv = 0, sy0 = 0, syu = 0, syv = 0;
  // Whole units taken out of sx0 and sy0 and added to the positions rounded down: the floats sum
  // only the offset from the middle of the reach, and err as little as that allows.
  std::int32_t x0 = 0, y0 = 0;
};

// Each run of this many pixels starts again from doubles: stepping errors of half a unit in
// 2^32 a pixel stay far below the geometry's tolerance.
constexpr int kFoldSpan = 64;

// count (x, y) positions for the cell positions (u_s + k du, v_s + k dv), k = 0 .. kFoldSpan - 1,
// of each span s from (u_s, v_s) = (starts[2 s], starts[2 s + 1]) on; 0.32 fixed point wrapping as
// the cell does. Where exactX is given, the positions before truncation too, x and y apart; where
// marks is given, the pixels near the bent steps' seams marked (1), the others left.
using FoldPositionsKernel = void (*)(const FoldKernelArgs& args, const std::uint32_t* starts,
                                     std::uint32_t du, std::uint32_t dv, int count, std::int32_t* positions,
                                     float* exactX, float* exactY, std::uint8_t* marks);
// The kernel of each instruction set made for the program's kinds of steps.
FoldPositionsKernel FoldKernelSse2(const FoldKernelArgs& args);
FoldPositionsKernel FoldKernelAvx2(const FoldKernelArgs& args);
FoldPositionsKernel FoldKernelAvx512(const FoldKernelArgs& args);
// Each one's for a program with a bent step, which FoldKernelAvx2 and FoldKernelAvx512 hand such
// programs to.
FoldPositionsKernel BentFoldKernelAvx2(const FoldKernelArgs& args);
FoldPositionsKernel BentFoldKernelAvx512(const FoldKernelArgs& args);

// Whether the program's kinds of steps have kernels made for them, rather than the one for any
// kinds.
bool FoldKernelMadeFor(const FoldKernelArgs& args);

// The program's kernel in what the processor record allows: AVX-512, else AVX2, else SSE2.
FoldPositionsKernel ChooseFoldKernel(const FoldKernelArgs& args, const CpuFeatures& cpu);

// The program and the generator's map to the source (its origin added) in the kernels' form.
FoldKernelArgs KernelArgs(const FoldProgram& program, const TileGenerator& generator);

// The cell position of pixel i of a row from start, a pixel apart, as FoldRow's kernels read it:
// stepped in 0.32 fixed point, rounded to 0.24 (wrapping); u in first, v in second.
std::pair<std::uint32_t, std::uint32_t> FixedCellPosition(const FoldProgram& program,
                                                          const TileGenerator& generator,
                                                          const Point2D& start, int i);

// Spans a kernel call folds: its set-up is made once for them.
constexpr int kSpansPerCall = 32;

// The cell positions spans of a row start from, each from doubles: span s, s < spans <= kSpansPerCall,
// from pixel first + s kFoldSpan of a row from the plane point (x, y) on, step apart along x, taken
// to lattice coordinates by toLattice, bias added and rounded to 0.32 as FixedFraction rounds it,
// u in starts[2 s] and v in starts[2 s + 1].
using SpanStartsKernel = void (*)(const LatticeMatrix& toLattice, double x, double y, double step,
                                  double bias, int first, int spans, std::uint32_t* starts);
void SpanStartsPlain(const LatticeMatrix& toLattice, double x, double y, double step, double bias, int first,
                     int spans, std::uint32_t* starts);
// Eight spans at once in AVX-512 lanes of doubles, the same operations and so the same bits.
void SpanStartsAvx512(const LatticeMatrix& toLattice, double x, double y, double step, double bias, int first,
                      int spans, std::uint32_t* starts);
// AVX-512's where the processor record has it, else the plain one.
SpanStartsKernel ChooseSpanStarts(const CpuFeatures& cpu);

// The positions of a row of count pixels from the plane point start on, step apart along x, its
// spans' starts by spanStarts; where exact is given, also as floats before truncation: count x,
// then count y; where marks is given, the pixels near the bent steps' seams marked.
void FoldRow(FoldPositionsKernel kernel, SpanStartsKernel spanStarts, const FoldKernelArgs& args,
             const FoldProgram& program, const TileGenerator& generator, const Point2D& start, double step,
             int count, std::int32_t* positions, float* exact = nullptr, std::uint8_t* marks = nullptr);

// FixedFraction of any t, the whole part taken off first.
std::uint32_t FixedFractionOfAny(double t);

// The fraction of t in unsigned 0.32 fixed point, rounded half away from zero. Inline, as each
// span of every row starts from two: where t 2^32 + 1/2 is exact and t - floor(t) is too (t not
// in (-1, 0)), the floor of that sum less the whole part's 2^32 multiple is the same rounding, in
// one conversion. In (-1, 0), t - floor(t) is t + 1 as the double sum rounds it, which lies in
// (0, 1]: taken so first, most rows' starts left of the cell's origin stay inline.
inline std::uint32_t FixedFraction(double t) {
  if (!(t > -0x1p20 && t < 0x1p20)) return FixedFractionOfAny(t);
  if (t < 0 && t > -1) t += 1;
  // Within half a 2^32nd above 0 the sum below rounds, up to the next whole at worst; the
  // fraction rounds to 0 there (a row along an axis steps by 0 across it every row).
  if (t >= 0 && t < 0x1p-33) return 0;
  const double scaled = t * 0x1p32 + 0.5;
  const std::int64_t whole = std::int64_t(scaled);
  return std::uint32_t(whole - (double(whole) > scaled));
}

}  // namespace corvel::detail
