// The site a browser window gives the band it docks: the window the band makes its windows in
// (IOleWindow), the browser object of the window (IServiceProvider, SID_SWebBrowserApp), and the
// place the band reports focus changes to (IInputObjectSite).
#pragma once
#include "platform/browser/BandHosting.h"
#include "platform/browser/WebBrowser.h"
#include "platform/com/CountedObject.h"

class BandSite final : public IInputObjectSite, public IOleWindow, public IServiceProvider, public CountedObject {
 public:
  // `window` is the browser window's own window (the band's parent); `browser` its browser object.
  BandSite(HWND window, CComPtr<IWebBrowser2> browser);

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }

  // IInputObjectSite: remembers whether the band last said it has the focus.
  HRESULT OnFocusChangeIS(IUnknown* object, BOOL focus) override;
  // IOleWindow
  HRESULT GetWindow(HWND* window) override;
  HRESULT ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  // IServiceProvider: the browser object for SID_SWebBrowserApp, asked for `iid`.
  HRESULT QueryService(const GUID& service, REFIID iid, void** object) override;

  bool BandHasFocus() const { return bandHasFocus_; }
  int FocusChanges() const { return focusChanges_; }

 private:
  HWND window_;
  CComPtr<IWebBrowser2> browser_;
  bool bandHasFocus_ = false;
  int focusChanges_ = 0;
};
