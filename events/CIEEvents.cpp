#include "events/CIEEvents.h"

#include <exception>

#include "band/ModuleMessage.h"
#include "events/FormAutoFill.h"
#include "events/FormCapture.h"
#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/ComError.h"
#include "store/CCustomException.h"
#include "store/ErrorDump.h"
#include "toolbar/CTesselToolBarCtrl.h"
#include "toolbar/ReportedFailure.h"
#include "toolbar/Settings.h"

namespace {

// The argument at declared position `index` of an event with `count` arguments (the call
// carries them last first), followed through a reference.
Variant* Argument(DISPPARAMS* params, UINT index, UINT count) {
  if (!params || !params->rgvarg || params->cArgs() != count) return nullptr;
  return &(*params->rgvarg)[count - 1 - index].Deref();
}

IDispatch* DispatchOf(const Variant* v) {
  if (!v) return nullptr;
  if (auto* dispatch = std::get_if<CComPtr<IDispatch>>(&v->value)) return dispatch->get();
  return nullptr;
}

std::wstring TextOf(const Variant* v) {
  std::wstring text;
  if (v) VariantToText(*v, text);
  return text;
}

LONG Int32Of(const Variant* v) {
  std::int32_t value = 0;
  if (v) VariantToInt32(*v, value);
  return value;
}

// The guard of the handlers that show one text whatever fails.
template <class Body>
void GuardedPlain(Body&& body, const wchar_t* text) {
  try {
    body();
  } catch (...) {
    ShowMessage(text);
  }
}

}  // namespace

CIEEvents::CIEEvents(CTesselToolBarCtrl* owner) : settingsKeyPath_(kSettingsKeyPath), owner_(owner) {
  std::wstring dataFolder = ReadRegistryString(HKEY_CURRENT_USER, settingsKeyPath_, kCurDirValue);
  database_ = MakeCounted<CBookmarkDatabase>(dataFolder);
}

CIEEvents::~CIEEvents() = default;

HRESULT CIEEvents::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID_DWebBrowserEvents2) return E_NOINTERFACE;
  *object = CComPtr<IDispatch>(this).Detach();
  return S_OK;
}

HRESULT CIEEvents::Invoke(DISPID dispId, REFIID, LCID, WORD, DISPPARAMS* params, Variant*) {
  switch (dispId) {
    case DISPID_BEFORENAVIGATE2: {
      Variant* url = Argument(params, 1, 7);
      OnBeforeNavigate2(DispatchOf(Argument(params, 0, 7)), url ? *url : Variant());
      return S_OK;
    }
    case DISPID_COMMANDSTATECHANGE:
      OnCommandStateChange(Int32Of(Argument(params, 0, 2)), [&] {
        Variant* v = Argument(params, 1, 2);
        auto* b = v ? std::get_if<bool>(&v->value) : nullptr;
        return b && *b;
      }());
      return S_OK;
    case DISPID_DOCUMENTCOMPLETE: {
      Variant* url = Argument(params, 1, 2);
      OnDocumentComplete(DispatchOf(Argument(params, 0, 2)), url ? *url : Variant());
      return S_OK;
    }
    case DISPID_DOWNLOADCOMPLETE:
      OnDownloadComplete();
      return S_OK;
    case DISPID_NAVIGATECOMPLETE2: {
      Variant* url = Argument(params, 1, 2);
      OnNavigateComplete2(DispatchOf(Argument(params, 0, 2)), url ? *url : Variant());
      return S_OK;
    }
    case DISPID_NEWWINDOW2: {
      Variant none;
      Variant* browser = Argument(params, 0, 2);
      Variant* cancel = Argument(params, 1, 2);
      OnNewWindow2(browser ? *browser : none, cancel ? *cancel : none);
      return S_OK;
    }
    case DISPID_ONQUIT:
      OnQuit();
      return S_OK;
    case DISPID_PROGRESSCHANGE:
      OnProgressChange(Int32Of(Argument(params, 0, 2)), Int32Of(Argument(params, 1, 2)));
      return S_OK;
    case DISPID_STATUSTEXTCHANGE:
      OnStatusTextChange(TextOf(Argument(params, 0, 1)));
      return S_OK;
    case DISPID_TITLECHANGE:
      OnTitleChange(TextOf(Argument(params, 0, 1)));
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

void CIEEvents::OnBeforeNavigate2(IDispatch* browser, const Variant&) {
  try {
    CaptureForm(browser, *database_, owner_->SetupMenu());
  } catch (const CCustomException& e) {
    ShowMessage(L"OnBeforeNavigate2 error " + e.GetMessage());
  } catch (const ComError& e) {
    if (e.Error() != E_POINTER) ShowMessage(L"OnBeforeNavigate2 " + DumpComError(e));
  } catch (...) {
    ShowMessage(L"OnBeforeNavigate2");
  }
}

void CIEEvents::OnDocumentComplete(IDispatch* browser, const Variant& url) {
  try {
    FillForm(browser, TextOf(&url), *database_);
  } catch (const CCustomException& e) {
    ShowMessage(L"OnDocumentComplete error " + e.GetMessage());
  } catch (const ComError& e) {
    ShowMessage(L"OnDocumentComplete COM error " + DumpComError(e));
  } catch (...) {
    ShowMessage(L"OnDocumentComplete");
  }
}

void CIEEvents::OnDownloadComplete() {
  RunReportingFailure(L"OnDownloadComplete error", [this] { owner_->UpdateScreen(); });
}

void CIEEvents::OnTitleChange(const std::wstring& title) {
  GuardedPlain([&] { owner_->SetPageTitle(title); }, L"OnTitleChange");
}

void CIEEvents::OnQuit() {
  GuardedPlain([this] { owner_->OnIEQuit(); }, L"OnQuit");
}

void CIEEvents::OnCommandStateChange(LONG, bool) {
  GuardedPlain([] {}, L"OnCommandStateChange");
}

void CIEEvents::OnNavigateComplete2(IDispatch*, const Variant&) {
  GuardedPlain([] {}, L"OnNavigateComplete2");
}

void CIEEvents::OnNewWindow2(Variant&, Variant&) {
  GuardedPlain([] {}, L"OnNewWindow2");
}

void CIEEvents::OnProgressChange(LONG, LONG) {
  GuardedPlain([] {}, L"OnProgressChange");
}

void CIEEvents::OnStatusTextChange(const std::wstring&) {
  GuardedPlain([] {}, L"OnStatusTextChange");
}
