// The internet client against real HTTP servers on 127.0.0.1: address splitting, the request as
// the server receives it, the response head and body as the caller reads them, and the ways a
// transfer ends early: a refused connection, a stalled server, a stop request.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/inet/InternetSession.h"
#include "platform/inet/ParseUrl.h"
#include "tests/support/LoopbackServer.h"

namespace {

using namespace std::chrono_literals;

struct Split {
  InternetService service = InternetService::Unknown;
  std::wstring server, object;
  INTERNET_PORT port = 0;
};

std::optional<Split> ParseUrl(const std::wstring& url) {
  Split s;
  if (!AfxParseURL(url, s.service, s.server, s.object, s.port)) return std::nullopt;
  return s;
}

TEST(AddressSplitting, GivesServiceServerObjectAndPortWithTheServicesDefaults) {
  auto plain = ParseUrl(L"http://example.com");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->service, InternetService::Http);
  EXPECT_EQ(plain->server, L"example.com");
  EXPECT_EQ(plain->object, L"/");
  EXPECT_EQ(plain->port, 80);

  auto full = ParseUrl(L"HTTP://user:pw@Example.com:8080/a/b?q=1#top");
  ASSERT_TRUE(full);
  EXPECT_EQ(full->service, InternetService::Http);
  EXPECT_EQ(full->server, L"Example.com");
  EXPECT_EQ(full->object, L"/a/b?q=1#top");
  EXPECT_EQ(full->port, 8080);

  auto query = ParseUrl(L"http://example.com?x=1");
  ASSERT_TRUE(query);
  EXPECT_EQ(query->object, L"/?x=1");

  auto v6 = ParseUrl(L"http://[::1]:81/x");
  ASSERT_TRUE(v6);
  EXPECT_EQ(v6->server, L"[::1]");
  EXPECT_EQ(v6->port, 81);

  auto secure = ParseUrl(L"https://example.com/");
  ASSERT_TRUE(secure);
  EXPECT_EQ(secure->service, InternetService::Https);
  EXPECT_EQ(secure->port, 443);
  auto files = ParseUrl(L"ftp://example.com/pub");
  ASSERT_TRUE(files);
  EXPECT_EQ(files->service, InternetService::Ftp);
  EXPECT_EQ(files->port, 21);
}

TEST(AddressSplitting, RefusesWhatIsNotAnAddress) {
  for (const wchar_t* text : {L"", L"example", L"/relative/path", L"example.com/x", L"http:/x", L"http://", L"http:///x",
                              L"http://x:0/", L"http://x:65536/", L"http://x:8a/", L"mailto:someone@example.com",
                              L"gibberish://x/", L"http://x/\r\nHost: y", L"http://[::1/"})
    EXPECT_FALSE(ParseUrl(text)) << text;
}

// One request as the server saw it.
struct Seen {
  std::string target;
  std::string host;
  std::string accept;
  std::string agent;
  int remotePort = 0;
};

