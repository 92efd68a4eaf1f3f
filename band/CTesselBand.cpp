#include "band/CTesselBand.h"

#include <iterator>

#include "band/BandModule.h"
#include "band/ModuleMessage.h"
#include "platform/com/ComError.h"
#include "platform/ui/Resources.h"
#include "resources/ResourceIds.h"

namespace {

// Asks `object` for `iid`. A missing interface is an answer (empty `out`, false); any other
// failure of the request raises a ComError.
template <class T>
bool Ask(IUnknown* object, REFIID iid, CComPtr<T>& out) {
  out.reset();
  void* raw = nullptr;
  HRESULT hr = object->QueryInterface(iid, &raw);
  if (hr == E_NOINTERFACE) return false;
  ThrowIfFailed(hr);
  out.Attach(static_cast<T*>(raw));
  return bool(out);
}

constexpr LONG kMinimumSize = 10;
constexpr LONG kBandHeight = 25;
constexpr LONG kIdealWidth = 200;

}  // namespace

CTesselBand::CTesselBand(IUnknown* outer) : outer_(outer) {}

// The notification window goes first (members end in reverse order), taking the toolbar window
// and the boxes with it while their objects still hear WM_DESTROY; the toolbar object then
// disconnects its sink from the browser, which is still held.
CTesselBand::~CTesselBand() = default;

HRESULT CTesselBand::QueryInterface(REFIID iid, void** object) {
  return outer_ ? outer_->QueryInterface(iid, object) : InternalQueryInterface(iid, object);
}

HRESULT CTesselBand::InternalQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IObjectWithSite)
    *object = CComPtr<IObjectWithSite>(this).Detach();
  else if (iid == IID_IInputObject)
    *object = CComPtr<IInputObject>(this).Detach();
  else if (iid == IID_IDeskBand || iid == IID_IOleWindow || iid == IID_IDockingWindow)
    *object = CComPtr<IDeskBand>(this).Detach();
  else
    return E_NOINTERFACE;
  return S_OK;
}

HRESULT CTesselBand::SetSite(IUnknown* site) {
  try {
    site_.reset();
    if (site) Ask(site, IID_IInputObjectSite, site_);
    // Without a site the band lets go of it and nothing else: windows and browser stay.
    if (!site_) return S_OK;

    parentWindow_ = nullptr;
    CComPtr<IOleWindow> oleWindow;
    if (Ask(site, IID_IOleWindow, oleWindow)) oleWindow->GetWindow(&parentWindow_);
    if (!parentWindow_) return E_FAIL;

    CComPtr<IServiceProvider> services;
    if (!Ask(site, IID_IServiceProvider, services)) throw ComError(E_NOINTERFACE);
    browser_.reset();
    void* browser = nullptr;
    services->QueryService(SID_SWebBrowserApp, IID_IWebBrowser, &browser);
    browser_.Attach(static_cast<IWebBrowser2*>(browser));

    // Sited again while the windows exist: they stay, with their contents and their sink.
    if (notificationWindow_.GetSafeHwnd()) return S_OK;
    if (!CreateToolWindow()) return E_FAIL;
    return S_OK;
  } catch (...) {
    ShowMessage(L"SetSite failed");
    return S_OK;
  }
}

HRESULT CTesselBand::GetSite(REFIID iid, void** site) {
  if (!site) return E_POINTER;
  *site = nullptr;
  try {
    if (!site_) return E_FAIL;
    return site_->QueryInterface(iid, site);
  } catch (...) {
    ShowMessage(L"GetSite failed");
    return E_FAIL;
  }
}

HRESULT CTesselBand::UIActivateIO(BOOL activate, MSG*) {
  try {
    if (!activate) return S_OK;
    HWND focus = ::GetFocus();
    if (toolbar_.SearchBox().Owns(focus))
      ::SetFocus(toolbar_.SearchBox().EditControl());
    else if (toolbar_.CategoryBox().Owns(focus))
      ::SetFocus(toolbar_.CategoryBox().EditControl());
  } catch (...) {
    ShowMessage(L"CTesselBand::UIActivateIO failed");
  }
  return S_OK;
}

