// The end-to-end scripts that every host runs alike: each host's test program instantiates them
// with a fixture whose ScriptCommand runs a script through that host, and the same lines, rows
// and page files are expected of both.
#pragma once
#include "tests/support/PendrelRunFixture.h"

template <class Host>
class HostScriptTest : public PendrelRunFixture {
 protected:
  std::string ScriptCommand(const std::string& file) const override { return Host::ScriptCommand(file); }
};

TYPED_TEST_SUITE_P(HostScriptTest);

TYPED_TEST_P(HostScriptTest, AddChangeAndDeleteTheBookmarkOfThePageShown) {
  std::string a = this->Url("/a");
  RunResult run = this->Run(
      "navigate " + a + "\n"
      "show\n"
      "click Add\n"                 // no category yet
      "type category News\n"
      "click Add\n"
      "navigate " + a + "\n"
      "show\n");
  ASSERT_TRUE(this->HasToolbar(run)) << run.Text();
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
  EXPECT_EQ(this->Bookmarks(), (std::vector<std::vector<std::wstring>>{{FromUtf8(a), L"News", L"Page A"}}));

  // Change with a new category and description: the list is refreshed and the box shows it.
  run = this->Run("navigate " + a + "\n"
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
  EXPECT_EQ(this->Bookmarks(), (std::vector<std::vector<std::wstring>>{{FromUtf8(a), L"Sport", L"Page A and more"}}));

  // Delete answered no (queued, then by default), then yes. Then the page is no longer bookmarked
  // (the buttons wait for the next load): a second Delete and a Change say so and store nothing.
  run = this->Run("navigate " + a + "\nanswer no\nclick Delete\nclick Delete\nanswer yes\nclick Delete\n"
                  "answer yes\nclick Delete\nclick Change\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  std::string question = "question: Delete bookmark | Do you want to delete " + a + "?";
  EXPECT_EQ(run.From("question: ", 7),
            (Lines{question + " -> no", question + " -> no", question + " -> yes",
                   "box: PendrelBand | " + a + " is successfully deleted.", question + " -> yes",
                   "box: PendrelBand | " + a + " is not bookmarked.",
                   "box: PendrelBand | " + a + " is not bookmarked."}))
      << run.Text();
  EXPECT_TRUE(this->Bookmarks().empty());
}

TYPED_TEST_P(HostScriptTest, SearchWithOrAndAndAndShowACategory) {
  ExecuteSql(this->DataFolder(), "insert into LinksCategory (Category) values ('Cars'), ('Bikes')");
  ExecuteSql(this->DataFolder(),
             "insert into LinksData values ('http://red.car/', 'Cars', 'red car'), ('http://blue.car/', 'Cars', "
             "'blue car'), ('http://red.bike/', 'Bikes', 'red bike')");
  // The page "S" puts one letter in the search box; a click into the box and Backspace take it away.
  RunResult run = this->Run("navigate " + this->Url("/s") + "\ntype search\nkey search Backspace\ntype search red car\nkey search Enter\nshow\n");
  ASSERT_TRUE(this->HasToolbar(run)) << run.Text();
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("navigate: " + this->PageFileUrl())) << run.Text();
  EXPECT_TRUE(run.Has("location: " + this->PageFileUrl()));
  EXPECT_TRUE(run.Has("search list: red car"));
  std::string page = this->PageFile();
  for (const char* address : {"http://red.car/", "http://blue.car/", "http://red.bike/"})
    EXPECT_NE(page.find(address), std::string::npos) << address;

  // AND: only what has every word.
  run = this->Run("navigate " + this->Url("/s") + "\nmenu Switch to AND search condition\ntype search\nkey search Backspace\n"
            "type search red car\nkey search Enter\nshow\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("menu: Switch to AND search condition [checked] [greyed]")) << run.Text();
  page = this->PageFile();
  EXPECT_NE(page.find("http://red.car/"), std::string::npos);
  EXPECT_EQ(page.find("http://blue.car/"), std::string::npos);
  EXPECT_EQ(page.find("http://red.bike/"), std::string::npos);

  // Show lists the category in the box: picked from its list.
  run = this->Run("navigate " + this->Url("/s") + "\npick category 0\nclick Show\npage\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("navigate: " + this->PageFileUrl()));
  page = this->PageFile();
  EXPECT_NE(page.find("http://red.bike/"), std::string::npos);
  EXPECT_EQ(page.find("http://red.car/"), std::string::npos);
}

TYPED_TEST_P(HostScriptTest, ClearEmptiesABoxSoThatASearchIsForTheTypedWordsAlone) {
  ExecuteSql(this->DataFolder(), "insert into LinksCategory (Category) values ('Cars')");
  ExecuteSql(this->DataFolder(), "insert into LinksData values ('http://red.car/', 'Cars', 'red car'), "
                                 "('http://page.a/', 'Cars', 'Page A reds')");
  // After a load the search box holds the title, the caret first: typing alone would search "Page Ared".
  RunResult run = this->Run("navigate " + this->Url("/a") + "\ntype category Cars\nclear search\nclear category\nshow\n"
                            "type search red\nkey search Enter\nshow\nclear search\nclear search\nshow\n");
  ASSERT_TRUE(this->HasToolbar(run)) << run.Text();
  EXPECT_EQ(run.status, 0) << run.Text();
  Lines boxes;
  for (const std::string& line : run.lines)
    if (line.starts_with("search: ") || line.starts_with("category: ")) boxes.push_back(line);
  ASSERT_EQ(boxes.size(), 6u) << run.Text();
  EXPECT_EQ(Lines(boxes.begin(), boxes.begin() + 2), (Lines{"search: ", "category: "})) << run.Text();
  EXPECT_EQ(boxes.back(), "category: ");
  EXPECT_EQ(boxes[4], "search: ") << run.Text();  // a second clear of an empty box does nothing more
  EXPECT_TRUE(run.Has("search list: red")) << run.Text();
  EXPECT_TRUE(run.Has("navigate: " + this->PageFileUrl())) << run.Text();
  const std::string page = this->PageFile();
  EXPECT_NE(page.find("http://red.car/"), std::string::npos);
  EXPECT_NE(page.find("http://page.a/"), std::string::npos);

  run = this->Run("clear nothing\n");
  EXPECT_EQ(run.status, 1);
  // Not the last line: a sanitizer build may print its report after the program's own lines.
  EXPECT_TRUE(run.Has("error: line 1: unknown box \"nothing\" (search, category)")) << run.Text();
}

TYPED_TEST_P(HostScriptTest, HistoryIsLoggedOnPageLoadsWhileTheLogIsOn) {
  RunResult run = this->Run("navigate " + this->Url("/a") + "\nshow\n");
  ASSERT_TRUE(this->HasToolbar(run)) << run.Text();
  EXPECT_TRUE(run.Has("menu: Enable History Log")) << run.Text();
  EXPECT_EQ(QueryCount(this->DataFolder(), "History"), 0);

  run = this->Run("menu Enable History Log\nnavigate " + this->Url("/a") + "\nnavigate " + this->Url("/b/") + "\nshow\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("menu: Disable History Log [checked]")) << run.Text();
  EXPECT_EQ(QueryRows(this->DataFolder(), "select URL, Title from History order by rowid"),
            (std::vector<std::vector<std::wstring>>{{this->server_.Url("/a"), L"Page A"}, {this->server_.Url("/b/"), L"Page B"}}));

  // The setting lasts; switched off by its command id, nothing more is logged.
  run = this->Run("menu 32783\nnavigate " + this->Url("/c") + "\nshow\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("menu: Enable History Log")) << run.Text();
  EXPECT_EQ(QueryCount(this->DataFolder(), "History"), 2);
}

TYPED_TEST_P(HostScriptTest, ALoginIsRememberedForItsSiteAndFilledInWhenItsPageLoadsAgain) {
  const std::string login = this->Url("/login");
  RunResult run = this->Run("navigate " + login + "\nfill user ann\nfill pass s3cret\npage\nsubmit\nnavigate " +
                            login + "\npage\nshow\n");
  ASSERT_TRUE(this->HasToolbar(run)) << run.Text();
  EXPECT_EQ(run.status, 0) << run.Text();
  const std::wstring site = L"127.0.0.1:" + std::to_wstring(this->server_.port());
  EXPECT_EQ(QueryRows(this->DataFolder(), "select URL, FormName, domain, action, Active from FormURL"),
            (std::vector<std::vector<std::wstring>>{{FromUtf8(login), L"login", site, L"/done", L"1"}}));
  EXPECT_EQ(QueryRows(this->DataFolder(), "select Name, Value from FormURLData order by Name"),
            (std::vector<std::vector<std::wstring>>{{L"pass", L"s3cret"}, {L"user", L"ann"}}));
  // The page as the script filled it in and again as the saved login filled it in: the password
  // printed as stars, never as it is. The entry reads as every navigation leaves it.
  Lines shown;
  for (size_t i = 0; i + 1 < run.lines.size(); ++i)
    if (run.lines[i].starts_with("field: user")) shown.insert(shown.end(), {run.lines[i], run.lines[i + 1]});
  EXPECT_EQ(shown, (Lines{"field: user = ann", "field: pass = ******", "field: user = ann", "field: pass = ******"}))
      << run.Text();
  EXPECT_TRUE(run.Has("menu: Enable saving form data")) << run.Text();
  EXPECT_FALSE(run.HasStarting("box: ")) << run.Text();
}

TYPED_TEST_P(HostScriptTest, AnEmptyPasswordIsNotRememberedAndASwitchedOffFormIsNotFilled) {
  const std::string login = this->Url("/login");
  RunResult run = this->Run("navigate " + login + "\nfill user ann\nsubmit\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_EQ(QueryCount(this->DataFolder(), "FormURL"), 0);

  // Remembered, then switched off on the login page: the next load is not filled; switched on again, it is.
  // (The filled-in password is emptied before leaving, or leaving would remember the form anew.)
  run = this->Run("navigate " + login + "\nfill user ann\nfill pass pw\nsubmit\nnavigate " + login +
            "\nmenu Disable saving form data\nfill pass \nfill user \nnavigate " + login +
            "\npage\nmenu Enable saving form data\nnavigate " + login + "\npage\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_EQ(run.From("field: user", 2), (Lines{"field: user = ", "field: pass = "})) << run.Text();
  Lines last;
  for (size_t i = 0; i < run.lines.size(); ++i)
    if (run.lines[i].starts_with("field: user")) last = Lines(run.lines.begin() + i, run.lines.begin() + i + 2);
  EXPECT_EQ(last, (Lines{"field: user = ann", "field: pass = **"})) << run.Text();
}

REGISTER_TYPED_TEST_SUITE_P(HostScriptTest, AddChangeAndDeleteTheBookmarkOfThePageShown,
                            SearchWithOrAndAndAndShowACategory, ClearEmptiesABoxSoThatASearchIsForTheTypedWordsAlone,
                            HistoryIsLoggedOnPageLoadsWhileTheLogIsOn,
                            ALoginIsRememberedForItsSiteAndFilledInWhenItsPageLoadsAgain,
                            AnEmptyPasswordIsNotRememberedAndASwitchedOffFormIsNotFilled);
