// GIF files made by hand, for what no writer makes on purpose: codes outside the table, frames
// past the screen, animations that would cost far more than their size, and refusals.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "codecs/ImageFile.h"

namespace {

using Bytes = std::vector<unsigned char>;

RGBQUAD TableColour(unsigned i) { return RGBQUAD{BYTE(i * 10), BYTE(255 - i * 40), BYTE(i * 40), 0}; }

void PutTable(Bytes& out, unsigned entries) {
  for (unsigned i = 0; i < entries; ++i) {
    const RGBQUAD c = TableColour(i);
    out.insert(out.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
  }
}

// The flags' table bits: a table of 2^(n+1) entries.
BYTE TableFlags(unsigned entries) {
  BYTE n = 0;
  while ((2u << n) < entries) ++n;
  return entries ? BYTE(0x80 | n) : 0;
}

void PutLE16(Bytes& out, unsigned v) { out.insert(out.end(), {BYTE(v), BYTE(v >> 8)}); }

// Codes of the given sizes packed least significant bit first into one sub-block.
Bytes Codes(int minimum, const std::vector<std::pair<int, int>>& codes) {
  Bytes packed;
  unsigned long accumulator = 0;
  int bits = 0;
  for (const auto& [code, size] : codes) {
    accumulator |= static_cast<unsigned long>(code) << bits;
    for (bits += size; bits >= 8; bits -= 8, accumulator >>= 8) packed.push_back(BYTE(accumulator));
  }
  if (bits > 0) packed.push_back(BYTE(accumulator));
  packed.insert(packed.begin(), {BYTE(minimum), BYTE(packed.size())});
  packed.push_back(0);
  return packed;
}

// Each pixel after a clear code, so that the code size never grows.
Bytes Pixels(const std::vector<int>& pixels) {
  std::vector<std::pair<int, int>> codes;
  for (int p : pixels) codes.insert(codes.end(), {{4, 3}, {p, 3}});
  codes.push_back({5, 3});
  return Codes(2, codes);
}

struct Gif {
  Bytes bytes;
  Gif(unsigned width, unsigned height, unsigned globalEntries = 4) {
    bytes = {'G', 'I', 'F', '8', '9', 'a'};
    PutLE16(bytes, width);
    PutLE16(bytes, height);
    bytes.insert(bytes.end(), {TableFlags(globalEntries), 0, 0});
    PutTable(bytes, globalEntries);
  }
  Gif& Control(int disposal, int transparent) {
    bytes.insert(bytes.end(), {0x21, 0xF9, 4, BYTE(disposal << 2 | (transparent >= 0)), 0, 0,
                               BYTE(transparent >= 0 ? transparent : 0), 0});
    return *this;
  }
  Gif& Frame(unsigned left, unsigned top, unsigned width, unsigned height, const Bytes& data,
             unsigned localEntries = 0) {
    bytes.push_back(0x2C);
    for (unsigned v : {left, top, width, height}) PutLE16(bytes, v);
    bytes.push_back(TableFlags(localEntries));
    PutTable(bytes, localEntries);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return *this;
  }
  Bytes End() const {
    Bytes all = bytes;
    all.push_back(0x3B);
    return all;
  }
};

bool DecodeFrame(const Bytes& file, int frame, CImageFile* image) {
  image->SetFrame(frame);
  return image->Decode(const_cast<unsigned char*>(file.data()), static_cast<unsigned long>(file.size()),
                       keImageFormatGIF);
}

// Each pixel of the top row: its table entry, or -1 where nothing shows.
std::vector<int> TopRow(CImageFile& image) {
  std::vector<int> row;
  const long top = static_cast<long>(image.GetHeight()) - 1;
  for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) {
    if (image.IsTransparent(x, top)) {
      row.push_back(-1);
      continue;
    }
    const RGBQUAD c = image.GetPixelColor(x, top, false);
    int found = -2;
    for (unsigned i = 0; i < 4 && found < 0; ++i) {
      const RGBQUAD t = TableColour(i);
      if (t.rgbRed == c.rgbRed && t.rgbGreen == c.rgbGreen && t.rgbBlue == c.rgbBlue)
        found = static_cast<int>(i);
    }
    row.push_back(found);
  }
  return row;
}

}  // namespace

// Only the next free code may be one the table does not hold yet; any code above it ends the
// frame's data, and what is left of the frame is index 0.
TEST(GifDecode, CodesAboveTheNextFreeOneEndTheData) {
  struct Case {
    const char* what;
    std::vector<std::pair<int, int>> codes;
    std::vector<int> row;
  } cases[] = {
      {"the next free code repeats the last string", {{4, 3}, {1, 3}, {6, 3}, {5, 3}}, {1, 1, 1, 0}},
      {"a code past the next free one", {{4, 3}, {1, 3}, {7, 3}, {3, 3}, {5, 3}}, {1, 0, 0, 0}},
      {"the next free code right after a clear", {{4, 3}, {6, 3}, {2, 3}, {5, 3}}, {0, 0, 0, 0}},
      {"strings of strings", {{4, 3}, {1, 3}, {2, 3}, {6, 3}, {5, 4}}, {1, 2, 1, 2}},
  };
  for (const Case& c : cases) {
    CImageFile image;
    ASSERT_TRUE(DecodeFrame(Gif(4, 1).Frame(0, 0, 4, 1, Codes(2, c.codes)).End(), 0, &image)) << c.what;
    EXPECT_EQ(TopRow(image), c.row) << c.what;
  }
}

