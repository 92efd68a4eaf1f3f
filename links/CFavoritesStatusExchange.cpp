#include "links/CFavoritesStatusExchange.h"

#include "platform/com/ComError.h"

CFavoritesStatusExchange::CFavoritesStatusExchange(IUnknown* browser) {
  if (!browser) return;
  void* raw = nullptr;
  HRESULT hr = browser->QueryInterface(IID_IWebBrowser2, &raw);
  if (hr == E_NOINTERFACE) return;
  ThrowIfFailed(hr);
  browser_.Attach(static_cast<IWebBrowser2*>(raw));
}

CFavoritesStatusExchange::~CFavoritesStatusExchange() = default;

void CFavoritesStatusExchange::ReportProgress(const std::wstring& text) {
  if (!browser_) throw ComError(E_POINTER);
  browser_->put_StatusText(L"Resolving address " + text + L"...");  // the status bar's answer does not matter
}
