#include "generators/detail/FoldedRows.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "core/RowThreads.h"
#include "generators/detail/BandMarks.h"
#include "generators/detail/CellEdgePixels.h"
#include "generators/detail/CopyDown.h"
#include "generators/detail/FoldRow.h"
#include "generators/detail/FoldedRoad.h"
#include "generators/detail/FoldedRowBuffers.h"
#include "generators/detail/KeptBetweenRenders.h"
#include "generators/detail/PlannedPixels.h"
#include "generators/detail/RowSource.h"
#include "generators/detail/SeamBlends.h"

namespace corvel::detail {

namespace {

// At most how many rows' blended pixels near a seam's middle wait to be finished together.
constexpr int kRowsFinishedTogether = 16;

// What every thread's rows share: the program with its reach, each stage's set-up and the road.
class FoldedRun {
 public:
  FoldedRun(const FoldedFrame& frame, const FoldProgram& program,
            const TileWorkerRows::PlanPixels& planPixels, const TileWorkerRows::PlanPositions& planPositions)
      : frame(frame),
        program(program),
        planPixels(planPixels),
        planPositions(planPositions),
        g(frame.generator),
        blendSetup(program.blends ? SetUpBlends(*program.blends, program, g, frame.kept.blendSetup)
                                  : nullptr),
        blendsMade(blendSetup && blendSetup->made),
        args(KernelArgs(program, g)),
        kernel(ChooseFoldKernel(args, g.render.cpu)),
        spanStarts(ChooseSpanStarts(g.render.cpu)),
        bandMarks(program, g),
        blendKernel(ChooseSeamBlendKernel(g.render.cpu)),
        sample(ChooseBgraSampler(g.render.cpu)),
        window(frame.kept.window),
        sources(OpenRowSources(window, frame.sourceRows, program, g, blendsMade ? blendSetup.get() : nullptr,
                               frame.pixelStep, std::int64_t{frame.width} * frame.height)) {
    if (blendsMade) blendArgs = blendSetup->args;
    RoadFacts facts;
    facts.program = &program;
    facts.bandsCanMark = bandMarks.CanMark();
    facts.feathered = g.feather1 != 0 || g.feather2 != 0;
    facts.blendsMade = blendsMade;
    facts.blendsHaveCellEdges = blendsMade && blendArgs.CellEdgesAmongFoldLines();
    facts.plansPositions = bool(planPositions);
    facts.sourceInPlace = sources.inPlace;
    facts.greyOutput = frame.outputRows.Grey();
    facts.renderedPeriod = g.rendered.period;
    facts.basisA = g.basisA;
    facts.basisB = g.basisB;
    facts.width = frame.width;
    facts.height = frame.height;
    facts.pixelStep = frame.pixelStep;
    facts.start = frame.start;
    road = DecideRoad(facts);
    blendArgs.cellEdgesByWholeNumbers = road.blendCellEdges;
    if (road.blend && program.blends->plansAsRegions)
      middles.emplace(*program.blends, program, g, blendSetup->tables);
    if (road.markCellEdges || road.blendCellEdges) cellEdges.emplace(program, g, frame.start.x, frame.width);
    if (road.markCopiedEdges)
      copiedEdges.emplace(program, g, frame.start.x, frame.width, CellEdgePixels::kApartFromCopied);
    if (road.turn.any && program.rowsImage.planEdgesTurned)
      turnedEdges.emplace(program, g, frame.start.x, frame.width, CellEdgePixels::kEveryOneAndDiagonals);
  }

