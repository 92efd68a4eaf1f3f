// One window's fetcher serving request after request: nothing of one request (its method, body,
// headers or failure) reaches the next, while the window's cookies do.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "host/engine/Fetcher.h"
#include "tests/support/LoopbackServer.h"

namespace {

struct Seen {
  std::string method;
  std::string body;
  std::string contentType;
  std::string marker;
  std::string cookie;
};

class FetcherTest : public ::testing::Test {
 protected:
  FetcherTest()
      : server_([this](httplib::Server& s) {
          auto record = [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex_);
            seen_.push_back({req.method, req.body, req.get_header_value("Content-Type"),
                             req.get_header_value("X-Marker"), req.get_header_value("Cookie")});
            res.set_header("Set-Cookie", "sid=" + std::to_string(seen_.size()) + "; Path=/");
            res.set_content("<title>ok</title>", "text/html");
          };
          s.Get("/page", record);
          s.Post("/page", record);
        }) {}

  std::vector<Seen> SeenSoFar() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

  std::mutex mutex_;
  std::vector<Seen> seen_;
  LoopbackServer server_;
  Fetcher fetcher_;
};

TEST_F(FetcherTest, APostLeavesNothingBehindForTheNextRequestButItsCookie) {
  FetchRequest post;
  post.url = server_.Url("/page");
  post.post = true;
  post.postBody = "a=1&b=2";
  post.extraHeaders = "Content-Type: application/x-www-form-urlencoded\r\nX-Marker: posted\r\n";
  ASSERT_EQ(fetcher_.Fetch(post).status, FetchStatus::Loaded);

  FetchRequest get;
  get.url = server_.Url("/page");
  for (int i = 0; i < 2; ++i) ASSERT_EQ(fetcher_.Fetch(get).status, FetchStatus::Loaded);

  std::vector<Seen> seen = SeenSoFar();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].method, "POST");
  EXPECT_EQ(seen[0].body, "a=1&b=2");
  EXPECT_EQ(seen[0].marker, "posted");
  EXPECT_EQ(seen[0].cookie, "");
  for (size_t i = 1; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].method, "GET") << i;
    EXPECT_EQ(seen[i].body, "") << i;
    EXPECT_EQ(seen[i].contentType, "") << i;
    EXPECT_EQ(seen[i].marker, "") << i;
    EXPECT_EQ(seen[i].cookie, "sid=" + std::to_string(i)) << i;
  }
}

TEST_F(FetcherTest, AFailedRequestLeavesItsErrorToItselfAndTheNextOneLoads) {
  FetchRequest nowhere;
  nowhere.url = FromUtf8("http://127.0.0.1:" + std::to_string(LoopbackServer::ClosedPort()) + "/");
  FetchResponse failed = fetcher_.Fetch(nowhere);
  EXPECT_EQ(failed.status, FetchStatus::Failed);
  EXPECT_TRUE(failed.error.starts_with(L"The server could not be reached: ")) << failed.error;

  FetchRequest get;
  get.url = server_.Url("/page");
  FetchResponse loaded = fetcher_.Fetch(get);
  EXPECT_EQ(loaded.status, FetchStatus::Loaded);
  EXPECT_EQ(loaded.error, L"");
  EXPECT_EQ(loaded.httpStatus, 200);
  EXPECT_EQ(loaded.body, "<title>ok</title>");
}

}  // namespace
