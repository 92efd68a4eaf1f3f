// The window a browser window shows its page in. The engine draws nothing; the window is where
// the browser's own work comes back from the window's message loop: a navigation asked for
// through IWebBrowser2 waits in the window's queue, and runs when the message posted here for it
// is dispatched, after the caller has returned.
#pragma once
#include "platform/com/ComPtr.h"
#include "platform/ui/Wnd.h"

class WebBrowserObject;

// Posted to the page view: run the window's next waiting navigation.
constexpr UINT WM_RUN_WAITING_NAVIGATION = WM_APP + 0x100;

class PageView final : public CWnd {
 public:
  // Makes the window on the calling thread: a child of `frame` when one is given (the frame a
  // host draws around the page), else a top-level window of its own, never shown. `top` is the
  // window's top browser object, which runs the waiting navigations. False when no window could
  // be made.
  bool Create(HWND frame, CComPtr<WebBrowserObject> top);
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  CComPtr<WebBrowserObject> top_;
};
