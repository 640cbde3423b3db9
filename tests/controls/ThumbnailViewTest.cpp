// The thumbnail grid: its geometry and hit test, keyboard and mouse selection with what the
// parent is told, a drag that reorders, and the tooltip of a resting pointer.
#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/ImageFile.h"
#include "controls/ThumbnailView.h"
#include "framework/ThumbnailList.h"
#include "platform/ui/Capture.h"
#include "platform/win32/Clock.h"
#include "tests/controls/FakeThumbnailSource.h"
#include "tests/platform/UiFixture.h"
#include "vector/CoreStartup.h"

namespace wf_test {
namespace {

// Labels its items with their file names, as the filter does.
class NamedList : public framework::ThumbnailList {
  bool OnItemAdded(int index) override {
    framework::ThumbnailItem* item = ItemAt(index);
    item->label = std::filesystem::path(item->path).filename().string();
    return false;
  }
};

class ThumbnailViewTest : public UiTest {
 protected:
  static void SetUpTestSuite() { corvel::CoreStartup(nullptr); }
  static void TearDownTestSuite() { corvel::CoreShutdown(); }
  void SetUp() override {
    UiTest::SetUp();
    static CWinApp app("Wendle Forge");
    parent = MakeTop({0, 0, 500, 500});
  }
  // 4 columns of 95-pixel cells beside the scroll bar, 2 rows shown.
  CThumbnailView* MakeView(ThumbnailSource* source, int width = 4 * 95 + 5 + GetSystemMetrics(SM_CXVSCROLL),
                           int height = 2 * 95) {
    auto* view = new CThumbnailView;  // deleted with its window
    EXPECT_TRUE(view->Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, width, height),
                             CWnd::FromHandle(parent), 888));
    view->SetSource(source);
    view->OnInitialUpdate();
    platform::PumpMessages();
    return view;
  }
  POINT CellCentre(CThumbnailView* view, int index) {
    const CRect cell = view->GetItemRect(index);
    return platform::ClientPoint(view->m_hWnd, cell.left + 40, cell.top + 40);
  }

  // Sources outlive the views, which the fixture's tear-down destroys.
  template <class Source, class... Args>
  Source& Own(Args&&... args) {
    sources.push_back(std::make_unique<Source>(std::forward<Args>(args)...));
    return static_cast<Source&>(*sources.back());
  }

  platform::VirtualClockScope clock;
  std::vector<std::unique_ptr<ThumbnailSource>> sources;
  HWND parent = nullptr;
};

TEST_F(ThumbnailViewTest, GridGeometryAndHitTestEdges) {
  FakeSource& source = Own<FakeSource>(9);
  CThumbnailView* view = MakeView(&source);
  EXPECT_EQ(view->GetItemSize().cx, 95);
  EXPECT_EQ(view->GetColumns(), 4);
  EXPECT_EQ(view->GetItemRect(6), CRect(190, 95, 285, 190));
  EXPECT_EQ(view->HitTest(CPoint(379, 10)), 3);
  EXPECT_EQ(view->HitTest(CPoint(380, 10)), -1);  // past the last column, not the next row
  EXPECT_EQ(view->HitTest(CPoint(10, 95 * 2 + 1)), -1);
  EXPECT_EQ(view->HitTest(CPoint(100, 100)), 5);

  CThumbnailView* narrow = MakeView(&source, 50, 200);
  EXPECT_EQ(narrow->GetColumns(), 1);
  EXPECT_EQ(narrow->HitTest(CPoint(10, 96)), 1);
}