  const FoldedFrame& frame;
  const FoldProgram& program;
  const TileWorkerRows::PlanPixels& planPixels;
  const TileWorkerRows::PlanPositions& planPositions;
  const TileGenerator& g;
  const std::shared_ptr<const BlendSetup> blendSetup;
  const bool blendsMade;
  const FoldKernelArgs args;
  const FoldPositionsKernel kernel;
  const SpanStartsKernel spanStarts;
  const BandMarks bandMarks;
  const SeamBlendKernel blendKernel;
  const BgraSampler sample;
  SourceWindow window;
  const RowSources sources;
  SeamBlendArgs blendArgs;
  FoldedRoad road;
  std::optional<SeamBlendsInDoubles> middles;
  std::optional<CellEdgePixels> cellEdges, copiedEdges, turnedEdges;
};

// A thread's buffers sized for the run at its first rows; the allocation stays. False when the
// memory cannot be had.
bool SizeBuffers(const FoldedRun& run, FoldedRowBuffers& own) {
  const std::size_t width = std::size_t(run.frame.width);
  const bool bands = run.road.mayMark;
  try {
    own.positions.resize(2 * width);
    if (run.road.blend) own.exactPositions.resize(2 * width);
    if (run.road.blend || run.road.markCopiedEdges) own.plannedOut.resize(width);
    // Marks left by an earlier run would plan pixels of this one.
    if (bands) own.marks.assign(width, 0);
    if (bands && run.planPositions) {
      own.plannedPositions.resize(2 * width);
      own.places.resize(width);
    }
    // Room left by an earlier run, of another width, would pass for this one's.
    own.waitingPlaces.resize(bands && run.planPositions && run.road.markCopiedEdges ? 2 * width : 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const ImageRows& output = run.frame.outputRows;
  const Point2D origin = run.g.origin;
  return (!bands || own.queue.Reserve(run.frame.width, origin, run.sample, run.g.render.cpu.avx2)) &&
         ReserveBgraRow(output, own.bgraRow) && ReserveBgraRow(output, own.copyRow) &&
         (!run.road.blend || own.blendRow.Reserve(run.frame.width, origin, run.g.render.cpu));
}

// One thread's share of the rows, each made stage by stage and copied down the tile.
class FoldedRowMaker {
 public:
  FoldedRowMaker(const FoldedRun& run, FoldedRowBuffers& own)
      : run_(run),
        road_(run.road),
        frame_(run.frame),
        own_(own),
        planned_(run.planPixels, run.planPositions, frame_.sourceRows.Rows(), run.sample, frame_.start,
                 frame_.width, own.queue, own.plannedOut.data(), own.plannedPositions.data(),
                 own.waitingPlaces.empty() ? nullptr : own.waitingPlaces.data()) {}

  // The made rows first to last, in the road's order.
  void MakeRows(int first, int last);

 private:
  void MakeRow(int y, std::uint8_t* out);
  // Unblended, with the pixels' planned positions on a source read in place: the marked pixels'
  // planned positions take the place of the program's, and the row is sampled once.
  void MakeRowInPlace(int y, const Point2D& rowStart, std::uint8_t* out);
  // Row y, made at made, copied into the row it turns onto or the rows that repeat it below.
  void CopyDown(int y, const std::uint8_t* made);

  const FoldedRun& run_;
  const FoldedRoad& road_;
  const FoldedFrame& frame_;
  FoldedRowBuffers& own_;
  PlannedPixels planned_;
};

void FoldedRowMaker::MakeRows(int first, int last) {
  const ImageRows& rows = frame_.outputRows;
  // Queued with the planned pixels, which are finished after.
  const SeamBlendRow::PlanPixel planLeft = [&](int y, int x, std::uint8_t* out) {
    own_.marks[std::size_t(x)] = 1;
    planned_.Plan(y, out, own_.marks.data(), own_.positions.data(), road_.finishTogether);
  };
  auto rowOf = [&](int k) { return road_.turn.any ? road_.turn.MadeRow(k) : k; };
  // The blends' pixels near a seam's middle and the planned ones are finished several rows at
  // once, and the rows are copied down after.
  for (int k = first, unfinished = first; k < last; ++k) {
    const int y = rowOf(k);
    const OutputRow outputRow(rows, own_.bgraRow, y);
    MakeRow(y, outputRow.Bgra());
    if (road_.finishTogether && k + 1 < last && k + 1 - unfinished < kRowsFinishedTogether &&
        own_.blendRow.RoomForARow())
      continue;
    if (run_.middles) own_.blendRow.FinishMiddles(&*run_.middles, run_.sources.shared, planLeft);
    // Made rows queue their planned pixels only when finished together.
    if (road_.finishTogether) planned_.Finish(own_.positions.data());
    for (; unfinished < k; ++unfinished) CopyDown(rowOf(unfinished), rows.Row(rowOf(unfinished)));
    CopyDown(y, outputRow.Bgra());
    ++unfinished;
  }
  planned_.Finish(own_.positions.data());
}

void FoldedRowMaker::MakeRow(int y, std::uint8_t* out) {
  const Point2D rowStart(frame_.start.x, frame_.start.y + y * frame_.pixelStep.y);
  std::int32_t* const positions = own_.positions.data();
  std::uint8_t* const marks = own_.marks.data();
  float* const exact = road_.blend ? own_.exactPositions.data() : nullptr;
  // The fold marks the pixels near its bent seams beside the bands' marks, made first.
  if (road_.marksInFold) run_.bandMarks.Mark(rowStart, frame_.width, marks);
  FoldRow(run_.kernel, run_.spanStarts, run_.args, run_.program, run_.g, rowStart, frame_.pixelStep.x,
          frame_.width, positions, exact, road_.marksInFold ? marks : nullptr);
  if (road_.planInPlace && (road_.markBands || road_.markCellEdges)) return MakeRowInPlace(y, rowStart, out);
  run_.sample(run_.sources.program, out, positions, frame_.width, SampleEdge::kClamp);
  if (!road_.markBands && !road_.markCellEdges) return;
  // Marking cell edges alone, the marks are cleared after use rather than before: most rows cross
  // no edge right on a pixel.
  if (road_.markBands && !road_.marksInFold) run_.bandMarks.Mark(rowStart, frame_.width, marks);
  if (road_.markCellEdges && !run_.cellEdges->Mark(frame_.start.y + y, marks) && !road_.markBands) return;
  if (road_.blend) {
    const int left = own_.blendRow.Blend(
        run_.blendKernel, run_.blendArgs, run_.middles ? &*run_.middles : nullptr,
        {rowStart, frame_.pixelStep.x, y}, run_.sources.shared, positions, exact, frame_.width, marks, out);
    const bool edgesMarked = road_.blendCellEdges && run_.cellEdges->Mark(frame_.start.y + y, marks);
    if (edgesMarked) own_.blendRow.LeaveMarked(marks);
    if (!edgesMarked && left == 0) return;
  }
  planned_.Plan(y, out, marks, positions, road_.finishTogether);
}

void FoldedRowMaker::MakeRowInPlace(int y, const Point2D& rowStart, std::uint8_t* out) {
  std::uint8_t* const marks = own_.marks.data();
  if (road_.markBands && !road_.marksInFold) run_.bandMarks.Mark(rowStart, frame_.width, marks);
  // Marking cell edges alone, most rows mark none.
  const bool edgesMarked = road_.markCellEdges && run_.cellEdges->Mark(frame_.start.y + y, marks);
  if (edgesMarked || road_.markBands)
    planned_.PlaceInRow(y, marks, own_.places.data(), own_.positions.data());
  run_.sample(run_.sources.program, out, own_.positions.data(), frame_.width, SampleEdge::kClamp);
}

void FoldedRowMaker::CopyDown(int y, const std::uint8_t* made) {
  const RowTurn& turn = road_.turn;
  const RowRepeat& repeat = road_.repeat;
  std::int32_t* const scratch = own_.positions.data();
  int* const places = reinterpret_cast<int*>(scratch) + frame_.width;
  if (turn.any && turn.TurnedRow(y) != y) {
    // Into the row it lands on and those that repeat that one below, each further along.
    for (int onto = turn.TurnedRow(y), columns = turn.ColumnSum(y); onto < frame_.height;
         onto += repeat.rows, columns = (columns + repeat.shift) % frame_.width) {
      const OutputRow row(frame_.outputRows, own_.copyRow, onto);
      turn.Turn(made, row.Bgra(), columns);
      if (run_.turnedEdges)
        planned_.PlanPlaces(onto, row.Bgra(), places, run_.turnedEdges->Places(frame_.start.y + onto, places),
                            scratch);
      if (repeat.rows == 0) break;
    }
  }
  if (repeat.rows == 0) return;
  // A copy's few planned pixels wait in the queue, finished with later rows' in one go (no row is
  // copied from a copy), except where blends share the queue or grey rows are made as each is left.
  const bool copiesWait = !road_.blend && !frame_.outputRows.Grey();
  CopyRowDown(frame_.outputRows, own_.copyRow, repeat, y, made, frame_.width,
              [&](int below, std::uint8_t* out, int shift) {
                if (!run_.copiedEdges) return;
                const CellEdgePixels::Copied from{frame_.start.y + y, shift};
                const int planned = run_.copiedEdges->Places(frame_.start.y + below, places,
                                                             road_.copiesShowThePlan ? &from : nullptr);
                planned_.PlanPlaces(below, out, places, planned, scratch, copiesWait);
              });
}

}  // namespace

int RunFoldedRows(const FoldedFrame& frame, const FoldProgram& described,
                  const TileWorkerRows::PlanPixels& planPixels,
                  const TileWorkerRows::PlanPositions& planPositions, CProgressMeter& meter,
                  bool& rowsTurned) {
  FoldProgram program = described;
  WorkOutReach(program, frame.kept);
  std::vector<FoldedRowBuffers>& buffers = frame.kept.threadRows;
  // Each thread sizes its buffers for this run at its first rows.
  std::vector<char> sized(std::size_t(RowThreads::Count()));
  try {
    if (buffers.size() < sized.size()) buffers.resize(sized.size());
  } catch (const std::bad_alloc&) {
    return keErrorNoMemory;
  }
  const FoldedRun run(frame, program, planPixels, planPositions);
  rowsTurned = run.road.turn.any;
  if (run.road.madeRows != frame.height) meter.SetUnitCount(run.road.madeRows);
  std::atomic<bool> noMemory{false};
  const bool stopped = RowThreads::Run(
      run.road.madeRows,
      [&](int first, int last, int slot) {
        FoldedRowBuffers& own = buffers[std::size_t(slot)];
        if (!sized[std::size_t(slot)] && !SizeBuffers(run, own)) {
          noMemory = true;
          return;
        }
        sized[std::size_t(slot)] = 1;
        FoldedRowMaker(run, own).MakeRows(first, last);
      },
      [&](int finished) { return meter.StepAndTestAbort(finished) != 0; });
  if (noMemory) return keErrorNoMemory;
  return stopped ? keErrorStopped : 0;
}

}  // namespace corvel::detail
