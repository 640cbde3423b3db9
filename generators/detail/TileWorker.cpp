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
#include <optional>
#include <vector>

#include "core/CpuFeatures.h"
#include "core/RowThreads.h"
#include "generators/RectangularPeriod.h"
#include "generators/detail/CellEdgePixels.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/FoldedRowBuffers.h"
#include "generators/detail/KeptBetweenRenders.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SourceWindow.h"

namespace corvel {
namespace detail {

namespace {

// A pixel's samples mixed per channel in doubles, two channels a register, each sum truncated
// toward zero and kept in 0..255 when the weights sum past 1 (0 for NaN). Equal bytes under
// weights that sum to 1 can mix to a rounding error short of themselves; the slack keeps them
// whole (an opaque picture stays opaque) and is far too small to lift a true fraction.
void MixSamples(const BYTE* sample, const double* weight, int count, BYTE* out) {
  constexpr double kRoundingSlack = 1e-6;
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
    return _mm_min_pd(_mm_max_pd(_mm_add_pd(sum, _mm_set1_pd(kRoundingSlack)), _mm_setzero_pd()),
                      _mm_set1_pd(255));
  };
  const __m128i words = _mm_unpacklo_epi64(_mm_cvttpd_epi32(clamped(low)), _mm_cvttpd_epi32(clamped(high)));
  const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(words, words), zero);
  const std::int32_t mixed = _mm_cvtsi128_si32(bytes);
  std::memcpy(out, &mixed, 4);
}

}  // namespace

bool RowQueue::Reserve(int width, const Point2D& origin) {
  origin_ = origin;
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
  SampleBilinearBgra(source, samples_.data(), positions_.data(), int(position_ - positions_.data()) / 2,
                     SampleEdge::kClamp);
  const BYTE* sample = samples_.data();
  const double* weight = weights_.data();
  for (int x = 0; x < width; ++x, out += 4) {
    const int count = counts_[std::size_t(x)];
    if (count == 1 && weight[0] == 1) {
      std::memcpy(out, sample, 4);
    } else {
      MixSamples(sample, weight, count, out);
    }
    sample += 4 * count;
    weight += count;
  }
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
  bool reused = false;  // output is the generator's reusableOutput
};

TileWorkerRows::TileWorkerRows(TileGenerator& generator, CProgressMeter* meter)
    : generator_(generator), meter_(meter), state_(new State) {
  state_->kept = generator.render.kept ? generator.render.kept : &state_->keptForNone;
}

TileWorkerRows::~TileWorkerRows() = default;

