// The tile window: the tile repeated across the view, dragged and zoomed, its layout and the
// parameters it keeps.
#include "app/TileWindow.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/TilingCommand.h"
#include "platform/ui/Capture.h"
#include "resources/ParameterTable.h"
#include "resources/Resources.h"
#include "resources/dialogs/UiTables.h"
#include "rowops/CoreTables.h"
#include "shapes/UiContext.h"
#include "tests/app/AppFixture.h"
#include "tests/platform/UiFixture.h"

namespace {

using corvel::CRowIteratorBands;

// Every pixel of the tile tells its own place: blue x, green y.
void MakePattern(CRowIteratorBands& image, int width, int height) {
  ASSERT_EQ(image.CreateBGR(width, height).GetCode(), corvel::keErrorNone);
  for (int y = 0; y < height; ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int x = 0; x < width; ++x) row[3 * x] = BYTE(x), row[3 * x + 1] = BYTE(y), row[3 * x + 2] = 90;
    image.UnlockRow(y);
  }
}

// Records the close request the window sends instead of closing.
class Owner : public CWnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == app::TileWindow::kCloseRequest) ++closeRequests;
    return CWnd::WindowProc(message, wParam, lParam);
  }
  int closeRequests = 0;
};

class TileWindowTest : public wf_test::UiTest {
 protected:
  static inline const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(0x7900);
  static void SetUpTestSuite() { corvel::InitCoreTables(nullptr); }
  static void TearDownTestSuite() { corvel::FreeCoreTables(); }
  void SetUp() override {
    UiTest::SetUp();
    setenv("WF_REGISTRY", apptest::TempPath("registry-tile-window").c_str(), 1);
    AfxWinInit(kModule, "/plugins/WendleForge.8bf");
    resources::RegisterModuleResources(kModule);
    wf_resources::RegisterUiTables(kModule);
    command.GetParameters().ResetParameters(false);
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "Panel", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
  }
  void TearDown() override {
    window.DestroyWindow();
    owner.DestroyWindow();
    resources::UnregisterModuleResources(kModule);
    UiTest::TearDown();
  }
  void OpenWith(int tileWidth, int tileHeight, int originalsWidth = 200, int originalsHeight = 150) {
    MakePattern(originals, originalsWidth, originalsHeight);
    MakePattern(tile, tileWidth, tileHeight);
    ASSERT_TRUE(window.Create());
    window.GetWindowRect(&created);
    window.Open(originals);
    window.SetTile(tile);
    window.ShowWindow(SW_SHOW);
  }
  // The scaled tile position shown at a point of the view, as the display holds it.
  CPoint ShownAt(int x, int y) {
    CRowIteratorBands& display = window.GetDisplay();
    const CPoint at = window.GetScrollOffset() + CSize(x, y);
    const BYTE* pixel = display.LockRowPointer(at.y, at.x, 1);
    const CPoint place(pixel[0], pixel[1]);
    display.ReleaseRow(at.y);
    return place;
  }
  static void DragView(const std::vector<POINT>& path) {
    platform::Drag(path);
    platform::PumpMessages();
  }
  CPoint ScreenPoint(int x, int y) {
    CPoint point = window.GetViewArea().TopLeft() + CSize(x, y);
    window.ClientToScreen(&point);
    return point;
  }
  float Float(int id) {
    float value = 0;
    command.GetParameters().GetParameter(id)->GetFloat(&value);
    return value;
  }
  CString Text(int id) {
    CString text;
    window.GetDlgItemText(id, text);
    return text;
  }

  CWinApp app{"Wendle Forge"};
  app::TilingCommand command;
  shapes::UiContextRun run{nullptr, nullptr, &command};
  Owner owner;
  app::TileWindow window{&owner};
  CRowIteratorBands originals, tile;
  CRect created;
};

