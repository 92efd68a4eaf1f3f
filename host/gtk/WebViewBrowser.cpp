#include "host/gtk/WebViewBrowser.h"

#include <fstream>
#include <iterator>

#include "host/engine/HtmlObjects.h"
#include "host/engine/PageText.h"
#include "host/engine/Url.h"
#include "host/gtk/GLibLoop.h"
#include "host/gtk/OwnPages.h"
#include "host/gtk/PageForms.h"
#include "host/gtk/PageScripts.h"
#include "platform/browser/WebBrowserEvents.h"
#include "platform/text/TextDecoding.h"
#include "platform/text/WideText.h"

namespace {

// The longest a command waits for a script's answer.
constexpr std::chrono::seconds kScriptWait{10};
// The longest a navigation let go ahead may take to start loading.
constexpr std::chrono::seconds kStartWait{5};
// The largest file read to be shown in place of a UTF-16 page WebKit would misread.
constexpr std::uintmax_t kMaxSubstitutedFile = 64 * 1024 * 1024;

// A page file written in UTF-16LE without a byte-order mark (as the generated bookmark page is)
// is read by WebKit as if it were 8-bit text; its bytes are handed to WebKit with their encoding
// said instead. Null when the file is of another kind.
GBytesPtr Utf16PageBytes(const std::wstring& url) {
  if (SchemeOf(url) != L"file") return nullptr;
  std::ifstream file(ToUtf8(PathFromFileUrl(url)), std::ios::binary);
  if (!file) return nullptr;
  std::string head(1024, '\0');
  file.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(file.gcount()));
  if (head.starts_with("\xFF\xFE") || !LooksLikeUtf16LE(head)) return nullptr;
  file.clear();
  file.seekg(0, std::ios::end);
  auto size = static_cast<std::uintmax_t>(file.tellg());
  if (size > kMaxSubstitutedFile) return nullptr;
  file.seekg(0);
  // Read straight into the buffer WebKit is handed, which then owns it.
  GCharPtr bytes(static_cast<char*>(g_malloc(static_cast<gsize>(size))));
  file.read(bytes.get(), static_cast<std::streamsize>(size));
  const auto read = static_cast<gsize>(file.gcount());
  return GBytesPtr(g_bytes_new_take(bytes.release(), read));
}

// Pendrel's own pages (OwnPages.h) are shown with the scripts of their markup off: no script
// element or handler of theirs runs and a javascript: link in them does nothing. The host's own
// scripts (reading the page, typing, filling in) run in them all the same. Any other page is
// shown as it comes. Said before the page loads, so that it applies to the whole of it.
enum class MarkupScripts { Off, On };

void ShowPagesWith(WebKitWebView* view, MarkupScripts scripts) {
  WebKitSettings* settings = webkit_web_view_get_settings(view);
  const gboolean enabled = scripts == MarkupScripts::On ? TRUE : FALSE;
  if (webkit_settings_get_enable_javascript_markup(settings) != enabled)
    webkit_settings_set_enable_javascript_markup(settings, enabled);
}

}  // namespace

struct WebViewBrowser::ScriptCall {
  CComPtr<WebViewBrowser> browser;
  ScriptDone done;
};

WebViewBrowser::WebViewBrowser(WebKitWebView* view) : view_(GObjectRef<WebKitWebView>::Share(view)) {
  g_signal_connect(view, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view, "load-failed", G_CALLBACK(OnLoadFailed), this);
  g_signal_connect(view, "notify::title", G_CALLBACK(OnTitleChanged), this);
}

WebViewBrowser::~WebViewBrowser() { Detach(); }

void WebViewBrowser::Detach() {
  if (detached_) return;
  detached_ = true;
  g_signal_handlers_disconnect_by_data(view_.get(), this);
}

HRESULT WebViewBrowser::Navigate2(Variant* url, Variant*, Variant*, Variant*, Variant*) {
  if (!url) return E_POINTER;
  std::wstring address;
  if (FAILED(VariantToText(*url, address)) || url->Deref().vt() != VT_BSTR) return E_INVALIDARG;
  if (quit_) return E_FAIL;
  Load(AddressFromUserInput(address));
  return S_OK;
}

