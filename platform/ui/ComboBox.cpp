#include "platform/ui/ComboBox.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/text/WideText.h"
#include "platform/ui/ControlClasses.h"
#include "platform/ui/Edit.h"
#include "platform/ui/Window.h"

namespace {

using ui_internal::ClassBehaviour;
using ui_internal::NotifyChange;

// The inner combo box's private request for a person's pick from the list.
constexpr UINT CBM_USERPICK = WM_USER + 0x1F2;
constexpr UINT kEditId = 1001;
constexpr int kFieldHeight = 22;

void NotifyParent(HWND hwnd, WORD code) {
  HWND parent = ui_internal::NotificationParent(hwnd);
  if (parent)
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                 reinterpret_cast<LPARAM>(hwnd));
}

class ComboBehaviour : public ClassBehaviour {
 public:
  bool Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    switch (message) {
      case WM_CREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if ((cs->style & 0x3) != CBS_DROPDOWNLIST) {
          edit_ = CreateWindowExW(0, WC_EDIT, cs->name, WS_CHILD | WS_VISIBLE, 0, 0, cs->cx, cs->cy, hwnd, kEditId,
                                  cs->hInstance);
          if (!edit_) {
            result = -1;
            return true;
          }
        }
        return false;
      }
      case WM_SIZE:
        if (edit_) SetWindowPos(edit_, nullptr, 0, 0, LOWORD(lParam), HIWORD(lParam), SWP_NOZORDER | SWP_NOACTIVATE);
        return true;
      case WM_SETFOCUS:
        if (edit_) SetFocus(edit_);
        return true;
      case WM_SETTEXT:
      case WM_GETTEXT:
      case WM_GETTEXTLENGTH:
      case CB_LIMITTEXT:
        if (!edit_) return false;
        result = SendMessageW(edit_, message == CB_LIMITTEXT ? EM_LIMITTEXT : message, wParam, lParam);
        return true;
      case CB_GETEDITSEL: result = edit_ ? SendMessageW(edit_, EM_GETSEL, wParam, lParam) : CB_ERR; return true;
      case CB_SETEDITSEL:
        result = edit_ ? SendMessageW(edit_, EM_SETSEL, LOWORD(static_cast<std::uintptr_t>(lParam)),
                                      static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(lParam))))
                       : CB_ERR;
        return true;
      case WM_COMMAND:
        if (edit_ && reinterpret_cast<HWND>(lParam) == edit_) {
          switch (HIWORD(wParam)) {
            case EN_CHANGE: NotifyParent(hwnd, CBN_EDITCHANGE); break;
            case EN_SETFOCUS: NotifyParent(hwnd, CBN_SETFOCUS); break;
            case EN_KILLFOCUS: NotifyParent(hwnd, CBN_KILLFOCUS); break;
            default: break;
          }
          return true;
        }
        return false;
      case CB_ADDSTRING:
      case CB_INSERTSTRING: {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
        auto index = message == CB_ADDSTRING ? -1 : static_cast<std::intptr_t>(wParam);
        if (index < -1 || index > Count()) {
          result = CB_ERR;
          return true;
        }
        if (index == -1) index = Count();
        items_.insert(items_.begin() + index, Item{text ? text : L"", 0});
        if (selection_ >= index) ++selection_;
        NotifyChange(hwnd, WindowChange::Content);
        result = index;
        return true;
      }
      case CB_DELETESTRING: {
        auto index = static_cast<std::intptr_t>(wParam);
        if (!Valid(index)) {
          result = CB_ERR;
          return true;
        }
        items_.erase(items_.begin() + index);
        if (selection_ == index)
          selection_ = -1;
        else if (selection_ > index)
          --selection_;
        NotifyChange(hwnd, WindowChange::Content);
        result = Count();
        return true;
      }
      case CB_RESETCONTENT:
        items_.clear();
        selection_ = -1;
        SetEditText(hwnd, L"");
        NotifyChange(hwnd, WindowChange::Content);
        result = CB_OKAY;
        return true;
      case CB_GETCOUNT: result = Count(); return true;
      case CB_GETCURSEL: result = selection_; return true;
      case CB_SETCURSEL: {
        auto index = static_cast<std::intptr_t>(wParam);
        Select(hwnd, Valid(index) ? index : -1);
        result = Valid(index) ? index : CB_ERR;
        return true;
      }
      case CB_GETLBTEXTLEN: {
        auto index = static_cast<std::intptr_t>(wParam);
        result = Valid(index) ? static_cast<LRESULT>(items_[index].text.size()) : CB_ERR;
        return true;
      }
      case CB_GETLBTEXT: {
        auto index = static_cast<std::intptr_t>(wParam);
        auto* buffer = reinterpret_cast<wchar_t*>(lParam);
        if (!Valid(index) || !buffer) {
          result = CB_ERR;
          return true;
        }
        const std::wstring& text = items_[index].text;
        result = ui_internal::CopyToBuffer(text, buffer, static_cast<int>(text.size()) + 1);
        return true;
      }
      case CB_GETITEMDATA:
      case CB_SETITEMDATA: {
        auto index = static_cast<std::intptr_t>(wParam);
        if (!Valid(index)) {
          result = CB_ERR;
          return true;
        }
        if (message == CB_SETITEMDATA) items_[index].data = lParam;
        result = message == CB_SETITEMDATA ? TRUE : items_[index].data;
        return true;
      }
      case CB_FINDSTRINGEXACT: {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
        auto after = static_cast<std::intptr_t>(wParam);
        result = CB_ERR;
        for (std::intptr_t n = 0; text && n < Count(); ++n) {
          std::intptr_t index = (after + 1 + n) % std::max<std::intptr_t>(Count(), 1);
          if (after < 0) index = n;
          if (EqualsNoCase(items_[index].text, text)) {
            result = index;
            break;
          }
        }
        return true;
      }
      case CB_SHOWDROPDOWN:
        ShowList(hwnd, wParam != 0);
        result = TRUE;
        return true;
      case CB_GETDROPPEDSTATE: result = dropped_ ? TRUE : FALSE; return true;
      case CB_SETDROPPEDWIDTH: {
        auto width = static_cast<std::intptr_t>(wParam);
        if (width < 0) {
          result = CB_ERR;
          return true;
        }
        droppedWidth_ = static_cast<int>(width);
        NotifyChange(hwnd, WindowChange::Content);
        result = DroppedWidth(hwnd);
        return true;
      }
      case CB_GETDROPPEDWIDTH: result = DroppedWidth(hwnd); return true;
      case WM_KEYDOWN: {
        // Up and Down step to the previous or next entry, as a pick without opening the list.
        auto step = wParam == VK_UP ? -1 : wParam == VK_DOWN ? 1 : 0;
        if (step == 0 || items_.empty()) return true;
        std::intptr_t next = selection_ < 0 ? 0 : std::clamp<std::intptr_t>(selection_ + step, 0, Count() - 1);
        if (next != selection_) {
          Select(hwnd, next);
          NotifyParent(hwnd, CBN_SELCHANGE);
        }
        return true;
      }
      case CBM_USERPICK: {
        auto index = static_cast<std::intptr_t>(wParam);
        if (!Valid(index)) {
          result = FALSE;
          return true;
        }
        ShowList(hwnd, true);
        Select(hwnd, index);
        NotifyParent(hwnd, CBN_SELCHANGE);
        ShowList(hwnd, false);
        result = TRUE;
        return true;
      }
      default: return false;
    }
  }

 private:
  struct Item {
    std::wstring text;
    LPARAM data = 0;
  };

  std::intptr_t Count() const { return static_cast<std::intptr_t>(items_.size()); }
  bool Valid(std::intptr_t index) const { return index >= 0 && index < Count(); }

  int DroppedWidth(HWND hwnd) const {
    RECT rect;
    GetClientRect(hwnd, &rect);
    return std::max(droppedWidth_, static_cast<int>(rect.Width()));  // the list is never narrower than the box
  }

  void SetEditText(HWND hwnd, const std::wstring& text) {
    if (edit_)
      SetWindowTextW(edit_, text);
    else
      DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }

  // The chosen entry's text stands in the edit field, all of it selected, so typing replaces it.
  void Select(HWND hwnd, std::intptr_t index) {
    selection_ = index;
    SetEditText(hwnd, index >= 0 ? items_[index].text : std::wstring());
    if (edit_) SendMessageW(edit_, EM_SETSEL, 0, -1);
    NotifyChange(hwnd, WindowChange::Content);
  }

  void ShowList(HWND hwnd, bool show) {
    if (dropped_ == show) return;
    dropped_ = show;
    NotifyChange(hwnd, WindowChange::Content);
    NotifyParent(hwnd, show ? CBN_DROPDOWN : CBN_CLOSEUP);
  }

  HWND edit_ = nullptr;
  std::vector<Item> items_;
  std::intptr_t selection_ = -1;
  bool dropped_ = false;
  int droppedWidth_ = 0;
};

