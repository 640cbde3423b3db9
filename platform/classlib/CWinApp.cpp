#include "platform/classlib/CWinApp.h"

#include "platform/classlib/CGdiObject.h"

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

namespace {

CWinApp* g_app = nullptr;
HINSTANCE g_resources = nullptr;
bool g_resourcesSet = false;

}  // namespace

CWinApp::CWinApp(LPCSTR appName) {
  if (appName) {
    appName_ = appName;
    m_pszAppName = appName_.c_str();
  }
  g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::OnIdle(LONG) {
  CWnd::DeleteTempMap();
  return FALSE;
}

HICON CWinApp::LoadIcon(UINT id) const {
  return ::LoadIcon(m_hInstance, MAKEINTRESOURCE(static_cast<WORD>(id)));
}

BOOL AfxWinInit(HINSTANCE instance, LPCSTR moduleFileName) {
  CWinApp* app = g_app;
  if (!app) return FALSE;
  app->m_hInstance = instance;
  std::string name = moduleFileName ? moduleFileName : "";
  std::size_t slash = name.find_last_of('/');
  if (slash != std::string::npos) name.erase(0, slash + 1);
  std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  app->exeName_ = name;
  app->m_pszExeName = app->exeName_.c_str();
  if (!app->m_pszAppName) app->m_pszAppName = app->m_pszExeName;
  return app->InitInstance();
}

CWinApp* AfxGetApp() { return g_app; }
HINSTANCE AfxGetInstanceHandle() { return g_app ? g_app->m_hInstance : nullptr; }
HINSTANCE AfxGetResourceHandle() { return g_resourcesSet ? g_resources : AfxGetInstanceHandle(); }

void AfxSetResourceHandle(HINSTANCE instance) {
  g_resources = instance;
  g_resourcesSet = true;
}

LPCSTR AfxGetAppName() { return g_app && g_app->m_pszAppName ? g_app->m_pszAppName : ""; }

int AfxMessageBox(LPCSTR text, UINT type, UINT) {
  return ::MessageBox(::GetActiveWindow(), text, AfxGetAppName(), type);
}

int AfxMessageBox(UINT promptId, UINT type, UINT) {
  CString text;
  text.LoadString(promptId);
  return AfxMessageBox(text, type);
}
