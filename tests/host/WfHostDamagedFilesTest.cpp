// A damaged file of a kind the core's look at its first bytes does not name: wf-host gives the
// reason of that kind's decoder, as the image-file library's decode of that kind gives it.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "codecs/ImageFile.h"
#include "tests/host/HugeFiles.h"
#include "tests/host/WfHostFixture.h"

namespace {

using namespace wf_host_test;

// A Sun raster of the RGB kind (type 3), which ImageMagick does not write: 16 x 16 pixels.
Bytes RgbSunRaster() {
  Bytes file;
  for (std::uint32_t field : {0x59A66A95u, 16u, 16u, 24u, 16u * 16u * 3u, 3u, 0u, 0u})
    PutBigEndian(file, field);
  for (int i = 0; i < 16 * 16 * 3; ++i) file.push_back(static_cast<unsigned char>(i * 7));
  return file;
}

// An enhanced metafile of its header record and the end record, 10 x 10 units.
Bytes Emf() {
  Bytes file;
  auto put = [&](std::uint32_t value) { PutLittleEndian(file, value, 4); };
  for (std::uint32_t field : {1u, 88u, 0u, 0u, 10u, 10u, 0u, 0u, 264u, 264u}) put(field);
  put(0x464D4520);  // " EMF"
  for (std::uint32_t field : {0x10000u, 108u, 2u, 1u, 0u, 0u, 0u, 0u, 1024u, 768u, 320u, 240u}) put(field);
  for (std::uint32_t field : {14u, 20u, 0u, 16u, 20u}) put(field);
  return file;
}

void Write(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(WfHost, ADamagedFileGetsTheReasonOfItsKindsDecoder) {
  const std::string picture = "-size 48x32 plasma:fractal -seed 3 -depth 8 ";
  ASSERT_TRUE(Convert(picture + "SUN:" + Path("sun1")));
  ASSERT_TRUE(Convert(picture + "-compress RLE SUN:" + Path("sun2")));
  Write(Path("sun3"), RgbSunRaster());
  ASSERT_TRUE(Convert(picture + "-colorspace Gray PGX:" + Path("pgx")));
  ASSERT_TRUE(Convert(picture + "PPM:" + Path("pnm")));
  ASSERT_TRUE(Convert(picture + "JP2:" + Path("jp2")));
  Write(Path("emf"), Emf());
  struct Case {
    const char* name;
    unsigned long type;
    double kept;  // the share of the file left
    const char* reason;
  } cases[] = {
      {"sun1", keImageFormatRAS, 2.0 / 3, "the file ends early"},
      {"sun2", keImageFormatRAS, 0.5, "the file ends early"},
      {"sun3", keImageFormatRAS, 2.0 / 3, "the file ends early"},
      {"pgx", keImageFormatPGX, 0.5, "the file ends early"},
      {"pnm", keImageFormatPNM, 2.0 / 3, "the file ends early"},
      {"jp2", keImageFormatJP2, 0.5, "the file ends early"},
      {"emf", keImageFormatWMF, 0.5, "the file ends early"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string whole = Contents(Path(c.name));
    CImageFile image;
    ASSERT_TRUE(image.Load(Path(c.name).c_str(), c.type)) << image.GetLastError();
    const std::string cut = std::string("cut-") + c.name;
    std::ofstream(Path(cut), std::ios::binary) << whole.substr(0, std::size_t(double(whole.size()) * c.kept));
    EXPECT_FALSE(image.Load(Path(cut).c_str(), c.type));
    EXPECT_STREQ(image.GetLastError(), c.reason) << "the library's own decode of the kind";
    const Outcome run = Host("--in " + cut + " --out out.png");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.error, "wf-host: " + cut + ": " + c.reason + "\n");
    if (c.type != keImageFormatWMF) {  // the metafile is too small a picture for the filter
      const Outcome whole = Host(std::string("--in ") + c.name + " --out out.png");
      EXPECT_EQ(whole.exitCode, 0) << whole.error;
    }
  }
}

// A file cut short whose picture shows what came before is tiled as that picture, and wf-host
// says in one line that the file ends early and what fills the rest; a whole file says nothing.
TEST_F(WfHost, AFileCutShortIsTiledWithALineThatSaysWhatFillsTheRest) {
  const std::string picture = "-size 96x64 plasma:fractal -seed 3 -depth 8 ";
  ASSERT_TRUE(Convert(picture + "-type TrueColor BMP3:" + Path("bmp")));
  ASSERT_TRUE(Convert(picture + "GIF:" + Path("gif")));
  ASSERT_TRUE(Convert(picture + "-quality 90 JPEG:" + Path("jpeg")));
  ASSERT_TRUE(Convert(picture + "-quality 90 -interlace Plane JPEG:" + Path("progressive")));
  ASSERT_TRUE(Convert(picture + "-resize 48x48! ICO:" + Path("ico")));
  struct Case {
    const char* name;
    double kept;
    const char* fill;
  } cases[] = {
      {"bmp", 0.5, "the rows it lacks are black"},
      {"bmp", 0.9, "the rows it lacks are black"},
      {"gif", 0.5, "the rows it lacks are in colour 0 of its palette"},
      {"jpeg", 0.5, "the rows it lacks are grey"},
      {"progressive", 0.9, "the detail of the scans it lacks is left out"},
      {"ico", 0.5, "the rows it lacks are black"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " cut at " + std::to_string(c.kept));
    const Outcome whole = Host(std::string("--in ") + c.name + " --out out.png");
    EXPECT_EQ(whole.exitCode, 0) << whole.error;
    EXPECT_EQ(whole.error, "");
    const std::string bytes = Contents(Path(c.name)), cut = std::string("cut-") + c.name;
    std::ofstream(Path(cut), std::ios::binary) << bytes.substr(0, std::size_t(double(bytes.size()) * c.kept));
    std::filesystem::remove(Path("out.png"));
    const Outcome run = Host("--in " + cut + " --out out.png");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.error, "wf-host: " + cut + ": the file ends early; " + c.fill + "\n");
    EXPECT_TRUE(std::filesystem::exists(Path("out.png")));
  }
  // A selection cut short likewise.
  const Outcome selected = Host("--in bmp --selection cut-bmp --out out.png");
  EXPECT_EQ(selected.exitCode, 0);
  EXPECT_EQ(selected.error, "wf-host: cut-bmp: the file ends early; the rows it lacks are black\n");
}

// An icon of one entry holding the bytes given, at the offset the entry names.
Bytes Icon(const Bytes& picture, std::uint32_t offset = 22) {
  Bytes file;
  for (std::uint32_t field : {0u, 1u, 1u}) PutLittleEndian(file, field, 2);
  for (std::uint32_t byte : {32u, 32u, 0u, 0u}) file.push_back(static_cast<unsigned char>(byte));
  for (std::uint32_t field : {1u, 32u}) PutLittleEndian(file, field, 2);
  PutLittleEndian(file, static_cast<std::uint32_t>(picture.size()), 4);
  PutLittleEndian(file, offset, 4);
  file.insert(file.end(), picture.begin(), picture.end());
  return file;
}

// The bitmap header of an icon's entry, 32 x 32 pixels of the depth given.
Bytes IconBitmapHeader(std::uint32_t bits) {
  Bytes header;
  for (std::uint32_t field : {40u, 32u, 64u}) PutLittleEndian(header, field, 4);
  for (std::uint32_t field : {1u, bits}) PutLittleEndian(header, field, 2);
  for (int i = 0; i < 6; ++i) PutLittleEndian(header, 0, 4);
  return header;
}

// An icon the core's look at the first bytes does not name: damaged, it gets the icon reader's
// reason, as a PNG-compressed one does.
TEST_F(WfHost, ADamagedIconGetsTheIconReadersReason) {
  ASSERT_TRUE(Convert("-size 32x32 plasma:fractal -seed 3 -depth 8 " + Path("whole.ico")));
  ASSERT_TRUE(Convert("-size 32x32 plasma:fractal -seed 3 -depth 8 " + Path("picture.png")));
  const std::string png = Contents(Path("picture.png"));
  Write(Path("png.ico"), Icon(Bytes(png.begin(), png.end())));
  Write(Path("offset.ico"), Icon(IconBitmapHeader(24), 5000));
  Write(Path("depth.ico"), Icon(IconBitmapHeader(7)));
  struct Case {
    const char* name;
    const char* reason;
  } cases[] = {
      {"png.ico", "PNG icons not supported"},
      {"offset.ico", "Corrupted icon"},
      {"depth.ico", "Unsupported icon bit depth"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome run = Host(std::string("--in ") + c.name + " --out out.png");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.error, std::string("wf-host: ") + c.name + ": " + c.reason + "\n");
  }
  const Outcome whole = Host("--in whole.ico --out out.png");
  EXPECT_EQ(whole.exitCode, 0) << whole.error;
}

}  // namespace
