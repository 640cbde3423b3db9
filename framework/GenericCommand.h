// The framework's unit of work: a command owns its parameter set, the images a render reads and
// writes, and a progress meter; its render routine takes a RenderJob. A preview render runs on a
// thread of the command's own and reports to the dialog that owns it by posted messages only.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/CoreResult.h"
#include "core/ProgressMeter.h"
#include "core/RowIteratorBands.h"
#include "framework/ParameterSet.h"
#include "platform/win32/Types.h"

namespace framework {

// A render routine that is not implemented.
constexpr int kNotImplemented = -3;
// Another result a routine may give for a cancel, beside the core's 100.
constexpr int kRenderCancelled = -6;

// Posted to the job's owner. Progress: wParam the command, lParam the percent. Finished and
// cancelled: lParam the generation of the render that ended (GenericCommand::GetGeneration).
constexpr UINT kRenderProgressMessage = 1725;
constexpr UINT kRenderFinishedMessage = 1794;
constexpr UINT kRenderCancelledMessage = 1795;

struct RenderJob {
  corvel::CRowIteratorBands* source = nullptr;
  corvel::CRowIteratorBands* output = nullptr;
  corvel::CRowIteratorBands* mask = nullptr;
  // Shared by copies of the job; held during a render only when lockDuringRender is set.
  std::shared_ptr<std::mutex> lock = std::make_shared<std::mutex>();
  bool lockDuringRender = false;
  corvel::CProgressMeter* progress = nullptr;  // null: no progress and no cancel
  HWND owner = nullptr;
  // What the routine reads: on the render thread a copy taken at the start, so that the dialog
  // may change the command's own meanwhile; null: the command's own.
  const ParameterSet* parameters = nullptr;
};

class GenericCommand {
 public:
  GenericCommand() = default;
  // Stops a running render. A derived command whose routine uses members of its own must stop
  // it in its own destructor, before they go.
  virtual ~GenericCommand();
  GenericCommand(const GenericCommand&) = delete;
  GenericCommand& operator=(const GenericCommand&) = delete;

  virtual void DefineParameters() {}
  // The render routine: 0, or a code; 100 and -6 count as cancelled.
  virtual int RunJob(RenderJob&) { return kNotImplemented; }
  virtual bool CanRender() { return true; }
  virtual std::string GetName() const { return "GenericCommand"; }

  ParameterSet& GetParameters() { return parameters_; }
  // Keeps the parameters in the registry for the next use. The first failure in the command's
  // life is told to the user with its reason; the later ones would only repeat it.
  void SaveParameters();
  // The image whose size scales the shape's positions; shared, not copied.
  void SetSourceImage(corvel::CRowIteratorBands& image) { source_ = image; }
  corvel::CRowIteratorBands& GetSourceImage() { return source_; }
  corvel::CRowIteratorBands& GetOutputImage() { return output_; }
  corvel::CRowIteratorBands& GetMaskImage() { return mask_; }
  // The window that gets the render's messages; null: none are posted.
  void SetOwner(HWND owner) { job_.owner = owner; }

  // Starts a render of the source into a fresh copy of it on the render thread: 101 while a
  // render thread still runs. The output must not be touched until the render has ended.
  corvel::CoreResult StartRender();
  // Asks a running render to stop and waits for it to end.
  void StopRender();
  bool IsRendering() const { return running_.load(); }
  // True while the thread is inside the render routine.
  bool IsBusy() const { return busy_.load(); }
  // Counts the starts; a finished or cancelled message carries the one of its render.
  std::uint32_t GetGeneration() const { return generation_; }

  // A message of the render routine for the user: shown at once on the host's thread, but on the
  // render thread kept until the dialog hears of the render's end, as a message box of that
  // thread would stand between the dialog and a stop that waits for the thread.
  void TellUser(const std::string& text, const std::string& caption);
  // Shows what the last render kept to tell, once; the dialog calls it as the render ends.
  void ShowToldMessage();

 protected:
  // Starts the thread over the job: 101 while one still runs, else 0.
  int RenderThread(RenderJob& job);

  std::atomic<bool> busy_{false};
  std::string name_;
  ParameterSet parameters_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  corvel::CProgressMeter progress_;
  corvel::CRowIteratorBands source_, output_, mask_;
  RenderJob job_;

 private:
  void RunRender(RenderJob job, std::uint32_t generation);
  // True when the routine answered 0; a cancel, another code or an exception leaving it is false.
  bool RunGuarded(RenderJob& job);
  static std::int32_t OnProgress(corvel::CProgressMeter* meter);
  static std::int32_t OnContinue(corvel::CProgressMeter* meter);

  std::atomic<bool> running_{false};
  // The thread of the render before, which the next render's thread joins.
  std::thread ending_;
  bool toldUnsaved_ = false;
  // Told when running_ goes down.
  std::mutex endLock_;
  std::condition_variable ended_;
  std::uint32_t generation_ = 0;
  std::mutex toldLock_;
  std::string toldText_, toldCaption_;
  ParameterSet renderParameters_;
  HWND renderOwner_ = nullptr;
};

}  // namespace framework
