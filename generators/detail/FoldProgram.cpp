#include "generators/detail/FoldProgram.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

#include "core/CpuFeatures.h"
#include "generators/detail/KeptBetweenRenders.h"
#include "generators/detail/TileGenerator.h"

namespace corvel::detail {

namespace {

// Spans a kernel call folds: its set-up is made once for them.
constexpr int kSpansPerCall = 32;

// The fraction of t in unsigned 0.32 fixed point, rounded half away from zero; a whole part
// taken off a double leaves its fraction exactly, without a call to round.
std::uint32_t FixedFraction(double t) {
  const double scaled = (t - std::floor(t)) * 0x1p32;
  // Below 2^32: a signed conversion, one instruction, holds it.
  const std::int64_t whole = std::int64_t(scaled);
  return std::uint32_t(whole + (scaled - double(whole) >= 0.5));
}

// Beyond any image; keeps the conversion of a far box defined.
constexpr double kFar = 1 << 30;

}  // namespace

FoldPositionsKernel ChooseFoldKernel(const FoldKernelArgs& args, const CpuFeatures& cpu) {
  return cpu.avx2 ? FoldKernelAvx2(args) : FoldKernelSse2(args);
}

RECT ReachedSource(const FoldProgram& program, const TileGenerator& generator) {
  double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
  for (const Point2D& corner : {Point2D(0, 0), Point2D(program.reachU, 0), Point2D(0, program.reachV),
                                Point2D(program.reachU, program.reachV)}) {
    const Point2D shifted = corner + program.sourceShift;
    const Point2D p = generator.LatticeToSource(shifted.x, shifted.y) + generator.origin;
    left = std::min(left, p.x);
    top = std::min(top, p.y);
    right = std::max(right, p.x);
    bottom = std::max(bottom, p.y);
  }
  auto clamp = [](double t) { return LONG(std::clamp(t, -kFar, kFar)); };
  return {clamp(std::floor(left) - 2), clamp(std::floor(top) - 2), clamp(std::ceil(right) + 3),
          clamp(std::ceil(bottom) + 3)};
}

namespace {

LatticeAffine Then(const LatticeAffine& first, const LatticeAffine& second) {
  const LatticeAffine& m = second;
  return {m.uu * first.uu + m.uv * first.vu,        m.uu * first.uv + m.uv * first.vv,
          m.uu * first.u1 + m.uv * first.v1 + m.u1, m.vu * first.uu + m.vv * first.vu,
          m.vu * first.uv + m.vv * first.vv,        m.vu * first.u1 + m.vv * first.v1 + m.v1};
}

// The hexagon's step nearest to map: whole coefficients, offsets in sixths (the turn centres lie
// on thirds, the half turns' on halves); false when map lies too far from one to tell. The offsets
// are those that agree with map at the cell's middle: at its corner (0, 0), where they are read,
// a lattice off the hexagon moves them by as much as its coefficients err, and a mirror across
// A B on one some 4 % off lay further from a sixth than can be told.
bool NearestHexagonal(const LatticeAffine& map, LatticeAffine& whole) {
  auto round = [](double t, double unit, double& to) {
    to = std::round(t / unit) * unit;
    return std::abs(t - to) < unit / 4;
  };
  if (!(round(map.uu, 1, whole.uu) && round(map.uv, 1, whole.uv) && round(map.vu, 1, whole.vu) &&
        round(map.vv, 1, whole.vv)))
    return false;
  const double u1 = map.u1 + (map.uu - whole.uu + map.uv - whole.uv) / 2,
               v1 = map.v1 + (map.vu - whole.vu + map.vv - whole.vv) / 2;
  return round(u1, 1.0 / 6, whole.u1) && round(v1, 1.0 / 6, whole.v1);
}

// Where side(map(p)) < 0.
HalfPlane Through(const HalfPlane& side, const LatticeAffine& map) {
  return {side.nu * map.uu + side.nv * map.vu, side.nu * map.uv + side.nv * map.vv,
          side.nu * map.u1 + side.nv * map.v1 + side.n1};
}

// A convex polygon: each clip adds at most a corner, so the cell clipped by every step's two
// sides and by two bands' two has room.
struct Polygon {
  static constexpr int kRoom = 4 + 2 * FoldProgram::kMaxSteps + 4;
  // Corners past count are left unset and not copied: a render makes polygons by the hundred.
  Polygon() {}
  Polygon(const Polygon& other) : count(other.count) { std::copy_n(other.corners, count, corners); }
  Polygon& operator=(const Polygon& other) {
    count = other.count;
    std::copy_n(other.corners, count, corners);
    return *this;
  }
  union {
    Point2D corners[kRoom];
  };
  int count = 0;
};

// The part of a convex polygon where side(p) <= 0, its edge kept.
Polygon Clip(const Polygon& polygon, const HalfPlane& side) {
  const int n = polygon.count;
  double f[Polygon::kRoom];
  bool inside = true, outside = true;
  for (int i = 0; i < n; ++i) {
    const Point2D& a = polygon.corners[i];
    f[i] = side.nu * a.x + side.nv * a.y + side.n1;
    inside = inside && f[i] <= 0;
    outside = outside && f[i] > 0;
  }
  if (inside) return polygon;
  Polygon kept;
  if (outside) return kept;
  for (int i = 0; i < n; ++i) {
    const int j = i + 1 < n ? i + 1 : 0;
    const Point2D &a = polygon.corners[i], &b = polygon.corners[j];
    const double fa = f[i], fb = f[j];
    if (fa <= 0) kept.corners[kept.count++] = a;
    if ((fa < 0 && fb > 0) || (fa > 0 && fb < 0)) kept.corners[kept.count++] = a + (b - a) * (fa / (fa - fb));
  }
  return kept;
}

HalfPlane Opposite(const HalfPlane& side) { return {-side.nu, -side.nv, -side.n1}; }

bool IsWholePlane(const HalfPlane& side) { return side.nu == 0 && side.nv == 0 && side.n1 < 0; }

// A chain of steps a position may take: the convex part of the cell that takes it, the map the
// program's steps make of it and the one the hexagon's would.
struct Chain {
  Polygon part;
  LatticeAffine actual, hexagonal;

