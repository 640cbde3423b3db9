// The mark stage's bands: the pixels of a row whose cell positions lie in the program's bands
// about its seams, widened by the rule for doubles (DoublesRule.h), marked to leave the fast road.
#pragma once
#include <cstdint>

#include "generators/detail/FoldProgram.h"
#include "generators/detail/FoldRow.h"
#include "generators/detail/TileGenerator.h"

namespace corvel::detail {

// Bands about the lines a u + b v = k of whole a, b and k in unsigned 0.32 fixed point, for lanes:
// a pixel lies in one where (a u + b v - from) mod 1 < width, and, unless whole, where
// (alongA u + alongB v - partFrom) mod 1 < partWidth too.
struct BandLanes {
  struct Line {
    std::uint32_t a = 0, b = 0, from = 0, width = 0;
    bool whole = true;
    std::uint32_t alongA = 0, alongB = 0, partFrom = 0, partWidth = 0;
  };
  int count = 0;
  Line lines[3 + FoldProgram::kMaxSkewBands];
};

// Bands about bent seams in floats, for lanes: a pixel lies in one where
// (a u + b v + the bend's bump - from) mod 1 < width, of the cell position as the fold's kernels
// wrap it (less the bias).
struct BentBandLanes {
  struct Band {
    float a = 0, b = 0;
    float bend = 0, tu = 0, tv = 0, t1 = 0;
    bool clamped = false, sShape = false;
    float from = 0, width = 0;
  };
  int count = 0;
  Band bands[FoldProgram::kMaxBentBands];
  float bias = 0;
};
using BentBandsKernel = void (*)(const BentBandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                                 std::uint32_t dv, int count, std::uint8_t* marks);
void MarkBentBandsSse2(const BentBandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                       std::uint32_t dv, int count, std::uint8_t* marks);
void MarkBentBandsAvx2(const BentBandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                       std::uint32_t dv, int count, std::uint8_t* marks);
void MarkBentBandsAvx512(const BentBandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                         std::uint32_t dv, int count, std::uint8_t* marks);

// Whether no pixel of a span of count positions stepped by (du, dv) in fixed point from (u0, v0) can
// lie in a bent band: the span's u and v bound from its ends where neither wraps, each band's sum
// bounded from them, widened far beyond the lanes' rounding. Most spans of a row lie clear of the
// bands; what the spans of a row share, the steps' reach and each band's spread over it, is worked
// out once, so that a span costs a few products a band.
class BentSpanTest {
 public:
  BentSpanTest(const BentBandLanes& bands, std::uint32_t du, std::uint32_t dv, int count);
  bool Misses(std::uint32_t u0, std::uint32_t v0) const;
  // Misses of each of the spans from (starts[2 s], starts[2 s + 1]), s < spans <= 32, in bit s: the
  // same tests in AVX-512 lanes of doubles, eight spans at once. Run only where the processor has them.
  std::uint32_t MissesEachAvx512(const std::uint32_t* starts, int spans) const;

 private:
  // The least and most of a u + b v over a span less its value at the span's start.
  struct Spread {
    double low = 0, high = 0;
  };
  struct Band {
    double a, b, from, width, bend, tu, tv, t1;
    bool clamped, sShape;
    Spread sum, t;
  };
  int count_ = 0;
  double bias_ = 0;
  // Each step times count - 1, signed.
  std::int64_t reachU_ = 0, reachV_ = 0;
  Band bands_[FoldProgram::kMaxBentBands] = {};
};

// Marks (1) the pixels of a row of count cell positions in the bands, and clears the others; the
// positions as FoldRow's kernels step them, from (starts[2 s], starts[2 s + 1]) for each span s.
using BandLanesKernel = void (*)(const BandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                                 std::uint32_t dv, int count, std::uint8_t* marks);
void MarkBandLanesSse2(const BandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                       std::uint32_t dv, int count, std::uint8_t* marks);
void MarkBandLanesAvx2(const BandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                       std::uint32_t dv, int count, std::uint8_t* marks);

// The program's bands made ready once for the rows of a render: Mark marks (1) the pixels of a
// row of count pixels from the plane point start on, one apart, whose cell positions lie in the
// bands (reaching seamReach further) or within slackPixels along the row of them, or in the bent
// bands, and clears the others. Reads the generator's lattice, which must outlive it.
class BandMarks {
 public:
  BandMarks(const FoldProgram& program, const TileGenerator& generator);
  void Mark(const Point2D& start, int count, std::uint8_t* marks) const;
  // False where no pixel of a row from a whole plane point can be marked: on a lattice of whole
  // pixels, one off a line k / 2 lies at least 1 / (2 det) from it, beyond the bands of hard seams
  // whose pixels right on the lines the steps decide.
  bool CanMark() const { return canMark_; }

  // [k + from, k + to) for every whole k, once t is divided by `every`.
  struct UnitBand {
    double from = 0, to = 0, every = 1;
  };

 private:
  // A band about the lines where t = a u + b v is whole, t per pixel along the row dt (over
  // every), limited unless whole to where alongA u + alongB v lies in part.
  struct Line {
    double a = 0, b = 0, every = 1, from = 0, to = 0, middle = 0, dt = 0, perUnit = 0;
    UnitBand reached;
    bool whole = true;
    double alongA = 0, alongB = 0, dr = 0;
    UnitBand part;
  };
  void MarkLine(const Line& line, const Point2D& at, int count, std::uint8_t* marks) const;
  void MarkStraight(const Point2D& start, int count, std::uint8_t* marks) const;
  void MakeBentLanes(const FoldProgram& program);
  template <class Lanes>
  using SpansKernel = void (*)(const Lanes& lanes, const std::uint32_t* starts, std::uint32_t du,
                               std::uint32_t dv, int count, std::uint8_t* marks);
  template <class Lanes>
  void MarkBySpans(SpansKernel<Lanes> kernel, const Lanes& lanes, double bias, const Point2D& start,
                   int count, std::uint8_t* marks) const;
  // The lanes, where the lines fit them.
  void MakeLanes();

  const TileGenerator& generator_;
  // Where every band's line and part have whole coefficients and a unit period: the bands in
  // lanes, a hair wider than in doubles, for the rows that cross each line's bands apart.
  BandLanes lanes_;
  BandLanesKernel lanesKernel_ = nullptr;
  double steepest_ = 0;  // the largest dt of the lines
  double slack_ = 0;
  bool offOnly_ = false;
  bool canMark_ = true;
  Point2D along_;
  int count_ = 0;
  Line lines_[3 + FoldProgram::kMaxSkewBands];
  BentBandLanes bent_;
  BentBandsKernel bentKernel_ = nullptr;
  double wrapBias_ = 0;
  // The spans' starts, as the fold's work them out.
  SpanStartsKernel spanStarts_ = nullptr;
  LatticeMatrix toLattice_;
};

// Marks the pixels x of [first, end) whose r0 + x dr lies in one of the part's bands, as a test of
// each pixel in turn marks them; leaves the others.
void MarkInPart(double r0, double dr, const BandMarks::UnitBand& part, int first, int end,
                std::uint8_t* marks);

}  // namespace corvel::detail
