#include "platform/ui/Toolbar.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ui/ControlClasses.h"
#include "platform/ui/Resources.h"
#include "platform/ui/TextBuffer.h"
#include "platform/ui/ToolTip.h"
#include "platform/ui/Window.h"

namespace {

using ui_internal::ClassBehaviour;
using ui_internal::NotifyChange;

constexpr int kButtonPadding = 9;
constexpr int kCharacterWidth = 7;
constexpr int kDefaultSeparatorWidth = 8;
constexpr int kButtonHeight = 22;

class ToolbarBehaviour : public ClassBehaviour {
 public:
  bool Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    switch (message) {
      case WM_CREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (cs->style & TBSTYLE_TOOLTIPS) {
          // Owned by the toolbar, so it goes when the toolbar goes.
          tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASS, L"", WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, hwnd, 0, nullptr);
          ownTooltip_ = tooltip_;
        }
        return false;
      }
      case WM_DESTROY:
        // A popup is owned by the top-level window, so the toolbar ends the tooltip it made.
        if (ownTooltip_) DestroyWindow(std::exchange(ownTooltip_, nullptr));
        return false;
      case WM_NOTIFY: {
        // Requests of the toolbar's tooltip that the toolbar's own procedure left go to the parent.
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!header || header->hwndFrom != tooltip_) return false;
        HWND parent = ui_internal::NotificationParent(hwnd);
        result = parent ? SendMessageW(parent, WM_NOTIFY, wParam, lParam) : 0;
        return true;
      }
      case TB_BUTTONSTRUCTSIZE: return true;
      case TB_SETBITMAPSIZE:
        imageWidth_ = std::max<int>(1, LOWORD(static_cast<std::uintptr_t>(lParam)));
        imageHeight_ = std::max<int>(1, HIWORD(static_cast<std::uintptr_t>(lParam)));
        Relayout(hwnd);
        result = TRUE;
        return true;
      case TB_ADDBITMAP:
        result = AddBitmap(hwnd, static_cast<int>(wParam), reinterpret_cast<const TBADDBITMAP*>(lParam));
        return true;
      case TB_ADDSTRINGW: result = AddStrings(reinterpret_cast<HINSTANCE>(wParam), lParam); return true;
      case TB_ADDBUTTONSW:
      case TB_INSERTBUTTONW: {
        const auto* buttons = reinterpret_cast<const TBBUTTON*>(lParam);
        size_t count = message == TB_ADDBUTTONSW ? wParam : 1;
        size_t at = message == TB_ADDBUTTONSW ? buttons_.size() : std::min<size_t>(wParam, buttons_.size());
        if (!buttons) {
          result = FALSE;
          return true;
        }
        buttons_.insert(buttons_.begin() + static_cast<std::ptrdiff_t>(at), buttons, buttons + count);
        Relayout(hwnd);
        result = TRUE;
        return true;
      }
      case TB_DELETEBUTTON: {
        if (wParam >= buttons_.size()) {
          result = FALSE;
          return true;
        }
        buttons_.erase(buttons_.begin() + static_cast<std::ptrdiff_t>(wParam));
        Relayout(hwnd);
        result = TRUE;
        return true;
      }
      case TB_BUTTONCOUNT: result = static_cast<LRESULT>(buttons_.size()); return true;
      case TB_GETBUTTON: {
        auto* out = reinterpret_cast<TBBUTTON*>(lParam);
        result = wParam < buttons_.size() && out ? TRUE : FALSE;
        if (result) *out = buttons_[wParam];
        return true;
      }
      case TB_COMMANDTOINDEX: result = IndexOf(static_cast<int>(wParam)); return true;
      case TB_GETITEMRECT:
      case TB_GETRECT: {
        std::ptrdiff_t index =
            message == TB_GETRECT ? IndexOf(static_cast<int>(wParam)) : static_cast<std::ptrdiff_t>(wParam);
        auto* out = reinterpret_cast<RECT*>(lParam);
        result = index >= 0 && static_cast<size_t>(index) < rects_.size() && out ? TRUE : FALSE;
        if (result) *out = rects_[static_cast<size_t>(index)];
        return true;
      }
      case TB_HITTEST: {
        const auto* point = reinterpret_cast<const POINT*>(lParam);
        result = point ? HitTest(*point) : -1;
        return true;
      }
      case TB_ENABLEBUTTON:
        result = ChangeState(hwnd, static_cast<int>(wParam), TBSTATE_ENABLED,
                             LOWORD(static_cast<std::uintptr_t>(lParam)) != 0);
        return true;
      case TB_PRESSBUTTON:
        result = ChangeState(hwnd, static_cast<int>(wParam), TBSTATE_PRESSED,
                             LOWORD(static_cast<std::uintptr_t>(lParam)) != 0);
        return true;
      case TB_CHECKBUTTON:
        result = ChangeState(hwnd, static_cast<int>(wParam), TBSTATE_CHECKED,
                             LOWORD(static_cast<std::uintptr_t>(lParam)) != 0);
        return true;
      case TB_HIDEBUTTON:
        result = ChangeState(hwnd, static_cast<int>(wParam), TBSTATE_HIDDEN,
                             LOWORD(static_cast<std::uintptr_t>(lParam)) != 0);
        return true;
      case TB_ISBUTTONENABLED:
      case TB_ISBUTTONPRESSED:
      case TB_ISBUTTONCHECKED: {
        BYTE flag = message == TB_ISBUTTONENABLED   ? TBSTATE_ENABLED
                    : message == TB_ISBUTTONPRESSED ? TBSTATE_PRESSED
                                                    : TBSTATE_CHECKED;
        std::ptrdiff_t index = IndexOf(static_cast<int>(wParam));
        result = index >= 0 && (buttons_[static_cast<size_t>(index)].fsState & flag) ? TRUE : FALSE;
        return true;
      }
      case TB_GETSTATE: {
        std::ptrdiff_t index = IndexOf(static_cast<int>(wParam));
        result = index >= 0 ? buttons_[static_cast<size_t>(index)].fsState : -1;
        return true;
      }
      case TB_SETSTATE: {
        std::ptrdiff_t index = IndexOf(static_cast<int>(wParam));
        result = index >= 0 ? TRUE : FALSE;
        if (index >= 0) {
          buttons_[static_cast<size_t>(index)].fsState = static_cast<BYTE>(LOWORD(static_cast<std::uintptr_t>(lParam)));
          Relayout(hwnd);
        }
        return true;
      }
      case TB_GETBUTTONTEXTW: {
        std::ptrdiff_t index = IndexOf(static_cast<int>(wParam));
        if (index < 0) {
          result = -1;
          return true;
        }
        std::wstring label = Label(buttons_[static_cast<size_t>(index)]);
        auto* buffer = reinterpret_cast<wchar_t*>(lParam);
        if (buffer) CopyTextToBuffer(label, buffer, static_cast<int>(label.size()) + 1);
        result = static_cast<LRESULT>(label.size());
        return true;
      }
      case TB_SETPARENT:
        result = reinterpret_cast<LRESULT>(ui_internal::NotificationParent(hwnd));
        ui_internal::SetNotificationParent(hwnd, reinterpret_cast<HWND>(wParam));
        return true;
      case TB_GETTOOLTIPS: result = reinterpret_cast<LRESULT>(tooltip_); return true;
      case TB_SETTOOLTIPS:
        tooltip_ = reinterpret_cast<HWND>(wParam);
        Relayout(hwnd);
        return true;
      case WM_MOUSEMOVE:
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP: OnMouse(hwnd, message, wParam, lParam); return true;
      default: return false;
    }
  }

  std::optional<Image> ImageAt(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= images_.size()) return std::nullopt;
    return images_[static_cast<size_t>(index)];
  }

 private:
  std::ptrdiff_t IndexOf(int command) const {
    for (size_t i = 0; i < buttons_.size(); ++i)
      if (buttons_[i].idCommand == command) return static_cast<std::ptrdiff_t>(i);
    return -1;
  }

  std::wstring Label(const TBBUTTON& button) const {
    if (button.iString < 0 || static_cast<size_t>(button.iString) >= strings_.size()) return {};
    return strings_[static_cast<size_t>(button.iString)];
  }

  int Width(const TBBUTTON& button) const {
    if (button.fsState & TBSTATE_HIDDEN) return 0;
    if (button.fsStyle & BTNS_SEP) return button.iBitmap > 0 ? button.iBitmap : kDefaultSeparatorWidth;
    return imageWidth_ + kButtonPadding + kCharacterWidth * static_cast<int>(Label(button).size());
  }

  // Places the buttons left to right and keeps the tooltip's tools in step with them.
  void Relayout(HWND hwnd) {
    rects_.clear();
    int height = std::max(kButtonHeight, imageHeight_ + 7);
    int x = 0;
    for (const auto& button : buttons_) {
      int width = Width(button);
      rects_.push_back(RECT{x, 0, x + width, height});
      x += width;
    }
    SyncTools(hwnd);
    NotifyChange(hwnd, WindowChange::Content);
  }

  void SyncTools(HWND hwnd) {
    if (!tooltip_ || !IsWindow(tooltip_)) return;
    for (int id : toolIds_) {
      TOOLINFOW info;
      info.hwnd = hwnd;
      info.uId = static_cast<UINT_PTR>(id);
      SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
    toolIds_.clear();
    for (size_t i = 0; i < buttons_.size(); ++i) {
      if (buttons_[i].fsStyle & BTNS_SEP) continue;
      TOOLINFOW info;
      info.hwnd = hwnd;
      info.uId = static_cast<UINT_PTR>(buttons_[i].idCommand);
      info.rect = rects_[i];
      info.lpszText = LPSTR_TEXTCALLBACKW;
      if (SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)))
        toolIds_.push_back(buttons_[i].idCommand);
    }
  }

  LRESULT AddBitmap(HWND hwnd, int count, const TBADDBITMAP* source) {
    if (!source || count <= 0) return -1;
    std::optional<Image> strip;
    if (source->hInst) {
      BitmapHandle bitmap(LoadBitmapW(source->hInst, static_cast<UINT>(source->nID)));
      strip = GetBitmapImage(bitmap.get());
    } else {
      strip = GetBitmapImage(reinterpret_cast<HBITMAP>(source->nID));
    }
    // The strip must hold every image asked for, side by side.
    if (!strip || strip->height < imageHeight_ || strip->width < imageWidth_ * count) return -1;
    auto first = static_cast<LRESULT>(images_.size());
    for (int i = 0; i < count; ++i) images_.push_back(strip->Crop(i * imageWidth_, 0, imageWidth_, imageHeight_));
    NotifyChange(hwnd, WindowChange::Content);
    return first;
  }

  LRESULT AddStrings(HINSTANCE module, LPARAM source) {
    auto first = static_cast<LRESULT>(strings_.size());
    if (module) {
      auto text = LoadResourceString(module, static_cast<UINT>(source));
      if (!text) return -1;
      strings_.push_back(*text);
      return first;
    }
    const wchar_t* p = reinterpret_cast<const wchar_t*>(source);
    if (!p) return -1;
    while (*p) {
      std::wstring text(p);
      p += text.size() + 1;
      strings_.push_back(std::move(text));
    }
    return first;
  }

  BOOL ChangeState(HWND hwnd, int command, BYTE flag, bool on) {
    std::ptrdiff_t index = IndexOf(command);
    if (index < 0) return FALSE;
    BYTE& state = buttons_[static_cast<size_t>(index)].fsState;
    BYTE updated = on ? static_cast<BYTE>(state | flag) : static_cast<BYTE>(state & ~flag);
    if (updated != state) {
      state = updated;
      if (flag == TBSTATE_HIDDEN)
        Relayout(hwnd);
      else
        NotifyChange(hwnd, WindowChange::Content);
    }
    return TRUE;
  }

  LRESULT HitTest(POINT point) const {
    for (size_t i = 0; i < rects_.size(); ++i) {
      if (!rects_[i].Contains(point)) continue;
      auto index = static_cast<LRESULT>(i);
      return (buttons_[i].fsStyle & BTNS_SEP) ? -2 - index : index;
    }
    return -1;
  }

  void OnMouse(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (tooltip_ && IsWindow(tooltip_)) {
      MSG relayed{hwnd, message, wParam, lParam, 0, {}};
      SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    LRESULT hit = HitTest(point);
    bool enabledButton = hit >= 0 && (buttons_[static_cast<size_t>(hit)].fsState & TBSTATE_ENABLED);
    if (message == WM_LBUTTONDOWN) {
      tracking_ = enabledButton ? buttons_[static_cast<size_t>(hit)].idCommand : -1;
      if (tracking_ != -1) ChangeState(hwnd, tracking_, TBSTATE_PRESSED, true);
      return;
    }
    if (message != WM_LBUTTONUP || tracking_ == -1) return;
    int command = std::exchange(tracking_, -1);
    ChangeState(hwnd, command, TBSTATE_PRESSED, false);
    if (enabledButton && buttons_[static_cast<size_t>(hit)].idCommand == command) {
      HWND parent = ui_internal::NotificationParent(hwnd);
      if (parent)
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), BN_CLICKED),
                     reinterpret_cast<LPARAM>(hwnd));
    }
  }

  int imageWidth_ = 16;
  int imageHeight_ = 15;
  std::vector<Image> images_;
  std::vector<std::wstring> strings_;
  std::vector<TBBUTTON> buttons_;
  std::vector<RECT> rects_;
  std::vector<int> toolIds_;
  HWND tooltip_ = nullptr;
  HWND ownTooltip_ = nullptr;
  int tracking_ = -1;  // the command of the button held down
};

}  // namespace

namespace ui_internal {
std::unique_ptr<ClassBehaviour> MakeToolbarBehaviour() { return std::make_unique<ToolbarBehaviour>(); }
}  // namespace ui_internal

std::optional<Image> GetToolbarImage(HWND toolbar, int index) {
  auto* behaviour = ui_internal::BehaviourOf<ToolbarBehaviour>(toolbar);
  return behaviour ? behaviour->ImageAt(index) : std::nullopt;
}
