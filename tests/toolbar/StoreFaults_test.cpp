// The toolbar while its database file fails under it: held by another process in an exclusive
// transaction, made read-only, or deleted. Every command either does its work or says in a box
// what went wrong (never a success it did not have), none waits long on the file, and once the
// fault is gone the next command works and every bookmark is still there.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>

#include "platform/text/WideText.h"
#include "tests/support/BandHarness.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ReadOnlyFile.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Texts = std::vector<std::wstring>;

// One command as a person gives it, with the boxes it showed and how long it took.
struct Outcome {
  std::string command;
  Texts boxes;
  std::chrono::milliseconds took;
};

// Whether any box of the outcome says `text`.
bool Shows(const Outcome& outcome, std::wstring_view text) {
  for (const auto& box : outcome.boxes)
    if (box.find(text) != std::wstring::npos) return true;
  return false;
}

std::string Described(const Outcome& outcome) {
  std::string text = outcome.command + " (" + std::to_string(outcome.took.count()) + " ms):";
  for (const auto& box : outcome.boxes) text += " [" + ToUtf8(box) + "]";
  return text;
}

class StoreFaultsTest : public IsolatedTest {
 protected:
  StoreFaultsTest() : home_("HOME", temp_.path().c_str()), harness_(temp_, BandSettings{L"1", L"OR"}) {
    Store("http://kept.example/", "Reading", "kept");
    Store("http://other.example/", "Other", "other");
    harness_.Open(harness_.Page("kept.html", "Kept page"));
    kept_ = harness_.Location();
    Store(ToUtf8(kept_), "Reading", "the kept page");
    fs::create_directories(temp_.path() / "Favorites");
    std::ofstream(temp_.path() / "Favorites" / "Fav.url") << "[InternetShortcut]\r\nURL=http://fav.example/\r\n";
    harness_.Toolbar().RefreshCategoryList();
    before_ = Bookmarks();
  }

  void Store(const std::string& address, const std::string& category, const std::string& description) {
    ExecuteSql(harness_.DataFolder(), "insert into LinksCategory(Category) select '" + category +
                                          "' where not exists (select 1 from LinksCategory where Category = '" +
                                          category + "')");
    ExecuteSql(harness_.DataFolder(), "insert into LinksData(HomePage, Category, Description) values ('" + address +
                                          "', '" + category + "', '" + description + "')");
  }
  std::vector<std::vector<std::wstring>> Bookmarks() {
    return QueryRows(harness_.DataFolder(), "select Category, Description, HomePage from LinksData order by HomePage");
  }
  fs::path DatabaseFile() const { return fs::path(ToUtf8(harness_.DataFolder())) / "Bookmark.mdb"; }

  Outcome Run(const std::string& command, const std::function<void()>& body) {
    boxes_.clear();
    const auto start = std::chrono::steady_clock::now();
    body();
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    slowest_ = std::max(slowest_, took);
    return {command, boxes_.texts(), took};
  }

  // Every command of the toolbar once, on the kept page, answering Yes to every question.
  // Every command runs without an error box, and the bookmark the run adds is stored.
  void ExpectEveryCommandWorks() {
    for (const Outcome& outcome : RunEveryCommand()) {
      SCOPED_TRACE(Described(outcome));
      EXPECT_FALSE(Shows(outcome, L"rror"));
    }
    EXPECT_EQ(QueryText(harness_.DataFolder(), "select Category from LinksData where Description = 'New page'"),
              "Fresh");
  }

  std::vector<Outcome> RunEveryCommand() {
    CTesselToolBarCtrl& toolbar = harness_.Toolbar();
    std::vector<Outcome> outcomes;
    outcomes.push_back(Run("page load", [&] { harness_.Open(kept_); }));
    outcomes.push_back(Run("Add", [&] {
      harness_.Open(harness_.Page("new.html", "New page"));
      boxes_.clear();
      SetWindowTextW(toolbar.CategoryBox(), L"Fresh");
      harness_.Click(ID_BUTTON_ADD);
    }));
    outcomes.push_back(Run("Change", [&] {
      harness_.Open(kept_);
      boxes_.clear();
      SetWindowTextW(toolbar.CategoryBox(), L"Changed");
      harness_.Click(ID_BUTTON_CHANGE);
    }));
    outcomes.push_back(Run("Delete", [&] {
      harness_.Open(kept_);
      boxes_.clear();
      boxes_.Answer(IDYES);
      harness_.Click(ID_BUTTON_DELETE);
    }));
    outcomes.push_back(Run("Show", [&] {
      SetWindowTextW(toolbar.CategoryBox(), L"Reading");
      harness_.Click(ID_BUTTON_SHOW);
    }));
    outcomes.push_back(Run("search", [&] {
      SetWindowTextW(toolbar.SearchBox(), L"kept");
      harness_.ClickInto(toolbar.SearchBox());
      harness_.Key(toolbar.SearchBox(), VK_RETURN);
      PumpMessages();
    }));
    outcomes.push_back(Run("rename", [&] {
      SetWindowTextW(toolbar.CategoryBox(), L"Other");
      harness_.Type(toolbar.CategoryBox(), L"x");
      harness_.Key(toolbar.CategoryBox(), VK_RETURN);
    }));
    for (auto [name, id] : {std::pair{"Enable forms", ID_MENU_ENABLE_FORMS}, {"Disable forms", ID_MENU_DISABLE_FORMS},
                            {"List all", ID_MENU_LIST_ALL}, {"Display history", ID_MENU_DISPLAY_HISTORY},
                            {"Clear history", ID_MENU_CLEAR_HISTORY}, {"Import", ID_MENU_IMPORT},
                            {"Export", ID_MENU_EXPORT}, {"Delete category", ID_MENU_DELETE_CATEGORY}}) {
      outcomes.push_back(Run(name, [&, id] {
        SetWindowTextW(toolbar.CategoryBox(), L"Reading");
        boxes_.Answer(IDYES);
        harness_.Choose(id);
      }));
    }
    return outcomes;
  }

