// The toolbar's event sink in a browser window: the events it answers, and how a failure of the
// form memory inside an event reaches the person while the browser goes on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "events/CIEEvents.h"
#include "events/FormCapture.h"
#include "platform/browser/WebBrowserEvents.h"
#include "tests/support/BandHarness.h"
#include "tests/support/LoopbackServer.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class EventSinkTest : public IsolatedTest {
 protected:
  std::wstring Login(BandHarness& harness, const std::string& extra = "") {
    std::filesystem::path path = temp_.path() / "login.html";
    WriteFile(path, "<title>Sign in</title><form name=login action=done.html><input name=user>"
                    "<input type=password name=pass>" + extra + "<input type=submit name=go></form>");
    WriteFile(temp_.path() / "done.html", "<title>Done</title>in");
    harness.Open(FromUtf8(path.string()));
    return harness.Location();
  }
};

TEST_F(EventSinkTest, AnswersTheTenBrowserEventsAndNothingElse) {
  BandHarness harness(temp_);
  auto sink = MakeCounted<CIEEvents>(&harness.Toolbar());
  void* raw = nullptr;
  ASSERT_EQ(sink->QueryInterface(DIID_DWebBrowserEvents2, &raw), S_OK);
  static_cast<IDispatch*>(raw)->Release();
  EXPECT_EQ(sink->QueryInterface(IID_IWebBrowser2, &raw), E_NOINTERFACE);

  std::vector<Variant> none;
  DISPPARAMS empty{&none};
  for (DISPID other : {DISPID(0), DISPID(106), DISPID(254), DISPID(260), DISPID(271)})
    EXPECT_EQ(sink->Invoke(other, IID_IUnknown, 0, DISPATCH_METHOD, &empty, nullptr), DISP_E_MEMBERNOTFOUND);
  // Events that carry nothing the sink needs are acknowledged, whatever their arguments.
  for (DISPID quiet : {DISPID_COMMANDSTATECHANGE, DISPID_NAVIGATECOMPLETE2, DISPID_NEWWINDOW2,
                       DISPID_PROGRESSCHANGE, DISPID_STATUSTEXTCHANGE})
    EXPECT_EQ(sink->Invoke(quiet, IID_IUnknown, 0, DISPATCH_METHOD, &empty, nullptr), S_OK);

  // A title reaches the toolbar and its search box.
  std::vector<Variant> title{Variant(L"A \"quoted\" title")};
  DISPPARAMS titleParams{&title};
  EXPECT_EQ(sink->Invoke(DISPID_TITLECHANGE, IID_IUnknown, 0, DISPATCH_METHOD, &titleParams, nullptr), S_OK);
  EXPECT_EQ(harness.Toolbar().PageTitle(), L"A \"quoted\" title");
  EXPECT_EQ(GetWindowString(harness.Toolbar().SearchBox()), L"A \"quoted\" title");
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(EventSinkTest, AFormStoreFailureDuringCaptureIsShownOnceAndTheNavigationGoesOn) {
  BandHarness harness(temp_);
  Login(harness);
  ExecuteSql(harness.DataFolder(), "drop table FormURLData");
  harness.Browser().TypeText(L"user", L"ann");
  harness.Browser().TypeText(L"pass", L"pw");
  harness.Browser().SubmitForm(L"go");
  PumpMessages();

  auto texts = boxes_.texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_THAT(texts[0], ::testing::StartsWith(L"OnBeforeNavigate2 error "));
  EXPECT_EQ(boxes_.boxes()[0].caption, L"PendrelBand");
  EXPECT_THAT(harness.Location(), HasSubstr(L"done.html"));
}

TEST_F(EventSinkTest, AFileFieldOfASavedNameIsLeftEmptyAndNothingIsReported) {
  // A saved login whose fields the page now offers as a password field and a file field.
  LoopbackServer server([](httplib::Server& s) {
    s.Get("/upload.html", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("<form name=login action=done.html><input type=password name=pass>"
                           "<input type=file name=user></form>", "text/html");
    });
  });
  BandHarness harness(temp_);
  auto& store = *harness.Toolbar().Database();
  const std::wstring address = server.Url("/upload.html");
  const FormFieldMap fields{{L"pass", L"pw"}, {L"user", L"/etc/passwd"}};
  std::int32_t id = store.SaveForm(address, L"login", ExtractDomain(address), L"done.html", {{L"pass", L"dummy"}});
  for (const auto& [name, value] : fields) store.AddFormField(id, name, value);
  harness.Open(address);

  // The password goes in; no path is ever offered to the file field, so the browser refuses nothing.
  EXPECT_EQ(boxes_.count(), 0u);
  const PageDocument& page = *harness.Browser().Top().Page();
  for (PageNode control : page.Elements()) {
    if (!PageDocument::IsControl(control)) continue;
    EXPECT_EQ(page.ControlValue(control), control.AttributeOr("name") == L"pass" ? L"pw" : L"");
  }
}

}  // namespace
