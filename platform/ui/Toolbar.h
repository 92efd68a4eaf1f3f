// The toolbar control: a row of buttons and separators, laid out left to right, with images
// from bitmaps and labels from the toolbar's string pool.
//
// Layout is fixed so that every host shows the same rectangles: a button is as wide as its image
// plus 9 pixels, plus 7 pixels for each character of its label; a separator is as wide as its
// iBitmap field says, or 8 pixels when that is 0. Buttons are 22 pixels high (or the image
// height plus 7, if more). A click (WM_LBUTTONDOWN then WM_LBUTTONUP over the same enabled
// button) sends WM_COMMAND with the button's command id and BN_CLICKED to the parent it was made
// with (or the one TB_SETPARENT names).
//
// With TBSTYLE_TOOLTIPS the toolbar makes a tooltip control with one tool per button (tool id
// = command id, text asked for by TTN_GETDISPINFO, sent to the toolbar); a request the toolbar's
// own window procedure does not answer goes on to the parent.
#pragma once
#include <optional>

#include "platform/com/WinTypes.h"
#include "platform/ui/Image.h"
#include "platform/ui/Messages.h"

inline constexpr wchar_t TOOLBARCLASSNAME[] = L"ToolbarWindow32";

// Styles of the toolbar and of common controls.
constexpr DWORD CCS_TOP = 0x0001;
constexpr DWORD CCS_NORESIZE = 0x0004;
constexpr DWORD CCS_NOPARENTALIGN = 0x0008;
constexpr DWORD CCS_NODIVIDER = 0x0040;
constexpr DWORD TBSTYLE_TOOLTIPS = 0x0100;
constexpr DWORD TBSTYLE_WRAPABLE = 0x0200;
constexpr DWORD TBSTYLE_FLAT = 0x0800;
constexpr DWORD TBSTYLE_LIST = 0x1000;
constexpr DWORD TBSTYLE_TRANSPARENT = 0x8000;

// Button states and kinds.
constexpr BYTE TBSTATE_CHECKED = 0x01;
constexpr BYTE TBSTATE_PRESSED = 0x02;
constexpr BYTE TBSTATE_ENABLED = 0x04;
constexpr BYTE TBSTATE_HIDDEN = 0x08;
constexpr BYTE BTNS_BUTTON = 0x00;
constexpr BYTE BTNS_SEP = 0x01;
constexpr BYTE TBSTYLE_BUTTON = BTNS_BUTTON;
constexpr BYTE TBSTYLE_SEP = BTNS_SEP;

struct TBBUTTON {
  int iBitmap = 0;  // image index; for a separator its width (0: the default)
  int idCommand = 0;
  BYTE fsState = 0;
  BYTE fsStyle = 0;
  std::uintptr_t dwData = 0;
  std::intptr_t iString = -1;  // index into the string pool, or -1 for no label
};

// TB_ADDBITMAP: the bitmap resource nID of module hInst, or with no module nID is an HBITMAP.
struct TBADDBITMAP {
  HINSTANCE hInst = nullptr;
  std::uintptr_t nID = 0;
};

constexpr UINT TB_ENABLEBUTTON = WM_USER + 1;  // command, LOWORD(lParam) enable
constexpr UINT TB_CHECKBUTTON = WM_USER + 2;
constexpr UINT TB_PRESSBUTTON = WM_USER + 3;  // command, LOWORD(lParam) press
constexpr UINT TB_HIDEBUTTON = WM_USER + 4;
constexpr UINT TB_ISBUTTONENABLED = WM_USER + 9;
constexpr UINT TB_ISBUTTONCHECKED = WM_USER + 10;
constexpr UINT TB_ISBUTTONPRESSED = WM_USER + 11;
constexpr UINT TB_SETSTATE = WM_USER + 17;
constexpr UINT TB_GETSTATE = WM_USER + 18;      // -1 for an unknown command
constexpr UINT TB_ADDBITMAP = WM_USER + 19;     // wParam image count, lParam TBADDBITMAP*; first index or -1
constexpr UINT TB_DELETEBUTTON = WM_USER + 22;  // index
constexpr UINT TB_GETBUTTON = WM_USER + 23;     // index, TBBUTTON*
constexpr UINT TB_BUTTONCOUNT = WM_USER + 24;
constexpr UINT TB_COMMANDTOINDEX = WM_USER + 25;  // -1 for an unknown command
constexpr UINT TB_GETITEMRECT = WM_USER + 29;     // index, RECT* in the toolbar's client coordinates
constexpr UINT TB_BUTTONSTRUCTSIZE = WM_USER + 30;
constexpr UINT TB_SETBITMAPSIZE = WM_USER + 32;  // MAKELONG(width, height) of one image
constexpr UINT TB_GETTOOLTIPS = WM_USER + 35;
constexpr UINT TB_SETTOOLTIPS = WM_USER + 36;    // wParam the tooltip control
constexpr UINT TB_SETPARENT = WM_USER + 37;      // wParam the window told of clicks; returns the one before
constexpr UINT TB_GETRECT = WM_USER + 51;        // command, RECT*
constexpr UINT TB_INSERTBUTTONW = WM_USER + 67;  // index, TBBUTTON*
constexpr UINT TB_ADDBUTTONSW = WM_USER + 68;    // count, TBBUTTON array
constexpr UINT TB_HITTEST = WM_USER + 69;        // POINT*; the button's index, or -1 (a separator: -2 - index)
// command, buffer of at least the answer + 1 characters (null buffer: only the length); -1 if none
constexpr UINT TB_GETBUTTONTEXTW = WM_USER + 75;
// wParam a module and lParam a string resource id; or wParam 0 and lParam texts each ended by a
// NUL, the last by two. Returns the pool index of the first text added, or -1.
constexpr UINT TB_ADDSTRINGW = WM_USER + 77;

// The image at `index` of the toolbar's images, for hosts that draw buttons.
std::optional<Image> GetToolbarImage(HWND toolbar, int index);
