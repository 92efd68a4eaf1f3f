// The bookmark database object of import and export: it shows each address the store's bulk
// operations handle in the browser's status bar ("Processing address …...").
#pragma once
#include "platform/browser/WebBrowser.h"
#include "store/CBookmarkDatabase.h"

class CBookmarkStatusDatabase final : public CBookmarkDatabase {
 public:
  // Asks `browser` for IWebBrowser2; without it the object is made but cannot report (its first
  // ReportProgress raises a ComError E_POINTER). Another failure of the request raises a ComError.
  CBookmarkStatusDatabase(IUnknown* browser, std::wstring dataFolder);
  ~CBookmarkStatusDatabase() override;

  void ReportProgress(const std::wstring& address) override;

 private:
  CComPtr<IWebBrowser2> browser_;
};
