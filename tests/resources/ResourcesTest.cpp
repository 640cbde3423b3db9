#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs/ImageFile.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Input.h"
#include "platform/win32/Error.h"
#include "platform/win32/Module.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Version.h"
#include "resources/Resources.h"
#include "resources/tools/Symmetry.h"

namespace {

class Resources : public ::testing::Test {
 protected:
  void SetUp() override { resources::RegisterModuleResources(nullptr); }
  void TearDown() override { resources::UnregisterModuleResources(nullptr); }
};

std::vector<BYTE> Bytes(LPCSTR type, int id) {
  HRSRC found = FindResource(nullptr, MAKEINTRESOURCE(id), type);
  if (!found) return {};
  const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
  return {data, data + SizeofResource(nullptr, found)};
}

std::string Pascal(const std::vector<BYTE>& bytes, std::size_t at) {
  return std::string(reinterpret_cast<const char*>(&bytes[at + 1]), bytes[at]);
}

TEST_F(Resources, PicturesCursorsAndStringsLoadByIdAndAMissingIdFailsCleanly) {
  for (int id = resources::kGroupPictureFirst; id < resources::kGroupPictureFirst + 17; ++id) {
    CImageFile picture;
    ASSERT_TRUE(picture.LoadResource(FindResource(nullptr, MAKEINTRESOURCE(id), "PNG"), keImageFormatPNG))
        << id;
    EXPECT_EQ(picture.GetWidth(), 85u);
    EXPECT_EQ(picture.GetHeight(), 85u);
  }
  CImageFile button;
  ASSERT_TRUE(button.LoadResource(FindResource(nullptr, MAKEINTRESOURCE(104), "PNG"), keImageFormatPNG));
  EXPECT_TRUE(button.AlphaIsValid());
  for (int id : {3007, 3009, 3011, 3026, 3029, 3067})
    EXPECT_NE(LoadCursor(GetModuleHandle(nullptr), MAKEINTRESOURCE(id)), nullptr);

  HINSTANCE module = GetModuleHandle(nullptr);
  HICON icon = static_cast<HICON>(
      LoadImage(module, MAKEINTRESOURCE(resources::kModuleIcon), IMAGE_ICON, 16, 16, 0));
  ASSERT_NE(icon, nullptr);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_EQ(LoadIcon(module, MAKEINTRESOURCE(129)), nullptr);
  const std::vector<BYTE> strip = Bytes(RT_BITMAP, resources::kToolBarPicture);
  ASSERT_GT(strip.size(), 12u);
  EXPECT_EQ(strip[4] | strip[5] << 8, 48);  // 3 x 16 wide

  EXPECT_EQ(FindResource(nullptr, MAKEINTRESOURCE(3061), "PNG"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(LoadCursor(GetModuleHandle(nullptr), MAKEINTRESOURCE(3010)), nullptr);
  CImageFile missing;
  EXPECT_FALSE(missing.LoadResource(nullptr, keImageFormatPNG));

  char text[64];
  EXPECT_EQ(LoadString(nullptr, resources::kProductNameString, text, sizeof text), 12);
  EXPECT_STREQ(text, "Wendle Forge");
  EXPECT_EQ(LoadString(nullptr, 4242, text, sizeof text), 0);
}

TEST_F(Resources, GroupPicturesShowRotationCentresExactlyWhereTheGroupHasThem) {
  auto groups = wf_tools::AllGroups();
  for (std::size_t i = 0; i < groups.size(); ++i) {
    CImageFile picture;
    picture.LoadResource(FindResource(nullptr, MAKEINTRESOURCE(3044 + i), "PNG"), keImageFormatPNG);
    int red = 0;
    for (long y = 0; y < 85; ++y) {
      for (long x = 0; x < 85; ++x) {
        RGBQUAD c = picture.GetPixelColor(x, y);
        red += c.rgbRed == 0xB0 && c.rgbGreen == 0x18 && c.rgbBlue == 0x2C;
      }
    }
    bool turns = !(groups[i].name == "P1" || groups[i].name == "PM" || groups[i].name == "PG" ||
                   groups[i].name == "CM");
    EXPECT_EQ(red > 20, turns) << groups[i].name;
  }
}

// What names the groups: the highest turn, and whether mirrors and glides occur.
TEST(GroupPictures, ElementsFoundFromTheOperationsMatchEachGroup) {
  const struct {
    const char* name;
    int order;
    bool mirrors, glides;
  } expected[] = {{"P1", 1, false, false}, {"P2", 2, false, false}, {"PM", 1, true, false},
                  {"PG", 1, false, true},  {"PMM", 2, true, false}, {"PMG", 2, true, true},
                  {"PGG", 2, false, true}, {"CM", 1, true, true},   {"CMM", 2, true, true},
                  {"P4", 4, false, false}, {"P4M", 4, true, true},  {"P4G", 4, true, true},
                  {"P3", 3, false, false}, {"P3ML", 3, true, true}, {"P3LM", 3, true, true},
                  {"P6", 6, false, false}, {"P6M", 6, true, true}};
  auto groups = wf_tools::AllGroups();
  ASSERT_EQ(groups.size(), 17u);
  for (std::size_t i = 0; i < groups.size(); ++i) {
    SCOPED_TRACE(groups[i].name);
    EXPECT_EQ(groups[i].name, expected[i].name);
    int order = 1;
    for (const auto& centre : wf_tools::RotationCentres(groups[i])) order = std::max(order, centre.order);
    bool mirrors = false, glides = false;
    for (const auto& line : wf_tools::ReflectionLines(groups[i])) (line.mirror ? mirrors : glides) = true;
    EXPECT_EQ(order, expected[i].order);
    EXPECT_EQ(mirrors, expected[i].mirrors);
    EXPECT_EQ(glides, expected[i].glides);
  }
}

TEST_F(Resources, TheVersionBlockAnswersByTheModulesFileName) {
  char path[4096];
  GetModuleFileName(nullptr, path, sizeof path);
  const std::string name = std::filesystem::path(path).filename().string();
  DWORD handle = 1;
  DWORD size = GetFileVersionInfoSize(name.c_str(), &handle);
  ASSERT_GT(size, 0u);
  EXPECT_EQ(handle, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfo(name.c_str(), 0, size, block.data()));
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValue(block.data(), "\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(static_cast<WORD*>(value)[0], 0x0409);
  EXPECT_EQ(static_cast<WORD*>(value)[1], 0x04B0);
  ASSERT_TRUE(VerQueryValue(block.data(), "\\StringFileInfo\\040904B0\\ProductName", &value, &length));
  EXPECT_STREQ(static_cast<char*>(value), "Wendle Forge");
  EXPECT_EQ(length, 13u);
  ASSERT_TRUE(VerQueryValue(block.data(), "\\", &value, &length));
  EXPECT_EQ(static_cast<VS_FIXEDFILEINFO*>(value)->dwSignature, 0xFEEF04BDu);
  EXPECT_FALSE(VerQueryValue(block.data(), "\\StringFileInfo\\040904b0\\Nothing", &value, &length));
  EXPECT_EQ(value, nullptr);

  // A block the size query never filled (its size taken on trust) answers nothing.
  std::vector<BYTE> empty(8, 0xFF);
  EXPECT_FALSE(GetFileVersionInfo(name.c_str(), 0, 0, empty.data()));
  EXPECT_FALSE(VerQueryValue(empty.data(), "\\", &value, &length));
  EXPECT_EQ(GetFileVersionInfoSize("WendleForge.8bf", nullptr), 0u);
}

TEST_F(Resources, PropertyListAndTerminologyDescribeTheFilter) {
  std::vector<BYTE> pipl = Bytes("PiPL", resources::kPluginInfo);
  ASSERT_GT(pipl.size(), 10u);
  std::string keys;
  std::size_t at = 10;
  for (int i = 0; i < 9; ++i) {
    ASSERT_LE(at + 16, pipl.size());
    keys += std::string(reinterpret_cast<const char*>(&pipl[at + 4]), 4) + " ";
    DWORD length;
    std::memcpy(&length, &pipl[at + 12], 4);
    if (i == 1) {
      EXPECT_EQ(Pascal(pipl, at + 16), "Wendle Forge...");
    } else if (i == 4) {
      EXPECT_STREQ(reinterpret_cast<const char*>(&pipl[at + 16]), "ENTRYPOINT");
    }
    at += 16 + ((length + 3) & ~3u);
  }
  EXPECT_EQ(at, pipl.size());
  EXPECT_EQ(keys, "dnik eman gtac srev 68xw mtsh edom lbne icif ");  // codes read reversed

  std::vector<BYTE> aete = Bytes("AETE", resources::kPluginInfo);
  ASSERT_GT(aete.size(), 100u);
  EXPECT_EQ(Pascal(aete, 8), "Veltra Moor");
  const std::string all(aete.begin(), aete.end());
  EXPECT_LT(all.find("\x0a"
                     "Feathering"),
            all.find("\x0c"
                     "Preview Zoom"));
}

}  // namespace
