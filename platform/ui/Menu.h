// Menus and accelerator tables. Headless, a tracked pop-up menu shows nothing: it takes its
// choice (an item's command id, or a dismissal) from the event script and records what it
// offered. Menu templates and accelerator tables are tables a module registers.
#pragma once
#include <cstddef>

#include "platform/ui/Messages.h"

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_END = 0x0080;  // templates: the last item of its level
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;

constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

constexpr UINT WM_INITMENUPOPUP = 0x0117;

HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu);  // and its submenus
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCSTR text);
BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCSTR text);
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);  // -1 for a submenu or a bad position
HMENU GetSubMenu(HMENU menu, int position);
int GetMenuString(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags);
// Answers the previous state (MF_GRAYED / MF_CHECKED bits), -1 when there is no such item.
UINT EnableMenuItem(HMENU menu, UINT item, UINT flags);
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
BOOL IsMenu(HMENU menu);

// Sends WM_INITMENUPOPUP to the owner, then takes the choice from the script: with
// TPM_RETURNCMD answers the chosen id (0 when dismissed); otherwise posts WM_COMMAND with it
// to the owner and answers whether an item was chosen. Choosing a disabled, grey or unknown
// item fails the script.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);

// One item of a menu template: MF_POPUP opens a level that the items up to one with MF_END
// fill; the template's top level ends likewise.
struct MenuItemTemplate {
  UINT flags;
  UINT id;
  LPCSTR text;
};
struct MenuResource {
  UINT id;
  const MenuItemTemplate* items;
};

constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;
struct ACCEL {
  BYTE fVirt;  // without FVIRTKEY the key is a character code
  WORD key;
  WORD cmd;
};
struct AcceleratorResource {
  UINT id;
  const ACCEL* entries;
  std::size_t count;
};
WF_DECLARE_HANDLE(HACCEL);

namespace platform {
void RegisterMenuTable(HINSTANCE module, const MenuResource* entries, std::size_t count);
void RegisterAcceleratorTable(HINSTANCE module, const AcceleratorResource* entries, std::size_t count);
void UnregisterMenuTables(HINSTANCE module);
}  // namespace platform

// A new menu made from the module's template, null for a missing id.
HMENU LoadMenu(HINSTANCE instance, LPCSTR name);
HACCEL LoadAccelerators(HINSTANCE instance, LPCSTR name);
HACCEL CreateAcceleratorTable(const ACCEL* entries, int count);
BOOL DestroyAcceleratorTable(HACCEL table);
// A key (WM_KEYDOWN / WM_SYSKEYDOWN) or character (WM_CHAR) of the table sends WM_COMMAND with
// the command id and 1 in the high word to `hwnd`; answers whether it did.
int TranslateAccelerator(HWND hwnd, HACCEL table, const MSG* msg);
