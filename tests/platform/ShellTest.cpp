#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/gdi/Gdi.h"
#include "platform/shell/Shell.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Script.h"

namespace {

INT_PTR Code(HINSTANCE answer) { return reinterpret_cast<INT_PTR>(answer); }

class Shell : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("WF_TEST_TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/wf-shell-XXXXXX";
    folder_ = mkdtemp(pattern.data());
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? value : "");
      unsetenv(name);
    }
    platform::ClearShellRequests();
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (!value.empty()) setenv(name.c_str(), value.c_str(), 1);
    }
    std::filesystem::remove_all(folder_);
  }
  std::string File(const char* name) {
    std::string path = folder_ + "/" + name;
    std::ofstream(path) << "x";
    return path;
  }

  std::string folder_;
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(Shell, HeadlessOpenRecordsTheRequestAndRefusesWhatCannotOpen) {
  EXPECT_GT(Code(ShellExecuteA(nullptr, "open", "https://example.org/help", nullptr, nullptr, 1)), 32);
  EXPECT_GT(Code(ShellExecute(nullptr, nullptr, "sh", "\"/a b/help.html\"", nullptr, 1)), 32);
  EXPECT_EQ(Code(ShellExecute(nullptr, "print", "sh", nullptr, nullptr, 1)), SE_ERR_NOASSOC);
  EXPECT_EQ(Code(ShellExecute(nullptr, "open", "", nullptr, nullptr, 1)), SE_ERR_FNF);
  EXPECT_EQ(Code(ShellExecute(nullptr, "open", "/no/such/page.html", nullptr, nullptr, 1)), SE_ERR_FNF);
  auto requests = platform::ShellRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].file, "https://example.org/help");
  EXPECT_EQ(requests[1].parameters, "\"/a b/help.html\"");
  EXPECT_FALSE(requests[0].started || requests[1].started);
}

TEST_F(Shell, WithADisplayTheProgramRunsWithItsParameters) {
  setenv("DISPLAY", ":99", 1);
  const std::string made = folder_ + "/made by touch";
  ASSERT_GT(Code(ShellExecute(nullptr, "open", "touch", ("\"" + made + "\"").c_str(), nullptr, 1)), 32);
  // A real process: wait for what it does, with a generous bound.
  for (int i = 0; i < 500 && !std::filesystem::exists(made); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(std::filesystem::exists(made));
  EXPECT_TRUE(platform::ShellRequests().at(0).started);
}

TEST_F(Shell, DeletionAsksFirstAndANoKeepsTheFile) {
  const std::string preset = File("Sunset.preset");
  const std::string list = preset + '\0';
  SHFILEOPSTRUCT operation{nullptr, FO_DELETE, list.c_str(), nullptr, FOF_SILENT, FALSE, nullptr, nullptr};
  platform::EventScript script;
  script.AnswerMessageBox(IDNO).AnswerMessageBox(IDYES);
  EXPECT_EQ(SHFileOperation(&operation), 0);
  EXPECT_TRUE(operation.fAnyOperationsAborted);
  EXPECT_TRUE(std::filesystem::exists(preset));
  EXPECT_EQ(SHFileOperation(&operation), 0);
  EXPECT_FALSE(operation.fAnyOperationsAborted);
  EXPECT_FALSE(std::filesystem::exists(preset));
  ASSERT_EQ(script.MessageBoxes().size(), 2u);
  EXPECT_EQ(script.MessageBoxes()[0].text, "Are you sure you want to delete 'Sunset.preset'?");
  EXPECT_EQ(SHFileOperation(&operation), static_cast<int>(ERROR_FILE_NOT_FOUND));

  // Without confirmation, several paths and a folder with what it holds go at once.
  std::filesystem::create_directories(folder_ + "/Presets/inner");
  const std::string two = File("a") + '\0' + folder_ + "/Presets" + '\0';
  operation.pFrom = two.c_str();
  operation.fFlags = FOF_NOCONFIRMATION;
  EXPECT_EQ(SHFileOperation(&operation), 0);
  EXPECT_TRUE(std::filesystem::is_empty(folder_));
}

TEST_F(Shell, FileInformationNamesTheFileAndItsKind) {
  SHFILEINFO info;
  ASSERT_NE(
      SHGetFileInfo(File("tile.png").c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME | SHGFI_TYPENAME), 0u);
  EXPECT_STREQ(info.szDisplayName, "tile.png");
  EXPECT_STREQ(info.szTypeName, "PNG File");
  EXPECT_EQ(info.iIcon, 0);
  ASSERT_NE(SHGetFileInfo(folder_.c_str(), 0, &info, sizeof info, SHGFI_TYPENAME), 0u);
  EXPECT_STREQ(info.szTypeName, "File folder");
  EXPECT_EQ(info.iIcon, 1);
  EXPECT_EQ(SHGetFileInfo((folder_ + "/none").c_str(), 0, &info, sizeof info, 0), 0u);
  EXPECT_NE(SHGetFileInfo("P4M", FILE_ATTRIBUTE_NORMAL, &info, sizeof info, SHGFI_USEFILEATTRIBUTES), 0u);
  EXPECT_EQ(info.hIcon, nullptr);
  for (UINT size : {SHGFI_LARGEICON, SHGFI_SMALLICON}) {
    ASSERT_NE(SHGetFileInfo(folder_.c_str(), 0, &info, sizeof info, SHGFI_ICON | size), 0u);
    ICONINFO parts;
    ASSERT_TRUE(GetIconInfo(info.hIcon, &parts));
    DeleteObject(parts.hbmColor);
    DeleteObject(parts.hbmMask);
    EXPECT_EQ(parts.xHotspot, size == SHGFI_SMALLICON ? 8u : 16u);
    EXPECT_TRUE(DestroyIcon(info.hIcon));
  }
}

TEST(Module, TheProgramIsFoundByNameByAddressAndByNull) {
  char path[4096];
  DWORD length = GetModuleFileName(nullptr, path, sizeof path);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::filesystem::path(path), std::filesystem::canonical("/proc/self/exe"));
  HMODULE program = GetModuleHandle(nullptr);
  ASSERT_NE(program, nullptr);
  EXPECT_EQ(GetModuleHandleA(std::filesystem::path(path).filename().c_str()), program);
  EXPECT_EQ(platform::ModuleOfAddress(reinterpret_cast<const void*>(&Code)), program);
  EXPECT_EQ(GetModuleFileNameA(program, path, sizeof path), length);

  char small[4];
  EXPECT_EQ(GetModuleFileName(nullptr, small, sizeof small), 4u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::string(small), std::string(path, 3));
  EXPECT_EQ(GetModuleHandle("WendleForge.8bf"), nullptr);
  EXPECT_EQ(GetModuleFileName(reinterpret_cast<HMODULE>(0x10), path, sizeof path), 0u);
}

}  // namespace