HRESULT WebViewBrowser::GoBack() {
  if (quit_ || !webkit_web_view_can_go_back(view_.get())) return E_FAIL;
  requested_ = true;
  webkit_web_view_go_back(view_.get());
  return S_OK;
}

HRESULT WebViewBrowser::put_StatusText(const std::wstring& text) {
  statusText_ = text;
  if (statusListener_) statusListener_(text);
  events_->FireText(DISPID_STATUSTEXTCHANGE, text);
  return S_OK;
}

HRESULT WebViewBrowser::Quit() {
  if (quit_) return S_OK;
  quit_ = true;
  if (!detached_) webkit_web_view_stop_loading(view_.get());
  events_->FireNoArguments(DISPID_ONQUIT);
  events_->DisconnectAll();
  return S_OK;
}

HRESULT WebViewBrowser::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
  *point = CComPtr<IConnectionPoint>(events_.get()).Detach();
  return S_OK;
}

void WebViewBrowser::Load(const std::wstring& url) {
  if (detached_) return;
  requested_ = true;
  webkit_web_view_load_uri(view_.get(), ToUtf8(url).c_str());
}

bool WebViewBrowser::Busy() const {
  if (scripts_ > 0) return true;
  if (quit_ || detached_) return false;
  if (startDue_ && std::chrono::steady_clock::now() < *startDue_) return true;
  return requested_ || held_ > 0 || finishing_ || webkit_web_view_is_loading(view_.get());
}

gboolean WebViewBrowser::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                        gpointer self) {
  auto* browser = static_cast<WebViewBrowser*>(self);
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;  // WebKit shows what it can
  auto* navigation = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(navigation);
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  std::wstring url = FromUtf8(webkit_uri_request_get_uri(request));
  if (browser->quit_) {
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
  if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    // One window: what a page opens in a new one opens here.
    webkit_policy_decision_ignore(decision);
    browser->Load(url);
    return TRUE;
  }
  // A redirect continues the navigation already announced; the bytes of a substituted file
  // belong to one announced just before. Neither leads to one of Pendrel's own pages with
  // scripts on.
  if (IsOwnPage(url)) ShowPagesWith(browser->view_.get(), MarkupScripts::Off);
  if (webkit_navigation_action_is_redirect(action)) return FALSE;
  // WebKit does not say which frame a navigation is for. One that nobody asked for, coming by
  // itself while the window's page loads, is taken for a frame of that page, which loads as part
  // of it without events of its own.
  if (!browser->requested_ && browser->pageLoading_ &&
      webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_OTHER)
    return FALSE;
  if (!browser->substituting_.empty() && url == browser->substituting_) {
    browser->substituting_.clear();
    return FALSE;
  }
  const char* method = webkit_uri_request_get_http_method(request);
  bool post = method && g_ascii_strcasecmp(method, "POST") == 0;
  browser->requested_ = false;
  browser->Decide(std::make_shared<GObjectRef<WebKitPolicyDecision>>(GObjectRef<WebKitPolicyDecision>::Share(decision)),
                  std::move(url), post);
  return TRUE;
}

void WebViewBrowser::Decide(std::shared_ptr<GObjectRef<WebKitPolicyDecision>> decision, std::wstring url, bool post) {
  ++held_;
  CComPtr<WebViewBrowser> self(this);
  auto decide = [self, decision, url, post] {
    --self->held_;
    const std::wstring noBody;
    bool goAhead = !self->quit_ && self->events_->FireBeforeNavigate2(self->Self(), url, std::wstring(),
                                                                      post ? &noBody : nullptr, std::wstring());
    if (!goAhead || self->quit_ || self->detached_) {
      webkit_policy_decision_ignore(decision->get());
      return;
    }
    self->GoAhead(decision->get(), url);
  };
  // The page being left is read first, so that what was typed into it is in its document.
  if (url_.empty())
    decide();
  else
    ReadPage(decide);
}

