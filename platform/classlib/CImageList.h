// Image lists as objects.
#pragma once
#include "platform/classlib/CGdiObject.h"
#include "platform/ui/Icons.h"

class CImageList : public CObject {
  DECLARE_DYNAMIC(CImageList)
 public:
  HIMAGELIST m_hImageList = nullptr;

  CImageList() = default;
  ~CImageList() override { DeleteImageList(); }
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;
  operator HIMAGELIST() const { return m_hImageList; }
  HIMAGELIST GetSafeHandle() const { return m_hImageList; }

  BOOL Create(int width, int height, UINT flags, int initial, int grow);
  BOOL DeleteImageList();
  int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
  int Add(CBitmap* image, CBitmap* mask) {
    return ImageList_Add(m_hImageList, image ? static_cast<HBITMAP>(image->m_hObject) : nullptr,
                         mask ? static_cast<HBITMAP>(mask->m_hObject) : nullptr);
  }
  int Add(CBitmap* image, COLORREF maskColour) {
    return ImageList_AddMasked(m_hImageList, image ? static_cast<HBITMAP>(image->m_hObject) : nullptr,
                               maskColour);
  }
  int Add(HICON icon) { return ImageList_AddIcon(m_hImageList, icon); }
  int Replace(int index, HICON icon) { return ImageList_ReplaceIcon(m_hImageList, index, icon); }
  BOOL Remove(int index) { return ImageList_Remove(m_hImageList, index); }
  BOOL Draw(CDC* dc, int index, POINT point, UINT style) {
    return ImageList_Draw(m_hImageList, index, dc->m_hDC, point.x, point.y, style);
  }
  HICON ExtractIcon(int index) { return ImageList_GetIcon(m_hImageList, index, ILD_NORMAL); }
};
