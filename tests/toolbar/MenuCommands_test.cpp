// The setup menu's commands as a person chooses them under the Options button, on real pages
// with a real store: the form switches, the pages they open, the confirmations answered Yes and
// No, import and export through a Favorites folder of the test's own with their status-bar
// texts, and the repair job started, refused, ended and stopped at the browser's quit.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <mutex>

#include "host/engine/Url.h"
#include "platform/text/WideText.h"
#include "tests/reports/PageTestSupport.h"
#include "tests/support/BandHarness.h"
#include "tests/support/HeldAnswer.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Rows = std::vector<std::vector<std::wstring>>;
using Texts = std::vector<std::wstring>;

class MenuCommandsTest : public IsolatedTest {
 protected:
  MenuCommandsTest() : home_("HOME", temp_.path().c_str()) {}

  static bool Greyed(CTesselToolBarCtrl& toolbar, UINT id) {
    return GetMenuState(toolbar.SetupMenu(), id, MF_BYCOMMAND) & MF_GRAYED;
  }
  static void Store(const std::wstring& dataFolder, const std::string& address, const std::string& category,
                    const std::string& description) {
    ExecuteSql(dataFolder, "insert into LinksCategory(Category) select '" + category +
                               "' where not exists (select 1 from LinksCategory where Category = '" + category + "')");
    ExecuteSql(dataFolder, "insert into LinksData(HomePage, Category, Description) values ('" + address + "', '" +
                               category + "', '" + description + "')");
  }
  static Rows Bookmarks(const std::wstring& dataFolder) {
    return QueryRows(dataFolder, "select Category, Description, HomePage from LinksData order by HomePage");
  }
  fs::path Favorites() const { return temp_.path() / "Favorites"; }
  void WriteShortcut(const fs::path& relative, const std::string& url) {
    fs::create_directories((Favorites() / relative).parent_path());
    std::ofstream(Favorites() / relative, std::ios::binary) << "[InternetShortcut]\r\nURL=" << url << "\r\n";
  }

  // The status-bar texts the browser told its listeners about since the recorder was connected.
  class StatusTexts {
   public:
    explicit StatusTexts(BandHarness& harness) : browser_(harness.Browser().Browser()) {
      sink_->Connect(browser_);
    }
    ~StatusTexts() { sink_->Disconnect(); }
    Texts texts() const {
      Texts texts;
      for (const RecordedEvent& event : sink_->events)
        if (event.dispId == DISPID_STATUSTEXTCHANGE) texts.push_back(std::get<std::wstring>(event.arguments[0].value));
      return texts;
    }

   private:
    IWebBrowser2* browser_;
    CComPtr<RecordingSink> sink_ = MakeCounted<RecordingSink>();
  };

  ScopedEnv home_;
};

TEST_F(MenuCommandsTest, TheFormSwitchesMarkTheSavedFormsOfExactlyThePageShown) {
  BandHarness harness(temp_);
  harness.Open(harness.Page("login.html", "Login"));
  const std::string address = ToUtf8(harness.Location());
  ExecuteSql(harness.DataFolder(), "insert into FormURL(URL, FormName, Active, domain, action) values ('" + address +
                                       "', 'f', 1, 'd', 'a'), ('" + address + "', 'g', 1, 'd', 'a'), ('" + address +
                                       "/', 'f', 1, 'd', 'a')");
  const std::string active = "select group_concat(Active, '') from (select Active from FormURL order by ID)";

  harness.Choose(ID_MENU_DISABLE_FORMS);
  EXPECT_EQ(QueryText(harness.DataFolder(), active), "001");
  harness.Choose(ID_MENU_ENABLE_FORMS);
  EXPECT_EQ(QueryText(harness.DataFolder(), active), "111");
  // Nothing to say, and the menu's texts stay as they were.
  EXPECT_EQ(boxes_.count(), 0u);
  EXPECT_FALSE(Greyed(harness.Toolbar(), ID_MENU_ENABLE_FORMS) || Greyed(harness.Toolbar(), ID_MENU_DISABLE_FORMS));
}

