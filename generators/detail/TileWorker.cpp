#include "generators/detail/TileWorker.h"

#include <emmintrin.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "core/RowThreads.h"
#include "generators/RectangularPeriod.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/FoldRow.h"
#include "generators/detail/FoldedRows.h"
#include "generators/detail/KeptBetweenRenders.h"

namespace corvel {
namespace detail {

namespace {

// A pixel's samples mixed as kQueueMixSlack says, two channels a register.
void MixSamples(const BYTE* sample, const double* weight, int count, BYTE* out) {
  const __m128i zero = _mm_setzero_si128();
  __m128d low = _mm_setzero_pd(), high = _mm_setzero_pd();
  for (int i = 0; i < count; ++i) {
    std::int32_t pixel;
    std::memcpy(&pixel, sample + 4 * i, 4);
    const __m128i channels = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(pixel), zero), zero);
    const __m128d w = _mm_set1_pd(weight[i]);
    low = _mm_add_pd(low, _mm_mul_pd(w, _mm_cvtepi32_pd(channels)));
    high = _mm_add_pd(high, _mm_mul_pd(w, _mm_cvtepi32_pd(_mm_shuffle_epi32(channels, 0x4E))));
  }
  auto clamped = [&](__m128d sum) {
    // The maximum answers its second operand, 0, for NaN.
    return _mm_min_pd(_mm_max_pd(_mm_add_pd(sum, _mm_set1_pd(kQueueMixSlack)), _mm_setzero_pd()),
                      _mm_set1_pd(255));
  };
  const __m128i words = _mm_unpacklo_epi64(_mm_cvttpd_epi32(clamped(low)), _mm_cvttpd_epi32(clamped(high)));
  const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(words, words), zero);
  const std::int32_t mixed = _mm_cvtsi128_si32(bytes);
  std::memcpy(out, &mixed, 4);
}

void MixQueued(const BYTE* sample, const double* weight, const unsigned char* counts, int width, BYTE* out) {
  for (int x = 0; x < width; ++x, out += 4) {
    const int count = counts[x];
    if (count == 1 && weight[0] == 1) {
      std::memcpy(out, sample, 4);
    } else {
      MixSamples(sample, weight, count, out);
    }
    sample += 4 * count;
    weight += count;
  }
}

}  // namespace

bool RowQueue::Reserve(int width, const Point2D& origin, BgraSampler sample, bool mixInAvx2) {
  origin_ = origin;
  sample_ = sample;
  mixInAvx2_ = mixInAvx2;
  try {
    // Room for a last position repeated up to a whole group of four.
    const std::size_t samples = std::size_t(width) * SamplePlan::kMaxSamples + 3;
    positions_.resize(2 * samples);
    weights_.resize(samples);
    counts_.resize(std::size_t(width));
    samples_.resize(4 * samples);
  } catch (const std::bad_alloc&) {
    return false;
  }
  position_ = positions_.data();
  weight_ = weights_.data();
  count_ = counts_.data();
  return true;
}

void RowQueue::Finish(const BgraRows& source, std::uint8_t* out, int width) {
  // Padded with the last position to whole groups of four, which the sampler takes in lanes rather
  // than one by one.
  const int queued = int(position_ - positions_.data()) / 2;
  for (int i = queued; i % 4 != 0; ++i) {
    position_[0] = position_[-2];
    position_[1] = position_[-1];
    position_ += 2;
  }
  sample_(source, samples_.data(), positions_.data(), int(position_ - positions_.data()) / 2,
          SampleEdge::kClamp);
  if (mixInAvx2_)
    MixQueuedAvx2(samples_.data(), weights_.data(), counts_.data(), width, out);
  else
    MixQueued(samples_.data(), weights_.data(), counts_.data(), width, out);
  position_ = positions_.data();
  weight_ = weights_.data();
  count_ = counts_.data();
}

