// Outgoing interfaces: an object that sends events offers a connection point per event interface;
// a sink connects with Advise and is given a cookie, and disconnects with Unadvise and that cookie.
#pragma once
#include "platform/com/Unknown.h"

extern const IID IID_IConnectionPointContainer;
extern const IID IID_IConnectionPoint;

struct IConnectionPoint : IUnknown {
  // The event interface this point sends.
  virtual HRESULT GetConnectionInterface(IID* iid) = 0;
  // Connects `sink` (asked for the event interface, or IDispatch); the cookie names the connection.
  // CONNECT_E_CANNOTCONNECT when the sink offers neither.
  virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
  // Ends the connection of `cookie`; CONNECT_E_NOCONNECTION for a cookie that names none. A sink
  // may disconnect itself while it handles an event; it then receives no further event.
  virtual HRESULT Unadvise(DWORD cookie) = 0;

 protected:
  ~IConnectionPoint() = default;
};

struct IConnectionPointContainer : IUnknown {
  // The connection point for event interface `iid`; CONNECT_E_NOCONNECTION when there is none.
  virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;

 protected:
  ~IConnectionPointContainer() = default;
};

// Connects `sink` to `source`'s connection point for `iid` and sets `cookie`. `addRef` FALSE
// means the caller keeps no extra reference on the sink for the connection (the connection
// point holds its own). False when the source has no such point or refuses the sink.
bool AfxConnectionAdvise(IUnknown* source, REFIID iid, IUnknown* sink, BOOL addRef, DWORD* cookie);
// Ends the connection of `cookie` on `source`'s point for `iid`. False when there is none.
bool AfxConnectionUnadvise(IUnknown* source, REFIID iid, IUnknown* sink, BOOL addRef, DWORD cookie);
