// The picking popup: its size and place beside the anchor, the ways it ends and what the owner
// is told, the top bar, and how it looks over the group pictures.
#include <gtest/gtest.h>

#include "controls/ThumbnailPopup.h"
#include "framework/ThumbnailImage.h"
#include "platform/ui/Capture.h"
#include "resources/Resources.h"
#include "tests/controls/FakeThumbnailSource.h"
#include "tests/platform/UiFixture.h"
#include "vector/CoreStartup.h"

namespace wf_test {
namespace {

constexpr DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;

class ThumbnailPopupTest : public UiTest {
 protected:
  static void SetUpTestSuite() { corvel::CoreStartup(nullptr); }
  static void TearDownTestSuite() { corvel::CoreShutdown(); }
  void SetUp() override {
    UiTest::SetUp();
    static CWinApp app("Wendle Forge");
    owner = MakeTop({0, 0, 300, 200});
    source.reorder = false;
  }
  CThumbnailPopup* Open(RECT& anchor, bool show = true, CWnd* topBar = nullptr) {
    const RECT none{};
    return CThumbnailPopup::CreatePopup("Pick Up an Image", CWnd::FromHandle(owner), &source, 888, &anchor,
                                        &none, show, topBar);
  }
  // The frame's outer size for a client of that size.
  static SIZE FrameSize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, kFrameStyle, FALSE, WS_EX_TOOLWINDOW);
    return SIZE{r.right - r.left, r.bottom - r.top};
  }

  FakeSource source{17};
  HWND owner = nullptr;
};

TEST_F(ThumbnailPopupTest, SizeFollowsTheItemsAndPlaceTheAnchor) {
  RECT anchor{100, 100, 180, 120};
  CThumbnailPopup* popup = Open(anchor);
  ASSERT_NE(popup, nullptr);
  const int bar = GetSystemMetrics(SM_CXVSCROLL);
  const SIZE outer = FrameSize(4 * 95 + 2 + bar, 4 * 95 + 2);
  EXPECT_EQ(CRect(anchor), CRect(100, 120, 100 + outer.cx, 120 + outer.cy));
  CRect client;
  popup->GetClientRect(&client);
  EXPECT_EQ(client.Height(), 4 * 95 + 2);
  EXPECT_EQ(popup->GetColumns(), 4);
  EXPECT_EQ(::GetFocus(), popup->m_hWnd);
  popup->ClosePopup();

  source.pictures.resize(3);
  RECT small{100, 100, 180, 120};
  popup = Open(small, false);
  const SIZE three = FrameSize(3 * 95 + 2, 95 + 2);
  EXPECT_EQ(small.right - small.left, three.cx);
  EXPECT_EQ(small.bottom - small.top, three.cy);
  popup->ClosePopup();

  // Near the work area's right edge: wholly on it.
  RECT work{};
  GetWorkArea(&work);
  for (RECT edge : {RECT{work.right - 40, 100, work.right - 5, 120},
                    RECT{work.right - 5, work.bottom - 20, work.right, work.bottom}}) {
    const RECT asked = edge;
    popup = Open(edge, false);
    EXPECT_GE(edge.left, work.left) << asked.left << "," << asked.top;
    EXPECT_LE(edge.right, work.right) << asked.left << "," << asked.top;
    EXPECT_GE(edge.top, work.top) << asked.left << "," << asked.top;
    EXPECT_LE(edge.bottom, work.bottom) << asked.left << "," << asked.top;
    popup->ClosePopup();
  }

  // Near the work area's bottom: beside the anchor, bottom-aligned.
  RECT low{100, work.bottom - 30, 180, work.bottom - 10};
  popup = Open(low, false);
  EXPECT_EQ(low.left, 180);
  EXPECT_EQ(low.bottom, work.bottom);
  popup->ClosePopup();
}

TEST_F(ThumbnailPopupTest, EscTellsOnlyTheClosingAndEnterThePickFirst) {
  RECT anchor{10, 10, 50, 30};
  CThumbnailPopup* popup = Open(anchor);
  HWND frame = popup->GetFrame().m_hWnd;
  platform::Key(VK_ESCAPE);
  platform::PumpMessages();
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_TRUE(Messages(TVM_ENDPOPUP).empty());
  ASSERT_EQ(Messages(TVM_POPUPDESTROYING).size(), 1u);
  EXPECT_EQ(Messages(TVM_POPUPDESTROYING)[0].wParam, reinterpret_cast<WPARAM>(frame));

  Log().clear();
  popup = Open(anchor);
  popup->SelectItem(5);
  platform::Key(VK_RETURN);
  platform::PumpMessages();
  ASSERT_EQ(Messages(TVM_ENDPOPUP).size(), 1u);
  EXPECT_EQ(Messages(TVM_ENDPOPUP)[0].lParam, 5);
  EXPECT_EQ(Messages(TVM_POPUPDESTROYING).size(), 1u);
  EXPECT_GE(source.stops, 2);

  // A click picks the item under the pointer.
  Log().clear();
  popup = Open(anchor);
  const CRect cell = popup->GetItemRect(6);
  platform::Click(platform::ClientPoint(popup->m_hWnd, cell.left + 20, cell.top + 20));
  platform::PumpMessages();
  ASSERT_EQ(Messages(TVM_ENDPOPUP).size(), 1u);
  EXPECT_EQ(Messages(TVM_ENDPOPUP)[0].lParam, 6);
}

TEST_F(ThumbnailPopupTest, FocusIntoTheTopBarKeepsItOpen) {
  CWnd* bar = CWnd::FromHandle(MakeChild(owner, {0, 0, 120, 24}));
  RECT anchor{10, 10, 50, 30};
  CThumbnailPopup* popup = Open(anchor, true, bar);
  HWND frame = popup->GetFrame().m_hWnd;
  EXPECT_EQ(::GetParent(bar->m_hWnd), frame);
  platform::MouseMove(platform::ClientPoint(bar->m_hWnd, 5, 5));
  ::SetFocus(bar->m_hWnd);
  platform::PumpMessages();
  EXPECT_TRUE(IsWindow(frame));

  platform::MouseMove(platform::ClientPoint(owner, 250, 150));
  popup->SetFocus();
  ::SetFocus(owner);
  platform::PumpMessages();
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_EQ(::GetParent(bar->m_hWnd), owner);
  EXPECT_FALSE(bar->IsWindowVisible());
}

TEST_F(ThumbnailPopupTest, GroupPicturesLookRight) {
  const HINSTANCE module = reinterpret_cast<HINSTANCE>(0x7600);
  AfxWinInit(module, "/plugins/WendleForge.8bf");
  resources::RegisterModuleResources(module);
  for (int i = 0; i < 17; ++i) ASSERT_EQ(framework::LoadPngResource(3044 + i, *source.pictures[i]), 0);
  RECT anchor{20, 20, 100, 40};
  CThumbnailPopup* popup = Open(anchor);
  popup->SelectItem(9);
  const platform::CapturedImage shot = platform::Capture(popup->GetFrame().m_hWnd);
  if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
    platform::WritePng(shot, std::string(dir) + "/popup.png");
  EXPECT_EQ(shot.width, anchor.right - anchor.left);
  popup->ClosePopup();
  resources::UnregisterModuleResources(module);
}

}  // namespace
}  // namespace wf_test
