// Parameters, the parameter set in the registry, and the host image exchange's conversions.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

#include "AppFixture.h"
#include "core/RowIteratorBands.h"
#include "framework/HostImage.h"
#include "framework/HostSuites.h"
#include "platform/registry/Registry.h"

namespace apptest {
namespace {

using namespace framework;

TEST(Parameter, TextsRangesAndDefaults) {
  FloatParameter unit;
  unit.SetRange(0, 1);
  unit.SetFloat(0.5f);
  EXPECT_EQ(unit.ParseText("1.5"), -1);
  float value = 0;
  unit.GetFloat(&value);
  EXPECT_EQ(value, 0.5f);
  EXPECT_EQ(unit.ParseText("0.25abc"), 0);
  unit.GetFloat(&value);
  EXPECT_EQ(value, 0.25f);
  EXPECT_EQ(unit.ParseText("abc"), 0);
  unit.GetFloat(&value);
  EXPECT_EQ(value, 0.0f);
  unit.SetFloat(std::numeric_limits<float>::quiet_NaN());
  unit.GetFloat(&value);
  EXPECT_EQ(value, 0.0f) << "a NaN is never handed on";

  IntegerParameter percent;
  percent.SetRange(0, 100);
  EXPECT_EQ(percent.ParseText("250"), 0);
  int number = 0;
  percent.GetInt(&number);
  EXPECT_EQ(number, 100);
  std::ostringstream line;
  percent.SetName("Feathering");
  percent.WriteLine(line);
  EXPECT_EQ(line.str(), "\tFeathering : 250\n") << "the stored value stays unclamped";
  percent.SetInt(250);
  percent.GetInt(&number);
  EXPECT_EQ(number, 100);
  percent.SetInt(-5);
  percent.GetInt(&number);
  EXPECT_EQ(number, 0);

  IntegerParameter inverted;
  inverted.SetRange(10, 2);
  inverted.SetDefault(5);
  inverted.Reset();
  inverted.GetInt(&number);
  EXPECT_EQ(number, 2) << "the maximum wins an inverted range";

  BooleanParameter flag;
  EXPECT_EQ(flag.ParseText("true"), 0);
  bool on = true;
  flag.GetBool(&on);
  EXPECT_FALSE(on) << "only \"True\" sets it";

  FloatParameter unset;
  unset.SetFloat(3);
  unset.Reset();
  unset.GetFloat(&value);
  EXPECT_EQ(value, 0.0f);
}

TEST_F(AppTest, AllParametersRoundTripThroughTheRegistry) {
  app::TilingCommand saved;
  for (const resources::ParameterRow& row : resources::kParameterTable) {
    Parameter* p = saved.GetParameters().GetParameter(row.id);
    ASSERT_EQ(p->GetName(), row.name);
    // A value of its own for each, away from the default.
    if (row.kind == resources::ParameterKind::Integer)
      p->SetInt(static_cast<int>(row.minimum) + row.id + 1);
    else if (row.kind == resources::ParameterKind::Float)
      p->SetFloat(static_cast<float>(row.minimum + 0.01 * (row.id + 1)));
    else
      p->SetBool(true);
  }
  ASSERT_EQ(saved.GetParameters().SaveParametersToRegistry(), 0);
  app::TilingCommand loaded;  // loads at construction
  for (const resources::ParameterRow& row : resources::kParameterTable) {
    const Parameter* a = saved.GetParameters().GetParameter(row.id);
    const Parameter* b = loaded.GetParameters().GetParameter(row.id);
    int ia = -1, ib = -2;
    float fa = -1, fb = -2;
    bool ba = false, bb = true;
    a->GetInt(&ia), b->GetInt(&ib), a->GetFloat(&fa), b->GetFloat(&fb), a->GetBool(&ba), b->GetBool(&bb);
    if (row.kind == resources::ParameterKind::Float) {
      EXPECT_EQ(fa, fb) << row.name;
    } else {
      EXPECT_EQ(ia, ib) << row.name;
    }
    if (row.kind == resources::ParameterKind::Boolean) {
      EXPECT_EQ(ba, bb) << row.name;
    }
  }
}

TEST_F(AppTest, MissingAndMalformedRegistryValuesLeaveTheOthersLoading) {
  {
    app::TilingCommand command;
    command.GetParameters().GetParameter(resources::kTilingMethod)->SetInt(12);
    command.GetParameters().GetParameter(resources::kPoint1X)->SetFloat(0.75f);
    command.GetParameters().GetParameter(resources::kSpline1)->SetFloat(0.5f);
  }  // saved by the destructor
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Veltramoor\\Wendle Forge", 0, KEY_ALL_ACCESS, &key),
            0);
  RegDeleteValue(key, "Feathering");  // the first of all
  const char text[] = "seven";
  RegSetValueEx(key, "TileSize", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
  const DWORD nanBits = 0x7FC00000;
  RegSetValueEx(key, "Spline1", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&nanBits), 4);
  RegCloseKey(key);

