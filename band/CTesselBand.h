// The desk band: the component the browser creates when the toolbar is switched on. It holds the
// browser's site and browser object, makes the toolbar window inside the site's window, answers
// the browser's questions about size, title and focus, and hands keys to the toolbar.
//
// One band per browser window, used only on that window's user-interface thread. Reference
// counted (hold it through CComPtr); the toolbar and its windows live and die with it. Inside an
// aggregating outer object (see AggregatedObject), its interfaces are the outer object's: their
// AddRef, Release and QueryInterface go to the outer object. A live band holds a lock on the
// module, so the library is not unloaded under it.
#pragma once
#include "band/ComModule.h"
#include "platform/browser/BandHosting.h"
#include "platform/browser/WebBrowser.h"
#include "platform/com/CountedObject.h"
#include "platform/ui/Wnd.h"
#include "toolbar/CTesselToolBarCtrl.h"

class CTesselBand final : public IObjectWithSite, public IInputObject, public IDeskBand, public CountedObject {
 public:
  // Builds the toolbar object, which reads CurDir and opens the store; a CurDir that cannot be
  // read raises CCustomException, and the band is not made. `outer` is the aggregating object,
  // or null for a band of its own.
  explicit CTesselBand(IUnknown* outer = nullptr);
  ~CTesselBand() override;

  // IUnknown: IObjectWithSite, IInputObject, IDeskBand, IOleWindow and IDockingWindow; inside an
  // outer object, whatever the outer object answers.
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return outer_ ? outer_->AddRef() : CountedObject::AddRef(); }
  ULONG Release() override { return outer_ ? outer_->Release() : CountedObject::Release(); }
  // The band's own answer: the interfaces above, IUnknown as IObjectWithSite.
  HRESULT InternalQueryInterface(REFIID iid, void** object);

  // IObjectWithSite
  HRESULT SetSite(IUnknown* site) override;
  HRESULT GetSite(REFIID iid, void** site) override;
  // IInputObject
  HRESULT UIActivateIO(BOOL activate, MSG* msg) override;
  HRESULT HasFocusIO() override;
  HRESULT TranslateAcceleratorIO(MSG* msg) override;
  // IOleWindow
  HRESULT GetWindow(HWND* window) override;
  HRESULT ContextSensitiveHelp(BOOL enterMode) override;
  // IDockingWindow
  HRESULT ShowDW(BOOL show) override;
  HRESULT CloseDW(DWORD reserved) override;
  HRESULT ResizeBorderDW(const RECT* border, IUnknown* site, BOOL reserved) override;
  // IDeskBand
  HRESULT GetBandInfo(DWORD bandId, DWORD viewMode, DESKBANDINFO* info) override;

  // Makes the notification window and the toolbar window inside the parent window. False when a
  // window could not be made; a failure inside the toolbar's creation is shown and counts as made.
  bool CreateToolWindow();
  // Tells the site that the band got (true) or lost the focus; a box calls it when an edit begins.
  void FocusChange(bool focus);

  // The browser object of the window, or null before SetSite found one. Not counted for the caller.
  IWebBrowser2* Browser() const { return browser_.get(); }
  CTesselToolBarCtrl& Toolbar() { return toolbar_; }

 private:
  // First in, last out: the lock outlives everything else of the band.
  ModuleLock moduleLock_;
  IUnknown* outer_;  // not counted: the outer object holds the band, not the other way round
  CComPtr<IWebBrowser2> browser_;
  CComPtr<IInputObjectSite> site_;
  HWND parentWindow_ = nullptr;
  CTesselToolBarCtrl toolbar_;
  CWnd notificationWindow_;
};
