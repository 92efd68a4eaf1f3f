// The headless window system: windows, their state, message sending and posting, focus and the
// host's change notification.
//
// Every window belongs to the thread that created it (its user-interface thread). Only that
// thread sends messages to it, changes it or destroys it; another thread posts a message to it
// (PostMessageW), which the owning thread's message loop runs. Calls that read or change a
// window's state from a thread that does not own it do nothing and report failure; only what
// identifies a window and its place (IsWindow, class, parent or owner, IsChild, control id) may
// be asked anywhere.
//
// A window handle is a number that is never given out twice, so a handle kept after its window
// was destroyed is recognised as stale: calls with it fail, and messages for it are dropped.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/com/WinTypes.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Messages.h"

class CWnd;

// Styles.
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;

// Window classes that every window system has. Controls add their own (see the control headers).
inline constexpr wchar_t WC_WINDOW[] = L"Window";  // a plain window: no behaviour of its own

// SetWindowPos.
inline const HWND HWND_TOP = nullptr;
inline const HWND HWND_BOTTOM = reinterpret_cast<HWND>(1);
inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(-1);
inline const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(-2);
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr UINT SWP_NOCOPYBITS = 0x0100;

// ShowWindow.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_SHOWNA = 8;

// GetWindow.
constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;

// GetWindowLongW.
constexpr int GWL_EXSTYLE = -20;
constexpr int GWL_STYLE = -16;
constexpr int GWL_ID = -12;

// What a window is made from. A creation hook (CWnd::PreCreateWindow) may change it before the
// window exists.
struct CREATESTRUCTW {
  HINSTANCE hInstance = nullptr;
  HWND hwndParent = nullptr;  // the parent of a child window, the owner of a popup
  UINT id = 0;                // the control id of a child window
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  DWORD style = 0;
  std::wstring name;
  std::wstring className;
  DWORD exStyle = 0;
};

// Creates a window of a known class. A child window (WS_CHILD) needs a live parent of the
// calling thread; for any other window `parent` is its owner (or none). Returns none when the
// class is unknown, the parent is not usable, or the class refuses the window in WM_CREATE.
HWND CreateWindowExW(DWORD exStyle, std::wstring_view className, std::wstring_view windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, UINT controlId, HINSTANCE instance);
// Destroys the window, its children and the windows it owns. Messages still queued for them
// are dropped.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);

// Runs the window's procedure now, on the calling thread, which must own the window; returns
// its answer, or 0 for a stale handle or a foreign thread.
LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The class's own handling of a message, for a window procedure that passes a message on.
LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Geometry. A child's rectangle is in its parent's client coordinates; GetWindowRect gives
// screen coordinates.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL ScreenToClient(HWND hwnd, POINT* point);

// Returns whether the window was visible before.
BOOL ShowWindow(HWND hwnd, int command);
BOOL IsWindowVisible(HWND hwnd);  // the window and all its ancestors are visible
// Returns whether the window was disabled before.
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);

BOOL SetWindowTextW(HWND hwnd, std::wstring_view text);
// Copies at most maxCount - 1 characters and a terminating NUL; returns the characters copied.
int GetWindowTextW(HWND hwnd, wchar_t* buffer, int maxCount);
int GetWindowTextLengthW(HWND hwnd);
// The whole text, for callers that have no buffer of their own.
std::wstring GetWindowString(HWND hwnd);
std::wstring GetClassNameString(HWND hwnd);

LONG GetWindowLongW(HWND hwnd, int index);
HWND GetParent(HWND hwnd);  // the parent of a child window, the owner of any other
// The thread the window belongs to; a default id for a stale handle.
std::thread::id GetWindowThreadId(HWND hwnd);
// Places a child window inside another window of the same thread, keeping its rectangle's
// numbers (now in the new parent's coordinates); returns the parent before, or none when the
// move is refused. A control still sends its notifications to the parent it was made with, so a
// host can show a window elsewhere without changing who hears from it.
HWND SetParent(HWND hwnd, HWND newParent);
HWND GetWindow(HWND hwnd, UINT relation);
BOOL IsChild(HWND parent, HWND hwnd);  // `hwnd` is a descendant of `parent`
int GetDlgCtrlID(HWND hwnd);
// The direct child of `parent` with the control id, or none.
HWND GetDlgItem(HWND parent, int controlId);
// The children of a window, front of the z-order first.
std::vector<HWND> GetChildWindows(HWND parent);
// The top-level windows of the calling thread, front of the z-order first.
std::vector<HWND> GetThreadTopLevelWindows();

// Keyboard focus, one window per user-interface thread. SetFocus sends WM_KILLFOCUS to the
// window that loses it and WM_SETFOCUS to the one that gets it, and returns the window that had
// it. SetFocus(nullptr) takes the focus from every window of the thread.
HWND SetFocus(HWND hwnd);
HWND GetFocus();

// The C++ object that handles a window's messages (see CWnd), or none.
CWnd* GetWindowObject(HWND hwnd);

// What changed in a window, for a host that draws windows.
enum class WindowChange {
  Created,
  Destroyed,
  Position,  // rectangle or z-order
  Visibility,
  Enabled,
  Text,
  Focus,    // the window got or lost the keyboard focus
  Content,  // state of the control itself: buttons, list items, selection, caret
};
// Told on the window's own thread, after the change, without any lock of the window system
// held; it may read windows but should not change them.
using WindowChangeHandler = std::function<void(HWND, WindowChange)>;
// Installs the process's change handler and returns the one it replaces.
WindowChangeHandler SetWindowChangeHandler(WindowChangeHandler handler);
