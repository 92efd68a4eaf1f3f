#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/ui/MessageLoop.h"
#include "platform/ui/WindowRecord.h"

using ui_internal::FindRecord;
using ui_internal::NotifyChange;
using ui_internal::OwnRecord;
using ui_internal::WindowRecord;

namespace {

// The table of live windows. Its lock guards the table, the top-level z-order, the windows and
// focus of each thread, and every window's parent; a record's other fields belong to its owning
// thread and need no lock. The owning thread reads its windows' parents without the lock, as
// only it changes them.
//
// Lock order in the window system: the queues' map lock, then one thread's queue lock, then
// this table's lock (a message is matched against a window's family under its queue's lock).
// Nothing else is locked while this lock is held, and no window procedure or change handler
// runs under any of them.
struct WindowTable {
  std::mutex mutex;
  std::unordered_map<std::uintptr_t, std::shared_ptr<WindowRecord>> windows;
  std::vector<HWND> topLevel;  // every thread's top-level windows, front first
  std::map<std::thread::id, int> windowCount;  // threads with live windows only
  std::map<std::thread::id, HWND> focus;
  WindowChangeHandler changeHandler;
};

WindowTable& Table() {
  static WindowTable* table = new WindowTable;  // never destroyed: threads may outlive static teardown
  return *table;
}

std::uintptr_t Key(HWND hwnd) { return reinterpret_cast<std::uintptr_t>(hwnd); }

// Handles are numbers counted up from here, never reused; even, so none equals the special
// insert-after values of SetWindowPos.
std::atomic<std::uintptr_t> gNextHandle{0x10000};

LRESULT CallProcedure(const std::shared_ptr<WindowRecord>& record, UINT message, WPARAM wParam, LPARAM lParam) {
  if (record->object) return record->object->WindowProc(message, wParam, lParam);
  return DefWindowProcW(record->handle, message, wParam, lParam);
}

// Moves the window within its siblings' z-order; true when the order changed.
bool Restack(std::vector<HWND>& siblings, WindowRecord& record, HWND insertAfter) {
  std::vector<HWND> order = siblings;
  std::erase(order, record.handle);
  if (insertAfter == HWND_BOTTOM) {
    order.push_back(record.handle);
  } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
    order.insert(order.begin(), record.handle);
    if (insertAfter == HWND_TOPMOST) record.exStyle |= WS_EX_TOPMOST;
    if (insertAfter == HWND_NOTOPMOST) record.exStyle &= ~WS_EX_TOPMOST;
  } else {
    auto it = std::find(order.begin(), order.end(), insertAfter);
    order.insert(it == order.end() ? order.end() : it + 1, record.handle);
  }
  bool changed = order != siblings;
  siblings = std::move(order);
  return changed;
}

void Unlink(WindowRecord& record) {
  std::shared_ptr<WindowRecord> parent;
  if (record.parent) {
    parent = OwnRecord(record.parent);
    if (parent) std::erase(parent->children, record.handle);
  }
  std::lock_guard lock(Table().mutex);
  if (!record.parent) std::erase(Table().topLevel, record.handle);
  Table().windows.erase(Key(record.handle));
  for (auto& [thread, focused] : Table().focus)
    if (focused == record.handle) focused = nullptr;
  // Thread ids are reused: a thread with no window left leaves nothing behind for the next one.
  if (--Table().windowCount[record.thread] == 0) {
    Table().windowCount.erase(record.thread);
    Table().focus.erase(record.thread);
  }
}

POINT ScreenOrigin(const WindowRecord& record) {
  POINT origin{record.rect.left, record.rect.top};
  for (HWND p = record.parent; p;) {
    auto parent = FindRecord(p);
    if (!parent) break;
    origin.x += parent->rect.left;
    origin.y += parent->rect.top;
    p = parent->parent;
  }
  return origin;
}

}  // namespace