TEST_F(MenuCommandsTest, ListAllAndDisplayHistoryOpenTheirPagesInTheBrowser) {
  BandHarness harness(temp_);
  Store(harness.DataFolder(), "http://b.example/", "News", "Zebra");
  Store(harness.DataFolder(), "http://a.example/", "Food", "Apple");
  ExecuteSql(harness.DataFolder(), "insert into History(URL, Title) values ('http://h.example/', 'Visited')");
  const std::wstring pagePath = harness.DataFolder() + L"/Bookmark.html";

  harness.Choose(ID_MENU_LIST_ALL);
  EXPECT_EQ(harness.Location(), FileUrlFromPath(pagePath));
  std::wstring page = ReadPage(pagePath);
  // Ordered by description.
  EXPECT_NE(page.find(BookmarkRow(L"Apple", L"http://a.example/") + BookmarkRow(L"Zebra", L"http://b.example/")),
            std::wstring::npos);

  harness.Open(harness.Page("other.html", "Other"));
  harness.Choose(ID_MENU_DISPLAY_HISTORY);
  EXPECT_EQ(harness.Location(), FileUrlFromPath(pagePath));
  page = ReadPage(pagePath);
  EXPECT_NE(page.find(L"http://h.example/"), std::wstring::npos);
  EXPECT_EQ(page.find(L"http://a.example/"), std::wstring::npos);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(MenuCommandsTest, HelpAndAboutOpenTheDataFoldersPagesWhetherOrNotTheyAreThere) {
  BandHarness harness(temp_);
  fs::create_directories(fs::path(ToUtf8(harness.DataFolder())) / "help");
  WriteFile(fs::path(ToUtf8(harness.DataFolder())) / "help" / "help.html", "<title>Help</title>");

  harness.Choose(ID_MENU_HELP);
  EXPECT_EQ(harness.Location(), FileUrlFromPath(harness.DataFolder() + L"/help/help.html"));
  EXPECT_EQ(GetWindowString(harness.Toolbar().SearchBox()), L"Help");
  // No about page: the browser has its own answer for it, and the toolbar says nothing.
  harness.Choose(ID_MENU_ABOUT);
  EXPECT_EQ(harness.Location(), FileUrlFromPath(harness.DataFolder() + L"/help/about.html"));
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(MenuCommandsTest, ClearHistoryAsksFirstAndClearsOnlyOnYes) {
  BandHarness harness(temp_);
  ExecuteSql(harness.DataFolder(), "insert into History(URL, Title) values ('http://h.example/', 'Visited')");

  boxes_.Answer(IDNO);
  harness.Choose(ID_MENU_CLEAR_HISTORY);
  auto shown = boxes_.boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, L"Do you want to clear history?");
  EXPECT_EQ(shown[0].caption, L"Clear history");
  EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(shown[0].owner, harness.Toolbar().GetSafeHwnd());
  EXPECT_EQ(QueryCount(harness.DataFolder(), "History"), 1);

  boxes_.Answer(IDYES);
  harness.Choose(ID_MENU_CLEAR_HISTORY);
  EXPECT_EQ(QueryCount(harness.DataFolder(), "History"), 0);
  EXPECT_EQ(boxes_.count(), 2u);
}

TEST_F(MenuCommandsTest, DeleteCategoryNeedsACategoryAsksInThreePiecesAndRefreshesTheList) {
  BandHarness harness(temp_);
  Store(harness.DataFolder(), "http://a.example/", "Old \"news\"", "A");
  Store(harness.DataFolder(), "http://b.example/", "Old \"news\"", "B");
  Store(harness.DataFolder(), "http://c.example/", "Keep", "C");
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  toolbar.RefreshCategoryList();

  harness.Choose(ID_MENU_DELETE_CATEGORY);
  EXPECT_EQ(boxes_.texts(), Texts{L"Please select category to delete."});
  EXPECT_EQ(boxes_.boxes()[0].caption, L"PendrelBand");
  boxes_.clear();

  SetWindowTextW(toolbar.CategoryBox(), L"Old \"news\"");
  boxes_.Answer(IDNO);
  harness.Choose(ID_MENU_DELETE_CATEGORY);
  auto shown = boxes_.boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text,
            L"This category \"Old \"news\"\" and\nall bookmarks under this category will be erased.\n\tAre you sure?");
  EXPECT_EQ(shown[0].caption, L"Delete Category");
  EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(shown[0].owner, toolbar.GetSafeHwnd());
  EXPECT_EQ(QueryCount(harness.DataFolder(), "LinksData"), 3);
  EXPECT_EQ(GetWindowString(toolbar.CategoryBox()), L"Old \"news\"");

  boxes_.Answer(IDYES);
  harness.Choose(ID_MENU_DELETE_CATEGORY);
  EXPECT_EQ(Bookmarks(harness.DataFolder()), (Rows{{L"Keep", L"C", L"http://c.example/"}}));
  EXPECT_EQ(QueryColumn(harness.DataFolder(), "select Category from LinksCategory"), Texts{L"Keep"});
  EXPECT_EQ(BandHarness::ListOf(toolbar.CategoryBox()), Texts{L"Keep"});
  EXPECT_EQ(GetWindowString(toolbar.CategoryBox()), L"");
  EXPECT_EQ(boxes_.count(), 2u);
}

