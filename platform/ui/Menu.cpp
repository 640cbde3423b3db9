// Menus, tracked menus answered from the script, menu templates and accelerators.
#include "platform/ui/Menu.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/ui/Input.h"
#include "platform/ui/Queue.h"
#include "platform/ui/Script.h"

namespace {

struct Menu;

struct Item {
  UINT flags = 0;
  UINT id = 0;
  std::string text;
  HMENU popup = nullptr;
};

struct Menu {
  bool popup = false;
  std::vector<Item> items;
};

std::mutex& MenuMutex() {
  static std::mutex mutex;
  return mutex;
}
std::map<HMENU, std::unique_ptr<Menu>>& Menus() {
  static auto* menus = new std::map<HMENU, std::unique_ptr<Menu>>;
  return *menus;
}

HMENU NewMenu(bool popup) {
  static std::uintptr_t next = 0x20000;
  std::lock_guard<std::mutex> lock(MenuMutex());
  auto handle = reinterpret_cast<HMENU>(next);
  next += 4;
  auto menu = std::make_unique<Menu>();
  menu->popup = popup;
  Menus()[handle] = std::move(menu);
  return handle;
}

Menu* FindLocked(HMENU handle) {
  auto found = Menus().find(handle);
  return found == Menus().end() ? nullptr : found->second.get();
}

// The item by position or by command (searching submenus), and the menu holding it.
Item* FindItemLocked(HMENU handle, UINT item, UINT flags) {
  Menu* menu = FindLocked(handle);
  if (!menu) return nullptr;
  if (flags & MF_BYPOSITION) return item < menu->items.size() ? &menu->items[item] : nullptr;
  for (Item& entry : menu->items) {
    if (entry.popup) {
      if (Item* inner = FindItemLocked(entry.popup, item, flags)) return inner;
    } else if (entry.id == item && !(entry.flags & MF_SEPARATOR)) {
      return &entry;
    }
  }
  return nullptr;
}

Item MakeItem(UINT flags, UINT_PTR idOrPopup, LPCSTR text) {
  Item item;
  item.flags = flags & ~MF_END;
  if (flags & MF_POPUP) {
    item.popup = reinterpret_cast<HMENU>(idOrPopup);
  } else {
    item.id = static_cast<UINT>(idOrPopup);
  }
  if (text && !(flags & MF_SEPARATOR)) item.text = text;
  return item;
}

template <class Resource>
struct Tables {
  std::mutex mutex;
  std::map<HINSTANCE, std::pair<const Resource*, std::size_t>> byModule;

  const Resource* Find(HINSTANCE module, LPCSTR name) {
    auto id = reinterpret_cast<ULONG_PTR>(name);
    std::lock_guard<std::mutex> lock(mutex);
    auto found = byModule.find(module);
    if (id > 0xFFFF || found == byModule.end()) return nullptr;
    for (std::size_t i = 0; i < found->second.second; ++i) {
      if (found->second.first[i].id == id) return &found->second.first[i];
    }
    return nullptr;
  }
};
Tables<MenuResource>& MenuTables() {
  static auto* tables = new Tables<MenuResource>;
  return *tables;
}
Tables<AcceleratorResource>& AcceleratorTables() {
  static auto* tables = new Tables<AcceleratorResource>;
  return *tables;
}

// Builds the items of one level, starting at `item`; answers the template item after it.
const MenuItemTemplate* BuildLevel(HMENU menu, const MenuItemTemplate* item) {
  for (;;) {
    const MenuItemTemplate& entry = *item++;
    if (entry.flags & MF_POPUP) {
      HMENU sub = CreatePopupMenu();
      item = BuildLevel(sub, item);
      AppendMenu(menu, entry.flags & ~MF_END, reinterpret_cast<UINT_PTR>(sub), entry.text);
    } else {
      AppendMenu(menu, entry.flags & ~MF_END, entry.id, entry.text);
    }
    if (entry.flags & MF_END) return item;
  }
}

struct AcceleratorTable {
  std::vector<ACCEL> entries;
};
std::set<AcceleratorTable*>& AcceleratorHandles() {
  static auto* handles = new std::set<AcceleratorTable*>;
  return *handles;
}

}  // namespace

HMENU CreateMenu() { return NewMenu(false); }
HMENU CreatePopupMenu() { return NewMenu(true); }

BOOL DestroyMenu(HMENU handle) {
  std::unique_ptr<Menu> menu;
  {
    std::lock_guard<std::mutex> lock(MenuMutex());
    auto found = Menus().find(handle);
    if (found == Menus().end()) return FALSE;
    menu = std::move(found->second);
    Menus().erase(found);
  }
  for (Item& item : menu->items) {
    if (item.popup) DestroyMenu(item.popup);
  }
  return TRUE;
}

