#include "platform/ui/MessageBox.h"

#include <cstdio>
#include <mutex>

#include "platform/text/WideText.h"
#include "platform/ui/Window.h"

namespace {

std::mutex gHandlerMutex;
MessageBoxHandler gHandler;

int UnattendedAnswer(const MessageBoxRequest& request) {
  std::fprintf(stderr, "[%s] %s\n", ToUtf8(request.caption).c_str(), ToUtf8(request.text).c_str());
  switch (request.Buttons()) {
    case MB_YESNO: return IDNO;
    case MB_OKCANCEL:
    case MB_YESNOCANCEL: return IDCANCEL;
    default: return IDOK;
  }
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard lock(gHandlerMutex);
  std::swap(gHandler, handler);
  return handler;
}

int MessageBoxW(HWND owner, std::wstring_view text, std::wstring_view caption, UINT type) {
  // A box whose owner window is gone still asks its question, as a box of its own.
  if (owner && !IsWindow(owner)) owner = nullptr;
  MessageBoxRequest request{owner, std::wstring(text), std::wstring(caption), type, std::this_thread::get_id()};
  MessageBoxHandler handler;
  {
    std::lock_guard lock(gHandlerMutex);
    handler = gHandler;  // a copy, so the handler may be replaced while a box is open
  }
  return handler ? handler(request) : UnattendedAnswer(request);
}