TEST_F(ThumbnailViewTest, PaintsCellsAndFillsTheEmptyOnesOfTheLastRow) {
  FakeSource& source = Own<FakeSource>(9);
  CThumbnailView* view = MakeView(&source, 4 * 95 + 5 + GetSystemMetrics(SM_CXVSCROLL), 3 * 95 + 20);
  view->SelectItem(1);
  const platform::CapturedImage shot = platform::Capture(view->m_hWnd);
  if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
    platform::WritePng(shot, std::string(dir) + "/thumbnail-view.png");
  const std::uint32_t window = 0xFF000000u | (GetRValue(GetSysColor(COLOR_WINDOW)) << 16) |
                               (GetGValue(GetSysColor(COLOR_WINDOW)) << 8) |
                               GetBValue(GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(shot.At(95 + 47, 2 * 95 + 47), window);  // after the last item
  EXPECT_EQ(shot.At(3 * 95 + 5, 2 * 95 + 5), window);
  EXPECT_EQ(shot.At(47, 2 * 95 + 47), 0xFF000000u | (0 << 16) | (100 << 8) | 200);  // item 8's picture
  EXPECT_EQ(shot.At(95 + 5, 47), 0xFF000000u | (200 << 16) | (220 << 8) | 255);     // selected cell
  EXPECT_EQ(shot.At(5, 47), 0xFFFFFFFFu);
}

TEST_F(ThumbnailViewTest, KeysMoveAndShiftSelectsTheRange) {
  FakeSource& source = Own<FakeSource>(20);
  CThumbnailView* view = MakeView(&source);
  platform::Click(CellCentre(view, 2));
  platform::PumpMessages();
  EXPECT_EQ(view->GetCurrentItem(), 2);
  ASSERT_EQ(Messages(TVM_SELCHANGE).size(), 1u);

  platform::KeyDown(VK_SHIFT);
  platform::Key(VK_DOWN);
  platform::KeyUp(VK_SHIFT);
  platform::PumpMessages();
  EXPECT_EQ(view->GetSelection(), (std::set<int>{2, 3, 4, 5, 6}));
  const auto changes = Messages(TVM_SELCHANGE);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes.back().wParam, reinterpret_cast<WPARAM>(view));
  EXPECT_EQ(changes.back().lParam, 6);

  platform::Key(VK_END);
  platform::PumpMessages();
  EXPECT_EQ(view->GetSelection(), (std::set<int>{19}));
  platform::KeyDown(VK_CONTROL);
  platform::Key('A');
  platform::KeyUp(VK_CONTROL);
  platform::PumpMessages();
  EXPECT_EQ(view->GetSelection().size(), 20u);
}

TEST_F(ThumbnailViewTest, ArrowsStopAtTheEndsWithoutTellingTheParent) {
  FakeSource& source = Own<FakeSource>(20);
  CThumbnailView* view = MakeView(&source);
  platform::Click(CellCentre(view, 2));
  const struct {
    UINT jump, step;
    int end;
  } ends[] = {{VK_END, VK_RIGHT, 19}, {VK_HOME, VK_LEFT, 0}};
  for (const auto& e : ends) {
    platform::Key(e.jump);
    platform::PumpMessages();
    ASSERT_EQ(view->GetCurrentItem(), e.end);
    const std::size_t told = Messages(TVM_SELCHANGE).size();
    platform::Key(e.step);
    platform::PumpMessages();
    EXPECT_EQ(view->GetCurrentItem(), e.end);
    EXPECT_EQ(view->GetSelection(), (std::set<int>{e.end}));
    EXPECT_EQ(Messages(TVM_SELCHANGE).size(), told) << "nothing past the end to tell";
  }
}

TEST_F(ThumbnailViewTest, AClickOnAScrolledGridPicksTheItemUnderThePointer) {
  FakeSource& source = Own<FakeSource>(20);
  CThumbnailView* view = MakeView(&source);
  view->SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
  platform::PumpMessages();
  const CPoint scroll = view->GetScrollPosition();
  ASSERT_GT(scroll.y, 0);
  for (int item : {9, 14}) {
    CRect cell = view->GetItemRect(item);
    cell.OffsetRect(-scroll);
    ASSERT_GE(cell.top, 0) << item << " is shown";
    platform::Click(platform::ClientPoint(view->m_hWnd, cell.left + 40, cell.top + 40));
    platform::PumpMessages();
    EXPECT_EQ(view->GetCurrentItem(), item);
    EXPECT_EQ(Messages(TVM_SELCHANGE).back().lParam, item);
  }
}

