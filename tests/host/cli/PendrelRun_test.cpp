// `pendrel run` and `pendrel [ADDRESS]` as a person or a script runs them: the built program in a
// fresh home with `pendrel install` done first, pages from a server on 127.0.0.1, and the lines
// it prints, the database file and the generated page file checked afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "host/engine/Url.h"
#include "platform/registry/RegistryKey.h"
#include "platform/text/WideText.h"
#include "tests/support/HeldAnswer.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace {

using Lines = std::vector<std::string>;

struct RunResult {
  int status = -1;
  Lines lines;
  bool Has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
  bool HasStarting(const std::string& start) const {
    for (const auto& line : lines)
      if (line.starts_with(start)) return true;
    return false;
  }
  // The lines from the first that starts with `start` on, `count` of them (fewer at the end).
  Lines From(const std::string& start, size_t count) const {
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i].starts_with(start)) return Lines(lines.begin() + i, lines.begin() + std::min(lines.size(), i + count));
    return {};
  }
  std::string Text() const {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
  }
};

class PendrelRunTest : public IsolatedTest {
 protected:
  PendrelRunTest()
      : server_([this](httplib::Server& server) {
          auto page = [](const std::string& title, const std::string& body = "") {
            return [=](const httplib::Request&, httplib::Response& response) {
              response.set_content("<html><head><title>" + title + "</title></head><body>" + body + "</body></html>",
                                   "text/html");
            };
          };
          server.Get("/a", page("Page A", "<a href='/b/'>To B</a><form action='/c'><input name=q></form>"));
          server.Get("/b/", page("Page B"));
          server.Get("/c", page("Page C"));
          server.Get("/s", page("S"));
          server.Get("/login", page("Sign in",
                                    "<form name=login action='/done'><input name=user><input type=password name=pass>"
                                    "<input type=hidden name=token value=t><input type=submit name=go></form>"));
          server.Get("/done", page("Signed in"));
          // A moved page, and one that holds its answer until the test ends (at most 20 s) and
          // then reports a move that a job stopped at the quit must never store.
          server.Get("/old", [this](const httplib::Request&, httplib::Response& response) {
            response.set_redirect(Url("/b/"), 301);
          });
          server.Get("/hang", [this](const httplib::Request&, httplib::Response& response) {
            held_.Hold();
            response.set_redirect(Url("/b/"), 301);
          });
          // A page that comes once the job's request waits in /hang (at most 10 s).
          server.Get("/after-hang", [this](const httplib::Request&, httplib::Response& response) {
            held_.WaitUntilHeld();
            response.set_content("<title>After</title>", "text/html");
          });
        }) {
    Remember("HOME");
    Remember("XDG_DATA_HOME");
    ::setenv("HOME", temp_.path().c_str(), 1);
    ::setenv("XDG_DATA_HOME", (temp_.path() / "share").c_str(), 1);
    RunResult install = RunPendrel("install --data '" + (temp_.path() / "data").string() + "'");
    EXPECT_EQ(install.status, 0) << install.Text();
  }
  ~PendrelRunTest() override {
    held_.Release();
    for (const auto& [name, value] : saved_) {
      if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
  }

  // Runs the program with `input` (a file; none: nothing) as its standard input.
  static RunResult RunPendrel(const std::string& args, const std::filesystem::path& input = "/dev/null") {
    std::string command = std::string(PENDREL_BIN_DIR) + "/pendrel " + args + " <'" + input.string() + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string output;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) output.append(buffer.data(), n);
    int status = ::pclose(pipe.release());
    RunResult result{WEXITSTATUS(status), {}};
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) result.lines.push_back(line);
    return result;
  }

  std::filesystem::path Script(const std::string& script) {
    std::filesystem::path file = temp_.path() / ("script" + std::to_string(++scripts_) + ".txt");
    std::ofstream(file, std::ios::binary) << script;
    return file;
  }
  RunResult Run(const std::string& script) { return RunPendrel("run '" + Script(script).string() + "'"); }

  static bool HasToolbar(const RunResult& run) { return !run.HasStarting("no toolbar: "); }

  std::string Url(const std::string& path) const { return ToUtf8(server_.Url(path)); }
  std::wstring DataFolder() const { return FromUtf8((temp_.path() / "data").string()); }
  std::string PageFileUrl() const { return ToUtf8(FileUrlFromPath(DataFolder() + L"/Bookmark.html")); }
  // The generated page, as text.
  std::string PageFile() const {
    std::string raw = ReadFileBytes(temp_.path() / "data" / "Bookmark.html");
    if (raw.starts_with("\xFF\xFE")) raw.erase(0, 2);
    return ToUtf8(FromUtf16LE(raw));
  }
  std::vector<std::vector<std::wstring>> Bookmarks() const {
    return QueryRows(DataFolder(), "select HomePage, Category, Description from LinksData order by HomePage");
  }

  bool StillHanging() { return held_.StillHeld(); }

  DirectConnections direct_;
  HeldAnswer held_;
  LoopbackServer server_;

 private:
  void Remember(const char* name) {
    const char* value = std::getenv(name);
    saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
  int scripts_ = 0;
};

