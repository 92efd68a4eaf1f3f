#include "host/engine/EventLines.h"

#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/CountedObject.h"
#include "platform/com/Variant.h"

namespace {

// Argument `index` in declared order (the list holds them last first).
std::wstring Argument(const DISPPARAMS* params, size_t index) {
  if (!params || !params->rgvarg || index >= params->rgvarg->size()) return {};
  const Variant& v = (*params->rgvarg)[params->rgvarg->size() - 1 - index].Deref();
  if (const bool* flag = std::get_if<bool>(&v.value)) return *flag ? L"true" : L"false";
  std::wstring text;
  VariantToText(v, text);
  return text;
}

class EventLineSink final : public IDispatch, public CountedObject {
 public:
  explicit EventLineSink(std::function<void(const std::wstring&)> onLine) : onLine_(std::move(onLine)) {}
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    bool answers = iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2;
    *object = answers ? CComPtr<IDispatch>(this).Detach() : nullptr;
    return answers ? S_OK : E_NOINTERFACE;
  }
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }
  HRESULT Invoke(DISPID dispId, REFIID, LCID, WORD, DISPPARAMS* params, Variant*) override {
    onLine_(DescribeEvent(dispId, params));
    return S_OK;
  }

 private:
  std::function<void(const std::wstring&)> onLine_;
};

}  // namespace

std::wstring DescribeEvent(DISPID dispId, const DISPPARAMS* params) {
  switch (dispId) {
    case DISPID_BEFORENAVIGATE2: return L"BeforeNavigate2 " + Argument(params, 1);
    case DISPID_NAVIGATECOMPLETE2: return L"NavigateComplete2 " + Argument(params, 1);
    case DISPID_DOCUMENTCOMPLETE: return L"DocumentComplete " + Argument(params, 1);
    case DISPID_TITLECHANGE: return L"TitleChange " + Argument(params, 0);
    case DISPID_STATUSTEXTCHANGE: return L"StatusTextChange " + Argument(params, 0);
    case DISPID_DOWNLOADCOMPLETE: return L"DownloadComplete";
    case DISPID_PROGRESSCHANGE: return L"ProgressChange " + Argument(params, 0) + L" " + Argument(params, 1);
    case DISPID_COMMANDSTATECHANGE: return L"CommandStateChange " + Argument(params, 0) + L" " + Argument(params, 1);
    case DISPID_NEWWINDOW2: return L"NewWindow2";
    case DISPID_ONQUIT: return L"OnQuit";
    default: return std::to_wstring(dispId);
  }
}

CComPtr<IDispatch> MakeEventLineSink(std::function<void(const std::wstring&)> onLine) {
  return CComPtr<IDispatch>(MakeCounted<EventLineSink>(std::move(onLine)).get());
}
