// The listener on the browser's DWebBrowserEvents2 events, one per toolbar. It turns a few events
// into work (form capture before a navigation, auto-fill when a document completes, the toolbar's
// refresh after each download, the title, the browser's quit) and acknowledges the rest. Every
// handler runs inside its own error guard: no error returns to the browser.
//
// It has its own connection to the store. Used only on the browser window's user-interface thread.
#pragma once
#include <string>

#include "platform/com/CountedObject.h"
#include "platform/com/Unknown.h"
#include "platform/com/Variant.h"
#include "store/CBookmarkDatabase.h"

class CTesselToolBarCtrl;

class CIEEvents final : public IDispatch, public CountedObject {
 public:
  // Reads CurDir (raising CCustomException when it cannot) and opens its own store there.
  explicit CIEEvents(CTesselToolBarCtrl* owner);
  ~CIEEvents() override;

  // IUnknown: IDispatch and DWebBrowserEvents2.
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }
  // Answers the ten events of the browser's event interface; DISP_E_MEMBERNOTFOUND for others.
  HRESULT Invoke(DISPID dispId, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, Variant* result) override;

  const CComPtr<CBookmarkDatabase>& Database() const { return database_; }

 private:
  void OnBeforeNavigate2(IDispatch* browser, const Variant& url);
  void OnDocumentComplete(IDispatch* browser, const Variant& url);
  void OnDownloadComplete();
  void OnTitleChange(const std::wstring& title);
  void OnQuit();
  void OnCommandStateChange(LONG command, bool enable);
  void OnNavigateComplete2(IDispatch* browser, const Variant& url);
  void OnNewWindow2(Variant& browser, Variant& cancel);
  void OnProgressChange(LONG progress, LONG progressMax);
  void OnStatusTextChange(const std::wstring& text);

  std::wstring settingsKeyPath_;
  CComPtr<CBookmarkDatabase> database_;
  CTesselToolBarCtrl* owner_;
};
