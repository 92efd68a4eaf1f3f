// The link checker against real HTTP servers on 127.0.0.1: what it reports for live, dead,
// moved and refreshing pages, the addresses it refuses without sending anything, the request as
// the server receives it, and the servers that would hold a repair job: one that never answers,
// one that never stops sending, one the job is told to stop waiting for.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "links/CLinkChecker.h"
#include "tests/support/LoopbackServer.h"

namespace {

using namespace std::chrono_literals;

struct Seen {
  std::string path;
  std::string accept;
  std::string agent;
};

class LinkCheckerTest : public ::testing::Test {
 protected:
  LinkCheckerTest()
      : server_([this](httplib::Server& s) {
          s.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
            {
              std::lock_guard lock(mutex_);
              seen_.push_back({req.path, req.get_header_value("Accept"), req.get_header_value("User-Agent")});
            }
            Answer(req.path, res);
          });
        }) {}
  ~LinkCheckerTest() override { release_ = true; }

  // Pages by path: a status, headers and a body.
  struct Page {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
  };
  void Serve(const std::string& path, Page page) {
    std::lock_guard lock(mutex_);
    pages_[path] = std::move(page);
  }

  void Answer(const std::string& path, httplib::Response& res) {
    if (path == "/hang") {
      for (int i = 0; i < 1000 && !release_; ++i) std::this_thread::sleep_for(10ms);
      return;
    }
    if (path == "/endless") {
      res.set_chunked_content_provider("text/html", [this](size_t offset, httplib::DataSink& sink) {
        static const std::string filler = std::string(8191, 'x') + "\n";
        if (offset == 0) sink.write(lead_.data(), lead_.size());
        return !release_ && sink.write(filler.data(), filler.size());
      });
      return;
    }
    if (path == "/denied") {
      // A body that never ends: a checker that read it would never return.
      res.status = 401;
      res.set_chunked_content_provider("text/html", [this](size_t, httplib::DataSink& sink) {
        static const std::string filler(8192, 'x');
        return !release_ && sink.write(filler.data(), filler.size());
      });
      return;
    }
    std::lock_guard lock(mutex_);
    auto it = pages_.find(path);
    if (it == pages_.end()) {
      res.status = 404;
      res.set_content("<title>Not found</title>", "text/html");
      return;
    }
    res.status = it->second.status;
    for (const auto& [name, value] : it->second.headers) res.set_header(name.c_str(), value);
    res.set_content(it->second.body, "text/html");
  }

  std::vector<Seen> SeenSoFar() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(server_.port()) + path; }

  struct Result {
    bool ok;
    std::wstring address;
    std::wstring failure;
  };
  Result Check(const std::wstring& address, std::stop_token stop = {}) {
    auto checker = MakeCounted<CLinkChecker>(std::move(stop));
    std::wstring newAddress = L"left over";
    bool ok = checker->CheckLink(address, newAddress);
    return {ok, newAddress, checker->LastFailure()};
  }
  Result Check(const std::string& path) { return Check(FromUtf8(Url(path))); }

  DirectConnections direct_;
  std::atomic<bool> release_{false};
  std::string lead_;
  std::mutex mutex_;
  std::map<std::string, Page> pages_;
  std::vector<Seen> seen_;
  LoopbackServer server_;
};

TEST_F(LinkCheckerTest, OnlyHttpAddressesAreCheckedAndTheOthersFailWithoutTraffic) {
  for (const std::wstring& address : {FromUtf8("https://127.0.0.1:" + std::to_string(server_.port()) + "/"),
                                      FromUtf8("ftp://127.0.0.1:" + std::to_string(server_.port()) + "/"),
                                      std::wstring(L"bookmark"), std::wstring(L"/relative"), std::wstring(L"")}) {
    Result r = Check(address);
    EXPECT_FALSE(r.ok) << address;
    EXPECT_EQ(r.failure, L"Error: can only use URLs beginning with http://") << address;
    EXPECT_EQ(r.address, address);
  }
  EXPECT_TRUE(SeenSoFar().empty());
}