namespace ui_internal {

std::shared_ptr<WindowRecord> FindRecord(HWND hwnd) {
  if (!hwnd) return nullptr;
  std::lock_guard lock(Table().mutex);
  auto it = Table().windows.find(Key(hwnd));
  return it == Table().windows.end() ? nullptr : it->second;
}

bool HasWindows(std::thread::id thread) {
  std::lock_guard lock(Table().mutex);
  return Table().windowCount.contains(thread);
}

std::shared_ptr<WindowRecord> OwnRecord(HWND hwnd) {
  auto record = FindRecord(hwnd);
  if (!record || record->thread != std::this_thread::get_id()) return nullptr;
  return record;
}

void NotifyChange(HWND hwnd, WindowChange change) {
  WindowChangeHandler handler;
  {
    std::lock_guard lock(Table().mutex);
    handler = Table().changeHandler;
  }
  if (handler) handler(hwnd, change);
}

HWND NotificationParent(HWND hwnd) {
  auto record = OwnRecord(hwnd);
  return record && IsWindow(record->notifyParent) ? record->notifyParent : nullptr;
}

void SetNotificationParent(HWND hwnd, HWND parent) {
  if (auto record = OwnRecord(hwnd)) record->notifyParent = parent;
}

int CopyToBuffer(std::wstring_view text, wchar_t* buffer, int capacity) {
  if (!buffer || capacity < 1) return 0;
  int count = static_cast<int>(std::min<size_t>(text.size(), static_cast<size_t>(capacity - 1)));
  std::copy_n(text.data(), count, buffer);
  buffer[count] = L'\0';
  return count;
}

HWND CreateWindowFor(CREATESTRUCTW cs, CWnd* object) {
  auto behaviour = MakeClassBehaviour(cs.className);
  if (!behaviour) return nullptr;
  auto record = std::make_shared<WindowRecord>();
  record->thread = std::this_thread::get_id();
  if (cs.style & WS_CHILD) {
    // A child lives on its parent's thread: a window's family is served by one loop. A parent
    // on its way out takes no new children.
    auto parent = OwnRecord(cs.hwndParent);
    if (!parent || parent->destroying) return nullptr;
    record->parent = cs.hwndParent;
    record->notifyParent = cs.hwndParent;
    record->id = cs.id;
  } else if (cs.hwndParent) {
    auto owner = OwnRecord(cs.hwndParent);
    if (!owner) return nullptr;
    // The owner of a popup is the top-level window of the given one.
    HWND top = owner->handle;
    while (auto r = OwnRecord(top)) {
      if (!r->parent) break;
      top = r->parent;
    }
    record->owner = top;
  }
  record->handle = reinterpret_cast<HWND>(gNextHandle.fetch_add(2));
  record->className = cs.className;
  record->style = cs.style;
  record->exStyle = cs.exStyle;
  record->rect = RECT{cs.x, cs.y, cs.x + std::max(cs.cx, 0), cs.y + std::max(cs.cy, 0)};
  record->text = cs.name;
  record->instance = cs.hInstance;
  record->behaviour = std::move(behaviour);
  record->object = object;
  if (object) WindowAccess::SetHandle(*object, record->handle);
  HWND hwnd = record->handle;
  if (record->parent) {
    if (auto parent = OwnRecord(record->parent)) parent->children.push_back(hwnd);  // children are added at the back
  }
  {
    std::lock_guard lock(Table().mutex);
    Table().windows.emplace(Key(hwnd), record);
    ++Table().windowCount[record->thread];
    if (!record->parent) Table().topLevel.insert(Table().topLevel.begin(), hwnd);
  }
  ui_internal::OpenQueue();  // other threads may post to the window from now on
  NotifyChange(hwnd, WindowChange::Created);
  if (CallProcedure(record, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    ::DestroyWindow(hwnd);
    return nullptr;
  }
  return IsWindow(hwnd) ? hwnd : nullptr;
}

}  // namespace ui_internal

HWND CreateWindowExW(DWORD exStyle, std::wstring_view className, std::wstring_view windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, UINT controlId, HINSTANCE instance) {
  CREATESTRUCTW cs;
  cs.hInstance = instance;
  cs.hwndParent = parent;
  cs.id = controlId;
  cs.cy = height;
  cs.cx = width;
  cs.y = y;
  cs.x = x;
  cs.style = style;
  cs.name = windowName;
  cs.className = className;
  cs.exStyle = exStyle;
  return ui_internal::CreateWindowFor(std::move(cs), nullptr);
}

BOOL DestroyWindow(HWND hwnd) {
  auto record = OwnRecord(hwnd);
  if (!record || record->destroying) return FALSE;
  record->destroying = true;
  // Owned popups go first: a tooltip never outlives the window it serves.
  std::vector<HWND> owned;
  {
    std::lock_guard lock(Table().mutex);
    for (HWND top : Table().topLevel) {
      auto it = Table().windows.find(Key(top));
      if (it != Table().windows.end() && it->second->owner == hwnd) owned.push_back(top);
    }
  }
  for (HWND w : owned) DestroyWindow(w);
  HWND focused = GetFocus();
  if (focused && (focused == hwnd || IsChild(hwnd, focused))) SetFocus(nullptr);
  CallProcedure(record, WM_DESTROY, 0, 0);
  for (HWND child : std::vector<HWND>(record->children)) DestroyWindow(child);
  CallProcedure(record, WM_NCDESTROY, 0, 0);
  if (record->object) {
    ui_internal::WindowAccess::SetHandle(*record->object, nullptr);
    record->object = nullptr;
  }
  Unlink(*record);
  ui_internal::DropQueuedMessages(hwnd);
  NotifyChange(hwnd, WindowChange::Destroyed);
  // The class's behaviour stays with the record until the last call on the window returns: the
  // window may be destroyed from inside one of its own messages.
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return FindRecord(hwnd) ? TRUE : FALSE; }

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto record = OwnRecord(hwnd);
  return record ? CallProcedure(record, message, wParam, lParam) : 0;
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto record = OwnRecord(hwnd);
  if (!record) return 0;
  LRESULT result = 0;
  if (record->behaviour && record->behaviour->Handle(hwnd, message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_SETTEXT: {
      const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
      record->text = text ? text : L"";
      NotifyChange(hwnd, WindowChange::Text);
      return TRUE;
    }
    case WM_GETTEXT:
      return ui_internal::CopyToBuffer(record->text, reinterpret_cast<wchar_t*>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(record->text.size());
    case WM_COMMAND: {
      // A control's command goes back to the control unless the parent handled it.
      HWND from = reinterpret_cast<HWND>(lParam);
      if (from && from != hwnd && IsWindow(from)) return SendMessageW(from, OCM_COMMAND, wParam, lParam);
      return 0;
    }
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header && header->hwndFrom && header->hwndFrom != hwnd && IsWindow(header->hwndFrom))
        return SendMessageW(header->hwndFrom, OCM_NOTIFY, wParam, lParam);
      return 0;
    }
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    default: return 0;
  }
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  auto record = OwnRecord(hwnd);
  if (!record) return FALSE;
  RECT before = record->rect;
  RECT after = before;
  if (!(flags & SWP_NOMOVE)) {
    after.left = x;
    after.top = y;
  }
  int width = (flags & SWP_NOSIZE) ? before.Width() : std::max(cx, 0);
  int height = (flags & SWP_NOSIZE) ? before.Height() : std::max(cy, 0);
  after.right = after.left + width;
  after.bottom = after.top + height;
  record->rect = after;
  bool restacked = false;
  if (!(flags & SWP_NOZORDER)) {
    if (record->parent) {
      // A child's siblings belong to the owning thread: no lock.
      if (auto parent = OwnRecord(record->parent)) restacked = Restack(parent->children, *record, insertAfter);
    } else {
      std::lock_guard lock(Table().mutex);
      restacked = Restack(Table().topLevel, *record, insertAfter);
    }
  }
  if (!(after == before) || restacked) NotifyChange(hwnd, WindowChange::Position);
  if (after.left != before.left || after.top != before.top)
    SendMessageW(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(after.left), static_cast<WORD>(after.top)));
  if (after.Width() != before.Width() || after.Height() != before.Height())
    SendMessageW(hwnd, WM_SIZE, 0, MAKELPARAM(static_cast<WORD>(after.Width()), static_cast<WORD>(after.Height())));
  if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, SW_SHOWNA);
  if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  auto record = OwnRecord(hwnd);
  if (!record || !rect) return FALSE;
  POINT origin = ScreenOrigin(*record);
  *rect = RECT{origin.x, origin.y, origin.x + record->rect.Width(), origin.y + record->rect.Height()};
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  auto record = OwnRecord(hwnd);
  if (!record || !rect) return FALSE;
  *rect = RECT{0, 0, record->rect.Width(), record->rect.Height()};
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
  auto record = OwnRecord(hwnd);
  if (!record || !point) return FALSE;
  POINT origin = ScreenOrigin(*record);
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

