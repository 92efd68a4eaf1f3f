// Form capture and auto-fill on the real browser engine: login pages served from 127.0.0.1, typed
// into and submitted as a person would, with capture running on each BeforeNavigate2 and auto-fill
// on each DocumentComplete, against a real form store.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "events/FormAutoFill.h"
#include "events/FormCapture.h"
#include "host/engine/BrowserWindow.h"
#include "host/engine/Url.h"
#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/ComError.h"
#include "platform/text/WideText.h"
#include "store/CCustomException.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using Rows = std::vector<std::vector<std::wstring>>;
using Login = std::pair<std::wstring, std::wstring>;  // the user and pass fields

TEST(ExtractDomainTest, GivesTheAuthorityExactlyAsWritten) {
  EXPECT_EQ(ExtractDomain(L"https://login.example.com/signin?next=/x#top"), L"login.example.com");
  EXPECT_EQ(ExtractDomain(L"http://ann:pw@Mail.Example.COM:8080/inbox"), L"ann:pw@Mail.Example.COM:8080");
  EXPECT_EQ(ExtractDomain(L"http://host.example?query"), L"host.example");
  EXPECT_EQ(ExtractDomain(L"http://host.example#frag/x"), L"host.example");
  EXPECT_EQ(ExtractDomain(L"about:blank"), L"");
  EXPECT_EQ(ExtractDomain(L"file:///home/ann/page.html"), L"");
  EXPECT_EQ(ExtractDomain(L"//bare.example/path"), L"bare.example");
  EXPECT_EQ(ExtractDomain(L"relative/path"), L"");
  EXPECT_EQ(ExtractDomain(L""), L"");
  EXPECT_EQ(ExtractDomain(L"http://\U0001F600.example\U00020BB7/x"), L"\U0001F600.example\U00020BB7");
  // A scheme must come first: a colon after a slash does not make one.
  EXPECT_EQ(ExtractDomain(L"/a:b//c"), L"");
}

TEST(ExtractDomainTest, HostileAddressesCostLinearTime) {
  // One megabyte of each shape: a long authority, a long path of colons, nested-looking runs. A
  // backtracking engine overflows its stack or runs for minutes on these.
  const std::wstring authority(1 << 20, L'a');
  EXPECT_EQ(ExtractDomain(L"http://" + authority + L"/"), authority);
  EXPECT_EQ(ExtractDomain(std::wstring(1 << 20, L':')), L"");
  EXPECT_EQ(ExtractDomain(L"x:" + std::wstring(1 << 20, L'/')), L"");
  std::wstring mixed;
  while (mixed.size() < (1u << 20)) mixed += L"//?#:";
  EXPECT_EQ(ExtractDomain(mixed), L"");
}

TEST(ExtractDomainTest, OnlyTheFourTypesAreCaptured) {
  for (const wchar_t* type : {L"checkbox", L"password", L"radio", L"text"}) EXPECT_TRUE(IsCapturedInputType(type));
  for (const wchar_t* type : {L"Password", L"TEXT", L"hidden", L"submit", L"file", L"email", L""})
    EXPECT_FALSE(IsCapturedInputType(type)) << ToUtf8(type);
}

