// The thumbnail list's loader thread: one message per item, failures leave the list once, a
// request moves the walk and a second pass loads what it skipped, and the list stays usable from
// the user-interface thread while it loads.
#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "codecs/ImageFile.h"
#include "framework/ThumbnailList.h"
#include "tests/platform/UiFixture.h"

namespace wf_test {
namespace {

using framework::ThumbnailList;

class ThumbnailListTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    owner = MakeTop({0, 0, 100, 100});
    folder = std::filesystem::temp_directory_path() /
             ("wf-thumbs-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
  }
  void TearDown() override {
    std::filesystem::remove_all(folder);
    UiTest::TearDown();
  }
  // A picture whose left half is transparent red and right half opaque blue.
  std::string WritePicture(const std::string& name, int width, int height, unsigned long type, bool alpha) {
    CImageFile picture(width, height, 24, type);
    if (alpha) picture.AlphaCreate();
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        picture.SetPixelColor(x, y, x < width / 2 ? RGBQUAD{0, 0, 255, 0} : RGBQUAD{255, 0, 0, 255}, alpha);
    const std::string path = (folder / name).string();
    EXPECT_TRUE(picture.Save(path.c_str(), type)) << path;
    return path;
  }
  std::vector<MSG> WaitForLoaded(std::size_t count) {
    std::vector<MSG> seen;
    for (MSG msg{}; seen.size() < count &&
                    WaitForMessage(&msg, owner, kThumbnailLoadedMessage, kThumbnailLoadedMessage);)
      seen.push_back(msg);
    return seen;
  }

  HWND owner = nullptr;
  std::filesystem::path folder;
};

TEST_F(ThumbnailListTest, FilesLoadOnceEachAndAnUndecodableOneLeavesTheList) {
  ThumbnailList list;
  const std::string png = WritePicture("wide.png", 200, 100, keImageFormatPNG, true);
  list.AddItem(png);
  list.AddItem(WritePicture("small.jpg", 60, 40, keImageFormatJPG, false));
  std::ofstream((folder / "broken.png").string()) << "\x89PNG\r\n\x1a\n not really";
  list.AddItem((folder / "broken.png").string());
  list.AddItem(png);
  ASSERT_EQ(list.GetCount(), 3);
  list.SetNotifyWindow(owner);
  ASSERT_TRUE(list.StartLoader());

  const std::vector<MSG> seen = WaitForLoaded(3);
  list.StopLoader();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].wParam, 0u);
  EXPECT_EQ(seen[0].lParam, 0);
  EXPECT_EQ(seen[1].wParam, 1u);
  EXPECT_EQ(seen[1].lParam, 0);
  EXPECT_EQ(seen[2].wParam, 2u);
  EXPECT_EQ(seen[2].lParam, -1);
  MSG extra{};
  EXPECT_FALSE(PeekMessage(&extra, owner, kThumbnailLoadedMessage, kThumbnailLoadedMessage, PM_REMOVE));
  ASSERT_EQ(list.GetCount(), 2);

  // Fitted into 85 x 85 keeping the shape; transparency laid over white.
  corvel::CRowIteratorBands* wide = list.GetThumbnail(0);
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->Width(), 85);
  EXPECT_EQ(wide->Height(), 42);
  const BYTE* row = wide->LockRowPointer(20, 0, -1);
  EXPECT_EQ(row[0], 255);
  EXPECT_EQ(row[2], 255);
  EXPECT_EQ(row[84 * 3], 255);  // blue
  EXPECT_LT(row[84 * 3 + 2], 20);
  wide->UnlockRow(20);
  EXPECT_EQ(list.GetImageSize(0).cx, 200);
  EXPECT_EQ(list.GetImageSize(1).cy, 40);
  EXPECT_EQ(list.GetThumbnail(1)->Width(), 60);
  EXPECT_NE(std::string(list.GetToolTipText(1)).find("60x40 - True Color"), std::string::npos);
  EXPECT_NE(std::string(list.GetToolTipText(0)).find("True Color with transparency"), std::string::npos);
  EXPECT_EQ(list.GetThumbnail(2), nullptr);
}

// Marks items loaded without decoding, in the order asked, holding at one item until released.
class RecordingList : public ThumbnailList {
 public:
  int LoadItem(int index) override {
    {
      std::unique_lock<std::mutex> lock(mutex);
      order.push_back(index);
      if (index == holdAt) {
        held = true;
        changed.notify_all();
        changed.wait(lock, [&] { return !held; });
      }
    }
    corvel::CRowIteratorBands picture;
    EXPECT_TRUE(picture.CreateBGR(1, 1).Ok());
    Lock();
    const std::uint64_t serial = ItemAt(index)->serial;
    Unlock();
    StoreLoaded(serial, picture, framework::ThumbnailInfo{});
    return 0;
  }
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<int> order;
  int holdAt = -1;
  bool held = false;
};

