// Running a filter module over an image the way a host does: the handle and descriptor suites,
// the selectors in the host's order, and the buffer protocol in which the filter asks for
// rectangles of the input, output and mask and the host points it at them until it asks for
// nothing more.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/PluginInterface.h"

namespace wfhost {

// The host's image: interleaved samples of 1 or 2 bytes (16-bit samples run 0 .. 32768).
struct HostImageBuffer {
  int width = 0, height = 0, planes = 0;
  int sampleBytes = 1;
  std::int16_t mode = 0;
  std::vector<std::uint8_t> pixels;
  // From a 16-bit file: per sample, the file's value less the one its host sample maps back to,
  // so that a sample the filter leaves alone is saved as it was read.
  std::vector<std::int8_t> fileResidue;
  std::int32_t RowBytes() const { return width * planes * sampleBytes; }
};

// One value of a scripting descriptor.
struct DescriptorValue {
  host::DescriptorKey key = 0;
  host::DescriptorType type = 0;
  std::int32_t integer = 0;
  double real = 0;
  bool flag = false;
};
using Descriptor = std::vector<DescriptorValue>;

struct StepTime {
  const char* step;
  double seconds;
};

struct FilterRun {
  Descriptor descriptor;  // in: the recorded values; out: what the filter wrote
  host::int16 playInfo = host::plugInDialogDontDisplay;
  // width x height grey, or null; handed to the filter as the mask buffer itself, not a copy
  std::vector<std::uint8_t>* selection = nullptr;
  std::vector<StepTime> times;
  host::int16 failedSelector = -1;  // the selector that answered an error
};

class FilterModule {
 public:
  FilterModule() = default;
  // An entry already in the process (a filter linked in, for tests).
  explicit FilterModule(host::FilterEntry entry) : entry_(entry) {}
  ~FilterModule();
  FilterModule(const FilterModule&) = delete;
  FilterModule& operator=(const FilterModule&) = delete;
  // False with a reason when the module cannot be loaded or lacks the entry.
  bool Load(const std::string& path, const std::string& entryName, std::string* error);
  host::FilterEntry Entry() const { return entry_; }

 private:
  void* library_ = nullptr;
  host::FilterEntry entry_ = nullptr;
};

// Calls prepare, start, continue until the filter asks for nothing, and finish; the filter reads
// the image and writes its output over it in place (input and output rectangles point into the
// same pixels). The first error a selector answers ends the run.
host::OSErr RunFilter(const FilterModule& module, HostImageBuffer& image, FilterRun& run);

// The about selector, as a host's About menu sends it; the filter's answer.
host::OSErr ShowAbout(const FilterModule& module);

// The host's suites, also for tests that drive a filter by hand. A descriptor handle made from
// values, and the values of one.
host::HandleProcs* HostHandleProcs();
host::ReadDescriptorProcs* HostReadProcs();
host::WriteDescriptorProcs* HostWriteProcs();
host::PIDescriptorHandle MakeDescriptor(const Descriptor& values);
Descriptor ReadDescriptorHandle(host::PIDescriptorHandle handle);

}  // namespace wfhost
