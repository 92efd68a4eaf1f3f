#include "host/engine/WebBrowserObject.h"

#include <algorithm>

#include "host/engine/FormSubmission.h"
#include "host/engine/HtmlObjects.h"
#include "host/engine/PageView.h"
#include "platform/text/TextDecoding.h"
#include "host/engine/Url.h"
#include "platform/browser/WebBrowserEvents.h"
#include "platform/text/HtmlText.h"
#include "platform/text/WideText.h"
#include "platform/ui/MessageLoop.h"

namespace {

// A window holds frames inside frames this deep and no deeper, and this many in all at once: a
// page that frames itself, or frames many pages that frame more, costs a bounded amount. Frames
// past the budget are left empty, with no browser object, as if the page had none there: they
// send no events, so every DocumentComplete still names a frame that loaded a page and the top
// window's still comes last, and ten thousand of them cost nothing (a blank object for each would
// add an object and four events apiece). The budget goes depth first, in the order frames load.
constexpr int kMaxFrameDepth = 4;
constexpr size_t kMaxFramesPerWindow = 100;

enum class ContentKind { Html, PlainText, Other };

ContentKind KindOf(const FetchResponse& response) {
  std::string_view contentType = response.contentType;
  std::wstring type = Trim(ToLower(FromUtf8(contentType.substr(0, contentType.find(';')))));
  if (type.empty() && response.httpStatus == 0) {
    // A file: its extension first, then its bytes.
    std::wstring path = ToLower(PathFromFileUrl(response.finalUrl));
    for (const wchar_t* other : {L".png", L".jpg", L".jpeg", L".gif", L".bmp", L".ico", L".webp", L".pdf", L".zip"})
      if (path.ends_with(other)) return ContentKind::Other;
    if (path.ends_with(L".txt")) return ContentKind::PlainText;
  }
  if (type == L"text/plain" || type == L"text/css" || type == L"text/javascript" || type == L"application/json")
    return ContentKind::PlainText;
  if (type.starts_with(L"image/") || type.starts_with(L"audio/") || type.starts_with(L"video/") ||
      type == L"application/pdf" || type == L"application/octet-stream" || type == L"application/zip")
    return LooksBinary(response.body) || !type.starts_with(L"application/octet") ? ContentKind::Other
                                                                                 : ContentKind::Html;
  return LooksBinary(response.body) ? ContentKind::Other : ContentKind::Html;
}

std::wstring ErrorPageHtml(const std::wstring& url, const std::wstring& reason) {
  return L"<!DOCTYPE html><html><head><title>Cannot display the page</title></head><body>"
         L"<h1>Cannot display the page</h1><p>The page at " + EscapeHtml(url) + L" cannot be displayed.</p><p>" +
         EscapeHtml(reason) + L"</p></body></html>";
}

std::wstring TextOf(const Variant* v) {
  std::wstring text;
  if (v && !v->Deref().IsEmpty() && !v->Deref().IsNull()) VariantToText(*v, text);
  return text;
}

// Holds the window's delivery count up while a navigation runs; when the last one ends with
// navigations waiting, the loop is woken for them.
class Delivering {
 public:
  explicit Delivering(WindowContext& context) : context_(context) { ++context_.delivering; }
  ~Delivering() {
    if (--context_.delivering == 0 && !context_.waiting.empty() && !context_.quit) context_.Wake();
  }
  Delivering(const Delivering&) = delete;
  Delivering& operator=(const Delivering&) = delete;

 private:
  WindowContext& context_;
};

}  // namespace

void WindowContext::Wake() {
  if (!wakePosted) wakePosted = PostMessageW(view, WM_RUN_WAITING_NAVIGATION, 0, 0) != FALSE;
}

struct WebBrowserObject::LoadedPage {
  std::wstring url;
  CComPtr<PageDocument> page;
  CComPtr<IDispatch> document;
};

WebBrowserObject::WebBrowserObject(CComPtr<WindowContext> context, FrameRole role, std::wstring frameName)
    : context_(std::move(context)), role_(role), frameName_(std::move(frameName)) {}

