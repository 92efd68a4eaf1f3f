// What every browser object a host makes shares as a COM object, whatever shows its pages: it is
// counted, answers as the browser (IWebBrowser2 and its older names) and as the container of its
// DWebBrowserEvents2 connection point, and is reached through those interfaces, not by late
// binding.
#pragma once
#include "platform/browser/WebBrowser.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/CountedObject.h"

class BrowserObject : public IWebBrowser2, public IConnectionPointContainer, public CountedObject {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IWebBrowser || iid == IID_IWebBrowserApp ||
        iid == IID_IWebBrowser2) {
      *object = CComPtr<IWebBrowser2>(this).Detach();
      return S_OK;
    }
    if (iid == IID_IConnectionPointContainer) {
      *object = CComPtr<IConnectionPointContainer>(this).Detach();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, Variant*) override { return DISP_E_MEMBERNOTFOUND; }
};
