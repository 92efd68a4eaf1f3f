// The repair job against a real HTTP server on 127.0.0.1 and a real bookmark store: which
// addresses it rewrites and which it keeps, rows that share an address, the message its worker
// posts at its end, a stop while it waits on a server that does not answer, and one job after
// another.
#include "links/RepairJob.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "links/CLinkChecker.h"
#include "platform/text/WideText.h"
#include "platform/ui/MessageLoop.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "tests/support/HeldAnswer.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace std::chrono_literals;
using Rows = std::vector<std::vector<std::wstring>>;

constexpr UINT kEnded = WM_APP + 7;
constexpr UINT kProgress = WM_APP + 8;

class RepairJobTest : public IsolatedTest {
 protected:
  RepairJobTest()
      : dataFolder_(MakeTestDataFolder(temp_)), server_([this](httplib::Server& s) {
          s.Get(".*", [this](const httplib::Request& req, httplib::Response& res) { Answer(req.path, res); });
        }) {
    window_.CreateEx(0, WC_WINDOW, L"", WS_POPUP, RECT{}, nullptr, 0);
  }
  ~RepairJobTest() override {
    Release();
    window_.DestroyWindow();
    PumpMessages();
  }

  void Answer(const std::string& path, httplib::Response& res) {
    {
      std::lock_guard lock(mutex_);
      requested_.push_back(path);
    }
    if (path == "/hang") {
      // Answers only when the test lets it (or after 20 s): the move it then reports must never
      // be stored by a job that was told to stop.
      held_.Hold();
      res.status = 301;
      res.set_header("Location", Url("/live"));
      return;
    }
    if (path.starts_with("/moved")) {
      res.status = 301;
      res.set_header("Location", Url("/live" + path.substr(6)));
      return;
    }
    if (path.starts_with("/live")) {
      res.set_content("<html><title>Here</title></html>", "text/html");
      return;
    }
    if (path == "/refresh") {
      res.set_content("<META HTTP-EQUIV=\"Refresh\" CONTENT=\"0; URL=http://new.example/Home\">", "text/html");
      return;
    }
    // Moves to addresses no bookmark should get: each target answers, as a live page.
    if (path.starts_with("/to/")) {
      const std::string live = Url("/live");
      res.status = 302;
      if (path == "/to/userinfo") res.set_header("Location", "http://evil.example@" + live.substr(7));
      if (path == "/to/rlo") res.set_header("Location", live + "/\xE2\x80\xAEgpj.exe");  // U+202E
      if (path == "/to/c1") res.set_header("Location", live + "/\xC2\x85");              // U+0085
      return;
    }
    if (path == "/long-refresh") {
      res.set_content("<meta http-equiv=\"refresh\" content=\"0; url=" + Url("/" + std::string(5000, 'a')) + "\">",
                      "text/html");
      return;
    }
    if (path == "/relative") {
      res.status = 302;
      res.set_header("Location", "/live");
      return;
    }
    res.status = 404;
  }
  void Release() { held_.Release(); }
  bool WaitUntilHanging() { return held_.WaitUntilHeld(); }
  bool StillHanging() { return held_.StillHeld(); }
  std::vector<std::string> Requested() {
    std::lock_guard lock(mutex_);
    return requested_;
  }

  std::string Url(const std::string& path) const { return ToUtf8(server_.Url(path)); }
  void Store(const std::string& address, const std::string& category = "Sites") {
    ExecuteSql(dataFolder_, "insert into LinksData(HomePage, Category, Description) values ('" + address + "', '" +
                                category + "', 'd')");
  }
  Rows Bookmarks() const {
    return QueryRows(dataFolder_, "select Category, HomePage from LinksData order by Category, HomePage");
  }
  // Runs the loop until the worker's ended message has come (at most 10 s); returns its wParams.
  std::vector<WPARAM> WaitForEnd(size_t count = 1) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (window_.Only(kEnded).size() < count && std::chrono::steady_clock::now() < deadline) {
      PumpMessages();
      std::this_thread::sleep_for(2ms);
    }
    std::vector<WPARAM> jobs;
    for (const SeenMessage& m : window_.Only(kEnded)) jobs.push_back(m.wParam);
    return jobs;
  }

  DirectConnections direct_;
  std::wstring dataFolder_;
  std::mutex mutex_;
  HeldAnswer held_;
  std::vector<std::string> requested_;
  LoopbackServer server_;
  RecordingWindow window_;
};

