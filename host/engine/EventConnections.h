// The connection point of a browser window for DWebBrowserEvents2: the sinks that listen, and the
// delivery of one event to each of them as an Invoke call.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/com/ConnectionPoint.h"
#include "platform/com/CountedObject.h"
#include "platform/com/Variant.h"

class EventConnections final : public IConnectionPoint, public CountedObject {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }

  HRESULT GetConnectionInterface(IID* iid) override;
  HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT Unadvise(DWORD cookie) override;

  // Delivers event `dispId` with `arguments` (last argument first) to every sink connected when
  // the event starts and still connected when its turn comes. What a sink returns is not looked at.
  void Fire(DISPID dispId, std::vector<Variant> arguments);
  // The events with their arguments as the browser sends them; `browser` is the browser object
  // (window or frame) an event is about.
  // BeforeNavigate2; `postData` null for a GET. False when a sink cancelled the navigation.
  bool FireBeforeNavigate2(CComPtr<IDispatch> browser, const std::wstring& url, const std::wstring& frameName,
                           const std::wstring* postData, const std::wstring& headers);
  // NavigateComplete2 or DocumentComplete.
  void FireUrlEvent(DISPID dispId, CComPtr<IDispatch> browser, const std::wstring& url);
  // StatusTextChange or TitleChange.
  void FireText(DISPID dispId, const std::wstring& text);
  void FireProgress(LONG progress, LONG maximum);
  void FireCommandState(LONG command, bool enable);
  void FireNoArguments(DISPID dispId);

  // Drops every connection (the window has closed).
  void DisconnectAll() { sinks_.clear(); }
  bool empty() const { return sinks_.empty(); }

 private:
  std::map<DWORD, CComPtr<IDispatch>> sinks_;
  DWORD nextCookie_ = 1;
};
