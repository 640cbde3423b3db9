#include "tests/codecs/ImageMagick.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

namespace {
const char kConvert[] = "/usr/bin/convert";
}  // namespace

RgbPicture TestPattern(long width, long height) {
  RgbPicture picture{width, height, {}};
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      picture.rgb.push_back(static_cast<unsigned char>(x * 6));
      picture.rgb.push_back(static_cast<unsigned char>(y * 11));
      picture.rgb.push_back(static_cast<unsigned char>(x * y));
    }
  }
  return picture;
}

bool HaveImageMagick() { return access(kConvert, X_OK) == 0; }

bool Convert(const std::string& arguments) {
  const std::string command = std::string(kConvert) + " " + arguments + " 2>/dev/null";
  return std::system(command.c_str()) == 0;
}

void WritePpm(const std::string& path, const RgbPicture& picture) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << picture.width << " " << picture.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(picture.rgb.data()),
            static_cast<std::streamsize>(picture.rgb.size()));
}

RgbPicture ReadWithImageMagick(const std::string& path, const std::string& options) {
  RgbPicture picture;
  const std::string command = std::string(kConvert) + " '" + path + "' " + options +
                              " -depth 8 -type TrueColor ppm:- 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return picture;
  int maxValue = 0;
  if (std::fscanf(pipe.get(), "P6 %ld %ld %d", &picture.width, &picture.height, &maxValue) != 3 ||
      maxValue != 255 || std::fgetc(pipe.get()) == EOF) {
    return RgbPicture();
  }
  picture.rgb.resize(static_cast<std::size_t>(picture.width * picture.height * 3));
  if (std::fread(picture.rgb.data(), 1, picture.rgb.size(), pipe.get()) != picture.rgb.size()) {
    return RgbPicture();
  }
  return picture;
}

RgbPicture FromImage(CImageFile& image) {
  RgbPicture picture{static_cast<long>(image.GetWidth()), static_cast<long>(image.GetHeight()), {}};
  for (long row = 0; row < picture.height; ++row) {
    for (long x = 0; x < picture.width; ++x) {
      RGBQUAD c = image.GetPixelColor(x, picture.height - 1 - row, false);
      picture.rgb.push_back(c.rgbRed);
      picture.rgb.push_back(c.rgbGreen);
      picture.rgb.push_back(c.rgbBlue);
    }
  }
  return picture;
}

int MaxDifference(const RgbPicture& a, const RgbPicture& b) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty()) return -1;
  int worst = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) worst = std::max(worst, std::abs(a.rgb[i] - b.rgb[i]));
  return worst;
}

namespace {

// Our alpha as the oracle reports it: transparent pixels 0, the rest their alpha or opaque.
unsigned char AlphaOf(CImageFile& image, long x, long y) {
  if (image.IsTransparent(x, y)) return 0;
  return image.AlphaIsValid() ? image.AlphaGet(x, y) : 255;
}

}  // namespace

void ExpectSameAsOracle(const std::string& file, const std::string& options, CImageFile& image,
                        const Tolerance& tolerance, const std::string& what) {
  const bool compareAlpha = tolerance.alpha != kAlphaNotCompared;
  const RgbPicture colours = ReadWithImageMagick(file, options);
  const RgbPicture alpha = compareAlpha ? ReadWithImageMagick(file, options + " -alpha extract")
                                        : RgbPicture();
  const RgbPicture ours = FromImage(image);
  ASSERT_EQ(ours.width, colours.width) << what;
  ASSERT_EQ(ours.height, colours.height) << what;
  if (compareAlpha) {
    ASSERT_EQ(alpha.width, colours.width) << what;
    ASSERT_EQ(alpha.height, colours.height) << what;
  }
  const int drop = 8 - tolerance.bits;
  for (long y = 0; y < ours.height; ++y) {
    for (long x = 0; x < ours.width; ++x) {
      const unsigned char shown = AlphaOf(image, x, ours.height - 1 - y);
      if (compareAlpha) {
        ASSERT_NEAR(shown, alpha.At(x, y)[0], tolerance.alpha) << what << ": alpha at " << x << "," << y;
      }
      for (int c = 0; c < 3 && shown != 0; ++c) {
        ASSERT_NEAR(ours.At(x, y)[c] >> drop, (colours.At(x, y)[c] ^ tolerance.flip) >> drop,
                    tolerance.colour)
            << what << ": channel " << c << " at " << x << "," << y;
      }
    }
  }
}

std::string TestNameOf(const char* what) {
  std::string name;
  for (const char* p = what; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return name;
}
