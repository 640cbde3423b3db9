// The common file dialogs as an object; headless, they take their answer from the script.
#pragma once
#include "platform/classlib/CString.h"
#include "platform/classlib/CWnd.h"

class CFileDialog : public CObject {
  DECLARE_DYNAMIC(CFileDialog)
 public:
  // `filter` pairs are separated by '|' and the list ends with "||".
  CFileDialog(BOOL openFileDialog, LPCSTR defaultExtension = nullptr, LPCSTR fileName = nullptr,
              DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR filter = nullptr,
              CWnd* parent = nullptr);
  // IDOK with the chosen path, IDCANCEL otherwise.
  virtual INT_PTR DoModal();
  CString GetPathName() const { return CString(file_); }
  CString GetFileName() const;
  CString GetFileExt() const;
  CString GetFileTitle() const;

  OPENFILENAME m_ofn{};

 private:
  BOOL open_;
  std::string filter_;
  std::string defaultExtension_;
  char file_[4096] = {};
};
