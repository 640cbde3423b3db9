// The tiling filter's passes that run in row bands across the pool, and the whole filter: the
// same bytes on any count of threads.
#include <gtest/gtest.h>

#include <vector>

#include "app/TilingCommand.h"
#include "core/MaskedCombine.h"
#include "core/RowThreads.h"
#include "tests/WaitUntil.h"
#include "tests/app/AppFixture.h"

namespace apptest {
namespace {

using namespace corvel;

std::vector<BYTE> Bytes(CRowIteratorBands& image) {
  std::vector<BYTE> all;
  for (int y = 0; y < image.Height(); ++y) {
    const BYTE* row = image.LockRowPointer(y, 0, -1);
    all.insert(all.end(), row, row + image.Width() * image.GetBitsPerPixel() / 8);
    image.ReleaseRow(y);
  }
  return all;
}

// A 13 x 9 tile whose every pixel differs in blue or green.
bool MakeGradientTile(CRowIteratorBands& tile) {
  if (tile.CreateBGRA(13, 9).GetCode() != 0) return false;
  for (int y = 0; y < tile.Height(); ++y) {
    BYTE* row = tile.LockRowPointer(y, 0, -1);
    for (int x = 0; x < tile.Width(); ++x)
      row[4 * x] = BYTE(20 * x), row[4 * x + 1] = BYTE(25 * y), row[4 * x + 2] = 77, row[4 * x + 3] = 255;
    tile.ReleaseRow(y);
  }
  return true;
}

// The fill goes out in bands of rows: every pixel is the tile's at its place modulo the tile, on
// any count of threads, for tiles shorter and taller than a band and a tile of another format.
TEST(FillWithTile, EveryPixelFromTheTileOnAnyThreads) {
  for (const SIZE size : {SIZE{7, 5}, SIZE{45, 37}}) {
    for (const int threads : {1, 8}) {
      const RowThreads::ScopedCount count(threads);
      CRowIteratorBands tile, output;
      ASSERT_EQ(tile.CreateBGRA(size.cx, size.cy).GetCode(), 0);
      for (int y = 0; y < size.cy; ++y) {
        BYTE* row = tile.LockRowPointer(y, 0, -1);
        // Opaque, as rendered tiles are: the fill lays the tile over the output by its alpha.
        for (int x = 0; x < size.cx; ++x)
          row[4 * x] = BYTE(x), row[4 * x + 1] = BYTE(y), row[4 * x + 2] = 9, row[4 * x + 3] = 255;
        tile.ReleaseRow(y);
      }
      ASSERT_EQ(output.CreateBGR(301, 203).GetCode(), 0);
      ASSERT_EQ(app::FillWithTile(output, tile).GetCode(), 0);
      for (int y = 0; y < output.Height(); ++y) {
        const BYTE* row = output.LockRowPointer(y, 0, -1);
        for (int x = 0; x < output.Width(); ++x)
          ASSERT_TRUE(row[3 * x] == x % size.cx && row[3 * x + 1] == y % size.cy && row[3 * x + 2] == 9)
              << size.cx << " x " << size.cy << ", " << threads << " threads, at " << x << ", " << y;
        output.ReleaseRow(y);
      }
    }
  }
}

// A meter that asks to stop from its stopAt-th ask on (0: never), counting the asks.
class StopAtAsk {
 public:
  explicit StopAtAsk(int stopAt) : stopAt_(stopAt) {
    meter.SetOwner(this);
    meter.SetContinueCallback([](CProgressMeter* asked) -> std::int32_t {
      auto* self = static_cast<StopAtAsk*>(asked->GetOwner());
      ++self->asks;
      return self->stopAt_ != 0 && self->asks >= self->stopAt_;
    });
  }
  CProgressMeter meter;
  int asks = 0;