struct TileWorkerRows::State {
  CRowIteratorBands source;     // workImage presented as BGRA
  CRowIteratorBands converted;  // the same stored as BGRA, where it is not
  // What the render keeps nothing in where the driver gave it nothing.
  KeptBetweenRenders keptForNone;
  KeptBetweenRenders* kept = nullptr;
  ImageRows sourceRows;
  CRowIteratorBands output;
  ImageRows outputRows;
};

TileWorkerRows::TileWorkerRows(TileGenerator& generator, CProgressMeter* meter)
    : generator_(generator), meter_(meter), state_(new State) {
  state_->kept = generator.render.kept ? generator.render.kept : &state_->keptForNone;
}

TileWorkerRows::~TileWorkerRows() = default;

int TileWorkerRows::Open(const FoldedOpening& opening) {
  State& s = *state_;
  CoreResult result = s.source.ShareFrom(generator_.workImage);
  if (result.Ok()) result = s.source.SetViewFormat(keFormatBGRA, keAccessRead);
  if (!result.Ok()) return result.GetCode();
  if (s.sourceRows.Lock(s.source, keFormatBGRA, &s.kept->sourceRows) != 0) {
    s.sourceRows.Unlock();
    result = s.converted.CreateBGRA(s.source.Width(), s.source.Height());
    if (result.Ok()) result = CRowIteratorBands::CopyPixels(s.converted, s.source);
    if (!result.Ok()) return result.GetCode();
    if (const int code = s.sourceRows.Lock(s.converted, keFormatBGRA, &s.kept->sourceRows)) return code;
  }

  const RECT box = generator_.CellBounds();
  std::int64_t width = std::int64_t{box.right} - box.left + 1;
  std::int64_t height = std::int64_t{box.bottom} - box.top + 1;
  generator_.rendered.period = false;
  generator_.rendered.foldKernelForAnyKinds = false;
  generator_.rendered.rowsTurned = false;
  generator_.rendered.percent = 100;
  const POINT limit = generator_.render.periodLimit,
              period = RectangularPeriod(generator_.basisA, generator_.basisB);
  const std::int64_t periodWidth = CutTileSide(period.x, limit.x),
                     periodHeight = CutTileSide(period.y, limit.y);
  // One pass over the tile rather than the cell and then the cell again into the tile, unless
  // the period is much larger than the cell: the pixels of the tile are the cell's, from the
  // tile's origin one pixel on.
  if (limit.x > 0 && periodWidth > 0 && periodHeight > 0 &&
      (opening.onePass || periodWidth * periodHeight <= 4 * width * height)) {
    const Point2D sourceOrigin = generator_.origin;
    generator_.ComputeOrigin();
    start_ = {LONG(generator_.origin.x) + 1, LONG(generator_.origin.y)};
    generator_.origin = sourceOrigin;
    generator_.rendered.period = true;
    width = periodWidth;
    height = periodHeight;
  } else if (generator_.render.cellIsTile && period.x > 0 && period.y > 0) {
    // The cell is the tile: the far edge of its box lies a period on, outside the tile.
    width = std::min<std::int64_t>(width, period.x);
    height = std::min<std::int64_t>(height, period.y);
  }
  if (opening.folded && (generator_.rendered.period || generator_.render.cellIsTile) &&
      generator_.render.tilePercent != 100) {
    const POINT scaled = ScaledTileSize({LONG(width), LONG(height)}, generator_.render.tilePercent,
                                        generator_.render.hexagonal && generator_.rendered.period);
    const int scaledWidth = scaled.x, scaledHeight = scaled.y;
    pixelStep_ = {double(width) / scaledWidth, double(height) / scaledHeight};
    width = scaledWidth;
    height = scaledHeight;
    generator_.rendered.percent = generator_.render.tilePercent;
  }
  if (width > std::numeric_limits<std::int32_t>::max() / (8 * SamplePlan::kMaxSamples) ||
      height > std::numeric_limits<std::int32_t>::max() || !WithinTileBudget(width * height))
    return keErrorTileOverBudget;
  // Only what becomes the tile itself is grey: a cell repeated into the tile is read as BGRA.
  const keFormat format = generator_.render.tileFormat == keFormatGrey &&
                                  (generator_.rendered.period || generator_.render.cellIsTile)
                              ? keFormatGrey
                              : keFormatBGRA;
  // Where the output is the tile itself, the last render's tile lends it its memory where that has
  // room, else goes before the new block is made; otherwise it waits for the tile made after.
  const bool isTile = (generator_.rendered.period || generator_.render.cellIsTile) &&
                      generator_.rendered.percent == generator_.render.tilePercent;
  CRowIteratorBands none, *reusable = generator_.render.reusableOutput;
  result = s.output.CreateSpreadIn(isTile && reusable ? *reusable : none, int(width), int(height), format);
  if (!result.Ok()) return result.GetCode();
  if (const int code = s.outputRows.Lock(s.output, format, &s.kept->outputRows)) return code;
  width_ = int(width);
  height_ = int(height);
  meter_.SetUnitCount(height_);
  return 0;
}