void WebViewBrowser::GoAhead(WebKitPolicyDecision* decision, const std::wstring& url) {
  ShowPagesWith(view_.get(), IsOwnPage(url) ? MarkupScripts::Off : MarkupScripts::On);
  put_StatusText(L"Opening page " + url + L"...");
  events_->FireProgress(0, 100);
  if (GBytesPtr bytes = Utf16PageBytes(url)) {
    webkit_policy_decision_ignore(decision);
    substituting_ = url;
    requested_ = true;
    webkit_web_view_load_bytes(view_.get(), bytes.get(), "text/html", "UTF-16LE", ToUtf8(url).c_str());
    return;
  }
  // WebKit says the load has started only a moment later; until then it is this browser's to
  // wait for, for a bounded time in case the navigation was a frame's after all.
  startDue_ = std::chrono::steady_clock::now() + kStartWait;
  webkit_policy_decision_use(decision);
}

void WebViewBrowser::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  auto* browser = static_cast<WebViewBrowser*>(self);
  switch (event) {
    case WEBKIT_LOAD_STARTED:
      browser->requested_ = false;
      browser->startDue_.reset();
      browser->pageLoading_ = true;
      break;
    case WEBKIT_LOAD_COMMITTED: browser->Committed(); break;
    case WEBKIT_LOAD_FINISHED: browser->Finished(); break;
    default: break;
  }
}

gboolean WebViewBrowser::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer self) {
  auto* browser = static_cast<WebViewBrowser*>(self);
  browser->requested_ = false;
  browser->startDue_.reset();
  return FALSE;  // WebKit shows its error page; the load still finishes
}

void WebViewBrowser::Committed() {
  requested_ = false;
  startDue_.reset();
  substituting_.clear();
  if (quit_) return;
  const char* uri = webkit_web_view_get_uri(view_.get());
  url_ = FromUtf8(uri ? uri : "");
  title_.clear();
  // Until the page has loaded, its document is an empty one at its address.
  page_ = PageDocument::Parse("", url_);
  document_ = page_ ? MakeHtmlDocumentObject(page_) : CComPtr<IDispatch>();
  events_->FireUrlEvent(DISPID_NAVIGATECOMPLETE2, Self(), url_);
  events_->FireCommandState(CSC_NAVIGATEBACK, webkit_web_view_can_go_back(view_.get()));
  events_->FireCommandState(CSC_NAVIGATEFORWARD, webkit_web_view_can_go_forward(view_.get()));
}

void WebViewBrowser::Finished() {
  pageLoading_ = false;
  if (quit_) return;
  finishing_ = true;
  CComPtr<WebViewBrowser> self(this);
  ReadPage([self] {
    self->finishing_ = false;
    if (self->quit_) return;
    self->events_->FireText(DISPID_TITLECHANGE, self->DisplayTitle());
    self->events_->FireNoArguments(DISPID_DOWNLOADCOMPLETE);
    self->events_->FireProgress(100, 100);
    self->put_StatusText(L"Done");
    CComPtr<PageDocument> page = self->page_;
    std::vector<ControlState> before = page ? ControlStates(*page) : std::vector<ControlState>{};
    self->events_->FireUrlEvent(DISPID_DOCUMENTCOMPLETE, self->Self(), self->url_);
    // What the sinks filled in goes into the page.
    if (!page || self->quit_) return;
    std::vector<ControlChange> changes = ChangedControls(before, ControlStates(*page));
    if (!changes.empty()) self->RunScript(WriteControlsScript(changes), [](std::optional<std::string>) {});
  });
}

void WebViewBrowser::OnTitleChanged(GObject*, GParamSpec*, gpointer self) {
  auto* browser = static_cast<WebViewBrowser*>(self);
  // While a page loads, its title is sent with its other events when it has finished.
  if (browser->quit_ || browser->finishing_ || webkit_web_view_is_loading(browser->view_.get())) return;
  const char* title = webkit_web_view_get_title(browser->view_.get());
  std::wstring text = FromUtf8(title ? title : "");
  if (text == browser->title_) return;
  browser->title_ = text;
  browser->events_->FireText(DISPID_TITLECHANGE, browser->DisplayTitle());
}

void WebViewBrowser::RunScript(const std::string& script, ScriptDone done) {
  if (detached_) {
    done(std::nullopt);
    return;
  }
  ++scripts_;
  auto call = std::make_unique<ScriptCall>(ScriptCall{CComPtr<WebViewBrowser>(this), std::move(done)});
  webkit_web_view_evaluate_javascript(view_.get(), script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr,
                                      nullptr, OnScriptDone, call.release());
}

