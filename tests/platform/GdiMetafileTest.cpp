#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

#include "platform/gdi/DcState.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Metafile.h"
#include "tests/platform/MetafileWriter.h"

namespace {

// A memory device context over a white 200 x 200 bitmap.
struct Target {
  Target() : dc(CreateCompatibleDC(nullptr)), bitmap(CreateCompatibleBitmap(dc, 200, 200)) {
    old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, 200, 200, WHITENESS);
  }
  ~Target() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  // Plays over the whole bitmap.
  bool Play(HENHMETAFILE metafile) {
    const RECT whole{0, 0, 200, 200};
    return PlayEnhMetaFile(dc, metafile, &whole);
  }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

TEST(Metafiles, PlaceableWindowsMetafilePlaysIntoTheRectangle) {
  WindowsMetafile wmf;
  wmf.Record(0x020B, {0, 0})                   // window origin (y, x)
      .Record(0x020C, {100, 100})              // window extent (y, x)
      .Record(0x02FC, {0, 0x00FF, 0x0000, 0})  // solid red brush: index 0
      .Record(0x012D, {0})
      .Record(0x02FA, {5, 0, 0, 0, 0})  // null pen: index 1
      .Record(0x012D, {1})
      .Record(0x041B, {50, 50, 0, 0})        // rectangle (bottom, right, top, left)
      .Record(0x02FA, {0, 1, 0, 0xFF00, 0})  // green pen: index 2
      .Record(0x012D, {2})
      .Record(0x0214, {75, 0})     // move to (0, 75)
      .Record(0x0213, {75, 100});  // line to (100, 75)
  std::vector<BYTE> file = wmf.Placeable(0, 0, 100, 100, 96);
  METAFILEPICT picture{MM_ANISOTROPIC, 100, 100, nullptr};
  HENHMETAFILE metafile = SetWinMetaFileBits(static_cast<UINT>(file.size() - 22), file.data() + 22, nullptr,
                                             &picture);
  ASSERT_NE(metafile, nullptr);
  Target target;
  ASSERT_TRUE(target.Play(metafile));
  EXPECT_EQ(GetPixel(target.dc, 10, 10), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(target.dc, 95, 95), RGB(255, 0, 0));  // the logical 50 x 50 doubled
  EXPECT_EQ(GetPixel(target.dc, 120, 120), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(target.dc, 150, 150), RGB(0, 255, 0));  // the line at logical y 75
  EXPECT_EQ(GetPixel(target.dc, 150, 148), RGB(255, 255, 255));
  // The device context comes back as it was.
  EXPECT_EQ(GetMapMode(target.dc), MM_TEXT);
  EXPECT_EQ(GetCurrentObject(target.dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  DeleteEnhMetaFile(metafile);
}

TEST(Metafiles, WindowsMetafileHeadersAreChecked) {
  std::vector<BYTE> file = WindowsMetafile().Placeable(0, 0, 10, 10, 96);
  METAFILEPICT picture{MM_ANISOTROPIC, 10, 10, nullptr};
  std::vector<BYTE> body(file.begin() + 22, file.end());
  body[0] = 3;  // neither a memory nor a disk metafile
  EXPECT_EQ(SetWinMetaFileBits(static_cast<UINT>(body.size()), body.data(), nullptr, &picture), nullptr);
  body[0] = 1;
  EXPECT_EQ(SetWinMetaFileBits(static_cast<UINT>(body.size() - 2), body.data(), nullptr, &picture),
            nullptr);  // shorter than it says
  HENHMETAFILE metafile = SetWinMetaFileBits(static_cast<UINT>(body.size()), body.data(), nullptr, &picture);
  EXPECT_NE(metafile, nullptr);
  DeleteEnhMetaFile(metafile);
}

TEST(Metafiles, DamagedWindowsMetafilesPlaySafely) {
  WindowsMetafile wmf;
  wmf.Record(0x020C, {100, 100})
      .Record(0x02FC, {0, 0x00FF, 0x0000, 0})
      .Record(0x012D, {0})
      .Record(0x0324, {3, 0, 0, 50, 0, 0, 50})  // polygon of three points
      .Record(0x0521, {2, 0x6948, 10, 10})      // text "Hi" at (10, 10)
      .Record(0x01F0, {0});
  std::vector<BYTE> file = wmf.Placeable(0, 0, 100, 100, 96);
  METAFILEPICT picture{MM_ANISOTROPIC, 100, 100, nullptr};
  Target target;
  // Each byte of the records in turn set to every bit pattern that stretches sizes and counts.
  for (std::size_t at = 22 + 18; at < file.size(); ++at) {
    for (BYTE value : {BYTE{0x00}, BYTE{0x7F}, BYTE{0xFF}}) {
      std::vector<BYTE> damaged(file.begin() + 22, file.end());
      damaged[at - 22] = value;
      HENHMETAFILE metafile = SetWinMetaFileBits(static_cast<UINT>(damaged.size()), damaged.data(), nullptr,
                                                 &picture);
      ASSERT_NE(metafile, nullptr);
      target.Play(metafile);
      DeleteEnhMetaFile(metafile);
    }
  }
  EXPECT_EQ(GetMapMode(target.dc), MM_TEXT);
}

// An enhanced metafile's handle over its bytes, deleted with it.
struct LoadedEnhanced {
  explicit LoadedEnhanced(const std::vector<BYTE>& bytes)
      : metafile(SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data())) {}
  ~LoadedEnhanced() {
    if (metafile) DeleteEnhMetaFile(metafile);
  }
  LoadedEnhanced(const LoadedEnhanced&) = delete;
  LoadedEnhanced& operator=(const LoadedEnhanced&) = delete;
  HENHMETAFILE metafile;
};

// An enhanced metafile whose frame is 100 x 100 reference pixels (one pixel, 0.1 mm).
struct EnhancedMetafile {
  LittleEndianWriter records;
  EnhancedMetafile& Record(std::uint32_t type, std::initializer_list<std::int32_t> parameters) {
    records.U32(type).U32(static_cast<std::uint32_t>(8 + 4 * parameters.size())).Longs(parameters);
    return *this;
  }
  std::vector<BYTE> Bytes() {
    Record(14, {0, 16, 20});  // end: no palette
    LittleEndianWriter file;
    std::uint32_t total = static_cast<std::uint32_t>(108 + records.bytes.size());
    file.U32(1)
        .U32(108)
        .Longs({0, 0, 99, 99})
        .Longs({0, 0, 1000, 1000})
        .U32(ENHMETA_SIGNATURE)
        .U32(0x10000)
        .U32(total)
        .U32(0)
        .U16(4)
        .U16(0)
        .U32(0)
        .U32(0)
        .U32(0)
        .Longs({1000, 1000})
        .Longs({100, 100})
        .U32(0)
        .U32(0)
        .U32(0)
        .Longs({100000, 100000});
    file.bytes.insert(file.bytes.end(), records.bytes.begin(), records.bytes.end());
    return file.bytes;
  }
};

TEST(Metafiles, EnhancedMetafilePlaysScaledIntoTheRectangle) {
  EnhancedMetafile emf;
  emf.Record(39, {1, 0 /* BS_SOLID */, RGB(0, 0, 255), 0})  // blue brush: index 1
      .Record(37, {1})
      .Record(37, {static_cast<std::int32_t>(0x80000000u | NULL_PEN)})
      .Record(43, {0, 0, 49, 49})                       // rectangle, inclusive box
      .Record(38, {2, PS_SOLID, 1, 0, RGB(255, 0, 0)})  // red pen: index 2
      .Record(37, {2})
      .Record(27, {0, 80})     // move to (0, 80)
      .Record(54, {100, 80});  // line to (100, 80)
  const LoadedEnhanced loaded(emf.Bytes());
  ASSERT_NE(loaded.metafile, nullptr);
  ENHMETAHEADER header;
  ASSERT_EQ(GetEnhMetaFileHeader(loaded.metafile, sizeof header, &header), sizeof header);
  EXPECT_EQ(header.rclBounds.right - header.rclBounds.left, 99);
  EXPECT_EQ(GetEnhMetaFilePaletteEntries(loaded.metafile, 0, nullptr), 0u);
  Target target;
  ASSERT_TRUE(target.Play(loaded.metafile));
  EXPECT_EQ(GetPixel(target.dc, 5, 5), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(target.dc, 95, 95), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(target.dc, 110, 110), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(target.dc, 150, 160), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(target.dc, 150, 150), RGB(255, 255, 255));
}

std::int32_t FloatBits(float value) {
  std::int32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Two 16-bit coordinates in one 32-bit field.
std::int32_t Point16(int x, int y) { return static_cast<std::int32_t>((x & 0xFFFF) | (y << 16)); }

TEST(Metafiles, EnhancedMetafileFollowsWorldTransforms) {
  auto f = FloatBits;
  EnhancedMetafile emf;
  emf.Record(39, {1, 0, RGB(0, 0, 255), 0})
      .Record(37, {1})
      .Record(37, {static_cast<std::int32_t>(0x80000000u | NULL_PEN)})
      .Record(35, {f(2), f(0), f(0), f(2), f(10), f(0)})    // doubled, then moved right by 10
      .Record(43, {0, 0, 9, 9})                             // so 10..29 x 0..19 of the frame
      .Record(36, {f(1), f(0), f(0), f(1), f(0), f(0), 1})  // back to the identity
      // A quarter turn, x' = 60 - y and y' = 50 + x: the 30 x 10 polygon stands upright.
      .Record(35, {f(0), f(1), f(-1), f(0), f(60), f(50)})
      .Record(86, {0, 0, 0, 0, 4, Point16(0, 0), Point16(30, 0), Point16(30, 10), Point16(0, 10)});
  const LoadedEnhanced loaded(emf.Bytes());
  ASSERT_NE(loaded.metafile, nullptr);
  Target target;
  ASSERT_TRUE(target.Play(loaded.metafile));
  EXPECT_EQ(GetPixel(target.dc, 22, 2), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(target.dc, 57, 37), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(target.dc, 17, 10), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(target.dc, 62, 10), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(target.dc, 110, 150), RGB(0, 0, 255));  // frame 55, 75: turned
  EXPECT_EQ(GetPixel(target.dc, 150, 110), RGB(255, 255, 255));
  XFORM world;
  ASSERT_TRUE(GetWorldTransform(target.dc, &world));
  EXPECT_EQ(world.eM11, 1.0f);  // the playback leaves the device context as it was
  EXPECT_EQ(world.eDx, 0.0f);
}

TEST(Metafiles, WorldTransformsCombineInOrderAndRefuseSingularOnes) {
  Target target;
  XFORM doubled{2, 0, 0, 2, 0, 0}, moved{1, 0, 0, 1, 5, 0}, flat{1, 1, 1, 1, 0, 0};
  XFORM world;
  ASSERT_TRUE(SetWorldTransform(target.dc, &doubled));
  ASSERT_TRUE(ModifyWorldTransform(target.dc, &moved, MWT_LEFTMULTIPLY));  // moved, then doubled
  GetWorldTransform(target.dc, &world);
  EXPECT_EQ(world.eDx, 10.0f);
  ASSERT_TRUE(SetWorldTransform(target.dc, &doubled));
  ASSERT_TRUE(ModifyWorldTransform(target.dc, &moved, MWT_RIGHTMULTIPLY));  // doubled, then moved
  GetWorldTransform(target.dc, &world);
  EXPECT_EQ(world.eDx, 5.0f);
  EXPECT_EQ(world.eM22, 2.0f);
  EXPECT_FALSE(SetWorldTransform(target.dc, &flat));
  XFORM huge{1e30f, 0, 0, 1, 0, 0};
  EXPECT_FALSE(SetWorldTransform(target.dc, &huge));
  GetWorldTransform(target.dc, &world);
  EXPECT_EQ(world.eM11, 2.0f);
}

TEST(Metafiles, EnhancedMetafilePathsAreFilledAndStroked) {
  EnhancedMetafile emf;
  emf.Record(39, {1, 0, RGB(0, 0, 255), 0})
      .Record(37, {1})
      .Record(38, {2, PS_SOLID, 1, 0, RGB(255, 0, 0)})
      .Record(37, {2})
      .Record(59, {})  // a triangle, its lines held back until the fill
      .Record(27, {0, 0})
      .Record(54, {40, 0})
      .Record(54, {40, 40})
      .Record(61, {})
      .Record(60, {})
      .Record(62, {0, 0, 40, 40})
      .Record(59, {})  // a flat curve along y 90, stroked without a fill
      .Record(27, {0, 90})
      .Record(88, {0, 0, 0, 0, 3, Point16(30, 90), Point16(60, 90), Point16(90, 90)})
      .Record(60, {})
      .Record(64, {0, 0, 90, 90});
  const LoadedEnhanced loaded(emf.Bytes());
  ASSERT_NE(loaded.metafile, nullptr);
  Target target;
  ASSERT_TRUE(target.Play(loaded.metafile));
  EXPECT_EQ(GetPixel(target.dc, 70, 20), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(target.dc, 20, 70), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(target.dc, 40, 0), RGB(0, 0, 255));  // no pen on the filled path
  EXPECT_EQ(GetPixel(target.dc, 100, 180), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(target.dc, 100, 170), RGB(255, 255, 255));
}

TEST(Metafiles, FarPathsFillWhatNearOnesShowingTheSameFill) {
  // A wedge from (61, 50) opening to the left, its sides one across for two along, as a path:
  // cut by hand just past the frame, and reaching far out (the playback doubles it).
  auto play = [](std::initializer_list<std::pair<int, int>> corners) {
    EnhancedMetafile emf;
    emf.Record(39, {1, 0, RGB(0, 0, 255), 0}).Record(37, {1}).Record(59, {});
    bool first = true;
    for (auto [x, y] : corners) {
      emf.Record(first ? 27 : 54, {x, y});
      first = false;
    }
    emf.Record(61, {}).Record(60, {}).Record(62, {0, 0, 99, 99});
    const LoadedEnhanced loaded(emf.Bytes());
    Target target;
    EXPECT_TRUE(target.Play(loaded.metafile));
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x) pixels.push_back(GetPixel(target.dc, x, y));
    return pixels;
  };
  const std::vector<COLORREF> near = play({{61, 50}, {-1, 19}, {-1, 81}});
  EXPECT_EQ(near[100 * 200 + 60], RGB(0, 0, 255));
  EXPECT_EQ(near[100 * 200 + 130], RGB(255, 255, 255));
  const int far = 1 << 24;  // records hold coordinates to 2^26
  EXPECT_EQ(play({{61, 50}, {61 - 2 * far, 50 - far}, {61 - 2 * far, 50 + far}}), near);
}

TEST(Metafiles, EnhancedMetafileStretchesItsBitmaps) {
  EnhancedMetafile emf;
  // A 2 x 1 24-bit bitmap (red, green) stretched onto the frame's left half.
  LittleEndianWriter record;
  record.U32(81)
      .U32(80 + 40 + 8)
      .Longs({0, 0, 49, 99})
      .Longs({0, 0, 0, 0, 2, 1})  // destination x, y; source x, y, width, height
      .U32(80)
      .U32(40)
      .U32(120)
      .U32(8)
      .U32(DIB_RGB_COLORS)
      .U32(SRCCOPY)
      .Longs({50, 100})
      .U32(40)
      .Longs({2, 1})
      .U16(1)
      .U16(24)
      .U32(0)
      .U32(8)
      .Longs({0, 0})
      .U32(0)
      .U32(0);
  record.bytes.insert(record.bytes.end(), {0, 0, 255, 0, 255, 0, 0, 0});
  emf.records.bytes.insert(emf.records.bytes.end(), record.bytes.begin(), record.bytes.end());
  const LoadedEnhanced loaded(emf.Bytes());
  ASSERT_NE(loaded.metafile, nullptr);
  Target target;
  ASSERT_TRUE(target.Play(loaded.metafile));
  EXPECT_EQ(GetPixel(target.dc, 10, 100), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(target.dc, 90, 100), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(target.dc, 110, 100), RGB(255, 255, 255));
}

TEST(Metafiles, DamagedEnhancedMetafilesAreRefusedOrStopSafely) {
  EnhancedMetafile emf;
  emf.Record(43, {0, 0, 49, 49});
  std::vector<BYTE> bytes = emf.Bytes();
  std::vector<BYTE> unsigned_ = bytes;
  unsigned_[40] ^= 1;  // the signature
  EXPECT_EQ(SetEnhMetaFileBits(static_cast<UINT>(unsigned_.size()), unsigned_.data()), nullptr);
  EXPECT_EQ(SetEnhMetaFileBits(60, bytes.data()), nullptr);
  // A record that claims more bytes than there are ends the playback with a failure.
  std::vector<BYTE> broken = bytes;
  broken[108 + 4] = 0xF0;
  HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(broken.size()), broken.data());
  ASSERT_NE(metafile, nullptr);
  Target target;
  EXPECT_FALSE(target.Play(metafile));
  DeleteEnhMetaFile(metafile);
  // Each byte of the records of a richer file set to patterns that stretch sizes, counts,
  // indices and coordinates: played without harm.
  EnhancedMetafile rich;
  rich.Record(39, {1, 0, RGB(0, 0, 255), 0})
      .Record(37, {1})
      .Record(86, {0, 0, 10, 10, 3, 0x00000000, 0x0000000A, 0x000A0000})  // polygon16 of three points
      .Record(82, {3, -12, 0, 0, 0, 400, 0, 0, 0x00410041, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
      .Record(37, {3})
      .Record(84, {0, 0, 10, 10, 1, 0, 0, 5, 5, 2, 76, 0, 0, 0, 10, 10, 0, 0x00690048})
      .Record(40, {1});
  std::vector<BYTE> richBytes = rich.Bytes();
  for (std::size_t at = 108; at < richBytes.size(); ++at) {
    for (BYTE value : {BYTE{0x00}, BYTE{0x7F}, BYTE{0xFF}}) {
      std::vector<BYTE> damaged = richBytes;
      damaged[at] = value;
      if (HENHMETAFILE played = SetEnhMetaFileBits(static_cast<UINT>(damaged.size()), damaged.data())) {
        target.Play(played);
        DeleteEnhMetaFile(played);
      }
    }
  }
  // Every truncation of a good file is either refused or played without harm.
  for (std::size_t size = 0; size < bytes.size(); size += 4) {
    HENHMETAFILE partial = SetEnhMetaFileBits(static_cast<UINT>(size), bytes.data());
    if (partial) {
      target.Play(partial);
      DeleteEnhMetaFile(partial);
    }
  }
}

}  // namespace