TEST_F(MenuCommandsTest, ImportShowsEachShortcutAndAddressInTurnAndReloadsTheCategoryList) {
  BandHarness harness(temp_);
  WriteShortcut("Top.url", "http://top.example/");
  WriteShortcut("Work/Projects/Plan.url", "http://plan.example/");
  WriteShortcut("Work/Wiki.url", "http://wiki.example/");
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  SetWindowTextW(toolbar.CategoryBox(), L"typed");

  StatusTexts status(harness);
  harness.Choose(ID_MENU_IMPORT);
  // The walk goes depth first, the names sorted; the store takes the records in that order.
  EXPECT_EQ(status.texts(), (Texts{L"Importing bookmarks... Please wait.", L"Resolving address Top.url...",
                                   L"Resolving address Plan.url...", L"Resolving address Wiki.url...",
                                   L"Processing address http://top.example/...",
                                   L"Processing address http://plan.example/...",
                                   L"Processing address http://wiki.example/...",
                                   L"Successfully imported from IE bookmarks"}));
  EXPECT_EQ(Bookmarks(harness.DataFolder()), (Rows{{L"Projects", L"Plan", L"http://plan.example/"},
                                                   {L"Favorites", L"Top", L"http://top.example/"},
                                                   {L"Work", L"Wiki", L"http://wiki.example/"}}));
  Texts list = BandHarness::ListOf(toolbar.CategoryBox());
  std::sort(list.begin(), list.end());
  EXPECT_EQ(list, (Texts{L"Favorites", L"Projects", L"Work"}));
  EXPECT_EQ(GetWindowString(toolbar.CategoryBox()), L"typed");
  EXPECT_EQ(boxes_.count(), 0u);

  // Once more: nothing new is stored, and the import still ends as it should.
  harness.Choose(ID_MENU_IMPORT);
  EXPECT_EQ(QueryCount(harness.DataFolder(), "LinksData"), 3);
  EXPECT_EQ(status.texts().back(), L"Successfully imported from IE bookmarks");
}

TEST_F(MenuCommandsTest, ImportOfAnEmptyFavoritesFolderShowsTheStartAndTheEndOnly) {
  BandHarness harness(temp_);
  Store(harness.DataFolder(), "http://a.example/", "Food", "Apple");
  harness.Toolbar().RefreshCategoryList();
  StatusTexts status(harness);
  harness.Choose(ID_MENU_IMPORT);
  EXPECT_EQ(status.texts(),
            (Texts{L"Importing bookmarks... Please wait.", L"Successfully imported from IE bookmarks"}));
  EXPECT_EQ(BandHarness::ListOf(harness.Toolbar().CategoryBox()), Texts{L"Food"});
  EXPECT_TRUE(fs::is_directory(Favorites()));
}

TEST_F(MenuCommandsTest, AnImportThatCannotReadAShortcutStoresNothingAndIsReported) {
  BandHarness harness(temp_);
  WriteShortcut("Good.url", "http://good.example/");
  fs::create_directories(Favorites() / "Odd");
  WriteFile(Favorites() / "Odd" / "notes.url.txt", "plain notes, no shortcut");
  StatusTexts status(harness);
  harness.Choose(ID_MENU_IMPORT);
  EXPECT_EQ(QueryCount(harness.DataFolder(), "LinksData"), 0);
  ASSERT_EQ(boxes_.count(), 1u);
  EXPECT_TRUE(boxes_.texts()[0].starts_with(L"CTesselToolBarCtrl::OnMenuCommand failed")) << ToUtf8(boxes_.texts()[0]);
  EXPECT_NE(status.texts().back(), L"Successfully imported from IE bookmarks");
}

