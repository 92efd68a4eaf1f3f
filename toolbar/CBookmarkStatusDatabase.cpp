#include "toolbar/CBookmarkStatusDatabase.h"

#include "platform/com/ComError.h"

CBookmarkStatusDatabase::CBookmarkStatusDatabase(IUnknown* browser, std::wstring dataFolder)
    : CBookmarkDatabase(std::move(dataFolder)), browser_(QueryWebBrowser(browser)) {}

CBookmarkStatusDatabase::~CBookmarkStatusDatabase() { browser_.reset(); }

void CBookmarkStatusDatabase::ReportProgress(const std::wstring& address) {
  if (!browser_) throw ComError(E_POINTER);
  // A status bar that refuses the text costs the job nothing.
  browser_->put_StatusText(L"Processing address " + address + L"...");
}