// A browser window whose events run the form memory as the toolbar's event sink does.
class FormMemoryTest : public IsolatedTest {
 protected:
  FormMemoryTest()
      : folder_(MakeTestDataFolder(temp_)),
        store_(MakeCounted<CBookmarkDatabase>(folder_)),
        server_([this](httplib::Server& s) {
          s.Get(R"(/([^?]*))", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(mutex_);
            const std::string name = request.matches[1];
            if (name == "steal") stolen_.push_back(request.params.count("pass") ? request.get_param_value("pass") : "");
            if (auto page = pages_.find(name); page != pages_.end())
              response.set_content(page->second, name.ends_with(".png") ? "image/png" : "text/html");
            else
              response.status = 404;
          });
        }),
        site_(L"127.0.0.1:" + std::to_wstring(server_.port())) {
    menu_.reset(CreatePopupMenu());
    AppendMenuW(menu_.get(), MF_STRING | MF_CHECKED, 32792, L"Something else");
    sink_ = MakeCounted<RecordingSink>();
    sink_->onEvent = [this](DISPID id, DISPPARAMS* params) {
      auto& args = *params->rgvarg;
      auto browserOf = [](Variant& v) { return std::get<CComPtr<IDispatch>>(v.Deref().value).get(); };
      try {
        if (id == DISPID_BEFORENAVIGATE2) CaptureForm(browserOf(args[6]), *store_, menu_.get());
        if (id == DISPID_DOCUMENTCOMPLETE) {
          std::wstring url;
          VariantToText(args[0].Deref(), url);
          FillForm(browserOf(args[1]), url, *store_);
        }
      } catch (const CCustomException& e) {
        errors_.push_back(e.GetMessage());
      } catch (const ComError& e) {
        errors_.push_back(L"com " + std::to_wstring(e.Error()));
      }
    };
    sink_->Connect(window_.Browser());
    Page("done.html", "<title>Done</title>welcome");
    Page("steal", "<title>Thanks</title>");
  }
  ~FormMemoryTest() override { sink_->Disconnect(); }

  // Serves `html` as /name from the test's server; returns its address.
  std::wstring Page(const std::string& name, const std::string& html) {
    std::lock_guard lock(mutex_);
    pages_[name] = html;
    return server_.Url("/" + name);
  }
  // The passwords that reached /steal, one per request.
  std::vector<std::string> Stolen() {
    std::lock_guard lock(mutex_);
    return stolen_;
  }
  // Signs in on the login page as ann with `pass`; returns the page's address.
  std::wstring SignIn(const wchar_t* pass) {
    const std::wstring login = Page("login.html", kLogin);
    window_.Navigate(login);
    window_.TypeText(L"user", L"ann");
    window_.TypeText(L"pass", pass);
    EXPECT_EQ(window_.SubmitForm(L"go"), ActionResult::Done);
    return login;
  }
  Login Filled() { return {Value(L"user"), Value(L"pass")}; }
  std::wstring Value(const wchar_t* field) {
    const PageDocument& page = *window_.Top().Page();
    for (PageNode control : page.Elements())
      if (PageDocument::IsControl(control) && control.AttributeOr("name") == field) return page.ControlValue(control);
    return L"<none>";
  }
  Rows Forms() { return QueryRows(folder_, "select URL, FormName, domain, action, Active from FormURL order by ID"); }
  Rows Fields() { return QueryRows(folder_, "select FormURLID, Name, Value from FormURLData order by FormURLID, Name"); }
  std::wstring MenuText() {
    wchar_t text[64] = {};
    GetMenuStringW(menu_.get(), 32792, text, 64, MF_BYCOMMAND);
    return text;
  }

  static constexpr char kLogin[] =
      "<title>Sign in</title><form name=login action='done.html'>"
      "<input name=user><input type=password name=pass>"
      "<input type=hidden name=token value=t1><select name=lang><option>en</select>"
      "<textarea name=note>n</textarea><input type=submit name=go value=Go></form>";

  std::wstring folder_;
  CComPtr<CBookmarkDatabase> store_;
  std::mutex mutex_;
  std::map<std::string, std::string> pages_;
  std::vector<std::string> stolen_;
  LoopbackServer server_;
  std::wstring site_;
  MenuHandle menu_;
  BrowserWindow window_;
  CComPtr<RecordingSink> sink_;
  std::vector<std::wstring> errors_;
};