TEST_F(ThumbnailListTest, RequestMovesTheWalkAndASecondPassLoadsWhatWasSkipped) {
  RecordingList list;
  for (int i = 0; i < 100; ++i) list.AddItem("item" + std::to_string(i));
  list.holdAt = 5;
  list.StartLoader();
  {
    std::unique_lock<std::mutex> lock(list.mutex);
    list.changed.wait(lock, [&] { return list.held; });
    list.RequestItem(40);
    list.held = false;
    list.changed.notify_all();
  }
  while (list.IsLoaderRunning()) platform::PumpMessages();
  list.StopLoader();
  std::vector<int> expected;
  for (int i = 0; i <= 5; ++i) expected.push_back(i);
  for (int i = 40; i < 100; ++i) expected.push_back(i);
  for (int i = 6; i < 40; ++i) expected.push_back(i);
  EXPECT_EQ(list.order, expected);
}

TEST_F(ThumbnailListTest, TwoThousandFilesLoadWhileTheListIsReadAndReordered) {
  ThumbnailList list;
  for (int i = 0; i < 2000; ++i) {
    const std::string path = (folder / ("p" + std::to_string(i) + ".png")).string();
    if (i < 2)
      WritePicture("p" + std::to_string(i) + ".png", 8, 8, keImageFormatPNG, false);
    else
      std::filesystem::copy_file(folder / ("p" + std::to_string(i % 2) + ".png"), path);
    list.AddItem(path);
  }
  list.SetNotifyWindow(owner);
  list.StartLoader();
  std::size_t loaded = 0;
  for (MSG msg{};
       loaded < 2000 && WaitForMessage(&msg, owner, kThumbnailLoadedMessage, kThumbnailLoadedMessage);) {
    ASSERT_EQ(msg.lParam, 0);
    ++loaded;
    // Each message is handled as the view would, while the loader goes on.
    list.GetThumbnail(static_cast<int>(msg.wParam));
    list.GetToolTipText(static_cast<int>(msg.wParam));
    if (loaded == 1000) {
      std::vector<int> moved{1999, 0};
      EXPECT_TRUE(list.MoveItems(moved, 500));
      list.RequestItem(1500);
    }
  }
  list.StopLoader();
  EXPECT_EQ(loaded, 2000u);
  for (int i = 0; i < 2000; ++i) ASSERT_NE(list.GetThumbnail(i), nullptr) << i;
}

TEST_F(ThumbnailListTest, StopAndDestructionEndTheLoaderMidway) {
  auto list = std::make_unique<ThumbnailList>();
  for (int i = 0; i < 200; ++i)
    list->AddItem(WritePicture("s" + std::to_string(i) + ".png", 4, 4, keImageFormatPNG, false));
  list->SetNotifyWindow(owner);
  list->StartLoader();
  list->StopLoader();
  EXPECT_FALSE(list->IsLoaderRunning());
  list->StartLoader();
  list.reset();
}

TEST(ThumbnailListItems, SamePathOnceAndMovesKeepTheStayingOrder) {
  ThumbnailList list;
  for (const char* name : {"a", "b", "c", "d", "e", "a"}) list.AddItem(name);
  ASSERT_EQ(list.GetCount(), 5);
  EXPECT_EQ(std::string(list.GetLabel(0)), "mega method");

  std::vector<int> moved{3, 1};
  ASSERT_TRUE(list.MoveItems(moved, 3));  // before "d", which moves itself: before "e"
  EXPECT_EQ(moved, (std::vector<int>{2, 3}));
  std::string order;
  for (int i = 0; i < list.GetCount(); ++i) order += list.GetPath(i);
  EXPECT_EQ(order, "acdbe");

  std::vector<int> none;
  EXPECT_FALSE(list.MoveItems(none, -1));
  std::vector<int> doomed{0, 4};
  ASSERT_TRUE(list.MoveItems(doomed, -1));
  EXPECT_EQ(list.GetCount(), 3);
  list.AddItem("a");  // a removed path may come back
  EXPECT_EQ(list.GetCount(), 4);
  EXPECT_EQ(std::string(list.GetPath(9)), "");
}

}  // namespace
}  // namespace wf_test