BOOL IsMenu(HMENU handle) {
  std::lock_guard<std::mutex> lock(MenuMutex());
  return FindLocked(handle) != nullptr;
}

BOOL AppendMenu(HMENU handle, UINT flags, UINT_PTR idOrPopup, LPCSTR text) {
  std::lock_guard<std::mutex> lock(MenuMutex());
  Menu* menu = FindLocked(handle);
  if (!menu) return FALSE;
  menu->items.push_back(MakeItem(flags, idOrPopup, text));
  return TRUE;
}

BOOL InsertMenu(HMENU handle, UINT position, UINT flags, UINT_PTR idOrPopup, LPCSTR text) {
  std::lock_guard<std::mutex> lock(MenuMutex());
  Menu* menu = FindLocked(handle);
  if (!menu) return FALSE;
  std::size_t at = menu->items.size();
  if (flags & MF_BYPOSITION) {
    at = std::min<std::size_t>(position, menu->items.size());
  } else {
    for (std::size_t i = 0; i < menu->items.size(); ++i) {
      if (menu->items[i].id == position && !menu->items[i].popup) at = i;
    }
  }
  menu->items.insert(menu->items.begin() + static_cast<std::ptrdiff_t>(at),
                     MakeItem(flags & ~MF_BYPOSITION, idOrPopup, text));
  return TRUE;
}

BOOL DeleteMenu(HMENU handle, UINT position, UINT flags) {
  HMENU popup = nullptr;
  {
    std::lock_guard<std::mutex> lock(MenuMutex());
    Menu* menu = FindLocked(handle);
    if (!menu) return FALSE;
    auto at = menu->items.end();
    if (flags & MF_BYPOSITION) {
      if (position < menu->items.size()) at = menu->items.begin() + position;
    } else {
      at = std::find_if(menu->items.begin(), menu->items.end(),
                        [position](const Item& item) { return !item.popup && item.id == position; });
    }
    if (at == menu->items.end()) return FALSE;
    popup = at->popup;
    menu->items.erase(at);
  }
  if (popup) DestroyMenu(popup);
  return TRUE;
}

int GetMenuItemCount(HMENU handle) {
  std::lock_guard<std::mutex> lock(MenuMutex());
  Menu* menu = FindLocked(handle);
  return menu ? static_cast<int>(menu->items.size()) : -1;
}

UINT GetMenuItemID(HMENU handle, int position) {
  std::lock_guard<std::mutex> lock(MenuMutex());
  Menu* menu = FindLocked(handle);
  if (!menu || position < 0 || static_cast<std::size_t>(position) >= menu->items.size())
    return static_cast<UINT>(-1);
  const Item& item = menu->items[static_cast<std::size_t>(position)];
  return item.popup ? static_cast<UINT>(-1) : item.id;
}

HMENU GetSubMenu(HMENU handle, int position) {
  std::lock_guard<std::mutex> lock(MenuMutex());
  Menu* menu = FindLocked(handle);
  if (!menu || position < 0 || static_cast<std::size_t>(position) >= menu->items.size()) return nullptr;
  return menu->items[static_cast<std::size_t>(position)].popup;
}

int GetMenuString(HMENU handle, UINT item, LPSTR buffer, int size, UINT flags) {
  std::lock_guard<std::mutex> lock(MenuMutex());
  Item* found = FindItemLocked(handle, item, flags);
  if (!found) return 0;
  if (!buffer || size <= 0) return static_cast<int>(found->text.size());
  int copied = std::min(static_cast<int>(found->text.size()), size - 1);
  std::copy_n(found->text.begin(), copied, buffer);
  buffer[copied] = '\0';
  return copied;
}