TEST_F(FormMemoryTest, LoginIsCapturedOnLeavingAndFilledOnlyIntoFormsOfItsSiteSchemeAndKindOfField) {
  const std::wstring login = SignIn(L"s3cret");

  // One saved form for the page's site, with the typed values of the captured fields only.
  EXPECT_EQ(Forms(), (Rows{{login, L"login", site_, L"done.html", L"1"}}));
  EXPECT_EQ(Fields(), (Rows{{L"1", L"pass", L"s3cret"}, {L"1", L"user", L"ann"}}));
  EXPECT_EQ(MenuText(), L"Enable saving form data");
  EXPECT_FALSE(GetMenuState(menu_.get(), 32792, MF_BYCOMMAND) & MF_CHECKED);

  // The login page loads with both fields filled in.
  window_.Navigate(login);
  EXPECT_EQ(Value(L"user"), L"ann");
  EXPECT_EQ(Value(L"pass"), L"s3cret");

  // A second login with a new password replaces the fields; there is still one saved form.
  window_.TypeText(L"pass", L"n3w");
  window_.SubmitForm(L"go");
  EXPECT_EQ(Forms().size(), 1u);
  EXPECT_EQ(Fields(), (Rows{{L"1", L"pass", L"n3w"}, {L"1", L"user", L"ann"}}));
  EXPECT_THAT(errors_, IsEmpty());

  // Look-alike forms on the same site that send to another site, however a browser may spell it, get
  // nothing, and the submits to it carry no password; the same with the password field made hidden.
  const std::string thief = "localhost:" + std::to_string(server_.port()) + "/steal";
  const std::pair<std::string, std::string> lookalikes[] = {
      {"password", "http://" + thief}, {"hidden", "http://" + thief}, {"password", "//" + thief},
      {"password", "\\\\" + thief}, {"password", "http:/\\" + thief}};
  size_t i = 0;
  for (const auto& [type, action] : lookalikes) {
    window_.Navigate(Page("lookalike" + std::to_string(i++) + ".html",
                          "<form action='" + action + "'><input name=user><input type=" + type +
                              " name=pass><input type=submit name=go></form>"));
    EXPECT_EQ(Filled(), Login()) << action;
    if (action.starts_with("http://")) window_.SubmitForm(L"go");
  }
  EXPECT_EQ(Stolen(), (std::vector<std::string>{"", ""}));

  // On its own site with a hidden password field: the name goes in, the hidden field keeps its own value.
  window_.Navigate(Page("own-hidden.html", "<form action='done.html'><input name=user>"
                                           "<input type=hidden name=pass value=kept></form>"));
  EXPECT_EQ(Filled(), Login(L"ann", L"kept"));

  // A local file gets nothing, also one named with the site as its host.
  WriteFile(temp_.path() / "login.html", kLogin);
  const std::wstring file = FileUrlFromPath(FromUtf8((temp_.path() / "login.html").string()));
  for (const std::wstring& local : {file, L"file://" + site_ + file.substr(7)}) {
    window_.Navigate(local);
    std::wstring shown;
    window_.Browser()->get_LocationURL(&shown);
    EXPECT_EQ(shown, local);
    EXPECT_EQ(window_.Top().Page()->Title(), L"Sign in");
    EXPECT_EQ(Filled(), Login()) << ToUtf8(local);
  }

  // The login page itself, saved on http, is still filled; saved on https only, it is not.
  window_.Navigate(login);
  EXPECT_EQ(Filled(), Login(L"ann", L"n3w"));
  store_->DeactivateFormsOfUrl(login);
  const FormFieldMap saved{{L"user", L"ann"}, {L"pass", L"n3w"}};
  const std::int32_t id = store_->SaveForm(L"https://" + site_ + L"/login.html", L"login", site_, L"done.html", saved);
  for (const auto& [name, value] : saved) store_->AddFormField(id, name, value);
  window_.Navigate(login);
  EXPECT_EQ(Filled(), Login());
  EXPECT_THAT(errors_, IsEmpty());
}

TEST_F(FormMemoryTest, NothingIsCapturedWithoutATypedPasswordButTheMenuEntryIsResetAnyway) {
  window_.Navigate(Page("login.html", kLogin));
  window_.TypeText(L"user", L"ann");
  window_.SubmitForm(L"go");
  EXPECT_THAT(Forms(), IsEmpty());
  EXPECT_EQ(MenuText(), L"Enable saving form data");
  EXPECT_FALSE(GetMenuState(menu_.get(), 32792, MF_BYCOMMAND) & MF_CHECKED);

  // A page without forms, and a page that is not HTML, end quietly.
  window_.Navigate(Page("plain.html", "<p>no forms"));
  window_.Navigate(Page("image.png", std::string("\x89PNG\r\n\x1a\n\0\0\0", 12)));
  window_.Navigate(L"about:blank");
  EXPECT_THAT(Forms(), IsEmpty());
  EXPECT_THAT(errors_, IsEmpty());
}

TEST_F(FormMemoryTest, OnlyTheFormWithThePasswordIsCapturedAndRadiosKeepTheLastValue) {
  window_.Navigate(Page("two.html",
                        "<form name=search><input name=q><input type=password name=pin></form>"
                        "<form action=done.html><input name=user><input type=radio name=plan value=a checked>"
                        "<input type=radio name=plan value=b><input type=radio name=plan value=c>"
                        "<input type=checkbox name=keep value=yes><input type=password name=pass>"
                        "<input type=submit name=go2></form>"));
  window_.TypeText(L"q", L"words");
  window_.TypeText(L"user", L"bob");
  window_.TypeText(L"pass", L"pw");
  window_.SubmitForm(L"go2");
  EXPECT_EQ(Forms().size(), 1u);
  EXPECT_EQ(Forms()[0][1], L"NULL");  // an unnamed form
  EXPECT_EQ(Fields(), (Rows{{L"1", L"keep", L"yes"}, {L"1", L"pass", L"pw"}, {L"1", L"plan", L"c"},
                            {L"1", L"user", L"bob"}}));
}

