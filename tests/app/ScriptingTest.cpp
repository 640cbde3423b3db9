// The parameters through the host's scripting descriptor: read on prepare, written on finish.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "AppFixture.h"
#include "app/ScriptingDescriptor.h"

namespace apptest {
namespace {

// Runs prepare and finish of the linked filter with a descriptor; answers what finish wrote.
struct Scripted {
  explicit Scripted(const wfhost::Descriptor& recorded,
                    host::int16 playInfo = host::plugInDialogDontDisplay) {
    EXPECT_TRUE(app.InitInstance());
    host::PIDescriptorParameters descriptor{
        0, playInfo, 0, wfhost::MakeDescriptor(recorded), wfhost::HostWriteProcs(), wfhost::HostReadProcs()};
    record.handleProcs = wfhost::HostHandleProcs();
    record.descriptorParameters = &descriptor;
    std::int16_t result = -1;
    framework::DispatchSelector(app, host::filterSelectorPrepare, &record, &data, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(descriptor.descriptor, nullptr) << "the read descriptor is given back";
    framework::DispatchSelector(app, host::filterSelectorFinish, &record, &data, &result);
    EXPECT_EQ(result, 0);
    written = wfhost::ReadDescriptorHandle(descriptor.descriptor);
    wfhost::HostHandleProcs()->disposeProc(descriptor.descriptor);
    wfhost::HostHandleProcs()->disposeProc(reinterpret_cast<host::Handle>(data));
  }
  double Value(int id) const {
    for (const resources::ParameterRow& row : resources::kParameterTable) {
      if (row.id != id) continue;
      for (const wfhost::DescriptorValue& v : written) {
        if (v.key == row.key)
          return v.type == host::typeFloat ? v.real : v.type == host::typeInteger ? v.integer : v.flag;
      }
    }
    return -12345;
  }
  app::TilingApp app;
  host::FilterRecord record{};
  std::intptr_t data = 0;
  wfhost::Descriptor written;
};

TEST_F(AppTest, AllParametersRoundTripThroughTheDescriptor) {
  std::initializer_list<std::pair<int, double>> values = {
      {0, 33},   {2, 777},      {1, 123},     {3, 15},      {7, 0.125},   {8, 0.25}, {9, 0.375},
      {10, 0.5}, {11, 0.625},   {12, 0.75},   {13, 0.875},  {14, 0.0625}, {4, -0.5}, {5, 0.25},
      {6, -1},   {15, 0.1875},  {16, 0.8125}, {18, 0.3125}, {17, 0.6875}, {20, -50}, {21, 60.5},
      {22, 700}, {23, -800.25}, {24, 2.5},    {19, 1}};
  Scripted run(Recorded(values));
  EXPECT_FALSE(run.app.GetShowDialog());
  ASSERT_EQ(run.written.size(), 25u);
  for (auto [id, value] : values) EXPECT_EQ(run.Value(id), value) << "parameter id " << id;
  // The writer's order: the placement's bottom before its left.
  EXPECT_EQ(run.written[21].key, host::FourCC("kPPB"));
  EXPECT_EQ(run.written[22].key, host::FourCC("kPPL"));
  // Prepare kept them in the registry too.
  app::TilingCommand stored;
  int size = 0;
  stored.GetParameters().GetParameter(resources::kTileSize)->GetInt(&size);
  EXPECT_EQ(size, 777);
}

TEST_F(AppTest, HostileDescriptorValuesAreClampedOrRefused) {
  wfhost::Descriptor recorded = Recorded({{resources::kTilingMethod, 40},
                                          {resources::kAngle, -90},
                                          {resources::kTileSize, 1e6},
                                          {resources::kPoint1X, 7},
                                          {resources::kSpline2, -3}});
  for (wfhost::DescriptorValue& v : recorded) {
    if (v.key == host::FourCC("kP2X")) v.real = std::numeric_limits<double>::quiet_NaN();
    if (v.key == host::FourCC("kP2Y")) v.real = std::numeric_limits<double>::infinity();
    if (v.key == host::FourCC("kFth")) v.type = host::typeFloat, v.real = 50;  // the wrong type
  }
  recorded.push_back({host::FourCC("zzzz"), host::typeInteger, 9, 0, false});  // a key of no one's
  Scripted run(recorded);
  EXPECT_EQ(run.Value(resources::kTilingMethod), 21);
  EXPECT_EQ(run.Value(resources::kAngle), 270) << "an angle is a turn";
  EXPECT_EQ(run.Value(resources::kTileSize), 2500);
  EXPECT_EQ(run.Value(resources::kPoint1X), 1);
  EXPECT_EQ(run.Value(resources::kSpline2), -1);
  EXPECT_FLOAT_EQ(run.Value(resources::kPoint2X), 0.6) << "not a number: the key's default";
  EXPECT_FLOAT_EQ(run.Value(resources::kPoint2Y), 0.4);
  EXPECT_EQ(run.Value(resources::kFeathering), 10) << "a value of the wrong type: the key's default";
}

TEST_F(AppTest, DescriptorValuesBelowTheMinimumAreRaisedOrRefused) {
  Scripted raised(Recorded({{resources::kTileSize, 5}, {resources::kFeathering, -4}}));
  EXPECT_EQ(raised.Value(resources::kTileSize), 10);
  EXPECT_EQ(raised.Value(resources::kFeathering), 0);
  // A tile of no size refuses the whole descriptor: the stored settings stay.
  Scripted refused(Recorded({{resources::kTileSize, 0}, {resources::kFeathering, 33}}));
  EXPECT_EQ(refused.Value(resources::kTileSize), 10);
  EXPECT_EQ(refused.Value(resources::kFeathering), 0);
}

TEST_F(AppTest, PlayInfoDecidesTheDialogAndNoSuitesMeansNoScripting) {
  Scripted shown(Recorded(), host::plugInDialogDisplay);
  EXPECT_TRUE(shown.app.GetShowDialog());
  // A host without descriptor suites: the dialog is asked for and nothing is written.
  app::TilingApp linked;
  ASSERT_TRUE(linked.InitInstance());
  host::FilterRecord record{};
  host::PIDescriptorParameters old{0,       host::plugInDialogDontDisplay, 0, nullptr,
                                   nullptr, wfhost::HostReadProcs()};
  record.descriptorParameters = &old;
  std::intptr_t data = 0;
  std::int16_t result = -1;
  framework::DispatchSelector(linked, host::filterSelectorPrepare, &record, &data, &result);
  EXPECT_TRUE(linked.GetShowDialog());
  framework::DispatchSelector(linked, host::filterSelectorFinish, &record, &data, &result);
  EXPECT_EQ(old.descriptor, nullptr);
  framework::DisposeHostHandle(reinterpret_cast<host::Handle>(data));
}

}  // namespace
}  // namespace apptest