  // How far the program's steps take p from where the hexagon's would.
  Point2D DriftAt(const Point2D& p) const {
    return {(actual.uu - hexagonal.uu) * p.x + (actual.uv - hexagonal.uv) * p.y + actual.u1 - hexagonal.u1,
            (actual.vu - hexagonal.vu) * p.x + (actual.vv - hexagonal.vv) * p.y + actual.v1 - hexagonal.v1};
  }
};

// Across any of the lines a u + b v of a hexagonal lattice, a, b each -1 .. 2.
double AcrossAnyLine(const Point2D& drift) {
  return std::max(std::abs(2 * drift.x) + std::abs(drift.y), std::abs(drift.x) + std::abs(2 * drift.y));
}

// Every chain of steps with a part of the cell, into chains (room for one a step taken or not
// each); false where the steps are not near a hexagon's.
bool HexagonalChains(const FoldProgram& program, Chain* chains, int& count) {
  count = 0;
  LatticeAffine ideal[FoldProgram::kMaxSteps];
  for (int i = 0; i < program.stepCount; ++i)
    if (!NearestHexagonal(program.steps[i].map, ideal[i])) return false;
  // Every chain is affine on its convex part of the cell, so its drift is largest at a corner of
  // that part. A step not taken bounds the part only where its region is a half-plane. Depth
  // first, each chain's part made from its prefix's, so that a part found empty ends every chain
  // through it.
  const double low = -program.wrapBias, high = 1 - program.wrapBias;
  Polygon cell;
  cell.count = 4;
  cell.corners[0] = {low, low};
  cell.corners[1] = {high, low};
  cell.corners[2] = {high, high};
  cell.corners[3] = {low, high};
  auto explore = [&](auto& self, int i, const Polygon& part, const LatticeAffine& actual,
                     const LatticeAffine& hexagonal) -> void {
    if (part.count == 0) return;
    if (i == program.stepCount) {
      chains[count++] = {part, actual, hexagonal};
      return;
    }
    const FoldStep& step = program.steps[i];
    const LatticeAffine tested = step.fromStart ? LatticeAffine{} : actual;
    const HalfPlane side = Through(step.above ? Opposite(step.side) : step.side, tested);
    const Polygon beside = Clip(part, side);
    self(self, i + 1, IsWholePlane(step.also) ? beside : Clip(beside, Through(step.also, tested)),
         Then(actual, step.map), Then(hexagonal, ideal[i]));
    self(self, i + 1, IsWholePlane(step.also) ? Clip(part, Opposite(side)) : part, actual, hexagonal);
  };
  explore(explore, 0, cell, LatticeAffine{}, LatticeAffine{});
  return true;
}

constexpr int kMostChains = 1 << FoldProgram::kMaxSteps;

// Calls take(piece) for each piece of the polygon within [k every + from, k every + to] in
// t = a u + b v, k whole.
template <class Take>
void ForEachBandPiece(const Polygon& polygon, double a, double b, double from, double to, double every,
                      Take&& take) {
  double lowest = 1e300, highest = -1e300;
  for (int i = 0; i < polygon.count; ++i) {
    const double t = a * polygon.corners[i].x + b * polygon.corners[i].y;
    lowest = std::min(lowest, t);
    highest = std::max(highest, t);
  }
  for (double k = std::ceil((lowest - to) / every); k * every + from <= highest; ++k) {
    if (lowest >= k * every + from && highest <= k * every + to) {
      take(polygon);
      continue;
    }
    const Polygon piece = Clip(Clip(polygon, {a, b, -(k * every + to)}), {-a, -b, k * every + from});
    if (piece.count > 0) take(piece);
  }
}

// How far the chains may take the seams about a band's lines t = a u + b v from them: at a
// point p near one, the seam there is the line l through the chain's hexagonal map H with
// l H = (a, b), l = (a, b) H^-1, and it strays by l across the drift at p. Only the chains' parts
// within reach of the band (and of its part, where limited) count. A chain the hexagon's steps
// would flatten strays by as much as across any line.
double BandDrift(const Chain* chains, int count, double a, double b, const FoldProgram::Band& band,
                 double alongA, double alongB, const FoldProgram::Band& along, double reach) {
  struct Across {
    const Chain* chain;
    bool flat;
    double lu, lv;
    double operator()(const Point2D& p) const {
      const Point2D d = chain->DriftAt(p);
      return flat ? AcrossAnyLine(d) : std::abs(lu * d.x + lv * d.y);
    }
    double Most(const Polygon& piece) const {
      double largest = 0;
      for (int i = 0; i < piece.count; ++i) largest = std::max(largest, (*this)(piece.corners[i]));
      return largest;
    }
  };
  Across across[kMostChains];
  double whole[kMostChains];
  int order[kMostChains];
  for (int c = 0; c < count; ++c) {
    const LatticeAffine& h = chains[c].hexagonal;
    const double det = h.uu * h.vv - h.uv * h.vu;
    const bool flat = std::abs(det) < 0.5;
    across[c] = {&chains[c], flat, flat ? 0 : (a * h.vv - b * h.vu) / det,
                 flat ? 0 : (b * h.uu - a * h.uv) / det};
    whole[c] = across[c].Most(chains[c].part);
    order[c] = c;
  }
  // Taken from the chain whose whole part strays furthest: once a whole part strays no further
  // than found, neither do the rest.
  std::sort(order, order + count, [&](int i, int j) { return whole[i] > whole[j]; });
  double drift = 0;
  for (int k = 0; k < count && whole[order[k]] > drift; ++k) {
    const Across& chain = across[order[k]];
    auto measure = [&](const Polygon& piece) { drift = std::max(drift, chain.Most(piece)); };
    ForEachBandPiece(chain.chain->part, a, b, band.from - reach, band.to + reach, band.every,
                     [&](const Polygon& piece) {
                       if (!along.planned || !(along.every > 0))
                         measure(piece);
                       else if (chain.Most(piece) > drift)
                         ForEachBandPiece(piece, alongA, alongB, along.from - reach, along.to + reach,
                                          along.every, measure);
                     });
  }
  return drift;
}

// The largest drift of the chains across any line.
double LargestDrift(const Chain* chains, int count) {
  double drift = 0;
  for (int c = 0; c < count; ++c)
    for (int i = 0; i < chains[c].part.count; ++i)
      drift = std::max(drift, AcrossAnyLine(chains[c].DriftAt(chains[c].part.corners[i])));
  return drift;
}

}  // namespace

double HexagonalDrift(const FoldProgram& program) {
  Chain chains[kMostChains];
  int count = 0;
  return HexagonalChains(program, chains, count) ? LargestDrift(chains, count) : -1;
}

namespace {

// Each band's reach: the program's less the whole cell's drift plus that of the band's lines.
void ReachOwnSeamsOf(FoldProgram& program, const Chain* chains, int count) {
  const double whole = LargestDrift(chains, count);
  auto reachOwn = [&](double a, double b, FoldProgram::Band& band, double alongA = 0, double alongB = 0,
                      const FoldProgram::Band& along = {}) {
    if (band.planned && band.every > 0)
      band.ownReach = program.seamReach - whole +
                      BandDrift(chains, count, a, b, band, alongA, alongB, along, program.seamReach);
  };
  reachOwn(1, 0, program.bandU);
  reachOwn(0, 1, program.bandV);
  reachOwn(1, 1, program.bandSum);
  for (FoldProgram::SkewBand& skew : program.skewBands)
    reachOwn(skew.a, skew.b, skew.band, skew.alongA, skew.alongB, skew.along);
}

}  // namespace

namespace {

// Calls take(band) for each of the program's bands about lines: u, v, u + v and the skew ones.
template <class Program, class Take>
void ForEachBand(Program& program, Take&& take) {
  take(program.bandU);
  take(program.bandV);
  take(program.bandSum);
  for (auto& skew : program.skewBands) take(skew.band);
}

// What a reach is worked out from, bit for bit: the steps, the wrap, the bands, the reach so far
// and near.
InputKey ReachKey(const FoldProgram& program, double near) {
  InputKey key(6 + 14 * FoldProgram::kMaxSteps + 5 * 3 + 14 * FoldProgram::kMaxSkewBands);
  auto putBand = [&key](const FoldProgram::Band& band) {
    for (const double t : {double(band.planned), band.from, band.to, band.every, band.ownReach}) key.Put(t);
  };
  key.Put(double(program.reach));
  key.Put(program.seamReach);
  key.Put(program.slackPixels);
  key.Put(program.stepCount);
  key.Put(program.wrapBias);
  for (int i = 0; i < program.stepCount; ++i) {
    const FoldStep& step = program.steps[i];
    for (const HalfPlane& side : {step.side, step.also})
      for (const double t : {side.nu, side.nv, side.n1}) key.Put(t);
    key.Put(step.above);
    key.Put(step.fromStart);
    const LatticeAffine& m = step.map;
    for (const double t : {m.uu, m.uv, m.u1, m.vu, m.vv, m.v1}) key.Put(t);
  }
  ForEachBand(program, putBand);
  for (const FoldProgram::SkewBand& skew : program.skewBands) {
    for (const double t : {skew.a, skew.b, skew.alongA, skew.alongB}) key.Put(t);
    putBand(skew.along);
  }
  key.Put(near);
  return key;
}

}  // namespace

// What working out the reach sets in a program.
class ReachFound {
 public:
  explicit ReachFound(const FoldProgram& program)
      : seamReach_(program.seamReach), slackPixels_(program.slackPixels) {
    int i = 0;
    ForEachBand(program, [&](const FoldProgram::Band& band) { ownReach_[i++] = band.ownReach; });
  }
  void SetIn(FoldProgram& program) const {
    program.seamReach = seamReach_;
    program.slackPixels = slackPixels_;
    int i = 0;
    ForEachBand(program, [&](FoldProgram::Band& band) { band.ownReach = ownReach_[i++]; });
  }

