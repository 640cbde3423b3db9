// ImageMagick as the oracle of the codec tests: it writes files of every kind it knows and
// reads ours; pictures are compared pixel by pixel, never byte by byte.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/ImageFile.h"

struct RgbPicture {
  long width = 0;
  long height = 0;
  std::vector<unsigned char> rgb;  // top row first, three bytes a pixel

  const unsigned char* At(long x, long y) const { return &rgb[3 * (y * width + x)]; }
};

// The picture the oracle tests start from: many colours, an odd width that needs row padding.
RgbPicture TestPattern(long width, long height);

bool HaveImageMagick();
// Runs the oracle's convert with the arguments as given to the shell; true when it succeeded.
bool Convert(const std::string& arguments);
void WritePpm(const std::string& path, const RgbPicture& picture);
// The oracle's reading of an image file, with extra options (flattening, alpha extraction);
// empty when it cannot read it.
RgbPicture ReadWithImageMagick(const std::string& path, const std::string& options = "");
// Our image as the same kind of picture.
RgbPicture FromImage(CImageFile& image);
// The largest difference of any channel; -1 when the sizes differ or a picture is empty.
int MaxDifference(const RgbPicture& a, const RgbPicture& b);

// How near our picture must come to the oracle's reading of a file.
struct Tolerance {
  int colour = 0;          // the largest channel difference allowed
  int alpha = 0;           // likewise for alpha; kAlphaNotCompared leaves alpha out
  int bits = 8;            // the top bits of each channel that are compared
  unsigned char flip = 0;  // xor'ed into the oracle's colours: it reads some bits the other way round
};
constexpr int kAlphaNotCompared = -1;
// Our image against the oracle's reading of file with options: alpha at every pixel, colours only
// where the pixel shows (a masked or transparent pixel may keep any colour beneath).
void ExpectSameAsOracle(const std::string& file, const std::string& options, CImageFile& image,
                        const Tolerance& tolerance, const std::string& what);

// Names the cases of a parameterised oracle test after their description (`what`): letters
// and digits kept, anything else '_'.
std::string TestNameOf(const char* what);
struct NameByWhat {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    return TestNameOf(info.param.what);
  }
};