BOOL ShowWindow(HWND hwnd, int command) {
  auto record = OwnRecord(hwnd);
  if (!record) return FALSE;
  bool wasVisible = record->style & WS_VISIBLE;
  bool show = command != SW_HIDE;
  if (show == wasVisible) return wasVisible ? TRUE : FALSE;
  if (show)
    record->style |= WS_VISIBLE;
  else
    record->style &= ~WS_VISIBLE;
  SendMessageW(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  NotifyChange(hwnd, WindowChange::Visibility);
  return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  for (auto record = OwnRecord(hwnd); record; record = OwnRecord(record->parent)) {
    if (!(record->style & WS_VISIBLE)) return FALSE;
    if (!record->parent) return TRUE;
  }
  return FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  auto record = OwnRecord(hwnd);
  if (!record) return FALSE;
  bool wasDisabled = record->style & WS_DISABLED;
  if (wasDisabled == !enable) return wasDisabled ? TRUE : FALSE;
  if (enable)
    record->style &= ~WS_DISABLED;
  else
    record->style |= WS_DISABLED;
  SendMessageW(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  NotifyChange(hwnd, WindowChange::Enabled);
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  auto record = OwnRecord(hwnd);
  return record && !(record->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL SetWindowTextW(HWND hwnd, std::wstring_view text) {
  std::wstring copy(text);
  return SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str())) ? TRUE : FALSE;
}

int GetWindowTextW(HWND hwnd, wchar_t* buffer, int maxCount) {
  if (buffer && maxCount > 0) buffer[0] = L'\0';
  return static_cast<int>(
      SendMessageW(hwnd, WM_GETTEXT, static_cast<WPARAM>(std::max(maxCount, 0)), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND hwnd) { return static_cast<int>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0)); }

std::wstring GetWindowString(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied));
  return text;
}

