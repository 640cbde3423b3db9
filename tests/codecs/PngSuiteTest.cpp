// The public PNG conformance images, each beside a text dump of its pixels (NAME.sng): every one
// decodes to those pixels, with alpha kept or composited as the decoder's rules say.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/ImageFilePNG.h"
#include "codecs/MemoryStream.h"
#include "tests/codecs/TiffBlock.h"

namespace {

const char kSuite[] = WF_PNGSUITE_DIR;

struct Rgb {
  int r = 0, g = 0, b = 0;
};

// What a dump says: the header, the palette, transparency, background and the pixel rows.
struct Sng {
  int width = 0, height = 0, depth = 0;
  std::string kind;  // "grayscale", "color", "color palette", "grayscale alpha", "color alpha"
  std::vector<Rgb> palette;
  std::vector<int> paletteAlpha;
  bool hasTransparent = false;
  Rgb transparent;  // at the dump's depth
  bool hasBackground = false;
  Rgb background;
  std::vector<Bytes> rows;

  int Channels() const {
    if (kind == "grayscale") return 1;
    if (kind == "color") return 3;
    if (kind == "grayscale alpha") return 2;
    return 4;
  }
};

int Number(const std::string& text, const std::string& key) {
  const std::size_t at = text.find(key + ":");
  return at == std::string::npos ? -1 : std::stoi(text.substr(at + key.size() + 1));
}

Rgb ColourOf(const std::string& text) {
  const int grey = Number(text, "gray");
  if (grey >= 0) return {grey, grey, grey};
  return {Number(text, "red"), Number(text, "green"), Number(text, "blue")};
}

Sng ReadSng(const std::string& path) {
  std::ifstream in(path);
  std::stringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  auto block = [&](const std::string& name) {
    const std::size_t at = text.find("\n" + name + " {");
    if (at == std::string::npos) return std::string();
    const std::size_t open = text.find('{', at);
    return text.substr(open + 1, text.find('}', open) - open - 1);
  };
  Sng sng;
  const std::string header = block("IHDR");
  sng.width = Number(header, "width");
  sng.height = Number(header, "height");
  sng.depth = Number(header, "bitdepth");
  const std::size_t using_ = header.find("using ");
  sng.kind = header.substr(using_ + 6, header.find(';', using_) - using_ - 6);
  std::istringstream palette(block("PLTE"));
  for (std::string line; std::getline(palette, line);) {
    Rgb c;
    if (std::sscanf(line.c_str(), " (%d,%d,%d)", &c.r, &c.g, &c.b) == 3) sng.palette.push_back(c);
  }
  const std::string transparency = block("tRNS");
  if (!transparency.empty()) {
    if (sng.kind == "color palette") {
      std::istringstream values(transparency);
      for (int v; values >> v;) sng.paletteAlpha.push_back(v);
    } else {
      sng.hasTransparent = true;
      sng.transparent = ColourOf(transparency);
    }
  }
  const std::string background = block("bKGD");
  if (!background.empty() && background.find("index") == std::string::npos) {
    sng.hasBackground = true;
    sng.background = ColourOf(background);
  }
  std::istringstream image(text.substr(text.find("pixels hex") + 10));
  for (std::string line; std::getline(image, line) && line.find('}') == std::string::npos;) {
    line.erase(std::remove(line.begin(), line.end(), ' '), line.end());
    if (line.empty()) continue;
    Bytes row;
    for (std::size_t i = 0; i + 1 < line.size(); i += 2) {
      row.push_back(static_cast<unsigned char>(std::stoi(line.substr(i, 2), nullptr, 16)));
    }
    sng.rows.push_back(row);
  }
  return sng;
}

// One channel of a pixel at the dump's depth, and the same reduced to 8 bits as the decoder
// does (the high byte).
int Sample(const Sng& sng, int x, int y, int channel) {
  const Bytes& row = sng.rows[static_cast<std::size_t>(y)];
  const int bytes = sng.depth / 8;
  const std::size_t at = static_cast<std::size_t>((x * sng.Channels() + channel) * bytes);
  return bytes == 2 ? row[at] << 8 | row[at + 1] : row[at];
}
int Sample8(const Sng& sng, int x, int y, int channel) {
  return sng.depth == 16 ? Sample(sng, x, y, channel) >> 8 : Sample(sng, x, y, channel);
}
int PaletteIndex(const Sng& sng, int x, int y) {
  const Bytes& row = sng.rows[static_cast<std::size_t>(y)];
  const int perByte = 8 / sng.depth;
  const int shift = 8 - sng.depth * (x % perByte + 1);
  return (row[static_cast<std::size_t>(x / perByte)] >> shift) & ((1 << sng.depth) - 1);
}

int Composite(int fg, int alpha, int bg) { return (fg * alpha + bg * (255 - alpha) + 127) / 255; }

std::vector<std::string> SuiteFiles() {
  std::vector<std::string> names;
  if (DIR* dir = opendir(kSuite)) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.substr(name.size() - 4) == ".png")
        names.push_back(name.substr(0, name.size() - 4));
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

class PngSuite : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST(PngSuiteFiles, ArePresent) {
  EXPECT_GE(SuiteFiles().size(), 30u) << "PngSuite in tests/data: " << kSuite;
}

TEST_P(PngSuite, DecodesToThePixelsOfItsDump) {
  const std::string name = GetParam();
  Bytes file = ReadFile(std::string(kSuite) + "/" + name + ".png");
  const Sng sng = ReadSng(std::string(kSuite) + "/" + name + ".sng");
  ASSERT_GT(file.size(), 33u);
  const int fileDepth = file[24];
  const int fileType = file[25];
  const bool interlaced = file[28] == 1;
  const int channels = fileType == 0 || fileType == 3 ? 1 : fileType == 2 ? 3 : fileType == 4 ? 2 : 4;
  const int pixelDepth = fileDepth * channels;

  CImageFilePNG image;
  CMemoryStream stream(file.data(), file.size());
  ASSERT_TRUE(image.Decode(&stream)) << image.GetLastError();
  ASSERT_EQ(static_cast<int>(image.GetWidth()), sng.width);
  ASSERT_EQ(static_cast<int>(image.GetHeight()), sng.height);
  ASSERT_EQ(static_cast<int>(sng.rows.size()), sng.height);
  const int expectedBpp = pixelDepth > 16 ? 24 : pixelDepth == 16 ? 8 : pixelDepth == 2 ? 4 : pixelDepth;
  EXPECT_EQ(image.GetBpp(), expectedBpp);
  EXPECT_EQ(image.GetCodecOption(keImageFormatPNG), interlaced ? 1u : 0u);
  // Alpha is kept at 32 bits a pixel; otherwise composited, though colour ones still get a
  // (fully opaque) alpha plane.
  const bool keepsAlpha = pixelDepth == 32 && (fileType == 4 || fileType == 6);
  EXPECT_EQ(image.AlphaIsValid(), keepsAlpha || fileType == 6);

  const bool palette = sng.kind == "color palette";
  const bool hasAlpha = sng.kind.find("alpha") != std::string::npos;
  const Rgb background = sng.hasBackground ? Rgb{sng.background.r >> (sng.depth == 16 ? 8 : 0),
                                                 sng.background.g >> (sng.depth == 16 ? 8 : 0),
                                                 sng.background.b >> (sng.depth == 16 ? 8 : 0)}
                                           : Rgb{192, 192, 192};
  int worst = 0;
  int worstAlpha = 0;
  for (int y = 0; y < sng.height; ++y) {
    for (int x = 0; x < sng.width; ++x) {
      const long row = sng.height - 1 - y;
      const RGBQUAD got = image.GetPixelColor(x, row, false);
      Rgb want;
      int wantAlpha = 255;
      if (palette) {
        const int index = PaletteIndex(sng, x, y);
        want = sng.palette[static_cast<std::size_t>(index)];
        ASSERT_EQ(image.GetPixelIndex(x, row), index) << x << "," << y;
      } else if (sng.Channels() <= 2) {
        const int grey = Sample8(sng, x, y, 0);
        want = {grey, grey, grey};
      } else {
        want = {Sample8(sng, x, y, 0), Sample8(sng, x, y, 1), Sample8(sng, x, y, 2)};
      }
      if (hasAlpha) wantAlpha = Sample8(sng, x, y, sng.Channels() - 1);
      if (sng.hasTransparent) {
        const bool grey = sng.Channels() == 1;
        const bool same = grey ? Sample(sng, x, y, 0) == sng.transparent.r
                               : Sample(sng, x, y, 0) == sng.transparent.r &&
                                     Sample(sng, x, y, 1) == sng.transparent.g &&
                                     Sample(sng, x, y, 2) == sng.transparent.b;
        if (same) want = background;
      }
      if (hasAlpha && !keepsAlpha) {
        want = {Composite(want.r, wantAlpha, background.r), Composite(want.g, wantAlpha, background.g),
                Composite(want.b, wantAlpha, background.b)};
      }
      worst = std::max({worst, std::abs(got.rgbRed - want.r), std::abs(got.rgbGreen - want.g),
                        std::abs(got.rgbBlue - want.b)});
      if (image.AlphaIsValid()) {
        const int alpha = keepsAlpha ? wantAlpha : 255;
        worstAlpha = std::max(worstAlpha, std::abs(image.AlphaGet(x, row) - alpha));
      }
    }
  }
  EXPECT_LE(worst, hasAlpha && !keepsAlpha ? 1 : 0);
  EXPECT_EQ(worstAlpha, 0);

  if (palette && !sng.paletteAlpha.empty()) {
    const bool singleClear = sng.paletteAlpha.size() == 1 && sng.paletteAlpha[0] == 0;
    EXPECT_EQ(image.AlphaPaletteIsEnabled(), !singleClear);
    EXPECT_EQ(image.GetTransIndex(), singleClear ? 0 : -1);
    for (unsigned i = 0; !singleClear && i < image.GetNumColors(); ++i) {
      const int want = i < sng.paletteAlpha.size() ? sng.paletteAlpha[i] : 255;
      EXPECT_EQ(image.GetPalette()[i].rgbReserved, want) << "entry " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Files, PngSuite, ::testing::ValuesIn(SuiteFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });
