// CWnd: the C++ object behind a window, for classes that handle a window's messages themselves.
// A derived class overrides WindowProc, handles what it wants and passes the rest to
// DefaultProc, which runs the window class's own behaviour. Notifications that a control sends
// to its parent (WM_COMMAND, WM_NOTIFY) are, unless the parent handles them itself, reflected
// back to the control as OCM_COMMAND and OCM_NOTIFY with the same parameters, so a control class
// handles its own notifications. An object is used, and destroyed, on its window's thread.
#pragma once
#include <string_view>

#include "platform/ui/Window.h"

namespace ui_internal {
struct WindowAccess;
}

class CWnd {
 public:
  CWnd() = default;
  // Destroys the window if it still exists. The derived part is already gone by then, so the
  // window's last messages reach only the class's own behaviour; a derived class that must see
  // WM_DESTROY destroys the window in its own destructor.
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // Creates the window with this object attached, so that WM_CREATE already reaches WindowProc.
  // The creation hook may change the parameters first. False when the window system refuses the
  // window or the object already has one.
  bool CreateEx(DWORD exStyle, std::wstring_view className, std::wstring_view windowName, DWORD style, const RECT& rect,
                HWND parent, UINT controlId, HINSTANCE instance = nullptr);
  // Attaches this object to an existing window of the calling thread that has none.
  bool Attach(HWND hwnd);
  // Lets go of the window without destroying it.
  HWND Detach();
  bool DestroyWindow();

  HWND GetSafeHwnd() const { return hwnd_; }
  operator HWND() const { return hwnd_; }

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(hwnd_, message, wParam, lParam);
  }

  // Every message sent or dispatched to the window arrives here.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // The creation hook: runs before the window is made and may change how it is made.
  virtual void PreCreateWindow(CREATESTRUCTW& cs);
  // The window class's own handling of a message.
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  friend struct ui_internal::WindowAccess;
  HWND hwnd_ = nullptr;
};
