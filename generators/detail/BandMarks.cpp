#include "generators/detail/BandMarks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "generators/detail/DoublesRule.h"
#include "generators/detail/FoldRow.h"

namespace corvel::detail {

namespace {

using UnitBand = BandMarks::UnitBand;

// A band in units of its own period, widened by kBandMargin.
UnitBand InUnits(const FoldProgram::Band& band) {
  return {band.from / band.every - kBandMargin, band.to / band.every + kBandMargin, band.every};
}

// t in units of every: most bands repeat every unit, and a division costs a row's marking more
// than the rest of a line's arithmetic.
double InUnitsOf(double t, double every) { return every == 1 ? t : t / every; }

// Whether t lies within kBandMargin of [k every + from, k every + to) for some integer k.
bool InBand(double t, const UnitBand& band) {
  const double scaled = InUnitsOf(t, band.every), fraction = scaled - std::floor(scaled);
  auto near = [&](double f) { return f >= band.from && f < band.to; };
  return near(fraction) || near(fraction - 1) || near(fraction + 1);
}

// Far below the least distance of a pixel from a line k / 2 of a whole-pixel lattice (1 / (2 det))
// when the pixel is not on it, and far above the rounding of doubles.
constexpr double kOnLine = 1e-10;

// Whether t0 + x dt lies right on the line for some x: which x then.
bool OnTheLine(double t0, double dt, double line, double& x) {
  x = std::round((line - t0) / dt);
  return std::abs(t0 + x * dt - line) < kOnLine;
}

// Marks [first, end), not empty, of a row of count marks: a run of a few pixels, as most are, in
// one store of eight marks (the first ones, on this little-endian processor) where the row has
// room for them.
void MarkRun(std::uint8_t* marks, int first, int end, int count) {
  const int length = end - first;
  if (length <= 8 && first + 8 <= count) {
    std::uint64_t eight = 0;
    std::memcpy(&eight, marks + first, 8);
    eight |= 0x0101010101010101u >> (8 * (8 - length));
    std::memcpy(marks + first, &eight, 8);
    return;
  }
  std::memset(marks + std::size_t(first), 1, std::size_t(length));
}

}  // namespace

void MarkInPart(double r0, double dr, const BandMarks::UnitBand& part, int first, int end,
                std::uint8_t* marks) {
  auto test = [&](int x) {
    if (InBand(r0 + x * dr, part)) marks[x] = 1;
  };
  const double s0 = InUnitsOf(r0, part.every), ds = InUnitsOf(dr, part.every);
  const double a = s0 + first * ds, b = s0 + (end - 1) * ds, low = std::min(a, b), high = std::max(a, b);
  // Where s crosses one of the part's ends, or a whole number, where the test's floor steps.
  const double firstBand = std::floor(low - part.to), lastBand = std::ceil(high - part.from),
               firstWhole = std::floor(low), lastWhole = std::ceil(high);
  constexpr int kMostCrossings = 16;
  // Nearly along the part's lines, or across many of them: every pixel tested.
  constexpr double kSteady = 1e-9;
  if (std::abs(ds) < kSteady ||
      2 * (lastBand - firstBand + 1) + lastWhole - firstWhole + 1 > kMostCrossings) {
    for (int x = first; x < end; ++x) test(x);
    return;
  }
  double crossings[kMostCrossings];
  int count = 0;
  auto cross = [&](double at) { crossings[count++] = std::clamp((at - s0) / ds, first - 4.0, end + 4.0); };
  for (double k = firstBand; k <= lastBand; ++k) {
    cross(k + part.from);
    cross(k + part.to);
  }
  for (double k = firstWhole; k <= lastWhole; ++k) cross(k);
  std::sort(crossings, crossings + count);
  // Two pixels from every crossing, s lies far beyond the rounding from the test's steps: the
  // pixels between two crossings fill as the first of them tests.
  int x = first;
  for (int i = 0; i < count && x < end; ++i) {
    const int at = int(std::floor(crossings[i]));
    const int steady = std::min(end, at - 2);
    if (steady > x) {
      if (InBand(r0 + x * dr, part)) std::memset(marks + x, 1, std::size_t(steady - x));
      x = steady;
    }
    for (const int past = std::min(end, at + 3); x < past; ++x) test(x);
  }
  if (x < end && InBand(r0 + x * dr, part)) std::memset(marks + x, 1, std::size_t(end - x));
}

BandMarks::BandMarks(const FoldProgram& program, const TileGenerator& generator)
    : generator_(generator),
      slack_(program.slackPixels),
      offOnly_(program.stepsDecideSeams),
      spanStarts_(ChooseSpanStarts(generator.render.cpu)),
      toLattice_(generator.PlaneToLatticeMatrix()) {
  along_ = generator.PlaneToLattice(1, 0);
  auto add = [&](double a, double b, FoldProgram::Band band, double alongA = 0, double alongB = 0,
                 FoldProgram::Band part = {}) {
    const double reach = band.ownReach >= 0 ? band.ownReach : program.seamReach;
    band.from -= reach;
    band.to += reach;
    if (!band.planned || !(band.every > 0)) return;
    Line& line = lines_[count_++];
    line.a = a;
    line.b = b;
    line.every = band.every;
    line.reached = InUnits(band);
    line.from = band.from / band.every;
    line.to = band.to / band.every;
    line.dt = (a * along_.x + b * along_.y) / band.every;
    line.perUnit = 1 / line.dt;
    line.middle = (line.from + line.to) / 2;
    line.whole = !part.planned || !(part.every > 0);
    if (line.whole) return;
    part.from -= program.seamReach;
    part.to += program.seamReach;
    line.alongA = alongA;
    line.alongB = alongB;
    line.dr = alongA * along_.x + alongB * along_.y;
    line.part = InUnits(part);
  };
  MakeBentLanes(program);
  add(1, 0, program.bandU);
  add(0, 1, program.bandV);
  add(1, 1, program.bandSum);
  for (const FoldProgram::SkewBand& skew : program.skewBands)
    add(skew.a, skew.b, skew.band, skew.alongA, skew.alongB, skew.along);
  // Bands of lines with parts in lanes where a row crosses some band every 40 pixels or more
  // often: the doubles test a feathered band's runs across the parts' ends pixel by pixel, and
  // pay each narrow unfeathered band's crossing in mispredicted branches. Other bands cross a row
  // in a few runs, which the doubles mark faster.
  bool parts = false;
  double crossings = 0;
  for (int i = 0; i < count_; ++i) {
    parts = parts || !lines_[i].whole;
    crossings += std::abs(lines_[i].dt);
  }
  if (parts && crossings >= 1.0 / 40 && !offOnly_ && generator.detM != 0) MakeLanes();
  if (!offOnly_ || generator.detM == 0) return;
  canMark_ = false;
  auto whole = [](double t) { return t == std::round(t); };
  for (int i = 0; i < count_; ++i) {
    const Line& line = lines_[i];
    // t det is whole at every pixel, so a pixel off a line k every lies at least 1 / (det every q)
    // of a unit from it, q the least whole number that makes q every det whole: beyond the
    // margin, nothing is marked about lines without width at least two pixels apart.
    const double perLine = std::abs(generator.detM) * line.every;
    const double q = whole(perLine) ? 1 : (whole(2 * perLine) ? 2 : 0);
    const bool apart = line.whole && line.from == line.to && line.middle == 0 && whole(line.a) &&
                       whole(line.b) && q > 0 && std::abs(line.dt) < 0.5 &&
                       1 / (perLine * q) > kBandMargin * 1.01;
    if (!apart) canMark_ = true;
  }
}

void BandMarks::MakeLanes() {
  // A margin a hair wider than the doubles', far beyond the error of the positions stepped in
  // fixed point (some 2e-8 of a unit): the lanes mark every pixel the doubles mark, and the rare
  // pixel that close to a band's edge besides.
  constexpr double kWider = 0x1p-22;
  auto integral = [](double t) { return t == std::round(t) && std::abs(t) <= 8; };
  auto fixed = [](double t) { return std::uint32_t(std::int32_t(t)); };
  for (int i = 0; i < count_; ++i) {
    const Line& line = lines_[i];
    const double reach = kBandMargin + kWider + slack_ * std::abs(line.dt),
                 width = line.to - line.from + 2 * reach;
    const double partWidth = line.part.to - line.part.from + 2 * kWider;
    if (!(line.every == 1 && integral(line.a) && integral(line.b) && width > 0 && width < 1) ||
        !(line.whole || (line.part.every == 1 && integral(line.alongA) && integral(line.alongB) &&
                         partWidth > 0 && partWidth < 1)))
      return;
    lanes_.lines[i] = {fixed(line.a),
                       fixed(line.b),
                       FixedFraction(line.from - reach),
                       std::uint32_t(width * 0x1p32),
                       line.whole,
                       fixed(line.alongA),
                       fixed(line.alongB),
                       FixedFraction(line.part.from - kWider),
                       line.whole ? 0 : std::uint32_t(partWidth * 0x1p32)};
    steepest_ = std::max(steepest_, std::abs(line.dt));
  }
  lanes_.count = count_;
  lanesKernel_ = generator_.render.cpu.avx2 ? MarkBandLanesAvx2 : MarkBandLanesSse2;
}

void BandMarks::MakeBentLanes(const FoldProgram& program) {
  wrapBias_ = program.wrapBias;
  bent_.bias = float(program.wrapBias);
  for (int i = 0; i < program.bentBandCount; ++i) {
    const FoldProgram::BentBand& band = program.bentBands[i];
    const double reach = kBentMargin;
    const SideBend& bend = band.bend;
    bent_.bands[bent_.count++] = {float(band.a),
                                  float(band.b),
                                  float(bend.amount),
                                  float(bend.tu),
                                  float(bend.tv),
                                  float(bend.t1),
                                  bend.clamped,
                                  bend.shape == SideBend::kS,
                                  float(band.from - reach),
                                  float(std::min(1.0, band.to - band.from + 2 * reach))};
  }
  const CpuFeatures& cpu = generator_.render.cpu;
  if (bent_.count > 0)
    bentKernel_ = cpu.avx2 && cpu.avx512 ? MarkBentBandsAvx512
                                         : (cpu.avx2 ? MarkBentBandsAvx2 : MarkBentBandsSse2);
}

BentSpanTest::BentSpanTest(const BentBandLanes& bands, std::uint32_t du, std::uint32_t dv, int count)
    : count_(bands.count),
      bias_(bands.bias),
      reachU_(std::int64_t(std::int32_t(du)) * (count - 1)),
      reachV_(std::int64_t(std::int32_t(dv)) * (count - 1)) {
  const double lowU = double(std::min<std::int64_t>(reachU_, 0)) * 0x1p-32,
               highU = double(std::max<std::int64_t>(reachU_, 0)) * 0x1p-32,
               lowV = double(std::min<std::int64_t>(reachV_, 0)) * 0x1p-32,
               highV = double(std::max<std::int64_t>(reachV_, 0)) * 0x1p-32;
  auto spread = [&](double a, double b) -> Spread {
    return {std::min(a * lowU, a * highU) + std::min(b * lowV, b * highV),
            std::max(a * lowU, a * highU) + std::max(b * lowV, b * highV)};
  };
  for (int i = 0; i < count_; ++i) {
    const BentBandLanes::Band& band = bands.bands[i];
    bands_[i] = {band.a,
                 band.b,
                 band.from,
                 band.width,
                 band.bend,
                 band.tu,
                 band.tv,
                 band.t1,
                 band.clamped,
                 band.sShape,
                 spread(band.a, band.b),
                 spread(band.tu, band.tv)};
  }
}

bool BentSpanTest::Misses(std::uint32_t u0, std::uint32_t v0) const {
  constexpr double kSlack = 1e-4;
  // Stepped as signed, the fixed-point positions agree with the unsigned steps modulo a cell;
  // where both ends lie in the cell, so does every position between.
  const std::int64_t lastU = std::int64_t{u0} + reachU_, lastV = std::int64_t{v0} + reachV_;
  constexpr std::int64_t kCell = std::int64_t{1} << 32;
  if (lastU < 0 || lastU >= kCell || lastV < 0 || lastV >= kCell) return false;
  const double u = double(u0) * 0x1p-32 - bias_, v = double(v0) * 0x1p-32 - bias_;
  for (int b = 0; b < count_; ++b) {
    const Band& band = bands_[b];
    const double t = band.tu * u + band.tv * v + band.t1;
    double t0 = t + band.t.low, t1 = t + band.t.high;
    if (band.clamped) {
      t0 = std::clamp(t0, 0.0, 1.0);
      t1 = std::clamp(t1, 0.0, 1.0);
    }
    double shapeLow = 0, shapeHigh = 0;
    if (band.sShape) {
      if (t0 < 0 || t1 > 1) return false;
      shapeLow = -0.125;
      shapeHigh = 0.125;
    } else {
      shapeLow = std::min(t0 * (1 - t0), t1 * (1 - t1));
      const double middle = std::clamp(0.5, t0, t1);
      shapeHigh = middle * (1 - middle);
    }
    const double bumpLow = std::min(band.bend * shapeLow, band.bend * shapeHigh),
                 bumpHigh = std::max(band.bend * shapeLow, band.bend * shapeHigh);
    const double sum = band.a * u + band.b * v - band.from;
    const double sumLow = sum + band.sum.low + bumpLow - kSlack,
                 sumHigh = sum + band.sum.high + bumpHigh + kSlack;
    const double whole = std::floor(sumLow);
    if (sumHigh >= whole + 1 || sumLow - whole < band.width) return false;
  }
  return true;
}

// The kernel run over the row in calls of a few spans, each span's cell position from doubles, as
// the fold's kernels step them.
template <class Lanes>
void BandMarks::MarkBySpans(SpansKernel<Lanes> kernel, const Lanes& lanes, double bias, const Point2D& start,
                            int count, std::uint8_t* marks) const {
  const std::uint32_t du = FixedFraction(along_.x), dv = FixedFraction(along_.y);
  std::uint32_t starts[2 * kSpansPerCall];
  for (int call = 0; call < count; call += kSpansPerCall * kFoldSpan) {
    const int length = std::min(count - call, kSpansPerCall * kFoldSpan);
    spanStarts_(toLattice_, start.x, start.y, 1, bias, call, (length + kFoldSpan - 1) / kFoldSpan, starts);
    kernel(lanes, starts, du, dv, length, marks + call);
  }
}

void BandMarks::Mark(const Point2D& start, int count, std::uint8_t* marks) const {
  if (count <= 0) return;
  MarkStraight(start, count, marks);
  // The bent bands' pixels marked too, their positions wrapped as the bent fold wraps them.
  if (bentKernel_) MarkBySpans(bentKernel_, bent_, wrapBias_, start, count, marks);
}

void BandMarks::MarkStraight(const Point2D& start, int count, std::uint8_t* marks) const {
  // Unless a line's bands lie about a pixel apart, which the doubles mark whole.
  if (lanesKernel_ && steepest_ * (count - 1) + 4 <= count) {
    MarkBySpans(lanesKernel_, lanes_, 0.0, start, count, marks);
    return;
  }
  std::memset(marks, 0, std::size_t(count));
  const Point2D at = generator_.PlaneToLattice(start.x, start.y);
  for (int i = 0; i < count_; ++i) MarkLine(lines_[i], at, count, marks);
}

// Marks where the line's t lies within margin of its band, and within its part.
void BandMarks::MarkLine(const Line& line, const Point2D& at, int count, std::uint8_t* marks) const {
  const double t = line.a * at.x + line.b * at.y, t0 = InUnitsOf(t, line.every), dt = line.dt;
  const double last = t0 + (count - 1) * dt;
  const double low = std::floor(std::min(t0, last)) - 1, high = std::ceil(std::max(t0, last)) + 1;
  if (dt == 0 || high - low > count) {
    // Bands at most a pixel apart, or none crossed: the row is tested whole.
    const bool onLine = offOnly_ && dt == 0 &&
                        std::abs(t0 - line.middle - std::round(t0 - line.middle)) < kOnLine;
    if (dt != 0 || (InBand(t, line.reached) && !onLine && line.whole)) {
      std::memset(marks, 1, std::size_t(count));
    } else if (InBand(t, line.reached) && !onLine) {
      // A row along a line that is a seam only in parts: only the pixels in them, as a row
      // across it marks.
      const double r0 = line.alongA * at.x + line.alongB * at.y;
      MarkInPart(r0, line.dr, line.part, 0, count, marks);
    }
    return;
  }
  const double slack = slack_, perUnit = line.perUnit;
  const double fromStart = (line.from - kBandMargin - t0) * perUnit,
               toStart = (line.to + kBandMargin - t0) * perUnit;
  const double r0 = line.alongA * at.x + line.alongB * at.y;
  const UnitBand& along = line.part;
  for (double k = low; k <= high; ++k) {
    double from = fromStart + k * perUnit, to = toStart + k * perUnit;
    if (dt < 0) std::swap(from, to);
    // Most of the crossings tried lie off the row: passed over before any rounding.
    if (to + slack < 0 || from - slack > count) continue;
    // Whole pixels from first to end without a rounding call: the run's ends lie on the row here.
    const double fromEdge = from - slack, toEdge = to + slack;
    int first = 0;
    if (fromEdge > 0) {
      first = int(fromEdge);
      first += first < fromEdge;
    }
    const int end = toEdge < count ? int(toEdge) + 1 : count;
    if (!(first < end)) continue;
    if (!line.whole) {
      // The part's test is affine along the row: a run wholly inside one of its bands is marked
      // whole, one wholly between two passed over, and only about where a run crosses a band's end
      // are its pixels tested one by one.
      const double a = InUnitsOf(r0 + first * line.dr, along.every),
                   b = InUnitsOf(r0 + (end - 1) * line.dr, along.every);
      const double lowest = std::min(a, b), highest = std::max(a, b);
      const double inside = std::floor(lowest - along.from), gap = std::floor(lowest - along.to);
      if (highest >= inside + along.to) {
        if (highest < gap + 1 + along.from) continue;
        MarkInPart(r0, line.dr, along, first, end, marks);
        continue;
      }
    }
    // Where the steps decide a pixel right on the line, it is left to them.
    double on = 0;
    if (offOnly_ && line.whole && OnTheLine(t0, dt, k + line.middle, on) && on >= first && on < end) {
      std::memset(marks + std::size_t(first), 1, std::size_t(on - first));
      std::memset(marks + std::size_t(on) + 1, 1, std::size_t(end - on - 1));
      continue;
    }
    MarkRun(marks, first, end, count);
  }
}

}  // namespace corvel::detail
