// What every browser object a host makes shares as a COM object, whatever shows its pages: it is
// counted, answers as the browser (IWebBrowser2 and its older names) and as the container of its
// DWebBrowserEvents2 connection point, and is reached through those interfaces, not by late
// binding. It also answers what any browser knows of the page it shows: its address, title,
// status text and document.
#pragma once
#include <string>

#include "platform/browser/WebBrowser.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/CountedObject.h"

class BrowserObject : public IWebBrowser2, public IConnectionPointContainer, public CountedObject {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IWebBrowser || iid == IID_IWebBrowserApp ||
        iid == IID_IWebBrowser2)
      *object = CComPtr<IWebBrowser2>(this).Detach();
    else if (iid == IID_IConnectionPointContainer)
      *object = CComPtr<IConnectionPointContainer>(this).Detach();
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, Variant*) override { return DISP_E_MEMBERNOTFOUND; }

  HRESULT get_LocationURL(std::wstring* url) override { return Answer(url_, url); }
  HRESULT get_LocationName(std::wstring* name) override { return Answer(DisplayTitle(), name); }
  HRESULT get_StatusText(std::wstring* text) override { return Answer(statusText_, text); }
  HRESULT get_Document(IDispatch** document) override {
    if (!document) return E_POINTER;
    *document = CComPtr<IDispatch>(document_).Detach();  // null while there is none
    return document_ ? S_OK : E_FAIL;
  }
  // The page title, or the address when the page has none.
  std::wstring DisplayTitle() const { return title_.empty() ? url_ : title_; }

 protected:
  CComPtr<IDispatch> Self() { return CComPtr<IDispatch>(static_cast<IWebBrowser2*>(this)); }

  std::wstring url_;         // the page shown
  std::wstring title_;
  std::wstring statusText_;
  CComPtr<IDispatch> document_;  // the page's document object; null while there is none

 private:
  static HRESULT Answer(const std::wstring& value, std::wstring* out) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
  }
};
