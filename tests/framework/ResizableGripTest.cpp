#include "framework/DialogToolBar.h"
#include "framework/ResizableGrip.h"
#include "tests/platform/UiFixture.h"

namespace {

constexpr UINT kHandled = 32776, kUnhandled = 32778;

// A resizable window with a grip in its corner and a tool bar, as the plug-in dialog has.
class Owner : public CWnd {
 public:
  framework::ResizableGrip grip{*this};
  framework::DialogToolBar bar;

 protected:
  afx_msg void OnSize(UINT type, int cx, int cy) {
    CWnd::OnSize(type, cx, cy);
    grip.Place();
  }
  afx_msg void OnUpdateHandled(CCmdUI* ui) { ui->Enable(TRUE); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Owner, CWnd)
  ON_WM_SIZE()
  ON_UPDATE_COMMAND_UI(kHandled, OnUpdateHandled)
END_MESSAGE_MAP()

class ResizableGripTest : public wf_test::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "Owner", WS_POPUP | WS_VISIBLE | WS_THICKFRAME,
                               CRect(0, 0, 300, 200), nullptr, 0));
    ASSERT_TRUE(owner.grip.Create());
  }
  void TearDown() override {
    owner.DestroyWindow();
    UiTest::TearDown();
  }
  CScrollBar& Grip() { return owner.grip.GetGripWindow(); }
  Owner owner;
};

TEST_F(ResizableGripTest, TheGripSitsInTheCornerFollowsItAndIsDisabledWhileMaximised) {
  const POINT start = platform::CentreOf(Grip());
  platform::Drag({start, {start.x + 40, start.y + 30}});
  platform::PumpMessages();
  CRect window, grip, client;
  owner.GetWindowRect(&window);
  EXPECT_EQ(window.Size(), CSize(340, 230));
  Grip().GetWindowRect(&grip);
  owner.ScreenToClient(&grip);
  owner.GetClientRect(&client);
  EXPECT_EQ(grip, CRect(client.right - GetSystemMetrics(SM_CXVSCROLL),
                        client.bottom - GetSystemMetrics(SM_CYHSCROLL), client.right, client.bottom));

  owner.ModifyStyle(0, WS_MAXIMIZE);
  owner.grip.Place();
  EXPECT_FALSE(Grip().IsWindowEnabled());
  owner.ModifyStyle(WS_MAXIMIZE, 0);
  owner.grip.Place();
  EXPECT_TRUE(Grip().IsWindowEnabled());
}

TEST_F(ResizableGripTest, TheGripAnswersTheCornerItResizesAndLetsGoOfItsProcedureWhenDestroyed) {
  EXPECT_EQ(Grip().SendMessage(WM_NCHITTEST), HTBOTTOMRIGHT);
  Grip().ModifyStyleEx(0, WS_EX_LAYOUTRTL);
  EXPECT_EQ(Grip().SendMessage(WM_NCHITTEST), HTBOTTOMLEFT);
  const HANDLE previous = GetProp(Grip(), "ResizableGrip");
  ASSERT_NE(previous, nullptr);
  Grip().SendMessage(WM_DESTROY);
  EXPECT_EQ(GetProp(Grip(), "ResizableGrip"), nullptr);
  EXPECT_EQ(GetWindowLongPtr(Grip(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(previous));
}

TEST_F(ResizableGripTest, TheToolBarAsksItsParentAndDisablesButtonsWithoutAHandler) {
  ASSERT_TRUE(owner.bar.Create(&owner));
  const UINT ids[] = {kHandled, kUnhandled};
  ASSERT_TRUE(owner.bar.SetButtons(ids, 2));
  // Even an update that does not ask for it disables what nobody handles.
  owner.bar.SendMessage(WM_IDLEUPDATECMDUI, FALSE);
  EXPECT_FALSE(owner.bar.GetButtonStyle(0) & TBBS_DISABLED);
  EXPECT_TRUE(owner.bar.GetButtonStyle(1) & TBBS_DISABLED);

  owner.bar.SetButtonStyle(1, TBBS_BUTTON);
  owner.bar.ShowWindow(SW_HIDE);  // a hidden bar is left alone
  owner.bar.SendMessage(WM_IDLEUPDATECMDUI, TRUE);
  EXPECT_FALSE(owner.bar.GetButtonStyle(1) & TBBS_DISABLED);
}

}  // namespace
