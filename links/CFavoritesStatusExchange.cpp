#include "links/CFavoritesStatusExchange.h"

#include "platform/com/ComError.h"

CFavoritesStatusExchange::CFavoritesStatusExchange(IUnknown* browser) : browser_(QueryWebBrowser(browser)) {}

CFavoritesStatusExchange::~CFavoritesStatusExchange() = default;

void CFavoritesStatusExchange::ReportProgress(const std::wstring& text) {
  if (!browser_) throw ComError(E_POINTER);
  browser_->put_StatusText(L"Resolving address " + text + L"...");  // the status bar's answer does not matter
}