TEST_F(TileWindowTest, ShowsTheTileRepeatedAndADragWrapsWithoutARender) {
  OpenWith(40, 30);
  ASSERT_TRUE(window.HasWholeTiles());
  EXPECT_EQ(Text(app::TileWindow::kZoomTextItem), "100 %");
  const CRect view = window.GetViewArea();
  const platform::CapturedImage picture = platform::Capture(window.m_hWnd);
  if (const char* dir = std::getenv("WF_CAPTURE_DIR"))
    platform::WritePng(picture, std::string(dir) + "/tile-window.png");
  CRect frame;
  window.GetWindowRect(&frame);
  CPoint origin = view.TopLeft();
  window.ClientToScreen(&origin);
  for (int y = 0; y < view.Height(); y += 7) {
    for (int x = 0; x < view.Width(); x += 5) {
      const std::uint32_t shown = picture.At(origin.x - frame.left + x, origin.y - frame.top + y);
      ASSERT_EQ(shown, 0xFF5A0000u | unsigned(y % 30) << 8 | unsigned(x % 40)) << x << ", " << y;
    }
  }
  const BYTE* before = window.GetDisplay().LockRowPointer(0, 0, 1);
  window.GetDisplay().ReleaseRow(0);
  DragView({ScreenPoint(100, 60), ScreenPoint(60, 80), ScreenPoint(17, 95)});
  EXPECT_EQ(window.GetDisplay().LockRowPointer(0, 0, 1), before) << "whole tiles are only moved";
  window.GetDisplay().ReleaseRow(0);
  EXPECT_EQ(window.GetScrollOffset(), CPoint(83 % 40, 30 - 35 % 30));
  EXPECT_EQ(ShownAt(0, 0), CPoint(83 % 40, 30 - 35 % 30));
}

TEST_F(TileWindowTest, ALargeTileReRendersPastTheDisplaysEdgeWithoutAJump) {
  OpenWith(900, 700, 900, 700);
  ASSERT_FALSE(window.HasWholeTiles());
  EXPECT_EQ(ShownAt(0, 0), CPoint(0, 0)) << "the tile's corner at the view's";
  CPoint at(0, 0);                         // in tile pixels; the pattern repeats every 256
  for (int step = 0; step < 12; ++step) {  // far past the display on both axes
    DragView({ScreenPoint(150, 80), ScreenPoint(10, 10)});
    at = CPoint((at.x + 140) % 900, (at.y + 70) % 700);
    ASSERT_EQ(ShownAt(0, 0), CPoint(at.x % 256, at.y % 256)) << "step " << step;
  }
}

TEST_F(TileWindowTest, ZoomsKeepingTheViewsCornerAndStopsBeforeTheTileVanishes) {
  OpenWith(40, 30);
  DragView({ScreenPoint(50, 50), ScreenPoint(40, 43)});
  const CPoint corner = ShownAt(0, 0);
  window.SendMessage(WM_COMMAND, app::TileWindow::kZoomInItem);
  EXPECT_EQ(Text(app::TileWindow::kZoomTextItem), "120 %");
  EXPECT_FLOAT_EQ(Float(resources::kZoomValue), 1.2f);
  EXPECT_EQ(window.GetScaledTileSize(), CSize(48, 36));
  EXPECT_EQ(window.GetScrollOffset(), CPoint(12, 8)) << corner.x << ", " << corner.y;
  // The originals are large, the shown tile small: "-" stops where the tile would fall to 5 pixels.
  int steps = 0;
  while (window.GetDlgItem(app::TileWindow::kZoomOutItem)->IsWindowEnabled() && steps < 40) {
    window.SendMessage(WM_COMMAND, app::TileWindow::kZoomOutItem);
    ++steps;
  }
  EXPECT_DOUBLE_EQ(window.GetZoom(), 0.2);
  EXPECT_EQ(window.GetScaledTileSize(), CSize(8, 6));
}

TEST_F(TileWindowTest, AStoredZoomTooSmallForTheTileStillShowsIt) {
  command.GetParameters().GetParameter(resources::kZoomValue)->SetFloat(0.03f);
  OpenWith(12, 12, 900, 700);
  EXPECT_NEAR(window.GetZoom(), 0.03, 1e-6);
  EXPECT_EQ(window.GetScaledTileSize(), CSize(1, 1));
  EXPECT_TRUE(CRowIteratorBands::IsValid(&window.GetDisplay()));
  EXPECT_FALSE(window.GetDlgItem(app::TileWindow::kZoomOutItem)->IsWindowEnabled());
}

