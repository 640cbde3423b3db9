// What the filter's tests share: a registry file of their own, the filter linked in (driven
// through the host's suites as the module is), and host images made from a pattern.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/TilingApp.h"
#include "host/FilterHost.h"
#include "resources/ParameterTable.h"

namespace apptest {

inline std::string TempPath(const std::string& name) {
  const char* dir = std::getenv("WF_TEST_TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/" + name;
}

// Every test starts with an empty registry file of its own.
class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name) c = c == '/' ? '_' : c;
    registry_ = TempPath("registry-" + name);
    std::remove(registry_.c_str());
    setenv("WF_REGISTRY", registry_.c_str(), 1);
  }
  // The file stays: a loaded module saves its settings into it once more when the program ends.
  std::string registry_;
};

// The filter linked into the test, behind an entry like the module's.
inline app::TilingApp*& LinkedApp() {
  static app::TilingApp* app = nullptr;
  return app;
}
inline void LinkedEntry(std::int16_t selector, host::FilterRecord* record, std::intptr_t* data,
                        std::int16_t* result) {
  framework::DispatchSelector(*LinkedApp(), selector, record, data, result);
}

// The descriptor a recorded action would hold: every parameter at its default, with changes.
inline wfhost::Descriptor Recorded(std::initializer_list<std::pair<int, double>> changes = {}) {
  wfhost::Descriptor descriptor;
  for (int row : resources::kDescriptorReadOrder) {
    const resources::ParameterRow& p = resources::kParameterTable[row];
    double value = p.defaultValue;
    for (auto [id, changed] : changes) {
      if (id == p.id) value = changed;
    }
    wfhost::DescriptorValue v;
    v.key = p.key;
    v.type = p.kind == resources::ParameterKind::Integer ? host::typeInteger
             : p.kind == resources::ParameterKind::Float ? host::typeFloat
                                                         : host::typeBoolean;
    v.integer = static_cast<std::int32_t>(value);
    v.real = value;
    v.flag = value != 0;
    descriptor.push_back(v);
  }
  return descriptor;
}

// Prepare as a host replaying a recorded action does: the run that follows shows no dialog.
inline void PrepareReplay(app::TilingApp& app) {
  host::PIDescriptorParameters descriptor{0,
                                          host::plugInDialogDontDisplay,
                                          0,
                                          wfhost::MakeDescriptor(Recorded()),
                                          wfhost::HostWriteProcs(),
                                          wfhost::HostReadProcs()};
  host::FilterRecord record{};
  record.handleProcs = wfhost::HostHandleProcs();
  record.descriptorParameters = &descriptor;
  std::intptr_t data = 0;
  std::int16_t result = -1;
  framework::DispatchSelector(app, host::filterSelectorPrepare, &record, &data, &result);
  EXPECT_FALSE(app.GetShowDialog());
  wfhost::HostHandleProcs()->disposeProc(reinterpret_cast<host::Handle>(data));
}

// An image of the mode with a pattern that differs from pixel to pixel.
inline wfhost::HostImageBuffer PatternImage(std::int16_t mode, int width, int height) {
  wfhost::HostImageBuffer image;
  image.width = width, image.height = height, image.mode = mode;
  image.planes = mode == host::kModeRGB || mode == host::kModeRGB48 ? 3 : 1;
  image.sampleBytes = mode == host::kModeGray16 || mode == host::kModeRGB48 ? 2 : 1;
  image.pixels.resize(std::size_t(image.RowBytes()) * height);
  std::size_t i = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width * image.planes; ++x, ++i) {
      const unsigned level = (x * 37 + y * 91 + (x * y) % 23) & 255;
      if (image.sampleBytes == 1) {
        image.pixels[i] = static_cast<std::uint8_t>(level);
      } else {
        const std::uint16_t value = static_cast<std::uint16_t>(level * 128 + (x & 127));
        std::memcpy(&image.pixels[2 * i], &value, 2);
      }
    }
  }
  return image;
}

}  // namespace apptest
