// The browser object of the desktop window: IWebBrowser2 and its DWebBrowserEvents2 connection
// point over a WebKitWebView, so that the toolbar sees a WebKit page as it sees the engine's.
//
// Events, on the window's thread from the GLib main loop:
//   BeforeNavigate2     from WebKit's navigation policy decision, which is held until the page
//                       being left has been read (its typed values in the document, for form
//                       capture); a sink's cancel ignores the navigation, else it goes ahead
//   NavigateComplete2   when the load is committed (with the back and forward command states)
//   TitleChange, DownloadComplete, DocumentComplete
//                       when the load has finished and the new page has been read; later title
//                       changes by the page's script send TitleChange again
//   StatusTextChange    on put_StatusText ("Opening page ...", "Done" as the engine says them)
//   OnQuit              on Quit, after which nothing loads
// Frames are part of their page: the events and the document are the top page's. WebKit does not
// say which frame a navigation is for; one that comes by itself while the page loads is taken
// for a frame's (see OnDecidePolicy).
//
// Pendrel's own pages (OwnPages.h) are shown with the scripts of their markup off; the host's own
// scripts still read and fill them.
//
// get_Document answers the engine's document objects (HtmlObjects) over a PageDocument built from
// what the page's script reads (PageForms). Values a sink writes into them during DocumentComplete
// are written back into the page when the sinks have run.
#pragma once
#include "host/engine/BrowserObject.h"
#include "host/gtk/GtkHeaders.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/HostBrowser.h"
#include "host/engine/EventConnections.h"
#include "host/engine/PageDocument.h"
#include "host/gtk/GObjectRef.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/CountedObject.h"

class WebViewBrowser final : public BrowserObject {
 public:
  // Drives `view` (a reference is kept) from now until Detach.
  explicit WebViewBrowser(WebKitWebView* view);
  ~WebViewBrowser() override;

  // IWebBrowser2. Navigate2 loads a text address or file path in this window; WebKit sends no
  // request body from here, so `postData` and `headers` are not sent.
  HRESULT Navigate2(Variant* url, Variant* flags, Variant* targetFrameName, Variant* postData,
                    Variant* headers) override;
  HRESULT GoBack() override;
  HRESULT put_StatusText(const std::wstring& text) override;
  HRESULT Quit() override;
  // IConnectionPointContainer
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // What a person does in the window (see HostBrowser).
  ActionResult Open(std::wstring_view address);
  ActionResult TypeText(std::wstring_view fieldName, std::wstring_view text);
  ActionResult SubmitFormNumber(size_t number);
  std::vector<std::wstring> LinkTexts() const;
  ActionResult FollowLink(size_t number);
  // The page as lines, read afresh from the page.
  std::vector<std::wstring> PageLines();
  bool HasQuit() const { return quit_; }
  bool Busy() const;

  // Told every text put into the status bar.
  void SetStatusListener(std::function<void(const std::wstring& text)> listener) {
    statusListener_ = std::move(listener);
  }
  // Stops driving the view: its signals are disconnected, what it still answers is dropped.
  void Detach();

 private:
  struct ScriptCall;
  using ScriptDone = std::function<void(std::optional<std::string> answer)>;

  static gboolean OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                 gpointer self);
  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static gboolean OnLoadFailed(WebKitWebView* view, WebKitLoadEvent event, gchar* uri, GError* error, gpointer self);
  static void OnTitleChanged(GObject* view, GParamSpec* property, gpointer self);
  static void OnScriptDone(GObject* view, GAsyncResult* result, gpointer call);

  void Load(const std::wstring& url);
  // Decides a navigation the policy signal handed over: reads the page being left, then asks the
  // sinks, then lets WebKit go on or not.
  void Decide(std::shared_ptr<GObjectRef<WebKitPolicyDecision>> decision, std::wstring url, bool post);
  void GoAhead(WebKitPolicyDecision* decision, const std::wstring& url);
  void Committed();
  void Finished();
  // Runs `script` in the page; `done` hears its answer (a text, or true/false) or nothing.
  void RunScript(const std::string& script, ScriptDone done);
  // The same, waiting for the answer on the GLib main loop (at most kScriptWait).
  std::optional<std::string> RunScriptNow(const std::string& script);
  // Reads the page into the document; `then` runs afterwards, also when it could not be read.
  void ReadPage(std::function<void()> then);
  void TakePage(const std::optional<std::string>& answer);

  GObjectRef<WebKitWebView> view_;
  CComPtr<EventConnections> events_ = MakeCounted<EventConnections>();
  std::function<void(const std::wstring&)> statusListener_;
  CComPtr<PageDocument> page_;
  std::wstring substituting_;  // a file address whose bytes are being loaded in its stead
  bool quit_ = false;
  bool detached_ = false;
  bool requested_ = false;  // a load was asked for and WebKit has not taken it up yet
  std::optional<std::chrono::steady_clock::time_point> startDue_;  // a load let go ahead, not yet started
  bool pageLoading_ = false;  // the window's page has started loading and not finished
  bool finishing_ = false;  // a finished page is being read and its events sent
  int held_ = 0;            // navigation decisions held
  int scripts_ = 0;         // scripts whose answer is awaited
};

// The desktop window's browser as a host window drives it.
class DesktopBrowser final : public HostBrowser {
 public:
  explicit DesktopBrowser(CComPtr<WebViewBrowser> browser) : browser_(std::move(browser)) {}
  ~DesktopBrowser() override;

  IWebBrowser2* Browser() const override { return browser_.get(); }
  ActionResult Navigate(std::wstring_view address) override { return browser_->Open(address); }
  ActionResult TypeText(std::wstring_view fieldName, std::wstring_view text) override {
    return browser_->TypeText(fieldName, text);
  }
  ActionResult SubmitFormNumber(size_t number) override { return browser_->SubmitFormNumber(number); }
  std::vector<std::wstring> LinkTexts() override { return browser_->LinkTexts(); }
  ActionResult FollowLink(size_t number) override { return browser_->FollowLink(number); }
  std::vector<std::wstring> PageLines() override { return browser_->PageLines(); }
  void Quit() override { browser_->Quit(); }
  bool HasQuit() const override { return browser_->HasQuit(); }
  bool Busy() const override { return browser_->Busy(); }
  void WaitForWork(std::chrono::milliseconds most) override;

 private:
  CComPtr<WebViewBrowser> browser_;
};
