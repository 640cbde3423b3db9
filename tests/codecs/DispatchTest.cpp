#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "codecs/ImageFile.h"
#include "platform/win32/ModuleResource.h"
#include "tests/codecs/TempDir.h"
#include "tests/codecs/TiffBlock.h"

namespace {

CImageFile Picture(unsigned long bpp) {
  CImageFile image(5, 3, bpp, 0);
  if (bpp <= 8) image.SetGrayPalette();
  image.SetPixelIndex(4, 2, 1);
  image.SetPixelColor(2, 1, RGB(255, 255, 255));
  return image;
}

long FilesIn(const TempDir& dir) {
  return std::distance(std::filesystem::directory_iterator(dir.Path("")), {});
}

}  // namespace

TEST(Dispatch, EncodeRefusals) {
  struct Case {
    bool emptyImage, noStorage;
    unsigned long type;
    const char* error;
  };
  const Case cases[] = {
      {false, false, keImageFormatUnknown, "Encode: Unknown format"},
      {false, false, 16, "Encode: Unknown format"},
      {false, false, keImageFormatWMF, "Save WMF not supported"},
      {true, false, keImageFormatBMP, "null image!!!"},
      // A stream that takes nothing, as a full disk does.
      {false, true, keImageFormatBMP, "Error writing BMP"},
      {false, true, keImageFormatWBMP, "Error writing WBMP"},
      {false, true, keImageFormatJPG, "Output file write error --- out of disk space?"},
      {false, true, keImageFormatPNG, "Error saving PNG file"},
      {false, true, keImageFormatJP2, "error: cannot encode image\n"},
      {false, true, keImageFormatPNM, "error: cannot encode image\n"},
  };
  for (const Case& c : cases) {
    CImageFile image = c.emptyImage ? CImageFile() : Picture(c.type == keImageFormatWBMP ? 1 : 24);
    CMemoryStream stream;
    if (!c.noStorage) stream.Open();
    EXPECT_FALSE(image.Encode(&stream, c.type));
    EXPECT_STREQ(image.GetLastError(), c.error);
  }
  CImageFile image = Picture(8);
  EXPECT_FALSE(image.Encode(static_cast<CByteStream*>(nullptr), keImageFormatBMP));
  EXPECT_STREQ(image.GetLastError(), "null file handler");
  CImageFile* pages[1] = {&image};
  CMemoryStream stream;
  stream.Open();
  EXPECT_FALSE(image.Encode(&stream, pages, 1, keImageFormatBMP));
  EXPECT_STREQ(image.GetLastError(), "Multipage Encode, Unsupported operation for this format");
  CImageFile* none[1] = {nullptr};
  EXPECT_FALSE(image.Encode(&stream, none, 1, keImageFormatTIF));
  EXPECT_STREQ(image.GetLastError(), "Bad image pointer");
  EXPECT_FALSE(image.Encode(&stream, nullptr, 0, keImageFormatGIF));
  EXPECT_STREQ(image.GetLastError(), "multipage GIF, no images!");
  // Memory encodes need an empty buffer.
  unsigned char byte = 0;
  unsigned char* buffer = &byte;
  long size = 77;
  EXPECT_FALSE(image.Encode(buffer, size, keImageFormatBMP));
  EXPECT_STREQ(image.GetLastError(), "the buffer must be empty");
  EXPECT_FALSE(image.Encode2RGBA(buffer, size));
  EXPECT_EQ(buffer, &byte);
  EXPECT_EQ(size, 77);
}

TEST(Dispatch, DecodeFindsTheFormatFromTheBytes) {
  struct Case {
    unsigned long bpp, encodeAs;
  };
  for (const Case& c : {Case{24, keImageFormatBMP}, Case{1, keImageFormatBMP}, Case{1, keImageFormatWBMP},
                        Case{24, keImageFormatPNG}, Case{8, keImageFormatJPG}}) {
    CImageFile image = Picture(c.bpp);
    image.SetJpegQuality(100);
    Bytes bytes = EncodeToBytes(image, c.encodeAs);
    CImageFile decoded(bytes.data(), static_cast<unsigned long>(bytes.size()), keImageFormatUnknown);
    ASSERT_TRUE(decoded.IsValid()) << decoded.GetLastError();
    EXPECT_EQ(decoded.GetType(), c.encodeAs);
    const int tolerance = c.encodeAs == keImageFormatJPG ? 24 : 0;
    EXPECT_NEAR(decoded.GetPixelColor(4, 2).rgbRed, image.GetPixelColor(4, 2).rgbRed, tolerance)
        << c.encodeAs;
    EXPECT_NEAR(decoded.GetPixelColor(2, 1).rgbRed, 255, tolerance) << c.encodeAs;
  }
}

