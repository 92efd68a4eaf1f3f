// The combo box and the extended combo box ("combo box with an edit field").
//
// An extended combo box is a window with an inner combo box as its child, which in turn has an
// edit field as its child. The outer box answers the combo-box requests (CB_*) by passing them
// to the inner one, keeps the edit field's text as its own text, and gives its parent the inner
// box's notifications (WM_COMMAND with CBN_*) under its own id and handle. When the edit field
// gets the keyboard focus the outer box tells its parent with WM_NOTIFY CBEN_BEGINEDIT. Setting
// the focus on either box puts it on the edit field.
//
// The height an extended combo box is made or sized with is its height with the list dropped
// down; its window is as high as the edit field (22 pixels), and CB_GETDROPPEDCONTROLRECT gives
// the dropped list's rectangle.
//
// Up and Down in the edit field step through the list: the entry becomes the selection and the
// edit text, and the box sends CBN_SELCHANGE (the list stays as it is, open or closed).
//
// A pick from the list sets the selection and the edit text (all of it selected) first, then
// sends CBN_SELCHANGE, then closes the list with CBN_CLOSEUP, so both notifications see the new
// selection.
#pragma once
#include "platform/com/WinTypes.h"
#include "platform/ui/Messages.h"

inline constexpr wchar_t WC_COMBOBOX[] = L"ComboBox";
inline constexpr wchar_t WC_COMBOBOXEX[] = L"ComboBoxEx32";

// Styles. Items keep the order they are inserted in; there is no sorting.
constexpr DWORD CBS_SIMPLE = 0x0001;
constexpr DWORD CBS_DROPDOWN = 0x0002;
constexpr DWORD CBS_DROPDOWNLIST = 0x0003;  // no edit field: the text is the selected item's
constexpr DWORD CBS_AUTOHSCROLL = 0x0040;

constexpr LRESULT CB_OKAY = 0;
constexpr LRESULT CB_ERR = -1;

// Requests of the combo box (and, passed on, of the extended combo box).
constexpr UINT CB_GETEDITSEL = 0x0140;
constexpr UINT CB_LIMITTEXT = 0x0141;
constexpr UINT CB_SETEDITSEL = 0x0142;
constexpr UINT CB_ADDSTRING = 0x0143;     // lParam const wchar_t*; returns the index
constexpr UINT CB_DELETESTRING = 0x0144;  // returns the count left, or CB_ERR
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;  // CB_ERR when nothing is selected
constexpr UINT CB_GETLBTEXT = 0x0148;  // lParam a buffer of at least CB_GETLBTEXTLEN + 1 characters
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;  // wParam index, -1 for the end
constexpr UINT CB_RESETCONTENT = 0x014B;  // empties the list and the edit field
constexpr UINT CB_SETCURSEL = 0x014E;     // -1 takes the selection away; the edit field shows the item
constexpr UINT CB_SHOWDROPDOWN = 0x014F;  // wParam TRUE to open the list, FALSE to close it
constexpr UINT CB_GETITEMDATA = 0x0150;
constexpr UINT CB_SETITEMDATA = 0x0151;
constexpr UINT CB_GETDROPPEDCONTROLRECT = 0x0152;  // lParam RECT*, in screen coordinates
constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;  // wParam the index to search after (-1: all), without regard to case
constexpr UINT CB_GETDROPPEDWIDTH = 0x015F;
constexpr UINT CB_SETDROPPEDWIDTH = 0x0160;

// Notifications, in the high word of WM_COMMAND's wParam.
constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD CBN_SETFOCUS = 3;
constexpr WORD CBN_KILLFOCUS = 4;
constexpr WORD CBN_EDITCHANGE = 5;
constexpr WORD CBN_DROPDOWN = 7;
constexpr WORD CBN_CLOSEUP = 8;

// Requests of the extended combo box.
constexpr UINT CBEM_INSERTITEMW = WM_USER + 11;  // lParam COMBOBOXEXITEMW*; returns the index or -1
constexpr UINT CBEM_SETITEMW = WM_USER + 12;
constexpr UINT CBEM_GETITEMW = WM_USER + 13;  // item -1 is the edit field; text cut to cchTextMax
constexpr UINT CBEM_GETCOMBOCONTROL = WM_USER + 6;
constexpr UINT CBEM_GETEDITCONTROL = WM_USER + 7;
constexpr UINT CBEM_DELETEITEM = CB_DELETESTRING;

constexpr UINT CBEIF_TEXT = 0x00000001;
constexpr UINT CBEIF_LPARAM = 0x00000020;

struct COMBOBOXEXITEMW {
  UINT mask = 0;
  std::intptr_t iItem = 0;
  wchar_t* pszText = nullptr;  // in for insert and set; the caller's buffer for get
  int cchTextMax = 0;          // the buffer's size in characters, its NUL included
  int iImage = 0;
  int iSelectedImage = 0;
  int iOverlay = 0;
  int iIndent = 0;
  LPARAM lParam = 0;
};

// Notifications of the extended combo box (WM_NOTIFY codes).
constexpr UINT CBEN_FIRST = 0U - 800U;
constexpr UINT CBEN_BEGINEDIT = CBEN_FIRST - 4;

// What a person does with a box's list; `box` is an extended combo box or a combo box, on the
// calling thread. Opening puts the focus on the box (which begins an edit) and opens the list;
// a pick opens the list if it is closed, picks entry `index` and closes it; dismissing closes it
// without a pick. A pick of an index outside the list does nothing and returns false.
bool OpenComboList(HWND box);
bool PickComboListItem(HWND box, int index);
bool DismissComboList(HWND box);