  app::TilingCommand loaded;
  int number = 0;
  float value = 0;
  loaded.GetParameters().GetParameter(resources::kTilingMethod)->GetInt(&number);
  EXPECT_EQ(number, 12) << "values after a missing one still load";
  loaded.GetParameters().GetParameter(resources::kPoint1X)->GetFloat(&value);
  EXPECT_EQ(value, 0.75f);
  loaded.GetParameters().GetParameter(resources::kTileSize)->GetInt(&number);
  EXPECT_EQ(number, 100) << "a malformed value falls back to the default";
  loaded.GetParameters().GetParameter(resources::kSpline1)->GetFloat(&value);
  EXPECT_EQ(value, 0.0f);
  loaded.GetParameters().GetParameter(resources::kFeathering)->GetInt(&number);
  EXPECT_EQ(number, 10);
}

TEST_F(AppTest, ACrashWhileSavingLeavesTheLastSavedValues) {
  {
    app::TilingCommand command;
    command.GetParameters().GetParameter(resources::kTileSize)->SetInt(250);
  }
  const pid_t child = fork();
  if (child == 0) {
    platform::SetRegistryWriteHook([] { raise(SIGKILL); });
    app::TilingCommand command;
    command.GetParameters().GetParameter(resources::kTileSize)->SetInt(40);
    command.GetParameters().SaveParametersToRegistry();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  app::TilingCommand loaded;
  int number = 0;
  loaded.GetParameters().GetParameter(resources::kTileSize)->GetInt(&number);
  EXPECT_EQ(number, 250);
}

TEST_F(AppTest, SavingTheSetWritesTheRegistryOnceAndOnlyWhenAValueChanged) {
  app::TilingCommand command;
  ASSERT_EQ(command.GetParameters().Parameters().size(), 25u);
  static int writes;
  writes = 0;
  platform::SetRegistryWriteHook([] { ++writes; });
  EXPECT_EQ(command.GetParameters().SaveParametersToRegistry(), 0);
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(command.GetParameters().SaveParametersToRegistry(), 0);
  EXPECT_EQ(writes, 1) << "values stored as they are leave the file alone";
  command.GetParameters().GetParameter(resources::kTileSize)->SetInt(40);
  EXPECT_EQ(command.GetParameters().SaveParametersToRegistry(), 0);
  platform::SetRegistryWriteHook(nullptr);
  EXPECT_EQ(writes, 2);
  const pid_t child = fork();
  if (child == 0) {
    app::TilingCommand loaded;
    int number = 0;
    loaded.GetParameters().GetParameter(resources::kTileSize)->GetInt(&number);
    _exit(loaded.GetParameters().LoadParametersFromRegistry() == 0 && number == 40 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "every value reached the file";
}

TEST(HostImage, SixteenBitSamplesScaleBothWays) {
  struct Case {
    std::uint16_t in;
    std::uint8_t core;
    std::uint16_t out;
  } cases[] = {{0, 0, 0}, {128, 1, 129}, {16448, 128, 16448}, {32767, 255, 32768}, {32768, 255, 32768}};
  for (const Case& c : cases) {
    std::uint16_t in[15 * 15];
    std::fill(std::begin(in), std::end(in), c.in);
    std::uint16_t out[15 * 15] = {};
    host::FilterRecord record{};
    record.imageMode = host::kModeGray16;
    record.planes = 1;
    record.imageSize = {15, 15};
    record.inRect = record.outRect = {0, 0, 15, 15};
    record.inData = in, record.outData = out;
    record.inRowBytes = record.outRowBytes = 30;
    HostImage exchange;
    exchange.SetRecord(&record);
    ASSERT_TRUE(exchange.ReadHostImage());
    BYTE* row = exchange.GetSourceImage().LockRowPointer(14, 0, -1);
    EXPECT_EQ(row[14], c.core) << c.in;
    exchange.GetSourceImage().ReleaseRow(14);
    ASSERT_TRUE(exchange.WriteHostImage());
    EXPECT_EQ(out[224], c.out) << c.in;
  }
}

TEST(HostImage, TheSelectionsBoxIsReadAndWrittenInPlace) {
  std::uint8_t in[40 * 12 * 3], out[40 * 12 * 3] = {}, mask[40 * 12] = {};
  for (std::size_t i = 0; i < sizeof in; ++i) in[i] = static_cast<std::uint8_t>(i);
  for (int y = 5; y <= 7; ++y) std::fill_n(mask + y * 40 + 10, 10, 200);
  host::FilterRecord record{};
  record.imageMode = host::kModeRGB;
  record.planes = 3;
  record.imageSize = {12, 40};
  record.inRect = record.outRect = record.maskRect = {0, 0, 12, 40};
  record.inData = in, record.outData = out, record.maskData = mask, record.haveMask = 1;
  record.inRowBytes = record.outRowBytes = 120, record.maskRowBytes = 40;
  HostImage exchange;
  exchange.SetRecord(&record);
  ASSERT_TRUE(exchange.ReadHostImage());
  const RECT box = exchange.GetFilterRect();
  EXPECT_EQ((std::vector<LONG>{box.left, box.top, box.right, box.bottom}), (std::vector<LONG>{10, 5, 20, 8}));
  EXPECT_EQ(exchange.GetSourceImage().Width(), 10);
  EXPECT_EQ(exchange.GetMaskImage().Height(), 3);
  ASSERT_TRUE(exchange.WriteHostImage());
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inBox = x >= 10 && x < 20 && y >= 5 && y < 8;
      const int i = (y * 40 + x) * 3;
      ASSERT_EQ(out[i], inBox ? in[i] : 0) << x << ", " << y;
    }
  }
  std::fill(std::begin(mask), std::end(mask), 0);
  EXPECT_FALSE(exchange.ReadHostImage()) << "an empty selection leaves nothing to work on";
  EXPECT_FALSE(corvel::CRowIteratorBands::IsValid(&exchange.GetSourceImage()));
}

// A render reads a BGRA source in place only where its rows lie at one spreading pitch.
TEST(HostImage, AnRgbaSourceBuiltFromTheHostsSamplesLiesAtTheSpreadPitch) {
  constexpr int kWidth = 70, kHeight = 300;
  std::vector<std::uint8_t> in(kWidth * kHeight * 4), out(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = static_cast<std::uint8_t>(i * 7 + i / 4);
  host::FilterRecord record{};
  record.imageMode = host::kModeRGB, record.planes = 4, record.inLayerPlanes = 3,
  record.inTransparencyMask = 1;
  record.imageSize = {kHeight, kWidth};
  record.inRect = record.outRect = {0, 0, kHeight, kWidth};
  record.inData = in.data(), record.outData = out.data();
  record.inRowBytes = record.outRowBytes = kWidth * 4;
  HostImage exchange;
  exchange.SetRecord(&record);
  ASSERT_TRUE(exchange.ReadHostImage());
  corvel::CRowIteratorBands& source = exchange.GetSourceImage();
  ASSERT_EQ(source.GetFormat(), corvel::keFormatBGRA);
  BYTE *top, *row;
  ASSERT_EQ(source.GetRowAddress(0, &top).GetCode(), corvel::keErrorNone);
  for (int y = 0; y < kHeight; ++y) {
    ASSERT_EQ(source.GetRowAddress(y, &row).GetCode(), corvel::keErrorNone);
    ASSERT_EQ(row - top, y * corvel::SpreadPitch(kWidth * 4)) << y;
    const std::uint8_t* pixel = &in[(y * kWidth + 9) * 4];
    ASSERT_EQ((std::vector<int>{row[36], row[37], row[38], row[39]}),
              (std::vector<int>{pixel[2], pixel[1], pixel[0], pixel[3]}))
        << y;
  }
  ASSERT_TRUE(exchange.WriteHostImage());
  EXPECT_EQ(out, in);
}

TEST(HostImage, RefusedLayoutsAndTheLayerTest) {
  host::FilterRecord record{};
  record.imageMode = host::kModeRGB, record.planes = 4, record.inLayerPlanes = 3;
  EXPECT_EQ(HostLayoutOf(record).format, corvel::keFormatNone);
  record.inTransparencyMask = 1;
  EXPECT_EQ(HostLayoutOf(record).format, corvel::keFormatBGRA);
  record = host::FilterRecord{};
  record.imageMode = host::kModeGrayScale, record.planes = 3, record.inLayerPlanes = 1,
  record.inLayerMasks = 1;
  EXPECT_EQ(HostLayoutOf(record).format, corvel::keFormatGreyA);
  record.imageMode = 7;
  EXPECT_EQ(HostLayoutOf(record).format, corvel::keFormatNone);
}

TEST(HostSuites, EmulatedHandlesAndTheParameterBlock) {
  host::Handle handle = NewHostHandle(8);
  ASSERT_NE(handle, nullptr);
  EXPECT_NE(LockHandle(nullptr, handle), nullptr);
  DisposeHostHandle(handle);
  EXPECT_EQ(HostHandleError(), 0);
  DisposeHostHandle(nullptr);
  EXPECT_EQ(HostHandleError(), host::nilHandleErr);

  std::intptr_t data = 0;
  std::int16_t result = 5;
  host::FilterRecord record{};
  int initialised = 0;
  static int* counter = nullptr;
  counter = &initialised;
  ParameterBlock* block = GetParameterBlock(&result, &record, nullptr, 8, &data,
                                            [](ParameterBlock*) { ++*counter; });
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->record, &record);
  EXPECT_EQ(result, 0);
  EXPECT_NE(data, 0);
  EXPECT_NE(GetParameterBlock(&result, &record, nullptr, 8, &data, [](ParameterBlock*) { ++*counter; }),
            nullptr);
  EXPECT_EQ(initialised, 1) << "a kept block is reused";
  DisposeHostHandle(reinterpret_cast<host::Handle>(data));
}

}  // namespace
}  // namespace apptest
