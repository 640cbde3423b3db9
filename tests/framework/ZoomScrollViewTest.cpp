#include "framework/ZoomScrollView.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "platform/ui/Capture.h"
#include "rowops/CoreTables.h"
#include "tests/platform/UiFixture.h"

namespace {

using framework::ZoomScrollView;

struct ZoomLog : framework::ZoomListener {
  std::vector<double> zooms;
  void ShowZoom(double zoom) override { zooms.push_back(zoom); }
};

class ZoomScrollViewTest : public wf_test::UiTest {
 protected:
  static void SetUpTestSuite() { corvel::InitCoreTables(nullptr); }
  static void TearDownTestSuite() { corvel::FreeCoreTables(); }
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(
        parent.CreateEx(0, nullptr, "Parent", WS_POPUP | WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0));
    view = new ZoomScrollView;  // deleted with its window
    view->SetImageProvider(&provider);
    view->SetZoomListener(&log);
    ASSERT_TRUE(view->Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), &parent, 3002));
  }
  void TearDown() override {
    parent.DestroyWindow();
    UiTest::TearDown();
  }
  // A picture whose every pixel tells where it came from: blue = x, green = y.
  void MakeImage(int width, int height, bool alpha = false) {
    corvel::CRowIteratorBands& image = provider.GetSourceImage();
    ASSERT_EQ(alpha ? image.CreateBGRA(width, height).GetCode() : image.CreateBGR(width, height).GetCode(),
              corvel::keErrorNone);
    const int bytes = alpha ? 4 : 3;
    for (int y = 0; y < height; ++y) {
      BYTE* row = image.LockRowPointer(y, 0, -1);
      for (int x = 0; x < width; ++x) {
        row[x * bytes] = static_cast<BYTE>(x);
        row[x * bytes + 1] = static_cast<BYTE>(y);
        row[x * bytes + 2] = 200;
        if (alpha) row[x * bytes + 3] = x < width / 2 ? 0 : 255;
      }
      image.UnlockRow(y);
    }
    view->OnInitialUpdate();
  }
  platform::CapturedImage Picture(const std::string& name) {
    platform::CapturedImage image = platform::Capture(*view);
    if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
      platform::WritePng(image, std::string(dir) + "/" + name + ".png");
    return image;
  }
  CWnd parent;
  framework::HostImage provider;
  ZoomLog log;
  ZoomScrollView* view = nullptr;
};

TEST_F(ZoomScrollViewTest, StepsThroughTheTableAndNeverGoesBelowIt) {
  MakeImage(40, 30);
  const struct {
    double from;
    bool out;
    double to;
  } cases[] = {{1, false, 1.5},       {1.5, false, 2},     {2, false, 3},
               {10, false, 10},       {0.1, true, 0.1},    {0.37, false, 0.5},
               {0.37, true, 1.0 / 3}, {2.0 / 3, false, 1}, {2.0 / 3, true, 0.5}};
  for (const auto& c : cases) {
    view->SetZoom(c.from, ZoomScrollView::kNoAnchor);
    view->ZoomStep(c.out, ZoomScrollView::kNoAnchor);
    EXPECT_DOUBLE_EQ(view->GetZoom(), c.to) << c.from << (c.out ? " out" : " in");
  }
  EXPECT_DOUBLE_EQ(log.zooms.back(), view->GetZoom());
  for (double zoom : {0.05, -2.0, std::numeric_limits<double>::quiet_NaN()}) {
    view->SetZoom(zoom, ZoomScrollView::kNoAnchor);
    EXPECT_DOUBLE_EQ(view->GetZoom(), 0.1) << zoom;
  }
}

TEST_F(ZoomScrollViewTest, FitZoomShowsTheWholeImageAndIsOneWithoutImageOrRoom) {
  EXPECT_DOUBLE_EQ(view->FitZoom(), 1.0);  // no image yet
  MakeImage(600, 100);                     // wider than the 3:2 client: width decides
  EXPECT_DOUBLE_EQ(view->FitZoom(), 0.5);
  MakeImage(20, 40);  // taller: height decides, magnified beyond the table
  EXPECT_DOUBLE_EQ(view->FitZoom(), 5.0);
  view->MoveWindow(0, 0, 0, 0);
  EXPECT_DOUBLE_EQ(view->FitZoom(), 1.0);
}

