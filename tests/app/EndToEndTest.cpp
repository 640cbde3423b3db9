// The filter from end to end: the built module loaded with dlopen and the filter linked in,
// each driven by the host's suites and buffer protocol, in every mode, for every group, with
// and without a selection.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>
#include <vector>

#include "AppFixture.h"
#include "app/TilingCommand.h"
#include "host/PluginInfo.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Script.h"
#include "rowops/ImageBufferOps.h"
#include "tests/core/ImageBytes.h"

namespace apptest {
namespace {

using namespace corvel;

wfhost::FilterModule& Module() {
  static wfhost::FilterModule module;
  static bool loaded = [] {
    std::string error;
    const bool ok = module.Load(WF_MODULE_PATH, "ENTRYPOINT", &error);
    EXPECT_TRUE(ok) << error;
    return ok;
  }();
  EXPECT_TRUE(loaded);
  return module;
}

std::uint16_t To16(BYTE value) {
  const std::uint32_t x = std::uint32_t{value} << 15 | 128;
  return static_cast<std::uint16_t>(((x >> 8) + x) >> 8);
}

// Sample c of host pixel (x, y).
unsigned Sample(const wfhost::HostImageBuffer& image, int x, int y, int c) {
  const std::size_t i = (std::size_t(y) * image.width + x) * image.planes + c;
  if (image.sampleBytes == 1) return image.pixels[i];
  std::uint16_t value;
  std::memcpy(&value, &image.pixels[2 * i], 2);
  return value;
}

// The linked filter's tile, copied just before finish lets go of it.
CRowIteratorBands& TileBeforeFinish() {
  static CRowIteratorBands tile;
  return tile;
}
void EntryKeepingTile(std::int16_t selector, host::FilterRecord* record, std::intptr_t* data,
                      std::int16_t* result) {
  if (selector == host::filterSelectorFinish) {
    EXPECT_EQ(TileBeforeFinish().CreateCopy(LinkedApp()->GetCommand()->GetTile()).GetCode(), 0);
  }
  LinkedEntry(selector, record, data, result);
}

class EndToEnd : public AppTest, public ::testing::WithParamInterface<std::tuple<std::int16_t, int, bool>> {};

TEST_P(EndToEnd, OutsideTheSelectionUntouchedInsideTheTileRepeatedFromTheBoxOrigin) {
  const auto [mode, group, selected] = GetParam();
  const int width = 72, height = 56;
  const RECT box{17, 9, 61, 50};    // the selection, at an offset,
  const RECT hole{40, 20, 46, 27};  // with a hole whose pixels stay as they are, bit for bit
  std::vector<std::uint8_t> mask(std::size_t(width) * height, 0);
  for (int y = box.top; y < box.bottom; ++y)
    std::fill_n(&mask[std::size_t(y) * width + box.left], box.right - box.left, 255);
  for (int y = hole.top; y < hole.bottom; ++y)
    std::fill_n(&mask[std::size_t(y) * width + hole.left], hole.right - hole.left, 0);
  const RECT area = selected ? box : RECT{0, 0, width, height};
  const wfhost::HostImageBuffer input = PatternImage(mode, width, height);

  app::TilingApp linked;
  ASSERT_TRUE(linked.InitInstance());
  LinkedApp() = &linked;
  wfhost::FilterModule linkedModule(EntryKeepingTile);
  wfhost::HostImageBuffer expected = input, actual = input;
  for (auto [module, image] : {std::pair{&linkedModule, &expected}, std::pair{&Module(), &actual}}) {
    wfhost::FilterRun run;
    run.descriptor = Recorded(
        {{resources::kTilingMethod, group}, {resources::kTileSize, 50}, {resources::kFeathering, 20}});
    run.selection = selected ? &mask : nullptr;
    ASSERT_EQ(RunFilter(*module, *image, run), host::noErr);
  }
  EXPECT_EQ(actual.pixels, expected.pixels) << "the module and the linked filter differ";
  EXPECT_FALSE(CRowIteratorBands::IsValid(&linked.GetHostImage().GetSourceImage()))
      << "finish lets go of the full-size images";
  CRowIteratorBands result;
  EXPECT_FALSE(linked.GetCommand()->GetResultImage(result));
  EXPECT_FALSE(CRowIteratorBands::IsValid(&linked.GetCommand()->GetTile())) << "and of the tile";

  // The tile as the filter made it, in the working format of the mode; over the host's own 8-bit
  // RGB buffer a run without the dialog keeps the host's channel order throughout.
  CRowIteratorBands tile;
  tile.TakeFrom(TileBeforeFinish());
  ASSERT_TRUE(CRowIteratorBands::IsValid(&tile));
  const bool colour = input.planes == 3;
  const bool hostOrder = colour && input.sampleBytes == 1 && !selected;
  ASSERT_EQ(ChangeImageFormat(tile, colour ? keFormatBGR : keFormatGrey).GetCode(), 0);
  ASSERT_LT(tile.Width(), area.right - area.left) << "the tile must repeat inside the area";
  int differences = 0;
  for (int y = 0; y < height && differences < 5; ++y) {
    for (int x = 0; x < width && differences < 5; ++x) {
      const bool inHole = selected && x >= hole.left && x < hole.right && y >= hole.top && y < hole.bottom;
      const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom && !inHole;
      BYTE pixel[3] = {};
      if (inside) {
        const int row = (y - area.top) % tile.Height();
        std::memcpy(pixel, tile.LockRowPointer(row, 0, -1) + (x - area.left) % tile.Width() * input.planes,
                    input.planes);
        tile.ReleaseRow(row);
      }
      for (int c = 0; c < input.planes; ++c) {
        unsigned want = Sample(input, x, y, c);
        const BYTE level = pixel[!colour ? 0 : hostOrder ? c : 2 - c];  // the core keeps B, G, R
        if (inside) want = input.sampleBytes == 1 ? level : To16(level);
        if (Sample(expected, x, y, c) != want) {
          ++differences;
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") sample " << c << ": "
                        << Sample(expected, x, y, c) << ", expected " << want
                        << (inside ? " (tile)" : " (untouched)");
        }
      }
    }
  }
  LinkedApp() = nullptr;
}

INSTANTIATE_TEST_SUITE_P(ModesGroupsSelections, EndToEnd,
                         ::testing::Combine(::testing::Values(host::kModeGrayScale, host::kModeRGB,
                                                              host::kModeGray16, host::kModeRGB48),
                                            ::testing::Range(0, resources::kGroupCount), ::testing::Bool()));

TEST_F(AppTest, TheModuleExportsItsEntryAndCarriesItsPropertyList) {
  wfhost::PluginInfo info;
  std::string error;
  ASSERT_TRUE(wfhost::ReadPluginInfo(WF_MODULE_PATH, &info, &error)) << error;
  EXPECT_EQ(info.kind, "8BFM");
  EXPECT_EQ(info.name, "Wendle Forge...");
  EXPECT_EQ(info.category, "Veltra Moor");
  EXPECT_EQ(info.entryPoint, "ENTRYPOINT");
  EXPECT_EQ(info.enabling, "in (PSHOP_ImageMode, GrayScaleMode, RGBMode,Gray16Mode,RGB48Mode)");
  EXPECT_NE(Module().Entry(), nullptr);
}

// The refusals, with the exact texts of their message boxes.
TEST_F(AppTest, RefusedModesAndSizesShowTheirMessageAndAnswerCancel) {
  struct Case {
    std::int16_t mode;
    int width, height;
    const char* text;
    const char* caption;
  } cases[] = {
      {2, 40, 40,
       "Image has a wrong format.\nProgram requires RGB and GreyScale image with or without transparency (8 "
       "or 16 "
       "bit\\chanel).",
       "Image has a wrong format !"},
      {host::kModeRGB, 14, 200, "Image size should be more then 15 x 15 .", "! Input Data Error !"},
      {host::kModeGrayScale, 200, 14, "Image size should be more then 15 x 15 .", "! Input Data Error !"},
  };
  for (const Case& c : cases) {
    app::TilingApp linked;
    ASSERT_TRUE(linked.InitInstance());
    LinkedApp() = &linked;
    wfhost::FilterModule module(LinkedEntry);
    wfhost::HostImageBuffer image = PatternImage(c.mode == 2 ? host::kModeRGB : c.mode, c.width, c.height);
    image.mode = c.mode;
    const std::vector<std::uint8_t> before = image.pixels;
    platform::EventScript script;
    script.AnswerMessageBox(IDOK);
    wfhost::FilterRun run;
    run.descriptor = Recorded();
    EXPECT_EQ(RunFilter(module, image, run), host::userCanceledErr);
    ASSERT_EQ(script.MessageBoxes().size(), 1u);
    EXPECT_EQ(script.MessageBoxes()[0].text, c.text);
    EXPECT_EQ(script.MessageBoxes()[0].caption, c.caption);
    EXPECT_EQ(image.pixels, before);
    LinkedApp() = nullptr;
  }
  // An image large enough with a selection that is not: the selection's size is told.
  app::TilingApp linked;
  ASSERT_TRUE(linked.InitInstance());
  LinkedApp() = &linked;
  wfhost::FilterModule module(LinkedEntry);
  wfhost::HostImageBuffer image = PatternImage(host::kModeRGB, 32, 32);
  std::vector<std::uint8_t> mask(32 * 32, 0);
  for (int y = 5; y < 19; ++y) std::fill_n(mask.begin() + y * 32 + 3, 10, 255);
  platform::EventScript script;
  script.AnswerMessageBox(IDOK);
  wfhost::FilterRun selected;
  selected.descriptor = Recorded();
  selected.selection = &mask;
  EXPECT_EQ(RunFilter(module, image, selected), host::userCanceledErr);
  ASSERT_EQ(script.MessageBoxes().size(), 1u);
  EXPECT_EQ(script.MessageBoxes()[0].text,
            "The selection is too small: 10 x 14 pixels. Select at least 15 x 15 pixels.");
  EXPECT_EQ(script.MessageBoxes()[0].caption, "! Input Data Error !");
  LinkedApp() = nullptr;
  // The module has no script to answer it: the box becomes one line on standard error.
  wfhost::HostImageBuffer small = PatternImage(host::kModeRGB, 14, 200);
  wfhost::FilterRun run;
  run.descriptor = Recorded();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(RunFilter(Module(), small, run), host::userCanceledErr);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "! Input Data Error !: Image size should be more then 15 x 15 .\n");
}

// What used to go wrong, each answered cleanly now.
TEST_F(AppTest, FailuresReachTheHostAsResultsNeverAsCrashes) {
  wfhost::HostImageBuffer image = PatternImage(host::kModeRGB, 40, 30);
  const std::vector<std::uint8_t> before = image.pixels;
  // All points on one spot: no lattice, the generator fails inside the module.
  wfhost::FilterRun degenerate;
  degenerate.descriptor = Recorded({{resources::kPoint1X, 0.5},
                                    {resources::kPoint1Y, 0.5},
                                    {resources::kPoint2X, 0.5},
                                    {resources::kPoint2Y, 0.5},
                                    {resources::kPoint3X, 0.5},
                                    {resources::kPoint3Y, 0.5}});
  EXPECT_EQ(RunFilter(Module(), image, degenerate), host::filterFailedErr);
  EXPECT_EQ(image.pixels, before);
  // A selection that covers nothing.
  std::vector<std::uint8_t> empty(40 * 30, 0);
  wfhost::FilterRun unselected;
  unselected.descriptor = Recorded();
  unselected.selection = &empty;
  EXPECT_EQ(RunFilter(Module(), image, unselected), host::userCanceledErr);
  EXPECT_EQ(image.pixels, before);
  // An output buffer the filter cannot write to is reported, not taken for success.
  app::TilingApp linked;
  ASSERT_TRUE(linked.InitInstance());
  PrepareReplay(linked);
  wfhost::HostImageBuffer copy = image;
  host::FilterRecord record{};
  record.imageSize = {30, 40};
  record.planes = 3;
  record.imageMode = host::kModeRGB;
  record.inRect = record.outRect = {0, 0, 30, 40};
  record.inData = copy.pixels.data();
  record.inRowBytes = record.outRowBytes = copy.RowBytes();
  std::intptr_t data = 0;
  std::int16_t result = 0;
  framework::DispatchSelector(linked, host::filterSelectorContinue, &record, &data, &result);
  EXPECT_EQ(result, host::paramErr);
  // Nor is an output the tile cannot fill handed back as the result.
  app::TilingCommand command;
  CRowIteratorBands source, unfillable;
  ASSERT_EQ(source.CreateBGR(40, 30).GetCode(), keErrorNone);
  command.SetSourceImage(source);
  framework::RenderJob job;
  job.source = &source, job.output = &unfillable;
  EXPECT_THROW(command.RunTiling(job), CJException);
}

// The dialog renders again and again: each render writes into the memory of the tile before the
// one shown, of the same size or a smaller, with the bytes a render into fresh memory gives.
TEST_F(AppTest, EachRenderReusesTheMemoryOfTheTileBeforeTheOneShown) {
  app::TilingCommand command;
  CRowIteratorBands source, output;
  ASSERT_EQ(source.CreateBGR(120, 90).GetCode(), keErrorNone);
  for (int y = 0; y < 90; ++y) {
    BYTE* row = source.LockRowPointer(y, 0, -1);
    for (int i = 0; i < 3 * 120; ++i) row[i] = BYTE(i * 7 + y * 13);
    source.UnlockRow(y);
  }
  ASSERT_EQ(output.CreateCopy(source).GetCode(), keErrorNone);
  command.SetSourceImage(source);
  framework::RenderJob job;
  job.source = &source, job.output = &output;
  std::vector<const BYTE*> memory;
  std::vector<std::vector<BYTE>> tiles;
  for (int render = 0; render < 4; ++render) {
    ASSERT_EQ(command.RunTiling(job), 0);
    CRowIteratorBands& tile = command.GetTile();
    memory.push_back(tile.LockRowPointer(0, 0, -1));
    tile.UnlockRow(0);
    tiles.push_back(ImageBytes(tile));
  }
  EXPECT_NE(memory[1], memory[0]) << "the first tile is still shown while the second renders";
  EXPECT_EQ(memory[2], memory[0]);
  EXPECT_EQ(memory[3], memory[1]);
  for (const std::vector<BYTE>& tile : tiles) EXPECT_EQ(tile, tiles[0]);
  const int width = command.GetTile().Width();
  command.GetParameters().GetParameter(resources::kTileSize)->SetInt(70);
  ASSERT_EQ(command.RunTiling(job), 0);
  CRowIteratorBands& smaller = command.GetTile();
  EXPECT_LT(smaller.Width(), width);
  EXPECT_EQ(smaller.LockRowPointer(0, 0, -1), memory[0]);
  smaller.UnlockRow(0);
  app::TilingCommand fresh;
  fresh.GetParameters().GetParameter(resources::kTileSize)->SetInt(70);
  fresh.SetSourceImage(source);
  ASSERT_EQ(fresh.RunTiling(job), 0);
  EXPECT_EQ(ImageBytes(smaller), ImageBytes(fresh.GetTile()));
  EXPECT_TRUE(command.GetRenderCache().Holds());
  command.ReleaseImages();
  EXPECT_FALSE(CRowIteratorBands::IsValid(&command.GetTile()));
  EXPECT_FALSE(command.GetRenderCache().Holds()) << "the renders' buffers outlive the filter";
}

// Two-plane grey is read as a view over the host's input: neither the fill nor the combine
// within a selection may go over it.
TEST_F(AppTest, TheHostsInputBufferStaysAsItWas) {
  const int width = 60, height = 50;
  std::vector<std::uint8_t> selection(std::size_t(width) * height, 0);
  for (int y = 10; y < 40; ++y) std::fill_n(selection.begin() + y * width + 5, 50, 255);
  for (bool selected : {false, true}) {
    app::TilingApp linked;
    ASSERT_TRUE(linked.InitInstance());
    PrepareReplay(linked);
    std::vector<std::uint8_t> in(std::size_t(width) * height * 2);
    for (std::size_t i = 0; i < in.size(); ++i) in[i] = i % 2 ? 255 : std::uint8_t(i * 7 % 251);
    const std::vector<std::uint8_t> before = in;
    std::vector<std::uint8_t> out = in;  // as a host hands it over
    host::FilterRecord record{};
    record.imageSize = {height, width};
    record.planes = 2;
    record.imageMode = host::kModeGrayScale;
    record.inRect = record.outRect = {0, 0, height, width};
    record.inData = in.data(), record.outData = out.data();
    record.inRowBytes = record.outRowBytes = width * 2;
    if (selected) {
      record.maskData = selection.data();
      record.maskRowBytes = width;
      record.haveMask = 1;
    }
    std::intptr_t data = 0;
    std::int16_t result = 0;
    framework::DispatchSelector(linked, host::filterSelectorContinue, &record, &data, &result);
    ASSERT_EQ(result, host::noErr) << selected;
    EXPECT_EQ(in, before) << selected;
    EXPECT_NE(out, before) << "the tile fills the output " << selected;
    if (selected) {
      for (std::size_t i = 0; i < selection.size(); ++i) {
        if (selection[i]) continue;
        ASSERT_EQ(out[2 * i], before[2 * i]) << "unselected pixel " << i;
      }
    }
  }
}

TEST_F(AppTest, MethodsPastTheGroupsRenderAsTheFirstGroup) {
  wfhost::HostImageBuffer first = PatternImage(host::kModeRGB, 60, 50), past = first;
  for (auto [image, method] : {std::pair{&first, 0}, std::pair{&past, 19}}) {
    wfhost::FilterRun run;
    run.descriptor = Recorded({{resources::kTilingMethod, method}});
    ASSERT_EQ(RunFilter(Module(), *image, run), host::noErr);
  }
  EXPECT_EQ(first.pixels, past.pixels);
}

TEST_F(AppTest, SelectorsPastFinishLeaveTheResultAlone) {
  app::TilingApp linked;
  host::FilterRecord record{};
  std::intptr_t data = 0;
  std::int16_t result = 1234;
  framework::DispatchSelector(linked, 6, &record, &data, &result);
  Module().Entry()(7, &record, &data, &result);
  EXPECT_EQ(result, 1234);
}

}  // namespace
}  // namespace apptest
