// What a thumbnail view asks of the list it shows. The list loads its pictures on a thread of its
// own and posts kThumbnailLoadedMessage to the notify window for each finished item.
#pragma once
#include <vector>

#include "core/RowIteratorBands.h"
#include "platform/classlib/ClassLib.h"

// wParam the item's index; lParam 0 when its picture was loaded, -1 when it failed and the item
// left the list.
constexpr UINT kThumbnailLoadedMessage = 1690;

class ThumbnailSource {
 public:
  virtual ~ThumbnailSource() = default;

  // Indices outside 0..count - 1 give the empty answer.
  virtual int GetCount() = 0;
  virtual CString GetLabel(int index) = 0;
  // Valid until the user-interface thread removes the item; null while not loaded.
  virtual corvel::CRowIteratorBands* GetThumbnail(int index) = 0;
  virtual CString GetToolTipText(int index) = 0;
  virtual SIZE GetThumbnailSize() = 0;
  virtual SIZE GetImageSize(int index) = 0;
  // The caller destroys the icon.
  virtual HICON GetIcon(int index) = 0;
  virtual CString GetPath(int index) = 0;
  virtual corvel::CRowIteratorBands* GetLargePicture(int index) = 0;
  virtual void RequestItem(int index) = 0;
  virtual void StopLoader() = 0;
  virtual void SetNotifyWindow(HWND window) = 0;
  virtual bool CanReorder() = 0;
  virtual bool ToolTipsEnabled() = 0;
  // Target -1 deletes the listed items; otherwise they move before the item at the target and
  // `indices` becomes their new places.
  virtual bool MoveItems(std::vector<int>& indices, int target) = 0;
  virtual void OpenItem(int index) = 0;
};