 private:
  double seamReach_ = 0, slackPixels_ = 0;
  double ownReach_[3 + FoldProgram::kMaxSkewBands] = {};
};

namespace {

// A render of the same shape moved or turned, or at another size, folds by the same program:
// the last reach worked out each way is taken again rather than worked out over every chain of
// steps by work().
template <class Work>
void ReachOnce(FoldProgram& program, KeptByKey<ReachFound>& kept, double near, Work&& work) {
  InputKey key = ReachKey(program, near);
  if (const std::shared_ptr<const ReachFound> found = kept.Find(key)) {
    found->SetIn(program);
    return;
  }
  work();
  kept.Keep(std::move(key), std::make_shared<const ReachFound>(program));
}

}  // namespace

void WorkOutReach(FoldProgram& program, KeptBetweenRenders& kept) {
  Chain chains[kMostChains];
  int count = 0;
  if (program.reach == FoldProgram::Reach::kTurnedSeams) {
    const double near = program.reachNear;
    ReachOnce(program, kept.turnedReach, near, [&] {
      const bool hexagonal = HexagonalChains(program, chains, count);
      program.seamReach = near + (hexagonal ? LargestDrift(chains, count) : 0);
      program.slackPixels = hexagonal ? 0.25 : 1;
      if (hexagonal) ReachOwnSeamsOf(program, chains, count);
    });
  } else if (program.reach == FoldProgram::Reach::kOwnSeams) {
    ReachOnce(program, kept.ownReach, 0, [&] {
      if (HexagonalChains(program, chains, count)) ReachOwnSeamsOf(program, chains, count);
    });
  }
}

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

BandMarks::BandMarks(const FoldProgram& program, const TileGenerator& generator)
    : generator_(generator), slack_(program.slackPixels), offOnly_(program.stepsDecideSeams) {
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
  add(1, 0, program.bandU);
  add(0, 1, program.bandV);
  add(1, 1, program.bandSum);
  for (const FoldProgram::SkewBand& skew : program.skewBands)
    add(skew.a, skew.b, skew.band, skew.alongA, skew.alongB, skew.along);
  // Feathered bands of lines with parts are wide, and the doubles test their runs across the
  // parts' ends pixel by pixel: in lanes where a row crosses some band every 40 pixels or more
  // often. Other bands cross a row in a few runs, which the doubles mark faster.
  bool parts = false;
  double crossings = 0;
  for (int i = 0; i < count_; ++i) {
    parts = parts || !lines_[i].whole;
    crossings += std::abs(lines_[i].dt);
  }
  if (program.blends && parts && crossings >= 1.0 / 40 && !offOnly_ && generator.detM != 0) MakeLanes();
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
    // A row along the line is tested whole, its part left out.
    const bool whole = line.whole || line.dt == 0;
    const double partWidth = line.part.to - line.part.from + 2 * kWider;
    if (!(line.every == 1 && integral(line.a) && integral(line.b) && width > 0 && width < 1) ||
        !(whole || (line.part.every == 1 && integral(line.alongA) && integral(line.alongB) && partWidth > 0 &&
                    partWidth < 1)))
      return;
    lanes_.lines[i] = {fixed(line.a),
                       fixed(line.b),
                       FixedFraction(line.from - reach),
                       std::uint32_t(width * 0x1p32),
                       whole,
                       fixed(line.alongA),
                       fixed(line.alongB),
                       FixedFraction(line.part.from - kWider),
                       whole ? 0 : std::uint32_t(partWidth * 0x1p32)};
    steepest_ = std::max(steepest_, std::abs(line.dt));
  }
  lanes_.count = count_;
  lanesKernel_ = generator_.render.cpu.avx2 ? MarkBandLanesAvx2 : MarkBandLanesSse2;
}

