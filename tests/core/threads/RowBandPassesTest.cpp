// The whole-image passes of the core that run in row bands: the same bytes for any count of
// threads, and a combine into the first image itself equal to one into a new image; a new image's
// small pages mapped ahead by the row threads.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/ConvertImageForHost.h"
#include "core/MaskedCombine.h"
#include "core/RowThreads.h"
#include "tests/core/ImageBytes.h"

namespace corvel {
namespace {

TEST(RowBandPasses, MaskedCombineInPlaceAndOnAnyThreads) {
  for (const keFormat format : {keFormatBGR, keFormatGreyA_u16}) {
    SCOPED_TRACE(CPixelFormat(format).GetName());
    std::mt19937 random(11);
    CRowIteratorBands first, second, mask;
    const auto a = RandomImage(first, 301, 517, format, random);
    RandomImage(second, 301, 517, format, random);
    RandomImage(mask, 290, 500, keFormatGrey, random);
    const POINT offset{7, 9};
    std::vector<std::uint8_t> separate;
    for (const int threads : {1, 8}) {
      const RowThreads::ScopedCount count(threads);
      CRowIteratorBands destination;
      ASSERT_EQ(MaskedCombine(first, second, destination, mask, nullptr, false, &offset).GetCode(), 0);
      if (separate.empty()) separate = ImageBytes(destination);
      EXPECT_EQ(ImageBytes(destination), separate) << threads << " threads";
    }
    const RowThreads::ScopedCount count(8);
    ASSERT_EQ(MaskedCombine(first, second, first, mask, nullptr, false, &offset).GetCode(), 0);
    EXPECT_EQ(ImageBytes(first), separate);
    EXPECT_NE(separate, a);
  }
}

// A new image below a large page is mapped ahead by the row threads, on any count of them; one on
// large pages is left to the rows' first writes (mapped ahead, the pass of its own cost more time
// than the zeroing it spared). Zero either way.
TEST(RowBandPasses, ANewImageIsMappedAheadBelowALargePage) {
  const SIZE_T page = SIZE_T(sysconf(_SC_PAGESIZE)), large = SIZE_T{2} << 20;
  for (const int threads : {8, 1}) {
    for (const int height : {300, 1500}) {
      const RowThreads::ScopedCount count(threads);
      CRowIteratorBands image;
      ASSERT_EQ(image.CreateSpread(1000, height, keFormatBGRA).GetCode(), keErrorNone);
      const SIZE_T bytes = image.GetBand(0)->block->Size();
      ASSERT_EQ(bytes > large, height > 1000);
      BYTE* top = nullptr;
      ASSERT_EQ(image.GetRowAddress(0, &top).GetCode(), keErrorNone);
      std::vector<unsigned char> resident((bytes + page - 1) / page);
      ASSERT_EQ(mincore(top, bytes, resident.data()), 0);
      const auto mapped = std::count_if(resident.begin(), resident.end(),
                                        [](unsigned char r) { return r & 1; });
      EXPECT_EQ(mapped, bytes > large ? 0 : std::ptrdiff_t(resident.size()))
          << threads << " threads, " << bytes;
      EXPECT_TRUE(std::all_of(top, top + bytes, [](BYTE b) { return b == 0; }));
    }
  }
}

TEST(RowBandPasses, HostConversionOnAnyThreads) {
  std::mt19937 random(12);
  CRowIteratorBands source, mask;
  RandomImage(source, 333, 444, keFormatBGRA, random);
  RandomImage(mask, 300, 400, keFormatGrey, random);
  const POINT offset{20, 30};
  std::vector<std::uint8_t> first;
  for (const int threads : {1, 3, 8}) {
    const RowThreads::ScopedCount count(threads);
    CRowIteratorBands destination;
    ASSERT_EQ(ConvertImageForHost(nullptr, source, destination, keFormatBGRA, &mask, nullptr, true, &offset)
                  .GetCode(),
              0);
    if (first.empty()) first = ImageBytes(destination);
    EXPECT_EQ(ImageBytes(destination), first) << threads << " threads";
  }
}

}  // namespace
}  // namespace corvel
