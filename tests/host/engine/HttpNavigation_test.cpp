// The browser window against a real HTTP server on 127.0.0.1: forms sent by POST, redirects,
// cookies kept for the window, declared charsets, and a server that cannot be reached.
#include <gtest/gtest.h>

#include <mutex>

#include "host/engine/BrowserWindow.h"
#include "host/engine/PageText.h"
#include "platform/browser/HtmlDocument.h"
#include "platform/text/WideText.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/BrowserTestSupport.h"

namespace {

using Lines = std::vector<std::wstring>;

class HttpNavigationTest : public ::testing::Test {
 protected:
  HttpNavigationTest()
      : server_([this](httplib::Server& s) {
          s.Get("/login", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><head><title>Log in</title></head><body><form method=post action='/session'>"
                            "<input name=user><input type=password name=pass><input type=hidden name=t value=1>"
                            "<input type=submit name=go value='Log in'></form></body></html>",
                            "text/html");
          });
          s.Post("/session", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex_);
            posted_ = req.body;
            postedType_ = req.get_header_value("Content-Type");
            res.set_header("Set-Cookie", "sid=abc123; Path=/");
            res.set_redirect("/home", 303);
          });
          s.Get("/home", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("<title>Home</title><p>cookie=" + req.get_header_value("Cookie") + "</p>", "text/html");
          });
          s.Get("/old", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/new", 302); });
          s.Get("/new", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<title>New place</title>", "text/html; charset=utf-8");
          });
          s.Get("/latin", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<title>Gr\xfc\xdf</title>", "text/html; charset=ISO-8859-1");
          });
          s.Get("/gone", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("<title>Not here</title>", "text/html");
          });
          s.Get("/empty404", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
          s.Get("/picture", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string("\x89PNG\r\n\x1a\n\0\0\0\0", 12), "image/png");
          });
          s.Get("/local", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<title>Local</title><a href='file:///etc/hostname'>f</a>"
                            "<iframe src='file:///etc/hostname'></iframe>", "text/html");
          });
          s.Get("/upload", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<form method=post enctype=multipart/form-data action=/received>"
                            "<input name='na\"me' value='a b'><textarea name=t>x\ny</textarea></form>", "text/html");
          });
          s.Post("/received", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex_);
            for (const auto& [name, file] : req.files) posted_ += name + "=" + file.content + ";";
            res.set_content("<title>Received</title>", "text/html");
          });
          s.Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop", 302); });
        }) {
    sink_ = MakeCounted<RecordingSink>();
    sink_->Connect(window_.Browser());
  }

  Lines Titles() const {
    Lines titles;
    for (const auto& line : sink_->lines)
      if (line.starts_with(L"TitleChange ")) titles.push_back(line.substr(12));
    return titles;
  }

  std::mutex mutex_;
  std::string posted_;
  std::string postedType_;
  LoopbackServer server_;
  BrowserWindow window_;
  CComPtr<RecordingSink> sink_;
};

TEST_F(HttpNavigationTest, LoginFormIsPostedAndItsCookieKept) {
  std::wstring login = server_.Url("/login");
  window_.Navigate(login);
  ASSERT_EQ(window_.TypeText(L"user", L"bob smith"), ActionResult::Done);
  ASSERT_EQ(window_.TypeText(L"pass", L"p&ss=1"), ActionResult::Done);
  sink_->lines.clear();
  sink_->events.clear();
  ASSERT_EQ(window_.SubmitForm(L"go"), ActionResult::Done);

  std::wstring session = server_.Url("/session");
  std::wstring home = server_.Url("/home");
  Lines expected = {L"BeforeNavigate2 " + session,
                    L"StatusTextChange Opening page " + session + L"...",
                    L"ProgressChange 0 100",
                    L"NavigateComplete2 " + home,
                    L"CommandStateChange 2 true",
                    L"CommandStateChange 1 false",
                    L"TitleChange Home",
                    L"DownloadComplete",
                    L"ProgressChange 100 100",
                    L"StatusTextChange Done",
                    L"DocumentComplete " + home};
  EXPECT_EQ(sink_->lines, expected);

  // At BeforeNavigate2 the login page is still shown, with the typed password readable.
  const RecordedEvent& before = sink_->events[0];
  EXPECT_EQ(before.browserUrl, login);
  EXPECT_TRUE(before.browserHadHtmlDocument);
  const std::string body = "user=bob+smith&pass=p%26ss%3D1&t=1&go=Log+in";
  EXPECT_EQ(std::get<std::wstring>(before.arguments[4].value), FromUtf8(body));
  EXPECT_EQ(std::get<std::wstring>(before.arguments[5].value),
            L"Content-Type: application/x-www-form-urlencoded\r\n");
  {
    std::lock_guard lock(mutex_);
    EXPECT_EQ(posted_, body);
    EXPECT_EQ(postedType_, "application/x-www-form-urlencoded");
  }
  Lines page = DescribePage(window_.Top());
  EXPECT_EQ(page[1], L"text: cookie=sid=abc123");
}

