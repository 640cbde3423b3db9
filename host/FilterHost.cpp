#include "host/FilterHost.h"

#include <dlfcn.h>

#include <chrono>

namespace wfhost {
namespace {

// A filter that keeps asking for pixels is stopped after this many continue calls.
constexpr int kMostContinueCalls = 100000;

bool IsEmpty(const host::Rect16& r) { return r.bottom <= r.top || r.right <= r.left; }

bool Inside(const host::Rect16& r, const HostImageBuffer& image) {
  return r.top >= 0 && r.left >= 0 && r.bottom <= image.height && r.right <= image.width;
}

std::uint8_t* At(std::vector<std::uint8_t>& bytes, std::int32_t rowBytes, int pixelBytes,
                 const host::Rect16& r) {
  return bytes.data() + std::size_t(r.top) * rowBytes + std::size_t(r.left) * pixelBytes;
}

}  // namespace

FilterModule::~FilterModule() {
  if (library_) dlclose(library_);
}

bool FilterModule::Load(const std::string& path, const std::string& entryName, std::string* error) {
  library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!library_) return *error = dlerror(), false;
  entry_ = reinterpret_cast<host::FilterEntry>(dlsym(library_, entryName.c_str()));
  if (!entry_) return *error = "the module has no entry " + entryName, false;
  return true;
}

host::OSErr RunFilter(const FilterModule& module, HostImageBuffer& image, FilterRun& run) {
  host::PIDescriptorParameters descriptor{
      0, run.playInfo, 0, MakeDescriptor(run.descriptor), HostWriteProcs(), HostReadProcs()};
  host::FilterRecord record{};
  record.imageSize = host::Point16{static_cast<host::int16>(image.height),
                                   static_cast<host::int16>(image.width)};
  record.planes = static_cast<host::int16>(image.planes);
  record.imageMode = image.mode;
  record.haveMask = run.selection ? 1 : 0;
  record.handleProcs = HostHandleProcs();
  record.descriptorParameters = &descriptor;
  std::intptr_t data = 0;
  const int pixelBytes = image.planes * image.sampleBytes;

  auto call = [&](host::int16 selector, const char* step) {
    host::int16 result = 0;
    const auto start = std::chrono::steady_clock::now();
    module.Entry()(selector, &record, &data, &result);
    run.times.push_back(
        {step, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()});
    if (result != host::noErr) run.failedSelector = selector;
    return result;
  };
  auto finish = [&](host::OSErr result) {
    if (data) HostHandleProcs()->disposeProc(reinterpret_cast<host::Handle>(data));
    run.descriptor = ReadDescriptorHandle(descriptor.descriptor);
    if (descriptor.descriptor) HostHandleProcs()->disposeProc(descriptor.descriptor);
    return result;
  };

  host::OSErr result = call(host::filterSelectorPrepare, "prepare");
  if (result == host::noErr) result = call(host::filterSelectorStart, "start");
  int calls = 0;
  while (result == host::noErr &&
         !(IsEmpty(record.inRect) && IsEmpty(record.outRect) && IsEmpty(record.maskRect))) {
    if (++calls > kMostContinueCalls || !Inside(record.inRect, image) || !Inside(record.outRect, image) ||
        (run.selection && !Inside(record.maskRect, image)))
      return finish(host::paramErr);
    // Input and output are the image's own pixels, which the filter reads before it writes over
    // them: a second full-size image would be the largest buffer of the run.
    record.inData = IsEmpty(record.inRect) ? nullptr
                                           : At(image.pixels, image.RowBytes(), pixelBytes, record.inRect);
    record.outData = IsEmpty(record.outRect) ? nullptr
                                             : At(image.pixels, image.RowBytes(), pixelBytes, record.outRect);
    record.maskData = run.selection && !IsEmpty(record.maskRect)
                          ? At(*run.selection, image.width, 1, record.maskRect)
                          : nullptr;
    record.inRowBytes = record.outRowBytes = image.RowBytes();
    record.maskRowBytes = image.width;
    result = call(host::filterSelectorContinue, "continue");
  }
  if (result != host::noErr) return finish(result);
  return finish(call(host::filterSelectorFinish, "finish"));
}

host::OSErr ShowAbout(const FilterModule& module) {
  host::FilterRecord record{};
  std::intptr_t data = 0;
  host::int16 result = 0;
  module.Entry()(host::filterSelectorAbout, &record, &data, &result);
  return result;
}

}  // namespace wfhost
