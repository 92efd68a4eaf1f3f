// A browser window as a host drives it: the top browser object and what a user does in it
// (type into a field, tick a box, pick an entry, submit a form, follow a link, go back, close).
// Fields are found by name in the page shown, then in its frames, first in document order;
// links are numbered from 1 over the page and then its frames, as the page text lists them.
//
// A user action loads its page before it returns. What the page's own sinks ask for through
// IWebBrowser2 (a toolbar's Navigate2) loads from the window's message loop, so the thread that
// made the window runs its loop (PumpMessages, or a host's own loop) for those pages to load.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/browser/ActionResult.h"
#include "host/engine/PageView.h"
#include "host/engine/WebBrowserObject.h"

enum class CheckState { Cleared, Ticked };

// A link of the window: the browser object showing it and its element.
struct WindowLink {
  WebBrowserObject* browser;
  PageNode anchor;
};
// The links of `top` and its frames in the order the page text numbers them.
std::vector<WindowLink> WindowLinks(WebBrowserObject& top);

class BrowserWindow {
 public:
  // Makes the window's page view on the calling thread, inside `frame` when a host gives one.
  explicit BrowserWindow(HWND frame = nullptr);
  // Closes the window if it is still open (the sinks hear OnQuit).
  ~BrowserWindow();
  BrowserWindow(const BrowserWindow&) = delete;
  BrowserWindow& operator=(const BrowserWindow&) = delete;

  // The window's browser object, as a toolbar sees it.
  IWebBrowser2* Browser() const { return top_.get(); }
  WebBrowserObject& Top() const { return *top_; }
  // The window the page is shown in; the loop runs waiting navigations through it.
  HWND View() const { return view_.GetSafeHwnd(); }

  // Opens what a user typed: an address or a file path.
  ActionResult Navigate(std::wstring_view address);
  ActionResult TypeText(std::wstring_view fieldName, std::wstring_view text);
  // Ticks or clears the checkbox or radio button `fieldName` (of value `value`, when given).
  ActionResult SetChecked(std::wstring_view fieldName, std::wstring_view value, CheckState state);
  // Picks the entry of drop-down list `fieldName` whose value, or else whose text, is `entry`.
  ActionResult PickOption(std::wstring_view fieldName, std::wstring_view entry);
  // Submits the form that holds field `fieldName`; a submit button named so is the one pressed.
  ActionResult SubmitForm(std::wstring_view fieldName);
  // Submits form `number` (from 1) of the page shown, without pressing a button.
  ActionResult SubmitFormNumber(size_t number);
  ActionResult FollowLink(size_t number);
  ActionResult GoBack();
  void Quit();
  bool HasQuit() const { return top_->HasQuit(); }

 private:
  struct Found {
    WebBrowserObject* browser = nullptr;
    PageNode node;
  };
  template <class Match>
  Found FindControl(WebBrowserObject& browser, const Match& match);
  static ActionResult FromResult(HRESULT hr) { return SUCCEEDED(hr) ? ActionResult::Done : ActionResult::Refused; }

  CComPtr<WebBrowserObject> top_;
  PageView view_;
};