// Each frame's own transparent index applies; frames reaching past the screen are clipped and keep
// their number; only frames that tile the screen exactly read as one true-colour picture.
TEST(GifDecode, FramesComposeWithTheirOwnControlsAndPlaces) {
  struct Case {
    const char* what;
    Bytes file;
    int frame, frames;
    std::vector<int> row;
  } cases[] = {
      {"second frame's transparent index",
       Gif(2, 1)
           .Control(1, 0)
           .Frame(0, 0, 2, 1, Pixels({1, 2}))
           .Control(1, 1)
           .Frame(0, 0, 2, 1, Pixels({1, 0}))
           .End(),
       1,
       2,
       {1, 0}},
      {"frame past the right edge",
       Gif(3, 1).Frame(1, 0, 4, 1, Pixels({1, 2, 3, 3})).Frame(0, 0, 1, 1, Pixels({3})).End(),
       0,
       2,
       {0, 1, 2}},
      {"frame after one past the edge",
       Gif(3, 1).Frame(1, 0, 4, 1, Pixels({1, 2, 3, 3})).Frame(0, 0, 1, 1, Pixels({3})).End(),
       1,
       2,
       {3, 1, 2}},
      {"frame wholly off the screen", Gif(2, 1).Frame(5, 5, 1, 1, Pixels({1})).End(), 0, 1, {0, 0}},
      {"local tables, first frame smaller than the screen",
       Gif(2, 1, 0).Frame(0, 0, 1, 1, Pixels({1}), 4).Frame(0, 0, 2, 1, Pixels({2, 3}), 4).End(),
       0,
       2,
       {1, 0}},
      {"local tiles that overlap",
       Gif(2, 1, 0).Frame(0, 0, 2, 1, Pixels({1, 1}), 4).Frame(1, 0, 1, 1, Pixels({3}), 4).End(),
       0,
       2,
       {1, 1}},
      {"local tiles edge to edge",
       Gif(2, 1, 0).Frame(1, 0, 1, 1, Pixels({3}), 4).Frame(0, 0, 1, 1, Pixels({2}), 4).End(),
       0,
       2,
       {2, 3}},
  };
  for (const Case& c : cases) {
    CImageFile image;
    ASSERT_TRUE(DecodeFrame(c.file, c.frame, &image)) << c.what << ": " << image.GetLastError();
    EXPECT_EQ(image.GetNumFrames(), c.frames) << c.what;
    EXPECT_EQ(TopRow(image), c.row) << c.what;
  }
}

// Frames hidden by a later one cost nothing; frames that must all be laid down have a budget of
// 64 screens, so that a small file of huge frames ends quickly with a reason.
TEST(GifDecode, FramesDecodedForOneAreBounded) {
  auto animation = [](int frames, int transparent, int disposal) {
    Gif gif(64, 64);
    for (int n = 0; n < frames; ++n) gif.Control(disposal, transparent).Frame(0, 0, 64, 64, Pixels({n % 4}));
    return gif.End();
  };
  struct Case {
    const char* what;
    Bytes file;
    int frame;
    bool decoded;
  } cases[] = {
      {"overlays up to 64 screens", animation(100, 3, 1), 63, true},
      {"overlays past 64 screens", animation(100, 3, 1), 64, false},
      {"opaque frames each hiding the last", animation(100, -1, 1), 99, true},
      {"frames each cleared afterwards", animation(100, 3, 2), 99, true},
      {"frames each restoring what lay beneath", animation(100, 3, 3), 99, true},
      {"one frame far larger than its screen",
       Gif(2, 2).Control(0, 3).Frame(0, 0, 40000, 40000, Pixels({1})).End(), 0, false},
  };
  for (const Case& c : cases) {
    CImageFile image;
    EXPECT_EQ(DecodeFrame(c.file, c.frame, &image), c.decoded) << c.what;
    if (!c.decoded) {
      EXPECT_STREQ(image.GetLastError(), "GIF animation too large to decode") << c.what;
    }
  }
  CImageFile last;
  ASSERT_TRUE(DecodeFrame(animation(100, -1, 1), 99, &last));
  EXPECT_EQ(TopRow(last)[0], 3);
}

TEST(GifDecode, EveryRefusalSaysWhy) {
  const Bytes good = Gif(2, 1).Frame(0, 0, 2, 1, Pixels({1, 2})).End();
  Bytes huge = Gif(65535, 65535).Frame(0, 0, 1, 1, Pixels({1})).End();
  Bytes shortTable = Gif(2, 1, 256).bytes;
  shortTable.resize(200);
  struct Case {
    const char* what;
    Bytes file;
    int frame;
    const char* text;
  } cases[] = {
      {"not a GIF", Bytes(good.begin() + 1, good.end()), 0, "Not a GIF"},
      {"header cut short", Bytes(good.begin(), good.begin() + 10), 0, "Not a GIF"},
      {"global table cut short", shortTable, 0, "the file ends early"},
      {"cut before its first frame", Gif(2, 1).bytes, 0, "the file ends early"},
      {"no such frame", good, 1, "Error: frame not present in GIF file"},
      {"no frames at all", Gif(2, 1).End(), 0, "Error: frame not present in GIF file"},
      {"screen past the decode cap", huge, 0, "Image too large to decode"},
  };
  for (const Case& c : cases) {
    CImageFile image;
    EXPECT_FALSE(DecodeFrame(c.file, c.frame, &image)) << c.what;
    EXPECT_STREQ(image.GetLastError(), c.text) << c.what;
  }
}
