#include "host/engine/EventConnections.h"

#include "platform/browser/WebBrowserEvents.h"

HRESULT EventConnections::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  bool answers = iid == IID_IUnknown || iid == IID_IConnectionPoint;
  *object = answers ? CComPtr<IConnectionPoint>(this).Detach() : nullptr;
  return answers ? S_OK : E_NOINTERFACE;
}

HRESULT EventConnections::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = DIID_DWebBrowserEvents2;
  return S_OK;
}

HRESULT EventConnections::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  CComPtr<IUnknown> unknown(sink);
  // A sink answers the event interface itself, or at least the dispatch interface it arrives by.
  CComPtr<IDispatch> dispatch = unknown.QueryInterface<IDispatch>(DIID_DWebBrowserEvents2);
  if (!dispatch) dispatch = unknown.QueryInterface<IDispatch>(IID_IDispatch);
  if (!dispatch) return CONNECT_E_CANNOTCONNECT;
  *cookie = nextCookie_++;
  sinks_.emplace(*cookie, std::move(dispatch));
  return S_OK;
}

HRESULT EventConnections::Unadvise(DWORD cookie) {
  return sinks_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

void EventConnections::Fire(DISPID dispId, std::vector<Variant> arguments) {
  std::vector<DWORD> cookies;
  for (const auto& entry : sinks_) cookies.push_back(entry.first);
  for (DWORD cookie : cookies) {
    auto found = sinks_.find(cookie);
    if (found == sinks_.end()) continue;  // disconnected by an earlier sink of this event
    CComPtr<IDispatch> sink = found->second;  // stays alive even if it disconnects itself now
    DISPPARAMS params{&arguments};
    sink->Invoke(dispId, GUID_NULL, 0, DISPATCH_METHOD, &params, nullptr);
  }
}

bool EventConnections::FireBeforeNavigate2(CComPtr<IDispatch> browser, const std::wstring& url,
                                           const std::wstring& frameName, const std::wstring* postData,
                                           const std::wstring& headers) {
  Variant address(url);
  Variant flags(std::int32_t{0});
  Variant frame(frameName);
  Variant post = postData ? Variant(*postData) : Variant();
  Variant extra(headers);
  Variant cancel(false);
  Fire(DISPID_BEFORENAVIGATE2, {Variant::ByRef(&cancel), Variant::ByRef(&extra), Variant::ByRef(&post),
                                 Variant::ByRef(&frame), Variant::ByRef(&flags), Variant::ByRef(&address),
                                 Variant(std::move(browser))});
  const bool* cancelled = std::get_if<bool>(&cancel.Deref().value);
  return !(cancelled && *cancelled);
}

void EventConnections::FireUrlEvent(DISPID dispId, CComPtr<IDispatch> browser, const std::wstring& url) {
  Variant address(url);
  Fire(dispId, {Variant::ByRef(&address), Variant(std::move(browser))});
}

void EventConnections::FireText(DISPID dispId, const std::wstring& text) { Fire(dispId, {Variant(text)}); }

void EventConnections::FireProgress(LONG progress, LONG maximum) {
  Fire(DISPID_PROGRESSCHANGE, {Variant(std::int32_t{maximum}), Variant(std::int32_t{progress})});
}

void EventConnections::FireCommandState(LONG command, bool enable) {
  Fire(DISPID_COMMANDSTATECHANGE, {Variant(enable), Variant(std::int32_t{command})});
}

void EventConnections::FireNoArguments(DISPID dispId) { Fire(dispId, {}); }
