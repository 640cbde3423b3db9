// The fold kernel written once over a lane type; each instruction-set file instantiates it with
// its own lanes (L::kWidth floats, the unsigned 0.32 coordinates as integer lanes).
#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

#include "generators/detail/FoldProgram.h"
#include "generators/detail/FoldRow.h"

namespace corvel::detail {

// How a step's tests and maps read the position. A side a u + b v + c < 0 is tested as
// a u + b v < -c (the rounded sum has the exact sum's sign), and unit and zero coefficients, as
// most folds' lines and maps in lattice coordinates have, drop their products: the same floats
// for fewer operations. Kernels are made for the kinds of the groups' programs; any other
// program runs with every step of the kinds kAnySide and kAnyMap. A bent step's side is read as
// kAnySide, or as kU, kV or kSum, or kUOrV (the sum picked where a program's step may be either):
// each the same floats.
enum SideKind { kAnySide, kU, kMinusU, kV, kMinusV, kSum, kMinusSum, kUMinusV, kVMinusU, kUOrV };
enum MapKind { kAnyMap, kPlusU, kFromU, kPlusV, kFromV, kConstant };

// The functions here that take no lanes are static: each kernel's file, compiled for its own
// instruction set, keeps its own copy, so that the SSE2 kernel never calls an AVX2 one.
static constexpr SideKind SideKindOf(float a, float b) {
  if (b == 0) return a == 1 ? kU : (a == -1 ? kMinusU : kAnySide);
  if (a == 0) return b == 1 ? kV : (b == -1 ? kMinusV : kAnySide);
  if (a == b) return a == 1 ? kSum : (a == -1 ? kMinusSum : kAnySide);
  if (a == -b) return a == 1 ? kUMinusV : (a == -1 ? kVMinusU : kAnySide);
  return kAnySide;
}

static constexpr SideKind BentSideKindOf(float a, float b) {
  const SideKind kind = SideKindOf(a, b);
  return kind == kU || kind == kV || kind == kSum ? kind : kAnySide;
}

static constexpr MapKind MapKindOf(float a, float b) {
  if (b == 0) return a == 1 ? kPlusU : (a == -1 ? kFromU : (a == 0 ? kConstant : kAnyMap));
  if (a == 0) return b == 1 ? kPlusV : (b == -1 ? kFromV : kAnyMap);
  return kAnyMap;
}

// A step's kinds in one number: side, also, map of u, map of v; whether it only raises u (or v)
// to a bound, the larger of the two; whether its side is bent by a bump, the side then read as
// BentSideKindOf gives (kinds that give kAnySide for a bent step take any, kUOrV u or v); and whether it
// marks the pixels near its bent seam. A kernel for any kinds of a bent program reads each step's bend and
// marks at run time (kAnyBend); a known program's step of any kinds is never bent, as StepCodeOf gives a bent
// step kBent: straight programs' kernels carry no bent code, which would cost them registers in every step.
// In a program with corners, whether the step tests the start, the previous step's line again, and a second
// line: a known program's in its kinds, any kinds' read at run time (kCornersAsRead), a load and a branch
// each.
constexpr int kClampU = 1 << 16, kClampV = 1 << 17, kBent = 1 << 18, kMarksNear = 1 << 19, kAnyBend = 1 << 20;
constexpr int kFromStart = 1 << 21, kSameSide = 1 << 22, kAlso = 1 << 23, kCornersAsRead = 1 << 24;
// Whether a straight step is taken outside its side or inside, where a known program's kinds say:
// its test then stands as it is, unflipped. StepCodeOf leaves it out, matched only where given.
constexpr int kTakenAbove = 1 << 25, kTakenBelow = 1 << 26;
// Whether a known program's step tests the previous step's line again, on the position as that
// step left it: where it moved none of the lanes, its test stands.
constexpr int kRetestsLine = 1 << 27;
// Where a known program's bent step's bumps read the position as it finds it: past its first bent
// step, a step whose kinds say so (kReadsHere); its first bent step always (kReadsFirst, which the
// kernel adds). Any kinds' read at run time.
constexpr int kReadsHere = 1 << 28, kReadsFirst = 1 << 29;
// A known program's bent step that only marks the pixels near its line, moving none: it tests only
// whether a lane's bent sum may lie in its marked range, and leaves the other steps' record of
// sides as it was (no step after it may read that record).
constexpr int kMovesNothing = 1 << 30;
static constexpr int StepCode(SideKind side, SideKind also, MapKind mapU, MapKind mapV) {
  return side | also << 4 | mapU << 8 | mapV << 12;
}

static inline int StepCodeOf(const FoldKernelArgs::Step& s) {
  const bool bent = s.bend != 0;
  return StepCode(bent ? BentSideKindOf(s.nu, s.nv) : SideKindOf(s.nu, s.nv), SideKindOf(s.alsoNu, s.alsoNv),
                  MapKindOf(s.uu, s.uv), MapKindOf(s.vu, s.vv)) |
         (s.clampUMask ? kClampU : 0) | (s.clampVMask ? kClampV : 0) | (bent ? kBent : 0) |
         (bent && s.plannedMask ? kMarksNear : 0) | (s.fromStartMask ? kFromStart : 0) |
         (s.sameSideMask ? kSameSide : 0) | (s.alsoMask ? kAlso : 0);
}

// The kernels hold cell positions in 2^24ths, as they are stepped: scaled by a power of two, a
// float rounds to the same bits scaled, so that every sum, product and test gives the bits it gives
// in cells, and each conversion saves a product. The steps' constants and bounds are scaled up, the
// coefficients that take a position out of cells (the bumps' and the source map's) down.
constexpr float kToUnits = 0x1p24f, kToCells = 0x1p-24f;

// Sides and affine functions in lanes, read by their kind.
template <class L>
struct LaneSide {
  // The kinds that test the sum negated compare it with c itself; the kind is the one the side is
  // read by, so that any side read as kAnySide keeps its bound -c.
  template <int kKind>
  LaneSide(float a, float b, float c, std::integral_constant<int, kKind>)
      : a(L::Splat(a)),
        b(L::Splat(b)),
        bound(L::Splat(kToUnits * (kKind == kMinusU || kKind == kMinusV || kKind == kMinusSum ? c : -c))),
        pickV(L::Mask(b != 0 ? ~0u : 0u)) {}
  template <int kKind>
  typename L::Masks Inside(typename L::Floats u, typename L::Floats v) const {
    if constexpr (kKind == kU) return L::Less(u, bound);
    if constexpr (kKind == kMinusU) return L::Less(bound, u);
    if constexpr (kKind == kV) return L::Less(v, bound);
    if constexpr (kKind == kMinusV) return L::Less(bound, v);
    if constexpr (kKind == kSum) return L::Less(L::Add(u, v), bound);
    if constexpr (kKind == kMinusSum) return L::Less(bound, L::Add(u, v));
    if constexpr (kKind == kUMinusV) return L::Less(L::Sub(u, v), bound);
    if constexpr (kKind == kVMinusU) return L::Less(L::Sub(v, u), bound);
    if constexpr (kKind == kAnySide || kKind == kUOrV) return L::Less(Sum<kKind>(u, v), bound);
  }
  // The sum of a bent side, read as BentSideKindOf gives or as kUOrV, tested against bound.
  template <int kKind>
  typename L::Floats Sum(typename L::Floats u, typename L::Floats v) const {
    if constexpr (kKind == kU) return u;
    if constexpr (kKind == kV) return v;
    if constexpr (kKind == kSum) return L::Add(u, v);
    if constexpr (kKind == kUOrV) return L::Select(pickV, v, u);
    return L::Add(L::Mul(u, a), L::Mul(v, b));
  }
  typename L::Floats a, b, bound;
  // kUOrV's: set where the side is v.
  typename L::Masks pickV;
};

template <class L>
struct LaneAffine {
  LaneAffine(float a, float b, float c) : a(L::Splat(a)), b(L::Splat(b)), c(L::Splat(c)) {}
  template <int kKind>
  typename L::Floats At(typename L::Floats u, typename L::Floats v) const {
    if constexpr (kKind == kPlusU) return L::Add(u, c);
    if constexpr (kKind == kFromU) return L::Sub(c, u);
    if constexpr (kKind == kPlusV) return L::Add(v, c);
    if constexpr (kKind == kFromV) return L::Sub(c, v);
    if constexpr (kKind == kConstant) return c;
    if constexpr (kKind == kAnyMap) return L::Add(L::Add(L::Mul(u, a), L::Mul(v, b)), c);
  }
  typename L::Floats a, b, c;
};

// The lowest and highest sums, less the side's constant, that a bent step tests against: its
// line's and, where it marks, its planned range's ends.
static inline float LowestBentTest(const FoldKernelArgs::Step& s) {
  return s.plannedMask && s.plannedFrom < 0 ? s.plannedFrom - s.n1 : -s.n1;
}
static inline float HighestBentTest(const FoldKernelArgs::Step& s) {
  return s.plannedMask && s.plannedTo > 0 ? s.plannedTo - s.n1 : -s.n1;
}
// In 2^24ths, beyond the bump's reach: the floats' error in the sums, some 8 units of positions
// within a few cells, and in the bump.
constexpr float kBumpSlack = 256;
// The straight sums, less the side's constant, between which a bent step's bump may take the sum
// across its line or into its planned range.
static inline float BentCloseFrom(const FoldKernelArgs::Step& s) {
  return kToUnits * (LowestBentTest(s) - s.bendReach) - kBumpSlack;
}
static inline float BentCloseTo(const FoldKernelArgs::Step& s) {
  return kToUnits * (HighestBentTest(s) + s.bendReach) + kBumpSlack;
}

// The steps' coefficients in lanes, loaded once for a run, for the kinds in code.
template <class L>
struct LaneStep {
  template <int kCode>
  LaneStep(const FoldKernelArgs::Step& s, std::integral_constant<int, kCode>)
      : side(s.nu, s.nv, s.n1, std::integral_constant<int, (kCode & 15)>()),
        also(s.alsoNu, s.alsoNv, s.alsoN1, std::integral_constant<int, (kCode >> 4 & 15)>()),
        above(L::Mask(s.aboveMask)),
        mapU(s.uu, s.uv, kToUnits * s.u1),
        mapV(s.vu, s.vv, kToUnits * s.v1),
        bend(L::Splat(kToUnits * s.bend)),
        bendT(kToCells * s.bendTu, kToCells * s.bendTv, s.bendT1),
        bendT2(kToCells * s.bendT2u, kToCells * s.bendT2v, s.bendT21),
        nearFrom(L::Splat(kToUnits * (s.plannedFrom - s.n1))),
        nearTo(L::Splat(kToUnits * (s.plannedTo - s.n1))),
        closeFrom(L::Splat(BentCloseFrom(s))),
        closeTo(L::Splat(BentCloseTo(s))),
        untakenFlip(L::Splat(s.aboveMask ? -0.0f : 0.0f)),
        untakenFrom(L::Splat(s.aboveMask ? -BentCloseFrom(s) : BentCloseTo(s))) {}
  LaneSide<L> side, also;
  typename L::Masks above;
  LaneAffine<L> mapU, mapV;
  typename L::Floats bend;
  LaneAffine<L> bendT, bendT2;
  // The planned range of the bent sum, less the side's constant, as Sum reads it.
  typename L::Floats nearFrom, nearTo;
  // Outside these, the bump can take the sum neither across the side's line nor into the planned
  // range: the lanes of a group all outside take the straight test, with the same outcome.
  typename L::Floats closeFrom, closeTo;
  // Where the straight sum, negated where the step is taken above its line, lies at least
  // untakenFrom, the lane lies beyond the bump's reach on the side the step does not take.
  typename L::Floats untakenFlip, untakenFrom;
};

// The bump's shape of t.
template <class L>
[[gnu::always_inline]] inline typename L::Floats BumpShapeLanes(const FoldKernelArgs::Step& plain,
                                                                typename L::Floats t) {
  using F = typename L::Floats;
  const F one = L::Splat(1.0f);
  if (plain.bendClampMask) t = L::Max(L::Min(t, one), L::Splat(0.0f));
  return plain.bendSMask ? L::Mul(L::Sub(one, L::Add(t, t)), L::Min(t, L::Sub(one, t)))
                         : L::Mul(t, L::Sub(one, t));
}

// What a known program's bumps are, where its kinds say: any, read at run time; or the larger of two
// bumps t (1 - t), t clamped, the first of u alone and the second of v alone ("CM"'s), whose sums
// drop the products by nought, which add nought.
enum BumpKind { kAnyBump, kLargerOfUAndV };

// The step's bump's shape of the position (bu, bv).
template <class L, int kBump = kAnyBump>
[[gnu::always_inline]] inline typename L::Floats BumpShapeOf(const FoldKernelArgs::Step& plain,
                                                             const LaneStep<L>& s, typename L::Floats bu,
                                                             typename L::Floats bv) {
  if constexpr (kBump == kLargerOfUAndV) {
    const typename L::Floats one = L::Splat(1.0f), none = L::Splat(0.0f);
    const typename L::Floats t = L::Max(L::Min(L::Add(L::Mul(bu, s.bendT.a), s.bendT.c), one), none);
    const typename L::Floats t2 = L::Max(L::Min(L::Add(L::Mul(bv, s.bendT2.b), s.bendT2.c), one), none);
    return L::Max(L::Mul(t, L::Sub(one, t)), L::Mul(t2, L::Sub(one, t2)));
  }
  typename L::Floats shape = BumpShapeLanes<L>(plain, s.bendT.template At<kAnyMap>(bu, bv));
  if (plain.twoBumpsMask) {
    const typename L::Floats second = BumpShapeLanes<L>(plain, s.bendT2.template At<kAnyMap>(bu, bv));
    shape = plain.smallerMask ? L::Min(shape, second) : L::Max(shape, second);
  }
  return shape;
}

// What the steps of a group of lanes share as they go: the position the bumps read and the last
// bump's shape worked out on it (where kept), where the last step's line had the position inside,
// the pixels marked near a bent seam, whether the last step moved any lane.
template <class L>
struct StepsState {
  typename L::Floats bu, bv;
  typename L::Masks inside, near;
  typename L::Floats shape;
  bool moved = true, shapeKept = false;
};

// The side's sum straight bent by the bump of the state's position, its shape worked out again
// only where the step's bump is not the one before's.
template <class L, int kBump>
[[gnu::always_inline]] inline typename L::Floats BentSum(const FoldKernelArgs::Step& plain,
                                                         const LaneStep<L>& s, typename L::Floats straight,
                                                         StepsState<L>& state) {
  if (!plain.sameBumpMask || !state.shapeKept) {
    state.shape = BumpShapeOf<L, kBump>(plain, s, state.bu, state.bv);
    state.shapeKept = true;
  }
  return L::Add(straight, L::Mul(s.bend, state.shape));
}

// Whether the position (tu, tv) lies inside the step's side, bent where the step's kinds say so
// (or, with kAnyBend, where the step has a bend) by the bump of the state's position, the one
// before the first bent step, taken there; the pixels near a bent seam added to near. Where every
// lane lies beyond a bent step's reach on the side it does not take, untouched is set: the step
// neither moves nor marks any.
template <class L, int kCode, int kBump>
[[gnu::always_inline]] inline typename L::Masks InsideSide(const FoldKernelArgs::Step& plain,
                                                           const LaneStep<L>& s, typename L::Floats tu,
                                                           typename L::Floats tv, StepsState<L>& state,
                                                           bool& untouched) {
  constexpr bool kBentKinds = (kCode & kBent) != 0;
  if constexpr (kBentKinds || (kCode & kAnyBend) != 0) {
    if (kBentKinds || plain.bend != 0) {
      if (kBentKinds ? (kCode & (kReadsHere | kReadsFirst)) != 0 : plain.bumpsHereMask != 0) {
        state.bu = tu;
        state.bv = tv;
        state.shapeKept = false;
      }
      const typename L::Floats straight = s.side.template Sum<(kCode & 15)>(tu, tv);
      // Most groups of lanes lie well away from the bent line: the bump cannot move them across.
      if (!L::Any(L::Less(L::Xor(straight, s.untakenFlip), s.untakenFrom))) {
        untouched = true;
        return L::Less(straight, s.side.bound);
      }
      if (!L::Any(L::And(L::Less(s.closeFrom, straight), L::Less(straight, s.closeTo))))
        return L::Less(straight, s.side.bound);
      const typename L::Floats sum = BentSum<L, kBump>(plain, s, straight, state);
      if ((kCode & kMarksNear) != 0 || ((kCode & kAnyBend) != 0 && plain.plannedMask))
        state.near = L::Or(state.near, L::And(L::Less(s.nearFrom, sum), L::Less(sum, s.nearTo)));
      return L::Less(sum, s.side.bound);
    }
  }
  return s.side.template Inside<(kCode & 15)>(tu, tv);
}

// Marks, where a step that moves nothing says so, the pixels whose side's sum, bent by the bump of the
// state's position (read here where the step's kinds say so), lies in the step's marked range; only
// a group of lanes within the bump's reach of that range works the bump out.
template <class L, int kCode, int kBump>
[[gnu::always_inline]] inline void MarkNearBentSide(const FoldKernelArgs::Step& plain, const LaneStep<L>& s,
                                                    typename L::Floats tu, typename L::Floats tv,
                                                    StepsState<L>& state) {
  if constexpr ((kCode & (kReadsHere | kReadsFirst)) != 0) {
    state.bu = tu;
    state.bv = tv;
    state.shapeKept = false;
  }
  const typename L::Floats straight = s.side.template Sum<(kCode & 15)>(tu, tv);
  if (!L::Any(L::And(L::Less(s.closeFrom, straight), L::Less(straight, s.closeTo)))) return;
  const typename L::Floats sum = BentSum<L, kBump>(plain, s, straight, state);
  state.near = L::Or(state.near, L::And(L::Less(s.nearFrom, sum), L::Less(sum, s.nearTo)));
}

// The program's steps in lanes, only as many as it has.
template <class L, class Kinds, std::size_t... kIndex>
std::array<LaneStep<L>, sizeof...(kIndex)> LaneSteps(const FoldKernelArgs& a,
                                                     std::index_sequence<kIndex...>) {
  return {LaneStep<L>(a.steps[kIndex], std::integral_constant<int, Kinds::kCode[kIndex]>())...};
}

// One step on the position (fu, fv) that started as (startU, startV). The steps are inline whatever
// the file's other kernels: out of line, a step costs a call and its lanes' round trip through
// memory for each group of pixels.
template <class L, bool kCorners, int kCode, int kBump>
[[gnu::always_inline]] inline void FoldStepLanes(const FoldKernelArgs::Step& plain, const LaneStep<L>& s,
                                                 typename L::Floats startU, typename L::Floats startV,
                                                 typename L::Floats& fu, typename L::Floats& fv,
                                                 StepsState<L>& state) {
  using F = typename L::Floats;
  if constexpr ((kCode & kClampU) != 0) {
    fu = L::Max(fu, s.mapU.c);
    state.moved = true;
    return;
  }
  if constexpr ((kCode & kClampV) != 0) {
    fv = L::Max(fv, s.mapV.c);
    state.moved = true;
    return;
  }
  constexpr bool kRead = (kCode & kCornersAsRead) != 0;
  const bool fromStart = kCorners && (kRead ? plain.fromStartMask != 0 : (kCode & kFromStart) != 0);
  const bool sameSide = kCorners && (kRead ? plain.sameSideMask != 0 : (kCode & kSameSide) != 0);
  const bool also = kCorners && (kRead ? plain.alsoMask != 0 : (kCode & kAlso) != 0);
  const F tu = fromStart ? startU : fu, tv = fromStart ? startV : fv;
  if constexpr ((kCode & kMovesNothing) != 0) {
    static_assert((kCode & kBent) != 0 && (kCode & kMarksNear) != 0, "a step that moves nothing marks");
    MarkNearBentSide<L, kCode, kBump>(plain, s, tu, tv, state);
    state.moved = false;
    return;
  }
  // The regions of a fold by turns share their lines: a line tested on the same start is not
  // tested again.
  typename L::Masks& inside = state.inside;
  const bool standing = sameSide || ((kCode & kRetestsLine) != 0 && !state.moved);
  bool untouched = false;
  if (!standing) inside = InsideSide<L, kCode, kBump>(plain, s, tu, tv, state, untouched);
  state.moved = false;
  if (untouched) return;
  // A bent step that only marks the pixels near its line is done.
  if constexpr ((kCode & (kBent | kAnyBend)) != 0) {
    if (plain.movesNothingMask) return;
  }
  // Taken where set, or, taken above a line the kinds say so of, where clear.
  bool clearTaken = (kCode & kTakenAbove) != 0;
  typename L::Masks taken = (kCode & (kTakenAbove | kTakenBelow)) != 0 ? inside : L::Xor(inside, s.above);
  // Neighbours mostly lie in one region: a step none of them takes costs only its test.
  if (clearTaken ? L::Bits(taken) == (1 << L::kWidth) - 1 : !L::Any(taken)) return;
  if (also) {
    const typename L::Masks alsoInside = s.also.template Inside<(kCode >> 4 & 15)>(tu, tv);
    taken = clearTaken ? L::AndNot(taken, alsoInside) : L::And(taken, alsoInside);
    clearTaken = false;
    if (!L::Any(taken)) return;
  }
  const F mu = s.mapU.template At<(kCode >> 8 & 15)>(fu, fv);
  const F mv = s.mapV.template At<(kCode >> 12 & 15)>(fu, fv);
  fu = clearTaken ? L::Select(taken, fu, mu) : L::Select(taken, mu, fu);
  fv = clearTaken ? L::Select(taken, fv, mv) : L::Select(taken, mv, fv);
  state.moved = true;
}

// A program's shape: whether it has corners, and its steps' kinds.
template <bool kCorners, int... kCodes>
struct ProgramKinds {
  static constexpr bool kHasCorners = kCorners;
  static constexpr int kBump = kAnyBump;
  static constexpr int kSteps = int(sizeof...(kCodes));
  static constexpr int kCode[sizeof...(kCodes) + 1] = {kCodes..., 0};
  static constexpr bool kMarks = (((kCodes & (kMarksNear | kAnyBend)) != 0) || ... || false);
  static_assert(
      [] {
        for (int i = 0; i + 1 < kSteps; ++i)
          if ((kCode[i] & kMovesNothing) != 0 && (kCode[i + 1] & (kSameSide | kRetestsLine)) != 0)
            return false;
        return true;
      }(),
      "no step reads the sides a step that moves nothing leaves");
  static constexpr int kFirstBent = [] {
    for (int i = 0; i < kSteps; ++i)
      if ((kCode[i] & kBent) != 0) return i;
    return -1;
  }();
};

// A program's kinds whose bent steps' bumps are all of one kind.
template <int kBumpKind, class Kinds>
struct WithBumps : Kinds {
  static constexpr int kBump = kBumpKind;
};

// The steps one after another, unrolled; the lanes near a bent seam in near.
template <class L, class Kinds, std::size_t kCount, std::size_t... kIndex>
[[gnu::always_inline]] inline void FoldStepsLanes(
    [[maybe_unused]] const FoldKernelArgs& a, [[maybe_unused]] const std::array<LaneStep<L>, kCount>& steps,
    [[maybe_unused]] typename L::Floats startU, [[maybe_unused]] typename L::Floats startV,
    [[maybe_unused]] typename L::Floats& fu, [[maybe_unused]] typename L::Floats& fv, typename L::Masks& near,
    std::index_sequence<kIndex...>) {
  [[maybe_unused]] StepsState<L> state{startU, startV, typename L::Masks{}, near, L::Splat(0.0f)};
  (FoldStepLanes<L, Kinds::kHasCorners,
                 Kinds::kCode[kIndex] | (int(kIndex) == Kinds::kFirstBent ? kReadsFirst : 0), Kinds::kBump>(
       a.steps[kIndex], steps[kIndex], startU, startV, fu, fv, state),
   ...);
  near = state.near;
}

// Each mask of up to eight lanes as bytes, 1 for each lane set.
struct LaneMaskBytes {
  std::uint64_t of[256];
};
constexpr LaneMaskBytes MakeLaneMaskBytes() {
  LaneMaskBytes bytes{};
  for (int mask = 0; mask < 256; ++mask)
    for (int lane = 0; lane < 8; ++lane)
      if (mask >> lane & 1) bytes.of[mask] |= std::uint64_t{1} << (8 * lane);
  return bytes;
}
inline constexpr LaneMaskBytes kLaneMaskBytes = MakeLaneMaskBytes();

// Marks (1) the pixels k + i, short of end, of the lanes i set in near: a whole group of lanes in
// one store, where a lane at a time cost a mispredicted branch about every pixel of a wide band.
// Lanes wider than a mask's bytes hold store theirs masked.
template <class L>
inline void MarkLanes(typename L::Masks near, std::uint8_t* marks, int k, int end) {
  if constexpr (L::kWidth > 8) {
    if (L::Any(near)) L::MarkOnes(near, marks + k, end - k);
  } else {
    int bits = L::Bits(near);
    if (bits == 0) return;
    if (k + L::kWidth <= end) {
      std::uint64_t group = 0;
      std::memcpy(&group, marks + k, L::kWidth);
      group |= kLaneMaskBytes.of[bits];
      std::memcpy(marks + k, &group, L::kWidth);
      return;
    }
    for (; bits != 0; bits &= bits - 1) {
      const int x = k + __builtin_ctz(unsigned(bits));
      if (x < end) marks[x] = 1;
    }
  }
}

// With the program's kinds fixed, the steps are unrolled and their coefficients made once a row,
// not once a span.
template <class L, class Kinds>
void FoldPositionsUnrolled(const FoldKernelArgs& a, const std::uint32_t* starts, std::uint32_t du,
                           std::uint32_t dv, int count, std::int32_t* positions, float* exactX, float* exactY,
                           std::uint8_t* marks) {
  using F = typename L::Floats;
  using I = typename L::Ints;
  constexpr int kWidth = L::kWidth;
  constexpr auto kEach = std::make_index_sequence<std::size_t(Kinds::kSteps)>();
  static_assert(kFoldSpan % kWidth == 0, "spans hold whole runs of lanes");
  const I uStep = L::Splat(du * kWidth), vStep = L::Splat(dv * kWidth);
  const F bias = L::Splat(kToUnits * a.bias);
  const F sx0 = L::Splat(a.sx0), sxu = L::Splat(kToCells * a.sxu), sxv = L::Splat(kToCells * a.sxv);
  const F sy0 = L::Splat(a.sy0), syu = L::Splat(kToCells * a.syu), syv = L::Splat(kToCells * a.syv);
  const I wholeX = L::Splat(std::uint32_t(a.x0)), wholeY = L::Splat(std::uint32_t(a.y0));
  const F floatX = L::Splat(float(a.x0)), floatY = L::Splat(float(a.y0));
  const auto steps = LaneSteps<L, Kinds>(a, kEach);
  alignas(32) std::int32_t tail[2 * kWidth];
  for (int first = 0; first < count; first += kFoldSpan, starts += 2) {
    // Half a 2^24th added once, that each position rounds to its nearest.
    I us = L::Ramp(starts[0] + 128u, du), vs = L::Ramp(starts[1] + 128u, dv);
    const int end = count - first < kFoldSpan ? count : first + kFoldSpan;
    for (int k = first; k < end; k += kWidth) {
      F fu = L::Sub(L::Whole24ths(us), bias), fv = L::Sub(L::Whole24ths(vs), bias);
      us = L::Add(us, uStep);
      vs = L::Add(vs, vStep);
      const F startU = fu, startV = fv;
      typename L::Masks near = L::Less(bias, bias);
      FoldStepsLanes<L, Kinds>(a, steps, startU, startV, fu, fv, near, kEach);
      if constexpr (Kinds::kMarks) {
        if (marks) MarkLanes<L>(near, marks, k, end);
      }
      const F x = L::Add(L::Add(sx0, L::Mul(fu, sxu)), L::Mul(fv, sxv));
      const F y = L::Add(L::Add(sy0, L::Mul(fu, syu)), L::Mul(fv, syv));
      // Rounded down, which commutes with the whole units added: the offsets may lie below 0.
      const I truncatedX = L::Add(L::Floor(x), wholeX), truncatedY = L::Add(L::Floor(y), wholeY);
      if (k + kWidth <= end) {
        L::StorePairs(positions + 2 * k, truncatedX, truncatedY);
        if (exactX) {
          L::Store(exactX + k, L::Add(x, floatX));
          L::Store(exactY + k, L::Add(y, floatY));
        }
      } else {
        L::StorePairs(tail, truncatedX, truncatedY);
        std::memcpy(positions + 2 * k, tail, sizeof(std::int32_t) * 2 * std::size_t(end - k));
        if (!exactX) continue;
        alignas(32) float exactTail[kWidth];
        L::Store(exactTail, L::Add(x, floatX));
        std::memcpy(exactX + k, exactTail, sizeof(float) * std::size_t(end - k));
        L::Store(exactTail, L::Add(y, floatY));
        std::memcpy(exactY + k, exactTail, sizeof(float) * std::size_t(end - k));
      }
    }
  }
}

// The kinds of the programs the groups make, with and without their edge steps (steps that set u
// or v, taking a pixel right on a hard seam onto the side every copy shows): each step as StepCode
// makes it (hex digits from the right: side, also, map of u, map of v). A corner is tested on the
// position as the steps before moved it (kCorner), or on the start, once for steps that share the
// line (kStartCorner, then kSameStartCorner). Straight ones first.
constexpr int kCorner = kAlso, kStartCorner = kFromStart | kAlso, kSameStartCorner = kStartCorner | kSameSide;
using StraightPrograms = std::tuple<
    // the wrap alone
    ProgramKinds<false>,
    // half turns: across u + v, and with corners also in three corners
    ProgramKinds<true, kTakenAbove | 0x4205, kTakenBelow | kCorner | 0x4223, kTakenBelow | kCorner | 0x4241,
                 kTakenBelow | kCorner | 0x4226>,
    ProgramKinds<false, kTakenAbove | 0x4205>,
    // a mirror across a line of v
    ProgramKinds<false, kTakenAbove | 0x4103>,
    // a glide across a line of u, and two edge steps
    ProgramKinds<false, kTakenAbove | 0x4101, kTakenBelow | 0x4502, kTakenBelow | 0x5104>,
    ProgramKinds<false, kTakenAbove | 0x4101>,
    // mirrors across lines of v and of u
    ProgramKinds<false, kTakenAbove | 0x4103, kTakenAbove | 0x3201>,
    // a half turn and a mirror across lines of v, with corners also a half turn in a corner and an
    // edge step
    ProgramKinds<true, kTakenAbove | 0x4203, kTakenAbove | 0x4103, kTakenBelow | kCorner | 0x4223,
                 kTakenBelow | 0x3502>,
    ProgramKinds<false, kTakenAbove | 0x4203, kTakenAbove | 0x4103>,
    // a half turn across a line of v and a glide across one of u, and two edge steps
    ProgramKinds<false, kTakenAbove | 0x4203, kTakenAbove | 0x4101, kTakenBelow | 0x5204,
                 kTakenBelow | 0x4502>,
    ProgramKinds<false, kTakenAbove | 0x4203, kTakenAbove | 0x4101>,
    // a mirror across a line of v - u
    ProgramKinds<false, kTakenAbove | 0x1308>,
    // mirrors across lines of v - u and of u + v, with corners also a half turn in a corner
    ProgramKinds<true, kTakenAbove | 0x1308, kTakenAbove | 0x2405, kTakenBelow | kCorner | 0x4223>,
    ProgramKinds<false, kTakenAbove | 0x1308, kTakenAbove | 0x2405>,
    // a half turn across a line of v and a quarter turn across one of u, and two edge steps
    ProgramKinds<false, kTakenBelow | 0x4204, kTakenAbove | 0x2301, kTakenBelow | 0x1504,
                 kTakenBelow | 0x1503>,
    ProgramKinds<false, kTakenBelow | 0x4204, kTakenAbove | 0x2301>,
    // mirrors across lines of v, of u and of v - u
    ProgramKinds<false, kTakenAbove | 0x4103, kTakenAbove | 0x3201, kTakenAbove | 0x1308>,
    // a half turn, a quarter turn and a mirror across a line of u + v, and an edge step
    ProgramKinds<false, kTakenBelow | 0x4204, kTakenAbove | 0x2301, kTakenAbove | 0x2405,
                 kTakenBelow | 0x1503>,
    ProgramKinds<false, kTakenBelow | 0x4204, kTakenAbove | 0x2301, kTakenAbove | 0x2405>,
    // turns of any map across lines of u + v, in corners, and a last step of any kinds
    ProgramKinds<true, kTakenBelow | kStartCorner | 0x0005, kTakenBelow | kSameStartCorner | 0x0005,
                 kTakenAbove | kSameStartCorner | 0x0005, kTakenAbove | kSameStartCorner | 0x0005,
                 kTakenBelow | 0x0000>,
    // a half turn across u + v (its map of u of any kind on a lattice a little off the hexagon), a
    // step across a line of v - u and two of any kinds
    ProgramKinds<false, kTakenAbove | 0x4205, kTakenBelow | 0x0008, kTakenBelow | 0x0000,
                 kTakenBelow | 0x0100>,
    ProgramKinds<false, kTakenAbove | 0x0205, kTakenBelow | 0x0008, kTakenBelow | 0x0000,
                 kTakenBelow | 0x0100>,
    // turns in corners: across lines of u + v; across lines of u + v, u - v and v - u with the
    // clamps of u and of v; a half turn across u + v and turns in two corners
    ProgramKinds<true, kTakenBelow | kStartCorner | 0x0005, kTakenBelow | kSameStartCorner | 0x0005,
                 kTakenAbove | kSameStartCorner | 0x0005, kTakenAbove | kSameStartCorner | 0x0005>,
    ProgramKinds<true, kTakenAbove | 0x0005, kTakenAbove | kCorner | 0x0080,
                 kRetestsLine | kTakenAbove | kCorner | 0x0070, kTakenAbove | 0x0000, kClampU | 0x3501,
                 kClampV | 0x5103>,
    ProgramKinds<true, kTakenAbove | 0x4205, kTakenAbove | kCorner | 0x0070, kTakenAbove | kCorner | 0x0080>>;

// Bent ones: a bent step's kinds are kBent with its map's (and kMarksNear where it marks), its side
// read as kAnySide, or as the side it always is: u, v, either, or u + v.
constexpr int kBentOnU = kBent | kU, kBentOnV = kBent | kV, kBentOnUOrV = kBent | kUOrV,
              kBentOnSum = kBent | kSum;
// A bent step on u or on v that only marks the pixels near its line, moving none.
constexpr int kMarksOnU = kBentOnU | kMarksNear | kMovesNothing | 0x3100,
              kMarksOnV = kBentOnV | kMarksNear | kMovesNothing | 0x3100;
using BentPrograms = std::tuple<
    // turns in corners across lines of u + v, then turns of any map across one bent seam or two,
    // marked near, and two steps that only mark the pixels in bands about other bent lines
    ProgramKinds<true, kStartCorner | 0x0005, kSameStartCorner | 0x0005, kSameStartCorner | 0x0005,
                 kSameStartCorner | 0x0005, kBent | kMarksNear, kBent | kMarksNear,
                 kBent | kMarksNear | 0x3100, kBent | kMarksNear | 0x3100>,
    ProgramKinds<true, kStartCorner | 0x0005, kSameStartCorner | 0x0005, kSameStartCorner | 0x0005,
                 kSameStartCorner | 0x0005, kBent | kMarksNear, kBent | kMarksNear>,
    ProgramKinds<true, kStartCorner | 0x0005, kSameStartCorner | 0x0005, kSameStartCorner | 0x0005,
                 kSameStartCorner | 0x0005, kBent | kMarksNear>,
    ProgramKinds<true, kStartCorner | 0x0005, kSameStartCorner | 0x0005, kSameStartCorner | 0x0005,
                 kSameStartCorner | 0x0005, kBent | kMarksNear, kBent | kMarksNear | 0x3100>,
    // a half turn across u + v and turns in two corners, then steps of any map across one bent
    // seam or two, marked near; and a step across u + v, turns in two corners, a step of any kinds
    // and the clamps of u and of v, then a step across a bent seam, marked near
    ProgramKinds<true, 0x4205, kCorner | 0x0070, kCorner | 0x0080, kBent | kMarksNear,
                 kBent | kMarksNear | kReadsHere>,
    ProgramKinds<true, 0x4205, kCorner | 0x0070, kCorner | 0x0080, kBent | kMarksNear>,
    ProgramKinds<true, 0x0005, kCorner | 0x0080, kRetestsLine | kCorner | 0x0070, 0x0000, kClampU | 0x3501,
                 kClampV | 0x5103, kBent | kMarksNear>,
    // a wrap bent by bumps: u on a cell by a bump of v, v by a bump of u
    ProgramKinds<false, kBentOnU | 0x3100, kBentOnV | 0x3100>, ProgramKinds<false, kBentOnUOrV | 0x3100>,
    // mirrors across lines of v - u and of u + v, and a half turn across a bent seam, marked near
    ProgramKinds<false, 0x1308, 0x2405, kBentOnV | kMarksNear | 0x4200>,
    // a half turn across a line of u + v; half turns across three bent seams, marked near, and,
    // feathered, two steps between them that only mark the pixels near other bent lines
    ProgramKinds<false, 0x4205, kBentOnSum | kMarksNear | 0x4200, kBentOnV | kMarksNear | 0x4200,
                 kBentOnU | kMarksNear | 0x4200>,
    ProgramKinds<false, 0x4205, kBentOnSum | kMarksNear | 0x4200, kBentOnSum | kMarksNear | 0x3100,
                 kBentOnV | kMarksNear | 0x4200, kBentOnV | kMarksNear | 0x3100,
                 kBentOnU | kMarksNear | 0x4200>,
    // and with only some of the three bent, each read as any side
    ProgramKinds<false, 0x4205, kBent | kMarksNear | 0x4200>,
    ProgramKinds<false, 0x4205, kBent | kMarksNear | 0x4200, kBent | kMarksNear | 0x4200>,
    ProgramKinds<false, 0x4205, kBent | kMarksNear | 0x4200, kBent | kMarksNear | 0x3100>,
    ProgramKinds<false, 0x4205, kBent | kMarksNear | 0x4200, kBent | kMarksNear | 0x3100,
                 kBent | kMarksNear | 0x4200>,
    ProgramKinds<false, 0x4205, kBent | kMarksNear | 0x4200, kBent | kMarksNear | 0x3100,
                 kBent | kMarksNear | 0x4200, kBent | kMarksNear | 0x3100>,
    // a mirror across a line of v, a step of u on a cell across a bent seam and one that moves
    // nothing, both marked near
    ProgramKinds<false, 0x4103, kBentOnU | kMarksNear | 0x3100, kMarksOnU>,
    // a glide across a line of u; a glide across a bent seam, a step of v on a cell across another
    // or both, each with a step that moves nothing, all marked near
    ProgramKinds<false, 0x4101, kBentOnU | kMarksNear | 0x4100, kMarksOnU, kBentOnV | kMarksNear | 0x3100,
                 kMarksOnV>,
    ProgramKinds<false, 0x4101, kBentOnU | kMarksNear | 0x4100, kMarksOnU>,
    ProgramKinds<false, 0x4101, kBentOnV | kMarksNear | 0x3100, kMarksOnV>,
    // a mirror across a line of v - u, a bent seam that swaps u and v a cell on, marked near, and a
    // step that only marks the pixels near another bent line: the seam a line of v where bent up, of
    // u where bent down, each its own kernel, which reads the side without picking it and its bumps
    // as they always are
    WithBumps<kLargerOfUAndV, ProgramKinds<false, 0x1308, kBentOnV | kMarksNear | 0x1300>>,
    WithBumps<kLargerOfUAndV, ProgramKinds<false, 0x1308, kBentOnU | kMarksNear | 0x1300>>,
    WithBumps<kLargerOfUAndV, ProgramKinds<false, 0x1308, kBentOnV | kMarksNear | 0x1300, kMarksOnU>>,
    WithBumps<kLargerOfUAndV, ProgramKinds<false, 0x1308, kBentOnU | kMarksNear | 0x1300, kMarksOnV>>,
    // a half turn and a mirror across lines of v; a step of u on a cell across a bent seam, a half
    // turn across another or both, and two steps that move nothing, all marked near
    ProgramKinds<false, 0x4203, 0x4103, kBentOnU | kMarksNear | 0x3100, kBentOnV | kMarksNear | 0x4200,
                 kMarksOnU, kMarksOnU>,
    ProgramKinds<false, 0x4203, 0x4103, kBentOnU | kMarksNear | 0x3100, kMarksOnU, kMarksOnU>,
    ProgramKinds<false, 0x4203, 0x4103, kBentOnV | kMarksNear | 0x4200>,
    // a half turn across a line of v and a quarter turn across one of u; quarter turns across two
    // bent seams, each way as its bend turns it (across v where the turn is by B, across u where by
    // A), marked near, and two steps that only mark the pixels near the lines they are glued to
    ProgramKinds<false, 0x4204, 0x2301, kBentOnV | kMarksNear | 0x1400, kBentOnV | kMarksNear | 0x1400>,
    ProgramKinds<false, 0x4204, 0x2301, kBentOnV | kMarksNear | 0x1400, kBentOnV | kMarksNear | 0x1400,
                 kMarksOnU, kMarksOnU>,
    ProgramKinds<false, 0x4204, 0x2301, kBentOnV | kMarksNear | 0x1400, kBentOnU | kMarksNear | 0x2300>,
    ProgramKinds<false, 0x4204, 0x2301, kBentOnV | kMarksNear | 0x1400, kBentOnU | kMarksNear | 0x2300,
                 kMarksOnU, kMarksOnV>,
    ProgramKinds<false, 0x4204, 0x2301, kBentOnU | kMarksNear | 0x2300, kBentOnV | kMarksNear | 0x1400>,
    ProgramKinds<false, 0x4204, 0x2301, kBentOnU | kMarksNear | 0x2300, kBentOnV | kMarksNear | 0x1400,
                 kMarksOnV, kMarksOnU>,
    ProgramKinds<false, 0x4204, 0x2301, kBentOnU | kMarksNear | 0x2300, kBentOnU | kMarksNear | 0x2300>,
    ProgramKinds<false, 0x4204, 0x2301, kBentOnU | kMarksNear | 0x2300, kBentOnU | kMarksNear | 0x2300,
                 kMarksOnV, kMarksOnV>,
    // and mirrored across u + v: across the bent seams at the corner and the centre, bent either
    // way, and, feathered, two steps that only mark the pixels near other bent lines
    ProgramKinds<false, 0x4204, 0x2301, 0x2405, kBentOnV | kMarksNear | 0x1400,
                 kBentOnU | kMarksNear | 0x2300>,
    ProgramKinds<false, 0x4204, 0x2301, 0x2405, kBentOnV | kMarksNear | 0x1400,
                 kBentOnU | kMarksNear | 0x2300, kMarksOnU, kMarksOnV>,
    ProgramKinds<false, 0x4204, 0x2301, 0x2405, kBentOnU | kMarksNear | 0x2300,
                 kBentOnV | kMarksNear | 0x1400>,
    ProgramKinds<false, 0x4204, 0x2301, 0x2405, kBentOnU | kMarksNear | 0x2300,
                 kBentOnV | kMarksNear | 0x1400, kMarksOnV, kMarksOnU>,
    // a half turn across a line of v and a glide across one of u; a glide across a bent seam, a
    // glide and half turn across another or both, and steps that move nothing, all marked near
    ProgramKinds<false, 0x4203, 0x4101, kBentOnU | kMarksNear | 0x4100, kBentOnV | kMarksNear | 0x3200,
                 kMarksOnU, kMarksOnU, kMarksOnV>,
    ProgramKinds<false, 0x4203, 0x4101, kBentOnU | kMarksNear | 0x4100, kMarksOnU, kMarksOnU>,
    ProgramKinds<false, 0x4203, 0x4101, kBentOnV | kMarksNear | 0x3200, kMarksOnV>>;

// Whether step i tests the line step i - 1 tested, both on the position as it goes and unbent.
static inline bool RetestsLine(const FoldKernelArgs& a, int i) {
  if (i == 0) return false;
  const FoldKernelArgs::Step &s = a.steps[i], &before = a.steps[i - 1];
  return s.nu == before.nu && s.nv == before.nv && s.n1 == before.n1 && !s.fromStartMask &&
         !before.fromStartMask && s.bend == 0 && before.bend == 0;
}

// Whether the step's bumps are of the kind.
static inline bool BumpHasKind(const FoldKernelArgs::Step& s, int kind) {
  return kind == kAnyBump || (kind == kLargerOfUAndV && s.bendClampMask && !s.bendSMask && s.twoBumpsMask &&
                              !s.smallerMask && s.bendTv == 0 && s.bendT2u == 0);
}

template <class Kinds>
static bool ProgramHasKinds(const FoldKernelArgs& a) {
  if (Kinds::kHasCorners != a.corners || Kinds::kSteps != a.stepCount) return false;
  for (int i = 0; i < Kinds::kSteps; ++i) {
    const int code = Kinds::kCode[i];
    const int sense = (code & (kTakenAbove | kTakenBelow)) == 0 ? 0
                      : a.steps[i].aboveMask                    ? kTakenAbove
                                                                : kTakenBelow;
    if ((code & kRetestsLine) != 0 && !RetestsLine(a, i)) return false;
    if ((code & kBent) != 0 &&
        (a.steps[i].bumpsHereMask != 0) != (i == Kinds::kFirstBent || (code & kReadsHere) != 0))
      return false;
    // Kinds that read a bent step's side as kAnySide take any, as kUOrV u or v.
    int given = StepCodeOf(a.steps[i]);
    if ((code & kBent) != 0 && (code & 15) == kAnySide) given &= ~15;
    if ((code & kBent) != 0 && (code & 15) == kUOrV && ((given & 15) == kU || (given & 15) == kV))
      given = (given & ~15) | kUOrV;
    if ((code & kMovesNothing) != 0 && !a.steps[i].movesNothingMask) return false;
    if ((code & kBent) != 0 && !BumpHasKind(a.steps[i], Kinds::kBump)) return false;
    if ((given | sense | (code & (kRetestsLine | kReadsHere | kMovesNothing))) != code) return false;
  }
  return true;
}

template <class L, class Kinds>
bool KernelIfKinds(const FoldKernelArgs& a, FoldPositionsKernel& kernel) {
  if (!ProgramHasKinds<Kinds>(a)) return false;
  kernel = FoldPositionsUnrolled<L, Kinds>;
  return true;
}

template <class L, class... Kinds>
bool KnownKernel(const std::tuple<Kinds...>*, const FoldKernelArgs& a, FoldPositionsKernel& kernel) {
  return (KernelIfKinds<L, Kinds>(a, kernel) || ...);
}

template <class... Kinds>
static bool AnyKindsOf(const std::tuple<Kinds...>*, const FoldKernelArgs& a) {
  return (ProgramHasKinds<Kinds>(a) || ...);
}

template <class L, bool kCorners, int kAny, std::size_t... kIndex>
FoldPositionsKernel AnyKindsKernelOf(std::index_sequence<kIndex...>) {
  return FoldPositionsUnrolled<L, ProgramKinds<kCorners, (int(kIndex) * 0 | kAny | kCornersAsRead)...>>;
}

// kAny: 0, or kAnyBend for a program with bends.
template <class L, bool kCorners, int kAny>
FoldPositionsKernel AnyKindsKernel(int steps) {
  switch (steps) {
    case 0:
      return AnyKindsKernelOf<L, kCorners, kAny>(std::make_index_sequence<0>());
    case 1:
      return AnyKindsKernelOf<L, kCorners, kAny>(std::make_index_sequence<1>());
    case 2:
      return AnyKindsKernelOf<L, kCorners, kAny>(std::make_index_sequence<2>());
    case 3:
      return AnyKindsKernelOf<L, kCorners, kAny>(std::make_index_sequence<3>());
    case 4:
      return AnyKindsKernelOf<L, kCorners, kAny>(std::make_index_sequence<4>());
    case 5:
      return AnyKindsKernelOf<L, kCorners, kAny>(std::make_index_sequence<5>());
    case 6:
      return AnyKindsKernelOf<L, kCorners, kAny>(std::make_index_sequence<6>());
    case 7:
      return AnyKindsKernelOf<L, kCorners, kAny>(std::make_index_sequence<7>());
    default:
      return AnyKindsKernelOf<L, kCorners, kAny>(std::make_index_sequence<8>());
  }
}

static inline bool AnyStepBent(const FoldKernelArgs& a) {
  for (int i = 0; i < a.stepCount; ++i)
    if (a.steps[i].bend != 0) return true;
  return false;
}

// Whether a kernel is made for the program's kinds.
static inline bool KindsKnown(const FoldKernelArgs& a) {
  return AnyStepBent(a) ? AnyKindsOf(static_cast<const BentPrograms*>(nullptr), a)
                        : AnyKindsOf(static_cast<const StraightPrograms*>(nullptr), a);
}

// The kernel for a program with no bent step, chosen once a render.
template <class L>
FoldPositionsKernel StraightFoldKernel(const FoldKernelArgs& a) {
  FoldPositionsKernel kernel = nullptr;
  if (KnownKernel<L>(static_cast<const StraightPrograms*>(nullptr), a, kernel)) return kernel;
  return a.corners ? AnyKindsKernel<L, true, 0>(a.stepCount) : AnyKindsKernel<L, false, 0>(a.stepCount);
}

// The kernel for a program with a bent step.
template <class L>
FoldPositionsKernel BentFoldKernel(const FoldKernelArgs& a) {
  FoldPositionsKernel kernel = nullptr;
  if (KnownKernel<L>(static_cast<const BentPrograms*>(nullptr), a, kernel)) return kernel;
  return a.corners ? AnyKindsKernel<L, true, kAnyBend>(a.stepCount)
                   : AnyKindsKernel<L, false, kAnyBend>(a.stepCount);
}

// The kernel for the program's kinds.
template <class L>
FoldPositionsKernel FoldKernelFor(const FoldKernelArgs& a) {
  return AnyStepBent(a) ? BentFoldKernel<L>(a) : StraightFoldKernel<L>(a);
}

}  // namespace corvel::detail
