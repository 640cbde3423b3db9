// An ordered list of files or picture resources whose thumbnails a thread of the list's own loads
// one at a time, telling the notify window of each by a posted kThumbnailLoadedMessage.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "controls/ThumbnailSource.h"
#include "framework/ThumbnailImage.h"

namespace framework {

struct ThumbnailItem {
  corvel::CRowIteratorBands picture;
  corvel::CRowIteratorBands largePicture;
  std::string path;
  std::string label = "mega method";
  // Set after the picture and facts are stored, so a reader that sees it sees them.
  std::atomic<bool> loaded{false};
  UINT resourceId = 0;
  ThumbnailInfo info;
  std::uint64_t serial = 0;  // tells an item from a later one at the same address
};

class ThumbnailList : public ThumbnailSource {
 public:
  ThumbnailList() = default;
  ThumbnailList(const ThumbnailList&) = delete;
  ThumbnailList& operator=(const ThumbnailList&) = delete;
  ~ThumbnailList() override;

  int GetCount() override;
  CString GetLabel(int index) override;
  corvel::CRowIteratorBands* GetThumbnail(int index) override;
  CString GetToolTipText(int index) override;
  SIZE GetThumbnailSize() override { return SIZE{85, 85}; }
  SIZE GetImageSize(int index) override;
  HICON GetIcon(int index) override;
  CString GetPath(int index) override;
  virtual bool OnItemAdded(int /*index*/) { return false; }
  corvel::CRowIteratorBands* GetLargePicture(int index) override;
  void RequestItem(int index) override;
  void StopLoader() override;
  void SetNotifyWindow(HWND window) override;
  void Lock() { lock_.lock(); }
  void Unlock() { lock_.unlock(); }
  bool CanReorder() override { return true; }
  bool ToolTipsEnabled() override { return true; }
  bool MoveItems(std::vector<int>& indices, int target) override;
  void OpenItem(int index) override;
  // 0 on success; runs on the loader thread.
  virtual int LoadItem(int index);

  void AddItem(const std::string& path, UINT resourceId = 0);
  void RemoveItem(int index);
  // Starts the loader unless it runs; true when it runs afterwards.
  bool StartLoader();
  bool IsLoaderRunning() const { return running_.load(); }

 protected:
  // Under the lock.
  ThumbnailItem* ItemAt(int index) { return index >= 0 && index < Count() ? items_[index].get() : nullptr; }
  int Count() const { return static_cast<int>(items_.size()); }
  int IndexOf(std::uint64_t serial) const;
  // Moves what was loaded into the item that had `serial`, if it is still listed.
  void StoreLoaded(std::uint64_t serial, corvel::CRowIteratorBands& picture, ThumbnailInfo&& info);

 private:
  void RunLoader();
  // False when the stop request ended the pass.
  bool LoadPass(bool& requestSeen);
  void Notify(int index, LPARAM result);

  std::vector<std::unique_ptr<ThumbnailItem>> items_;
  std::recursive_mutex lock_;
  std::set<std::string> paths_;
  HWND notifyWindow_ = nullptr;
  std::thread loader_;
  std::atomic<int> stopRequest_{0};
  std::atomic<int> requestedIndex_{0};
  std::atomic<int> requestFlag_{0};
  std::atomic<int> running_{0};
  std::uint64_t nextSerial_ = 1;
};

}  // namespace framework
