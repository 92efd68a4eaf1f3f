// Popup menus. A menu is a list of entries (texts with a command id, and separators) with check
// marks, greyed states and, optionally, bitmaps for the checked and unchecked state of an
// entry. Menus may be changed from any thread (a worker enables an entry when its job ends).
//
// Tracking a menu asks the host: the handler it installs sees the menu as it is and chooses a
// command (or none), as a person would. Only an enabled text entry can be chosen; any other
// answer counts as no choice. Menu handles are never reused, so a stale one is recognised.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/com/WinTypes.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Resources.h"

struct HMENU__;
using HMENU = HMENU__*;

constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_SEPARATOR = 0x0800;

// TrackPopupMenu.
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);

// flags: MF_STRING or MF_SEPARATOR, with MF_CHECKED, MF_GRAYED or MF_DISABLED.
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, std::wstring_view text);
// Replaces the entry named by `item` (a command id, or a position with MF_BYPOSITION) with a new
// one made from flags, id and text, as AppendMenuW makes it; its bitmaps stay.
BOOL ModifyMenuW(HMENU menu, UINT item, UINT flags, UINT_PTR id, std::wstring_view text);
// Both return the entry's state before (MF_CHECKED or MF_UNCHECKED; MF_ENABLED, MF_GRAYED or
// MF_DISABLED), or -1 (as DWORD) when there is no such entry.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags);
// The bitmaps drawn for the entry's unchecked and checked state instead of the standard mark.
// The menu keeps only the handles: the caller keeps the bitmaps alive (a deleted one falls back
// to the standard mark).
BOOL SetMenuItemBitmaps(HMENU menu, UINT item, UINT flags, HBITMAP unchecked, HBITMAP checked);
// The entry's flags (MF_CHECKED, MF_GRAYED, MF_DISABLED, MF_SEPARATOR), or (UINT)-1.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
// Copies the entry's text, cut to maxCount - 1 characters; with a null buffer only counts it.
int GetMenuStringW(HMENU menu, UINT item, wchar_t* buffer, int maxCount, UINT flags);
int GetMenuItemCount(HMENU menu);
// The command id of the entry at a position; (UINT)-1 for a separator or no entry.
UINT GetMenuItemID(HMENU menu, int position);

// One entry as a host shows it.
struct MenuItemView {
  UINT id = 0;
  UINT flags = 0;  // MF_SEPARATOR, MF_CHECKED, MF_GRAYED, MF_DISABLED
  std::wstring text;
  HBITMAP checkedBitmap = nullptr;
  HBITMAP uncheckedBitmap = nullptr;
  bool IsSeparator() const { return flags & MF_SEPARATOR; }
  bool IsChecked() const { return flags & MF_CHECKED; }
  bool IsEnabled() const { return !(flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR)); }
};
std::vector<MenuItemView> GetMenuItems(HMENU menu);

struct PopupMenuRequest {
  HMENU menu = nullptr;
  std::vector<MenuItemView> items;  // the menu as it is when tracking starts
  int x = 0;                        // screen position of the menu's top-left corner
  int y = 0;
  UINT flags = 0;
  HWND owner = nullptr;
  std::thread::id thread;
};
// Returns the chosen command id, or 0 for none (the menu dismissed).
using PopupMenuHandler = std::function<UINT(const PopupMenuRequest&)>;
// Installs the process's handler and returns the one it replaces. With none installed every menu
// is dismissed.
PopupMenuHandler SetPopupMenuHandler(PopupMenuHandler handler);

// Shows the menu and waits for the choice. With TPM_RETURNCMD the chosen command id (or 0) is
// returned; otherwise a choice is posted to the owner as WM_COMMAND (notification 0, no control),
// to run after this call returns, and the result is TRUE when a command was chosen.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const void* rect);

// Owns one menu and destroys it at the end.
class MenuHandle {
 public:
  MenuHandle() = default;
  explicit MenuHandle(HMENU menu) : menu_(menu) {}
  ~MenuHandle() { reset(); }
  MenuHandle(MenuHandle&& other) noexcept : menu_(std::exchange(other.menu_, nullptr)) {}
  MenuHandle& operator=(MenuHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.menu_, nullptr));
    return *this;
  }
  MenuHandle(const MenuHandle&) = delete;
  MenuHandle& operator=(const MenuHandle&) = delete;

  HMENU get() const { return menu_; }
  explicit operator bool() const { return menu_ != nullptr; }
  void reset(HMENU menu = nullptr) {
    if (menu_) DestroyMenu(menu_);
    menu_ = menu;
  }

 private:
  HMENU menu_ = nullptr;
};
