#include "platform/browser/HtmlDocument.h"
#include "platform/browser/WebBrowser.h"
#include "platform/browser/WebBrowserEvents.h"

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