TEST_F(MenuCommandsTest, ExportWritesEveryBookmarkAndSaysSuccessOnlyWhenEveryOneHasItsShortcut) {
  BandHarness harness(temp_);
  auto exportAll = [&harness] {
    StatusTexts status(harness);
    harness.Choose(ID_MENU_EXPORT);
    return status.texts();
  };
  // An empty store shows the start and the end only.
  EXPECT_EQ(exportAll(), (Texts{L"Exporting bookmarks... Please wait.", L"Successfully exported to IE bookmarks"}));
  Store(harness.DataFolder(), "http://b.example/", "News", "Paper: daily");
  Store(harness.DataFolder(), "http://a.example/", "Favorites", "Top");
  EXPECT_EQ(exportAll(),
            (Texts{L"Exporting bookmarks... Please wait.", L"Processing address http://a.example/...",
                   L"Processing address http://b.example/...", L"Resolving address http://a.example/...",
                   L"Resolving address http://b.example/...", L"Successfully exported to IE bookmarks"}));
  EXPECT_TRUE(fs::is_regular_file(Favorites() / "Top.url"));
  EXPECT_TRUE(fs::is_regular_file(Favorites() / "News" / "Paper  daily.url"));

  Store(harness.DataFolder(), "http://c.example/", "News", "Paper");
  Store(harness.DataFolder(), "http://d.example/", "News", "Paper");
  EXPECT_EQ(exportAll().back(), L"Successfully exported to IE bookmarks");
  EXPECT_TRUE(fs::is_regular_file(Favorites() / "News" / "Paper.url"));
  EXPECT_TRUE(fs::is_regular_file(Favorites() / "News" / "Paper (2).url"));

  WriteFile(Favorites() / "Blocked", "a file where the category folder would go");
  Store(harness.DataFolder(), "http://e.example/", "Blocked", "One");
  EXPECT_EQ(exportAll().back(), L"Exported to IE bookmarks; 1 bookmark could not be written.");
  Store(harness.DataFolder(), "http://f.example/", "Blocked", "Two");
  EXPECT_EQ(exportAll().back(), L"Exported to IE bookmarks; 2 bookmarks could not be written.");
  EXPECT_EQ(boxes_.count(), 0u);
}

// A server whose /hang page holds its answer until the test lets it go (or 20 s have passed),
// and then reports a move that a stopped job must never store.
class RepairCommandTest : public MenuCommandsTest {
 protected:
  RepairCommandTest()
      : server_([this](httplib::Server& s) {
          s.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
            {
              std::lock_guard lock(mutex_);
              requested_.push_back(req.path);
            }
            if (req.path == "/hang") held_.Hold();
            if (req.path == "/hang" || req.path == "/moved") {
              res.status = 301;
              res.set_header("Location", ToUtf8(server_.Url("/new")));
              return;
            }
            if (req.path == "/new") {
              res.set_content("<title>New</title>", "text/html");
              return;
            }
            res.status = 404;
          });
        }) {}
  ~RepairCommandTest() override { Release(); }

  void Release() { held_.Release(); }
  bool WaitUntilHanging() { return held_.WaitUntilHeld(); }
  bool StillHanging() { return held_.StillHeld(); }
  long Requests(const std::string& path) {
    std::lock_guard lock(mutex_);
    return std::count(requested_.begin(), requested_.end(), path);
  }
  std::string Url(const std::string& path) const { return ToUtf8(server_.Url(path)); }

  DirectConnections direct_;
  std::mutex mutex_;
  HeldAnswer held_;
  std::vector<std::string> requested_;
  LoopbackServer server_;
};

TEST_F(RepairCommandTest, RepairAsksFirstRunsInTheBackgroundShowsItsProgressAndCanRunAgainAfterItsEnd) {
  BandHarness harness(temp_);
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  Store(harness.DataFolder(), Url("/moved"), "A", "one");
  Store(harness.DataFolder(), Url("/moved"), "B", "two");
  Store(harness.DataFolder(), Url("/gone"), "A", "dead");
  Store(harness.DataFolder(), "http://127.0.0.1:1/", "A", "unreachable");  // nothing listens there

  boxes_.Answer(IDNO);
  harness.Choose(ID_MENU_REPAIR);
  auto shown = boxes_.boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, L"Repairing bookmarks will start in the background.\n            Do you want to proceed?");
  EXPECT_EQ(shown[0].caption, L"Repair bookmarks");
  EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(shown[0].owner, toolbar.GetSafeHwnd());
  EXPECT_FALSE(toolbar.RepairJobRunning());
  EXPECT_FALSE(Greyed(toolbar, ID_MENU_REPAIR));
  EXPECT_EQ(Requests("/moved") + Requests("/gone"), 0);

  StatusTexts status(harness);
  boxes_.Answer(IDYES);
  harness.Choose(ID_MENU_REPAIR);
  ASSERT_TRUE(harness.WaitForRepair());
  EXPECT_FALSE(Greyed(toolbar, ID_MENU_REPAIR));
  EXPECT_EQ(Bookmarks(harness.DataFolder()),
            (Rows{{L"A", L"unreachable", L"http://127.0.0.1:1/"}, {L"A", L"dead", FromUtf8(Url("/gone"))},
                  {L"A", L"one", FromUtf8(Url("/new"))}, {L"B", L"two", FromUtf8(Url("/new"))}}));
  // The status bar shows what the job did, and before that only which link it is at when the
  // toolbar shows it: in order, not more than once a link.
  Texts texts = status.texts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts.back(), L"Repair finished: 2 moved, 1 could not be reached, 1 unchanged.");
  texts.pop_back();
  EXPECT_LE(texts.size(), 4u);
  for (const std::wstring& text : texts)
    EXPECT_TRUE(text.starts_with(L"Checking link ") && text.ends_with(L" of 4...")) << text;
  EXPECT_TRUE(std::is_sorted(texts.begin(), texts.end()));

  // A second job after the first: it finds the moved address again and rewrites it.
  ExecuteSql(harness.DataFolder(), "update LinksData set HomePage = '" + Url("/moved") + "' where Category = 'B'");
  boxes_.Answer(IDYES);
  harness.Choose(ID_MENU_REPAIR);
  ASSERT_TRUE(harness.WaitForRepair());
  EXPECT_EQ(QueryCount(harness.DataFolder(), "LinksData"), 4);
  EXPECT_EQ(QueryText(harness.DataFolder(), "select HomePage from LinksData where Category = 'B'"), Url("/new"));
  EXPECT_EQ(status.texts().back(), L"Repair finished: 1 moved, 1 could not be reached, 2 unchanged.");  // afresh
  EXPECT_EQ(boxes_.count(), 3u);
}