HRESULT WebBrowserObject::Navigate2(Variant* url, Variant* /*flags*/, Variant* targetFrameName, Variant* postData,
                                    Variant* headers) {
  if (!url) return E_POINTER;
  std::wstring address;
  if (FAILED(VariantToText(*url, address)) || url->Deref().vt() != VT_BSTR) return E_INVALIDARG;
  bool post = postData && postData->Deref().vt() == VT_BSTR;
  NavigationRequest request{AddressFromUserInput(address), post, post ? ToUtf8(TextOf(postData)) : std::string(),
                            ToUtf8(TextOf(headers))};
  std::wstring frame = TextOf(targetFrameName);
  bool named = !frame.empty() && frame != L"_self" && frame != L"_top" && frame != L"_blank";
  WebBrowserObject* target = named ? FindFrame(frame) : nullptr;
  return (target ? target : this)->Navigate(std::move(request), HistoryUse::Record, NavigationStart::FromLoop);
}

HRESULT WebBrowserObject::GoBack() { return Back(NavigationStart::FromLoop); }

HRESULT WebBrowserObject::Back(NavigationStart start) {
  if (context_->quit || history_.size() < 2) return E_FAIL;
  // Going back fetches the page again, but never sends a form a second time.
  return Navigate({history_[history_.size() - 2].url}, HistoryUse::Back, start);
}

HRESULT WebBrowserObject::put_StatusText(const std::wstring& text) {
  statusText_ = text;
  context_->events->FireText(DISPID_STATUSTEXTCHANGE, text);
  return S_OK;
}

HRESULT WebBrowserObject::Quit() {
  if (context_->quit) return S_OK;
  context_->quit = true;
  context_->waiting.clear();
  context_->events->FireNoArguments(DISPID_ONQUIT);
  context_->events->DisconnectAll();
  return S_OK;
}

HRESULT WebBrowserObject::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
  *point = CComPtr<IConnectionPoint>(context_->events.get()).Detach();
  return S_OK;
}

HRESULT WebBrowserObject::Navigate(NavigationRequest request, HistoryUse history, NavigationStart start) {
  if (context_->quit || dropped_) return E_FAIL;
  if (start == NavigationStart::FromLoop || context_->delivering > 0) {
    context_->waiting.push_back({CComPtr<WebBrowserObject>(this), std::move(request), history});
    context_->Wake();
    return S_OK;
  }
  CComPtr<WebBrowserObject> keepAlive(this);
  Run(request, history);
  return S_OK;
}

void WebBrowserObject::RunWaitingNavigation() {
  context_->wakePosted = false;
  if (context_->delivering > 0 || context_->quit || context_->waiting.empty()) return;
  WindowContext::Waiting next = std::move(context_->waiting.front());
  context_->waiting.pop_front();
  next.browser->Run(next.request, next.history);
  // Whatever still waits gets the next turn of the loop (Delivering wakes it).
}

void WebBrowserObject::Run(const NavigationRequest& request, HistoryUse history) {
  Delivering delivering(*context_);
  if (context_->quit || dropped_ || !FireBeforeNavigate2(request)) return;
  if (IsTop()) {
    put_StatusText(L"Opening page " + request.url + L"...");
    context_->events->FireProgress(0, 100);
  }
  // A frame never shows a page it is part of: not when sent there, nor when a redirect (or an
  // address spelled another way) leads there, which only the fetch reveals.
  NavigationRequest blank{L"about:blank"};
  LoadedPage loaded = Load(FramesAnAncestor(request.url) ? blank : request);
  if (FramesAnAncestor(loaded.url)) loaded = Load(blank);
  url_ = loaded.url;
  page_ = loaded.page;
  document_ = loaded.document;
  title_ = page_ ? page_->Title() : std::wstring{};
  DropFrames();
  loaded_ = true;
  if (IsTop() && history == HistoryUse::Record) {
    NavigationRequest entry = request;
    entry.url = url_;
    history_.push_back(std::move(entry));
  }
  if (IsTop() && history == HistoryUse::Back && history_.size() > 1) history_.pop_back();
  FireUrlEvent(DISPID_NAVIGATECOMPLETE2);
  if (IsTop()) {
    context_->events->FireCommandState(CSC_NAVIGATEBACK, history_.size() > 1);
    context_->events->FireCommandState(CSC_NAVIGATEFORWARD, false);
    context_->events->FireText(DISPID_TITLECHANGE, DisplayTitle());
  }
  context_->events->FireNoArguments(DISPID_DOWNLOADCOMPLETE);
  if (page_) LoadFrames(depth_);
  if (IsTop()) {
    context_->events->FireProgress(100, 100);
    put_StatusText(page_ && page_->TextOnly() ? L"This page is too complex to show in full; showing its text only."
                                              : L"Done");
  }
  FireUrlEvent(DISPID_DOCUMENTCOMPLETE);
}

