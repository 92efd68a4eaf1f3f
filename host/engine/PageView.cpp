#include "host/engine/PageView.h"

#include "host/engine/WebBrowserObject.h"

bool PageView::Create(HWND frame, CComPtr<WebBrowserObject> top) {
  top_ = std::move(top);
  RECT area{};
  if (frame) GetClientRect(frame, &area);
  DWORD style = frame ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPED;
  return CreateEx(0, WC_WINDOW, L"", style, area, frame, 0);
}

LRESULT PageView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_RUN_WAITING_NAVIGATION) {
    if (top_) top_->RunWaitingNavigation();
    return 0;
  }
  return CWnd::WindowProc(message, wParam, lParam);
}
