// The pixel loop that every generator's Generate runs. A generator plans each output pixel as
// up to six source points with weights; the worker fetches a whole row of samples at once, mixes
// them per byte in double precision in the planned order, truncates, and writes the row; rows
// are shared among threads. Rows of the output are the plane itself: pixel (x, y) is the point (x, y).
#pragma once
#include <emmintrin.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "core/ProgressMeter.h"
#include "core/Rounding.h"
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/FoldedRoad.h"
#include "generators/detail/ImageRows.h"
#include "generators/detail/ScratchVector.h"
#include "generators/detail/TileGenerator.h"
#include "rowops/RowSampler.h"

namespace corvel {

// One output pixel: source points relative to the source lattice's origin (the worker adds the
// generator's origin) and their weights, summed in this order.
struct SamplePlan {
  static constexpr int kMaxSamples = 6;

  void Single(const Point2D& point) {
    count = 1;
    points[0] = point;
    weights[0] = 1;
  }
  void Clear() { count = 0; }
  void Add(const Point2D& point, double weight) {
    points[count] = point;
    weights[count] = weight;
    ++count;
  }

  int count = 0;
  Point2D points[kMaxSamples];
  double weights[kMaxSamples];
};

// The tolerant comparison of lattice coordinates in the workers: 0 within 1e-6, else -1 or +1.
inline int CompareLattice(double t, double c) {
  if (t - c < 1e-6 && c - t < 1e-6) return 0;
  return t < c ? -1 : 1;
}

inline double Clamp01(double t) { return t < 0 ? 0 : (t > 1 ? 1 : t); }

namespace detail {

// A point's coordinates in 24.8 fixed point, truncated toward zero past the slack, saturated
// (NaN to the lowest), both at once.
inline void ToFixed(const Point2D& point, std::int32_t* fixed) {
  const __m128d at = _mm_add_pd(_mm_mul_pd(_mm_set1_pd(256), _mm_set_pd(point.y, point.x)),
                                _mm_set1_pd(kFixedPointSlack));
  // The minimum answers its second operand, NaN, for NaN, which truncates to the lowest.
  _mm_storel_epi64(reinterpret_cast<__m128i*>(fixed),
                   _mm_cvttpd_epi32(_mm_min_pd(_mm_set1_pd(2147483647.0), at)));
}

// A queued pixel's samples mixed per channel in doubles, each sum truncated toward zero and kept in
// 0..255 when the weights sum past 1 (0 for NaN), this slack added first: equal bytes under
// weights that sum to 1 can mix to a rounding error short of themselves; the slack keeps them
// whole (an opaque picture stays opaque) and is far too small to lift a true fraction.
constexpr double kQueueMixSlack = 1e-6;
// The samples of width queued pixels, counts[x] each with their weights, mixed into out as RowQueue
// mixes them, in AVX2 lanes bit for bit.
void MixQueuedAvx2(const std::uint8_t* samples, const double* weights, const unsigned char* counts, int width,
                   std::uint8_t* out);

// One row's queue: each pixel's fetch positions (with the origin added), sample count and
// weights, and the fetched samples. Every thread has its own.
class RowQueue {
 public:
  // Room for a row of width pixels, sampled by sample, mixed in AVX2 where mixInAvx2 (to the same
  // bytes); false when the memory cannot be had.
  bool Reserve(int width, const Point2D& origin, BgraSampler sample, bool mixInAvx2 = false);
  // Queues the next pixel's plan. The plan itself stays with the caller, so that it lives in
  // registers and cache rather than in a row.
  void Append(const SamplePlan& plan) { Append(plan.points, plan.weights, plan.count); }
  void Append(const Point2D* points, const double* weights, int count) {
    // In locals: the stores of positions may alias the members.
    const Point2D origin = origin_;
    std::int32_t* position = position_;
    double* weight = weight_;
    for (int i = 0; i < count; ++i) {
      ToFixed(points[i] + origin, position);
      position += 2;
      *weight++ = weights[i];
    }
    position_ = position;
    weight_ = weight;
    *count_++ = static_cast<unsigned char>(count);
  }
  // The next pixels queued with count samples each, laid out one pixel after another, whose 24.8
  // positions (the origin added, as ToFixed takes them) and weights the caller writes where
  // answered.
  struct Room {
    std::int32_t* positions;
    double* weights;
  };
  Room AppendRooms(int pixels, int count) {
    const Room room{position_, weight_};
    position_ += 2 * pixels * count;
    weight_ += pixels * count;
    std::memset(count_, count, std::size_t(pixels));
    count_ += pixels;
    return room;
  }
  const Point2D& Origin() const { return origin_; }
  // Fetches the queued samples from source, mixes them into out (width pixels), and empties.
  void Finish(const BgraRows& source, std::uint8_t* out, int width);

 private:
  Point2D origin_;
  BgraSampler sample_ = nullptr;
  bool mixInAvx2_ = false;
  ScratchVector<std::int32_t> positions_;
  ScratchVector<double> weights_;
  ScratchVector<unsigned char> counts_;
  ScratchVector<std::uint8_t> samples_;
  std::int32_t* position_ = nullptr;
  double* weight_ = nullptr;
  unsigned char* count_ = nullptr;
};

// The state of one run: workImage's rows, the output image of the cell's box and its rows, the
// threads' queues and the child meter.
class TileWorkerRows {
 public:
  TileWorkerRows(TileGenerator& generator, CProgressMeter* meter);
  ~TileWorkerRows();
  TileWorkerRows(const TileWorkerRows&) = delete;
  TileWorkerRows& operator=(const TileWorkerRows&) = delete;