 private:
  int stopAt_;
};

// With a meter, the fill asks before each band of rows: stopped at a band, the bands before it
// are the tile's and the rest as they were; never stopped, it gives the whole fill's bytes.
TEST(FillWithTile, AMeterStopsTheFillAtABand) {
  const int bands = 4, width = 37, height = (bands - 1) * app::kFillBandRows + 100;
  CRowIteratorBands tile, filled;
  ASSERT_TRUE(MakeGradientTile(tile));
  const CColorRef blank(1, 2, 3, 255);
  ASSERT_EQ(filled.CreateBGR(width, height, &blank).GetCode(), 0);
  const std::vector<BYTE> before = Bytes(filled);
  ASSERT_EQ(app::FillWithTile(filled, tile).GetCode(), 0);
  const std::vector<BYTE> after = Bytes(filled);
  const struct { int stopAt, bandsFilled; } cases[] = {{1, 0}, {2, 1}, {bands, bands - 1}, {0, bands}};
  for (const auto& c : cases) {
    for (const int threads : {1, 8}) {
      const RowThreads::ScopedCount count(threads);
      CRowIteratorBands output;
      ASSERT_EQ(output.CreateBGR(width, height, &blank).GetCode(), 0);
      StopAtAsk stop(c.stopAt);
      EXPECT_EQ(app::FillWithTile(output, tile, 0, &stop.meter).GetCode(),
                c.stopAt ? keErrorStopped : keErrorNone);
      EXPECT_EQ(stop.asks, c.stopAt ? c.stopAt : bands);
      const std::size_t split = std::min(after.size(),
                                         std::size_t(c.bandsFilled) * app::kFillBandRows * width * 3);
      std::vector<BYTE> expected(after.begin(), after.begin() + std::ptrdiff_t(split));
      expected.insert(expected.end(), before.begin() + std::ptrdiff_t(split), before.end());
      EXPECT_EQ(Bytes(output), expected) << "stopped at ask " << c.stopAt << ", " << threads << " threads";
    }
  }
}

// Band by band, the fill through a selection gives the bytes of a whole filled copy combined
// through the mask: bands of one row, of a height the tile's does not divide and taller than
// the image, over colour and grey, with partly selected pixels.
TEST(FillSelectionWithTile, BandsGiveTheBytesOfTheWholeFillCombined) {
  const int width = 61, height = 43;
  CRowIteratorBands tile, mask;
  ASSERT_TRUE(MakeGradientTile(tile));
  ASSERT_EQ(mask.CreateGrey(width, height).GetCode(), 0);
  for (int y = 0; y < height; ++y) {
    BYTE* row = mask.LockRowPointer(y, 0, -1);
    for (int x = 0; x < width; ++x) row[x] = x < 10 ? 0 : x > 40 ? 255 : BYTE(x * y * 7);
    mask.ReleaseRow(y);
  }
  auto picture = [&](keFormat format, CRowIteratorBands& image) {
    ASSERT_EQ(format == keFormatGrey ? image.CreateGrey(width, height).GetCode()
                                     : image.CreateBGR(width, height).GetCode(),
              0);
    for (int y = 0; y < height; ++y) {
      BYTE* row = image.LockRowPointer(y, 0, -1);
      for (int i = 0; i < image.Width() * image.GetBitsPerPixel() / 8; ++i) row[i] = BYTE(3 * i + 11 * y);
      image.ReleaseRow(y);
    }
  };
  for (const keFormat format : {keFormatBGR, keFormatGrey}) {
    CRowIteratorBands expected, filled;
    picture(format, expected);
    ASSERT_EQ(filled.CreateCopy(expected).GetCode(), 0);
    ASSERT_EQ(app::FillWithTile(filled, tile).GetCode(), 0);
    ASSERT_EQ(filled.SetViewFormat(format, keAccessReadWrite).GetCode(), 0);
    ASSERT_EQ(MaskedCombine(expected, filled, expected, mask, nullptr, false, nullptr).GetCode(), 0);
    for (const int bandRows : {1, 7, 100}) {
      for (const int threads : {1, 8}) {
        const RowThreads::ScopedCount count(threads);
        CRowIteratorBands image;
        picture(format, image);
        ASSERT_EQ(app::FillSelectionWithTile(image, mask, tile, bandRows).GetCode(), 0);
        EXPECT_EQ(Bytes(image), Bytes(expected))
            << "format " << format << ", bands of " << bandRows << ", " << threads << " threads";
      }
    }
  }
}

TEST_F(AppTest, TheWholeFilterGivesTheSameBytesOnOneAndEightThreads) {
  const int width = 150, height = 110;
  std::vector<std::uint8_t> ring(std::size_t(width) * height, 0);
  for (int y = 10; y < 100; ++y)
    for (int x = 12; x < 140; ++x) ring[std::size_t(y) * width + x] = x > 50 && x < 90 && y > 40 ? 0 : 200;
  for (const std::int16_t mode : {host::kModeRGB, host::kModeRGB48}) {
    for (const int group : {0, 16}) {
      std::vector<std::uint8_t> first;
      for (const int threads : {1, 8}) {
        const RowThreads::ScopedCount count(threads);
        app::TilingApp linked;
        ASSERT_TRUE(linked.InitInstance());
        LinkedApp() = &linked;
        wfhost::FilterModule module(LinkedEntry);
        wfhost::HostImageBuffer image = PatternImage(mode, width, height);
        wfhost::FilterRun run;
        run.descriptor = Recorded({{resources::kTilingMethod, group}, {resources::kFeathering, 20}});
        run.selection = &ring;
        ASSERT_EQ(RunFilter(module, image, run), host::noErr);
        LinkedApp() = nullptr;
        if (first.empty()) first = image.pixels;
        EXPECT_EQ(image.pixels, first)
            << "mode " << mode << ", group " << group << ", " << threads << " threads";
      }
    }
  }
}

// The dialog copies the tile for its thumbnail while render threads replace it.
TEST_F(AppTest, ThePreviewImageIsCopiedWhileRendersReplaceTheTile) {
  app::TilingCommand command;
  command.GetParameters().ResetParameters(false);
  CRowIteratorBands source;
  ASSERT_EQ(source.CreateBGR(120, 90).GetCode(), 0);
  command.SetSourceImage(source);
  for (int render = 0; render < 3; ++render) {
    ASSERT_EQ(command.StartRender().GetCode(), 0);
    do {
      CRowIteratorBands copy;
      ASSERT_TRUE(command.GetPreviewImage(copy));
      EXPECT_GT(copy.Width(), 0);
    } while (command.IsRendering());
  }
  command.StopRender();
}

// Raises the stop flag at the fill's second band: at the first ask after the output's first row
// became the tile's.
class StopInTheFill : public app::TilingCommand {
 public:
  int RunJob(framework::RenderJob& job) override {
    output_ = job.output;
    sourceRow_ = FirstRow(*job.source);
    job.progress->SetContinueCallback(&Ask);
    return TilingCommand::RunJob(job);
  }
  bool raised = false;
  int asksAfterRaise = 0;