TEST_F(HttpNavigationTest, RedirectIsFollowedAndTheNewAddressReported) {
  std::wstring old = server_.Url("/old");
  std::wstring fresh = server_.Url("/new");
  window_.Navigate(old);
  EXPECT_EQ(sink_->lines.front(), L"BeforeNavigate2 " + old);
  EXPECT_EQ(sink_->lines[3], L"NavigateComplete2 " + fresh);
  EXPECT_EQ(sink_->lines.back(), L"DocumentComplete " + fresh);
  std::wstring location;
  window_.Browser()->get_LocationURL(&location);
  EXPECT_EQ(location, fresh);
  EXPECT_EQ(Titles(), (Lines{L"New place"}));
}

TEST_F(HttpNavigationTest, ServerPagesShowWhateverTheStatusAndErrorsShowTheErrorPage) {
  window_.Navigate(server_.Url("/latin"));
  window_.Navigate(server_.Url("/gone"));
  window_.Navigate(server_.Url("/empty404"));
  window_.Navigate(server_.Url("/loop"));
  std::wstring closed = L"http://127.0.0.1:" + std::to_wstring(LoopbackServer::ClosedPort()) + L"/";
  window_.Navigate(closed);
  EXPECT_EQ(Titles(), (Lines{L"Gr\u00fc\u00df", L"Not here", L"Cannot display the page", L"Cannot display the page",
                             L"Cannot display the page"}));
  EXPECT_EQ(sink_->lines.back(), L"DocumentComplete " + closed);
  Lines page = DescribePage(window_.Top());
  EXPECT_NE(page[1].find(L"The server could not be reached"), std::wstring::npos);
}

TEST_F(HttpNavigationTest, ServedImageHasNoHtmlDocument) {
  std::wstring url = server_.Url("/picture");
  window_.Navigate(url);
  EXPECT_EQ(Titles(), (Lines{url}));
  CComPtr<IDispatch> document;
  ASSERT_EQ(window_.Browser()->get_Document(&document), S_OK);
  EXPECT_FALSE(document.QueryInterface<IHTMLDocument2>(IID_IHTMLDocument2));
}

TEST_F(HttpNavigationTest, MultipartFormIsSentInParts) {
  window_.Navigate(server_.Url("/upload"));
  ASSERT_EQ(window_.SubmitFormNumber(1), ActionResult::Done);
  EXPECT_EQ(Titles().back(), L"Received");
  {
    std::lock_guard lock(mutex_);
    EXPECT_EQ(posted_, "na%22me=a b;t=x\r\ny;");
  }

  // A typed value holding a boundary text (the one once fixed for every post) arrives whole.
  window_.GoBack();
  const std::wstring typed = L"before\r\n------PendrelFormBoundary7MA4YWxkTrZu0gW--\r\nafter";
  ASSERT_EQ(window_.TypeText(L"t", typed), ActionResult::Done);
  {
    std::lock_guard lock(mutex_);
    posted_.clear();
  }
  ASSERT_EQ(window_.SubmitFormNumber(1), ActionResult::Done);
  std::lock_guard lock(mutex_);
  EXPECT_EQ(posted_, "na%22me=a b;t=" + ToUtf8(typed) + ";");
}

TEST_F(HttpNavigationTest, WebPageCannotOpenLocalFiles) {
  window_.Navigate(server_.Url("/local"));
  // The frame stays blank instead of showing the file.
  EXPECT_NE(std::find(sink_->lines.begin(), sink_->lines.end(), L"DocumentComplete about:blank"), sink_->lines.end());
  sink_->lines.clear();
  EXPECT_EQ(window_.FollowLink(1), ActionResult::Refused);
  EXPECT_TRUE(sink_->lines.empty());
}

}  // namespace
