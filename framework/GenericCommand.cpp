#include "framework/GenericCommand.h"

#include <algorithm>
#include <system_error>

#include "core/MaskedCombine.h"
#include "framework/UserMessage.h"
#include "platform/registry/Registry.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Queue.h"
#include "rowops/CoreTables.h"

namespace framework {

using corvel::CoreResult;
using corvel::CRowIteratorBands;

namespace {

// Rows of the output copied or combined between two asks whether to stop: some milliseconds.
constexpr int kRowsBetweenStops = 256;

// The meter's callbacks answer the stop flag: the render thread hears a stop only through them.
bool StopAsked(RenderJob& job) { return job.progress && job.progress->StepAndTestAbort(0) != 0; }

// The output starts as a copy of the source, made on the render thread (a large image takes
// a good part of a second) and a slice at a time, so that a stop ends it within milliseconds.
// False when stopped or when the copy cannot be had.
bool CopySourceIntoOutput(RenderJob& job) {
  CRowIteratorBands& source = *job.source;
  CRowIteratorBands& output = *job.output;
  if (output
          .Create(source.Width(), source.Height(), source.GetFormat(), nullptr, source.GetPalette(),
                  source.GetPaletteSize())
          .GetCode() != corvel::keErrorNone)
    return false;
  const RECT from = source.GetRect(), to = output.GetRect();
  for (int top = 0; top < source.Height(); top += kRowsBetweenStops) {
    if (StopAsked(job)) return false;
    const int bottom = std::min(source.Height(), top + kRowsBetweenStops);
    CRowIteratorBands sourceRows, outputRows;
    if (sourceRows.CreateSubView(source, from.left, from.top + top, from.right, from.top + bottom)
                .GetCode() != corvel::keErrorNone ||
        outputRows.CreateSubView(output, to.left, to.top + top, to.right, to.top + bottom).GetCode() !=
            corvel::keErrorNone ||
        CRowIteratorBands::CopyPixels(outputRows, sourceRows).GetCode() != corvel::keErrorNone)
      return false;
  }
  return true;
}

// Outside the selection the output shows the source again: a band at a time through a buffer of
// one band, between asks whether to stop, giving the bytes of one MaskedCombine of the whole image.
// False when stopped or when that fails: the output would hand the host pixels the user never
// selected.
bool KeepSourceOutsideMask(RenderJob& job) {
  if (!CRowIteratorBands::IsValid(job.source) || !CRowIteratorBands::IsValid(job.mask)) return true;
  CRowIteratorBands& source = *job.source;
  CRowIteratorBands& output = *job.output;
  CRowIteratorBands& mask = *job.mask;
  const int height = source.Height();
  CRowIteratorBands buffer;
  if (output.Height() != height || mask.Height() > height ||
      !buffer
           .CreateCopyOfRect(source.Width(), std::min(height, kRowsBetweenStops), source,
                             corvel::keAccessReadWrite)
           .Ok())
    return false;
  const RECT from = source.GetRect(), to = output.GetRect(), weights = mask.GetRect(),
             band = buffer.GetRect();
  for (int top = 0; top < height; top += kRowsBetweenStops) {
    if (StopAsked(job)) return false;
    const int rows = std::min(kRowsBetweenStops, height - top);
    const int maskRows = std::clamp(mask.Height() - top, 0, rows);
    CRowIteratorBands sourceRows, outputRows, combined, selected;
    if (!sourceRows.CreateSubView(source, from.left, from.top + top, from.right, from.top + top + rows)
             .Ok() ||
        !outputRows.CreateSubView(output, to.left, to.top + top, to.right, to.top + top + rows).Ok())
      return false;
    // Below the mask the source is taken as it is.
    if (maskRows == 0) {
      if (!CRowIteratorBands::CopyPixels(outputRows, sourceRows).Ok()) return false;
      continue;
    }
    if (!combined.CreateSubView(buffer, band.left, band.top, band.right, band.top + rows).Ok() ||
        !selected
             .CreateSubView(mask, weights.left, weights.top + top, weights.right,
                            weights.top + top + maskRows)
             .Ok() ||
        !MaskedCombine(sourceRows, outputRows, combined, selected, corvel::GetDivideBy255Table(), false,
                       nullptr)
             .Ok() ||
        !CRowIteratorBands::CopyPixels(outputRows, combined).Ok())
      return false;
  }
  return true;
}

}  // namespace

GenericCommand::~GenericCommand() {
  StopRender();
  if (thread_.joinable()) thread_.join();
  if (ending_.joinable()) ending_.join();
}

void GenericCommand::SaveParameters() {
  if (parameters_.SaveParametersToRegistry() == 0 || toldUnsaved_) return;
  toldUnsaved_ = true;
  std::string reason = platform::RegistryFailureReason();
  if (reason.empty()) reason = "the registry could not be written";
  const std::string text = "The settings could not be kept for the next use: " + reason + ".";
  ShowUserMessage(text.c_str(), "Settings", MB_OK | MB_ICONWARNING);
}

CoreResult GenericCommand::StartRender() {
  if (IsRendering()) return corvel::keErrorBadArgument;
  stop_ = false;
  progress_.Reset();
  progress_.SetOwner(this);
  progress_.SetProgressCallback(&OnProgress);
  progress_.SetContinueCallback(&OnContinue);
  job_.progress = &progress_;
  if (!CRowIteratorBands::IsValid(&source_)) return corvel::keErrorNotCreated;
  job_.source = &source_;
  job_.output = &output_;
  job_.mask = &mask_;
  renderParameters_ = parameters_;
  job_.parameters = &renderParameters_;
  return RenderThread(job_);
}

int GenericCommand::RenderThread(RenderJob& job) {
  if (IsRendering()) return corvel::keErrorBadArgument;
  // The last render's thread may still be letting go of what it wrote: the new thread waits for
  // it, not the dialog. It has passed its own start, where it waited for the one before.
  ending_ = std::move(thread_);
  {
    // What an older render kept to tell is stale once a new one starts.
    std::lock_guard<std::mutex> guard(toldLock_);
    toldText_.clear();
    toldCaption_.clear();
  }
  ++generation_;
  renderOwner_ = job.owner;
  running_ = true;
  try {
    thread_ = std::thread(&GenericCommand::RunRender, this, job, generation_);
  } catch (const std::system_error&) {
    running_ = false;
    if (ending_.joinable()) ending_.join();
    return corvel::keErrorNoMemory;
  }
  return 0;
}

void GenericCommand::StopRender() {
  stop_ = true;
  // The render's end, not the thread's: the thread may still be letting go of what it wrote.
  std::unique_lock<std::mutex> lock(endLock_);
  ended_.wait(lock, [this] { return !running_; });
  stop_ = false;
}

namespace {
thread_local bool onRenderThread = false;
}  // namespace

void GenericCommand::TellUser(const std::string& text, const std::string& caption) {
  if (!onRenderThread) {
    ShowUserMessage(text.c_str(), caption.c_str(), MB_OK);
    return;
  }
  std::lock_guard<std::mutex> guard(toldLock_);
  toldText_ = text;
  toldCaption_ = caption;
}

void GenericCommand::ShowToldMessage() {
  std::string text, caption;
  {
    std::lock_guard<std::mutex> guard(toldLock_);
    text.swap(toldText_);
    caption.swap(toldCaption_);
  }
  if (!text.empty()) ShowUserMessage(text.c_str(), caption.c_str(), MB_OK);
}

void GenericCommand::RunRender(RenderJob job, std::uint32_t generation) {
  onRenderThread = true;
  if (ending_.joinable()) ending_.join();
  // What a stopped render wrote goes only once the render has ended: letting go of an output the
  // size of a large image takes tens of milliseconds, which a stop would otherwise wait for.
  CRowIteratorBands unfinished;
  {
    std::unique_lock<std::mutex> held;
    if (job.lockDuringRender) held = std::unique_lock<std::mutex>(*job.lock);
    busy_ = true;
    // A routine that runs to its end past a stop (a generator hands back a blank tile), or a
    // stop after the last ask, still counts as stopped: what the user aborted never reaches
    // the host.
    const bool finished = CopySourceIntoOutput(job) && RunGuarded(job) && KeepSourceOutsideMask(job) &&
                          !stop_;
    // What is not finished shows the untouched source, so it can never reach the host. Shared,
    // not copied: the dialog waits for the render to end, and the next start makes a new output.
    if (!finished && CRowIteratorBands::IsValid(job.source)) {
      unfinished.TakeFrom(*job.output);
      job.output->Assign(*job.source).GetCode();
    }
    busy_ = false;
    if (renderOwner_)
      PostMessage(renderOwner_, finished ? kRenderFinishedMessage : kRenderCancelledMessage, 0,
                  static_cast<LPARAM>(generation));
  }
  std::lock_guard<std::mutex> guard(endLock_);
  running_ = false;
  ended_.notify_all();
}

bool GenericCommand::RunGuarded(RenderJob& job) {
  try {
    return RunJob(job) == 0;
  } catch (...) {
    // A failed render, never the end of the process: the thread has no one to hand it to.
    return false;
  }
}

std::int32_t GenericCommand::OnProgress(corvel::CProgressMeter* meter) {
  auto* command = static_cast<GenericCommand*>(meter->GetOwner());
  if (command->renderOwner_)
    PostMessage(command->renderOwner_, kRenderProgressMessage, reinterpret_cast<WPARAM>(command),
                meter->GetLastPercent());
  return command->stop_ ? 1 : 0;
}

std::int32_t GenericCommand::OnContinue(corvel::CProgressMeter* meter) {
  return static_cast<GenericCommand*>(meter->GetOwner())->stop_ ? 1 : 0;
}

}  // namespace framework
