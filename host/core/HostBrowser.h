// The browser a host window docks the toolbar in, whatever engine loads and draws its pages: the
// browser object the band is sited with and the sinks connect to, and what a person does in the
// page (type into a field, send a form, follow a link, close the window).
//
// A browser may do part of its work outside the window's message queue (a page loading in
// another process, a script answering later). It then says it is Busy, and a host that wants
// the window idle lets it work with WaitForWork between runs of its message loop; the browser's
// events reach the sinks from there, on the window's thread.
#pragma once
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/browser/ActionResult.h"
#include "platform/browser/WebBrowser.h"

class HostBrowser {
 public:
  virtual ~HostBrowser() = default;

  // The window's browser object, as a toolbar sees it. Lives as long as this browser.
  virtual IWebBrowser2* Browser() const = 0;

  // Opens what a user typed: an address or a file path.
  virtual ActionResult Navigate(std::wstring_view address) = 0;
  // Types `text` over the whole of the first text field named `fieldName` (the page's, then its
  // frames', in document order).
  virtual ActionResult TypeText(std::wstring_view fieldName, std::wstring_view text) = 0;
  // Submits form `number` (from 1) of the page shown, without pressing a button.
  virtual ActionResult SubmitFormNumber(size_t number) = 0;
  // The text of each link of the window (see LinkText), numbered from 1 as FollowLink counts.
  virtual std::vector<std::wstring> LinkTexts() = 0;
  virtual ActionResult FollowLink(size_t number) = 0;
  // The page as lines of text (see DescribePage).
  virtual std::vector<std::wstring> PageLines() = 0;
  // Closes the window: the sinks hear OnQuit, and nothing loads afterwards.
  virtual void Quit() = 0;
  virtual bool HasQuit() const = 0;

  // Whether work of the browser's own is under way that the window's message queue does not
  // show: a page still loading, or one that has loaded and whose events are not yet delivered.
  virtual bool Busy() const = 0;
  // Lets that work go on for at most `most`, delivering the events it brings.
  virtual void WaitForWork(std::chrono::milliseconds most) = 0;
};
