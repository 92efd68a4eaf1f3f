// The browser object: one per browser window and one per frame of the page it shows. It loads
// pages, keeps the document of the page shown, and sends the window's DWebBrowserEvents2 events
// in the browser's order. A navigation asked for through IWebBrowser2 (Navigate2, GoBack) runs as
// in a real browser, from the window's message loop: it waits in the window's queue, and its
// events reach the sinks after the call that asked for it has returned. The host's own user
// actions (an address typed, a form sent, a link followed) load before they return. A navigation
// asked for while events are being delivered always waits, so sinks never see two loads
// interleaved.
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "host/engine/BrowserObject.h"
#include "host/engine/EventConnections.h"
#include "host/engine/Fetcher.h"
#include "host/engine/NavigationRequest.h"
#include "host/engine/PageDocument.h"
#include "host/engine/Url.h"
#include "platform/browser/WebBrowser.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/CountedObject.h"

class WebBrowserObject;

// How a navigation changes the window's list of pages: adds the page, goes back one, or leaves it.
enum class HistoryUse { Record, Back, Skip };

// When a navigation runs.
enum class NavigationStart {
  Now,       // a user action in the window: the page loads before the call returns
  FromLoop,  // asked for through IWebBrowser2: the page loads from the window's message loop
};

// What the top browser object and its frames share: the fetcher with the window's cookies, the
// window's sinks, its queue of waiting navigations with the window that runs them, and whether
// it has closed.
class WindowContext final : public CountedObject {
 public:
  Fetcher fetcher;
  CComPtr<EventConnections> events = MakeCounted<EventConnections>();
  bool quit = false;
  int delivering = 0;  // > 0 while a navigation is running
  size_t frames = 0;   // frame objects the window holds now, at every depth
  struct Waiting {
    CComPtr<WebBrowserObject> browser;
    NavigationRequest request;
    HistoryUse history;
  };
  std::deque<Waiting> waiting;
  HWND view = nullptr;      // the page view (PageView), where the loop runs the waiting navigations
  bool wakePosted = false;  // its message is queued and not yet dispatched

  // Asks the window's message loop to run the next waiting navigation, once per message.
  void Wake();
};

enum class FrameRole { Top, Frame };

class WebBrowserObject final : public BrowserObject {
 public:
  WebBrowserObject(CComPtr<WindowContext> context, FrameRole role, std::wstring frameName);

  // IWebBrowser2
  HRESULT Navigate2(Variant* url, Variant* flags, Variant* targetFrameName, Variant* postData,
                    Variant* headers) override;
  // Goes back from the window's message loop (see Back).
  HRESULT GoBack() override;
  HRESULT put_StatusText(const std::wstring& text) override;
  HRESULT Quit() override;

  // IConnectionPointContainer: the window's DWebBrowserEvents2 point (frames report through it).
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // For the host and its user actions.
  // Runs a navigation of this browser object now, or queues it for the window's message loop:
  // always from the loop while events are being delivered. E_FAIL once the window has quit.
  HRESULT Navigate(NavigationRequest request, HistoryUse history, NavigationStart start);
  // Returns to the previous page of the window; E_FAIL when there is none.
  HRESULT Back(NavigationStart start);
  // The message loop's turn: runs the window's next waiting navigation, unless a load is under
  // way (the loop is woken again when it ends).
  void RunWaitingNavigation();
  const std::wstring& Url() const { return url_; }
  // The document of the page shown when it is HTML; null otherwise.
  const CComPtr<PageDocument>& Page() const { return page_; }
  const std::vector<CComPtr<WebBrowserObject>>& Frames() const { return frames_; }
  bool IsTop() const { return role_ == FrameRole::Top; }
  // Whether the window has closed (by the host or by a caller's Quit).
  bool HasQuit() const { return context_->quit; }
  // Sends `form` (an element of this object's page) as the browser does, with `submitter` the
  // button that sent it, if any. A user action: the page loads before the call returns.
  HRESULT SubmitForm(PageNode form, PageNode submitter);
  // Follows the link `anchor` (an element of this object's page); a user action likewise.
  HRESULT FollowLink(PageNode anchor);

 private:
  struct LoadedPage;
  void Run(const NavigationRequest& request, HistoryUse history);
  LoadedPage Load(const NavigationRequest& request);
  void LoadFrames(int depth);
  // Lets go of this object's frames and theirs, giving them back to the window's budget; a
  // navigation still waiting for one of them is dropped.
  void DropFrames();
  WebBrowserObject* FindFrame(std::wstring_view name);
  // Whether this object or one it is a frame of shows `url` (fragments aside): such a frame
  // would frame itself.
  bool ShownAbove(std::wstring_view url) const;
  // Whether `url` is shown by an object this frame is part of (false for the top object).
  bool FramesAnAncestor(std::wstring_view url) const { return parent_ && parent_->ShownAbove(url); }
  // Whether this page may send the browser to `url`: a web page never opens local files.
  bool MayOpen(std::wstring_view url) const { return PageMayOpen(url_, url); }

  // Event delivery, through the window's connection point.
  bool FireBeforeNavigate2(const NavigationRequest& request);  // false: a sink cancelled
  void FireUrlEvent(DISPID dispId);

  CComPtr<WindowContext> context_;
  FrameRole role_;
  std::wstring frameName_;
  WebBrowserObject* parent_ = nullptr;  // the object this one is a frame of, which owns it
  bool dropped_ = false;                // a frame its page has let go: it navigates no more
  int depth_ = 0;
  bool loaded_ = false;
  CComPtr<PageDocument> page_;
  std::vector<CComPtr<WebBrowserObject>> frames_;
  std::vector<NavigationRequest> history_;  // top only: the pages shown, the current one last
};
