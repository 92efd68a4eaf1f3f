// The link checker and the repair job against servers on 127.0.0.1 that misbehave below HTTP:
// one that never answers, one that drips its head or its body a byte a second, one whose body
// never ends, one with a head of a megabyte, one that redirects to itself and one that closes
// half way through its answer. The job goes on to the next address after each, what it reads
// stays bounded, and a stop request ends it promptly whichever of them it waits on.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <map>

#include "links/CLinkChecker.h"
#include "links/RepairJob.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RawServer.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace std::chrono_literals;

// Short limits, so a server that holds a check costs the test seconds, not minutes. A byte a
// second never stalls a transfer under them; only the whole time ends it.
constexpr InternetTimeouts kShortLimits{2s, 2s, 3s};
// The end of a head whose answer has no body; the server serves one request per connection.
constexpr char kLastAnswer[] = "\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";

class MisbehavingServersTest : public IsolatedTest {
 protected:
  MisbehavingServersTest()
      : dataFolder_(MakeTestDataFolder(temp_)),
        server_([this](int fd, const std::string& head) { Answer(fd, head); }) {}

  void Answer(int fd, const std::string& head) {
    const std::string path = head.substr(4, head.find(' ', 4) - 4);
    const RawServer& s = server_;
    if (path.ends_with("silent")) {
      s.WaitForClose(fd);
    } else if (path.ends_with("drip-head")) {
      for (char c : std::string("HTTP/1.1 200 OK\r\nX-Slow: yes\r\n\r\n"))
        if (!s.Send(fd, std::string(1, c)) || !s.Pause(1s)) return;
    } else if (path.ends_with("drip-body")) {
      if (!s.Send(fd, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n")) return;
      while (s.Send(fd, "x") && s.Pause(1s)) {
      }
    } else if (path.ends_with("endless")) {
      if (!s.Send(fd, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n")) return;
      const std::string filler = std::string(8191, 'x') + "\n";
      while (s.Send(fd, filler)) endlessSent_ += filler.size();
    } else if (path.ends_with("big-head")) {
      std::string answer = "HTTP/1.1 200 OK\r\n";
      const std::string line = "X-Filler: " + std::string(1000, 'h') + "\r\n";
      while (answer.size() < (1u << 20)) answer += line;
      answer += "Content-Length: 5\r\n\r\nhello";
      s.Send(fd, answer);
      s.WaitForClose(fd);
    } else if (path.ends_with("self")) {
      s.Send(fd, "HTTP/1.1 301 Moved\r\nLocation: " + ToUtf8(server_.Url(path)) + kLastAnswer);
    } else if (path.ends_with("cut")) {
      s.Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n<html><meta http-equiv=\"refresh\" content=\"0;");
    } else if (path.ends_with("moved")) {
      s.Send(fd, "HTTP/1.1 301 Moved\r\nLocation: " + ToUtf8(server_.Url("/live")) + kLastAnswer);
    } else {
      s.Send(fd, "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 11\r\n\r\n<p>here</p>");
    }
  }

  void Store(const std::wstring& address) {
    ExecuteSql(dataFolder_, "insert into LinksData(HomePage, Category, Description) values ('" + ToUtf8(address) +
                                "', 'Sites', 'd')");
  }
  std::vector<std::wstring> Addresses() const {
    return QueryColumn(dataFolder_, "select HomePage from LinksData order by HomePage");
  }

  DirectConnections direct_;
  std::wstring dataFolder_;
  std::atomic<size_t> endlessSent_{0};
  RawServer server_;
};

const char* const kMisbehaviours[] = {"silent", "drip-head", "drip-body", "endless", "big-head", "self", "cut"};

TEST_F(MisbehavingServersTest, TheJobGoesOnPastEachMisbehavingServerAndRepairsTheAddressAfterThem) {
  int order = 0;
  for (const char* misbehaviour : kMisbehaviours)
    Store(server_.Url(std::to_string(order++).insert(0, "/") + "-" + misbehaviour));
  Store(server_.Url("/9-moved"));
  const std::vector<std::wstring> before = Addresses();

  RepairJobOrder job{dataFolder_, nullptr, 0, 0, kShortLimits};
  const auto started = std::chrono::steady_clock::now();
  RepairThreadProc(job, {});
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  std::cout << "[ figure   ] the job past every misbehaving server took " << took.count() << " ms\n";

  std::vector<std::wstring> expected = before;
  expected.back() = server_.Url("/live");
  EXPECT_EQ(Addresses(), expected);
  EXPECT_EQ(boxes_.count(), 0u);
  // Each server was asked once, the one redirecting to itself twice, and the moved page's new
  // address once after the redirect.
  EXPECT_EQ(server_.Requests(), static_cast<int>(std::size(kMisbehaviours)) + 3);
}

TEST_F(MisbehavingServersTest, WhatACheckReadsOfAnEndlessBodyOrAHugeHeadIsBounded) {
  auto checker = MakeCounted<CLinkChecker>(std::stop_token{}, kShortLimits);
  std::wstring newAddress;
  EXPECT_FALSE(checker->CheckLink(server_.Url("/big-head"), newAddress));
  EXPECT_EQ(checker->LastFailure(), L"The server's response head is too large");

  ASSERT_TRUE(checker->CheckLink(server_.Url("/endless"), newAddress));
  EXPECT_EQ(newAddress, server_.Url("/endless"));
  // Once the checker has read its share it lets go of the connection; the server can then send
  // no more than the sockets hold.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  size_t sent = endlessSent_;
  for (;;) {
    std::this_thread::sleep_for(100ms);
    if (endlessSent_ == sent || std::chrono::steady_clock::now() > deadline) break;
    sent = endlessSent_;
  }
  std::cout << "[ figure   ] the endless server got " << sent << " bytes out before the checker let go\n";
  EXPECT_GE(sent, CLinkChecker::kMaxBodyBytes);
  EXPECT_LT(sent, CLinkChecker::kMaxBodyBytes + (size_t{32} << 20));

  // A server that drips its body steadily enough never stalls; the whole time still ends it.
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(checker->CheckLink(server_.Url("/drip-body"), newAddress));
  EXPECT_EQ(checker->LastFailure(), L"The operation timed out");
  EXPECT_LT(std::chrono::steady_clock::now() - started, 20s);
}

TEST_F(MisbehavingServersTest, AStopRequestEndsTheJobPromptlyWhicheverServerItWaitsOn) {
  std::map<std::string, long long> stopTook;
  int requests = 0;
  for (const char* misbehaviour : kMisbehaviours) {
    ExecuteSql(dataFolder_, "delete from LinksData");
    Store(server_.Url(std::string("/") + misbehaviour));
    // The client's own limits, as the toolbar's job has them: only the stop ends the wait.
    RepairJob job;
    ASSERT_TRUE(job.Start(dataFolder_, nullptr, 0));
    ASSERT_TRUE(server_.WaitForRequests(++requests)) << misbehaviour;
    const auto started = std::chrono::steady_clock::now();
    job.Stop();
    const auto took = std::chrono::steady_clock::now() - started;
    stopTook[misbehaviour] = std::chrono::duration_cast<std::chrono::microseconds>(took).count();
    EXPECT_FALSE(job.Running());
    EXPECT_LT(took, 5s) << misbehaviour;
    requests = server_.Requests();
  }
  std::cout << "[ figure   ] stop while the job waits on:";
  for (const auto& [name, us] : stopTook) std::cout << " " << name << " " << us / 1000.0 << " ms;";
  std::cout << "\n";
  EXPECT_EQ(boxes_.count(), 0u);
}

}  // namespace
