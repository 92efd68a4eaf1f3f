#include "tests/support/BrowserTestSupport.h"

#include <fstream>

#include "host/engine/EventLines.h"
#include "platform/browser/HtmlDocument.h"

HRESULT RecordingSink::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID_DWebBrowserEvents2) return E_NOINTERFACE;
  *object = CComPtr<IDispatch>(this).Detach();
  return S_OK;
}

HRESULT RecordingSink::Invoke(DISPID dispId, REFIID, LCID, WORD, DISPPARAMS* params, Variant*) {
  lines.push_back(DescribeEvent(dispId, params));
  RecordedEvent event{dispId, {}, {}, false};
  if (params && params->rgvarg)
    for (auto it = params->rgvarg->rbegin(); it != params->rgvarg->rend(); ++it) event.arguments.push_back(it->Deref());
  if (!event.arguments.empty()) {
    if (auto* dispatch = std::get_if<CComPtr<IDispatch>>(&event.arguments.front().value)) {
      if (auto browser = dispatch->QueryInterface<IWebBrowser2>(IID_IWebBrowser2)) {
        browser->get_LocationURL(&event.browserUrl);
        CComPtr<IDispatch> document;
        if (SUCCEEDED(browser->get_Document(&document)))
          event.browserHadHtmlDocument = bool(document.QueryInterface<IHTMLDocument2>(IID_IHTMLDocument2));
      }
    }
  }
  events.push_back(event);
  if (dispId == DISPID_BEFORENAVIGATE2 && !cancelWhenAddressHas.empty()) {
    std::wstring url;
    VariantToText((*params->rgvarg)[5], url);
    if (url.find(cancelWhenAddressHas) != std::wstring::npos) (*params->rgvarg)[0].Deref() = Variant(true);
  }
  if (onEvent) onEvent(dispId, params);
  return S_OK;
}

DWORD RecordingSink::Connect(IWebBrowser2* browser) {
  auto container = CComPtr<IWebBrowser2>(browser).QueryInterface<IConnectionPointContainer>(IID_IConnectionPointContainer);
  if (!container || FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point_))) return 0;
  if (FAILED(point_->Advise(static_cast<IDispatch*>(this), &cookie_))) return 0;
  return cookie_;
}

void RecordingSink::Disconnect() {
  if (point_) point_->Unadvise(cookie_);
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}