TEST(Dispatch, SignaturesNameTheFormatsOnlyTriesWouldFind) {
  // What the family's encoders write, and a metafile's header, against files of other kinds.
  struct Case {
    unsigned long format;
    std::string head;
  };
  std::string emf(44, '\0');
  emf[0] = 1;
  emf.replace(40, 4, " EMF");
  const Case cases[] = {
      {keImageFormatWMF, emf},
      {keImageFormatRAS, "\x59\xA6\x6A\x95"},
      {keImageFormatJP2, std::string("\0\0\0\x0CjP  \r\n\x87\n", 12)},
      {keImageFormatJPC, "\xFF\x4F\xFF\x51"},
      {keImageFormatPNM, "P6\n"},
      {keImageFormatPGX, "PG ML + 8 4 4\n"},
      {keImageFormatICO, std::string("\0\0\1\0\1\0", 6)},
      {keImageFormatICO, std::string("\0\0\2\0\3\0", 6)},      // a cursor
      {keImageFormatUnknown, std::string("\0\0\1\0\0\0", 6)},  // no entry
      {keImageFormatUnknown, std::string("\0\0\3\0\1\0", 6)},
      {keImageFormatUnknown, std::string("\0\0\1\0\1", 5)},
      {keImageFormatUnknown, emf.substr(0, 43)},  // cut before its signature
      {keImageFormatUnknown, "PG"},
      {keImageFormatUnknown, "P7 332\n"},
      {keImageFormatUnknown, "\x89PNG\r\n\x1A\n"},
      {keImageFormatUnknown, ""},
  };
  for (const Case& c : cases) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(c.head.data());
    EXPECT_EQ(CImageFile::FormatOfSignature(bytes, c.head.size()), c.format) << c.head.size() << " bytes";
  }
}

