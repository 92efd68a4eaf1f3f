// The single-line edit control: a text with a caret and a selection, edited by the key messages
// a user's typing makes. Characters (WM_CHAR) replace the selection; Backspace (as the character
// it translates to) removes the selection or the character before the caret; the keys Delete,
// Home, End, Left and Right (WM_KEYDOWN) act at the caret, and with Shift held (its key down and
// up sent to this control, as the keyboard sends them) extend the selection. Each edit by the
// user tells the parent with EN_CHANGE.
#pragma once
#include "platform/com/WinTypes.h"

inline constexpr wchar_t WC_EDIT[] = L"Edit";

constexpr UINT EM_GETSEL = 0x00B0;      // wParam DWORD* start, lParam DWORD* end (either may be null)
constexpr UINT EM_SETSEL = 0x00B1;      // start, end; start -1 takes the selection away, end -1 is the end
constexpr UINT EM_REPLACESEL = 0x00C2;  // lParam const wchar_t*: replaces the selection
constexpr UINT EM_LIMITTEXT = 0x00C5;   // wParam the most characters the user may type; 0 the default
constexpr UINT EM_GETLIMITTEXT = 0x00D5;
// The caret's position; this window system's own request, for hosts that draw the caret.
constexpr UINT EM_GETCARETPOS = 0x0400 + 0x1F0;

constexpr int kDefaultEditLimit = 32767;
