#include "framework/AboutBox.h"

#include <cstdio>
#include <vector>

#include "platform/ui/Presenter.h"
#include "platform/ui/Script.h"
#include "platform/win32/Module.h"
#include "platform/win32/Version.h"

namespace framework {

IMPLEMENT_DYNAMIC(CAboutDlg, CDialog)

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
  ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg()
    : CDialog(kTemplate, nullptr),
      name("Veltramoor plug-in"),
      vendor("Copyright (C) Veltra Moor"),
      authors("Veltramoor Software"),
      description("A filter plug-in for image editors") {}

void CAboutDlg::ReadVersionBlock(LPCSTR moduleFileName) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSize(moduleFileName, &handle);
  if (size == 0) return;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfo(moduleFileName, handle, size, block.data())) return;
  void* translations = nullptr;
  UINT length = 0;
  if (!VerQueryValue(block.data(), "\\VarFileInfo\\Translation", &translations, &length)) return;
  const auto* pairs = static_cast<const WORD*>(translations);
  for (UINT pair = 0; pair < length / 4; ++pair) {
    const auto value = [&](const char* key) -> LPCSTR {
      char path[300];
      std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", pairs[2 * pair], pairs[2 * pair + 1],
                    key);
      void* text = nullptr;
      UINT characters = 0;
      return VerQueryValue(block.data(), path, &text, &characters) ? static_cast<LPCSTR>(text) : nullptr;
    };
    if (LPCSTR text = value("Comments")) description = text;
    if (LPCSTR text = value("LegalTrademarks")) authors = text;
    if (LPCSTR text = value("ProductName")) name = text;
    if (LPCSTR text = value("ProductVersion")) name += CString(" Version ") + text;
    if (LPCSTR text = value("LegalCopyright")) vendor = text;
    if (LPCSTR text = value("CompanyName")) vendor += text;
  }
}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(kNameItem, name);
  SetDlgItemText(kVendorItem, vendor);
  SetDlgItemText(kAuthorsItem, authors);
  SetDlgItemText(kDescriptionItem, description);
  return TRUE;
}

void CAboutDlg::OnLButtonUp(UINT, CPoint) {
  Default();
  EndDialog(0);
}

void ShowAboutBox() {
  CString moduleFile;
  if (AfxGetApp() && AfxGetApp()->m_pszExeName && *AfxGetApp()->m_pszExeName) {
    moduleFile = CString(AfxGetApp()->m_pszExeName) + ".8bf";
  } else {
    char path[4096];
    const DWORD length = GetModuleFileName(
        platform::ModuleOfAddress(reinterpret_cast<const void*>(&ShowAboutBox)), path, sizeof path);
    if (length > 0 && length < sizeof path) moduleFile = path;
  }
  CAboutDlg box;
  box.ReadVersionBlock(moduleFile);
  if (!platform::EventScript::Current() && !platform::GetPresenter()) {
    for (const CString* line : {&box.name, &box.vendor, &box.authors, &box.description})
      std::fprintf(stderr, "About: %s\n", static_cast<LPCSTR>(*line));
    return;
  }
  box.DoModal();
}

}  // namespace framework
