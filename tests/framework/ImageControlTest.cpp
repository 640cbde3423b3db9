#include "framework/ImageControl.h"

#include "platform/ui/ShownPixels.h"
#include "rowops/CoreTables.h"
#include "tests/platform/UiFixture.h"

namespace {

constexpr COLORREF kParentColour = RGB(10, 200, 30);
constexpr int kItem = 1030;

// A parent that erases in a colour of its own, so that what the control leaves shows.
class Parent : public CWnd {
 protected:
  afx_msg BOOL OnEraseBkgnd(CDC* dc) {
    CRect client;
    GetClientRect(&client);
    dc->FillSolidRect(&client, kParentColour);
    return TRUE;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Parent, CWnd)
  ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

class ImageControlTest : public wf_test::UiTest {
 protected:
  static void SetUpTestSuite() { corvel::InitCoreTables(nullptr); }
  static void TearDownTestSuite() { corvel::FreeCoreTables(); }
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(
        parent.CreateEx(0, nullptr, "Parent", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 150), nullptr, 0));
    placeholder = CreateWindowEx(0, WC_STATIC, "", WS_CHILD | WS_VISIBLE | SS_LEFT, 20, 30, 60, 40, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kItem)), nullptr, nullptr);
    ASSERT_TRUE(control.CreateOverItem(&parent, kItem, WS_DISABLED));
  }
  void TearDown() override {
    parent.DestroyWindow();
    UiTest::TearDown();
  }
  platform::ShownPixels shown;
  Parent parent;
  HWND placeholder = nullptr;
  framework::ImageControl control;
};

TEST_F(ImageControlTest, TakesThePlaceholdersPlaceIdAndStyle) {
  EXPECT_FALSE(IsWindow(placeholder));
  EXPECT_EQ(parent.GetDlgItem(kItem), &control);
  CRect rect;
  control.GetWindowRect(&rect);
  parent.ScreenToClient(&rect);
  EXPECT_EQ(rect, CRect(20, 30, 80, 70));
  EXPECT_EQ(control.GetStyle() & (WS_VISIBLE | WS_DISABLED | WS_CHILD), WS_VISIBLE | WS_DISABLED | WS_CHILD);
}

TEST_F(ImageControlTest, CentresTheImageAndErasesThroughTheParentWhenEmptied) {
  corvel::CRowIteratorBands image;  // blue = x, green = y, larger than the 60 x 40 control
  ASSERT_EQ(image.CreateBGR(100, 80).GetCode(), corvel::keErrorNone);
  for (int y = 0; y < 80; ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int x = 0; x < 100; ++x) {
      row[3 * x] = static_cast<BYTE>(x);
      row[3 * x + 1] = static_cast<BYTE>(y);
      row[3 * x + 2] = 0;
    }
    image.UnlockRow(y);
  }
  ASSERT_EQ(control.SetImage(image).GetCode(), corvel::keErrorNone);
  // What is shown right after, without a repaint: the control has no background to erase.
  platform::CapturedImage now = shown.Capture(control);
  ASSERT_EQ(now.width, 60);
  EXPECT_EQ(now.At(0, 0), 0xFF001414u);  // image pixel (20, 20)
  EXPECT_EQ(now.At(59, 39), 0xFF003B4Fu);

  corvel::CRowIteratorBands empty;
  ASSERT_EQ(control.SetImage(empty).GetCode(), corvel::keErrorNone);
  now = shown.Capture(control);
  EXPECT_EQ(now.At(30, 20), 0xFF000000u | 10u << 16 | 200u << 8 | 30u);
}

}  // namespace
