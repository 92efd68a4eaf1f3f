#include "toolbar/CBookmarkStatusDatabase.h"

#include "platform/com/ComError.h"

CBookmarkStatusDatabase::CBookmarkStatusDatabase(IUnknown* browser, std::wstring dataFolder)
    : CBookmarkDatabase(std::move(dataFolder)) {
  if (!browser) return;
  void* raw = nullptr;
  HRESULT hr = browser->QueryInterface(IID_IWebBrowser2, &raw);
  if (hr == E_NOINTERFACE) return;
  ThrowIfFailed(hr);
  browser_.Attach(static_cast<IWebBrowser2*>(raw));
}

CBookmarkStatusDatabase::~CBookmarkStatusDatabase() { browser_.reset(); }

void CBookmarkStatusDatabase::ReportProgress(const std::wstring& address) {
  if (!browser_) throw ComError(E_POINTER);
  // A status bar that refuses the text costs the job nothing.
  browser_->put_StatusText(L"Processing address " + address + L"...");
}
