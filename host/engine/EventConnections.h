// The connection point of a browser window for DWebBrowserEvents2: the sinks that listen, and the
// delivery of one event to each of them as an Invoke call.
#pragma once
#include <map>
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
  void Fire(DISPID dispId, std::vector<Variant>& arguments);
  // Drops every connection (the window has closed).
  void DisconnectAll() { sinks_.clear(); }
  bool empty() const { return sinks_.empty(); }

 private:
  std::map<DWORD, CComPtr<IDispatch>> sinks_;
  DWORD nextCookie_ = 1;
};
