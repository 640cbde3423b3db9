#include "framework/AboutBox.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/PluginApp.h"
#include "platform/ui/Capture.h"
#include "platform/ui/Script.h"
#include "platform/win32/Module.h"
#include "platform/win32/ModuleResource.h"
#include "platform/win32/Version.h"
#include "resources/Resources.h"
#include "resources/dialogs/UiTables.h"
#include "tests/platform/UiFixture.h"

namespace {

using framework::CAboutDlg;

std::string ProgramFileName() {
  char path[4096];
  const DWORD length = GetModuleFileName(nullptr, path, sizeof path);
  return std::filesystem::path(std::string(path, length)).filename().string();
}

class AboutBoxTest : public wf_test::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    static CWinApp app("Wendle Forge");
    AfxWinInit(kModule, "/plugins/WendleForge.8bf");
    wf_resources::RegisterUiTables(kModule);
  }
  void TearDown() override {
    platform::UnregisterResourceTable(nullptr);
    UiTest::TearDown();
  }
  // The four lines the box shows, read off the active window.
  static std::string Lines() {
    std::string lines;
    for (int id = CAboutDlg::kNameItem; id <= CAboutDlg::kDescriptionItem; ++id) {
      char text[256] = "";
      GetDlgItemText(GetActiveWindow(), id, text, sizeof text);
      lines += std::string(text) + "|";
    }
    return lines;
  }
  static inline const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(0x7700);
};

TEST_F(AboutBoxTest, LaterTranslationsOverrideEarlierOnesLineByLine) {
  static const std::vector<BYTE> block = platform::MakeVersionBlock(
      VS_FIXEDFILEINFO{},
      {{0x0409, 0x04B0, {{"ProductName", "First"}, {"Comments", "One"}, {"CompanyName", "Co"}}},
       {0x0407, 0x04E4, {{"ProductName", "X"}, {"ProductVersion", "1.2"}, {"LegalCopyright", "(C) "}}}});
  static const BinaryResource table[] = {
      {RT_VERSION, MAKEINTRESOURCE(1), block.data(), static_cast<DWORD>(block.size())}};
  platform::RegisterResourceTable(nullptr, table, 1);
  CAboutDlg box;
  box.ReadVersionBlock(ProgramFileName().c_str());
  EXPECT_STREQ(box.name, "X Version 1.2");
  EXPECT_STREQ(box.vendor, "(C) ");
  EXPECT_STREQ(box.authors, "Veltramoor Software");
  EXPECT_STREQ(box.description, "One");

  CAboutDlg missing;  // no such module: every line keeps its default
  missing.ReadVersionBlock("NoSuchModule.8bf");
  EXPECT_STREQ(missing.name, "Veltramoor plug-in");
  EXPECT_STREQ(missing.vendor, "Copyright (C) Veltra Moor");
}

TEST_F(AboutBoxTest, ShowsTheModulesVersionBlockAndClosesOnAClick) {
  resources::RegisterModuleResources(nullptr);
  CAboutDlg box;
  box.ReadVersionBlock(ProgramFileName().c_str());
  std::string lines;
  platform::EventScript script;
  script
      .Then("look",
            [&lines] {
              lines = Lines();
              if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
                platform::Capture(GetActiveWindow(), std::string(dir) + "/about-box.png");
            })
      .Click("the box", [] { return platform::CentreOf(GetActiveWindow()); });
  EXPECT_EQ(box.DoModal(), 0);
  EXPECT_EQ(lines.rfind("Wendle Forge Version ", 0), 0u) << lines;
  EXPECT_NE(lines.find("|Copyright (C) 2026 Veltra Moor|Veltramoor Software|Makes seamless tiles"),
            std::string::npos)
      << lines;
}

TEST_F(AboutBoxTest, TheAboutSelectorShowsTheBoxWithDefaultsWhereTheModuleHasNoBlock) {
  framework::PluginApp app;
  std::string lines;
  platform::EventScript script;
  script.Then("look", [&lines] { lines = Lines(); }).Click("the box", [] {
    return platform::CentreOf(GetActiveWindow());
  });
  std::int16_t result = 1;
  framework::DispatchSelector(app, host::filterSelectorAbout, nullptr, nullptr, &result);
  EXPECT_EQ(result, host::noErr);
  EXPECT_EQ(
      lines,
      "Veltramoor plug-in|Copyright (C) Veltra Moor|Veltramoor Software|A filter plug-in for image editors|");
  EXPECT_EQ(script.Remaining(), 0u);
}

}  // namespace