TEST_F(FormMemoryTest, ChangedFormIsStoredAnewAndTheSubsetRuleDecidesWhatIsFilled) {
  const std::wstring login = SignIn(L"pw1");

  // The site adds a field: the form no longer matches and is stored as a second saved form.
  const std::wstring longer = Page("login.html",
                                   "<form name=login action='done.html'><input name=user>"
                                   "<input type=password name=pass><input name=otp><input type=submit name=go></form>");
  window_.Navigate(longer);
  EXPECT_EQ(Value(L"user"), L"");  // a captured name the saved form lacks: not filled
  window_.TypeText(L"user", L"ann");
  window_.TypeText(L"pass", L"pw2");
  window_.TypeText(L"otp", L"123");
  window_.SubmitForm(L"go");
  EXPECT_EQ(Forms().size(), 2u);

  // A form with fewer fields than a saved one still matches; the names it lacks are skipped.
  window_.Navigate(Page("short.html", "<form name=login action='done.html'><input name=user></form>"));
  EXPECT_EQ(Value(L"user"), L"ann");
  EXPECT_THAT(errors_, IsEmpty());
}

TEST_F(FormMemoryTest, DisabledFormIsNotFilledUntilEnabledAndOnlyTheMatchingFormIsFilled) {
  const std::wstring login = SignIn(L"pw");

  store_->DeactivateFormsOfUrl(login);
  window_.Navigate(login);
  EXPECT_EQ(Value(L"pass"), L"");
  store_->ActivateFormsOfUrl(login);
  window_.Navigate(login);
  EXPECT_EQ(Value(L"pass"), L"pw");

  // Two forms: the first does not match (a name the saved form lacks), the second does.
  window_.Navigate(Page("two.html",
                        "<form><input name=q></form><form action=done.html><input name=user>"
                        "<input type=password name=pass></form>"));
  EXPECT_EQ(Value(L"q"), L"");
  EXPECT_EQ(Value(L"pass"), L"pw");
}

TEST_F(FormMemoryTest, StoredNamesMissingFromTheFormAreLookedUpAsDropDownLists) {
  const FormFieldMap fields{{L"user", L"ann"}, {L"lang", L"de"}, {L"plan", L"b"}};
  std::int32_t id = store_->SaveForm(server_.Url("/lists.html"), L"NULL", site_, L"", fields);
  for (const auto& [name, value] : fields) store_->AddFormField(id, name, value);

  // "lang" is a list elsewhere in the document; "plan" is three radio buttons and no list.
  window_.Navigate(Page("lists.html",
                        "<form><input name=user><input type=radio name=plan value=a>"
                        "<input type=radio name=plan value=c></form>"
                        "<select name=lang><option>en<option>de</select>"));
  EXPECT_EQ(Value(L"user"), L"ann");
  EXPECT_EQ(Value(L"lang"), L"de");
  EXPECT_THAT(errors_, IsEmpty());

  // A stored name that is another kind of element in the form, and no list anywhere: skipped.
  window_.Navigate(Page("textarea.html", "<form><input name=user><textarea name=lang></textarea></form>"));
  EXPECT_EQ(Value(L"user"), L"ann");
  EXPECT_THAT(errors_, IsEmpty());
}

}  // namespace

namespace {

TEST_F(FormMemoryTest, AFrameIsCapturedAndFilledThroughItsOwnBrowser) {
  const std::wstring inner = Page("inner.html", kLogin);
  const std::wstring outer =
      Page("outer.html", "<title>Frames</title><frameset><frame name=side src='inner.html'></frameset>");
  window_.Navigate(outer);
  ASSERT_EQ(window_.Top().Frames().size(), 1u);
  window_.TypeText(L"user", L"ann");
  window_.TypeText(L"pass", L"pw");
  window_.SubmitForm(L"go");
  // Captured under the frame's own page, when the frame left it.
  EXPECT_EQ(Forms(), (Rows{{inner, L"login", site_, L"done.html", L"1"}}));

  window_.Navigate(outer);
  auto& frame = *window_.Top().Frames()[0];
  auto value = [&](const wchar_t* name) {
    const PageDocument& page = *frame.Page();
    for (PageNode control : page.Elements())
      if (PageDocument::IsControl(control) && control.AttributeOr("name") == name) return page.ControlValue(control);
    return std::wstring(L"<none>");
  };
  EXPECT_EQ(value(L"user"), L"ann");
  EXPECT_EQ(value(L"pass"), L"pw");
  EXPECT_THAT(errors_, IsEmpty());
}

}  // namespace
