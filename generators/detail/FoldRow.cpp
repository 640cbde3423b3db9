#include "generators/detail/FoldRow.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "generators/detail/DoublesRule.h"

namespace corvel::detail {

// A whole part taken off a double leaves its fraction exactly, without a call to round.
std::uint32_t FixedFractionOfAny(double t) {
  const double scaled = (t - std::floor(t)) * 0x1p32;
  // Below 2^32: a signed conversion, one instruction, holds it.
  const std::int64_t whole = std::int64_t(scaled);
  return std::uint32_t(whole + (scaled - double(whole) >= 0.5));
}

FoldPositionsKernel ChooseFoldKernel(const FoldKernelArgs& args, const CpuFeatures& cpu) {
  if (cpu.avx2 && cpu.avx512) return FoldKernelAvx512(args);
  return cpu.avx2 ? FoldKernelAvx2(args) : FoldKernelSse2(args);
}

namespace {

// The most |shape(t)| over t in [from, to].
double MostShape(const SideBend& bend, double from, double to) {
  const double ends = std::max(std::abs(bend.ShapeOf(from)), std::abs(bend.ShapeOf(to)));
  auto within = [&](double t) { return from <= t && t <= to; };
  if (bend.shape == SideBend::kBump) return within(0.5) ? 0.25 : ends;
  return within(0.25) || within(0.75) ? 0.125 : ends;
}

// How far the bend may move a side's sum at most: by t clamped, or, where its bumps read the
// position as wrapped into the cell (from -bias to 1 each way), by t over the cell; else no bound.
double BendReach(const SideBend& bend, bool readsWrapped, double bias) {
  constexpr double kNoBound = std::numeric_limits<double>::infinity();
  if (bend.amount == 0) return 0;
  if (!std::isfinite(bend.amount)) return kNoBound;
  auto reach = [&](double tu, double tv, double t1) {
    double from = -kNoBound, to = kNoBound;
    if (readsWrapped) {
      const double low = std::min(-bias, 0.0), high = std::max(1 - bias, 1.0);
      from = t1 + std::min(tu * low, tu * high) + std::min(tv * low, tv * high);
      to = t1 + std::max(tu * low, tu * high) + std::max(tv * low, tv * high);
    }
    if (bend.clamped) {
      from = std::clamp(from, 0.0, 1.0);
      to = std::clamp(to, 0.0, 1.0);
    }
    return std::isfinite(from) && std::isfinite(to) ? MostShape(bend, from, to) : kNoBound;
  };
  double most = reach(bend.tu, bend.tv, bend.t1);
  if (bend.twoBumps) most = std::max(most, reach(bend.t2u, bend.t2v, bend.t21));
  return std::abs(bend.amount) * most;
}

// Step i of the program in the kernels' form; the bumps read the position before it where
// bumpsHere, the position as wrapped into the cell where bumpsReadWrapped.
FoldKernelArgs::Step StepArgs(const FoldProgram& program, int i, bool bumpsHere, bool bumpsReadWrapped) {
  const FoldStep& s = program.steps[i];
  const LatticeAffine& m = s.map;
  // A line tested on the start, as the previous step's was, is tested once.
  const HalfPlane* previous = i > 0 && program.steps[i - 1].fromStart ? &program.steps[i - 1].side : nullptr;
  const bool sameSide = s.fromStart && previous && *previous == s.side;
  const bool plain = !s.above && !s.fromStart && s.also == HalfPlane{} && s.bend.amount == 0;
  const bool clampU = plain && s.side.nu == 1 && s.side.nv == 0 && m.uu == 0 && m.uv == 0 &&
                      m.u1 == -s.side.n1 && m.vu == 0 && m.vv == 1 && m.v1 == 0;
  const bool clampV = plain && s.side.nu == 0 && s.side.nv == 1 && m.uu == 1 && m.uv == 0 && m.u1 == 0 &&
                      m.vu == 0 && m.vv == 0 && m.v1 == -s.side.n1;
  return {float(s.side.nu),
          float(s.side.nv),
          float(s.side.n1),
          s.above ? ~0u : 0u,
          float(m.uu),
          float(m.uv),
          float(m.u1),
          float(m.vu),
          float(m.vv),
          float(m.v1),
          float(s.also.nu),
          float(s.also.nv),
          float(s.also.n1),
          s.fromStart ? ~0u : 0u,
          sameSide ? ~0u : 0u,
          s.also == HalfPlane{} ? 0u : ~0u,
          clampU ? ~0u : 0u,
          clampV ? ~0u : 0u,
          float(s.bend.amount),
          float(s.bend.tu),
          float(s.bend.tv),
          float(s.bend.t1),
          s.bend.clamped ? ~0u : 0u,
          s.bend.shape == SideBend::kS ? ~0u : 0u,
          bumpsHere ? ~0u : 0u,
          s.bend.twoBumps ? ~0u : 0u,
          float(s.bend.t2u),
          float(s.bend.t2v),
          float(s.bend.t21),
          s.bend.smaller ? ~0u : 0u,
          float(s.plannedFrom - kBentMargin),
          float(s.plannedTo + kBentMargin),
          s.marksNear ? ~0u : 0u,
          float(BendReach(s.bend, bumpsReadWrapped, program.wrapBias)),
          m.uu == 1 && m.uv == 0 && m.u1 == 0 && m.vu == 0 && m.vv == 1 && m.v1 == 0 ? ~0u : 0u,
          0u};
}

bool SameBumpShape(const FoldKernelArgs::Step& a, const FoldKernelArgs::Step& b) {
  return a.bendTu == b.bendTu && a.bendTv == b.bendTv && a.bendT1 == b.bendT1 &&
         a.bendClampMask == b.bendClampMask && a.bendSMask == b.bendSMask &&
         a.twoBumpsMask == b.twoBumpsMask &&
         (!a.twoBumpsMask || (a.bendT2u == b.bendT2u && a.bendT2v == b.bendT2v && a.bendT21 == b.bendT21 &&
                              a.smallerMask == b.smallerMask));
}

}  // namespace

FoldKernelArgs KernelArgs(const FoldProgram& program, const TileGenerator& generator) {
  FoldKernelArgs args;
  args.bias = float(program.wrapBias);
  args.stepCount = program.stepCount;
  args.corners = program.HasCorners();
  int firstBent = 0;
  while (firstBent < program.stepCount && program.steps[firstBent].bend.amount == 0) ++firstBent;
  // The bumps read the position as the last step that reads them afresh finds it: as wrapped, where
  // no step has moved it.
  bool bumpsReadWrapped = true;
  for (int i = 0; i < program.stepCount; ++i) {
    const FoldStep& step = program.steps[i];
    const bool bumpsHere = step.bend.amount != 0 && (i == firstBent || step.bend.readHere);
    if (bumpsHere) bumpsReadWrapped = i == 0 || step.fromStart;
    args.steps[i] = StepArgs(program, i, bumpsHere, bumpsReadWrapped);
  }
  // The bent steps' bumps alike since the position was last read, as "P3"'s are, are worked out once.
  for (int i = 0, read = -1; i < program.stepCount; ++i) {
    FoldKernelArgs::Step& step = args.steps[i];
    if (step.bend == 0) continue;
    if (step.bumpsHereMask) read = i;
    bool same = read >= 0 && read < i;
    for (int j = read; same && j < i; ++j)
      same = args.steps[j].bend == 0 || SameBumpShape(args.steps[j], step);
    step.sameBumpMask = same ? ~0u : 0u;
  }
  const LatticeMatrix n = generator.detN == 0 ? LatticeMatrix{1, 0, 0, 1} : generator.matN;
  const Point2D shift = generator.LatticeToSource(program.sourceShift.x, program.sourceShift.y);
  const LatticeAffine& t = program.readThrough;
  const double x0 = 256 * (generator.origin.x + shift.x + n.m00 * t.u1 + n.m01 * t.v1) + kFixedPointSlack,
               xu = 256 * (n.m00 * t.uu + n.m01 * t.vu), xv = 256 * (n.m00 * t.uv + n.m01 * t.vv);
  const double y0 = 256 * (generator.origin.y + shift.y + n.m10 * t.u1 + n.m11 * t.v1) + kFixedPointSlack,
               yu = 256 * (n.m10 * t.uu + n.m11 * t.vu), yv = 256 * (n.m10 * t.uv + n.m11 * t.vv);
  // A float sum errs by a part of the last place of its largest term: thousands of pixels into
  // the source up to an eighth of a unit, now and then across the unit the plan truncates to in
  // both coordinates at once, 2 levels off on a sharp source. The floats sum only the offset from
  // the reach's middle; its whole units, not below 0 so that what lies past the integers still
  // comes out lowest, are added to the sum rounded down.
  auto middle = [&](double at, double perU, double perV) {
    const double whole = std::round(at + perU * (program.reachFromU + program.reachU) / 2 +
                                    perV * (program.reachFromV + program.reachV) / 2);
    return whole > 0 && whole < 0x1p30 ? whole : 0;
  };
  const double wholeX = middle(x0, xu, xv), wholeY = middle(y0, yu, yv);
  args.x0 = std::int32_t(wholeX);
  args.y0 = std::int32_t(wholeY);
  args.sx0 = float(x0 - wholeX);
  args.sxu = float(xu);
  args.sxv = float(xv);
  args.sy0 = float(y0 - wholeY);
  args.syu = float(yu);
  args.syv = float(yv);
  return args;
}

void SpanStartsPlain(const LatticeMatrix& toLattice, double x, double y, double step, double bias, int first,
                     int spans, std::uint32_t* starts) {
  for (int s = 0; s < spans; ++s) {
    const double at = x + (first + s * kFoldSpan) * step;
    starts[2 * s] = FixedFraction(at * toLattice.m00 + y * toLattice.m01 + bias);
    starts[2 * s + 1] = FixedFraction(at * toLattice.m10 + y * toLattice.m11 + bias);
  }
}

SpanStartsKernel ChooseSpanStarts(const CpuFeatures& cpu) {
  return cpu.avx2 && cpu.avx512 ? SpanStartsAvx512 : SpanStartsPlain;
}

void FoldRow(FoldPositionsKernel kernel, SpanStartsKernel spanStarts, const FoldKernelArgs& args,
             const FoldProgram& program, const TileGenerator& generator, const Point2D& start, double step,
             int count, std::int32_t* positions, float* exact, std::uint8_t* marks) {
  const Point2D along = generator.PlaneToLattice(step, 0);
  const std::uint32_t du = FixedFraction(along.x), dv = FixedFraction(along.y);
  const LatticeMatrix toLattice = generator.PlaneToLatticeMatrix();
  std::uint32_t starts[2 * kSpansPerCall];
  for (int call = 0; call < count; call += kSpansPerCall * kFoldSpan) {
    const int length = std::min(count - call, kSpansPerCall * kFoldSpan);
    spanStarts(toLattice, start.x, start.y, step, program.wrapBias, call,
               (length + kFoldSpan - 1) / kFoldSpan, starts);
    kernel(args, starts, du, dv, length, positions + 2 * call, exact ? exact + call : nullptr,
           exact ? exact + count + call : nullptr, marks ? marks + call : nullptr);
  }
}

std::pair<std::uint32_t, std::uint32_t> FixedCellPosition(const FoldProgram& program,
                                                          const TileGenerator& generator,
                                                          const Point2D& start, int i) {
  const int first = i - i % kFoldSpan;
  const Point2D along = generator.PlaneToLattice(1, 0);
  const Point2D uv = generator.PlaneToLattice(start.x + first * 1.0, start.y);
  const std::uint32_t k = std::uint32_t(i - first);
  const std::uint32_t u = FixedFraction(uv.x + program.wrapBias) + k * FixedFraction(along.x),
                      v = FixedFraction(uv.y + program.wrapBias) + k * FixedFraction(along.y);
  return {(u + 128) >> 8, (v + 128) >> 8};
}

}  // namespace corvel::detail
