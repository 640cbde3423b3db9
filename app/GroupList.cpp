#include "app/GroupList.h"

#include <mutex>

#include "resources/ParameterTable.h"
#include "resources/ResourceIds.h"

namespace app {

void GroupList::AddGroups() {
  for (int method = 0; method < resources::kGroupCount; ++method)
    AddItem(resources::kGroupNames[method], static_cast<UINT>(resources::kGroupPictureFirst + method));
}

int GroupList::LoadItem(int index) {
  UINT resourceId = 0;
  std::uint64_t serial = 0;
  {
    Lock();
    const framework::ThumbnailItem* item = ItemAt(index);
    if (item) resourceId = item->resourceId, serial = item->serial;
    Unlock();
    if (!item) return framework::kBadItemIndex;
  }
  corvel::CRowIteratorBands picture;
  const int result = framework::LoadPngResource(resourceId, picture);
  if (result != 0) return result;
  framework::ThumbnailInfo info;
  info.width = picture.Width();
  info.height = picture.Height();
  StoreLoaded(serial, picture, std::move(info));
  return 0;
}

CString GroupList::GetToolTipText(int index) {
  Lock();
  const framework::ThumbnailItem* item = ItemAt(index);
  CString text;
  if (item)
    text = item->loaded.load(std::memory_order_acquire) ? CString(item->path.c_str())
                                                        : CString(item->label.c_str());
  Unlock();
  return text;
}

}  // namespace app
