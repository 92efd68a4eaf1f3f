// `pendrel run` and `pendrel [ADDRESS]` as a person or a script runs them: the built program in a
// fresh home with `pendrel install` done first, pages from a server on 127.0.0.1, and the lines
// it prints, the database file and the generated page file checked afterwards. The scripts every
// host runs alike are in HostScriptCases.h.
#include <gtest/gtest.h>
#include <re2/re2.h>

#include <set>

#include "platform/registry/RegistryKey.h"
#include "tests/support/HostScriptCases.h"

namespace {

struct PendrelHost {
  static std::string ScriptCommand(const std::string& file) {
    return std::string(PENDREL_BIN_DIR) + "/pendrel run '" + file + "'";
  }
};
INSTANTIATE_TYPED_TEST_SUITE_P(Pendrel, HostScriptTest, PendrelHost);

using PendrelRunTest = PendrelRunFixture;

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
  // A folder opens as a file would, but reading it fails: an error, not an abort.
  run = RunPendrel("run '" + temp_.path().string() + "'");
  EXPECT_EQ(run.status, 1) << run.Text();
  EXPECT_TRUE(run.Has("error: cannot open the script " + temp_.path().string() + ": it is a folder, not a file"))
      << run.Text();
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
  // The job's progress and its summary are printed while `wait repair` waits, before `show`.
  EXPECT_TRUE(run.HasStarting("status: Checking link ")) << run.Text();
  EXPECT_EQ(run.From("status: Repair finished", 2),
            (Lines{"status: Repair finished: 1 moved, 0 could not be reached, 1 unchanged.", "location: "}))
      << run.Text();
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

// The help pages `pendrel install` writes name the setup menu's entries as a running toolbar shows them.
TEST_F(PendrelRunTest, EveryMenuEntryTheHelpPagesNameIsOneTheMenuShows) {
  // The menu as it stands, and again with the history log on: its entry then reads "Disable".
  RunResult run = Run("show\nmenu Enable History Log\nshow\n");
  ASSERT_EQ(run.status, 0) << run.Text();
  std::set<std::string> shown;
  for (std::string line : run.lines) {
    if (!line.starts_with("menu: ") || line == "menu: -") continue;
    RE2::GlobalReplace(&line, " \\[(greyed|checked)\\]", "");
    shown.insert(line.substr(6));
  }
  ASSERT_TRUE(shown.contains("Disable History Log")) << run.Text();

  static const RE2 menuEntry("<b class=\"menu\">([^<]*)</b>");
  std::set<std::string> named;
  for (const char* page : {"help.html", "about.html"}) {
    std::string html = ReadFileBytes(temp_.path() / "data" / "help" / page);
    ASSERT_FALSE(html.empty()) << page;
    re2::StringPiece rest(html);
    for (std::string name; RE2::FindAndConsume(&rest, menuEntry, &name);) {
      RE2::GlobalReplace(&name, "\\s+", " ");  // blanks and line breaks read as one blank
      EXPECT_TRUE(shown.contains(name)) << page << " names the menu entry \"" << name << "\", which the menu lacks";
      named.insert(name);
    }
  }
  for (const std::string& entry : shown) EXPECT_TRUE(named.contains(entry)) << "the help pages omit \"" << entry << "\"";
}

}  // namespace