TEST_F(RepairCommandTest, WhileAJobRunsRepairIsGreyedAndASecondJobIsRefused) {
  BandHarness harness(temp_);
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  Store(harness.DataFolder(), Url("/hang"), "A", "slow");
  boxes_.Answer(IDYES);
  harness.Choose(ID_MENU_REPAIR);
  ASSERT_TRUE(WaitUntilHanging());
  EXPECT_TRUE(Greyed(toolbar, ID_MENU_REPAIR));
  EXPECT_TRUE(toolbar.RepairJobRunning());

  // The greyed entry cannot be chosen; the command asked for all the same starts no second job.
  harness.Choose(ID_MENU_REPAIR);
  EXPECT_EQ(boxes_.count(), 1u);
  boxes_.Answer(IDYES);
  toolbar.OnMenuCommand(ID_MENU_REPAIR);
  EXPECT_TRUE(Greyed(toolbar, ID_MENU_REPAIR));

  // Let go, the job stores the move and ends.
  Release();
  ASSERT_TRUE(harness.WaitForRepair());
  EXPECT_EQ(Requests("/hang"), 1);
  EXPECT_EQ(QueryText(harness.DataFolder(), "select HomePage from LinksData"), Url("/new"));
  EXPECT_FALSE(Greyed(toolbar, ID_MENU_REPAIR));
}

TEST_F(RepairCommandTest, TheBrowsersQuitEndsAJobThatWaitsOnAServerWithoutStoringItsAnswer) {
  BandHarness harness(temp_);
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  Store(harness.DataFolder(), Url("/hang"), "A", "slow");
  Store(harness.DataFolder(), Url("/moved"), "A", "after");  // after /hang in address order
  boxes_.Answer(IDYES);
  harness.Choose(ID_MENU_REPAIR);
  ASSERT_TRUE(WaitUntilHanging());

  harness.Browser().Quit();
  PumpMessages();
  // The job is over while the server still holds its request: the quit did not wait for it.
  EXPECT_FALSE(toolbar.RepairJobRunning());
  EXPECT_TRUE(StillHanging());
  EXPECT_FALSE(Greyed(toolbar, ID_MENU_REPAIR));
  Release();
  EXPECT_EQ(QueryColumn(harness.DataFolder(), "select HomePage from LinksData order by HomePage"),
            (Texts{FromUtf8(Url("/hang")), FromUtf8(Url("/moved"))}));
  EXPECT_EQ(Requests("/moved"), 0);
  EXPECT_EQ(boxes_.count(), 1u);
}

TEST_F(RepairCommandTest, ABandClosedWhileAJobWaitsOnAServerStopsTheJob) {
  BandHarness harness(temp_);
  Store(harness.DataFolder(), Url("/hang"), "A", "slow");
  boxes_.Answer(IDYES);
  harness.Choose(ID_MENU_REPAIR);
  ASSERT_TRUE(WaitUntilHanging());
  harness.Band()->CloseDW(0);
  harness.Band()->SetSite(nullptr);
  harness.Band().reset();
  EXPECT_TRUE(StillHanging());
  Release();
  EXPECT_EQ(QueryText(harness.DataFolder(), "select HomePage from LinksData"), Url("/hang"));
}

}  // namespace