void WebViewBrowser::OnScriptDone(GObject* view, GAsyncResult* result, gpointer data) {
  std::unique_ptr<ScriptCall> call(static_cast<ScriptCall*>(data));
  GError* error = nullptr;
  GObjectRef<JSCValue> value =
      GObjectRef<JSCValue>::Adopt(webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error));
  GErrorPtr failure(error);
  std::optional<std::string> answer;
  if (value && (jsc_value_is_string(value.get()) || jsc_value_is_boolean(value.get()))) {
    GCharPtr text(jsc_value_to_string(value.get()));
    if (text) answer = text.get();
  }
  --call->browser->scripts_;
  call->done(std::move(answer));
}

std::optional<std::string> WebViewBrowser::RunScriptNow(const std::string& script) {
  struct Wait {
    bool answered = false;
    std::optional<std::string> answer;
  };
  auto wait = std::make_shared<Wait>();
  RunScript(script, [wait](std::optional<std::string> answer) {
    wait->answered = true;
    wait->answer = std::move(answer);
  });
  const auto deadline = std::chrono::steady_clock::now() + kScriptWait;
  while (!wait->answered && std::chrono::steady_clock::now() < deadline) IterateMainLoop(std::chrono::milliseconds(10));
  return wait->answer;
}

void WebViewBrowser::ReadPage(std::function<void()> then) {
  CComPtr<WebViewBrowser> self(this);
  RunScript(ReadPageScript(), [self, then = std::move(then)](std::optional<std::string> answer) {
    self->TakePage(answer);
    then();
  });
}

void WebViewBrowser::TakePage(const std::optional<std::string>& answer) {
  std::optional<PageForms> forms = answer ? ReadPageForms(*answer) : std::nullopt;
  page_ = DocumentFromPageForms(forms ? *forms : PageForms{}, url_);
  document_ = page_ ? MakeHtmlDocumentObject(page_) : CComPtr<IDispatch>();
  title_ = page_ ? page_->Title() : std::wstring();
}

ActionResult WebViewBrowser::Open(std::wstring_view address) {
  if (quit_) return ActionResult::Refused;
  Load(AddressFromUserInput(address));
  return ActionResult::Done;
}

ActionResult WebViewBrowser::TypeText(std::wstring_view fieldName, std::wstring_view text) {
  if (quit_) return ActionResult::Refused;
  return RunScriptNow(TypeTextScript(fieldName, text)) == "true" ? ActionResult::Done : ActionResult::NotFound;
}

ActionResult WebViewBrowser::SubmitFormNumber(size_t number) {
  if (quit_) return ActionResult::Refused;
  if (number == 0 || RunScriptNow(SubmitFormScript(number - 1)) != "true") return ActionResult::NotFound;
  requested_ = true;  // the form's navigation comes to the policy decision
  return ActionResult::Done;
}

std::vector<std::wstring> WebViewBrowser::LinkTexts() const {
  std::vector<std::wstring> texts;
  if (page_)
    for (PageNode link : DocumentLinks(*page_)) texts.push_back(LinkText(link));
  return texts;
}

ActionResult WebViewBrowser::FollowLink(size_t number) {
  if (quit_) return ActionResult::Refused;
  if (!page_) return ActionResult::NotFound;
  std::vector<PageNode> links = DocumentLinks(*page_);
  if (number == 0 || number > links.size()) return ActionResult::NotFound;
  std::wstring url = page_->ResolveReference(links[number - 1].AttributeOr("href"));
  if (!PageMayOpen(url_, url)) return ActionResult::Refused;
  Load(url);
  return ActionResult::Done;
}

std::vector<std::wstring> WebViewBrowser::PageLines() {
  if (!quit_ && !url_.empty()) TakePage(RunScriptNow(ReadPageScript()));
  return DescribeDocument(DisplayTitle(), page_.get());
}

DesktopBrowser::~DesktopBrowser() {
  if (!browser_->HasQuit()) browser_->Quit();
  browser_->Detach();
}

void DesktopBrowser::WaitForWork(std::chrono::milliseconds most) { IterateMainLoop(most); }