TEST_F(ThumbnailViewTest, ClicksShortDragsAndDropsAsThePartyIsTold) {
  FakeSource& source = Own<FakeSource>(8);
  CThumbnailView* view = MakeView(&source);
  platform::Click(CellCentre(view, 1));
  platform::PumpMessages();
  ASSERT_EQ(Messages(TVM_SELCHANGE).size(), 1u);
  platform::Click(CellCentre(view, 1));  // the current item again
  POINT from = CellCentre(view, 1);
  platform::Drag({from, {from.x + 6, from.y + 6}});  // under the threshold: a click
  platform::PumpMessages();
  EXPECT_EQ(Messages(TVM_SELCHANGE).size(), 1u);
  EXPECT_TRUE(source.moves.empty());

  // Onto the right half of item 3: the selection goes before item 4.
  const CRect target = view->GetItemRect(3);
  platform::Drag(
      {from, {from.x + 20, from.y}, platform::ClientPoint(view->m_hWnd, target.right - 10, target.top + 30)});
  platform::PumpMessages();
  ASSERT_EQ(source.moves.size(), 1u);
  EXPECT_EQ(source.moves[0].first, (std::vector<int>{1}));
  EXPECT_EQ(source.moves[0].second, 4);
  EXPECT_EQ(Messages(TVM_SELCHANGE).size(), 2u);

  platform::DoubleClick(CellCentre(view, 5));
  platform::PumpMessages();
  EXPECT_EQ(source.opened, (std::vector<int>{5}));
  EXPECT_EQ(Messages(TVM_SELDBLCLK).size(), 1u);
}

TEST_F(ThumbnailViewTest, RestingPointerShowsTheFileTooltipLiterally) {
  const auto folder = std::filesystem::temp_directory_path() / "wf-thumb-view" / "<i>";
  std::filesystem::create_directories(folder);
  const std::string path = (folder / "<b>x.png").string();
  CImageFile picture(30, 20, 24, keImageFormatPNG);
  ASSERT_TRUE(picture.Save(path.c_str(), keImageFormatPNG));
  auto& list = Own<NamedList>();
  list.AddItem(path);
  ASSERT_EQ(list.LoadItem(0), 0);
  CThumbnailView* view = MakeView(&list);

  platform::MouseMove(CellCentre(view, 0));
  platform::PumpMessages();
  platform::AdvanceVirtualClock(std::chrono::milliseconds(799));
  platform::PumpMessages();
  EXPECT_FALSE(view->GetToolTip().IsWindowVisible());
  platform::AdvanceVirtualClock(std::chrono::milliseconds(1));
  platform::PumpMessages();
  ASSERT_TRUE(view->GetToolTip().IsWindowVisible());
  EXPECT_EQ(view->GetToolTip().Text().rfind("<b><<b>x.png</b>\n30x20 - True Color", 0), 0u)
      << view->GetToolTip().Text();
  EXPECT_NE(view->GetToolTip().Text().find("wf-thumb-view/<<i>"), std::string::npos);

  for (int tick = 0; tick < 99; ++tick)
    platform::AdvanceVirtualClock(std::chrono::milliseconds(700)), platform::PumpMessages();
  EXPECT_TRUE(view->GetToolTip().IsWindowVisible());
  platform::AdvanceVirtualClock(std::chrono::milliseconds(700));
  platform::PumpMessages();
  EXPECT_FALSE(view->GetToolTip().IsWindowVisible());
  std::filesystem::remove_all(folder.parent_path());
}

}  // namespace
}  // namespace wf_test
