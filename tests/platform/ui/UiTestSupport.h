// Helpers for the window-system tests: a window object that records what reaches it, and a
// popup-menu handler that records menus and answers from a queue.
#pragma once
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/ui/Menu.h"
#include "platform/ui/Wnd.h"

struct SeenMessage {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  UINT notifyCode = 0;  // the NMHDR code of a (reflected) WM_NOTIFY
};

// Records every message and passes it on, unless `hook` answers it (returns true).
class RecordingWindow : public CWnd {
 public:
  std::function<bool(UINT, WPARAM, LPARAM, LRESULT&)> hook;
  std::vector<SeenMessage> seen;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    SeenMessage record{message, wParam, lParam, 0};
    if ((message == WM_NOTIFY || message == OCM_NOTIFY) && lParam)
      record.notifyCode = reinterpret_cast<const NMHDR*>(lParam)->code;
    seen.push_back(record);
    LRESULT result = 0;
    if (hook && hook(message, wParam, lParam, result)) return result;
    return DefaultProc(message, wParam, lParam);
  }

  std::vector<SeenMessage> Only(UINT message) const {
    std::vector<SeenMessage> out;
    for (const auto& m : seen)
      if (m.message == message) out.push_back(m);
    return out;
  }
};

class RecordedMenus {
 public:
  RecordedMenus() {
    previous_ = SetPopupMenuHandler([this](const PopupMenuRequest& request) {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
      if (answers_.empty()) return 0u;
      UINT answer = answers_.front();
      answers_.pop_front();
      return answer;
    });
  }
  ~RecordedMenus() { SetPopupMenuHandler(previous_); }
  void Answer(UINT command) {
    std::lock_guard lock(mutex_);
    answers_.push_back(command);
  }
  std::vector<PopupMenuRequest> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<PopupMenuRequest> requests_;
  std::deque<UINT> answers_;
  PopupMenuHandler previous_;
};