  // 0, or the core code of what could not be set up (keErrorTileOverBudget for an output past the
  // tile budget), the rows laid out as opening decided.
  int Open(const FoldedOpening& opening);
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The plane point of output pixel (0, 0).
  POINT Start() const { return start_; }
  // Plans every row (planRow(y, queue) queues its pixels), fetches, mixes and writes it, the rows
  // shared among threads; the meter moves on the calling thread. 0, 100 when stopped, or 102.
  int Run(const std::function<void(int y, RowQueue& queue)>& planRow);
  // Queues the plans of count pixels xs[0 ..] of row y, in the output.
  using PlanPixels = std::function<void(int y, const int* xs, int count, RowQueue& queue)>;
  // Where every plan is one sample: the 24.8 source positions (the origin added) of the count
  // pixels (x0 + xs[i], y) of the plane, or (x0 + xs[i], ys[i]) where ys is given, as the queue
  // would hold them.
  using PlanPositions =
      std::function<void(int x0, int y, const int* xs, const int* ys, int count, std::int32_t* positions)>;
  // The same by a fold program: one sample a pixel, lattice coordinates stepped in fixed point
  // and folded in SIMD lanes. Within a level of Run's planned samples.
  // Pixels in the program's bands are planned instead, a row's at once, by planPositions where
  // given, else by planPixels, unless the program's blends finish them. Rows of a tile of several
  // cells that repeat higher ones are copied from them.
  int RunFolded(const FoldProgram& program, const PlanPixels& planPixels,
                const PlanPositions& planPositions = {});
  // The output becomes the generator's workImage and its origin the tile's; answers code.
  int HandOver(int code);

 private:
  struct State;
  TileGenerator& generator_;
  CProgressMeter meter_;
  int width_ = 0;
  int height_ = 0;
  POINT start_{0, 0};
  Point2D pixelStep_{1, 1};  // in the plane, from one output pixel to the next
  std::unique_ptr<State> state_;
};

}  // namespace detail

// Runs the pixel loop over the box of the generator's prepared lattice, or over one period of it
// where the generator's periodLimit asks for the tile: planPixel(x, y, plan) for every pixel,
// rows shared among threads (planPixel must only read what it shares), the stop test on the
// calling thread. The generator has shrunk and prepared its lattice before. Answers 0, 100 when
// stopped, or the core code of a failed set-up; workImage holds the tile (in part when stopped)
// and ComputeOrigin has run.
// With a fold program and SSE2 in the render's processor record, the program renders instead of
// planPixel: a record without SIMD renders by the plan in doubles, the reference.
// Where planPositions is given, the fold program's band pixels take it rather than planPixel.
template <class PlanPixel>
int RunTileWorker(TileGenerator& generator, CProgressMeter* meter, PlanPixel&& planPixel,
                  const detail::FoldProgram* fold = nullptr,
                  const detail::TileWorkerRows::PlanPositions& planPositions = {}) {
  detail::TileWorkerRows rows(generator, meter);
  const detail::FoldedOpening opening = detail::DecideOpening(fold, generator.render);
  int code = rows.Open(opening);
  if (code != 0) return code;
  using Road = detail::RenderedTile::Road;
  generator.rendered.road = !opening.folded ? Road::kPlanned : fold->blends ? Road::kBlended : Road::kFolded;
  if (opening.folded) {
    const POINT start = rows.Start();
    return rows.HandOver(rows.RunFolded(
        *fold,
        [&](int y, const int* xs, int count, detail::RowQueue& queue) {
          SamplePlan plan;
          for (int i = 0; i < count; ++i) {
            planPixel(start.x + xs[i], start.y + y, plan);
            queue.Append(plan);
          }
        },
        planPositions));
  }
  const int width = rows.Width();
  const POINT start = rows.Start();
  code = rows.Run([&](int y, detail::RowQueue& queue) {
    SamplePlan plan;
    for (int x = 0; x < width; ++x) {
      planPixel(start.x + x, start.y + y, plan);
      queue.Append(plan);
    }
  });
  return rows.HandOver(code);
}

// The worker of the groups without feathering: one sample per pixel at the source point of the
// lattice coordinates foldToLattice(x, y), the pixel's cell position folded into the
// fundamental region. Prepares the lattice first; the feather and seams are not read. planPositions,
// where given, plans as foldToLattice does (see RunTileWorker).
template <class FoldToLattice>
int RunPlainWorker(TileGenerator& generator, CProgressMeter* meter, FoldToLattice&& foldToLattice,
                   const detail::TileWorkerRows::PlanPositions& planPositions = {}) {
  generator.PrepareLattice();
  detail::FoldProgram fold;
  const bool described = generator.DescribeFold(fold);
  return RunTileWorker(
      generator, meter,
      [&](int x, int y, SamplePlan& plan) {
        const Point2D uv = foldToLattice(x, y);
        plan.Single(generator.LatticeToSource(uv.x, uv.y));
      },
      described ? &fold : nullptr, planPositions);
}

}  // namespace corvel
