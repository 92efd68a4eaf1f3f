// A process killed outright (SIGKILL) while it writes the store: in the middle of an import of
// ten thousand Favorites shortcuts and in the middle of a repair run. The child is a real
// process, killed at a point it has reported, not after a guessed pause. Afterwards the file
// passes SQLite's integrity check, the store opens on it, and every bookmark that was there
// before is still there.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <mutex>

#include <sys/wait.h>

#include "store/CBookmarkDatabase.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/HeldAnswer.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::wstring>>;

class KilledMidwayTest : public IsolatedTest {
 protected:
  KilledMidwayTest() : home_("HOME", temp_.path().c_str()), dataFolder_(MakeTestDataFolder(temp_)) {}

  void StoreBookmarks(const std::string& prefix, int count) {
    std::string values;
    for (int i = 0; i < count; ++i) {
      if (!values.empty()) values += ", ";
      values += "('" + prefix + std::to_string(i) + "', 'Before', 'bookmark " + std::to_string(i) + "')";
    }
    ExecuteSql(dataFolder_, "insert into LinksCategory(Category) values ('Before')");
    ExecuteSql(dataFolder_, "insert into LinksData(HomePage, Category, Description) values " + values);
  }
  Rows Bookmarks() const {
    return QueryRows(dataFolder_, "select Category, Description, HomePage from LinksData order by HomePage");
  }
  std::string DataFolderUtf8() const { return ToUtf8(dataFolder_); }

  // The file is sound and the store opens on it.
  void ExpectSoundStore() {
    EXPECT_EQ(QueryText(dataFolder_, "pragma integrity_check"), "ok");
    auto store = MakeCounted<CBookmarkDatabase>(dataFolder_);
    EXPECT_TRUE(store->IsConnected());
    std::vector<std::wstring> addresses;
    store->ListAddresses(addresses);
    EXPECT_EQ(static_cast<long long>(addresses.size()), QueryCount(dataFolder_, "LinksData"));
  }

  ScopedEnv home_;
  std::wstring dataFolder_;
};

TEST_F(KilledMidwayTest, AnImportOfTenThousandShortcutsKilledHalfWayLosesNothingStoredBefore) {
  constexpr int kShortcuts = 10000;
  StoreBookmarks("http://before.example/", 200);
  const Rows before = Bookmarks();
  for (int folder = 0; folder < 10; ++folder) {
    const fs::path dir = temp_.path() / "Favorites" / ("Folder " + std::to_string(folder));
    fs::create_directories(dir);
    for (int i = 0; i < kShortcuts / 10; ++i)
      std::ofstream(dir / ("Site " + std::to_string(i) + ".url"))
          << "[InternetShortcut]\r\nURL=http://site.example/" << folder << "/" << i << "\r\n";
  }

  {
    ChildProcess importer(TestChildProgram(), {"import", DataFolderUtf8()});
    for (int i = 0; i < kShortcuts / 2; ++i) ASSERT_EQ(importer.ReadLine(), "record") << "record " << i;
    importer.Kill();
    int status = importer.Wait();
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  }
  ExpectSoundStore();
  // The import was one transaction: none of it stayed, and everything before it did.
  EXPECT_EQ(Bookmarks(), before);

  // The next import runs to its end on the same file.
  ChildProcess again(TestChildProgram(), {"import", DataFolderUtf8()});
  std::optional<std::string> line;
  while ((line = again.ReadLine()) && *line == "record") {
  }
  EXPECT_EQ(line, "done");
  EXPECT_EQ(again.Wait(), 0);
  EXPECT_EQ(QueryCount(dataFolder_, "LinksData"), 200 + kShortcuts);
  ExpectSoundStore();
}

TEST_F(KilledMidwayTest, ARepairRunKilledWhileItRewritesAddressesKeepsEveryBookmark) {
  constexpr int kAddresses = 300;
  constexpr int kKilledAt = 150;
  DirectConnections direct;
  HeldAnswer held;
  std::mutex mutex;
  int requests = 0;
  LoopbackServer server([&](httplib::Server& s) {
    s.Get(R"(/moved/(\d+))", [&](const httplib::Request& req, httplib::Response& res) {
      int seen;
      {
        std::lock_guard lock(mutex);
        seen = ++requests;
      }
      // The child waits for this answer while the test kills it.
      if (seen == kKilledAt) held.Hold();
      res.status = 301;
      res.set_header("Location", ToUtf8(server.Url("/live/" + req.matches[1].str())));
    });
    s.Get(R"(/live/\d+)", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<p>here</p>", "text/html");
    });
  });
  // Addresses sort as they are numbered, so the job walks them in this order.
  std::string values;
  for (int i = 0; i < kAddresses; ++i) {
    char number[8];
    std::snprintf(number, sizeof number, "%04d", i);
    if (!values.empty()) values += ", ";
    values += "('" + ToUtf8(server.Url("/moved/" + std::string(number))) + "', 'Sites', 'site " + number + "')";
  }
  ExecuteSql(dataFolder_, "insert into LinksData(HomePage, Category, Description) values " + values);
  const Rows before = Bookmarks();

  {
    ChildProcess repair(TestChildProgram(), {"repair", DataFolderUtf8()});
    ASSERT_TRUE(held.WaitUntilHeld());
    repair.Kill();
    int status = repair.Wait();
    held.Release();
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  }
  ExpectSoundStore();
  // Every bookmark is there, each under its old address or the one the run gave it before it died.
  const Rows after = Bookmarks();
  ASSERT_EQ(after.size(), before.size());
  long long repaired = 0;
  for (size_t i = 0; i < after.size(); ++i) {
    std::wstring expected = before[i][2];
    const bool rewritten = after[i][2] != expected;
    if (rewritten) {
      ++repaired;
      expected.replace(expected.find(L"/moved/"), 7, L"/live/");
    }
    EXPECT_EQ(after[i][2], expected);
    EXPECT_EQ(after[i][1], before[i][1]);
  }
  EXPECT_EQ(repaired, kKilledAt - 1);
}

}  // namespace