TEST_F(PendrelRunTest, ScriptsAreReadLineByLineAndStopAtTheFirstError) {
  RunResult run = Run("# opening a page\n\nnavigate " + Url("/a") + "\r\n  # indented comment\npage\nbogus thing\nshow\n");
  EXPECT_EQ(run.status, 1) << run.Text();
  Lines expected = {"navigate: " + Url("/a"), "status: Opening page " + Url("/a") + "...", "status: Done",
                    "title: Page A", "text: To B", "link 1: To B -> " + Url("/b/"), "field: q = ",
                    "error: line 6: unknown command \"bogus\""};
  EXPECT_EQ(run.From("navigate: ", 100), expected);

  // Arguments take \n, \t and \\; a wrong argument is an error of its line.
  run = Run("navigate " + Url("/a") + "\nfill q one\\ttwo\\\\three\npage\nsubmit x\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.Has("field: q = one\\ttwo\\\\three")) << run.Text();
  EXPECT_EQ(run.lines.back(), "error: line 4: not a number for the form: \"x\"");

  for (const char* bad : {"type\n", "pick search\n", "click Nothing\n", "key search Escape\n", "answer maybe\n",
                          "wait forever\n", "show all\n", "follow\n", "navigate\n"}) {
    run = Run(bad);
    EXPECT_EQ(run.status, 1) << bad;
    EXPECT_TRUE(run.lines.back().starts_with("error: line 1: ")) << bad << run.Text();
  }

  // A script that cannot be opened, and pendrel run without one.
  run = RunPendrel("run '" + (temp_.path() / "missing.txt").string() + "'");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.HasStarting("error: cannot open the script ")) << run.Text();
  EXPECT_EQ(RunPendrel("run").status, 2);
}

TEST_F(PendrelRunTest, QuitEndsTheScriptAndStandardInputServesAsScript) {
  RunResult run = RunPendrel("run -", Script("navigate " + Url("/a") + "\nfollow To B\nquit\nbogus\n"));
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("navigate: " + Url("/b/")));
  EXPECT_FALSE(run.HasStarting("error:"));

  // pendrel ADDRESS without a terminal reads its commands from standard input and ends there.
  run = RunPendrel("'" + Url("/a") + "'", Script("fill q x y\nsubmit 0\nshow\n"));
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("navigate: " + Url("/c") + "?q=x+y")) << run.Text();
  EXPECT_TRUE(run.Has("location: " + Url("/c") + "?q=x+y"));
  EXPECT_TRUE(run.Has("title: Page C"));
}

