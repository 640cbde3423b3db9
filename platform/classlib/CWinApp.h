// The application object: one per module, made as a global; it records the module's handle
// and name, and is where the class library's global functions find them.
#pragma once
#include "platform/classlib/CString.h"
#include "platform/classlib/CWnd.h"

class CWinApp : public CCmdTarget {
  DECLARE_DYNAMIC(CWinApp)
 public:
  // `appName` null: the module name given to AfxWinInit.
  explicit CWinApp(LPCSTR appName = nullptr);
  ~CWinApp() override;

  HINSTANCE m_hInstance = nullptr;
  LPCSTR m_pszAppName = nullptr;
  LPCSTR m_pszExeName = nullptr;  // the module's base file name, without extension
  CWnd* m_pMainWnd = nullptr;

  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return 0; }
  // Idle time of modal loops: the temporary window and drawing objects go; TRUE for more.
  virtual BOOL OnIdle(LONG count);

  HICON LoadIcon(UINT id) const;
  HICON LoadStandardIcon(LPCSTR name) const { return ::LoadIcon(nullptr, name); }
  HCURSOR LoadCursor(UINT id) const {
    return ::LoadCursor(m_hInstance, MAKEINTRESOURCE(static_cast<WORD>(id)));
  }
  HCURSOR LoadStandardCursor(LPCSTR name) const { return ::LoadCursor(nullptr, name); }

 private:
  std::string appName_;
  std::string exeName_;
  friend BOOL AfxWinInit(HINSTANCE, LPCSTR);
};

// Tells the application object its module: handle and file name (the base name becomes
// m_pszExeName and, unless given, the application name); then runs InitInstance.
BOOL AfxWinInit(HINSTANCE instance, LPCSTR moduleFileName);
CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE instance);
LPCSTR AfxGetAppName();
// A message box owned by the active window, captioned with the application's name.
int AfxMessageBox(LPCSTR text, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT promptId, UINT type = MB_OK, UINT helpId = -1);