UINT EnableMenuItem(HMENU handle, UINT item, UINT flags) {
  std::lock_guard<std::mutex> lock(MenuMutex());
  Item* found = FindItemLocked(handle, item, flags);
  if (!found) return static_cast<UINT>(-1);
  UINT previous = found->flags & (MF_GRAYED | MF_DISABLED);
  found->flags = (found->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return previous;
}

DWORD CheckMenuItem(HMENU handle, UINT item, UINT flags) {
  std::lock_guard<std::mutex> lock(MenuMutex());
  Item* found = FindItemLocked(handle, item, flags);
  if (!found) return static_cast<DWORD>(-1);
  DWORD previous = found->flags & MF_CHECKED;
  found->flags = (found->flags & ~MF_CHECKED) | (flags & MF_CHECKED);
  return previous;
}

UINT GetMenuState(HMENU handle, UINT item, UINT flags) {
  std::lock_guard<std::mutex> lock(MenuMutex());
  Item* found = FindItemLocked(handle, item, flags);
  return found ? (found->flags & ~MF_BYPOSITION) : static_cast<UINT>(-1);
}

BOOL TrackPopupMenu(HMENU handle, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  if (!IsMenu(handle)) return FALSE;
  if (owner) SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(handle), 0);
  platform::EventScript* script = platform::EventScript::Current();
  std::string what = "a pop-up menu at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
  if (!script) throw platform::ScriptFailure(what + " shown, but no event script is installed");
  platform::MenuRecord record{x, y, {}, 0};
  {
    std::lock_guard<std::mutex> lock(MenuMutex());
    for (const Item& item : FindLocked(handle)->items) record.items.push_back(item.text);
  }
  platform::EventScript::Step step = script->TakeStep(what + " waited for a choice");
  if (step.kind != platform::EventScript::StepKind::MenuChoice) {
    throw platform::ScriptFailure(what + " waits for a choice, but the script's next step is to " +
                                  step.description);
  }
  UINT chosen = static_cast<UINT>(step.answer);
  if (chosen != 0) {
    UINT state = GetMenuState(handle, chosen, MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1) || (state & (MF_GRAYED | MF_DISABLED))) {
      throw platform::ScriptFailure(what + " has no enabled item " + std::to_string(chosen));
    }
  }
  record.chosen = chosen;
  script->RecordMenu(record);
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
  if (chosen && owner) PostMessage(owner, WM_COMMAND, chosen, 0);
  return chosen != 0;
}

void platform::RegisterMenuTable(HINSTANCE module, const MenuResource* entries, std::size_t count) {
  std::lock_guard<std::mutex> lock(MenuTables().mutex);
  MenuTables().byModule[module] = {entries, count};
}

void platform::RegisterAcceleratorTable(HINSTANCE module, const AcceleratorResource* entries,
                                        std::size_t count) {
  std::lock_guard<std::mutex> lock(AcceleratorTables().mutex);
  AcceleratorTables().byModule[module] = {entries, count};
}

void platform::UnregisterMenuTables(HINSTANCE module) {
  {
    std::lock_guard<std::mutex> lock(MenuTables().mutex);
    MenuTables().byModule.erase(module);
  }
  std::lock_guard<std::mutex> lock(AcceleratorTables().mutex);
  AcceleratorTables().byModule.erase(module);
}

HMENU LoadMenu(HINSTANCE instance, LPCSTR name) {
  const MenuResource* found = MenuTables().Find(instance, name);
  if (!found || !found->items) return nullptr;
  HMENU menu = CreateMenu();
  BuildLevel(menu, found->items);
  return menu;
}

HACCEL CreateAcceleratorTable(const ACCEL* entries, int count) {
  if (!entries || count <= 0) return nullptr;
  auto* table = new AcceleratorTable{std::vector<ACCEL>(entries, entries + count)};
  std::lock_guard<std::mutex> lock(MenuMutex());
  AcceleratorHandles().insert(table);
  return reinterpret_cast<HACCEL>(table);
}

BOOL DestroyAcceleratorTable(HACCEL handle) {
  auto* table = reinterpret_cast<AcceleratorTable*>(handle);
  {
    std::lock_guard<std::mutex> lock(MenuMutex());
    if (!AcceleratorHandles().erase(table)) return FALSE;
  }
  delete table;
  return TRUE;
}

HACCEL LoadAccelerators(HINSTANCE instance, LPCSTR name) {
  const AcceleratorResource* found = AcceleratorTables().Find(instance, name);
  return found ? CreateAcceleratorTable(found->entries, static_cast<int>(found->count)) : nullptr;
}

int TranslateAccelerator(HWND hwnd, HACCEL handle, const MSG* msg) {
  if (!hwnd || !msg) return 0;
  bool key = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
  if (!key && msg->message != WM_CHAR) return 0;
  std::vector<ACCEL> entries;
  {
    std::lock_guard<std::mutex> lock(MenuMutex());
    auto* table = reinterpret_cast<AcceleratorTable*>(handle);
    if (!AcceleratorHandles().count(table)) return 0;
    entries = table->entries;
  }
  BYTE modifiers = static_cast<BYTE>((GetKeyState(VK_SHIFT) < 0 ? FSHIFT : 0) |
                                     (GetKeyState(VK_CONTROL) < 0 ? FCONTROL : 0) |
                                     (GetKeyState(VK_MENU) < 0 ? FALT : 0));
  for (const ACCEL& entry : entries) {
    bool virtualKey = (entry.fVirt & FVIRTKEY) != 0;
    if (virtualKey != key || entry.key != static_cast<WORD>(msg->wParam)) continue;
    if (virtualKey && (entry.fVirt & (FSHIFT | FCONTROL | FALT)) != modifiers) continue;
    SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(entry.cmd, 1), 0);
    return 1;
  }
  return 0;
}