 private:
  static std::vector<BYTE> FirstRow(CRowIteratorBands& image) {
    const BYTE* row = image.LockRowPointer(0, 0, -1);
    std::vector<BYTE> bytes(row, row + image.GetRowBytes());
    image.ReleaseRow(0);
    return bytes;
  }
  static std::int32_t Ask(CProgressMeter* meter) {
    auto* self = static_cast<StopInTheFill*>(static_cast<framework::GenericCommand*>(meter->GetOwner()));
    if (self->raised)
      ++self->asksAfterRaise;
    else if (FirstRow(*self->output_) != self->sourceRow_)
      self->raised = self->stop_ = true;
    return self->stop_;
  }
  CRowIteratorBands* output_ = nullptr;
  std::vector<BYTE> sourceRow_;
};

TEST_F(AppTest, AStopDuringTheFillEndsTheRenderThereAndLeavesTheSource) {
  StopInTheFill command;
  command.GetParameters().ResetParameters(false);
  CRowIteratorBands source;
  // The first row alone is black, so that the tile's first row differs from it.
  const int height = 3 * app::kFillBandRows;
  ASSERT_EQ(source.CreateBGR(64, height).GetCode(), 0);
  for (int y = 0; y < height; ++y) {
    BYTE* row = source.LockRowPointer(y, 0, -1);
    for (int i = 0; i < source.GetRowBytes(); ++i) row[i] = y == 0 ? 0 : BYTE(64 + (i * 5 + y * 3) % 192);
    source.ReleaseRow(y);
  }
  command.SetSourceImage(source);
  ASSERT_EQ(command.StartRender().GetCode(), 0);
  ASSERT_TRUE(wf_test::WaitUntil([&] { return !command.IsRendering(); }, "the render's end"));
  command.StopRender();
  EXPECT_TRUE(command.raised) << "the fill never asked after its first band";
  EXPECT_EQ(command.asksAfterRaise, 0);
  EXPECT_EQ(Bytes(command.GetOutputImage()), Bytes(source));
}

}  // namespace
}  // namespace apptest
