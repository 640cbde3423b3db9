#include "core/Win32File.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32/File.h"
#include "tests/codecs/TempDir.h"

namespace corvel {
namespace {

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Runs a file operation and answers the core code it threw, 0 when it threw none.
template <class Operation>
int ThrownCode(Operation operation) {
  try {
    operation();
  } catch (const CJException& error) {
    return error.Code();
  }
  return 0;
}

TEST(Win32File, NameIsSetOnceAndBounded) {
  Win32File file;
  file.SetName("a");
  EXPECT_EQ(ThrownCode([&] { file.SetName("b"); }), keErrorBadArgument);
  Win32File other;
  EXPECT_EQ(ThrownCode([&] { other.SetName(std::string(513, 'x').c_str()); }), keErrorBadArgument);
  EXPECT_EQ(ThrownCode([&] { other.SetName(std::string(512, 'x').c_str()); }), 0);
  Win32File unnamed;
  EXPECT_EQ(ThrownCode([&] { unnamed.Open(keFileRead); }), keErrorBadArgument);
}

TEST(Win32File, WritesReadsSeeksAndDeletes) {
  TempDir dir;
  Win32File file;
  file.SetName(dir.Path("data.bin").c_str());
  file.Open(keFileWrite);
  file.Write("0123456789", 10);
  file.Flush();
  EXPECT_EQ(file.GetSize(), 10u);
  EXPECT_EQ(ThrownCode([&] { file.Open(keFileRead); }), keErrorBadArgument);
  file.Close();
  EXPECT_EQ(file.Mode(), keFileClosed);

  file.Open(keFileRead);
  char buffer[100] = {};
  EXPECT_EQ(file.Read(buffer, 4, true), 4u);
  EXPECT_EQ(std::string(buffer, 4), "0123");
  EXPECT_EQ(file.Seek(-2, FILE_END), 8u);
  EXPECT_EQ(file.Read(buffer, 100, false), 2u);
  EXPECT_EQ(file.Read(buffer, 100, false), 0u);
  EXPECT_EQ(ThrownCode([&] { file.Read(buffer, 100, true); }), keErrorFileRead);
  file.Seek(5, FILE_BEGIN);
  EXPECT_EQ(ThrownCode([&] { file.Read(buffer, 100, true); }), keErrorFileRead);
  EXPECT_EQ(ThrownCode([&] { file.Seek(0, 3); }), keErrorFileSize);
  EXPECT_EQ(ThrownCode([&] { file.Write("x", 1); }), keErrorBadArgument);
  EXPECT_EQ(ThrownCode([&] { file.Flush(); }), keErrorBadArgument);
  EXPECT_EQ(ThrownCode([&] { file.Read(nullptr, 1, false); }), keErrorBadArgument);

  file.Delete();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ThrownCode([&] { file.Delete(); }), keErrorFileDelete);
  EXPECT_EQ(ThrownCode([&] { file.Open(keFileRead); }), keErrorFileOpenRead);
  EXPECT_EQ(file.Mode(), keFileClosed);
  EXPECT_EQ(ThrownCode([&] { file.GetSize(); }), keErrorBadArgument);
}

TEST(Win32File, ReadWriteModeKeepsContentAndBadModesFail) {
  TempDir dir;
  const std::string path = dir.Path("rw.bin");
  WriteBytes(path, {1, 2, 3});
  Win32File file;
  file.SetName(path.c_str());
  file.Open(keFileReadWrite);
  unsigned char byte = 0;
  file.Read(&byte, 1, true);
  EXPECT_EQ(byte, 1);
  file.Seek(0, FILE_END);
  file.Write("\x04", 1);
  EXPECT_EQ(file.GetSize(), 4u);
  file.Close();
  EXPECT_EQ(ThrownCode([&] { file.Open(7); }), keErrorFileOpenWrite);
  Win32File missingFolder;
  missingFolder.SetName(dir.Path("no/such/file").c_str());
  EXPECT_EQ(ThrownCode([&] { missingFolder.Open(keFileWrite); }), keErrorFileOpenWrite);
}

TEST(Win32File, RewritingKeepsTheReadOnlyAttribute) {
  TempDir dir;
  const std::string path = dir.Path("ro.bin");
  WriteBytes(path, {1, 2, 3, 4});
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  Win32File file;
  file.SetName(path.c_str());
  file.Open(keFileWrite);
  EXPECT_EQ(file.GetSize(), 0u);
  file.Close();
  EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

struct MagicCase {
  const char* name;
  std::vector<unsigned char> bytes;
  int type;
};

TEST(IdentifyImageFile, NamesTypesByTheirFirstBytes) {
  std::vector<unsigned char> tga(18, 0);
  tga[2] = 2;
  tga[12] = 1;
  tga[14] = 1;
  tga[16] = 24;
  std::vector<unsigned char> tgaBadDepth = tga;
  tgaBadDepth[16] = 12;
  std::vector<unsigned char> tgaOrigin = tga;
  tgaOrigin[8] = 1;  // origin equal to the width is allowed
  std::vector<unsigned char> tgaOff = tga;
  tgaOff[8] = 2;
  auto padded = [](std::vector<unsigned char> bytes, std::size_t size) {
    bytes.resize(size, 0);
    return bytes;
  };
  const std::vector<MagicCase> cases = {
      {"bmp20", padded({'B', 'M'}, 20), keImageFileBMP},
      {"gif", padded({'G', 'I', 'F', '8', '9', 'a'}, 40), keImageFileGIF},
      {"gif-no-a", padded({'G', 'I', 'F', '8', '9', 'b'}, 40), keImageFileUnknown},
      {"jpeg", padded({0xFF, 0xD8, 0xFF}, 3000), keImageFileJPEG},
      {"pcx", padded({10, 5, 1, 8}, 128), keImageFilePCX},
      {"pcx-version", padded({10, 6, 1, 8}, 128), keImageFileUnknown},
      {"png", padded({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, 64), keImageFilePNG},
      {"tiff-mm", padded({'M', 'M', 0, '*'}, 64), keImageFileTIFF},
      {"tiff-ii", padded({'I', 'I', '*', 0}, 64), keImageFileTIFF},
      {"wmf", padded({1, 0, 9, 0, 0, 3}, 64), keImageFileWMF},
      {"wmf-placeable", padded({0xD7, 0xCD, 0xC6, 0x9A}, 64), keImageFileWMF},
      {"tga", tga, keImageFileTGA},
      {"tga-origin", tgaOrigin, keImageFileTGA},
      {"tga-bad-depth", tgaBadDepth, keImageFileUnknown},
      {"tga-bad-origin", tgaOff, keImageFileUnknown},
      {"text", padded({'h', 'e', 'l', 'l', 'o'}, 100), keImageFileUnknown},
  };
  TempDir dir;
  for (const MagicCase& c : cases) {
    const std::string path = dir.Path(c.name);
    WriteBytes(path, c.bytes);
    int type = -1;
    CoreResult result = LoadImageFile(path.c_str(), &type);
    EXPECT_EQ(result.GetCode(), 0) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
  }
}

TEST(IdentifyImageFile, ShortMissingAndBadArguments) {
  TempDir dir;
  const std::string shortFile = dir.Path("short");
  WriteBytes(shortFile, {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  int type = -1;
  EXPECT_EQ(LoadImageFile(shortFile.c_str(), &type).GetCode(), keErrorFileRead);
  EXPECT_EQ(type, keImageFileUnknown);
  EXPECT_EQ(LoadImageFile(dir.Path("missing").c_str(), &type).GetCode(), keErrorFileOpenRead);
  EXPECT_EQ(LoadImageFile("", &type).GetCode(), keErrorBadArgument);
  EXPECT_EQ(LoadImageFile(shortFile.c_str(), nullptr).GetCode(), keErrorBadArgument);
  EXPECT_EQ(LoadImageFile(std::string(600, 'x').c_str(), &type).GetCode(), keErrorBadArgument);
  // The caller's file is left closed after a failure.
  Win32File file;
  file.SetName(shortFile.c_str());
  EXPECT_EQ(IdentifyImageFile(file, &type).GetCode(), keErrorFileRead);
  EXPECT_FALSE(file.IsOpen());
}

TEST(IdentifyImageFile, FilesWrittenByImageMagick) {
  if (std::system("test -x /usr/bin/convert") != 0) GTEST_SKIP() << "ImageMagick is not installed";
  TempDir dir;
  const struct {
    const char* extension;
    int type;
  } kinds[] = {{"bmp", keImageFileBMP}, {"gif", keImageFileGIF},  {"jpg", keImageFileJPEG},
               {"png", keImageFilePNG}, {"tif", keImageFileTIFF}, {"tga", keImageFileTGA},
               {"pcx", keImageFilePCX}};
  for (const auto& kind : kinds) {
    const std::string path = dir.Path(std::string("picture.") + kind.extension);
    const std::string command = "/usr/bin/convert -size 7x5 gradient:red-blue '" + path + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << kind.extension;
    int type = -1;
    EXPECT_EQ(LoadImageFile(path.c_str(), &type).GetCode(), 0) << kind.extension;
    EXPECT_EQ(type, kind.type) << kind.extension;
  }
}

}  // namespace
}  // namespace corvel
