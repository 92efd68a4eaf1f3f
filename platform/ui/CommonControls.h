// Base classes for C++ objects behind the common controls. Each makes its window of the right
// class through CWnd::CreateEx, so a derived class's creation hook and WindowProc see it from
// WM_CREATE on; everything else goes through the controls' messages.
#pragma once
#include "platform/ui/ComboBox.h"
#include "platform/ui/ToolTip.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Wnd.h"

class CToolBarCtrl : public CWnd {
 public:
  bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    return CreateEx(0, TOOLBARCLASSNAME, L"", style, rect, parent, id);
  }
};

// The inner combo box and edit field are made while WM_CREATE passes through DefaultProc, so a
// derived class looks them up after passing WM_CREATE on.
class CComboBoxEx : public CWnd {
 public:
  // `rect` includes the height of the dropped-down list.
  bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    return CreateEx(0, WC_COMBOBOXEX, L"", style, rect, parent, id);
  }
  HWND GetComboBoxCtrl() const { return reinterpret_cast<HWND>(SendMessage(CBEM_GETCOMBOCONTROL)); }
  HWND GetEditCtrl() const { return reinterpret_cast<HWND>(SendMessage(CBEM_GETEDITCONTROL)); }
};

class CToolTipCtrl : public CWnd {
 public:
  // A popup owned by `owner`'s top-level window: it goes when that window goes, or when this
  // object is destroyed.
  bool Create(HWND owner, DWORD style = TTS_ALWAYSTIP) {
    return CreateEx(0, TOOLTIPS_CLASS, L"", WS_POPUP | style, RECT{}, owner, 0);
  }
};
