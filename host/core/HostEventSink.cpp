#include "host/core/HostEventSink.h"

#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/Variant.h"

namespace {

// Argument `index` in declared order (the call carries them last first), references followed.
const Variant* Argument(const DISPPARAMS* params, size_t index) {
  if (!params || !params->rgvarg || index >= params->rgvarg->size()) return nullptr;
  return &(*params->rgvarg)[params->rgvarg->size() - 1 - index].Deref();
}

std::wstring TextOf(const Variant* v) {
  std::wstring text;
  if (v) VariantToText(*v, text);
  return text;
}

}  // namespace

HostEventSink::HostEventSink(IWebBrowser2* top, Listener listener) : top_(top), listener_(std::move(listener)) {}

HRESULT HostEventSink::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID_DWebBrowserEvents2) return E_NOINTERFACE;
  *object = CComPtr<IDispatch>(this).Detach();
  return S_OK;
}

HRESULT HostEventSink::Invoke(DISPID dispId, REFIID, LCID, WORD, DISPPARAMS* params, Variant*) {
  switch (dispId) {
    case DISPID_BEFORENAVIGATE2: {
      const Variant* browser = Argument(params, 0);
      const auto* dispatch = browser ? std::get_if<CComPtr<IDispatch>>(&browser->value) : nullptr;
      if (dispatch && dispatch->get() == top_ && listener_.navigationStarted)
        listener_.navigationStarted(TextOf(Argument(params, 1)));
      break;
    }
    case DISPID_STATUSTEXTCHANGE: {
      std::wstring text = TextOf(Argument(params, 0));
      if (text == status_) break;
      status_ = text;
      if (listener_.statusChanged) listener_.statusChanged(text);
      break;
    }
    case DISPID_TITLECHANGE:
      if (listener_.titleChanged) listener_.titleChanged(TextOf(Argument(params, 0)));
      break;
    default: break;
  }
  return S_OK;
}