std::wstring GetClassNameString(HWND hwnd) {
  auto record = FindRecord(hwnd);
  return record ? record->className : std::wstring();
}

LONG GetWindowLongW(HWND hwnd, int index) {
  auto record = OwnRecord(hwnd);
  if (!record) return 0;
  switch (index) {
    case GWL_STYLE: return static_cast<LONG>(record->style);
    case GWL_EXSTYLE: return static_cast<LONG>(record->exStyle);
    case GWL_ID: return static_cast<LONG>(record->id);
    default: return 0;
  }
}

HWND SetParent(HWND hwnd, HWND newParent) {
  auto record = OwnRecord(hwnd);
  auto target = OwnRecord(newParent);
  // Only a child moves, into a window that is not itself or inside it.
  if (!record || !record->parent || !target || newParent == hwnd || IsChild(hwnd, newParent)) return nullptr;
  HWND old = record->parent;
  if (old == newParent) return old;
  if (auto previous = OwnRecord(old)) std::erase(previous->children, hwnd);
  target->children.push_back(hwnd);
  {
    std::lock_guard lock(Table().mutex);
    record->parent = newParent;
  }
  NotifyChange(hwnd, WindowChange::Position);
  return old;
}

std::thread::id GetWindowThreadId(HWND hwnd) {
  auto record = FindRecord(hwnd);
  return record ? record->thread : std::thread::id();
}