TEST_F(ZoomScrollViewTest, CentresASmallImageAndMapsPointsBothWays) {
  MakeImage(100, 50);
  EXPECT_EQ(view->CentringOffset(), CPoint(100, 75));
  EXPECT_EQ(view->ImageToClient(POINT{0, 0}), CPoint(100, 75));
  EXPECT_EQ(view->ClientToImage(POINT{150, 100}), CPoint(50, 25));
  const corvel::Point2D margin = view->ClientToImage(corvel::Point2D(50, 75));
  EXPECT_DOUBLE_EQ(margin.x, -50);
  view->SetZoom(2, ZoomScrollView::kNoAnchor);  // 200 x 100 scaled
  EXPECT_EQ(view->CentringOffset(), CPoint(50, 50));
  EXPECT_EQ(view->ImageToClientRect(RECT{0, 0, 100, 50}), CRect(50, 50, 250, 150));
  EXPECT_EQ(view->ClientToImageRect(RECT{50, 50, 250, 150}), CRect(0, 0, 100, 50));
  view->SetCentred(false);
  EXPECT_EQ(view->CentringOffset(), CPoint(0, 0));
}

TEST_F(ZoomScrollViewTest, AnAnchorKeepsItsImagePointAndNoAnchorKeepsTheScroll) {
  MakeImage(400, 300);  // larger than the client at every zoom from 1 up
  view->ScrollToPosition(CPoint(30, 20));
  view->SetZoom(1.5, ZoomScrollView::kNoAnchor);
  EXPECT_EQ(view->GetScrollPosition(), CPoint(30, 20));

  const POINT anchor{100, 80};
  const corvel::Point2D before = view->ClientToImage(corvel::Point2D(anchor.x, anchor.y));
  view->ZoomStep(false, anchor);
  const corvel::Point2D after = view->ImageToClient(before);
  EXPECT_NEAR(after.x, anchor.x, 1.0);
  EXPECT_NEAR(after.y, anchor.y, 1.0);

  // Out far enough for the image to fit: no scroll is left.
  view->SetZoom(0.25, anchor);
  EXPECT_EQ(view->GetScrollPosition(), CPoint(0, 0));
}

TEST_F(ZoomScrollViewTest, PaintsTheImageScaledByNearestPixelsOverACheckerboardWhereTransparent) {
  MakeImage(40, 30);
  view->SetZoom(3, ZoomScrollView::kNoAnchor);  // 120 x 90 at (90, 55)
  platform::CapturedImage opaque = Picture("zoom-view-opaque");
  ASSERT_EQ(opaque.width, 300);
  for (POINT image : {POINT{0, 0}, POINT{13, 7}, POINT{39, 29}}) {
    const std::uint32_t expected = 0xFF000000u | 200u << 16 | static_cast<std::uint32_t>(image.y) << 8 |
                                   static_cast<std::uint32_t>(image.x);
    for (int d : {0, 2}) EXPECT_EQ(opaque.At(90 + 3 * image.x + d, 55 + 3 * image.y + d), expected);
  }
  EXPECT_EQ(opaque.At(10, 10), 0xFF000000u | GetSysColor(COLOR_APPWORKSPACE));

  MakeImage(40, 30, true);  // the left half transparent
  view->SetZoom(3, ZoomScrollView::kNoAnchor);
  platform::CapturedImage alpha = Picture("zoom-view-alpha");
  EXPECT_EQ(alpha.At(90 + 5, 55 + 5), 0xFFFFFFFFu);   // first cell: light
  EXPECT_EQ(alpha.At(90 + 15, 55 + 5), 0xFFC3CDD0u);  // next cell: dark
  EXPECT_EQ(alpha.At(90 + 15, 55 + 15), 0xFFFFFFFFu);
  EXPECT_EQ(alpha.At(90 + 3 * 30, 55), 0xFFC8001Eu);  // opaque pixel (30, 0)
}

}  // namespace