class InternetSessionTest : public ::testing::Test {
 protected:
  InternetSessionTest()
      : server_([this](httplib::Server& s) {
          s.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
            {
              std::lock_guard lock(mutex_);
              seen_.push_back({req.target, req.get_header_value("Host"), req.get_header_value("Accept"),
                               req.get_header_value("User-Agent"), req.remote_port});
            }
            Answer(req, res);
          });
        }) {}
  ~InternetSessionTest() override { release_ = true; }

  void Answer(const httplib::Request& req, httplib::Response& res) {
    if (req.path == "/moved") {
      res.status = 301;
      res.set_header("Location", "http://elsewhere.invalid/new");
      res.set_content("moved", "text/plain");
    } else if (req.path == "/lines") {
      res.set_content("one\ntwo\r\n\nlast without end", "text/plain");
    } else if (req.path == "/large") {
      res.set_content(LargeBody(), "text/plain");
    } else if (req.path == "/hang") {
      // Answers nothing until the test ends (or ten seconds pass).
      for (int i = 0; i < 1000 && !release_; ++i) std::this_thread::sleep_for(10ms);
    } else if (req.path == "/trickle") {
      res.set_chunked_content_provider("text/plain", [this](size_t offset, httplib::DataSink& sink) {
        if (offset == 0) return sink.write("first line\n", 11);
        for (int i = 0; i < 1000 && !release_; ++i) std::this_thread::sleep_for(10ms);
        sink.done();
        return true;
      });
    } else if (req.path == "/endless") {
      res.set_chunked_content_provider("text/plain", [this](size_t, httplib::DataSink& sink) {
        static const std::string block(8192, 'x');
        return !release_ && sink.write(block.data(), block.size());
      });
    } else {
      res.set_content("ok", "text/plain");
    }
  }

  static const std::string& LargeBody() {
    // Lines of every length from 0 to 700, so that lines cross every boundary the transfer cuts.
    static const std::string body = [] {
      std::string text;
      for (int round = 0; round < 8; ++round)
        for (int length = 0; length <= 700; ++length) text += std::string(length, static_cast<char>('a' + length % 26)) + "\n";
      return text;
    }();
    return body;
  }

  std::vector<Seen> SeenSoFar() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

  std::unique_ptr<CHttpFile> Send(CInternetSession& session, const std::string& path, const std::wstring& headers = L"") {
    connection_ = session.GetHttpConnection(L"127.0.0.1", static_cast<INTERNET_PORT>(server_.port()));
    auto request = connection_->OpenRequest(FromUtf8(path));
    if (!headers.empty()) request->AddRequestHeaders(headers);
    request->SendRequest();
    return request;
  }

  DirectConnections direct_;
  std::atomic<bool> release_{false};
  std::mutex mutex_;
  std::vector<Seen> seen_;
  LoopbackServer server_;
  std::unique_ptr<CHttpConnection> connection_;
};

TEST_F(InternetSessionTest, TheRequestCarriesTheFirstHeaderOfEachNameAndTheSessionsAgentOnlyWithoutItsOwn) {
  CInternetSession session(L"Session Agent");
  {
    auto request = Send(session, "/plain", L"Accept: text/*\r\nUser-Agent: Own Agent\r\naccept: image/*\r\n");
    EXPECT_EQ(request->QueryInfoStatusCode(), 200u);
  }
  {
    auto request = Send(session, "/with space/ü?q=a b");
    EXPECT_EQ(request->QueryInfoStatusCode(), 200u);
  }
  auto seen = SeenSoFar();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].accept, "text/*");
  EXPECT_EQ(seen[0].agent, "Own Agent");
  EXPECT_EQ(seen[0].host, "127.0.0.1:" + std::to_string(server_.port()));
  EXPECT_EQ(seen[1].agent, "Session Agent");
  EXPECT_EQ(seen[1].target, "/with%20space/%C3%BC?q=a%20b");
}

TEST_F(InternetSessionTest, ARedirectIsNotFollowedAndItsHeadReadsAsCrLfLines) {
  CInternetSession session(L"agent");
  auto request = Send(session, "/moved");
  EXPECT_EQ(request->QueryInfoStatusCode(), 301u);
  std::wstring head = request->QueryInfoRawHeadersCrLf();
  EXPECT_TRUE(head.starts_with(L"HTTP/1.1 301 ")) << head;
  EXPECT_NE(head.find(L"\r\nLocation: http://elsewhere.invalid/new\r\n"), std::wstring::npos) << head;
  EXPECT_TRUE(head.ends_with(L"\r\n\r\n")) << head;
  EXPECT_EQ(SeenSoFar().size(), 1u);
}

