#include "platform/classlib/CMenu.h"

#include <map>
#include <memory>

#include "platform/classlib/CWinApp.h"

IMPLEMENT_DYNAMIC(CMenu, CObject)

CMenu* CMenu::FromHandle(HMENU menu) {
  if (!menu) return nullptr;
  // Wrappers that own nothing; menu handles are never reused, so a wrapper stays right.
  struct Wrapper {
    CMenu menu;
    ~Wrapper() { menu.Detach(); }
  };
  thread_local std::map<HMENU, std::unique_ptr<Wrapper>> wrappers;
  auto& wrapper = wrappers[menu];
  if (!wrapper) {
    wrapper = std::make_unique<Wrapper>();
    wrapper->menu.m_hMenu = menu;
  }
  return &wrapper->menu;
}

BOOL CMenu::Attach(HMENU menu) {
  if (!menu) return FALSE;
  DestroyMenu();
  m_hMenu = menu;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU menu = m_hMenu;
  m_hMenu = nullptr;
  return menu;
}

BOOL CMenu::LoadMenu(UINT id) {
  return Attach(::LoadMenu(AfxGetResourceHandle(), MAKEINTRESOURCE(static_cast<WORD>(id))));
}

BOOL CMenu::DestroyMenu() {
  if (!m_hMenu) return FALSE;
  return ::DestroyMenu(Detach());
}

int CMenu::GetMenuString(UINT item, CString& text, UINT flags) const {
  int length = ::GetMenuString(m_hMenu, item, nullptr, 0, flags);
  ::GetMenuString(m_hMenu, item, text.GetBuffer(length + 1), length + 1, flags);
  text.ReleaseBuffer();
  return text.GetLength();
}
