#include "framework/ThumbnailList.h"

#include <algorithm>

#include "framework/detail/ThumbnailText.h"
#include "platform/shell/Shell.h"

namespace framework {

ThumbnailList::~ThumbnailList() { StopLoader(); }

int ThumbnailList::GetCount() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return Count();
}

CString ThumbnailList::GetLabel(int index) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  const ThumbnailItem* item = ItemAt(index);
  return item ? CString(item->label) : CString();
}

corvel::CRowIteratorBands* ThumbnailList::GetThumbnail(int index) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  ThumbnailItem* item = ItemAt(index);
  return item && item->loaded.load(std::memory_order_acquire) ? &item->picture : nullptr;
}

CString ThumbnailList::GetToolTipText(int index) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  const ThumbnailItem* item = ItemAt(index);
  if (!item) return CString();
  if (!item->loaded.load(std::memory_order_acquire) || item->info.colourKind == 0)
    return CString(item->label);
  return CString(detail::FileInfoText(item->label, item->path, item->info, detail::UserLocale()));
}

SIZE ThumbnailList::GetImageSize(int index) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  const ThumbnailItem* item = ItemAt(index);
  return item ? SIZE{item->info.width, item->info.height} : SIZE{0, 0};
}

HICON ThumbnailList::GetIcon(int index) {
  const CString path = GetPath(index);
  SHFILEINFO info{};
  if (path.IsEmpty() || !SHGetFileInfo(path, 0, &info, sizeof info, SHGFI_ICON)) return nullptr;
  return info.hIcon;
}

CString ThumbnailList::GetPath(int index) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  const ThumbnailItem* item = ItemAt(index);
  return item ? CString(item->path) : CString();
}

corvel::CRowIteratorBands* ThumbnailList::GetLargePicture(int index) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  ThumbnailItem* item = ItemAt(index);
  return item && item->largePicture.Width() > 0 && item->largePicture.Height() > 0 ? &item->largePicture
                                                                                   : nullptr;
}

void ThumbnailList::RequestItem(int index) {
  requestedIndex_.store(index);
  requestFlag_.store(1);
}

void ThumbnailList::StopLoader() {
  if (!loader_.joinable()) return;
  stopRequest_.store(1);
  loader_.join();
  stopRequest_.store(0);
}

void ThumbnailList::SetNotifyWindow(HWND window) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  notifyWindow_ = window;
}

bool ThumbnailList::MoveItems(std::vector<int>& indices, int target) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  std::vector<int> listed;
  for (int index : indices)
    if (index >= 0 && index < Count() && std::find(listed.begin(), listed.end(), index) == listed.end())
      listed.push_back(index);
  if (target == -1) {
    if (listed.empty()) return false;
    std::sort(listed.rbegin(), listed.rend());
    for (int index : listed) RemoveItem(index);
    return true;
  }
  std::vector<std::unique_ptr<ThumbnailItem>> moving, staying;
  int insertAt = 0;
  for (int i = 0; i < Count(); ++i) {
    if (std::find(listed.begin(), listed.end(), i) != listed.end()) continue;
    if (i < target) ++insertAt;
    staying.push_back(std::move(items_[i]));
  }
  for (int index : listed) moving.push_back(std::move(items_[index]));
  items_ = std::move(staying);
  items_.insert(items_.begin() + insertAt, std::make_move_iterator(moving.begin()),
                std::make_move_iterator(moving.end()));
  indices.clear();
  for (std::size_t i = 0; i < moving.size(); ++i) indices.push_back(insertAt + static_cast<int>(i));
  return true;
}

void ThumbnailList::OpenItem(int index) {
  const CString path = GetPath(index);
  if (path.IsEmpty()) return;
  CWinApp* app = AfxGetApp();
  CWnd* owner = app ? app->m_pMainWnd : nullptr;
  ShellExecuteA(owner ? owner->m_hWnd : nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

int ThumbnailList::LoadItem(int index) {
  std::string path;
  std::uint64_t serial = 0;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    const ThumbnailItem* item = ItemAt(index);
    if (!item) return kBadItemIndex;
    path = item->path;
    serial = item->serial;
  }
  // Decoding takes long: the user-interface thread may read and change the list meanwhile.
  corvel::CRowIteratorBands picture;
  ThumbnailInfo info;
  const int result = LoadThumbnailImage(path, picture, GetThumbnailSize(), info, 0xFFFFFF);
  StoreLoaded(serial, picture, std::move(info));
  return result;
}

void ThumbnailList::AddItem(const std::string& path, UINT resourceId) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!paths_.insert(path).second) return;
  auto item = std::make_unique<ThumbnailItem>();
  item->path = path;
  item->resourceId = resourceId;
  item->serial = nextSerial_++;
  items_.push_back(std::move(item));
  OnItemAdded(Count() - 1);
}

void ThumbnailList::RemoveItem(int index) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!ItemAt(index)) return;
  paths_.erase(items_[index]->path);
  items_.erase(items_.begin() + index);
}

bool ThumbnailList::StartLoader() {
  if (running_.load()) return true;
  if (loader_.joinable()) loader_.join();  // a loader that ended by itself
  running_.store(1);
  try {
    loader_ = std::thread(&ThumbnailList::RunLoader, this);
  } catch (const std::system_error&) {
    running_.store(0);
    return false;
  }
  return true;
}

int ThumbnailList::IndexOf(std::uint64_t serial) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[i]->serial == serial) return i;
  return -1;
}

void ThumbnailList::StoreLoaded(std::uint64_t serial, corvel::CRowIteratorBands& picture,
                                ThumbnailInfo&& info) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  ThumbnailItem* item = ItemAt(IndexOf(serial));
  if (!item || item->loaded.load(std::memory_order_relaxed)) return;
  item->picture = picture;
  picture.Destroy();  // the buffer's count is not shared between threads
  item->info = std::move(info);
  item->loaded.store(true, std::memory_order_release);
}

void ThumbnailList::RunLoader() {
  bool again = true;
  while (again) {
    again = false;
    if (!LoadPass(again)) break;
  }
  running_.store(0);
}

bool ThumbnailList::LoadPass(bool& requestSeen) {
  if (GetCount() == 0) return false;
  for (int index = 0; index < GetCount();) {
    if (stopRequest_.load()) return false;
    if (requestFlag_.exchange(0)) {
      index = std::clamp(requestedIndex_.load(), 0, std::max(0, GetCount() - 1));
      requestSeen = true;
    }
    std::uint64_t serial = 0;
    {
      std::lock_guard<std::recursive_mutex> guard(lock_);
      if (Count() == 0) return false;
      if (index >= Count()) break;
      const ThumbnailItem* item = items_[index].get();
      if (item->loaded.load(std::memory_order_acquire)) {
        ++index;
        continue;
      }
      serial = item->serial;
    }
    if (LoadItem(index) == 0) {
      std::lock_guard<std::recursive_mutex> guard(lock_);
      const int now = IndexOf(serial);
      if (now >= 0) Notify(now, 0);
      ++index;
      continue;
    }
    // The next item moves into this place, so the walk stays.
    std::lock_guard<std::recursive_mutex> guard(lock_);
    const int now = IndexOf(serial);
    if (now < 0) continue;
    RemoveItem(now);
    Notify(now, -1);
  }
  return true;
}

void ThumbnailList::Notify(int index, LPARAM result) {
  // Posting fails harmlessly once the window is gone.
  if (notifyWindow_)
    ::PostMessage(notifyWindow_, kThumbnailLoadedMessage, static_cast<WPARAM>(index), result);
}

}  // namespace framework