HRESULT CTesselBand::HasFocusIO() {
  try {
    HWND focus = ::GetFocus();
    const CBandComboBox* boxes[] = {&toolbar_.SearchBox(), &toolbar_.CategoryBox()};
    for (const CBandComboBox* box : boxes)
      if (box->Owns(focus) || (box->GetSafeHwnd() && box->IsDroppedDown())) return S_OK;
    return S_FALSE;
  } catch (...) {
    ShowMessage(L"HasFocusIO failed");
    return S_FALSE;
  }
}

HRESULT CTesselBand::TranslateAcceleratorIO(MSG* msg) { return toolbar_.TranslateAcceleratorIO(msg); }

HRESULT CTesselBand::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = toolbar_.GetSafeHwnd();
  return S_OK;
}

HRESULT CTesselBand::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT CTesselBand::ShowDW(BOOL show) {
  try {
    if (HWND window = toolbar_.GetSafeHwnd()) ::ShowWindow(window, show ? SW_SHOW : SW_HIDE);
  } catch (...) {
    ShowMessage(L"CTesselBand::ShowDW");
  }
  return S_OK;
}

// Closing only hides: the windows, the sink and the store live until the band is released.
HRESULT CTesselBand::CloseDW(DWORD) { return ShowDW(FALSE); }

HRESULT CTesselBand::ResizeBorderDW(const RECT*, IUnknown*, BOOL) { return E_NOTIMPL; }

HRESULT CTesselBand::GetBandInfo(DWORD, DWORD, DESKBANDINFO* info) {
  if (!info) return E_INVALIDARG;
  try {
    if (info->dwMask & DBIM_MINSIZE) info->ptMinSize = POINTL{kMinimumSize, kMinimumSize};
    if (info->dwMask & DBIM_MAXSIZE) info->ptMaxSize = POINTL{-1, kBandHeight};
    if (info->dwMask & DBIM_INTEGRAL) info->ptIntegral = POINTL{1, 1};
    if (info->dwMask & DBIM_ACTUAL) info->ptActual = POINTL{kIdealWidth, kBandHeight};
    if (info->dwMask & DBIM_TITLE) {
      if (LoadStringW(BandInstance(), IDS_BAND_TITLE, info->wszTitle, static_cast<int>(std::size(info->wszTitle))) == 0)
        throw ComError(E_FAIL);
    }
    if (info->dwMask & DBIM_MODEFLAGS) info->dwModeFlags = DBIMF_VARIABLEHEIGHT;
    // No colour of its own: the browser draws its default background behind the band.
    info->dwMask &= ~DBIM_BKCOLOR;
    return S_OK;
  } catch (...) {
    ShowMessage(L"GetBandInfo failed");
    return E_INVALIDARG;
  }
}

bool CTesselBand::CreateToolWindow() {
  try {
    RECT rect;
    ::GetClientRect(parentWindow_, &rect);
    // Never shown: it only hears the toolbar's notifications and sends them back to it.
    if (!notificationWindow_.CreateEx(0, WC_WINDOW, L"", WS_CHILD, rect, parentWindow_, 0)) return false;
    return toolbar_.Create(rect, notificationWindow_, this);
  } catch (...) {
    ShowMessage(L"CTesselBand::CreateToolWindow failed");
    return true;
  }
}

void CTesselBand::FocusChange(bool focus) {
  try {
    if (!site_) throw ComError(E_FAIL);
    CComPtr<IUnknown> self;
    ThrowIfFailed(QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&self)));
    ThrowIfFailed(site_->OnFocusChangeIS(self.get(), focus ? TRUE : FALSE));
  } catch (...) {
    ShowMessage(L"FocusChange failed");
  }
}
