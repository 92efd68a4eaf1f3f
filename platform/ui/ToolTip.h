// The tooltip control. It keeps a list of tools (a window, or a rectangle of a window, each with
// an id) and their texts. A tool whose text is LPSTR_TEXTCALLBACKW has it asked for each time
// it is needed: the tooltip sends WM_NOTIFY TTN_GETDISPINFOW (or TTN_GETDISPINFOA for the narrow
// form) to the tool's window, whose answer fills the request's own 80-character buffer or points
// at a text of its own.
//
// The control sees the mouse only through the messages relayed to it (TTM_RELAYEVENT); while it
// is active, a relayed mouse move over a tool makes that tool the current one, whose tip a host
// shows; a click or a move away ends it.
#pragma once
#include "platform/com/WinTypes.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Messages.h"

inline constexpr wchar_t TOOLTIPS_CLASS[] = L"tooltips_class32";

constexpr DWORD TTS_ALWAYSTIP = 0x01;
constexpr DWORD TTS_NOPREFIX = 0x02;

constexpr UINT TTF_IDISHWND = 0x0001;  // uId is the handle of the tool's window
constexpr UINT TTF_SUBCLASS = 0x0010;

inline wchar_t* const LPSTR_TEXTCALLBACKW = reinterpret_cast<wchar_t*>(-1);

struct TOOLINFOW {
  UINT cbSize = sizeof(TOOLINFOW);
  UINT uFlags = 0;
  HWND hwnd = nullptr;  // the window that holds the tool and is asked for its text
  UINT_PTR uId = 0;
  RECT rect;  // in hwnd's client coordinates; unused with TTF_IDISHWND
  HINSTANCE hinst = nullptr;
  wchar_t* lpszText = nullptr;
  LPARAM lParam = 0;
};

// The narrow form of TOOLINFOW, for TTM_GETTEXTA only.
struct TOOLINFOA {
  UINT cbSize = sizeof(TOOLINFOA);
  UINT uFlags = 0;
  HWND hwnd = nullptr;
  UINT_PTR uId = 0;
  RECT rect;
  HINSTANCE hinst = nullptr;
  char* lpszText = nullptr;
  LPARAM lParam = 0;
};

constexpr int kToolTipTextBuffer = 80;

// The text request. The answer either fills szText or sets lpszText to a text that lives at
// least until the request returns.
struct NMTTDISPINFOW {
  NMHDR hdr;  // idFrom is the tool id (the tool window's handle with TTF_IDISHWND)
  wchar_t* lpszText = nullptr;
  wchar_t szText[kToolTipTextBuffer] = {};
  HINSTANCE hinst = nullptr;
  UINT uFlags = 0;
  LPARAM lParam = 0;
};

struct NMTTDISPINFOA {
  NMHDR hdr;
  char* lpszText = nullptr;
  char szText[kToolTipTextBuffer] = {};
  HINSTANCE hinst = nullptr;
  UINT uFlags = 0;
  LPARAM lParam = 0;
};

constexpr UINT TTN_FIRST = 0U - 520U;
constexpr UINT TTN_GETDISPINFOA = TTN_FIRST - 0;
constexpr UINT TTN_GETDISPINFOW = TTN_FIRST - 10;
constexpr UINT TTN_NEEDTEXTA = TTN_GETDISPINFOA;
constexpr UINT TTN_NEEDTEXTW = TTN_GETDISPINFOW;

// Delays, in milliseconds.
constexpr WPARAM TTDT_AUTOMATIC = 0;
constexpr WPARAM TTDT_RESHOW = 1;
constexpr WPARAM TTDT_AUTOPOP = 2;
constexpr WPARAM TTDT_INITIAL = 3;

constexpr UINT TTM_ACTIVATE = WM_USER + 1;      // wParam TRUE or FALSE
constexpr UINT TTM_SETDELAYTIME = WM_USER + 3;  // which, milliseconds (-1: the default)
constexpr UINT TTM_RELAYEVENT = WM_USER + 7;    // lParam const MSG*
constexpr UINT TTM_GETTEXTA = WM_USER + 11;     // buffer size in bytes, TOOLINFOA* with the buffer
constexpr UINT TTM_GETTOOLCOUNT = WM_USER + 13;
constexpr UINT TTM_GETDELAYTIME = WM_USER + 21;
constexpr UINT TTM_SETMAXTIPWIDTH = WM_USER + 24;  // returns the width before
constexpr UINT TTM_GETMAXTIPWIDTH = WM_USER + 25;
constexpr UINT TTM_ADDTOOLW = WM_USER + 50;  // TOOLINFOW*; TRUE when added
constexpr UINT TTM_DELTOOLW = WM_USER + 51;  // TOOLINFOW* naming hwnd and uId
constexpr UINT TTM_NEWTOOLRECTW = WM_USER + 52;
constexpr UINT TTM_GETTOOLINFOW = WM_USER + 53;
constexpr UINT TTM_GETTEXTW = WM_USER + 56;  // buffer size in characters, TOOLINFOW* with the buffer
constexpr UINT TTM_GETCURRENTTOOLW = WM_USER + 59;
// Whether the control is active; this window system's own request.
constexpr UINT TTM_GETACTIVE = WM_USER + 0x1F3;
