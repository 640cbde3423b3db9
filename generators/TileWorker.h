// The pixel loop that every generator's Generate runs. A generator plans each output pixel as
// up to six source points with weights; the worker fetches a whole row of samples in one
// sampler call, mixes them per byte in double precision in the planned order, truncates, and
// writes the row. Rows of the output are the plane itself: pixel (x, y) is the point (x, y).
#pragma once
#include <cstdint>
#include <memory>

#include "core/ProgressMeter.h"
#include "generators/Geometry.h"
#include "generators/TileGenerator.h"

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

// A double truncated toward zero into 32 bits; far-off values saturate, NaN gives the lowest.
inline std::int32_t SaturatedTrunc(double value) {
  if (!(value > -2147483648.0)) return INT32_MIN;
  if (!(value < 2147483647.0)) return INT32_MAX;
  return static_cast<std::int32_t>(value);
}

inline double Clamp01(double t) { return t < 0 ? 0 : (t > 1 ? 1 : t); }

namespace detail {

// A coordinate in 24.8 fixed point, truncated toward zero.
inline std::int32_t ToFixed(double coordinate) { return SaturatedTrunc(256 * coordinate); }

// The state of one run: sampler over workImage, the output image of the cell's box, the row's
// fetch positions, sample counts and weights, the fetched samples, and the child meter.
class TileWorkerRows {
 public:
  TileWorkerRows(TileGenerator& generator, CProgressMeter* meter);
  ~TileWorkerRows();
  TileWorkerRows(const TileWorkerRows&) = delete;
  TileWorkerRows& operator=(const TileWorkerRows&) = delete;

  // 0, or the core code of what could not be set up.
  int Open();
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Queues the next pixel's plan of the row: its fetch positions, count and weights. The plan
  // itself stays with the caller, so that it lives in registers and cache rather than in a row.
  void Append(const SamplePlan& plan) {
    for (int i = 0; i < plan.count; ++i) {
      *position_++ = ToFixed(plan.points[i].x + origin_.x);
      *position_++ = ToFixed(plan.points[i].y + origin_.y);
      *weight_++ = plan.weights[i];
    }
    *count_++ = static_cast<unsigned char>(plan.count);
  }
  // Fetches, mixes and writes the queued row y.
  void FinishRow(int y);
  // Moves the meter one row on; true when it asks to stop.
  bool StepAndTestStop();
  // The output becomes the generator's workImage and its origin the tile's; answers code.
  int HandOver(int code);

 private:
  struct State;
  TileGenerator& generator_;
  CProgressMeter meter_;
  int width_ = 0;
  int height_ = 0;
  Point2D origin_;
  std::unique_ptr<std::int32_t[]> positions_;
  std::unique_ptr<double[]> weights_;
  std::unique_ptr<unsigned char[]> counts_;
  // The next free entries of the row being queued.
  std::int32_t* position_ = nullptr;
  double* weight_ = nullptr;
  unsigned char* count_ = nullptr;
  std::unique_ptr<State> state_;
};

}  // namespace detail

// Runs the pixel loop over the box of the generator's prepared lattice: planPixel(x, y, plan)
// for every pixel, one row at a time, the stop test after each row. The generator has shrunk
// and prepared its lattice before. Answers 0, 100 when stopped, or the core code of a failed
// set-up; workImage holds the tile (in part when stopped) and ComputeOrigin has run.
template <class PlanPixel>
int RunTileWorker(TileGenerator& generator, CProgressMeter* meter, PlanPixel&& planPixel) {
  detail::TileWorkerRows rows(generator, meter);
  int code = rows.Open();
  if (code != 0) return code;
  SamplePlan plan;
  for (int y = 0; y < rows.Height(); ++y) {
    for (int x = 0; x < rows.Width(); ++x) {
      planPixel(x, y, plan);
      rows.Append(plan);
    }
    rows.FinishRow(y);
    if (rows.StepAndTestStop()) {
      code = keErrorStopped;
      break;
    }
  }
  return rows.HandOver(code);
}

// The worker of the groups without feathering: one sample per pixel at the source point of the
// lattice coordinates foldToLattice(x, y), the pixel's cell position folded into the
// fundamental region. Prepares the lattice first; the feather and seams are not read.
template <class FoldToLattice>
int RunPlainWorker(TileGenerator& generator, CProgressMeter* meter, FoldToLattice&& foldToLattice) {
  generator.PrepareLattice();
  return RunTileWorker(generator, meter, [&](int x, int y, SamplePlan& plan) {
    const Point2D uv = foldToLattice(x, y);
    plan.Single(generator.LatticeToSource(uv.x, uv.y));
  });
}

}  // namespace corvel