TEST_F(TileWindowTest, KeepsItsPlacementLayoutAndChoiceInTheParameters) {
  OpenWith(40, 30);
  CRect frame;
  window.GetWindowRect(&frame);
  EXPECT_EQ(frame.TopLeft(), CPoint(100, 100)) << "the stored placement";
  EXPECT_EQ(frame.Size(), CSize(std::max(300, created.Width()), std::max(200, created.Height())))
      << "not below the size it opened at";
  auto place = [this](int id) {
    CRect rect;
    window.GetDlgItem(id)->GetWindowRect(&rect);
    window.ScreenToClient(&rect);
    return rect;
  };
  const CRect check = place(app::TileWindow::kShowOriginalsItem);
  window.SetWindowPos(nullptr, 50, 60, 500, 420, SWP_NOZORDER);
  EXPECT_FLOAT_EQ(Float(resources::kPreviewPlacmentLeft), 50);
  EXPECT_FLOAT_EQ(Float(resources::kPreviewPlacmentBottom), 480);
  CRect client;
  window.GetClientRect(&client);
  EXPECT_EQ(place(app::TileWindow::kShowOriginalsItem).bottom, check.bottom + 420 - frame.Height());
  const int middle = (place(app::TileWindow::kZoomOutItem).left + place(app::TileWindow::kZoomInItem).right) /
                     2;
  EXPECT_NEAR(middle, client.Width() / 2, 1) << "the zoom group stays centred";
  MINMAXINFO info{};
  window.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(CSize(info.ptMinTrackSize), created.Size()) << "never smaller than it opened";

  window.CheckDlgButton(app::TileWindow::kShowOriginalsItem, BST_CHECKED);
  window.SendMessage(WM_COMMAND, MAKEWPARAM(app::TileWindow::kShowOriginalsItem, BN_CLICKED));
  bool shown = false;
  command.GetParameters().GetParameter(resources::kShowOriginal)->GetBool(&shown);
  EXPECT_TRUE(shown);
  EXPECT_EQ(window.GetScaledTileSize(), CSize(200, 150)) << "the originals are shown";

  window.SendMessage(WM_CLOSE);
  EXPECT_EQ(owner.closeRequests, 1);
  EXPECT_TRUE(window.IsWindowVisible()) << "the panel closes it";
}

TEST_F(TileWindowTest, TransparentPartsShowOverWhite) {
  OpenWith(40, 30);
  CRowIteratorBands layer;  // grey 100 at alpha 0, 128 and 255
  ASSERT_EQ(layer.Create(30, 20, corvel::keFormatGreyA).GetCode(), corvel::keErrorNone);
  for (int y = 0; y < 20; ++y) {
    BYTE* row = layer.LockRowPointer(y, 0, -1);
    for (int x = 0; x < 30; ++x) row[2 * x] = 100, row[2 * x + 1] = BYTE(x < 10 ? 0 : x < 20 ? 128 : 255);
    layer.UnlockRow(y);
  }
  window.SetTile(layer);
  CRowIteratorBands& display = window.GetDisplay();
  ASSERT_EQ(display.GetFormat(), corvel::keFormatBGRA);
  const BYTE* row = display.LockRowPointer(0, 0, -1);
  for (auto [x, level] : {std::pair{5, 255}, std::pair{15, 177}, std::pair{25, 100}}) {
    EXPECT_EQ(row[4 * x], level) << x;
    EXPECT_EQ(row[4 * x + 3], 255) << x;
  }
  display.ReleaseRow(0);
}

TEST_F(TileWindowTest, WithoutATileShowsTheOriginalsAndDisablesTheChoice) {
  MakePattern(originals, 200, 150);
  ASSERT_TRUE(window.Create());
  window.Open(originals);
  window.SetTile(tile);
  EXPECT_EQ(window.IsDlgButtonChecked(app::TileWindow::kShowOriginalsItem), BST_CHECKED);
  EXPECT_FALSE(window.GetDlgItem(app::TileWindow::kShowOriginalsItem)->IsWindowEnabled());
  EXPECT_EQ(window.GetScaledTileSize(), CSize(200, 150));
}

TEST(PlaceBesideTest, KeepsTheWindowOnTheWorkAreaAndOffTheDialog) {
  const CRect work(0, 0, 1600, 1000);
  const CSize size(376, 245);
  struct Case {
    const char* what;
    CPoint stored;
    CRect dialog;
    CPoint placed;
  } cases[] = {
      {"over the dialog: to its right", {100, 100}, {400, 135, 1200, 864}, {1200, 135}},
      {"clear of it: where it was", {10, 600}, {400, 135, 1200, 864}, {10, 600}},
      {"off the screen: back on it", {2000, 1200}, {400, 135, 1200, 864}, {1224, 755}},
      {"no room right: left", {1100, 300}, {1000, 135, 1600, 864}, {624, 135}},
      {"no room beside: below", {100, 100}, {0, 100, 1600, 700}, {0, 700}},
      {"no room at all: the roomier side", {100, 100}, {0, 0, 1600, 1000}, {1224, 0}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(app::TileWindow::PlaceBeside(CRect(c.stored, size), c.dialog, work), CRect(c.placed, size))
        << c.what;
}

}  // namespace
