// The host's own listener on its browser window's events: it tells the host when a navigation
// of the window's page starts (not a frame's), when the status bar shows a new text, and when the
// page's title changes. The host connects it before the band, so its lines come before whatever
// the toolbar does with the same event.
#pragma once
#include <functional>
#include <string>

#include "platform/browser/WebBrowser.h"
#include "platform/com/CountedObject.h"
#include "platform/com/Unknown.h"

class HostEventSink final : public IDispatch, public CountedObject {
 public:
  struct Listener {
    std::function<void(const std::wstring& address)> navigationStarted;
    std::function<void(const std::wstring& text)> statusChanged;  // only when the text is new
    std::function<void(const std::wstring& title)> titleChanged;
  };
  // `top` is the window's browser object, which the sink tells apart from its frames; it is
  // compared, not held.
  HostEventSink(IWebBrowser2* top, Listener listener);

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }
  HRESULT Invoke(DISPID dispId, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, Variant* result) override;

 private:
  IDispatch* top_;
  Listener listener_;
  std::wstring status_;
};
