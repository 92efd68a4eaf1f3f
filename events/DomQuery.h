// Asking a document object handed over by the browser for one of its interfaces.
#pragma once
#include "platform/com/ComPtr.h"
#include "platform/com/Unknown.h"

// The object's `Interface`, or null when it is none or does not offer it.
template <class Interface>
CComPtr<Interface> Query(IDispatch* object, REFIID iid) {
  return CComPtr<IDispatch>(object).QueryInterface<Interface>(iid);
}
