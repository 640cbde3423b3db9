// The framework's unit of work: a command owns its parameter set, the images a render reads and
// writes, and a progress meter; its render routine takes a RenderJob. (Preview renders on a
// thread of their own come with the dialogs.)
#pragma once
#include <memory>
#include <mutex>
#include <string>

#include "core/ProgressMeter.h"
#include "core/RowIteratorBands.h"
#include "framework/ParameterSet.h"
#include "platform/win32/Types.h"

namespace framework {

// A render routine that is not implemented.
constexpr int kNotImplemented = -3;

struct RenderJob {
  corvel::CRowIteratorBands* source = nullptr;
  corvel::CRowIteratorBands* output = nullptr;
  corvel::CRowIteratorBands* mask = nullptr;
  // Shared by copies of the job; held during a render only when lockDuringRender is set.
  std::shared_ptr<std::mutex> lock = std::make_shared<std::mutex>();
  bool lockDuringRender = false;
  corvel::CProgressMeter* progress = nullptr;  // null: no progress and no cancel
  HWND owner = nullptr;
};

class GenericCommand {
 public:
  GenericCommand() = default;
  virtual ~GenericCommand() = default;
  GenericCommand(const GenericCommand&) = delete;
  GenericCommand& operator=(const GenericCommand&) = delete;

  virtual void DefineParameters() {}
  // The render routine: 0, or a code; 100 and -6 count as cancelled.
  virtual int RunJob(RenderJob&) { return kNotImplemented; }
  virtual bool CanRender() { return true; }
  virtual std::string GetName() const { return "GenericCommand"; }

  ParameterSet& GetParameters() { return parameters_; }
  // The image whose size scales the shape's positions; shared, not copied.
  void SetSourceImage(corvel::CRowIteratorBands& image) { source_.Assign(image); }
  corvel::CRowIteratorBands& GetSourceImage() { return source_; }
  corvel::CRowIteratorBands& GetOutputImage() { return output_; }
  corvel::CRowIteratorBands& GetMaskImage() { return mask_; }
  bool IsBusy() const { return busy_; }

 protected:
  bool busy_ = false;
  std::string name_;
  ParameterSet parameters_;
  bool stop_ = false;
  corvel::CProgressMeter progress_;
  corvel::CRowIteratorBands source_, output_, mask_;
  RenderJob job_;
};

}  // namespace framework
