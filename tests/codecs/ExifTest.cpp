#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "codecs/ExifInfo.h"
#include "codecs/ImageFileJPG.h"
#include "codecs/MemoryStream.h"
#include "tests/codecs/TempDir.h"
#include "tests/codecs/TiffBlock.h"

namespace {

using Info = CImageFileJPG::tag_ExifInfo;
using Reader = CImageFileJPG::CExifInfo;

constexpr int kApp1 = 0xE1;

Bytes WithExif(const TiffBlock& block, const Bytes& jpeg = SmallJpeg(16, 8)) {
  return InsertAfterStart(jpeg, Segment(kApp1, block.Build()));
}

// Decodes the stream's sections into a fresh record; the reader keeps the sections.
struct Parsed {
  Info info{};
  Reader reader{&info};
  bool ok = false;
  explicit Parsed(Bytes bytes, int mode = Reader::kReadMetadata) : bytes_(std::move(bytes)) {
    CMemoryStream stream(bytes_.data(), bytes_.size());
    ok = reader.DecodeExif(&stream, mode);
  }

 private:
  Bytes bytes_;
};

// A camera's block: the main directory, its EXIF subdirectory and the thumbnail directory.
TiffBlock CameraBlock(bool bigEndian) {
  TiffBlock block(bigEndian);
  const int exif = block.AddDirectory();
  block.Text(0, 0x010F, "Veltra");
  block.Text(0, 0x0110, "Model with a rather long name that is cut somewhere");
  block.Short(0, 0x0112, 6);
  block.Link(0, 0x8769, exif);
  block.Rational(exif, 0x829A, 1, 250);
  block.Rational(exif, 0x829D, 28, 10);
  block.Short(exif, 0x8827, 200);
  block.Undefined(exif, 0x9000, {'0', '2', '3', '0'});
  block.Text(exif, 0x9003, "2026:12:06 23:10:00");
  block.Short(exif, 0x9209, 0x19);
  block.Rational(exif, 0x920A, 50, 1);
  block.Short(exif, 0x9207, 5);
  block.Short(exif, 0x9208, 3);
  const std::string comment = std::string("ASCII\0\0\0", 8) + "Tiles all the way   ";
  block.Undefined(exif, 0x9286, Bytes(comment.begin(), comment.end()));
  block.Long(exif, 0xA002, 3000);
  block.Long(exif, 0xA003, 2000);
  block.Rational(exif, 0xA20E, 3000, 1);
  block.Short(exif, 0xA210, 2);
  return block;
}

}  // namespace

TEST(Exif, ReadsTheCameraRecordInBothByteOrders) {
  for (bool bigEndian : {false, true}) {
    Parsed p(WithExif(CameraBlock(bigEndian)));
    SCOPED_TRACE(bigEndian ? "MM" : "II");
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.info.IsExif) << p.reader.GetLastError();
    EXPECT_STREQ(p.info.CameraMake, "Veltra");
    EXPECT_STREQ(p.info.CameraModel, "Model with a rather long name that is c");
    EXPECT_EQ(p.info.Orientation, 6);
    EXPECT_FLOAT_EQ(p.info.ExposureTime, 0.004f);
    EXPECT_FLOAT_EQ(p.info.ApertureFNumber, 2.8f);
    EXPECT_EQ(p.info.ISOEquivalent, 200);
    EXPECT_STREQ(p.info.Version, "0230");
    EXPECT_STREQ(p.info.DateTime, "2026:12:06 23:10:00");
    EXPECT_EQ(p.info.FlashUsed, 1);
    EXPECT_FLOAT_EQ(p.info.FocalLength, 50.0f);
    EXPECT_EQ(p.info.MeteringMode, 5);
    EXPECT_EQ(p.info.WhiteBalance, 3);
    EXPECT_STREQ(p.info.Comments, "Tiles all the way");
    // One inch per unit over 3000 pixels a unit, times the largest side of 3000 pixels.
    EXPECT_FLOAT_EQ(p.info.CCDWidth, 1.0f);
    EXPECT_EQ(p.info.Width, 16);
    EXPECT_EQ(p.info.Height, 8);
    EXPECT_EQ(p.info.IsColor, 1);
    EXPECT_EQ(p.info.Process, 0xC0);
  }
}

