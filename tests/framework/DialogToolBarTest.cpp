#include "framework/DialogToolBar.h"

#include "tests/platform/UiFixture.h"

namespace {

constexpr UINT kHandled = 32776, kUnhandled = 32778;

class ToolBarOwner : public CWnd {
 public:
  framework::DialogToolBar bar;

 protected:
  afx_msg void OnUpdateHandled(CCmdUI* ui) { ui->Enable(TRUE); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ToolBarOwner, CWnd)
  ON_UPDATE_COMMAND_UI(kHandled, OnUpdateHandled)
END_MESSAGE_MAP()

class DialogToolBarTest : public wf_test::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(
        owner.CreateEx(0, nullptr, "Owner", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 100), nullptr, 0));
    ASSERT_TRUE(owner.bar.Create(&owner));
    const UINT ids[] = {kHandled, kUnhandled};
    ASSERT_TRUE(owner.bar.SetButtons(ids, 2));
  }
  void TearDown() override {
    owner.DestroyWindow();
    UiTest::TearDown();
  }
  bool Disabled(UINT id) {
    return (owner.bar.GetButtonStyle(owner.bar.CommandToIndex(id)) & TBBS_DISABLED) != 0;
  }
  ToolBarOwner owner;
};

TEST_F(DialogToolBarTest, IdleUpdateAsksTheParentAndDisablesButtonsWithoutAHandler) {
  // Even an update that does not ask for it disables what nobody handles.
  owner.bar.SendMessage(WM_IDLEUPDATECMDUI, FALSE, 0);
  EXPECT_FALSE(Disabled(kHandled));
  EXPECT_TRUE(Disabled(kUnhandled));
}

TEST_F(DialogToolBarTest, AHiddenBarIsNotUpdated) {
  owner.bar.ShowWindow(SW_HIDE);
  owner.bar.SendMessage(WM_IDLEUPDATECMDUI, TRUE, 0);
  EXPECT_FALSE(Disabled(kUnhandled));
}

}  // namespace
