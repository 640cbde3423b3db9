#include "generators/groups/P1Generator.h"

#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/TileWorker.h"
#include "generators/groups/GroupRoads.h"

namespace corvel {

namespace {

// One step into [0, 1) each way, with the workers' tolerance: a value within 1e-6 below 0
// stays, one within 1e-6 of 1 loses 1. Values further out than one cell are first reduced by
// whole cells, which gives what repeated steps would.
inline double WrapOnce(double t) {
  if (!(t >= -1 && t <= 2 - 1e-6)) t -= FloorOf(t);
  if (t <= -1e-6) t += 1;
  if (t > 1 - 1e-6) t -= 1;
  return t;
}

// Moves the unwrapped coordinate by a cell where the seam offset would carry it past a cell edge.
inline double PreAdjust(double t, double offset) {
  if (offset >= 1e-6) {
    if (t - offset <= -1e-6) t += 1;
  } else if (t - offset > 1 - 1e-6) {
    t -= 1;
  }
  return t;
}

// The wrap bent as the plan bends it: u goes a cell on where it lies short of the seam u = du(v),
// du = bendU v (1 - v) (where past the seam a cell on, for a bend the other way: then the positions
// lie a cell on, taken back by the source shift); v likewise by a bump of u. The pixels near the
// bent seams, and where feathered the bands past them in bent coordinates, are planned. For bends of
// less than half a cell (|bendU|, |bendV| < 2), which one step wraps.
void DescribeBentWrap(double bendU, double bendV, double f1, double f2, detail::FoldProgram& program) {
  program.wrapBias = 1e-6;
  const detail::SideBend byV{-bendU, 0, 1, 0}, byU{-bendV, 1, 0, 0};
  if (bendU > 0) program.AddBent({1, 0, 1e-6}, false, byV, {1, 0, 1, 0, 1, 0});
  if (bendU < 0) program.AddBent({1, 0, -(1 - 1e-6)}, false, byV, {1, 0, 1, 0, 1, 0});
  if (bendV > 0) program.AddBent({0, 1, 1e-6}, false, byU, {1, 0, 0, 0, 1, 1});
  if (bendV < 0) program.AddBent({0, 1, -(1 - 1e-6)}, false, byU, {1, 0, 0, 0, 1, 1});
  program.sourceShift = {bendU < 0 ? -1.0 : 0.0, bendV < 0 ? -1.0 : 0.0};
  program.reachU = bendU < 0 ? 2 : 1 + bendU / 4;
  program.reachV = bendV < 0 ? 2 : 1 + bendV / 4;
  if (f1 != 0 || bendU != 0) program.AddBentBand({1, 0, byV, 0, f1});
  if (f1 != 0 || bendV != 0) program.AddBentBand({0, 1, byU, 0, f1 != 0 ? f2 : 0});
}

// A lattice position wrapped into the cell bent by bendU (u's seam, by v) and bendV as the plan
// wraps it: the own sample (su, sv), the undisplaced position moved a cell on where the seam was
// crossed, and the coordinates (u, v) its bands are taken on, su less the bump of v, sv less that
// of u, each in [0, 1).
struct BentWrapped {
  double su, sv, u, v;
};
BentWrapped WrapBent(Point2D uv, double bendU, double bendV) {
  const double uc = WrapOnce(uv.x), vc = WrapOnce(uv.y);
  const double du = vc * (1 - vc) * bendU, dv = uc * (1 - uc) * bendV;
  const double u = WrapOnce(PreAdjust(uv.x, du) - du);
  const double v = WrapOnce(PreAdjust(uv.y, dv) - dv);
  return {u + du, v + dv, u, v};
}

POINT Scaled(POINT p, double fx, double fy, bool round) {
  const double x = p.x * (1 - fx), y = p.y * (1 - fy);
  return round ? POINT{RoundToInt(x), RoundToInt(y)} : POINT{LONG(x), LONG(y)};
}

}  // namespace

Point2D P1Generator::MapPoint(const Point2D& p) const {
  const Point2D uv = PlaneToLattice(p.x, p.y);
  return LatticeToPlane(uv.x, uv.y);
}

void P1Generator::ComputeOrigin() { origin.Set(basisB.x < 0 ? -basisB.x : 0, 0); }

// The output lattice is rounded, the source lattice truncated; x goes with f1, y with f2.
void P1Generator::ShrinkLattice() {
  basisA = Scaled(basisA, feather1, feather2, true);
  basisB = Scaled(basisB, feather1, feather2, true);
  basisC = Scaled(basisC, feather1, feather2, false);
  basisD = Scaled(basisD, feather1, feather2, false);
}

// Feathered, the bands' pixels blend as below in lanes. A pixel right on a cell's edge, on either
// side of it as its position rounds, shows the source a cell on: its own sample there, or wholly
// its partner there.
void P1Generator::DescribeBlends(detail::SeamBlends& blends) const {
  const double f1 = feather1, f2 = feather2;
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  blends.plansAsRegions = true;
  blends.AddOwn({UAbove(f1), VAbove(f2)});
  blends.AddBlend({UBelow(f1), VAbove(f2)},
                  detail::AffineOf([&](double u, double v) { return LatticeToSource(u + 1, v); }),
                  {1 / f1, 0, 0});
  blends.AddBlend({VBelow(f2), UAbove(f1)},
                  detail::AffineOf([&](double u, double v) { return LatticeToSource(u, v + 1); }),
                  {0, 1 / f2, 0});
  // Where the bands cross, mixed in doubles rather than planned, the partner across v summed first
  // as the plan sums it.
  blends.AddCorner(
      {UBelow(f1), VBelow(f2)},
      detail::AffineOf([&](double u, double v) { return LatticeToSource(u, v + 1); }), {0, 1 / f2, 0},
      detail::AffineOf([&](double u, double v) { return LatticeToSource(u + 1, v); }), {1 / f1, 0, 0},
      detail::AffineOf([&](double u, double v) { return LatticeToSource(u + 1, v + 1); }));
}

void P1Generator::DescribeBentBlends(double bendU, double bendV, Point2D shift,
                                     detail::SeamBlends& blends) const {
  const double f1 = feather1, f2 = feather2, au = shift.x, av = shift.y;
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  blends.plansAsRegions = true;
  // The bump of u's seam is of the wrapped v, which is v on the program's position below v = 1 and
  // v - 1 past it (either way, the bump is nought at the cell's edge); that of v's seam alike.
  blends.bends[0] = {-bendU, 0, 1, 0};
  blends.bends[1] = {-bendU, 0, 1, -1};
  blends.bends[2] = {-bendV, 1, 0, 0};
  blends.bends[3] = {-bendV, 1, 0, -1};
  blends.bendCount = 4;
  auto at = [&](double du, double dv) {
    return detail::AffineOf(
        [&, du, dv](double u, double v) { return LatticeToSource(u + au + du, v + av + dv); });
  };
  const detail::LatticeAffine acrossU = at(1, 0), acrossV = at(0, 1), acrossBoth = at(1, 1);
  // The band coordinates u + au less the bump (the blends' bump is its negative), v alike.
  const detail::HalfPlane inU{1, 0, au - f1}, pastU{-1, 0, f1 - au}, inV{0, 1, av - f2},
      pastV{0, -1, f2 - av};
  const detail::LatticeLinear weightU{1 / f1, 0, au / f1}, weightV{0, 1 / f2, av / f2};
  for (const bool lowU : {true, false}) {
    for (const bool lowV : {true, false}) {
      const detail::HalfPlane quarterU = lowU ? UBelow(1) : UAbove(1),
                              quarterV = lowV ? VBelow(1) : VAbove(1);
      detail::BlendBends plusU, minusU, plusV, minusV;
      plusU.times[lowV ? 0 : 1] = 1;
      minusU.times[lowV ? 0 : 1] = -1;
      plusV.times[lowU ? 2 : 3] = 1;
      minusV.times[lowU ? 2 : 3] = -1;
      blends.AddOwn({quarterU, quarterV, pastU, pastV});
      blends.BendSide(2, minusU);
      blends.BendSide(3, minusV);
      blends.AddBlend({quarterU, quarterV, inU, pastV}, acrossU, weightU);
      blends.BendSide(2, plusU);
      blends.BendSide(3, minusV);
      blends.BendWeights(plusU * (1 / f1));
      blends.AddBlend({quarterU, quarterV, inV, pastU}, acrossV, weightV);
      blends.BendSide(2, plusV);
      blends.BendSide(3, minusU);
      blends.BendWeights(plusV * (1 / f2));
      blends.AddCorner({quarterU, quarterV, inU, inV}, acrossV, weightV, acrossU, weightU, acrossBoth);
      blends.BendSide(2, plusU);
      blends.BendSide(3, plusV);
      blends.BendWeights(plusV * (1 / f2), plusU * (1 / f1));
    }
  }
}

int P1Generator::Generate(CProgressMeter* meter) {
  ShrinkLattice();
  PrepareLattice();
  const double f1 = feather1, f2 = feather2;
  const double bendU = 3 * seamK1 * kSqrt2, bendV = 3 * seamK0 * kSqrt2;
  // Unbent, every pixel outside the feather's bands is one sample of its cell position as
  // WrapOnce has it; the bands at the cell's near edges are planned as below.
  detail::FoldProgram wrapOnly;
  wrapOnly.wrapBias = 1e-6;
  if (f1 != 0) {
    wrapOnly.bandU = {true, 0, f1};
    wrapOnly.bandV = {true, 0, f2};
  }
  const bool plain = bendU == 0 && bendV == 0;
  detail::FoldProgram bentWrap;
  const GroupRoads& roads = kGroupRoads[keTilingP1];
  const bool bentFits = !plain && ProgramBends(roads, f1 != 0, seamK0, seamK1);
  if (bentFits) DescribeBentWrap(bendU, bendV, f1, f2, bentWrap);
  detail::SeamBlends blends;
  if (plain) {
    DescribeBlends(blends);
    if (f1 != 0) wrapOnly.blends = &blends;
  } else if (bentFits && f1 != 0 && roads.bandsInLanes.Holds(seamK0, seamK1)) {
    const Point2D shift = bentWrap.sourceShift;
    DescribeBentBlends(bendU, bendV, shift, blends);
    bentWrap.blends = &blends;
    // The pixels mixed in doubles wrap as the plan wraps them, on the program's positions.
    blends.planFold = [bendU, bendV, shift](Point2D cell) {
      const BentWrapped w = WrapBent(cell, bendU, bendV);
      return Point2D(w.su - shift.x, w.sv - shift.y);
    };
  }
  return RunTileWorker(
      *this, meter,
      [&](int x, int y, SamplePlan& plan) {
        const BentWrapped w = WrapBent(PlaneToLattice(x, y), bendU, bendV);
        const double u = w.u, v = w.v, su = w.su, sv = w.sv;
        // WrapOnce keeps a position a hair below a cell's edge below 0: it lies on the edge, so it
        // blends wholly its partner a cell on, as do its neighbours there, not the cell's far side.
        const bool inU = f1 != 0 && u < f1;
        const bool inV = f1 != 0 && v < f2;
        if (inU && inV) {
          const double wu = Clamp01(u / f1), wv = Clamp01(v / f2);
          plan.Clear();
          plan.Add(LatticeToSource(su, sv), wv * wu);
          plan.Add(LatticeToSource(su + 1, sv + 1), (1 - wu) * (1 - wv));
          plan.Add(LatticeToSource(su, sv + 1), (1 - wv) * wu);
          plan.Add(LatticeToSource(su + 1, sv), (1 - wu) * wv);
        } else if (inU) {
          const double w = Clamp01(u / f1);
          plan.Clear();
          plan.Add(LatticeToSource(su, sv), w);
          plan.Add(LatticeToSource(su + 1, sv), 1 - w);
        } else if (inV) {
          const double w = Clamp01(v / f2);
          plan.Clear();
          plan.Add(LatticeToSource(su, sv), w);
          plan.Add(LatticeToSource(su, sv + 1), 1 - w);
        } else {
          plan.Single(LatticeToSource(su, sv));
        }
      },
      plain ? &wrapOnly : (bentFits ? &bentWrap : nullptr));
}

}  // namespace corvel
