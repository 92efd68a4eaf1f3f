// The browser's automation interface: what the toolbar asks of the browser window (or of a frame)
// that it lives in. Texts are wide strings; a missing text reads as empty.
#pragma once
#include <string>

#include "platform/com/Unknown.h"
#include "platform/com/Variant.h"

extern const IID IID_IWebBrowser;
extern const IID IID_IWebBrowserApp;
extern const IID IID_IWebBrowser2;

struct IWebBrowser2 : IDispatch {
  // The address of the page shown (of the page being left, while BeforeNavigate2 is delivered).
  virtual HRESULT get_LocationURL(std::wstring* url) = 0;
  // The title of the page shown, or its address when the page has none.
  virtual HRESULT get_LocationName(std::wstring* name) = 0;
  // Opens `url` (a text: an address or a file path). `flags` is ignored; `targetFrameName` names
  // a frame of this window to open it in (empty: this browser); `postData` is the body of a POST
  // as text (empty: GET); `headers` are extra request lines "Name: value\r\n". Each may be empty
  // or null. Returns at once: the page loads from the window's message loop, after this call
  // (and whatever command or event handler made it) has returned, so none of its events reach a
  // sink before then. A page that cannot be loaded shows the error page and still succeeds.
  // E_INVALIDARG when `url` is not a text, E_FAIL once the window has quit.
  virtual HRESULT Navigate2(Variant* url, Variant* flags, Variant* targetFrameName, Variant* postData,
                            Variant* headers) = 0;
  // Returns to the previous page of this window, from the window's message loop as Navigate2
  // does; E_FAIL when there is none.
  virtual HRESULT GoBack() = 0;
  virtual HRESULT get_StatusText(std::wstring* text) = 0;
  // Shows `text` in the status bar and tells the sinks (StatusTextChange).
  virtual HRESULT put_StatusText(const std::wstring& text) = 0;
  // The document of the page shown: an object that answers IHTMLDocument2 for an HTML page and
  // only IDispatch for anything else (an image). E_FAIL, with a null result, when no page has
  // been loaded yet.
  virtual HRESULT get_Document(IDispatch** document) = 0;
  // Closes the window: the sinks hear OnQuit, and the browser loads nothing afterwards.
  virtual HRESULT Quit() = 0;

 protected:
  ~IWebBrowser2() = default;
};

// The browser interface of `object`, for those that report to the status bar: null when there is
// no object or it does not offer IWebBrowser2; any other failure of the request raises ComError.
CComPtr<IWebBrowser2> QueryWebBrowser(IUnknown* object);
