#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32/Win32.h"

namespace {

std::string TempFolder() {
  char path[MAX_PATH];
  EXPECT_GT(GetTempPathA(MAX_PATH, path), 0u);
  return path;
}

bool Exists(const std::string& name) { return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(Files, WriteSeekReadAndDelete) {
  char name[MAX_PATH];
  ASSERT_NE(GetTempFileNameA(TempFolder().c_str(), "~WFT", 0, name), 0u);
  HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD count = 0;
  EXPECT_TRUE(WriteFile(file, "hello world", 11, &count, nullptr));
  EXPECT_EQ(count, 11u);
  EXPECT_EQ(GetFileSize(file, nullptr), 11u);
  EXPECT_EQ(SetFilePointer(file, -5, nullptr, FILE_END), 6u);
  char buffer[16] = {};
  EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(count, 5u);
  EXPECT_STREQ(buffer, "world");
  EXPECT_TRUE(ReadFile(file, buffer, 4, &count, nullptr));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
  EXPECT_TRUE(FlushFileBuffers(file));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_FALSE(CloseHandle(file));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_TRUE(DeleteFileA(name));
  EXPECT_FALSE(Exists(name));
  EXPECT_FALSE(DeleteFileA(name));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(Files, DispositionsAndReadOnlyAttribute) {
  char unique[MAX_PATH];
  ASSERT_NE(GetTempFileNameA(TempFolder().c_str(), "~WFT", 0, unique), 0u);
  ASSERT_TRUE(DeleteFileA(unique));
  const std::string name = unique;
  EXPECT_EQ(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_EQ(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);

  EXPECT_EQ(GetFileAttributesA(name.c_str()), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesA(name.c_str()), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(DeleteFileA(name.c_str()));
}

TEST(FileMapping, GrowsTheFileAndSharesViewsWithIt) {
  char name[MAX_PATH];
  ASSERT_NE(GetTempFileNameA(TempFolder().c_str(), "~WFT", 0, name), 0u);
  HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 3 * kAllocationGranularity, nullptr);
  ASSERT_NE(mapping, nullptr);
  EXPECT_EQ(GetFileSize(file, nullptr), 3 * kAllocationGranularity);

  auto* whole = static_cast<BYTE*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(whole[3 * kAllocationGranularity - 1], 0);
  whole[kAllocationGranularity + 7] = 42;
  auto* second = static_cast<BYTE*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, kAllocationGranularity, 100));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second[7], 42);

  EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 100, 0), nullptr);  // not on a granule
  EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 3 * kAllocationGranularity + 1), nullptr);
  EXPECT_TRUE(UnmapViewOfFile(second));
  EXPECT_FALSE(UnmapViewOfFile(second));
  EXPECT_TRUE(UnmapViewOfFile(whole));
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(name));
}

TEST(TempFileName, IsUniqueAndCarriesThePrefix) {
  const std::string folder = TempFolder();
  char first[MAX_PATH], second[MAX_PATH];
  ASSERT_NE(GetTempFileNameA(folder.c_str(), "~WVK", 0, first), 0u);
  ASSERT_NE(GetTempFileNameA(folder.c_str(), "~WVK", 0, second), 0u);
  EXPECT_STRNE(first, second);
  EXPECT_EQ(std::string(first).rfind(folder + "~WVK", 0), 0u);
  EXPECT_TRUE(Exists(first));
  DeleteFileA(first);
  DeleteFileA(second);
}

}  // namespace