WebBrowserObject::LoadedPage WebBrowserObject::Load(const NavigationRequest& request) {
  LoadedPage loaded;
  loaded.url = request.url;
  auto show = [&](std::string_view html) {
    loaded.page = PageDocument::Parse(html, loaded.url);
    if (!loaded.page)
      loaded.page = PageDocument::Parse(
          ToUtf8(ErrorPageHtml(loaded.url, L"The page needs more memory than the system has left.")),
          loaded.url);
    loaded.document = MakeHtmlDocumentObject(loaded.page);
  };
  if (ToLower(request.url) == L"about:blank") {
    show("");
    return loaded;
  }
  FetchRequest fetch{request.url, request.postBody, request.post, request.headers};
  FetchResponse response = context_->fetcher.Fetch(fetch);
  loaded.url = response.finalUrl;
  if (response.status != FetchStatus::Loaded) {
    loaded.url = request.url;
    show(ToUtf8(ErrorPageHtml(request.url, response.error)));
    return loaded;
  }
  switch (KindOf(response)) {
    case ContentKind::Other:
      loaded.document = MakeOtherDocumentObject();
      break;
    case ContentKind::PlainText:
      show(ToUtf8(L"<pre>" + EscapeHtml(FromUtf8(DecodePage(response.body, response.contentType).utf8)) + L"</pre>"));
      break;
    case ContentKind::Html: {
      std::string utf8 = DecodePage(response.body, response.contentType).utf8;
      std::string().swap(response.body);  // a large page is not held twice while it is parsed
      show(utf8);
      break;
    }
  }
  return loaded;
}

void WebBrowserObject::LoadFrames(int depth) {
  if (depth >= kMaxFrameDepth) return;
  CComPtr<PageDocument> page = page_;
  for (PageNode element : page->Frames()) {
    if (context_->quit || context_->frames >= kMaxFramesPerWindow) return;
    ++context_->frames;
    auto frame = MakeCounted<WebBrowserObject>(context_, FrameRole::Frame, element.AttributeOr("name"));
    frame->depth_ = depth + 1;
    frame->parent_ = this;
    frames_.push_back(frame);
    std::wstring src = Trim(element.AttributeOr("src"));
    NavigationRequest request{src.empty() ? L"about:blank" : page->ResolveReference(src)};
    if (!MayOpen(request.url) || ShownAbove(request.url)) request.url = L"about:blank";
    frame->Run(request, HistoryUse::Skip);
  }
}

void WebBrowserObject::DropFrames() {
  for (auto& frame : frames_) {
    frame->DropFrames();
    frame->dropped_ = true;
    frame->parent_ = nullptr;  // a caller may hold the frame longer than its parent lives
    --context_->frames;
  }
  frames_.clear();
}

bool WebBrowserObject::ShownAbove(std::wstring_view url) const {
  std::wstring page = WithoutFragment(url);
  for (const WebBrowserObject* above = this; above; above = above->parent_)
    if (WithoutFragment(above->url_) == page) return true;
  return false;
}

WebBrowserObject* WebBrowserObject::FindFrame(std::wstring_view name) {
  for (auto& frame : frames_) {
    if (frame->frameName_ == name) return frame.get();
    if (WebBrowserObject* inner = frame->FindFrame(name)) return inner;
  }
  return nullptr;
}

HRESULT WebBrowserObject::SubmitForm(PageNode form, PageNode submitter) {
  if (!page_) return E_FAIL;
  NavigationRequest request = BuildFormSubmission(*page_, form, submitter);
  if (!MayOpen(request.url)) return E_ACCESSDENIED;
  return Navigate(std::move(request), HistoryUse::Record, NavigationStart::Now);
}

HRESULT WebBrowserObject::FollowLink(PageNode anchor) {
  if (!page_) return E_FAIL;
  NavigationRequest request{page_->ResolveReference(anchor.AttributeOr("href"))};
  if (!MayOpen(request.url)) return E_ACCESSDENIED;
  return Navigate(std::move(request), HistoryUse::Record, NavigationStart::Now);
}

bool WebBrowserObject::FireBeforeNavigate2(const NavigationRequest& request) {
  std::wstring postData = request.post ? FromUtf8(request.postBody) : std::wstring();
  return context_->events->FireBeforeNavigate2(Self(), request.url, frameName_, request.post ? &postData : nullptr,
                                               FromUtf8(request.headers));
}

void WebBrowserObject::FireUrlEvent(DISPID dispId) { context_->events->FireUrlEvent(dispId, Self(), url_); }
