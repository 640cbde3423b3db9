// Replays every input a decoder fuzzer once crashed on (codecs/fuzz/regressions/<format>/).
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "codecs/fuzz/FuzzDecode.h"
#include "tests/codecs/TiffBlock.h"

namespace {

struct Regressions {
  const char* folder;
  unsigned long type;
};

}  // namespace

TEST(FuzzRegressions, EveryKeptInputDecodesCleanly) {
  int replayed = 0;
  // The EXIF reader's inputs are JPEG streams, read with their EXIF block by the JPEG decoder.
  for (const Regressions& r : {Regressions{"bmp", keImageFormatBMP}, Regressions{"wbmp", keImageFormatWBMP},
                               Regressions{"jpeg", keImageFormatJPG}, Regressions{"png", keImageFormatPNG},
                               Regressions{"exif", keImageFormatJPG}, Regressions{"ico", keImageFormatICO},
                               Regressions{"tga", keImageFormatTGA}, Regressions{"pcx", keImageFormatPCX},
                               Regressions{"gif", keImageFormatGIF}, Regressions{"tiff", keImageFormatTIF},
                               Regressions{"jp2", keImageFormatJP2}, Regressions{"jpc", keImageFormatJPC},
                               Regressions{"pgx", keImageFormatPGX}, Regressions{"pnm", keImageFormatPNM},
                               Regressions{"ras", keImageFormatRAS}, Regressions{"wmf", keImageFormatWMF},
                               Regressions{"emf", keImageFormatWMF}}) {
    const std::filesystem::path folder = std::filesystem::path(WF_FUZZ_REGRESSIONS) / r.folder;
    if (!std::filesystem::exists(folder)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::vector<unsigned char> bytes = ReadFile(entry.path().string());
      EXPECT_TRUE(fuzz::DecodeInput(bytes.data(), bytes.size(), r.type)) << entry.path();
      // Through the dispatch too, which tries every decoder in turn.
      EXPECT_TRUE(fuzz::DecodeInput(bytes.data(), bytes.size(), keImageFormatUnknown)) << entry.path();
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}