TEST_F(LinkCheckerTest, LivePagesDeadPagesAndPagesBehindAPasswordAllSucceedUnchanged) {
  Serve("/live", {200, {}, "<html><head><title>Here</title></head></html>"});
  Serve("/broken", {500, {}, "<meta http-equiv=\"refresh\" content=\"0; url=http://error-page.invalid/\">"});
  for (const char* path : {"/live", "/missing", "/broken"}) {
    Result r = Check(path);
    EXPECT_TRUE(r.ok) << path << ": " << ToUtf8(r.failure);
    EXPECT_EQ(r.address, FromUtf8(Url(path))) << path;
  }

  auto started = std::chrono::steady_clock::now();
  Result denied = Check("/denied");
  EXPECT_TRUE(denied.ok);
  EXPECT_EQ(denied.address, FromUtf8(Url("/denied")));
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s) << "the body of a 401 was read";
}

TEST_F(LinkCheckerTest, ARedirectToAnAbsoluteAddressGivesThatAddress) {
  for (int status : {301, 302, 303}) {
    std::string from = "/moved" + std::to_string(status), to = "/new-home" + std::to_string(status);
    Serve(from, {status, {{"Location", Url(to)}}, "moved"});
    Serve(to, {200, {}, "<title>New home</title>"});
    Result r = Check(from);
    EXPECT_TRUE(r.ok) << status << ": " << ToUtf8(r.failure);
    EXPECT_EQ(r.address, FromUtf8(Url(to))) << status;  // no CR or LF at its end
  }
}

TEST_F(LinkCheckerTest, ARedirectThatCannotBeFollowedFails) {
  Serve("/relative", {302, {{"Location", "/somewhere/else"}}, ""});
  Serve("/secure", {301, {{"Location", "https://127.0.0.1/"}}, ""});
  Serve("/nowhere", {301, {}, ""});
  Serve("/twice", {301, {{"Location", Url("/again")}}, ""});
  Serve("/again", {301, {{"Location", Url("/final")}}, ""});
  Serve("/final", {200, {}, "<title>Final</title>"});
  Serve("/to-dead", {302, {{"Location", Url("/missing")}}, ""});

  struct Case {
    const char* path;
    std::wstring failure;
  };
  for (const Case& c : {Case{"/relative", L"Error: the redirected URL could not be parsed."},
                        Case{"/secure", L"Error: the redirected URL does not reference a HTTP resource."},
                        Case{"/nowhere", L"Error: Site redirects with no new location"},
                        Case{"/twice", L"Error: Got status code 301"},
                        Case{"/to-dead", L"Error: Got status code 404"}}) {
    Result r = Check(c.path);
    EXPECT_FALSE(r.ok) << c.path;
    EXPECT_EQ(r.failure, c.failure) << c.path;
  }
}

TEST_F(LinkCheckerTest, OnlyALocationHeaderOfItsOwnNamesTheTarget) {
  // Content-Location comes first and ends in the same text; only Location counts.
  Serve("/moved", {301, {{"Content-Location", Url("/wrong")}, {"Location", Url("/right")}}, ""});
  Serve("/wrong", {200, {}, ""});
  Serve("/right", {200, {}, ""});
  Result r = Check("/moved");
  EXPECT_TRUE(r.ok) << ToUtf8(r.failure);
  EXPECT_EQ(r.address, FromUtf8(Url("/right")));
}

TEST_F(LinkCheckerTest, ARefreshTagNamesTheNewAddressAsThePageSpellsIt) {
  struct Case {
    std::string body;
    std::wstring address;  // empty: the checked address stays
  };
  const std::vector<Case> cases = {
      {"<HTML><HEAD><META HTTP-EQUIV=\"Refresh\" CONTENT=\"0; URL=http://New.Example.COM/Path\"></HEAD></HTML>",
       L"http://New.Example.COM/Path"},
      {"<meta http-equiv=refresh content=0;url=http://a.example/x>rest", L"http://a.example/x"},
      {"<meta http-equiv=refresh content='0;url=http://b.example/y z'>", L"http://b.example/y"},
      {"<meta http-equiv=refresh content='0;url=http://c.example/q'>", L"http://c.example/q'"},
      {"<meta http-equiv=\"refresh\" content=\"0; url=/relative/path\">", L""},
      {"<meta http-equiv=\"refresh\" content=\"0; url=https://secure.example/\">", L""},
      // Only the first tag of the kind counts.
      {"<meta http-equiv=\"Content-Type\" content=\"text/html\"><meta http-equiv=refresh content=\"0;url=http://d.example/\">",
       L""},
      // The tag may span lines: the lines are joined with nothing between them.
      {"<meta http-equiv=\"refresh\"\ncontent=\"0;\nurl=http://e.example/\">", L"http://e.example/"},
      // A line's CR ends an address that is not quoted.
      {"<meta http-equiv=refresh content=0;url=http://f.example/\r\n>", L"http://f.example/"},
      {"<p>no tag at all</p>", L""},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    std::string path = "/page" + std::to_string(i);
    Serve(path, {200, {}, cases[i].body});
    Result r = Check(path);
    EXPECT_TRUE(r.ok) << cases[i].body;
    EXPECT_EQ(r.address, cases[i].address.empty() ? FromUtf8(Url(path)) : cases[i].address) << cases[i].body;
  }
}