TEST(Exif, ResolutionGivesTheDecodedDotsPerInch) {
  struct Case {
    unsigned resolution, unit;
    long dpi;
  } cases[] = {{72, 2, 72}, {72, 3, 182}, {300, 1, 300}, {10, 4, 254}};
  for (const Case& c : cases) {
    TiffBlock block(false);
    block.Rational(0, 0x011A, c.resolution, 1);
    block.Rational(0, 0x011B, c.resolution, 1);
    block.Short(0, 0x0128, c.unit);
    CImageFileJPG image;
    ASSERT_TRUE(DecodeBytes(image, WithExif(block))) << image.GetLastError();
    EXPECT_EQ(image.GetXDPI(), c.dpi) << c.resolution << " per unit " << c.unit;
    EXPECT_EQ(image.GetYDPI(), c.dpi);
  }
}

TEST(Exif, SmallIsoSpeedsAreStoredDividedBy200) {
  struct Case {
    unsigned stored;
    int iso;
  } cases[] = {{2, 400}, {49, 9800}, {50, 50}, {1600, 1600}};
  for (const Case& c : cases) {
    TiffBlock block(true);
    block.Short(0, 0x8827, c.stored);
    Parsed p(WithExif(block));
    EXPECT_EQ(p.info.ISOEquivalent, c.iso) << c.stored;
  }
}

TEST(Exif, UndefinedOrientationIsZeroAndNotAFailure) {
  TiffBlock block(false);
  block.Short(0, 0x0112, 9);
  Parsed p(WithExif(block));
  EXPECT_TRUE(p.info.IsExif);
  EXPECT_EQ(p.info.Orientation, 0);
  EXPECT_STREQ(p.reader.GetLastError(), "Undefined rotation value");
}

TEST(Exif, ApexValuesStandInForMissingExposureAndAperture) {
  TiffBlock block(false);
  block.Rational(0, 0x9201, 8, 1);  // 2^-8 s
  block.Rational(0, 0x9202, 4, 1);  // f/4
  Parsed p(WithExif(block));
  EXPECT_FLOAT_EQ(p.info.ExposureTime, 1.0f / 256);
  EXPECT_FLOAT_EQ(p.info.ApertureFNumber, 4.0f);
}

TEST(Exif, CommentSectionKeepsPrintableText) {
  Parsed p(InsertAfterStart(SmallJpeg(8, 8), Segment(0xFE, std::string("Hi\r\nthere\x01\tend"))));
  EXPECT_STREQ(p.info.Comments, "Hi\nthere?\tend");
}

TEST(Exif, ThumbnailIsFoundInTheNextDirectory) {
  const Bytes thumbnail = SmallJpeg(8, 6);
  TiffBlock block(true);
  block.Short(0, 0x0112, 1);
  const int ifd1 = block.AddDirectory();
  block.Next(0, ifd1);
  block.Thumbnail(ifd1, thumbnail);
  auto p = std::make_unique<Parsed>(WithExif(block));
  ASSERT_TRUE(p->info.IsExif) << p->reader.GetLastError();
  ASSERT_NE(p->info.ThumbnailPointer, nullptr);
  ASSERT_EQ(p->info.ThumbnailSize, thumbnail.size());
  EXPECT_EQ(Bytes(p->info.ThumbnailPointer, p->info.ThumbnailPointer + thumbnail.size()), thumbnail);

  // A copy points into sections of its own, which outlive the original.
  Reader copy(p->reader);
  p.reset();
  const Info& info = copy.Info();
  ASSERT_NE(info.ThumbnailPointer, nullptr);
  EXPECT_EQ(Bytes(info.ThumbnailPointer, info.ThumbnailPointer + thumbnail.size()), thumbnail);
}

TEST(Exif, DirectoryLinksThatLoopAreReadOnce) {
  TiffBlock selfLoop(false);
  selfLoop.Short(0, 0x0112, 3);
  selfLoop.Next(0, 0);
  TiffBlock backLink(true);
  const int exif = backLink.AddDirectory();
  backLink.Link(0, 0x8769, exif);
  backLink.Link(exif, 0xA005, 0);
  backLink.Short(exif, 0x8827, 100);
  backLink.Next(exif, exif);
  for (const TiffBlock* block : {&selfLoop, &backLink}) {
    Parsed p(WithExif(*block));
    EXPECT_TRUE(p.info.IsExif) << p.reader.GetLastError();
  }
}

