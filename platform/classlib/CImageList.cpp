#include "platform/classlib/CImageList.h"

IMPLEMENT_DYNAMIC(CImageList, CObject)

BOOL CImageList::Create(int width, int height, UINT flags, int initial, int grow) {
  DeleteImageList();
  m_hImageList = ImageList_Create(width, height, flags, initial, grow);
  return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList() {
  if (!m_hImageList) return FALSE;
  ImageList_Destroy(m_hImageList);
  m_hImageList = nullptr;
  return TRUE;
}
