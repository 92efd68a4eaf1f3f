#include "host/core/BandSite.h"

BandSite::BandSite(HWND window, CComPtr<IWebBrowser2> browser) : window_(window), browser_(std::move(browser)) {}

HRESULT BandSite::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IInputObjectSite)
    *object = CComPtr<IInputObjectSite>(this).Detach();
  else if (iid == IID_IOleWindow)
    *object = CComPtr<IOleWindow>(this).Detach();
  else if (iid == IID_IServiceProvider)
    *object = CComPtr<IServiceProvider>(this).Detach();
  else
    return E_NOINTERFACE;
  return S_OK;
}

HRESULT BandSite::OnFocusChangeIS(IUnknown*, BOOL focus) {
  bandHasFocus_ = focus != FALSE;
  ++focusChanges_;
  return S_OK;
}

HRESULT BandSite::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_;
  return window_ ? S_OK : E_FAIL;
}

HRESULT BandSite::QueryService(const GUID& service, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (service != SID_SWebBrowserApp || !browser_) return E_NOINTERFACE;
  return browser_->QueryInterface(iid, object);
}