TEST(Dispatch, DecodeFailuresKeepTheImage) {
  CImageFile image = Picture(8);
  void* dib = image.GetDIB();
  Bytes junk = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e', 0, 0, 0, 0, 0, 0, 0, 0};
  struct Case {
    unsigned long type;
    const char* error;
  };
  const Case cases[] = {
      {keImageFormatUnknown, "Decode: Unknown or wrong format"},
      {keImageFormatBMP, "Error reading BMP info"},
      {keImageFormatWBMP, "Unsupported WBMP type"},
      {keImageFormatPGX, "error: cannot load image data"},
      {99, "Decode: Unknown or wrong format"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(image.Decode(junk.data(), static_cast<unsigned long>(junk.size()), c.type));
    EXPECT_STREQ(image.GetLastError(), c.error) << c.type;
    EXPECT_EQ(image.GetDIB(), dib);
  }
}

TEST(Dispatch, DecodeOfUnknownFormatRewindsBetweenTries) {
  // A WBMP after some bytes of a stream: each failed try must start again from there.
  CImageFile image = Picture(1);
  Bytes wbmp = EncodeToBytes(image, keImageFormatWBMP);
  Bytes bytes = {1, 2, 3};
  bytes.insert(bytes.end(), wbmp.begin(), wbmp.end());
  CMemoryStream stream(bytes.data(), bytes.size());
  stream.Seek(3, 0);
  CImageFile decoded;
  ASSERT_TRUE(decoded.Decode(&stream, keImageFormatUnknown)) << decoded.GetLastError();
  EXPECT_EQ(decoded.GetType(), keImageFormatWBMP);
  EXPECT_STREQ(decoded.GetLastError(), "");  // the BMP decoder's failure is not kept
}

TEST(Dispatch, DecoderOptionsReachTheDecoder) {
  CImageFile image = Picture(24);
  Bytes bmp = EncodeToBytes(image, keImageFormatBMP);
  CImageFile query;
  query.SetEscape(-1);
  ASSERT_TRUE(query.Decode(bmp.data(), static_cast<unsigned long>(bmp.size()), keImageFormatBMP));
  EXPECT_STREQ(query.GetLastError(), "output dimensions returned");
  EXPECT_EQ(query.GetWidth(), 5u);
  EXPECT_EQ(query.GetHeight(), 3u);
  EXPECT_FALSE(query.IsValid());
}

TEST(Dispatch, Encode2RgbaWritesRedFirst) {
  CImageFile rgb(2, 1, 24, 0);
  rgb.SetPixelColor(0, 0, RGB(1, 2, 3));
  rgb.SetPixelColor(1, 0, RGB(4, 5, 6));
  CImageFile withAlpha(rgb);
  withAlpha.AlphaCreate();
  withAlpha.AlphaSet(1, 0, 9);
  CImageFile indexed(1, 1, 8, 0);
  indexed.SetPaletteColor(0, 7, 8, 9, 44);
  const std::pair<CImageFile*, Bytes> cases[] = {
      {&rgb, {1, 2, 3, 0, 4, 5, 6, 0}}, {&withAlpha, {1, 2, 3, 255, 4, 5, 6, 9}}, {&indexed, {7, 8, 9, 44}}};
  for (const auto& [image, expected] : cases) {
    unsigned char* buffer = nullptr;
    long size = 0;
    ASSERT_TRUE(image->Encode2RGBA(buffer, size));
    EXPECT_EQ(Bytes(buffer, buffer + size), expected);
    CImageFile::FreeMemory(buffer);
  }
}

TEST(Dispatch, SaveReplacesTheFileOnlyWhenEncodingWorked) {
  TempDir dir;
  const std::string path = dir.Path("tile.bmp");
  CImageFile image = Picture(24);
  ASSERT_TRUE(image.Save(path.c_str(), keImageFormatBMP));
  const Bytes saved = ReadFile(path);
  EXPECT_EQ(saved.size(), 14u + 40 + 3 * 16);
  CImageFile tooDeep = Picture(8);
  EXPECT_FALSE(tooDeep.Save(path.c_str(), keImageFormatWBMP));
  EXPECT_STREQ(tooDeep.GetLastError(), "Can't save this image as WBMP");
  EXPECT_EQ(ReadFile(path), saved);  // the old file is untouched
  EXPECT_EQ(FilesIn(dir), 1);        // and no temporary is left behind
  EXPECT_FALSE(image.Save(dir.Path("missing/tile.bmp").c_str(), keImageFormatBMP));
  EXPECT_STREQ(image.GetLastError(), "Save: can't create the file");
  EXPECT_FALSE(image.Save(nullptr, keImageFormatBMP));
  EXPECT_STREQ(image.GetLastError(), "Save: no file name");
}

TEST(Dispatch, SaveWritesWhereAPlainWriteWouldAndKeepsTheMode) {
  struct Case {
    const char* what;
    mode_t mode;
    bool throughLink;
    bool saved;
  };
  const Case cases[] = {
      {"read-only file", 0444, false, false},
      {"private file", 0600, false, true},
      {"link to a shared file", 0644, true, true},
      {"link to a read-only file", 0444, true, false},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string target = dir.Path("target.bmp");
    const std::string path = c.throughLink ? dir.Path("link.bmp") : target;
    std::ofstream(target) << "old";
    ASSERT_EQ(chmod(target.c_str(), c.mode), 0);
    if (c.throughLink) {
      ASSERT_EQ(symlink("target.bmp", path.c_str()), 0);
    }
    CImageFile image = Picture(24);
    EXPECT_EQ(image.Save(path.c_str(), keImageFormatBMP), c.saved) << c.what;
    EXPECT_STREQ(image.GetLastError(), c.saved ? "" : "Save: can't create the file") << c.what;
    EXPECT_EQ(ReadFile(target).size(), c.saved ? 14u + 40 + 3 * 16 : 3u) << c.what;
    struct stat status;
    ASSERT_EQ(stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, c.mode) << c.what;
    ASSERT_EQ(lstat(path.c_str(), &status), 0);
    EXPECT_EQ(S_ISLNK(status.st_mode), c.throughLink) << c.what;
    EXPECT_EQ(FilesIn(dir), c.throughLink ? 2 : 1) << c.what;
  }
}

TEST(Dispatch, LoadTriesTheGivenTypeThenEveryDecoder) {
  TempDir dir;
  const std::string wbmpPath = dir.Path("picture.wbmp");
  CImageFile image = Picture(1);
  ASSERT_TRUE(image.Save(wbmpPath.c_str(), keImageFormatWBMP));
  CImageFile loaded;
  ASSERT_TRUE(loaded.Load(wbmpPath.c_str(), keImageFormatBMP));  // the second attempt finds it
  EXPECT_EQ(loaded.GetType(), keImageFormatWBMP);

  const std::string junkPath = dir.Path("junk.bin");
  std::ofstream(junkPath) << "neither format at all, not even close";
  CImageFile junk;
  EXPECT_FALSE(junk.Load(junkPath.c_str(), keImageFormatBMP));
  EXPECT_STREQ(junk.GetLastError(), "Error reading BMP info");  // the first attempt's text
  EXPECT_FALSE(junk.Load(junkPath.c_str()));
  EXPECT_STREQ(junk.GetLastError(), "Decode: Unknown or wrong format");
  CImageFile missing;
  EXPECT_FALSE(missing.Load(dir.Path("none.bmp").c_str(), keImageFormatBMP));
  EXPECT_STREQ(missing.GetLastError(), "");

  // File streams of the caller stay open.
  FILE* in = std::fopen(wbmpPath.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  CImageFile decoded(in, keImageFormatUnknown);
  EXPECT_TRUE(decoded.IsValid());
  EXPECT_EQ(std::fclose(in), 0);
}

TEST(Dispatch, AWbmpIsGuessedOnlyWhenItsRowsFillTheRestOfTheFile) {
  TempDir dir;
  // A TGA of a type it does not know, whose first bytes read as a 5 x 2 WBMP with bytes to spare.
  Bytes tga(18, 0);
  tga[1] = 1, tga[2] = 5, tga[3] = 2, tga[12] = 5, tga[14] = 2, tga[16] = 8;
  const std::string path = dir.Path("broken.tga");
  WriteFile(path, tga);
  CImageFile image;
  EXPECT_FALSE(image.Load(path.c_str(), keImageFormatTGA));
  EXPECT_STREQ(image.GetLastError(), "Unknown TGA image type");
  EXPECT_FALSE(image.Load(path.c_str()));
  // The same picture as a WBMP of its own: header and rows exactly.
  WriteFile(path, Bytes{0, 0, 5, 2, 0xA0, 0x50});
  ASSERT_TRUE(image.Load(path.c_str())) << image.GetLastError();
  EXPECT_EQ(image.GetType(), keImageFormatWBMP);
  EXPECT_EQ(image.GetWidth(), 5u);
  // With the format named, trailing bytes are no reason to refuse.
  WriteFile(path, Bytes{0, 0, 5, 2, 0xA0, 0x50, 0});
  EXPECT_TRUE(image.Load(path.c_str(), keImageFormatWBMP)) << image.GetLastError();
  EXPECT_FALSE(image.Load(path.c_str()));
}

TEST(Dispatch, LoadResourceDecodesTheModulesBytes) {
  CImageFile image = Picture(24);
  static Bytes bytes;
  bytes = EncodeToBytes(image, keImageFormatPNG);
  static BinaryResource table[1];
  table[0] = {"PNG", MAKEINTRESOURCE(3044), bytes.data(), static_cast<DWORD>(bytes.size())};
  HMODULE module = reinterpret_cast<HMODULE>(0x7123);
  platform::RegisterResourceTable(module, table, 1);
  HRSRC resource = FindResource(module, MAKEINTRESOURCE(3044), "PNG");
  CImageFile loaded;
  ASSERT_TRUE(loaded.LoadResource(resource, keImageFormatPNG, module)) << loaded.GetLastError();
  EXPECT_EQ(loaded.GetPixelColor(2, 1).rgbRed, 255);
  EXPECT_FALSE(loaded.LoadResource(nullptr, keImageFormatPNG, module));
  EXPECT_STREQ(loaded.GetLastError(), "Unable to load resource!");
  platform::UnregisterResourceTable(module);
}
