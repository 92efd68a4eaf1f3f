#include "platform/ui/Menu.h"

#include <atomic>
#include <map>
#include <mutex>

#include "platform/ui/MessageLoop.h"
#include "platform/ui/TextBuffer.h"
#include "platform/ui/Window.h"

namespace {

struct MenuItem {
  UINT id = 0;
  UINT flags = 0;
  std::wstring text;
  HBITMAP checked = nullptr;
  HBITMAP unchecked = nullptr;
};

constexpr UINT kStateFlags = MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_SEPARATOR;
constexpr UINT kNoEntry = static_cast<UINT>(-1);

struct MenuTable {
  std::mutex mutex;
  std::map<std::uintptr_t, std::vector<MenuItem>> menus;
  PopupMenuHandler handler;
};

MenuTable& Table() {
  static auto* table = new MenuTable;  // outlives static teardown; a worker may still touch a menu
  return *table;
}

std::atomic<std::uintptr_t> gNextMenu{0x2000000};

std::uintptr_t Key(HMENU menu) { return reinterpret_cast<std::uintptr_t>(menu); }

// The entry named by command id or position, under the table's lock; null when there is none.
MenuItem* FindItem(HMENU menu, UINT item, UINT flags) {
  auto it = Table().menus.find(Key(menu));
  if (it == Table().menus.end()) return nullptr;
  auto& items = it->second;
  if (flags & MF_BYPOSITION) return item < items.size() ? &items[item] : nullptr;
  for (auto& entry : items)
    if (!(entry.flags & MF_SEPARATOR) && entry.id == item) return &entry;
  return nullptr;
}

MenuItem MakeItem(UINT flags, UINT_PTR id, std::wstring_view text) {
  MenuItem item;
  item.flags = flags & kStateFlags;
  if (!(flags & MF_SEPARATOR)) {
    item.id = static_cast<UINT>(id);
    item.text = text;
  }
  return item;
}

}  // namespace

HMENU CreatePopupMenu() {
  auto menu = reinterpret_cast<HMENU>(gNextMenu.fetch_add(2));
  std::lock_guard lock(Table().mutex);
  Table().menus[Key(menu)];
  return menu;
}

BOOL DestroyMenu(HMENU menu) {
  std::lock_guard lock(Table().mutex);
  return Table().menus.erase(Key(menu)) ? TRUE : FALSE;
}

BOOL IsMenu(HMENU menu) {
  std::lock_guard lock(Table().mutex);
  return Table().menus.count(Key(menu)) ? TRUE : FALSE;
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, std::wstring_view text) {
  std::lock_guard lock(Table().mutex);
  auto it = Table().menus.find(Key(menu));
  if (it == Table().menus.end()) return FALSE;
  it->second.push_back(MakeItem(flags, id, text));
  return TRUE;
}

BOOL ModifyMenuW(HMENU menu, UINT item, UINT flags, UINT_PTR id, std::wstring_view text) {
  std::lock_guard lock(Table().mutex);
  MenuItem* entry = FindItem(menu, item, flags);
  if (!entry) return FALSE;
  MenuItem replacement = MakeItem(flags, id, text);
  replacement.checked = entry->checked;
  replacement.unchecked = entry->unchecked;
  *entry = std::move(replacement);
  return TRUE;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags) {
  std::lock_guard lock(Table().mutex);
  MenuItem* entry = FindItem(menu, item, flags);
  if (!entry) return static_cast<DWORD>(-1);
  DWORD before = entry->flags & MF_CHECKED;
  entry->flags = (entry->flags & ~MF_CHECKED) | (flags & MF_CHECKED);
  return before;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  std::lock_guard lock(Table().mutex);
  MenuItem* entry = FindItem(menu, item, flags);
  if (!entry) return -1;
  BOOL before = static_cast<BOOL>(entry->flags & (MF_GRAYED | MF_DISABLED));
  entry->flags = (entry->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return before;
}

BOOL SetMenuItemBitmaps(HMENU menu, UINT item, UINT flags, HBITMAP unchecked, HBITMAP checked) {
  std::lock_guard lock(Table().mutex);
  MenuItem* entry = FindItem(menu, item, flags);
  if (!entry) return FALSE;
  entry->unchecked = unchecked;
  entry->checked = checked;
  return TRUE;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  std::lock_guard lock(Table().mutex);
  MenuItem* entry = FindItem(menu, item, flags);
  return entry ? entry->flags : kNoEntry;
}

int GetMenuStringW(HMENU menu, UINT item, wchar_t* buffer, int maxCount, UINT flags) {
  std::lock_guard lock(Table().mutex);
  MenuItem* entry = FindItem(menu, item, flags);
  if (!entry) return 0;
  if (!buffer) return static_cast<int>(entry->text.size());
  return CopyTextToBuffer(entry->text, buffer, maxCount);
}

int GetMenuItemCount(HMENU menu) {
  std::lock_guard lock(Table().mutex);
  auto it = Table().menus.find(Key(menu));
  return it == Table().menus.end() ? -1 : static_cast<int>(it->second.size());
}

UINT GetMenuItemID(HMENU menu, int position) {
  std::lock_guard lock(Table().mutex);
  MenuItem* entry = position < 0 ? nullptr : FindItem(menu, static_cast<UINT>(position), MF_BYPOSITION);
  return entry && !(entry->flags & MF_SEPARATOR) ? entry->id : kNoEntry;
}

std::vector<MenuItemView> GetMenuItems(HMENU menu) {
  std::vector<MenuItemView> views;
  std::lock_guard lock(Table().mutex);
  auto it = Table().menus.find(Key(menu));
  if (it == Table().menus.end()) return views;
  for (const auto& entry : it->second) {
    // A bitmap deleted since it was attached is not shown.
    HBITMAP checked = IsBitmapObject(entry.checked) ? entry.checked : nullptr;
    HBITMAP unchecked = IsBitmapObject(entry.unchecked) ? entry.unchecked : nullptr;
    views.push_back(MenuItemView{entry.id, entry.flags, entry.text, checked, unchecked});
  }
  return views;
}

PopupMenuHandler SetPopupMenuHandler(PopupMenuHandler handler) {
  std::lock_guard lock(Table().mutex);
  std::swap(Table().handler, handler);
  return handler;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const void*) {
  if (!IsMenu(menu)) return FALSE;
  PopupMenuRequest request{menu, GetMenuItems(menu), x, y, flags, owner, std::this_thread::get_id()};
  PopupMenuHandler handler;
  {
    std::lock_guard lock(Table().mutex);
    handler = Table().handler;  // a copy: the handler may replace itself while the menu is open
  }
  UINT choice = handler ? handler(request) : 0;
  // Only what a person could click counts: an entry of this menu that is enabled now.
  if (choice != 0) {
    UINT state = GetMenuState(menu, choice, MF_BYCOMMAND);
    if (state == kNoEntry || (state & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR))) choice = 0;
  }
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(choice);
  if (choice == 0) return FALSE;
  if (!(flags & TPM_NONOTIFY) && owner) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(choice), 0), 0);
  return TRUE;
}
