// The filter linked into the test with the module's resources, ready to run with its dialog
// through the host's selectors; each test with a registry file of its own.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>

#include "AppFixture.h"
#include "resources/Resources.h"
#include "resources/dialogs/UiTables.h"
#include "tests/platform/UiFixture.h"

namespace apptest {

class LinkedDialogTest : public wf_test::UiTest {
 protected:
  static inline const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(0x7a00);
  void SetUp() override {
    UiTest::SetUp();
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string registry = TempPath("registry-dialog-run-" + name);
    std::remove(registry.c_str());
    setenv("WF_REGISTRY", registry.c_str(), 1);
    static CWinApp app("Wendle Forge");
    AfxWinInit(kModule, "/plugins/WendleForge.8bf");
    resources::RegisterModuleResources(kModule);
    wf_resources::RegisterUiTables(kModule);
    ASSERT_TRUE(linked.InitInstance());
    LinkedApp() = &linked;
  }
  void TearDown() override {
    if (linked.GetCommand()) linked.GetCommand()->StopRender();
    LinkedApp() = nullptr;
    resources::UnregisterModuleResources(kModule);
    UiTest::TearDown();
  }

  app::TilingApp linked;
};

}  // namespace apptest