int TileWorkerRows::Open(const FoldProgram* fold) {
  const bool folded = fold != nullptr, onePass = folded && !fold->HasBands();
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
  generator_.rendered.percent = 100;
  const POINT limit = generator_.render.periodLimit,
              period = RectangularPeriod(generator_.basisA, generator_.basisB);
  const std::int64_t periodWidth = CutTileSide(period.x, limit.x),
                     periodHeight = CutTileSide(period.y, limit.y);
  // One pass over the tile rather than the cell and then the cell again into the tile, unless
  // the period is much larger than the cell: the pixels of the tile are the cell's, from the
  // tile's origin one pixel on.
  if (limit.x > 0 && periodWidth > 0 && periodHeight > 0 &&
      (onePass || periodWidth * periodHeight <= 4 * width * height)) {
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
  if (folded && (generator_.rendered.period || generator_.render.cellIsTile) &&
      generator_.render.tilePercent != 100) {
    const int scaledWidth = ScaledTileSide(int(width), generator_.render.tilePercent),
              scaledHeight = ScaledTileSide(int(height), generator_.render.tilePercent);
    pixelStep_ = {double(width) / scaledWidth, double(height) / scaledHeight};
    width = scaledWidth;
    height = scaledHeight;
    generator_.rendered.percent = generator_.render.tilePercent;
  }
  if (width > std::numeric_limits<std::int32_t>::max() / (8 * SamplePlan::kMaxSamples) ||
      height > std::numeric_limits<std::int32_t>::max() || !WithinTileBudget(width * height))
    return keErrorNoMemory;
  // Only what becomes the tile itself is grey: a cell repeated into the tile is read as BGRA.
  const keFormat format = generator_.render.tileFormat == keFormatGrey &&
                                  (generator_.rendered.period || generator_.render.cellIsTile)
                              ? keFormatGrey
                              : keFormatBGRA;
  CRowIteratorBands* reusable = generator_.render.reusableOutput;
  // Only a run by a fold program has the tile's final size here; others leave the caller's image
  // untouched until their tile is done.
  if (folded && reusable && CRowIteratorBands::IsValid(reusable) && reusable->GetStorageFormat() == format &&
      reusable->GetFormat() == format && reusable->GetRect().left == 0 && reusable->GetRect().top == 0 &&
      reusable->Width() == width && reusable->Height() == height) {
    s.output.TakeFrom(*reusable);
    s.reused = true;
  } else {
    result = s.output.Create(int(width), int(height), format);
    if (!result.Ok()) return result.GetCode();
  }
  if (const int code = s.outputRows.Lock(s.output, format, &s.kept->outputRows)) return code;
  width_ = int(width);
  height_ = int(height);
  meter_.SetUnitCount(height_);
  return 0;
}

int TileWorkerRows::Run(const std::function<void(int y, RowQueue& queue)>& planRow) {
  State& s = *state_;
  std::vector<RowQueue> queues(std::size_t(RowThreads::Count()));
  std::vector<std::vector<std::uint8_t>> bgraRows(queues.size());
  std::atomic<bool> noMemory{false};
  const Point2D origin = generator_.origin;
  const bool stopped = RowThreads::Run(
      height_,
      [&](int first, int last, int slot) {
        RowQueue& queue = queues[std::size_t(slot)];
        std::vector<std::uint8_t>& bgraRow = bgraRows[std::size_t(slot)];
        if ((queue.Empty() && !queue.Reserve(width_, origin)) || !ReserveBgraRow(s.outputRows, bgraRow)) {
          noMemory = true;
          return;
        }
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

namespace {

// How many rows down the source is asked for ahead of the reads.
constexpr int kRowsAhead = 8;

// At most how many rows' blended pixels near a seam's middle wait to be finished together.
constexpr int kRowsFinishedTogether = 16;

// About what a core's cache keeps of a source read in place or copied.
constexpr std::int64_t kCachedBytes = std::int64_t{1} << 20;

// The places of the count marks set to 1, eight marks looked at a time: most rows mark a few
// short runs.
int MarkedPlaces(const std::uint8_t* marks, int count, int* places) {
  int planned = 0, x = 0;
  for (std::uint64_t eight = 0; x + 8 <= count; x += 8) {
    std::memcpy(&eight, marks + x, 8);
    if (eight != 0)
      for (int i = x; i < x + 8; ++i)
        if (marks[i] == 1) places[planned++] = i;
  }
  for (; x < count; ++x)
    if (marks[x] == 1) places[planned++] = x;
  return planned;
}

// A tile of several cells repeats down itself: row y + rows is row y moved shift pixels right,
// around the row, by the lattice vector (shift, rows) of the least height.
struct RowRepeat {
  int rows = 0, shift = 0;
};

// Whether the band's pixels, planned, hold every pixel right on the lines where its coordinate is
// whole.
bool HoldsWholeLines(const FoldProgram::Band& band) {
  return band.planned && band.every == 1 && band.from <= 0 && band.to >= 0;
}

RowRepeat RepeatDown(const POINT& a, const POINT& b, int width, int height) {
  // i a.y + j b.y = gcd(a.y, b.y) along Euclid's steps.
  std::int64_t r0 = a.y, r1 = b.y, i0 = 1, i1 = 0, j0 = 0, j1 = 1;
  while (r1 != 0) {
    const std::int64_t q = r0 / r1, r2 = r0 - q * r1, i2 = i0 - q * i1, j2 = j0 - q * j1;
    r0 = r1;
    r1 = r2;
    i0 = i1;
    i1 = i2;
    j0 = j1;
    j1 = j2;
  }
  if (r0 < 0) {
    r0 = -r0;
    i0 = -i0;
    j0 = -j0;
  }
  if (r0 == 0 || width <= 0 || r0 >= height || height % r0 != 0) return {};
  const std::int64_t shift = (i0 * a.x + j0 * b.x) % width;
  return {int(r0), int(shift < 0 ? shift + width : shift)};
}

}  // namespace

int TileWorkerRows::RunFolded(const FoldProgram& described, const PlanPixels& planPixels,
                              const PlanPositions& planPositions) {
  State& s = *state_;
  FoldProgram program = described;
  WorkOutReach(program, *s.kept);
  std::vector<FoldedRowBuffers>& buffers = s.kept->threadRows;
  // Each thread sizes its buffers for this run at its first rows; the allocation stays.
  std::vector<char> sized(std::size_t(RowThreads::Count()));
  try {
    if (buffers.size() < sized.size()) buffers.resize(sized.size());
  } catch (const std::bad_alloc&) {
    return keErrorNoMemory;
  }
  const std::shared_ptr<const BlendSetup> blendSetup = program.blends
                                                           ? SetUpBlends(*program.blends, program, generator_,
                                                                         s.kept->blendSetup)
                                                           : nullptr;
  const bool blending = blendSetup && blendSetup->made;
  SeamBlendArgs blendArgs;
  if (blending) blendArgs = blendSetup->args;
  const SeamBlendKernel blendKernel = ChooseSeamBlendKernel(generator_.render.cpu);
  std::optional<SeamBlendsInDoubles> middles;
  if (blending && program.blends->plansAsRegions)
    middles.emplace(*program.blends, program, generator_, blendSetup->tables);
  std::atomic<bool> noMemory{false};
  const FoldKernelArgs args = KernelArgs(program, generator_);
  const FoldPositionsKernel kernel = ChooseFoldKernel(args, generator_.render.cpu);
  const BandMarks bandMarks(program, generator_);
  // Rows where no pixel can be marked skip the marking.
  const bool marking = program.HasBands() && bandMarks.CanMark();
  const bool markingEdges = program.HasBands() && program.planCellEdges && !program.blends &&
                            program.wrapBias == 0 && pixelStep_.x == 1 && pixelStep_.y == 1;
  // Feathered, the blends' pixels right on a cell's edge are planned only where wrapped apart too.
  const bool blendEdges = blending && blendArgs.CellEdgesAmongFoldLines() && program.wrapBias == 0 &&
                          pixelStep_.x == 1 && pixelStep_.y == 1;
  blendArgs.cellEdgesByWholeNumbers = blendEdges;
  std::optional<CellEdgePixels> cellEdges;
  if (markingEdges || blendEdges) cellEdges.emplace(program, generator_, start_.x, width_);
  SourceWindow window(s.kept->window);
  RECT reached = ReachedSource(program, generator_);
  const Point2D corner = generator_.LatticeToSource(program.sourceShift.x, program.sourceShift.y);
  std::vector<SourceReach> reaches{
      {corner + generator_.origin,
       generator_.LatticeToSource(program.sourceShift.x + program.reachU, program.sourceShift.y) - corner,
       generator_.LatticeToSource(program.sourceShift.x, program.sourceShift.y + program.reachV) - corner}};
  if (blending) {
    const RECT& partners = blendSetup->reached;
    reached = {std::min(reached.left, partners.left), std::min(reached.top, partners.top),
               std::max(reached.right, partners.right), std::max(reached.bottom, partners.bottom)};
    reaches.insert(reaches.end(), blendSetup->reaches.begin(), blendSetup->reaches.end());
  }
  BgraRows source = window.Open(s.sourceRows, reached, std::int64_t{width_} * height_, reaches);
  // A turned row reads a long diagonal of the source, farther than the cache keeps from one row to
  // the next: the reads of the rows some way down are asked for in time, by the map unfolded.
  if (source.window) {
    const Point2D down = generator_.PlaneToLattice(0, kRowsAhead * pixelStep_.y) -
                         generator_.PlaneToLattice(0, 0);
    const Point2D step = generator_.LatticeToSource(down.x, down.y) - generator_.LatticeToSource(0, 0);
    if (std::abs(step.x) < source.windowWidth && std::abs(step.y) < source.windowHeight)
      source.windowAhead = std::intptr_t(std::lround(step.y)) * source.windowPitch +
                           4 * std::intptr_t(std::lround(step.x));
  }
  // Unblended, planned positions are sampled with the program's where every position reads the
  // source's own rows: a window copied holds only what the program reads.
  const bool planInPlace = !blending && planPositions && program.HasBands() &&
                           (!source.window || source.window == source.rows[source.windowTop] +
                                                                   4 * std::intptr_t(source.windowLeft));
  // Where the steps turn a half or a quarter or mirror parts of a turned row, each part's rows
  // below lie its own way, where the source read is larger than the cache keeps: a quarter turn
  // from the part's own step along the row, the way the map unfolded turns it where every step
  // keeps the sense of turns, else both ways. Rows along the source's rows are read ahead by the
  // processor itself; the turns of a third or a sixth gained nothing by it.
  BgraRows rowSource = source;
  auto toSource = [&](double x, double y) {
    const Point2D uv = generator_.PlaneToLattice(x, y);
    return generator_.LatticeToSource(uv.x, uv.y) - generator_.LatticeToSource(0, 0);
  };
  const Point2D along = toSource(1, 0), down = toSource(0, 1);
  if (source.windowAhead != 0 && program.stepCount > 0 && std::abs(along.y) > std::abs(along.x) / 16 &&
      4 * std::int64_t{source.windowWidth} * source.windowHeight > kCachedBytes) {
    rowSource.aheadRows = along.x * down.y - along.y * down.x > 0 ? kRowsAhead : -kRowsAhead;
    for (int i = 0; i < program.stepCount; ++i) {
      // A turn by t has the trace 2 cos t: +-1 for a third or a sixth.
      const LatticeAffine& m = program.steps[i].map;
      const double turns = m.uu * m.vv - m.uv * m.vu, trace = std::abs(m.uu + m.vv);
      if (turns > 0 && trace > 0.5 && trace < 1.5) rowSource.aheadRows = 0;
      if (turns < 0) rowSource.aheadBothWays = true;
    }
  }
  // Rows that repeat higher ones are copied from them as they are made; only the pixels right on
  // a cell's edge are planned again, as the plan's wrap there follows its doubles' rounding.
  // Where the pixel copied shows the plan's own side of the edge (unblended, the bands plan every
  // pixel right on one; blended, those the fast positions wrap apart are planned), only those the
  // plan wraps apart from it are planned again.
  const bool copiesPlanned = blendEdges || (marking && !blending && !program.stepsDecideSeams &&
                                            HoldsWholeLines(program.bandU) && HoldsWholeLines(program.bandV));
  const POINT period = RectangularPeriod(generator_.basisA, generator_.basisB);
  const RowRepeat repeat = generator_.rendered.period && pixelStep_.x == 1 && pixelStep_.y == 1 &&
                                   width_ == period.x && height_ == period.y
                               ? RepeatDown(generator_.basisA, generator_.basisB, width_, height_)
                               : RowRepeat{};
  const int madeRows = repeat.rows > 0 ? repeat.rows : height_;
  std::optional<CellEdgePixels> copiedEdges;
  if (repeat.rows > 0 && program.HasBands())
    copiedEdges.emplace(program, generator_, start_.x, width_, CellEdgePixels::kApartFromCopied);
  if (repeat.rows > 0) meter_.SetUnitCount(madeRows);
  const bool stopped = RowThreads::Run(
      madeRows,
      [&](int first, int last, int slot) {
        FoldedRowBuffers& own = buffers[std::size_t(slot)];
        std::vector<std::int32_t>& row = own.positions;
        std::vector<std::uint8_t>& banded = own.marks;
        RowQueue& queue = own.queue;
        std::vector<std::uint8_t>& bgraRow = own.bgraRow;
        std::vector<std::uint8_t>& copyRow = own.copyRow;
        SeamBlendRow& blendRow = own.blendRow;
        if (!sized[std::size_t(slot)]) {
          try {
            row.resize(2 * std::size_t(width_));
            if (blending) own.exactPositions.resize(2 * std::size_t(width_));
            if (blending) own.plannedOut.resize(std::size_t(width_));
            // Marks left by an earlier run would plan pixels of this one.
            if (program.HasBands()) banded.assign(std::size_t(width_), 0);
            if (program.HasBands() && planPositions) {
              own.plannedPositions.resize(2 * std::size_t(width_));
              own.places.resize(std::size_t(width_));
            }
          } catch (const std::bad_alloc&) {
            noMemory = true;
            return;
          }
          if ((program.HasBands() && !queue.Reserve(width_, generator_.origin)) ||
              !ReserveBgraRow(s.outputRows, bgraRow) || !ReserveBgraRow(s.outputRows, copyRow) ||
              (blending && !blendRow.Reserve(width_, generator_.origin, generator_.render.cpu))) {
            noMemory = true;
            return;
          }
          sized[std::size_t(slot)] = 1;
        }
        // The planned pixels queued for several rows, sampled and mixed into the row's positions,
        // which the row is done with, and moved out to where they belong.
        int queuedPlanned = 0;
        auto finishPlanned = [&] {
          if (queuedPlanned == 0) return;
          std::uint8_t* mixed = reinterpret_cast<std::uint8_t*>(row.data());
          queue.Finish(s.sourceRows.Rows(), mixed, queuedPlanned);
          for (int i = 0; i < queuedPlanned; ++i)
            std::memcpy(own.plannedOut[std::size_t(i)], mixed + 4 * i, 4);
          queuedPlanned = 0;
        };
        // The marked pixels of row y planned into out, the marks then cleared; where the row is
        // finished later, queued with the rows' before it.
        auto planMarked = [&](int y, std::uint8_t* out, bool later = false) {
          // The marked pixels' places, in the row's positions past the last one read.
          int* const places = reinterpret_cast<int*>(row.data()) + width_;
          std::uint8_t* const marked = banded.data();
          const int planned = MarkedPlaces(marked, width_, places);
          if (planned == 0) return;
          if (later && !planPositions) {
            if (queuedPlanned + planned > width_) finishPlanned();
            planPixels(y, places, planned, queue);
            for (int i = 0; i < planned; ++i) {
              own.plannedOut[std::size_t(queuedPlanned++)] = out + 4 * std::size_t(places[i]);
              marked[places[i]] = 0;
            }
            return;
          }
          std::uint8_t* mixed = reinterpret_cast<std::uint8_t*>(row.data());
          if (planPositions) {
            std::int32_t* const at = own.plannedPositions.data();
            planPositions(start_.x, start_.y + y, places, planned, at);
            SampleBilinearBgra(s.sourceRows.Rows(), mixed, at, planned, SampleEdge::kClamp);
          } else {
            planPixels(y, places, planned, queue);
            queue.Finish(s.sourceRows.Rows(), mixed, planned);
          }
          for (int i = 0; i < planned; ++i) std::memcpy(out + 4 * std::size_t(places[i]), mixed + 4 * i, 4);
          for (int i = 0; i < planned; ++i) marked[places[i]] = 0;
        };
        auto makeRow = [&](int y, std::uint8_t* out, bool later) {
          const Point2D rowStart(start_.x, start_.y + y * pixelStep_.y);
          float* const exact = blending ? own.exactPositions.data() : nullptr;
          FoldRow(kernel, args, program, generator_, rowStart, pixelStep_.x, width_, row.data(), exact);
          if (planInPlace && (marking || markingEdges)) {
            // The marked pixels' planned positions take the place of the program's, and the row is
            // sampled once.
            if (marking) bandMarks.Mark(rowStart, width_, banded.data());
            if (markingEdges) cellEdges->Mark(start_.y + y, banded.data());
            int* const places = own.places.data();
            const int planned = MarkedPlaces(banded.data(), width_, places);
            if (planned > 0) {
              std::int32_t* const at = own.plannedPositions.data();
              planPositions(start_.x, start_.y + y, places, planned, at);
              for (int i = 0; i < planned; ++i) {
                const std::size_t x = std::size_t(places[i]);
                row[2 * x] = at[2 * i];
                row[2 * x + 1] = at[2 * i + 1];
                banded[x] = 0;
              }
            }
            SampleBilinearBgra(rowSource, out, row.data(), width_, SampleEdge::kClamp);
            return;
          }
          SampleBilinearBgra(rowSource, out, row.data(), width_, SampleEdge::kClamp);
          if (!marking && !markingEdges) return;
          // The band's pixels planned in one queue, mixed into the row's own samples' place and
          // then moved out to where they belong. Marking cell edges alone, the marks are cleared
          // after use rather than before: most rows cross no edge right on a pixel.
          if (marking) bandMarks.Mark(rowStart, width_, banded.data());
          if (markingEdges && !cellEdges->Mark(start_.y + y, banded.data()) && !marking) return;
          if (blending) {
            const int planned = blendRow.Blend(blendKernel, blendArgs, middles ? &*middles : nullptr,
                                               {rowStart, pixelStep_.x, y}, source, row.data(), exact, width_,
                                               banded.data(), out);
            const bool edgesMarked = blendEdges && cellEdges->Mark(start_.y + y, banded.data());
            if (edgesMarked) blendRow.LeaveMarked(banded.data());
            if (!edgesMarked && planned == 0) return;
          }
          planMarked(y, out, later);
        };
        // Row y, made, copied down the tile.
        auto copyDown = [&](int y, const std::uint8_t* made) {
          for (int below = y + repeat.rows, shift = repeat.shift; repeat.rows > 0 && below < height_;
               below += repeat.rows, shift = (shift + repeat.shift) % width_) {
            const OutputRow copied(s.outputRows, copyRow, below);
            std::uint8_t* const out = copied.Bgra();
            std::memcpy(out + 4 * std::size_t(shift), made, 4 * std::size_t(width_ - shift));
            std::memcpy(out, made + 4 * std::size_t(width_ - shift), 4 * std::size_t(shift));
            const CellEdgePixels::Copied from{start_.y + y, shift};
            if (copiedEdges &&
                copiedEdges->Mark(start_.y + below, banded.data(), copiesPlanned ? &from : nullptr))
              planMarked(below, out);
          }
        };
        // The blends' pixels near a seam's middle and the planned ones are finished several rows
        // at once, where the rows are the output's own, and the rows are copied down after.
        const bool together = blending && !s.outputRows.Grey();
        // Queued with the planned pixels, which are finished after.
        const SeamBlendRow::PlanPixel planLeft = [&](int y, int x, std::uint8_t* out) {
          banded[std::size_t(x)] = 1;
          planMarked(y, out, together);
        };
        for (int y = first, unfinished = first; y < last; ++y) {
          const OutputRow outputRow(s.outputRows, bgraRow, y);
          makeRow(y, outputRow.Bgra(), together);
          if (together && y + 1 < last && y + 1 - unfinished < kRowsFinishedTogether &&
              blendRow.RoomForARow())
            continue;
          if (middles) blendRow.FinishMiddles(&*middles, source, planLeft);
          finishPlanned();
          for (; unfinished < y; ++unfinished) copyDown(unfinished, s.outputRows.Row(unfinished));
          copyDown(y, outputRow.Bgra());
          ++unfinished;
        }
      },
      [&](int finished) { return meter_.StepAndTestAbort(finished) != 0; });
  if (noMemory) return keErrorNoMemory;
  return stopped ? keErrorStopped : 0;
}

int TileWorkerRows::HandOver(int code) {
  State& s = *state_;
  s.sourceRows.Unlock();
  s.outputRows.Unlock();
  s.source.Destroy();
  s.converted.Destroy();
  generator_.ReleaseWorkImage();
  // A failed render leaves the caller's image where it was.
  if (code != 0 && code != keErrorStopped && s.reused)
    generator_.render.reusableOutput->TakeFrom(s.output);
  else
    generator_.workImage.TakeFrom(s.output);
  generator_.ComputeOrigin();
  return code;
}

}  // namespace detail
}  // namespace corvel
