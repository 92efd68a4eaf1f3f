// The repair job over ten thousand addresses on one loopback server while the user-interface
// thread keeps the store busy: ten thousand screen refreshes with the history log on and a
// thousand adds through the toolbar's own store object. No store error is shown, no row is lost,
// and the counts at the end are exact. PENDREL_LOAD_DIVISOR divides every count (the sanitizer
// runs set it, where each step costs many times as much).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>

#include "platform/text/WideText.h"
#include "tests/support/BandHarness.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace std::chrono_literals;

int LoadDivisor() {
  const char* text = std::getenv("PENDREL_LOAD_DIVISOR");
  const int divisor = text ? std::atoi(text) : 1;
  // At most 1000, so that at least one add is made.
  return divisor > 0 ? std::min(divisor, 1000) : 1;
}

class RepairUnderLoadTest : public IsolatedTest {
 protected:
  RepairUnderLoadTest()
      : server_([this](httplib::Server& s) {
          s.set_tcp_nodelay(true);
          // Four kinds of answer, by the address's number: alive, moved by a redirect, moved by a
          // refresh tag, missing.
          s.Get(R"(/page/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
            ++requests_;
            const std::string number = req.matches[1].str();
            switch (std::stoi(number) % 4) {
              case 0: res.set_content("<html><title>Here</title></html>", "text/html"); return;
              case 1:
                res.status = 301;
                res.set_header("Location", Url("/new/" + number));
                return;
              case 2:
                res.set_content("<meta http-equiv=\"refresh\" content=\"0; url=" + Url("/new/" + number) + "\">",
                                "text/html");
                return;
              default: res.status = 404; return;
            }
          });
          s.Get(R"(/new/\d+)", [this](const httplib::Request&, httplib::Response& res) {
            ++requests_;
            res.set_content("<html><title>New</title></html>", "text/html");
          });
        }) {}

  std::string Url(const std::string& path) const { return ToUtf8(server_.Url(path)); }

  DirectConnections direct_;
  std::atomic<long> requests_{0};
  LoopbackServer server_;
};

TEST_F(RepairUnderLoadTest, TheRepairJobAndTheUserInterfaceThreadShareTheStoreWithoutALostRow) {
  const int divisor = LoadDivisor();
  const int addresses = 10000 / divisor;
  const int refreshes = 10000 / divisor;
  const int adds = 1000 / divisor;

  BandHarness harness(temp_, BandSettings{L"1", L"OR"});
  const std::wstring& folder = harness.DataFolder();
  std::string values;
  for (int i = 0; i < addresses; ++i) {
    if (!values.empty()) values += ", ";
    values += "('" + Url("/page/" + std::to_string(i)) + "', 'Sites', 'site " + std::to_string(i) + "')";
  }
  ExecuteSql(folder, "insert into LinksCategory(Category) values ('Sites')");
  ExecuteSql(folder, "insert into LinksData(HomePage, Category, Description) values " + values);
  harness.Open(harness.Page("visited.html", "Visited"));
  const long long historyBefore = QueryCount(folder, "History");
  boxes_.clear();

  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  auto statusSink = MakeCounted<RecordingSink>();
  statusSink->Connect(harness.Browser().Browser());
  boxes_.Answer(IDYES);
  harness.Choose(ID_MENU_REPAIR);
  ASSERT_TRUE(toolbar.RepairJobRunning());
  const auto started = std::chrono::steady_clock::now();

  int added = 0;
  for (int i = 0; i < refreshes; ++i) {
    toolbar.UpdateScreen();
    if (i % (refreshes / adds) == 0 && added < adds) {
      ASSERT_TRUE(toolbar.Database()->AddBookmark(L"http://added.example/" + std::to_wstring(added), L"Added",
                                                  L"added " + std::to_wstring(added)));
      ++added;
    }
    if (i % 64 == 0) PumpMessages();
  }
  const auto uiDone = std::chrono::steady_clock::now();
  const long requestsDuringTheRefreshes = requests_;
  // A generous bound: the job ends within seconds on its own.
  ASSERT_TRUE(harness.WaitForRepair(240s));
  const auto ended = std::chrono::steady_clock::now();
  using ms = std::chrono::milliseconds;
  std::cout << "[ figure   ] " << refreshes << " refreshes and " << adds << " adds took "
            << std::chrono::duration_cast<ms>(uiDone - started).count() << " ms; the repair of " << addresses
            << " addresses took " << std::chrono::duration_cast<ms>(ended - started).count() << " ms ("
            << requests_.load() << " requests, " << requestsDuringTheRefreshes << " of them during the refreshes)\n";

  // The job's progress reached the status bar at its own pace, not once a link, then what it did.
  statusSink->Disconnect();
  std::vector<std::wstring> status;
  for (const RecordedEvent& event : statusSink->events)
    if (event.dispId == DISPID_STATUSTEXTCHANGE) status.push_back(std::get<std::wstring>(event.arguments[0].value));
  const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(ended - started).count() / 100;
  std::cout << "[ figure   ] " << status.size() << " status texts\n";
  ASSERT_GE(status.size(), 2u);
  EXPECT_LE(status.size(), static_cast<size_t>(tenths) + 2);
  EXPECT_TRUE(status.front().starts_with(L"Checking link ")) << status.front();
  const int moved = addresses / 4 + (addresses % 4 > 1) + addresses / 4 + (addresses % 4 > 2);
  // The job lists the addresses as it starts, so the first adds may be among them, unreachable.
  EXPECT_TRUE(status.back().starts_with(L"Repair finished: " + std::to_wstring(moved) + L" moved, ")) << status.back();
  EXPECT_TRUE(status.back().ends_with(L" unchanged.")) << status.back();

  // Shown: only the question that started the job. Nothing else, no store error.
  EXPECT_EQ(boxes_.count(), 1u);
  EXPECT_EQ(added, adds);
  EXPECT_EQ(QueryCount(folder, "LinksData"), addresses + adds);
  EXPECT_EQ(QueryCount(folder, "History"), historyBefore + refreshes);
  EXPECT_EQ(QueryText(folder, "select count(*) from LinksData where HomePage like '%/new/%'"), std::to_string(moved));
  EXPECT_EQ(QueryText(folder, "select count(*) from LinksData where Category = 'Added'"), std::to_string(adds));
  // Each moved address went to its own new place, and nothing else changed.
  for (const auto& row : QueryRows(folder, "select Description, HomePage from LinksData where Category = 'Sites'")) {
    const std::string number = ToUtf8(row[0]).substr(5);
    const bool moved = std::stoi(number) % 4 == 1 || std::stoi(number) % 4 == 2;
    EXPECT_EQ(ToUtf8(row[1]), Url((moved ? "/new/" : "/page/") + number));
  }
}

}  // namespace