TEST_F(RepairJobTest, MovedPagesGetTheirNewAddressAndEverythingElseIsKept) {
  Store(Url("/moved1"), "A");
  Store(Url("/moved1"), "B");  // two rows of one address: one update changes both
  Store(Url("/moved2"));
  Store(Url("/gone"));
  Store(Url("/live"));
  Store(Url("/refresh"));
  Store(Url("/relative"));
  Store("ftp://127.0.0.1/file");
  Store("bookmark");

  RepairThreadProc(RepairJobOrder{dataFolder_, nullptr, 0, 0}, {});
  EXPECT_EQ(Bookmarks(), (Rows{{L"A", FromUtf8(Url("/live1"))},
                               {L"B", FromUtf8(Url("/live1"))},
                               {L"Sites", L"bookmark"},
                               {L"Sites", L"ftp://127.0.0.1/file"},
                               {L"Sites", FromUtf8(Url("/gone"))},
                               {L"Sites", FromUtf8(Url("/live"))},
                               {L"Sites", FromUtf8(Url("/live2"))},
                               {L"Sites", FromUtf8(Url("/relative"))},
                               {L"Sites", L"http://new.example/Home"}}));
  // In address order; only http addresses reach the server.
  EXPECT_EQ(Requested().front(), "/gone");
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(RepairJobTest, AJobPostsItsEndTheNextStartsOnlyAfterReleaseAndNoImplausibleMoveIsStored) {
  RepairJob job;
  EXPECT_FALSE(job.Running());
  ASSERT_TRUE(job.Start(dataFolder_, window_, kEnded));
  EXPECT_TRUE(job.Running());
  std::vector<WPARAM> ended = WaitForEnd();
  ASSERT_EQ(ended.size(), 1u);
  // Until its end is handled the job counts as running, and a second is refused.
  EXPECT_TRUE(job.Running());
  EXPECT_FALSE(job.Start(dataFolder_, window_, kEnded));
  EXPECT_TRUE(job.Release(ended[0]));
  EXPECT_FALSE(job.Running());
  EXPECT_TRUE(Requested().empty());

  // The second job sees what was stored since. The checker reports a new address for each of the
  // others, but one no bookmark should get: the job keeps the old one and counts a failed check.
  Store(Url("/moved3"));
  Rows expected = {{L"Sites", FromUtf8(Url("/live3"))}};
  for (const std::string path : {"/long-refresh", "/to/c1", "/to/rlo", "/to/userinfo"}) {
    Store(Url(path));
    expected.push_back({L"Sites", FromUtf8(Url(path))});
    std::wstring newAddress;
    EXPECT_TRUE(MakeCounted<CLinkChecker>()->CheckLink(FromUtf8(Url(path)), newAddress)) << path;
    EXPECT_NE(newAddress, FromUtf8(Url(path))) << path;
  }
  ASSERT_TRUE(job.Start(dataFolder_, window_, kEnded, kProgress));
  ended = WaitForEnd(2);
  ASSERT_EQ(ended.size(), 2u);
  EXPECT_NE(ended[1], ended[0]);
  // The end of the first job, come late, does not release the second.
  EXPECT_FALSE(job.Release(ended[0]));
  EXPECT_TRUE(job.Release(ended[1]));
  EXPECT_EQ(Bookmarks(), expected);
  EXPECT_EQ(boxes_.count(), 0u);  // nothing too long for the store reached it
  const RepairTally& t = job.Tally();
  EXPECT_TRUE(t.listed);
  EXPECT_EQ((std::vector<size_t>{t.total, t.current, t.moved, t.unreachable, t.unchanged}),
            (std::vector<size_t>{5, 5, 1, 4, 0}));
  // Progress came before the end, each with the job's number, and not once per address.
  std::vector<SeenMessage> progress = window_.Only(kProgress);
  ASSERT_GE(progress.size(), 1u);
  EXPECT_LT(progress.size(), 5u);
  for (const SeenMessage& m : progress) EXPECT_EQ(m.wParam, ended[1]);
}

TEST_F(RepairJobTest, AStopEndsTheCheckInProgressWithoutWritingItAndLeavesTheRestUnchecked) {
  Store(Url("/a/moved"));  // checked first; a dead page, kept
  Store(Url("/hang"));
  Store(Url("/moved4"));  // after /hang in address order
  RepairJob job;
  ASSERT_TRUE(job.Start(dataFolder_, window_, kEnded));
  ASSERT_TRUE(WaitUntilHanging());
  job.Stop();
  // The job has ended while the server still holds the request: nobody waited for its answer.
  EXPECT_FALSE(job.Running());
  EXPECT_TRUE(StillHanging());
  Release();
  EXPECT_EQ(Bookmarks(), (Rows{{L"Sites", FromUtf8(Url("/a/moved"))},
                               {L"Sites", FromUtf8(Url("/hang"))},
                               {L"Sites", FromUtf8(Url("/moved4"))}}));
  EXPECT_EQ(Requested(), (std::vector<std::string>{"/a/moved", "/hang"}));
  // Its end was still posted; it releases nothing now.
  std::vector<WPARAM> ended = WaitForEnd();
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_FALSE(job.Release(ended[0]));
  // Stopping again, or a job that is not running, does nothing.
  job.Stop();
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(RepairJobTest, AJobLetGoOfWhileItWaitsOnAServerIsStoppedAndJoined) {
  Store(Url("/hang"));
  {
    RepairJob job;
    ASSERT_TRUE(job.Start(dataFolder_, window_, kEnded));
    ASSERT_TRUE(WaitUntilHanging());
  }
  EXPECT_TRUE(StillHanging());
  Release();
  EXPECT_EQ(Bookmarks(), (Rows{{L"Sites", FromUtf8(Url("/hang"))}}));
}

TEST_F(RepairJobTest, AStoreThatCannotBeOpenedIsReportedAndTheJobStillEnds) {
  RepairJob job;
  ASSERT_TRUE(job.Start(temp_.wpath() + L"/nowhere", window_, kEnded));
  std::vector<WPARAM> ended = WaitForEnd();
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_TRUE(job.Release(ended[0]));
  // One box, the store's own, shown by the worker: nothing more for the same failure.
  auto shown = boxes_.boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].thread, std::this_thread::get_id());
  EXPECT_TRUE(Requested().empty());
  // Nothing was listed, so there is nothing to sum up.
  EXPECT_FALSE(job.Tally().listed);
}

}  // namespace