TEST_F(LinkCheckerTest, ARedirectsTargetIsSearchedForARefreshTag) {
  Serve("/old", {301, {{"Location", Url("/interim")}}, ""});
  Serve("/interim", {200, {}, "<meta http-equiv=\"refresh\" content=\"0;url=http://final.example/\">"});
  Result r = Check("/old");
  EXPECT_TRUE(r.ok) << ToUtf8(r.failure);
  EXPECT_EQ(r.address, L"http://final.example/");
}

TEST_F(LinkCheckerTest, EveryRequestAsksForTextAsTheCrawler) {
  Serve("/old", {302, {{"Location", Url("/new")}}, ""});
  Serve("/new", {200, {}, ""});
  EXPECT_TRUE(Check("/old").ok);
  auto seen = SeenSoFar();
  ASSERT_EQ(seen.size(), 2u);
  for (const Seen& s : seen) {
    EXPECT_EQ(s.accept, "text/*") << s.path;
    EXPECT_EQ(s.agent, "Lantrel Crawler") << s.path;
  }
}

TEST_F(LinkCheckerTest, AnEndlessBodyIsSearchedInItsFirstPartOnly) {
  lead_ = "<meta http-equiv=refresh content=\"0;url=http://endless.example/\">\n";
  auto started = std::chrono::steady_clock::now();
  Result r = Check("/endless");
  EXPECT_TRUE(r.ok) << ToUtf8(r.failure);
  EXPECT_EQ(r.address, L"http://endless.example/");
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
}

TEST_F(LinkCheckerTest, AServerThatCannotBeReachedFailsWithTheClientsMessage) {
  Result r = Check(FromUtf8("http://127.0.0.1:" + std::to_string(LoopbackServer::ClosedPort()) + "/"));
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.failure.empty());
  EXPECT_EQ(r.failure.find(L"Error: "), std::wstring::npos) << ToUtf8(r.failure);
}

TEST_F(LinkCheckerTest, AStopRequestEndsACheckThatWaitsOnASilentServerWithinASecond) {
  std::stop_source stop;
  std::jthread stopper([&stop] {
    std::this_thread::sleep_for(200ms);
    stop.request_stop();
  });
  auto started = std::chrono::steady_clock::now();
  Result r = Check(FromUtf8(Url("/hang")), stop.get_token());
  EXPECT_FALSE(r.ok);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1200ms);

  // A checker made after the stop sends nothing.
  size_t before = SeenSoFar().size();
  Serve("/live", {200, {}, ""});
  EXPECT_FALSE(Check(FromUtf8(Url("/live")), stop.get_token()).ok);
  EXPECT_EQ(SeenSoFar().size(), before);
}

TEST_F(LinkCheckerTest, ChecksOnSeveralThreadsAtOnceKeepToThemselves) {
  for (int i = 0; i < 8; ++i)
    Serve("/moved" + std::to_string(i), {301, {{"Location", Url("/target" + std::to_string(i))}}, ""});
  for (int i = 0; i < 8; ++i) Serve("/target" + std::to_string(i), {200, {}, ""});
  std::vector<Result> results(8);
  {
    std::vector<std::jthread> workers;
    for (int i = 0; i < 8; ++i)
      workers.emplace_back([this, i, &results] { results[static_cast<size_t>(i)] = Check("/moved" + std::to_string(i)); });
  }
  for (int i = 0; i < 8; ++i) {
    EXPECT_TRUE(results[static_cast<size_t>(i)].ok);
    EXPECT_EQ(results[static_cast<size_t>(i)].address, FromUtf8(Url("/target" + std::to_string(i))));
  }
}

}  // namespace