TEST(Exif, BrokenBlocksFailWithTheirText) {
  struct Case {
    const char* what;
    Bytes block;
    const char* text;
  };
  TiffBlock farValue(false);
  farValue.Raw(0, 0x010F, 2, 100, 0x7FFFFFF0);
  TiffBlock badFormat(false);
  badFormat.Raw(0, 0x010F, 13, 1, 0);
  TiffBlock hugeCount(true);
  hugeCount.Raw(0, 0x9286, 7, 0xFFFFFFFF, 8);
  TiffBlock farLink(false);
  farLink.Raw(0, 0x8769, 4, 1, 0x10000);
  Bytes tooManyEntries = TiffBlock(false).Build();
  tooManyEntries[14] = 0xFF;  // entry count of the first directory
  Bytes wrongMagic = TiffBlock(false).Build();
  wrongMagic[8] = 43;
  const Case cases[] = {
      {"value beyond the block", farValue.Build(), "Illegal pointer offset value in EXIF."},
      {"format 13", badFormat.Build(), "Illegal format code in EXIF dir"},
      {"count that overflows 32 bits", hugeCount.Build(), "Illegal pointer offset value in EXIF."},
      {"subdirectory beyond the block", farLink.Build(), "Illegal subdirectory link"},
      {"directory longer than the block", tooManyEntries, "Illegally sized directory"},
      {"no TIFF magic", wrongMagic, "Invalid Exif start (1)"},
      {"header only", Bytes{'E', 'x', 'i', 'f', 0, 0}, "Invalid Exif alignment marker."},
      {"short TIFF header", Bytes{'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42}, "Invalid Exif start (1)"},
  };
  for (const Case& c : cases) {
    Parsed p(InsertAfterStart(SmallJpeg(8, 8), Segment(kApp1, c.block)));
    EXPECT_TRUE(p.ok) << c.what;
    EXPECT_FALSE(p.info.IsExif) << c.what;
    EXPECT_STREQ(p.reader.GetLastError(), c.text) << c.what;
  }
}

TEST(Exif, SectionReaderFailures) {
  const Bytes jpeg = SmallJpeg(8, 8);
  Bytes manySections;
  for (int i = 0; i < 21; ++i) {
    Bytes s = Segment(0xE2, std::string("x"));
    manySections.insert(manySections.end(), s.begin(), s.end());
  }
  struct Case {
    const char* what;
    Bytes bytes;
    const char* text;
  };
  const Case cases[] = {
      {"more than 20 sections", InsertAfterStart(jpeg, manySections), "Too many sections in jpg file"},
      {"cut inside a segment", Bytes(jpeg.begin(), jpeg.begin() + 30), "Premature end of file?"},
      {"length below 2", Bytes{0xFF, 0xD8, 0xFF, 0xE2, 0x00, 0x01}, "invalid marker"},
      {"end before any scan", Bytes{0xFF, 0xD8, 0xFF, 0xD9, 0x00, 0x02}, "No image in jpeg!"},
      {"padding", Bytes{0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xE2},
       "too many padding bytes"},
  };
  for (const Case& c : cases) {
    Parsed p(c.bytes);
    EXPECT_FALSE(p.ok) << c.what;
    EXPECT_STREQ(p.reader.GetLastError(), c.text) << c.what;
  }
  EXPECT_FALSE(Parsed(Bytes{0xFF, 0xD9}).ok);
  // The picture behind too many sections still decodes.
  CImageFileJPG image;
  ASSERT_TRUE(DecodeBytes(image, cases[0].bytes)) << image.GetLastError();
  EXPECT_EQ(image.GetWidth(), 8u);
  EXPECT_FALSE(image.GetExifInfo().IsExif);
}

TEST(Exif, SavedPictureKeepsItsExifSectionFirst) {
  Bytes source = InsertAfterStart(SmallJpeg(16, 8), Segment(0xFE, std::string("a comment")));
  CImageFileJPG image;
  ASSERT_TRUE(DecodeBytes(image, WithExif(CameraBlock(true), source))) << image.GetLastError();
  // Twice, through a file open for writing only: the sections come from the decode each time.
  TempDir dir;
  const std::string path = dir.Path("saved.jpg");
  for (int round = 0; round < 2; ++round) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(image.Encode(file)) << image.GetLastError();
    std::fclose(file);
  }
  const Bytes saved = ReadFile(path);
  CImageFileJPG again;
  ASSERT_TRUE(DecodeBytes(again, saved)) << again.GetLastError();
  const Info& info = again.GetExifInfo();
  EXPECT_TRUE(info.IsExif);
  EXPECT_STREQ(info.CameraMake, "Veltra");
  EXPECT_STREQ(info.Comments, "a comment");
  EXPECT_EQ(again.GetWidth(), 16u);
  // Right after the start of image, in place of the JFIF segment.
  ASSERT_GT(saved.size(), 4u);
  EXPECT_EQ(saved[3], kApp1);
  EXPECT_EQ(FindMarker(saved, 0xE0), -1);
  // The reader alone has no image data to write behind the sections.
  Parsed p(WithExif(CameraBlock(false)));
  CMemoryStream out;
  out.Open();
  EXPECT_FALSE(p.reader.EncodeExif(&out));
  EXPECT_STREQ(p.reader.GetLastError(), "Can't write exif : didn't read all");
}
