#include "platform/ui/Edit.h"

#include <algorithm>

#include "platform/ui/ComboBox.h"
#include "platform/ui/ControlClasses.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRecord.h"

namespace {

using ui_internal::ClassBehaviour;
using ui_internal::NotifyChange;

class EditBehaviour : public ClassBehaviour {
 public:
  bool Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    switch (message) {
      case WM_CREATE: text_ = ui_internal::OwnRecord(hwnd)->text; return false;
      case WM_SETTEXT: {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
        text_ = text ? text : L"";
        anchor_ = caret_ = 0;
        Store(hwnd);
        result = TRUE;
        return true;
      }
      case WM_GETTEXT:
        result = ui_internal::CopyToBuffer(text_, reinterpret_cast<wchar_t*>(lParam), static_cast<int>(wParam));
        return true;
      case WM_GETTEXTLENGTH: result = static_cast<LRESULT>(text_.size()); return true;
      case WM_CHAR: OnChar(hwnd, static_cast<wchar_t>(wParam)); return true;
      case WM_KEYDOWN: OnKeyDown(hwnd, static_cast<UINT>(wParam)); return true;
      case WM_KEYUP:
        if (static_cast<UINT>(wParam) == VK_SHIFT) shiftHeld_ = false;
        return false;
      case WM_SETFOCUS: Notify(hwnd, EN_SETFOCUS); return true;
      case WM_KILLFOCUS:
        shiftHeld_ = false;  // a key released elsewhere is never seen here
        Notify(hwnd, EN_KILLFOCUS);
        return true;
      case EM_GETSEL: {
        auto [start, end] = Selection();
        if (auto* p = reinterpret_cast<DWORD*>(wParam)) *p = static_cast<DWORD>(start);
        if (auto* p = reinterpret_cast<DWORD*>(lParam)) *p = static_cast<DWORD>(end);
        result = MAKELONG(static_cast<WORD>(std::min<size_t>(start, 0xFFFF)),
                          static_cast<WORD>(std::min<size_t>(end, 0xFFFF)));
        return true;
      }
      case EM_SETSEL: {
        auto start = static_cast<std::intptr_t>(wParam);
        auto end = static_cast<std::intptr_t>(lParam);
        if (start == -1) {
          anchor_ = caret_;
        } else {
          anchor_ = Clamp(start);
          caret_ = end < 0 ? text_.size() : Clamp(end);
        }
        NotifyChange(hwnd, WindowChange::Content);
        return true;
      }
      case EM_REPLACESEL: {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
        Replace(hwnd, text ? text : L"", Limit::Ignore);
        return true;
      }
      case EM_LIMITTEXT: limit_ = wParam == 0 ? kDefaultEditLimit : static_cast<size_t>(wParam); return true;
      case EM_GETLIMITTEXT: result = static_cast<LRESULT>(limit_); return true;
      case EM_GETCARETPOS: result = static_cast<LRESULT>(caret_); return true;
      default: return false;
    }
  }

 private:
  enum class Limit { Apply, Ignore };

  size_t Clamp(std::intptr_t position) const {
    return static_cast<size_t>(std::clamp<std::intptr_t>(position, 0, static_cast<std::intptr_t>(text_.size())));
  }
  std::pair<size_t, size_t> Selection() const { return std::minmax(anchor_, caret_); }

  // The record's text follows the control's, so a host reading the window sees what was typed.
  void Store(HWND hwnd) {
    if (auto record = ui_internal::OwnRecord(hwnd)) record->text = text_;
    NotifyChange(hwnd, WindowChange::Text);
  }

  static void Notify(HWND hwnd, WORD code) {
    HWND parent = ui_internal::NotificationParent(hwnd);
    if (parent)
      SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                   reinterpret_cast<LPARAM>(hwnd));
  }

  void Changed(HWND hwnd) {
    Store(hwnd);
    Notify(hwnd, EN_CHANGE);
  }

  void Replace(HWND hwnd, std::wstring_view insert, Limit limit) {
    auto [start, end] = Selection();
    size_t room = text_.size() - (end - start);
    if (limit == Limit::Apply && room + insert.size() > limit_) {
      if (room >= limit_) return;
      insert = insert.substr(0, limit_ - room);
    }
    text_.replace(start, end - start, insert);
    anchor_ = caret_ = start + insert.size();
    Changed(hwnd);
  }

  void OnChar(HWND hwnd, wchar_t character) {
    if (character == L'\b') {
      auto [start, end] = Selection();
      if (start == end) {
        if (start == 0) return;  // nothing before the caret
        anchor_ = start - 1;
      }
      Replace(hwnd, L"", Limit::Ignore);
      return;
    }
    if (character < L' ' || character == 0x7F) return;  // Enter, Tab, Escape and control characters type nothing
    Replace(hwnd, std::wstring_view(&character, 1), Limit::Apply);
  }

  void OnKeyDown(HWND hwnd, UINT key) {
    auto [start, end] = Selection();
    switch (key) {
      case VK_DELETE:
        if (start == end) {
          if (end == text_.size()) return;
          caret_ = end + 1;
          anchor_ = start;
        }
        Replace(hwnd, L"", Limit::Ignore);
        return;
      case VK_SHIFT: shiftHeld_ = true; return;
      // With Shift held the caret moves and the selection's fixed end stays: Home, then Shift+End
      // selects the whole text.
      case VK_HOME: MoveCaret(0); break;
      case VK_END: MoveCaret(text_.size()); break;
      case VK_LEFT:
        if (shiftHeld_) MoveCaret(caret_ > 0 ? caret_ - 1 : 0);
        else anchor_ = caret_ = (start != end) ? start : (start > 0 ? start - 1 : 0);
        break;
      case VK_RIGHT:
        if (shiftHeld_) MoveCaret(std::min(caret_ + 1, text_.size()));
        else anchor_ = caret_ = (start != end) ? end : std::min(end + 1, text_.size());
        break;
      case VK_UP:
      case VK_DOWN:
        // In a combo box these keys step through the list, which the box itself keeps.
        if (HWND parent = GetParent(hwnd); GetClassNameString(parent) == WC_COMBOBOX)
          SendMessageW(parent, WM_KEYDOWN, key, 0);
        return;
      default: return;
    }
    NotifyChange(hwnd, WindowChange::Content);
  }

  void MoveCaret(size_t position) {
    caret_ = position;
    if (!shiftHeld_) anchor_ = position;
  }

  std::wstring text_;
  bool shiftHeld_ = false;  // between this control's Shift key down and up
  size_t anchor_ = 0;  // the fixed end of the selection
  size_t caret_ = 0;   // the moving end, where the caret is
  size_t limit_ = kDefaultEditLimit;
};

}  // namespace

namespace ui_internal {
std::unique_ptr<ClassBehaviour> MakeEditBehaviour() { return std::make_unique<EditBehaviour>(); }
}  // namespace ui_internal
