#include "platform/browser/BandHosting.h"
#include "platform/browser/HtmlDocument.h"
#include "platform/browser/WebBrowser.h"
#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/ComError.h"

const IID IID_IWebBrowser = MakeGuid(L"EAB22AC1-30C1-11CF-A7EB-0000C05BAE0B");
const IID IID_IWebBrowserApp = MakeGuid(L"0002DF05-0000-0000-C000-000000000046");
const IID IID_IWebBrowser2 = MakeGuid(L"D30C1661-CDAF-11D0-8A3E-00C04FC9E26E");
const IID DIID_DWebBrowserEvents2 = MakeGuid(L"34A715A0-6587-11D0-924A-0020AFC7AC4D");

const IID IID_IHTMLDocument2 = MakeGuid(L"332C4425-26CB-11D0-B483-00C04FD90119");
const IID IID_IHTMLElementCollection = MakeGuid(L"3050F21F-98B5-11CF-BB82-00AA00BDCE0B");
const IID IID_IHTMLElement = MakeGuid(L"3050F1FF-98B5-11CF-BB82-00AA00BDCE0B");
const IID IID_IHTMLFormElement = MakeGuid(L"3050F1F7-98B5-11CF-BB82-00AA00BDCE0B");
const IID IID_IHTMLInputElement = MakeGuid(L"3050F5D2-98B5-11CF-BB82-00AA00BDCE0B");
const IID IID_IHTMLSelectElement = MakeGuid(L"3050F244-98B5-11CF-BB82-00AA00BDCE0B");

const IID IID_IObjectWithSite = MakeGuid(L"FC4801A3-2BA9-11CF-A229-00AA003D7352");
const IID IID_IInputObject = MakeGuid(L"68284FAA-6A48-11D0-8C78-00C04FD918B4");
const IID IID_IInputObjectSite = MakeGuid(L"F1DB8392-7331-11D0-8C99-00A0C92DBFE8");
const IID IID_IOleWindow = MakeGuid(L"00000114-0000-0000-C000-000000000046");
const IID IID_IDockingWindow = MakeGuid(L"012DD920-7B26-11D0-8CA9-00A0C92DBFE8");
const IID IID_IDeskBand = MakeGuid(L"EB0FE172-1A3A-11D0-89B3-00A0C90A90AC");
const IID IID_IServiceProvider = MakeGuid(L"6D5140C1-7436-11CE-8034-00AA006009FA");
const GUID SID_SWebBrowserApp = MakeGuid(L"0002DF05-0000-0000-C000-000000000046");

CComPtr<IWebBrowser2> QueryWebBrowser(IUnknown* object) {
  CComPtr<IWebBrowser2> browser;
  if (!object) return browser;
  void* raw = nullptr;
  HRESULT hr = object->QueryInterface(IID_IWebBrowser2, &raw);
  if (hr == E_NOINTERFACE) return browser;
  ThrowIfFailed(hr);
  browser.Attach(static_cast<IWebBrowser2*>(raw));
  return browser;
}