TEST_F(InternetSessionTest, TheBodyComesLineByLineWithoutLineFeedsAndLongLinesInPieces) {
  CInternetSession session(L"agent");
  auto request = Send(session, "/lines");
  std::vector<std::string> lines;
  std::string line;
  while (request->ReadString(line, 5)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two\r", "", "last ", "witho", "ut en", "d"}));
  EXPECT_FALSE(request->ReadString(line, 5));
}

TEST_F(InternetSessionTest, ALargeBodyArrivesWholeAndInOrder) {
  CInternetSession session(L"agent");
  auto request = Send(session, "/large");
  std::string joined, line;
  size_t lines = 0;
  while (request->ReadString(line, 1000)) {
    joined += line + "\n";
    ++lines;
  }
  EXPECT_EQ(lines, 8u * 701u);
  EXPECT_TRUE(joined == LargeBody());
}

TEST_F(InternetSessionTest, ASessionReusesItsConnectionToTheSameServer) {
  CInternetSession session(L"agent");
  for (int i = 0; i < 2; ++i) {
    auto request = Send(session, "/lines");
    std::string line;
    while (request->ReadString(line, 100)) {
    }
  }
  auto seen = SeenSoFar();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].remotePort, seen[1].remotePort);
}

TEST_F(InternetSessionTest, ABodyNobodyReadsIsNotWaitedFor) {
  CInternetSession session(L"agent");
  auto started = std::chrono::steady_clock::now();
  {
    auto request = Send(session, "/endless");
    std::string line;
    ASSERT_TRUE(request->ReadString(line, 100));
    EXPECT_EQ(line, std::string(100, 'x'));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TEST_F(InternetSessionTest, TheEnvironmentsProxyCarriesTheRequest) {
  ScopedEnv proxy("http_proxy", ("http://127.0.0.1:" + std::to_string(server_.port())).c_str());
  ScopedEnv noProxy("no_proxy", nullptr);
  CInternetSession session(L"agent");
  auto connection = session.GetHttpConnection(L"pendrel.invalid", 80);
  auto request = connection->OpenRequest(L"/through/proxy");
  request->SendRequest();
  EXPECT_EQ(request->QueryInfoStatusCode(), 200u);
  auto seen = SeenSoFar();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].host, "pendrel.invalid");
  EXPECT_EQ(seen[0].target, "http://pendrel.invalid/through/proxy");
}

TEST_F(InternetSessionTest, ARefusedConnectionRaisesTheClientsMessage) {
  CInternetSession session(L"agent");
  auto connection = session.GetHttpConnection(L"127.0.0.1", static_cast<INTERNET_PORT>(LoopbackServer::ClosedPort()));
  auto request = connection->OpenRequest(L"/");
  try {
    request->SendRequest();
    FAIL() << "a closed port answered";
  } catch (const CInternetException& e) {
    EXPECT_FALSE(e.GetErrorMessage().empty());
  }
}

TEST_F(InternetSessionTest, AServerThatStallsFailsAfterTheStallTime) {
  CInternetSession session(L"agent", {}, InternetTimeouts{5s, 1s});
  auto started = std::chrono::steady_clock::now();
  EXPECT_THROW(Send(session, "/hang"), CInternetException);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 4s);

  // The same while the body comes: the line that never ends fails as well.
  auto request = Send(session, "/trickle");
  std::string line;
  ASSERT_TRUE(request->ReadString(line, 100));
  EXPECT_EQ(line, "first line");
  started = std::chrono::steady_clock::now();
  EXPECT_THROW(request->ReadString(line, 100), CInternetException);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 4s);
}

TEST_F(InternetSessionTest, AStopRequestEndsATransferInProgressAtOnceAndLaterOnesBeforeAnyTraffic) {
  std::stop_source stop;
  CInternetSession session(L"agent", stop.get_token());
  std::jthread stopper([&stop] {
    std::this_thread::sleep_for(300ms);
    stop.request_stop();
  });
  auto started = std::chrono::steady_clock::now();
  try {
    Send(session, "/hang");
    FAIL() << "the hanging request answered";
  } catch (const CInternetException& e) {
    EXPECT_EQ(e.GetErrorMessage(), L"The operation was canceled");
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1300ms);

  EXPECT_THROW(Send(session, "/plain"), CInternetException);
  EXPECT_EQ(SeenSoFar().size(), 1u);  // only the hanging request reached the server
}

}  // namespace
