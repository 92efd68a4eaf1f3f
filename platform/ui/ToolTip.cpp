#include "platform/ui/ToolTip.h"

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/ui/ControlClasses.h"
#include "platform/ui/Resources.h"
#include "platform/ui/TextBuffer.h"
#include "platform/ui/Window.h"

namespace {

using ui_internal::ClassBehaviour;
using ui_internal::NotifyChange;

constexpr int kDefaultInitial = 500;
constexpr int kDefaultAutoPop = 5000;
constexpr int kDefaultReshow = 100;

// A resource id passed where a text pointer goes.
bool IsResourceId(const void* p) { return reinterpret_cast<std::uintptr_t>(p) < 0x10000; }

class ToolTipBehaviour : public ClassBehaviour {
 public:
  bool Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    switch (message) {
      case TTM_ADDTOOLW: {
        const auto* info = reinterpret_cast<const TOOLINFOW*>(lParam);
        result = info ? AddTool(hwnd, *info) : FALSE;
        return true;
      }
      case TTM_DELTOOLW: {
        const auto* info = reinterpret_cast<const TOOLINFOW*>(lParam);
        if (auto* tool = info ? Find(info->hwnd, info->uId) : nullptr) {
          if (current_ == tool - tools_.data())
            current_ = -1;
          else if (current_ > tool - tools_.data())
            --current_;
          tools_.erase(tools_.begin() + (tool - tools_.data()));
          NotifyChange(hwnd, WindowChange::Content);
        }
        return true;
      }
      case TTM_NEWTOOLRECTW: {
        const auto* info = reinterpret_cast<const TOOLINFOW*>(lParam);
        if (auto* tool = info ? Find(info->hwnd, info->uId) : nullptr) tool->info.rect = info->rect;
        return true;
      }
      case TTM_GETTOOLINFOW: {
        auto* info = reinterpret_cast<TOOLINFOW*>(lParam);
        const Tool* tool = info ? Find(info->hwnd, info->uId) : nullptr;
        result = FALSE;
        if (tool) {
          CopyInfo(*tool, *info);
          result = TRUE;
        }
        return true;
      }
      case TTM_GETTOOLCOUNT: result = static_cast<LRESULT>(tools_.size()); return true;
      case TTM_GETTEXTW: {
        auto* info = reinterpret_cast<TOOLINFOW*>(lParam);
        if (info) CopyTextToBuffer(ToolText(hwnd, info->hwnd, info->uId), info->lpszText, static_cast<int>(wParam));
        return true;
      }
      case TTM_GETTEXTA: {
        auto* info = reinterpret_cast<TOOLINFOA*>(lParam);
        if (info)
          CopyNarrowToBuffer(NarrowToolText(hwnd, info->hwnd, info->uId), info->lpszText, static_cast<int>(wParam));
        return true;
      }
      case TTM_SETMAXTIPWIDTH: {
        result = maxWidth_;
        maxWidth_ = static_cast<int>(static_cast<std::intptr_t>(lParam));
        return true;
      }
      case TTM_GETMAXTIPWIDTH: result = maxWidth_; return true;
      case TTM_SETDELAYTIME: {
        int value = static_cast<int>(static_cast<std::intptr_t>(lParam));
        switch (wParam) {
          case TTDT_AUTOMATIC:
            initial_ = value < 0 ? kDefaultInitial : value;
            autoPop_ = value < 0 ? kDefaultAutoPop : value * 10;
            reshow_ = value < 0 ? kDefaultReshow : value / 5;
            break;
          case TTDT_INITIAL: initial_ = value < 0 ? kDefaultInitial : value; break;
          case TTDT_AUTOPOP: autoPop_ = value < 0 ? kDefaultAutoPop : value; break;
          case TTDT_RESHOW: reshow_ = value < 0 ? kDefaultReshow : value; break;
          default: break;
        }
        return true;
      }
      case TTM_GETDELAYTIME:
        switch (wParam) {
          case TTDT_INITIAL: result = initial_; break;
          case TTDT_AUTOPOP: result = autoPop_; break;
          case TTDT_RESHOW: result = reshow_; break;
          default: result = initial_; break;
        }
        return true;
      case TTM_ACTIVATE:
        active_ = wParam != 0;
        if (!active_) SetCurrent(hwnd, -1);
        return true;
      case TTM_GETACTIVE: result = active_ ? TRUE : FALSE; return true;
      case TTM_RELAYEVENT:
        if (const auto* msg = reinterpret_cast<const MSG*>(lParam)) Relay(hwnd, *msg);
        return true;
      case TTM_GETCURRENTTOOLW: {
        auto* info = reinterpret_cast<TOOLINFOW*>(lParam);
        result = current_ >= 0 ? TRUE : FALSE;
        if (info && current_ >= 0) CopyInfo(tools_[current_], *info);
        return true;
      }
      default: return false;
    }
  }

 private:
  struct Tool {
    TOOLINFOW info;  // lpszText is unused here: the text lives in `text`
    bool callback = false;
    std::wstring text;
  };