void BandMarks::Mark(const Point2D& start, int count, std::uint8_t* marks) const {
  if (count <= 0) return;
  // Unless a line's bands lie about a pixel apart, which the doubles mark whole.
  if (lanesKernel_ && steepest_ * (count - 1) + 4 <= count) {
    const std::uint32_t du = FixedFraction(along_.x), dv = FixedFraction(along_.y);
    std::uint32_t starts[2 * kSpansPerCall];
    for (int call = 0; call < count; call += kSpansPerCall * kFoldSpan) {
      const int length = std::min(count - call, kSpansPerCall * kFoldSpan);
      for (int first = 0, s = 0; first < length; first += kFoldSpan, s += 2) {
        const Point2D uv = generator_.PlaneToLattice(start.x + call + first, start.y);
        starts[s] = FixedFraction(uv.x);
        starts[s + 1] = FixedFraction(uv.y);
      }
      lanesKernel_(lanes_, starts, du, dv, length, marks + call);
    }
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
    if (dt != 0 || (InBand(t, line.reached) && !onLine)) std::memset(marks, 1, std::size_t(count));
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
      // whole, one wholly between two passed over, and only a run across a band's end is tested
      // pixel by pixel.
      const double a = InUnitsOf(r0 + first * line.dr, along.every),
                   b = InUnitsOf(r0 + (end - 1) * line.dr, along.every);
      const double lowest = std::min(a, b), highest = std::max(a, b);
      const double inside = std::floor(lowest - along.from), gap = std::floor(lowest - along.to);
      if (highest >= inside + along.to) {
        if (highest < gap + 1 + along.from) continue;
        for (int x = first; x < end; ++x)
          if (InBand(r0 + x * line.dr, along)) marks[x] = 1;
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

FoldKernelArgs KernelArgs(const FoldProgram& program, const TileGenerator& generator) {
  FoldKernelArgs args;
  args.bias = float(program.wrapBias);
  args.stepCount = program.stepCount;
  args.corners = program.HasCorners();
  for (int i = 0; i < program.stepCount; ++i) {
    const FoldStep& s = program.steps[i];
    const LatticeAffine& m = s.map;
    // A line tested on the start, as the previous step's was, is tested once.
    const HalfPlane* previous = i > 0 && program.steps[i - 1].fromStart ? &program.steps[i - 1].side
                                                                        : nullptr;
    const bool sameSide = s.fromStart && previous && *previous == s.side;
    const bool plain = !s.above && !s.fromStart && s.also == HalfPlane{};
    const bool clampU = plain && s.side.nu == 1 && s.side.nv == 0 && m.uu == 0 && m.uv == 0 &&
                        m.u1 == -s.side.n1 && m.vu == 0 && m.vv == 1 && m.v1 == 0;
    const bool clampV = plain && s.side.nu == 0 && s.side.nv == 1 && m.uu == 1 && m.uv == 0 && m.u1 == 0 &&
                        m.vu == 0 && m.vv == 0 && m.v1 == -s.side.n1;
    args.steps[i] = {float(s.side.nu),    float(s.side.nv),
                     float(s.side.n1),    s.above ? ~0u : 0u,
                     float(m.uu),         float(m.uv),
                     float(m.u1),         float(m.vu),
                     float(m.vv),         float(m.v1),
                     float(s.also.nu),    float(s.also.nv),
                     float(s.also.n1),    s.fromStart ? ~0u : 0u,
                     sameSide ? ~0u : 0u, s.also == HalfPlane{} ? 0u : ~0u,
                     clampU ? ~0u : 0u,   clampV ? ~0u : 0u};
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
    const double whole = std::round(at + perU * program.reachU / 2 + perV * program.reachV / 2);
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

void FoldRow(FoldPositionsKernel kernel, const FoldKernelArgs& args, const FoldProgram& program,
             const TileGenerator& generator, const Point2D& start, double step, int count,
             std::int32_t* positions, float* exact) {
  const Point2D along = generator.PlaneToLattice(step, 0);
  const std::uint32_t du = FixedFraction(along.x), dv = FixedFraction(along.y);
  std::uint32_t starts[2 * kSpansPerCall];
  for (int call = 0; call < count; call += kSpansPerCall * kFoldSpan) {
    const int length = std::min(count - call, kSpansPerCall * kFoldSpan);
    for (int first = 0, s = 0; first < length; first += kFoldSpan, s += 2) {
      const Point2D uv = generator.PlaneToLattice(start.x + (call + first) * step, start.y);
      starts[s] = FixedFraction(uv.x + program.wrapBias);
      starts[s + 1] = FixedFraction(uv.y + program.wrapBias);
    }
    kernel(args, starts, du, dv, length, positions + 2 * call, exact ? exact + call : nullptr,
           exact ? exact + count + call : nullptr);
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
