#include <gtest/gtest.h>

#include "platform/win32/ModuleResource.h"

namespace {
const BYTE kPicture[] = {1, 2, 3};
const BYTE kData[] = {9};
const BinaryResource kTable[] = {
    {"PNG", MAKEINTRESOURCE(3044), kPicture, sizeof(kPicture)},
    {RT_RCDATA, "settings", kData, sizeof(kData)},
};
}  // namespace

TEST(ModuleResource, FindsByIdOrNameAndServesTheBytes) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(0x5000);
  platform::RegisterResourceTable(module, kTable, 2);
  HRSRC picture = FindResource(module, MAKEINTRESOURCE(3044), "png");  // types ignore case
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(SizeofResource(module, picture), 3u);
  HGLOBAL loaded = LoadResource(module, picture);
  EXPECT_EQ(LockResource(loaded), kPicture);
  HRSRC data = FindResource(module, "SETTINGS", RT_RCDATA);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(LockResource(LoadResource(module, data)), kData);

  EXPECT_EQ(FindResource(module, MAKEINTRESOURCE(3045), "PNG"), nullptr);
  EXPECT_EQ(FindResource(module, "settings", "PNG"), nullptr);
  EXPECT_EQ(FindResource(nullptr, MAKEINTRESOURCE(3044), "PNG"), nullptr);
  EXPECT_EQ(LoadResource(module, nullptr), nullptr);
  EXPECT_EQ(SizeofResource(module, nullptr), 0u);
  platform::UnregisterResourceTable(module);
  EXPECT_EQ(FindResource(module, MAKEINTRESOURCE(3044), "PNG"), nullptr);
}
