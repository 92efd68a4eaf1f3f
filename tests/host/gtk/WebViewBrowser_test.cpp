// The WebKit browser object as a toolbar sees it, in the test program itself on its private X
// server: the events of a load in the browser's order, the page being left read with what was
// typed before BeforeNavigate2 goes out, a sink's cancel, values a sink writes at DocumentComplete
// written into the page, and the window's end.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "host/engine/Url.h"
#include "host/gtk/DesktopWindow.h"
#include "host/gtk/WebViewBrowser.h"
#include "platform/browser/HtmlDocument.h"
#include "platform/text/WideText.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using Lines = std::vector<std::wstring>;

// The input named `name` of the first form of `browser`'s document, or null.
CComPtr<IHTMLInputElement> FirstFormInput(IWebBrowser2* browser, const std::wstring& name) {
  CComPtr<IDispatch> dispatch;
  if (FAILED(browser->get_Document(&dispatch))) return {};
  auto document = dispatch.QueryInterface<IHTMLDocument2>(IID_IHTMLDocument2);
  CComPtr<IHTMLElementCollection> forms;
  if (!document || FAILED(document->get_forms(&forms))) return {};
  CComPtr<IDispatch> item;
  if (FAILED(forms->item(Variant(std::int32_t{0}), Variant(), &item)) || !item) return {};
  auto form = item.QueryInterface<IHTMLFormElement>(IID_IHTMLFormElement);
  CComPtr<IDispatch> field;
  if (!form || FAILED(form->item(Variant(name), Variant(), &field)) || !field) return {};
  return field.QueryInterface<IHTMLInputElement>(IID_IHTMLInputElement);
}

class WebViewBrowserTest : public IsolatedTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "no display for the desktop window";
    desktop_.emplace(DesktopWindow::Actions{});
    browser_ = MakeCounted<WebViewBrowser>(desktop_->View());
    host_.emplace(browser_);
    sink_->Connect(browser_.get());
    login_ = Page("login.html", "<title>Sign in</title><form action='done.html'><input name=user>"
                                "<input type=password name=pass></form>");
    done_ = Page("done.html", "<title>Signed in</title>");
  }
  void TearDown() override {
    sink_->Disconnect();
    host_.reset();
    browser_.reset();
    desktop_.reset();
  }

  std::wstring Page(const std::string& name, const std::string& html) {
    WriteFile(temp_.path() / name, html);
    return FileUrlFromPath(FromUtf8((temp_.path() / name).string()));
  }
  // Lets the browser work until it is idle (at most ten seconds).
  void Settle() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (host_->Busy() && std::chrono::steady_clock::now() < deadline)
      host_->WaitForWork(std::chrono::milliseconds(10));
    ASSERT_FALSE(host_->Busy()) << "the browser is still busy";
  }
  std::wstring Location() {
    std::wstring url;
    browser_->get_LocationURL(&url);
    return url;
  }

  std::optional<DesktopWindow> desktop_;
  CComPtr<WebViewBrowser> browser_;
  std::optional<DesktopBrowser> host_;
  CComPtr<RecordingSink> sink_ = MakeCounted<RecordingSink>();
  std::wstring login_, done_;
};

TEST_F(WebViewBrowserTest, ALoadSendsItsEventsInTheBrowserOrderAndLeavingReadsWhatWasTyped) {
  ASSERT_EQ(host_->Navigate(login_), ActionResult::Done);
  Settle();
  std::vector<DISPID> order;
  for (const RecordedEvent& event : sink_->events) order.push_back(event.dispId);
  EXPECT_EQ(order, (std::vector<DISPID>{DISPID_BEFORENAVIGATE2, DISPID_STATUSTEXTCHANGE, DISPID_PROGRESSCHANGE,
                                        DISPID_NAVIGATECOMPLETE2, DISPID_COMMANDSTATECHANGE,
                                        DISPID_COMMANDSTATECHANGE, DISPID_TITLECHANGE, DISPID_DOWNLOADCOMPLETE,
                                        DISPID_PROGRESSCHANGE, DISPID_STATUSTEXTCHANGE, DISPID_DOCUMENTCOMPLETE}));
  std::wstring title;
  VariantToText(sink_->events[6].arguments[0], title);
  EXPECT_EQ(title, L"Sign in");
  EXPECT_TRUE(sink_->events.back().browserHadHtmlDocument);
  EXPECT_EQ(Location(), login_);

  // Typed into the page, read from the document of the page being left.
  ASSERT_EQ(host_->TypeText(L"user", L"ann"), ActionResult::Done);
  ASSERT_EQ(host_->TypeText(L"pass", L"s3cret"), ActionResult::Done);
  EXPECT_EQ(host_->TypeText(L"nothing", L"x"), ActionResult::NotFound);
  std::wstring seenUser, seenPass, seenLocation;
  sink_->onEvent = [&](DISPID dispId, DISPPARAMS*) {
    if (dispId != DISPID_BEFORENAVIGATE2) return;
    seenLocation = Location();
    if (auto user = FirstFormInput(browser_.get(), L"user")) user->get_value(&seenUser);
    if (auto pass = FirstFormInput(browser_.get(), L"pass")) pass->get_value(&seenPass);
  };
  sink_->events.clear();
  ASSERT_EQ(host_->SubmitFormNumber(1), ActionResult::Done);
  Settle();
  EXPECT_EQ(seenLocation, login_);
  EXPECT_EQ(seenUser, L"ann");
  EXPECT_EQ(seenPass, L"s3cret");
  EXPECT_TRUE(Location().starts_with(done_ + L"?user=ann")) << ToUtf8(Location());
  EXPECT_EQ(host_->SubmitFormNumber(1), ActionResult::NotFound);
}

TEST_F(WebViewBrowserTest, ACancelKeepsThePageAndValuesWrittenAtDocumentCompleteReachThePage) {
  sink_->onEvent = [&](DISPID dispId, DISPPARAMS*) {
    if (dispId != DISPID_DOCUMENTCOMPLETE) return;
    if (auto user = FirstFormInput(browser_.get(), L"user")) user->put_value(L"filled \"in\" </script>");
  };
  host_->Navigate(login_);
  Settle();
  Lines page = host_->PageLines();
  EXPECT_NE(std::find(page.begin(), page.end(), L"field: user = filled \"in\" </script>"), page.end());

  sink_->onEvent = nullptr;
  sink_->cancelWhenAddressHas = L"done.html";
  host_->SubmitFormNumber(1);
  Settle();
  EXPECT_EQ(Location(), login_);
  EXPECT_EQ(sink_->events.back().dispId, DISPID_BEFORENAVIGATE2);
}

TEST_F(WebViewBrowserTest, QuitTellsTheSinksOnceAndNothingLoadsAfterIt) {
  host_->Navigate(login_);
  Settle();
  sink_->events.clear();
  host_->Quit();
  host_->Quit();
  ASSERT_EQ(sink_->events.size(), 1u);
  EXPECT_EQ(sink_->events[0].dispId, DISPID_ONQUIT);
  EXPECT_TRUE(host_->HasQuit());
  EXPECT_EQ(host_->Navigate(done_), ActionResult::Refused);
  Variant address(done_), empty;
  EXPECT_EQ(browser_->Navigate2(&address, &empty, &empty, &empty, &empty), E_FAIL);
  EXPECT_FALSE(host_->Busy());
}

}  // namespace