  Tool* Find(HWND owner, UINT_PTR id) {
    for (auto& tool : tools_)
      if (tool.info.hwnd == owner && tool.info.uId == id) return &tool;
    return nullptr;
  }

  static void CopyInfo(const Tool& tool, TOOLINFOW& info) {
    wchar_t* buffer = info.lpszText;  // the caller's, kept
    info = tool.info;
    info.lpszText = tool.callback ? LPSTR_TEXTCALLBACKW : buffer;
  }

  BOOL AddTool(HWND hwnd, const TOOLINFOW& info) {
    if (Find(info.hwnd, info.uId)) return FALSE;
    Tool tool;
    tool.info = info;
    tool.info.lpszText = nullptr;
    if (info.lpszText == LPSTR_TEXTCALLBACKW) {
      tool.callback = true;
    } else if (info.lpszText && IsResourceId(info.lpszText)) {
      tool.text = LoadResourceString(info.hinst, static_cast<UINT>(reinterpret_cast<std::uintptr_t>(info.lpszText)))
                      .value_or(L"");
    } else if (info.lpszText) {
      tool.text = info.lpszText;
    }
    tools_.push_back(std::move(tool));
    NotifyChange(hwnd, WindowChange::Content);
    return TRUE;
  }

  template <class Request>
  Request MakeRequest(HWND hwnd, const Tool& tool, UINT code) {
    Request request;
    request.hdr = NMHDR{hwnd, tool.info.uId, code};
    request.uFlags = tool.info.uFlags;
    request.lParam = tool.info.lParam;
    return request;
  }

  std::wstring ToolText(HWND hwnd, HWND owner, UINT_PTR id) {
    const Tool* tool = Find(owner, id);
    if (!tool) return {};
    if (!tool->callback) return tool->text;
    auto request = MakeRequest<NMTTDISPINFOW>(hwnd, *tool, TTN_GETDISPINFOW);
    SendMessageW(tool->info.hwnd, WM_NOTIFY, request.hdr.idFrom, reinterpret_cast<LPARAM>(&request));
    if (request.hinst && request.lpszText && IsResourceId(request.lpszText))
      return LoadResourceString(request.hinst, static_cast<UINT>(reinterpret_cast<std::uintptr_t>(request.lpszText)))
          .value_or(L"");
    if (request.lpszText && request.lpszText != request.szText) return request.lpszText;
    // The answer's own buffer is read only up to its end, terminated or not.
    return std::wstring(request.szText, wcsnlen(request.szText, kToolTipTextBuffer));
  }

  std::string NarrowToolText(HWND hwnd, HWND owner, UINT_PTR id) {
    const Tool* tool = Find(owner, id);
    if (!tool) return {};
    if (!tool->callback) {
      std::string narrow(tool->text.size() * 4 + 1, '\0');
      narrow.resize(
          static_cast<size_t>(CopyTextToNarrowBuffer(tool->text, narrow.data(), static_cast<int>(narrow.size()))));
      return narrow;
    }
    auto request = MakeRequest<NMTTDISPINFOA>(hwnd, *tool, TTN_GETDISPINFOA);
    SendMessageW(tool->info.hwnd, WM_NOTIFY, request.hdr.idFrom, reinterpret_cast<LPARAM>(&request));
    if (request.lpszText && request.lpszText != request.szText && !IsResourceId(request.lpszText))
      return request.lpszText;
    return std::string(request.szText, strnlen(request.szText, kToolTipTextBuffer));
  }

  void SetCurrent(HWND hwnd, std::ptrdiff_t index) {
    if (current_ == index) return;
    current_ = index;
    NotifyChange(hwnd, WindowChange::Content);
  }

  void Relay(HWND hwnd, const MSG& msg) {
    if (!active_) return;
    if (msg.message != WM_MOUSEMOVE) {
      SetCurrent(hwnd, -1);  // a click ends the tip
      return;
    }
    POINT point{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    for (size_t i = 0; i < tools_.size(); ++i) {
      const TOOLINFOW& info = tools_[i].info;
      bool over = (info.uFlags & TTF_IDISHWND) ? reinterpret_cast<HWND>(info.uId) == msg.hwnd
                                               : info.hwnd == msg.hwnd && info.rect.Contains(point);
      if (over) {
        SetCurrent(hwnd, static_cast<std::ptrdiff_t>(i));
        return;
      }
    }
    SetCurrent(hwnd, -1);
  }

  std::vector<Tool> tools_;
  std::ptrdiff_t current_ = -1;
  bool active_ = true;
  int maxWidth_ = -1;
  int initial_ = kDefaultInitial;
  int autoPop_ = kDefaultAutoPop;
  int reshow_ = kDefaultReshow;
};

}  // namespace

namespace ui_internal {
std::unique_ptr<ClassBehaviour> MakeToolTipBehaviour() { return std::make_unique<ToolTipBehaviour>(); }
}  // namespace ui_internal
