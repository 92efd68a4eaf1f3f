// The Favorites exchange of the import and export commands: it shows each shortcut it reads and
// each address it writes in the browser's status bar ("Resolving address …...").
#pragma once
#include "links/CFavoritesExchange.h"
#include "platform/browser/WebBrowser.h"

class CFavoritesStatusExchange final : public CFavoritesExchange {
 public:
  // Asks `browser` for IWebBrowser2; without it the object is made but cannot report (its first
  // ReportProgress raises a ComError E_POINTER). Another failure of the request raises a ComError.
  explicit CFavoritesStatusExchange(IUnknown* browser);
  ~CFavoritesStatusExchange() override;

  void ReportProgress(const std::wstring& text) override;

 private:
  CComPtr<IWebBrowser2> browser_;
};