TEST_F(PendrelRunTest, AddChangeAndDeleteTheBookmarkOfThePageShown) {
  std::string a = Url("/a");
  RunResult run = Run(
      "navigate " + a + "\n"
      "show\n"
      "click Add\n"                 // no category yet
      "type category News\n"
      "click Add\n"
      "navigate " + a + "\n"
      "show\n");
  ASSERT_TRUE(HasToolbar(run)) << run.Text();
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_EQ(run.From("location: ", 7),
            (Lines{"location: " + a, "title: Page A", "search: Page A", "search list: ", "category: ",
                   "category list: ", "buttons: Add=on Change=off Delete=off Options=on Show=on"}));
  EXPECT_TRUE(run.Has("box: PendrelBand | Please select category or add a new category."));
  EXPECT_TRUE(run.Has("box: PendrelBand | " + a + " is successfully added."));
  // The next load finds the page bookmarked; the new category is not in the list before the list
  // is next filled.
  Lines after = run.From("location: ", 100);
  after = Lines(after.begin() + 1, after.end());
  after = RunResult{0, after}.From("location: ", 7);
  EXPECT_EQ(after, (Lines{"location: " + a, "title: Page A", "search: Page A", "search list: ", "category: News",
                          "category list: ", "buttons: Add=on Change=on Delete=on Options=on Show=on"}));
  EXPECT_EQ(Bookmarks(), (std::vector<std::vector<std::wstring>>{{FromUtf8(a), L"News", L"Page A"}}));

  // Change with a new category and description: the list is refreshed and the box shows it.
  run = Run("navigate " + a + "\n"
            "type category\n"  // the caret goes to the end of "News"
            "key category Backspace\nkey category Backspace\nkey category Backspace\nkey category Backspace\n"
            "type category Sport\n"
            "type search  and more\n"
            "click Change\n"
            "show\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("box: PendrelBand | " + a + " is successfully updated.")) << run.Text();
  EXPECT_TRUE(run.Has("category: Sport"));
  EXPECT_TRUE(run.Has("category list: News|Sport") || run.Has("category list: Sport|News")) << run.Text();
  EXPECT_EQ(Bookmarks(), (std::vector<std::vector<std::wstring>>{{FromUtf8(a), L"Sport", L"Page A and more"}}));

  // Delete answered no (queued, then by default), then yes.
  run = Run("navigate " + a + "\nanswer no\nclick Delete\nclick Delete\nanswer yes\nclick Delete\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  std::string question = "question: Delete bookmark | Do you want to delete " + a + "?";
  EXPECT_EQ(run.From("question: ", 4),
            (Lines{question + " -> no", question + " -> no", question + " -> yes",
                   "box: PendrelBand | " + a + " is successfully deleted."}));
  EXPECT_TRUE(Bookmarks().empty());
}

TEST_F(PendrelRunTest, AddOfAnAddressStoredWithoutItsFinalSlashIsRefused) {
  std::string b = Url("/b/");
  std::string stored = b.substr(0, b.size() - 1);
  ExecuteSql(DataFolder(), "insert into LinksCategory (Category) values ('Old')");
  ExecuteSql(DataFolder(), "insert into LinksData values ('" + stored + "', 'Old', 'B')");
  RunResult run = Run("navigate " + b + "\ntype category New\nclick Add\nshow\n");
  ASSERT_TRUE(HasToolbar(run)) << run.Text();
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("box: PendrelBand | " + b + " already exists.")) << run.Text();
  EXPECT_FALSE(run.HasStarting("box: PendrelBand | " + b + " is successfully added."));
  EXPECT_EQ(Bookmarks().size(), 1u);
  // The page counts as bookmarked: its stored category and description show.
  EXPECT_TRUE(run.Has("buttons: Add=on Change=on Delete=on Options=on Show=on")) << run.Text();
}

TEST_F(PendrelRunTest, SearchWithOrAndAndAndShowACategory) {
  ExecuteSql(DataFolder(), "insert into LinksCategory (Category) values ('Cars'), ('Bikes')");
  ExecuteSql(DataFolder(),
             "insert into LinksData values ('http://red.car/', 'Cars', 'red car'), ('http://blue.car/', 'Cars', "
             "'blue car'), ('http://red.bike/', 'Bikes', 'red bike')");
  // The page "S" puts one letter in the search box; a click into the box and Backspace take it away.
  RunResult run = Run("navigate " + Url("/s") + "\ntype search\nkey search Backspace\ntype search red car\nkey search Enter\nshow\n");
  ASSERT_TRUE(HasToolbar(run)) << run.Text();
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("navigate: " + PageFileUrl())) << run.Text();
  EXPECT_TRUE(run.Has("location: " + PageFileUrl()));
  EXPECT_TRUE(run.Has("search list: red car"));
  std::string page = PageFile();
  for (const char* address : {"http://red.car/", "http://blue.car/", "http://red.bike/"})
    EXPECT_NE(page.find(address), std::string::npos) << address;

  // AND: only what has every word.
  run = Run("navigate " + Url("/s") + "\nmenu Switch to AND search condition\ntype search\nkey search Backspace\n"
            "type search red car\nkey search Enter\nshow\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("menu: Switch to AND search condition [checked] [greyed]")) << run.Text();
  page = PageFile();
  EXPECT_NE(page.find("http://red.car/"), std::string::npos);
  EXPECT_EQ(page.find("http://blue.car/"), std::string::npos);
  EXPECT_EQ(page.find("http://red.bike/"), std::string::npos);

  // Show lists the category in the box: picked from its list.
  run = Run("navigate " + Url("/s") + "\npick category 0\nclick Show\npage\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("navigate: " + PageFileUrl()));
  page = PageFile();
  EXPECT_NE(page.find("http://red.bike/"), std::string::npos);
  EXPECT_EQ(page.find("http://red.car/"), std::string::npos);
}

TEST_F(PendrelRunTest, EnterInTheCategoryBoxRenamesTheCategoryItHeld) {
  ExecuteSql(DataFolder(), "insert into LinksCategory (Category) values ('News')");
  ExecuteSql(DataFolder(), "insert into LinksData values ('http://n/', 'News', 'n')");
  RunResult run = Run("navigate " + Url("/s") + "\npick category 0\ntype category Daily\nkey category Enter\nshow\n");
  ASSERT_TRUE(HasToolbar(run)) << run.Text();
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("category list: NewsDaily")) << run.Text();
  EXPECT_TRUE(run.Has("category: "));
  EXPECT_EQ(QueryColumn(DataFolder(), "select Category from LinksCategory"), (std::vector<std::wstring>{L"NewsDaily"}));
  EXPECT_EQ(QueryColumn(DataFolder(), "select Category from LinksData"), (std::vector<std::wstring>{L"NewsDaily"}));
}

TEST_F(PendrelRunTest, MenuEntriesAreChosenByTextOrIdAndAGreyedOneIsAnError) {
  // A menu no command chose from is dismissed; an entry is chosen by its command id as well.
  RunResult run = Run("click Options\nshow\nmenu 32785\nshow\n");
  ASSERT_TRUE(HasToolbar(run)) << run.Text();
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_EQ(run.From("menu: Switch to OR", 2),
            (Lines{"menu: Switch to OR search condition [checked] [greyed]", "menu: Switch to AND search condition"}));
  Lines after = run.From("menu: Switch to OR", 100);
  RunResult second{0, Lines(after.begin() + 1, after.end())};
  EXPECT_EQ(second.From("menu: Switch to OR", 2),
            (Lines{"menu: Switch to OR search condition", "menu: Switch to AND search condition [checked] [greyed]"}));

  // The condition chosen is kept in the settings, so the next window starts with it.
  run = Run("menu Switch to AND search condition\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.lines.back(), "error: line 1: the menu entry \"Switch to AND search condition\" is greyed");
  run = Run("menu Nothing of the kind\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.lines.back(), "error: line 1: the Options menu has no entry \"Nothing of the kind\"");
}

TEST_F(PendrelRunTest, HistoryIsLoggedOnPageLoadsWhileTheLogIsOn) {
  RunResult run = Run("navigate " + Url("/a") + "\nshow\n");
  ASSERT_TRUE(HasToolbar(run)) << run.Text();
  EXPECT_TRUE(run.Has("menu: Enable History Log")) << run.Text();
  EXPECT_EQ(QueryCount(DataFolder(), "History"), 0);

  run = Run("menu Enable History Log\nnavigate " + Url("/a") + "\nnavigate " + Url("/b/") + "\nshow\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("menu: Disable History Log [checked]")) << run.Text();
  EXPECT_EQ(QueryRows(DataFolder(), "select URL, Title from History order by rowid"),
            (std::vector<std::vector<std::wstring>>{{server_.Url("/a"), L"Page A"}, {server_.Url("/b/"), L"Page B"}}));

  // The setting lasts; switched off by its command id, nothing more is logged.
  run = Run("menu 32783\nnavigate " + Url("/c") + "\nshow\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("menu: Enable History Log")) << run.Text();
  EXPECT_EQ(QueryCount(DataFolder(), "History"), 2);
}

TEST_F(PendrelRunTest, RepairRunsInTheBackgroundAndWaitRepairWaitsForItsEnd) {
  ExecuteSql(DataFolder(), "insert into LinksCategory (Category) values ('Sites')");
  ExecuteSql(DataFolder(), "insert into LinksData values ('" + Url("/old") + "', 'Sites', 'old'), ('" + Url("/gone") +
                               "', 'Sites', 'gone')");
  RunResult run = Run("wait repair\nmenu Repair broken and redirected links\nanswer yes\n"
                      "menu Repair broken and redirected links\nwait repair\nshow\n");
  ASSERT_TRUE(HasToolbar(run)) << run.Text();
  EXPECT_EQ(run.status, 0) << run.Text();
  const std::string question =
      "question: Repair bookmarks | Repairing bookmarks will start in the background.\\n            Do you want to "
      "proceed?";
  EXPECT_EQ(run.From("question: ", 2), (Lines{question + " -> no", question + " -> yes"})) << run.Text();
  EXPECT_TRUE(run.Has("menu: Repair broken and redirected links")) << run.Text();
  EXPECT_EQ(Bookmarks(), (std::vector<std::vector<std::wstring>>{{server_.Url("/b/"), L"Sites", L"old"},
                                                                 {server_.Url("/gone"), L"Sites", L"gone"}}));
}

TEST_F(PendrelRunTest, AScriptEndingWhileRepairWaitsOnAServerStopsTheJobUnwritten) {
  ExecuteSql(DataFolder(), "insert into LinksCategory (Category) values ('Sites')");
  ExecuteSql(DataFolder(), "insert into LinksData values ('" + Url("/hang") + "', 'Sites', 'slow')");
  // The entry is greyed while the job runs; choosing it is an error, which ends the script.
  RunResult run = Run("answer yes\nmenu Repair broken and redirected links\nnavigate " + Url("/after-hang") +
                      "\nshow\nmenu Repair broken and redirected links\n");
  ASSERT_TRUE(HasToolbar(run)) << run.Text();
  EXPECT_TRUE(run.Has("menu: Repair broken and redirected links [greyed]")) << run.Text();
  EXPECT_EQ(run.lines.back(), "error: line 5: the menu entry \"Repair broken and redirected links\" is greyed");
  // The program has ended while the server still holds the job's request.
  EXPECT_TRUE(StillHanging());
  EXPECT_EQ(Bookmarks(), (std::vector<std::vector<std::wstring>>{{server_.Url("/hang"), L"Sites", L"slow"}}));
}

TEST_F(PendrelRunTest, TheMenuOpensItsPagesAndAsksBeforeItClearsOrDeletes) {
  ExecuteSql(DataFolder(), "insert into LinksCategory (Category) values ('News'), ('Keep')");
  ExecuteSql(DataFolder(), "insert into LinksData values ('http://n/', 'News', 'Zebra'), ('http://k/', 'Keep', 'Apple')");
  ExecuteSql(DataFolder(), "insert into History (URL, Title) values ('http://h/', 'Visited')");
  RunResult run = Run("menu List all of bookmarks\npage\nmenu Display history\npage\nmenu Help...\n"
                      "menu About Company...\nshow\n"
                      "menu Clear history\nanswer yes\nmenu Clear history\n"
                      "menu Delete category\npick category 1\nanswer no\nmenu Delete category\nshow\n"
                      "answer yes\nmenu Delete category\nshow\n");
  ASSERT_TRUE(HasToolbar(run)) << run.Text();
  EXPECT_EQ(run.status, 0) << run.Text();
  const std::string help = ToUtf8(FileUrlFromPath(DataFolder() + L"/help/"));
  Lines navigations;
  for (const std::string& line : run.lines)
    if (line.starts_with("navigate: ")) navigations.push_back(line);
  EXPECT_EQ(navigations, (Lines{"navigate: " + PageFileUrl(), "navigate: " + PageFileUrl(),
                                "navigate: " + help + "help.html", "navigate: " + help + "about.html"}));
  EXPECT_TRUE(run.Has("link 1: http://k/ -> http://k/")) << run.Text();
  EXPECT_TRUE(run.Has("link 1: http://h/ -> http://h/")) << run.Text();
  EXPECT_TRUE(run.Has("location: " + help + "about.html"));

  EXPECT_EQ(run.From("question: Clear history", 2),
            (Lines{"question: Clear history | Do you want to clear history? -> no",
                   "question: Clear history | Do you want to clear history? -> yes"}));
  EXPECT_EQ(QueryCount(DataFolder(), "History"), 0);

  const std::string remove =
      "question: Delete Category | This category \"News\" and\\nall bookmarks under this category will be "
      "erased.\\n\\tAre you sure?";
  EXPECT_TRUE(run.Has("box: PendrelBand | Please select category to delete.")) << run.Text();
  EXPECT_EQ(run.From("question: Delete Category", 3), (Lines{remove + " -> no", "location: " + help + "about.html",
                                                             "title: About Pendrel"}))
      << run.Text();
  EXPECT_TRUE(run.Has(remove + " -> yes"));
  EXPECT_TRUE(run.Has("category list: Keep")) << run.Text();
  EXPECT_EQ(Bookmarks(), (std::vector<std::vector<std::wstring>>{{L"http://k/", L"Keep", L"Apple"}}));
}

TEST_F(PendrelRunTest, ExportAndImportThroughTheFavoritesFolderShowTheirProgress) {
  ExecuteSql(DataFolder(), "insert into LinksCategory (Category) values ('News')");
  ExecuteSql(DataFolder(), "insert into LinksData values ('http://n/', 'News', 'Paper'), ('http://m/', 'News', 'Radio')");
  RunResult run = Run("menu Export to IE Bookmarks\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_EQ(run.From("status: Exporting", 6),
            (Lines{"status: Exporting bookmarks... Please wait.", "status: Processing address http://m/...",
                   "status: Processing address http://n/...", "status: Resolving address http://m/...",
                   "status: Resolving address http://n/...", "status: Successfully exported to IE bookmarks"}))
      << run.Text();
  EXPECT_TRUE(std::filesystem::is_regular_file(temp_.path() / "Favorites" / "News" / "Paper.url"));

  // Into an empty store, with one more shortcut at the top of the Favorites folder.
  ExecuteSql(DataFolder(), "delete from LinksData");
  std::ofstream(temp_.path() / "Favorites" / "Top.url") << "[InternetShortcut]\r\nURL=http://t/\r\n";
  run = Run("menu Import from IE Bookmarks\nshow\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_EQ(run.From("status: Importing", 8),
            (Lines{"status: Importing bookmarks... Please wait.", "status: Resolving address Paper.url...",
                   "status: Resolving address Radio.url...", "status: Resolving address Top.url...",
                   "status: Processing address http://n/...", "status: Processing address http://m/...",
                   "status: Processing address http://t/...", "status: Successfully imported from IE bookmarks"}))
      << run.Text();
  EXPECT_EQ(Bookmarks(), (std::vector<std::vector<std::wstring>>{{L"http://m/", L"News", L"Radio"},
                                                                 {L"http://n/", L"News", L"Paper"},
                                                                 {L"http://t/", L"Favorites", L"Top"}}));
  EXPECT_TRUE(run.Has("category list: Favorites|News") || run.Has("category list: News|Favorites")) << run.Text();
}

TEST_F(PendrelRunTest, TheBandIsTheOneTheRegistryNamesAndWithoutItTheWindowHasNoToolbar) {
  const std::string library = std::string(PENDREL_BIN_DIR) + "/libPendrelBand.so";
  const std::wstring serverKey = L"CLSID\\{669695BC-A811-4A9D-8CDF-BA8C795F261D}\\InprocServer32";
  RunResult run = Run("show\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  ASSERT_TRUE(HasToolbar(run)) << run.Text();
  EXPECT_TRUE(run.HasStarting("buttons: Add=")) << run.Text();

  // Unregistered: the window opens without a toolbar, says so once, and goes on without it.
  RunResult unregistered = RunPendrel("unregister");
  EXPECT_EQ(unregistered.status, 0) << unregistered.Text();
  EXPECT_TRUE(unregistered.Has("band: unregistered " + library)) << unregistered.Text();
  run = Run("navigate " + Url("/a") + "\nshow\nclick Add\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(std::count(run.lines.begin(), run.lines.end(), "no toolbar: no toolbar is registered (pendrel register registers it)"), 1)
      << run.Text();
  EXPECT_TRUE(run.Has("title: Page A"));
  EXPECT_FALSE(run.HasStarting("buttons: "));
  EXPECT_EQ(run.lines.back(), "error: line 3: the window has no toolbar");

  // Registered again, from a copy of the library elsewhere: the copy is what the registry names
  // and what the window loads.
  std::filesystem::path copy = temp_.path() / "elsewhere" / "libPendrelBand.so";
  std::filesystem::create_directories(copy.parent_path());
  std::filesystem::copy_file(library, copy);
  ASSERT_EQ(RunPendrel("register").status, 0);
  RegistryKey server;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, serverKey, 0, KEY_ALL_ACCESS, server.Out()), ERROR_SUCCESS);
  auto name = [&](const std::filesystem::path& path) {
    std::wstring text = FromUtf8(path.string());
    ASSERT_EQ(RegSetValueExW(server.get(), L"", REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * 2)),
              ERROR_SUCCESS);
  };
  name(copy);
  run = Run("show\n");
  ASSERT_TRUE(HasToolbar(run)) << run.Text();
  std::filesystem::remove(copy);
  run = Run("show\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.HasStarting("no toolbar: cannot load " + copy.string() + ": ")) << run.Text();

  // A library that is no component server.
  name(std::filesystem::path(PENDREL_BIN_DIR) / "libpendrel-platform.so");
  run = Run("show\n");
  EXPECT_TRUE(run.HasStarting("no toolbar: " + std::string(PENDREL_BIN_DIR) + "/libpendrel-platform.so is not a component library"))
      << run.Text();
}

TEST_F(PendrelRunTest, ALoginIsRememberedForItsSiteAndFilledInWhenItsPageLoadsAgain) {
  const std::string login = Url("/login");
  RunResult run = Run("navigate " + login + "\nfill user ann\nfill pass s3cret\nsubmit\nnavigate " + login +
                      "\npage\nshow\n");
  ASSERT_TRUE(HasToolbar(run)) << run.Text();
  EXPECT_EQ(run.status, 0) << run.Text();
  const std::wstring site = L"127.0.0.1:" + std::to_wstring(server_.port());
  EXPECT_EQ(QueryRows(DataFolder(), "select URL, FormName, domain, action, Active from FormURL"),
            (std::vector<std::vector<std::wstring>>{{FromUtf8(login), L"login", site, L"/done", L"1"}}));
  EXPECT_EQ(QueryRows(DataFolder(), "select Name, Value from FormURLData order by Name"),
            (std::vector<std::vector<std::wstring>>{{L"pass", L"s3cret"}, {L"user", L"ann"}}));
  // The page shown again has both fields filled, and the entry reads as every navigation leaves it.
  EXPECT_EQ(run.From("field: user", 2), (Lines{"field: user = ann", "field: pass = s3cret"})) << run.Text();
  EXPECT_TRUE(run.Has("menu: Enable saving form data")) << run.Text();
  EXPECT_FALSE(run.HasStarting("box: ")) << run.Text();
}

TEST_F(PendrelRunTest, AnEmptyPasswordIsNotRememberedAndASwitchedOffFormIsNotFilled) {
  const std::string login = Url("/login");
  RunResult run = Run("navigate " + login + "\nfill user ann\nsubmit\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_EQ(QueryCount(DataFolder(), "FormURL"), 0);

  // Remembered, then switched off on the login page: the next load is not filled; switched on again, it is.
  // (The filled-in password is emptied before leaving, or leaving would remember the form anew.)
  run = Run("navigate " + login + "\nfill user ann\nfill pass pw\nsubmit\nnavigate " + login +
            "\nmenu Disable saving form data\nfill pass \nfill user \nnavigate " + login +
            "\npage\nmenu Enable saving form data\nnavigate " + login + "\npage\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_EQ(run.From("field: user", 2), (Lines{"field: user = ", "field: pass = "})) << run.Text();
  Lines last;
  for (size_t i = 0; i < run.lines.size(); ++i)
    if (run.lines[i].starts_with("field: user")) last = Lines(run.lines.begin() + i, run.lines.begin() + i + 2);
  EXPECT_EQ(last, (Lines{"field: user = ann", "field: pass = pw"})) << run.Text();
}

}  // namespace