class ComboBoxExBehaviour : public ClassBehaviour {
 public:
  bool Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    switch (message) {
      case WM_CREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        DWORD style = WS_CHILD | WS_VISIBLE | (cs->style & (0x3 | CBS_AUTOHSCROLL));
        combo_ = CreateWindowExW(0, WC_COMBOBOX, L"", style, 0, 0, cs->cx, cs->cy, hwnd, cs->id, cs->hInstance);
        if (!combo_) {
          result = -1;
          return true;
        }
        edit_ = GetDlgItem(combo_, kEditId);
        FitToField(hwnd, cs->cx, cs->cy);
        return false;
      }
      case WM_SIZE:
        if (HIWORD(lParam) != kFieldHeight) {
          FitToField(hwnd, LOWORD(lParam), HIWORD(lParam));
        } else {
          SetWindowPos(combo_, nullptr, 0, 0, LOWORD(lParam), kFieldHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return true;
      case CB_GETDROPPEDCONTROLRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        RECT window;
        result = rect && GetWindowRect(hwnd, &window) ? TRUE : FALSE;
        if (result) {
          auto width = static_cast<LONG>(SendMessageW(combo_, CB_GETDROPPEDWIDTH, 0, 0));
          *rect = RECT{window.left, window.top, window.left + width, window.top + listHeight_};
        }
        return true;
      }
      case WM_SETFOCUS: SetFocus(combo_); return true;
      case WM_ENABLE:
        EnableWindow(combo_, static_cast<BOOL>(wParam));
        if (edit_) EnableWindow(edit_, static_cast<BOOL>(wParam));
        return true;
      case WM_SETTEXT:
      case WM_GETTEXT:
      case WM_GETTEXTLENGTH: result = SendMessageW(combo_, message, wParam, lParam); return true;
      case CBEM_GETCOMBOCONTROL: result = reinterpret_cast<LRESULT>(combo_); return true;
      case CBEM_GETEDITCONTROL: result = reinterpret_cast<LRESULT>(edit_); return true;
      case CBEM_INSERTITEMW: {
        const auto* item = reinterpret_cast<const COMBOBOXEXITEMW*>(lParam);
        if (!item) {
          result = -1;
          return true;
        }
        const wchar_t* text = (item->mask & CBEIF_TEXT) && item->pszText ? item->pszText : L"";
        result =
            SendMessageW(combo_, CB_INSERTSTRING, static_cast<WPARAM>(item->iItem), reinterpret_cast<LPARAM>(text));
        if (result >= 0 && (item->mask & CBEIF_LPARAM))
          SendMessageW(combo_, CB_SETITEMDATA, static_cast<WPARAM>(result), item->lParam);
        return true;
      }
      case CBEM_SETITEMW: result = SetItem(reinterpret_cast<const COMBOBOXEXITEMW*>(lParam)); return true;
      case CBEM_GETITEMW: result = GetItem(reinterpret_cast<COMBOBOXEXITEMW*>(lParam)); return true;
      case WM_COMMAND: {
        // The inner box's notifications go to the parent as the outer box's own.
        if (reinterpret_cast<HWND>(lParam) != combo_) return false;
        WORD code = HIWORD(wParam);
        HWND parent = ui_internal::NotificationParent(hwnd);
        if (code == CBN_SETFOCUS && parent) {
          NMHDR header{hwnd, static_cast<UINT_PTR>(GetDlgCtrlID(hwnd)), CBEN_BEGINEDIT};
          SendMessageW(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
        }
        if (parent && IsWindow(hwnd))
          SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                       reinterpret_cast<LPARAM>(hwnd));
        result = 0;
        return true;
      }
      default:
        if (message >= CB_GETEDITSEL && message <= CB_SETDROPPEDWIDTH) {
          result = SendMessageW(combo_, message, wParam, lParam);
          return true;
        }
        return false;
    }
  }

 private:
  BOOL SetItem(const COMBOBOXEXITEMW* item) {
    if (!item) return FALSE;
    if (item->mask & CBEIF_TEXT) {
      std::wstring text = item->pszText ? item->pszText : L"";
      if (item->iItem == -1) {
        SendMessageW(combo_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
      } else {
        // Replaced in place, keeping the selection and the item's data.
        LRESULT selection = SendMessageW(combo_, CB_GETCURSEL, 0, 0);
        LRESULT data = SendMessageW(combo_, CB_GETITEMDATA, static_cast<WPARAM>(item->iItem), 0);
        if (SendMessageW(combo_, CB_DELETESTRING, static_cast<WPARAM>(item->iItem), 0) == CB_ERR) return FALSE;
        SendMessageW(combo_, CB_INSERTSTRING, static_cast<WPARAM>(item->iItem), reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(combo_, CB_SETITEMDATA, static_cast<WPARAM>(item->iItem), data);
        if (selection == item->iItem) SendMessageW(combo_, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
      }
    }
    if ((item->mask & CBEIF_LPARAM) && item->iItem >= 0)
      return SendMessageW(combo_, CB_SETITEMDATA, static_cast<WPARAM>(item->iItem), item->lParam) == CB_ERR ? FALSE
                                                                                                            : TRUE;
    return TRUE;
  }

  BOOL GetItem(COMBOBOXEXITEMW* item) {
    if (!item) return FALSE;
    std::wstring text;
    if (item->iItem == -1) {
      text = GetWindowString(combo_);
    } else {
      LRESULT length = SendMessageW(combo_, CB_GETLBTEXTLEN, static_cast<WPARAM>(item->iItem), 0);
      if (length == CB_ERR) return FALSE;
      text.resize(static_cast<size_t>(length) + 1);
      SendMessageW(combo_, CB_GETLBTEXT, static_cast<WPARAM>(item->iItem), reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<size_t>(length));
      if (item->mask & CBEIF_LPARAM)
        item->lParam = SendMessageW(combo_, CB_GETITEMDATA, static_cast<WPARAM>(item->iItem), 0);
    }
    if (item->mask & CBEIF_TEXT) ui_internal::CopyToBuffer(text, item->pszText, item->cchTextMax);
    return TRUE;
  }

  // The height a box is given is its height with the list dropped down; the window itself is
  // as high as its edit field, so that it sits in a toolbar row.
  void FitToField(HWND hwnd, int width, int height) {
    listHeight_ = std::max(height, kFieldHeight);
    SetWindowPos(hwnd, nullptr, 0, 0, width, kFieldHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  HWND combo_ = nullptr;
  HWND edit_ = nullptr;
  int listHeight_ = kFieldHeight;
};

// The inner combo box of a box given as either kind.
HWND InnerCombo(HWND box) {
  if (GetClassNameString(box) == WC_COMBOBOXEX)
    return reinterpret_cast<HWND>(SendMessageW(box, CBEM_GETCOMBOCONTROL, 0, 0));
  return GetClassNameString(box) == WC_COMBOBOX ? box : nullptr;
}

}  // namespace

namespace ui_internal {
std::unique_ptr<ClassBehaviour> MakeComboBehaviour() { return std::make_unique<ComboBehaviour>(); }
std::unique_ptr<ClassBehaviour> MakeComboBoxExBehaviour() { return std::make_unique<ComboBoxExBehaviour>(); }
}  // namespace ui_internal

bool OpenComboList(HWND box) {
  HWND combo = InnerCombo(box);
  if (!combo) return false;
  SetFocus(combo);
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  return true;
}

bool PickComboListItem(HWND box, int index) {
  HWND combo = InnerCombo(box);
  if (!combo || index < 0 || index >= SendMessageW(combo, CB_GETCOUNT, 0, 0)) return false;
  if (!SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0)) OpenComboList(combo);
  return SendMessageW(combo, CBM_USERPICK, static_cast<WPARAM>(index), 0) != 0;
}

bool DismissComboList(HWND box) {
  HWND combo = InnerCombo(box);
  if (!combo) return false;
  SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
  return true;
}