  ScopedEnv home_;
  BandHarness harness_;
  std::wstring kept_;
  std::vector<std::vector<std::wstring>> before_;
  std::chrono::milliseconds slowest_{0};
};

// The commands that change the store, and those that only read it.
const std::set<std::string> kWriters = {"Add",           "Change",        "Delete",        "rename",
                                        "Enable forms",  "Disable forms", "Clear history", "Import",
                                        "Delete category"};

TEST_F(StoreFaultsTest, AFileLockedByAnotherProcessFailsEveryChangeInAMomentWithTheStoresError) {
  {
    ChildProcess holder(TestChildProgram(), {"lock", DatabaseFile().string()});
    ASSERT_EQ(holder.ReadLine(), "locked");
    for (const Outcome& outcome : RunEveryCommand()) {
      SCOPED_TRACE(Described(outcome));
      // Every change says the file is locked and claims nothing; reading goes on as before.
      EXPECT_EQ(Shows(outcome, L"database is locked"), kWriters.contains(outcome.command));
      EXPECT_FALSE(Shows(outcome, L"successfully"));
      EXPECT_FALSE(Shows(outcome, L"failed") && !Shows(outcome, L"database is locked"));
      // The user-interface thread waits a moment per statement, never for long.
      EXPECT_LT(outcome.took, 10s);
    }
    holder.CloseInput();
    EXPECT_EQ(holder.Wait(), 0);
  }
  std::cout << "[ figure   ] the longest command under the lock took " << slowest_.count() << " ms\n";
  EXPECT_EQ(Bookmarks(), before_);

  // The lock gone, the same toolbar works again.
  ExpectEveryCommandWorks();
  EXPECT_EQ(QueryText(harness_.DataFolder(), "select count(*) from LinksData where HomePage = 'http://fav.example/'"),
            "1");
  EXPECT_EQ(QueryText(harness_.DataFolder(), "select Category from LinksData where Description = 'other'"), "Otherx");
}

TEST_F(StoreFaultsTest, AFileDeletedUnderTheToolbarRefusesEveryChangeInsteadOfLosingIt) {
  const fs::path away = temp_.path() / "Bookmark.mdb.trash";
  fs::rename(DatabaseFile(), away);
  for (const Outcome& outcome : RunEveryCommand()) {
    SCOPED_TRACE(Described(outcome));
    // A change written to the file that is gone would be lost with it while it seemed stored.
    if (kWriters.contains(outcome.command)) {
      EXPECT_TRUE(Shows(outcome, L"has been deleted or replaced") || Shows(outcome, L"Could not find file"));
    }
    EXPECT_FALSE(Shows(outcome, L"successfully"));
  }
  // Put back, the file has everything it had, and the toolbar changes it again.
  fs::rename(away, DatabaseFile());
  EXPECT_EQ(Bookmarks(), before_);
  ExpectEveryCommandWorks();
}

TEST_F(StoreFaultsTest, AFileMadeReadOnlyWhileTheToolbarHoldsItKeepsWhatTheToolbarSaysItStored) {
  ReadOnlyFile readOnly(DatabaseFile());
  ASSERT_TRUE(readOnly.Holds());
  // The toolbar opened the file for writing before; the system lets it go on writing, and what
  // it reports as done must really be there.
  for (const Outcome& outcome : RunEveryCommand()) {
    SCOPED_TRACE(Described(outcome));
    EXPECT_FALSE(Shows(outcome, L"rror"));
  }
  readOnly.Lift();
  EXPECT_EQ(QueryText(harness_.DataFolder(), "pragma integrity_check"), "ok");
  EXPECT_EQ(QueryText(harness_.DataFolder(), "select Category from LinksData where Description = 'New page'"),
            "Fresh");
  EXPECT_EQ(QueryText(harness_.DataFolder(), "select count(*) from LinksData where HomePage = 'http://fav.example/'"),
            "1");
}

}  // namespace
