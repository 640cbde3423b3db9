// A thumbnail source of pictures held in memory that records what the views ask of it.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "controls/ThumbnailSource.h"

namespace wf_test {

// Items of solid colours, moved as the view asks.
class FakeSource : public ThumbnailSource {
 public:
  FakeSource() = default;
  explicit FakeSource(int count) {
    for (int i = 0; i < count; ++i) {
      pictures.push_back(std::make_unique<corvel::CRowIteratorBands>());
      const corvel::CColorRef colour(RGB(30 * (i % 8), 100, 200));
      EXPECT_TRUE(pictures.back()->CreateBGR(40, 30, &colour).Ok());
      names.push_back(i);
    }
  }
  int GetCount() override { return static_cast<int>(pictures.size()); }
  CString GetLabel(int index) override { return CString(std::to_string(names.at(index))); }
  corvel::CRowIteratorBands* GetThumbnail(int index) override { return pictures.at(index).get(); }
  CString GetToolTipText(int index) override { return GetLabel(index); }
  SIZE GetThumbnailSize() override { return SIZE{85, 85}; }
  SIZE GetImageSize(int) override { return SIZE{40, 30}; }
  HICON GetIcon(int) override { return nullptr; }
  CString GetPath(int) override { return CString(); }
  corvel::CRowIteratorBands* GetLargePicture(int) override { return nullptr; }
  void RequestItem(int) override {}
  void StopLoader() override { ++stops; }
  void SetNotifyWindow(HWND) override {}
  bool CanReorder() override { return reorder; }
  bool ToolTipsEnabled() override { return true; }
  bool MoveItems(std::vector<int>& indices, int target) override {
    moves.push_back({indices, target});
    return true;
  }
  void OpenItem(int index) override { opened.push_back(index); }

  std::vector<std::unique_ptr<corvel::CRowIteratorBands>> pictures;
  std::vector<int> names;
  std::vector<std::pair<std::vector<int>, int>> moves;
  std::vector<int> opened;
  int stops = 0;
  bool reorder = true;
};

}  // namespace wf_test
