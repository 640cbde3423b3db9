#include "platform/classlib/CFileDialog.h"

#include <cstdio>

IMPLEMENT_DYNAMIC(CFileDialog, CObject)

CFileDialog::CFileDialog(BOOL openFileDialog, LPCSTR defaultExtension, LPCSTR fileName, DWORD flags,
                         LPCSTR filter, CWnd* parent)
    : open_(openFileDialog) {
  if (filter) {
    // "A|*.a|B|*.b||" becomes the platform's zero-separated pairs ended by an empty one.
    filter_ = filter;
    for (char& c : filter_) {
      if (c == '|') c = '\0';
    }
    filter_.push_back('\0');
  }
  if (defaultExtension) defaultExtension_ = defaultExtension;
  if (fileName) std::snprintf(file_, sizeof file_, "%s", fileName);
  m_ofn.lStructSize = sizeof m_ofn;
  m_ofn.hwndOwner = HwndOf(parent);
  m_ofn.lpstrFilter = filter ? filter_.c_str() : nullptr;
  m_ofn.nFilterIndex = 1;
  m_ofn.lpstrFile = file_;
  m_ofn.nMaxFile = sizeof file_;
  m_ofn.Flags = flags | OFN_EXPLORER;
  m_ofn.lpstrDefExt = defaultExtension ? defaultExtension_.c_str() : nullptr;
}

INT_PTR CFileDialog::DoModal() {
  if (!m_ofn.hwndOwner) m_ofn.hwndOwner = ::GetActiveWindow();
  BOOL chosen = open_ ? GetOpenFileName(&m_ofn) : GetSaveFileName(&m_ofn);
  return chosen ? IDOK : IDCANCEL;
}

CString CFileDialog::GetFileName() const {
  CString path = GetPathName();
  return path.Mid(path.ReverseFind('/') + 1);
}

CString CFileDialog::GetFileExt() const {
  CString name = GetFileName();
  int dot = name.ReverseFind('.');
  return dot < 0 ? CString() : name.Mid(dot + 1);
}

CString CFileDialog::GetFileTitle() const {
  CString name = GetFileName();
  int dot = name.ReverseFind('.');
  return dot < 0 ? name : name.Left(dot);
}