int TileWorkerRows::Run(const std::function<void(int y, RowQueue& queue)>& planRow) {
  State& s = *state_;
  std::vector<RowQueue>& queues = s.kept->plannedQueues;
  std::vector<std::vector<std::uint8_t>>& bgraRows = s.kept->plannedBgraRows;
  // Each thread sets its kept queue up for this run at its first rows.
  std::vector<char> reserved(std::size_t(RowThreads::Count()));
  try {
    if (queues.size() < reserved.size()) queues.resize(reserved.size());
    if (bgraRows.size() < reserved.size()) bgraRows.resize(reserved.size());
  } catch (const std::bad_alloc&) {
    return keErrorNoMemory;
  }
  std::atomic<bool> noMemory{false};
  const Point2D origin = generator_.origin;
  const BgraSampler sample = ChooseBgraSampler(generator_.render.cpu);
  const bool stopped = RowThreads::Run(
      height_,
      [&](int first, int last, int slot) {
        RowQueue& queue = queues[std::size_t(slot)];
        std::vector<std::uint8_t>& bgraRow = bgraRows[std::size_t(slot)];
        if (!reserved[std::size_t(slot)] &&
            (!queue.Reserve(width_, origin, sample, generator_.render.cpu.avx2) ||
             !ReserveBgraRow(s.outputRows, bgraRow))) {
          noMemory = true;
          return;
        }
        reserved[std::size_t(slot)] = 1;
        for (int y = first; y < last; ++y) {
          planRow(y, queue);
          const OutputRow out(s.outputRows, bgraRow, y);
          queue.Finish(s.sourceRows.Rows(), out.Bgra(), width_);
        }
      },
      [&](int finished) { return meter_.StepAndTestAbort(finished) != 0; });
  if (noMemory) return keErrorNoMemory;
  return stopped ? keErrorStopped : 0;
}

int TileWorkerRows::RunFolded(const FoldProgram& program, const PlanPixels& planPixels,
                              const PlanPositions& planPositions) {
  State& s = *state_;
  const FoldedFrame frame{generator_, s.sourceRows, s.outputRows, *s.kept,
                          start_,     width_,       height_,      pixelStep_};
  generator_.rendered.foldKernelForAnyKinds = !FoldKernelMadeFor(KernelArgs(program, generator_));
  return RunFoldedRows(frame, program, planPixels, planPositions, meter_, generator_.rendered.rowsTurned);
}

int TileWorkerRows::HandOver(int code) {
  State& s = *state_;
  s.sourceRows.Unlock();
  s.outputRows.Unlock();
  s.source.Destroy();
  s.converted.Destroy();
  generator_.ReleaseWorkImage();
  generator_.workImage.TakeFrom(s.output);
  generator_.ComputeOrigin();
  return code;
}

}  // namespace detail
}  // namespace corvel
