// The toolbar's two boxes, each a combo box with an edit field, on one common base: the base
// finds the inner combo box and edit field when the window is made, tells the band when the
// person begins to edit, and gives each box its own key handler (see CTesselToolBarCtrl).
#pragma once
#include "platform/com/HResult.h"
#include "platform/ui/CommonControls.h"

class CTesselBand;
class CTesselToolBarCtrl;

// What the key table makes of a key message that reached a box (see CTesselToolBarCtrl).
enum class KeyRole {
  Enter,   // Enter released: the box's command
  PassOn,  // an editing or moving key: the field takes it, the browser does not
  Typing,  // a key of the typing range: left to the browser, which passes it to the field
  Other,   // anything else: left to the browser
};

class CBandComboBox : public CComboBoxEx {
 public:
  void SetBand(CTesselBand* band) { band_ = band; }
  CTesselBand* Band() const { return band_; }
  HWND EditControl() const { return edit_; }
  // Whether `window` is this box or its edit field.
  bool Owns(HWND window) const { return window && (window == GetSafeHwnd() || window == edit_); }
  bool IsDroppedDown() const { return SendMessage(CB_GETDROPPEDSTATE) != 0; }

  // A key message that reached the box's edit field: S_OK when the box used it (it was passed on
  // to the field or ran a command), S_FALSE to leave it to the browser.
  virtual HRESULT HandleKey(const MSG& msg) = 0;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  // The row of the key table that the message falls in; the first matching row counts.
  static KeyRole ClassifyKey(const MSG& msg);
  // The toolbar the box sits in, reached through the band.
  CTesselToolBarCtrl& Toolbar() const;
  // Translates the key into its characters and dispatches it to its window; the key is used.
  static HRESULT PassOn(const MSG& msg);
  // A notification of the inner combo box, reflected back to this box (CBN_*). Unhandled by default.
  virtual void OnComboNotification(WORD /*code*/) {}

 private:
  CTesselBand* band_ = nullptr;
  HWND combo_ = nullptr;
  HWND edit_ = nullptr;
};

// The search box (id 103): words of a search, and the description for Add and Change. Enter
// runs the search; a pick from its list runs it with the picked entry. It has a tooltip of its own.
class CSearchBox final : public CBandComboBox {
 public:
  // Destroys the window while this object still hears WM_DESTROY, which takes its tooltip down.
  ~CSearchBox() override;
  HRESULT HandleKey(const MSG& msg) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  void OnComboNotification(WORD code) override;

 private:
  void CreateToolTip();
  void DestroyToolTip();

  CToolTipCtrl toolTip_;
};

// The category box (id 104): the category for Add, Change, Show and Delete category, and the new
// name when Enter renames the category whose name it held before the edit.
class CCategoryBox final : public CBandComboBox {
 public:
  HRESULT HandleKey(const MSG& msg) override;
};