HWND GetParent(HWND hwnd) {
  std::lock_guard lock(Table().mutex);
  auto it = Table().windows.find(Key(hwnd));
  if (it == Table().windows.end()) return nullptr;
  const WindowRecord& record = *it->second;
  return record.parent ? record.parent : record.owner;
}

HWND GetWindow(HWND hwnd, UINT relation) {
  auto record = OwnRecord(hwnd);
  if (!record) return nullptr;
  if (relation == GW_CHILD) return record->children.empty() ? nullptr : record->children.front();
  if (relation == GW_OWNER) return record->owner;
  std::vector<HWND> siblings = record->parent ? GetChildWindows(record->parent) : GetThreadTopLevelWindows();
  auto it = std::find(siblings.begin(), siblings.end(), hwnd);
  if (it == siblings.end()) return nullptr;
  switch (relation) {
    case GW_HWNDFIRST: return siblings.front();
    case GW_HWNDLAST: return siblings.back();
    case GW_HWNDNEXT: return it + 1 == siblings.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == siblings.begin() ? nullptr : *(it - 1);
    default: return nullptr;
  }
}

BOOL IsChild(HWND parent, HWND hwnd) {
  // One look at the whole family: the owning thread may be moving its windows meanwhile.
  std::lock_guard lock(Table().mutex);
  for (HWND at = hwnd; at;) {
    auto it = Table().windows.find(Key(at));
    if (it == Table().windows.end()) return FALSE;
    at = it->second->parent;
    if (at && at == parent) return TRUE;
  }
  return FALSE;
}

int GetDlgCtrlID(HWND hwnd) {
  auto record = FindRecord(hwnd);
  return record ? static_cast<int>(record->id) : 0;
}

HWND GetDlgItem(HWND parent, int controlId) {
  for (HWND child : GetChildWindows(parent))
    if (GetDlgCtrlID(child) == controlId) return child;
  return nullptr;
}

std::vector<HWND> GetChildWindows(HWND parent) {
  auto record = OwnRecord(parent);
  return record ? record->children : std::vector<HWND>();
}

std::vector<HWND> GetThreadTopLevelWindows() {
  std::vector<HWND> result;
  std::lock_guard lock(Table().mutex);
  for (HWND hwnd : Table().topLevel) {
    auto it = Table().windows.find(Key(hwnd));
    if (it != Table().windows.end() && it->second->thread == std::this_thread::get_id()) result.push_back(hwnd);
  }
  return result;
}

HWND GetFocus() {
  std::lock_guard lock(Table().mutex);
  auto it = Table().focus.find(std::this_thread::get_id());
  return it == Table().focus.end() ? nullptr : it->second;
}

HWND SetFocus(HWND hwnd) {
  if (hwnd && !OwnRecord(hwnd)) return nullptr;
  HWND previous = GetFocus();
  if (previous == hwnd) return previous;
  {
    std::lock_guard lock(Table().mutex);
    Table().focus[std::this_thread::get_id()] = hwnd;
  }
  if (previous) {
    SendMessageW(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    NotifyChange(previous, WindowChange::Focus);
  }
  // The window may pass the focus on (a combo box hands it to its edit field) while handling
  // WM_SETFOCUS; that nested call does its own notifying.
  if (hwnd && GetFocus() == hwnd) {
    SendMessageW(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    NotifyChange(hwnd, WindowChange::Focus);
  }
  return previous;
}

CWnd* GetWindowObject(HWND hwnd) {
  auto record = OwnRecord(hwnd);
  return record ? record->object : nullptr;
}

WindowChangeHandler SetWindowChangeHandler(WindowChangeHandler handler) {
  std::lock_guard lock(Table().mutex);
  std::swap(Table().changeHandler, handler);
  return handler;
}
