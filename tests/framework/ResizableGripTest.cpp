#include "framework/ResizableGrip.h"

#include "tests/platform/UiFixture.h"

namespace {

using framework::ResizableGrip;

// A resizable window that keeps its grip in the corner, as the plug-in dialog does.
class GripOwner : public CWnd {
 public:
  ResizableGrip grip{*this};

 protected:
  afx_msg void OnSize(UINT type, int cx, int cy) {
    CWnd::OnSize(type, cx, cy);
    grip.Place();
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(GripOwner, CWnd)
  ON_WM_SIZE()
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
  // The grip's rectangle in the owner's client coordinates.
  CRect GripRect() {
    CRect rect;
    owner.grip.GetGripWindow().GetWindowRect(&rect);
    owner.ScreenToClient(&rect);
    return rect;
  }
  CRect Client() {
    CRect client;
    owner.GetClientRect(&client);
    return client;
  }
  GripOwner owner;
};

TEST_F(ResizableGripTest, SitsInTheCornerAndFollowsItWhenDraggedToResize) {
  const int width = GetSystemMetrics(SM_CXVSCROLL), height = GetSystemMetrics(SM_CYHSCROLL);
  EXPECT_EQ(GripRect(),
            CRect(Client().right - width, Client().bottom - height, Client().right, Client().bottom));
  EXPECT_TRUE(owner.grip.GetGripWindow().IsWindowVisible());

  POINT start = platform::CentreOf(owner.grip.GetGripWindow());
  platform::Drag({start, {start.x + 40, start.y + 30}});
  platform::PumpMessages();
  CRect window;
  owner.GetWindowRect(&window);
  EXPECT_EQ(window.Size(), CSize(340, 230));
  EXPECT_EQ(GripRect().BottomRight(), Client().BottomRight());
}

TEST_F(ResizableGripTest, IsDisabledWhileTheOwnerIsMaximised) {
  owner.ModifyStyle(0, WS_MAXIMIZE);
  owner.grip.Place();
  EXPECT_FALSE(owner.grip.GetGripWindow().IsWindowEnabled());
  owner.ModifyStyle(WS_MAXIMIZE, 0);
  owner.grip.Place();
  EXPECT_TRUE(owner.grip.GetGripWindow().IsWindowEnabled());
}

TEST_F(ResizableGripTest, AnswersTheCornerItResizesAndLetsGoOfItsProcedureWhenDestroyed) {
  HWND grip = owner.grip.GetGripWindow();
  const LPARAM at = MAKELPARAM(0, 0);
  EXPECT_EQ(SendMessage(grip, WM_NCHITTEST, 0, at), HTBOTTOMRIGHT);
  SetWindowLongPtr(grip, GWL_EXSTYLE, GetWindowLongPtr(grip, GWL_EXSTYLE) | WS_EX_LAYOUTRTL);
  EXPECT_EQ(SendMessage(grip, WM_NCHITTEST, 0, at), HTBOTTOMLEFT);

  const HANDLE previous = GetProp(grip, "ResizableGrip");
  ASSERT_NE(previous, nullptr);
  SendMessage(grip, WM_DESTROY, 0, 0);
  EXPECT_EQ(GetProp(grip, "ResizableGrip"), nullptr);
  EXPECT_EQ(GetWindowLongPtr(grip, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(previous));
}

}  // namespace
