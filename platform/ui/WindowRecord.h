// Inside the window system: what stands behind a window handle. Not for callers of the window
// system; control classes use it to keep their state with their window.
#pragma once
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/Window.h"
#include "platform/ui/Wnd.h"

namespace ui_internal {

// The behaviour a window class brings: the toolbar's buttons, the combo box's list, ...
class ClassBehaviour {
 public:
  virtual ~ClassBehaviour() = default;
  // Handles a message the class knows and sets its answer; false leaves the message to the
  // handling every window shares (text, reflection of notifications).
  virtual bool Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
};

struct WindowRecord {
  HWND handle = nullptr;
  std::thread::id thread;  // the owning thread; never changes
  std::wstring className;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect;                    // in the parent's client coordinates, or the screen's for a top-level window
  // Child windows only. Any thread may ask for it (GetParent, IsChild): the owning thread changes
  // it under the window table's lock, and other threads read it under that lock.
  HWND parent = nullptr;
  HWND notifyParent = nullptr;  // where a control's notifications go: its first parent
  HWND owner = nullptr;         // top-level windows only
  UINT id = 0;
  std::wstring text;
  HINSTANCE instance = nullptr;
  std::vector<HWND> children;  // front of the z-order first
  CWnd* object = nullptr;
  std::unique_ptr<ClassBehaviour> behaviour;
  bool destroying = false;
};

// A live window, from any thread (only the immutable fields may be read off its thread; the
// parent is read through GetParent and IsChild).
std::shared_ptr<WindowRecord> FindRecord(HWND hwnd);
// A live window of the calling thread.
std::shared_ptr<WindowRecord> OwnRecord(HWND hwnd);
// The behaviour of a live window of the calling thread, if it is of type T.
template <class T>
T* BehaviourOf(HWND hwnd) {
  auto record = OwnRecord(hwnd);
  return record ? dynamic_cast<T*>(record->behaviour.get()) : nullptr;
}
void NotifyChange(HWND hwnd, WindowChange change);
// The window a control tells about itself (WM_COMMAND, WM_NOTIFY): the parent it was made with,
// even after SetParent has placed it elsewhere; none when that window is gone.
HWND NotificationParent(HWND hwnd);
void SetNotificationParent(HWND hwnd, HWND parent);

// Made per class name; none for an unknown class.
std::unique_ptr<ClassBehaviour> MakeClassBehaviour(std::wstring_view className);
// Creates a window with an object attached before WM_CREATE.
HWND CreateWindowFor(CREATESTRUCTW cs, CWnd* object);
// Whether the thread has a live window.
bool HasWindows(std::thread::id thread);
// Gives the calling thread its message queue, if it has none yet: it made a window.
void OpenQueue();
// Removes the queued messages of a window of the calling thread that has just been destroyed;
// the thread's queue goes with its last window when nothing is left in it.
void DropQueuedMessages(HWND hwnd);

// Copies text into a caller's buffer of `capacity` characters, cut to fit and NUL-terminated;
// returns the characters copied. Nothing is written for a capacity below 1.
int CopyToBuffer(std::wstring_view text, wchar_t* buffer, int capacity);

struct WindowAccess {
  static void SetHandle(CWnd& object, HWND hwnd) { object.hwnd_ = hwnd; }
};

}  // namespace ui_internal
