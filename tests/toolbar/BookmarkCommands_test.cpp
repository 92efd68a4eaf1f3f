// The bookmark buttons on real pages with a real store: Add, Change, Delete and Show, and the
// refresh of the boxes and buttons after every page load, with the history log on and off.
#include <gtest/gtest.h>

#include "platform/text/WideText.h"
#include "tests/support/LoopbackServer.h"
#include "tests/reports/PageTestSupport.h"
#include "tests/support/BandHarness.h"
#include "tests/support/TestSupport.h"

namespace {

class BookmarkCommandsTest : public IsolatedTest {
 protected:
  static std::string Utf8(const std::wstring& text) { return ToUtf8(text); }
  static bool Enabled(CTesselToolBarCtrl& toolbar, UINT button) {
    return toolbar.SendMessage(TB_ISBUTTONENABLED, button) != 0;
  }
  static void Store(const std::wstring& dataFolder, const std::wstring& address, const std::string& category,
                    const std::string& description) {
    ExecuteSql(dataFolder, "insert into LinksCategory(Category) values ('" + category + "')");
    ExecuteSql(dataFolder, "insert into LinksData(HomePage, Category, Description) values ('" + ToUtf8(address) +
                               "', '" + category + "', '" + description + "')");
  }
};

TEST_F(BookmarkCommandsTest, AddNeedsACategoryAndStoresThePageUnderANewOneWithoutListingItYet) {
  BandHarness harness(temp_);
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  harness.Open(harness.Page("news.html", "Daily news"));
  const std::wstring address = harness.Location();
  EXPECT_EQ(GetWindowString(toolbar.SearchBox()), L"Daily news");

  harness.Click(ID_BUTTON_ADD);
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{L"Please select category or add a new category."});
  EXPECT_EQ(QueryCount(harness.DataFolder(), "LinksData"), 0);
  boxes_.clear();

  SetWindowTextW(toolbar.CategoryBox(), L"Reading");
  harness.Click(ID_BUTTON_ADD);
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{address + L" is successfully added."});
  EXPECT_EQ(boxes_.boxes()[0].caption, L"PendrelBand");
  EXPECT_EQ(boxes_.boxes()[0].Icon(), MB_ICONEXCLAMATION);
  EXPECT_EQ(QueryRows(harness.DataFolder(), "select Category, Description from LinksData where HomePage = '" +
                                                Utf8(address) + "'"),
            (std::vector<std::vector<std::wstring>>{{L"Reading", L"Daily news"}}));
  EXPECT_EQ(QueryText(harness.DataFolder(), "select count(*) from LinksCategory where Category = 'Reading'"), "1");
  // The list and the buttons wait for the next refresh.
  EXPECT_TRUE(BandHarness::ListOf(toolbar.CategoryBox()).empty());
  EXPECT_FALSE(Enabled(toolbar, ID_BUTTON_CHANGE));
  harness.Open(address);
  EXPECT_EQ(GetWindowString(toolbar.CategoryBox()), L"Reading");
  EXPECT_TRUE(Enabled(toolbar, ID_BUTTON_CHANGE));

  // The same page once more: the store refuses it and there is no success.
  boxes_.clear();
  SetWindowTextW(toolbar.CategoryBox(), L"Other");
  harness.Click(ID_BUTTON_ADD);
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{address + L" already exists."});
  EXPECT_EQ(QueryCount(harness.DataFolder(), "LinksData"), 1);
}

TEST_F(BookmarkCommandsTest, AddRefusesAnAddressStoredWithoutItsFinalSlash) {
  LoopbackServer server([](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Home</title></head><body>home</body></html>", "text/html");
    });
  });
  BandHarness harness(temp_);
  const std::wstring withSlash = server.Url("/");
  const std::wstring withoutSlash = withSlash.substr(0, withSlash.size() - 1);
  Store(harness.DataFolder(), withoutSlash, "Sites", "Home page");
  harness.Open(withSlash);
  ASSERT_EQ(harness.Location(), withSlash);
  // The page counts as bookmarked already.
  EXPECT_EQ(GetWindowString(harness.Toolbar().CategoryBox()), L"Sites");

  harness.Click(ID_BUTTON_ADD);
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{withSlash + L" already exists."});
  EXPECT_EQ(QueryCount(harness.DataFolder(), "LinksData"), 1);
}

TEST_F(BookmarkCommandsTest, ChangeToANewCategoryRefreshesTheListAndKeepsTheNameInTheBox) {
  BandHarness harness(temp_);
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  const std::wstring page = harness.Page("recipe.html", "Soup");
  harness.Open(page);
  const std::wstring address = harness.Location();
  Store(harness.DataFolder(), address, "Food", "Soup");
  toolbar.RefreshCategoryList();
  harness.Open(page);

  SetWindowTextW(toolbar.CategoryBox(), L"Cooking");
  SetWindowTextW(toolbar.SearchBox(), L"Tomato soup");
  harness.Click(ID_BUTTON_CHANGE);
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{address + L" is successfully updated."});
  EXPECT_EQ(BandHarness::ListOf(toolbar.CategoryBox()), (std::vector<std::wstring>{L"Cooking", L"Food"}));
  EXPECT_EQ(GetWindowString(toolbar.CategoryBox()), L"Cooking");
  EXPECT_EQ(QueryRows(harness.DataFolder(), "select Category, Description from LinksData"),
            (std::vector<std::vector<std::wstring>>{{L"Cooking", L"Tomato soup"}}));

  // After a store error the store's own box is the only word.
  boxes_.clear();
  ExecuteSql(harness.DataFolder(), "drop table LinksData");
  SetWindowTextW(toolbar.CategoryBox(), L"Food");
  harness.Click(ID_BUTTON_CHANGE);
  auto texts = boxes_.texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].find(L"is successfully updated"), std::wstring::npos);
  EXPECT_NE(texts[0].find(L"from LinksData where HomePage"), std::wstring::npos);
}

TEST_F(BookmarkCommandsTest, DeleteAsksFirstAndDeletesOnlyOnYesAndNothingIsChangedWhereNoBookmarkIs) {
  BandHarness harness(temp_);
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  // No page shown yet: there is nothing to change or delete, and nothing is asked.
  ASSERT_EQ(harness.Location(), L"");
  SetWindowTextW(toolbar.CategoryBox(), L"Misc");
  boxes_.Answer(IDYES);
  harness.Click(ID_BUTTON_CHANGE);
  harness.Click(ID_BUTTON_DELETE);
  EXPECT_EQ(boxes_.count(), 0u);

  const std::wstring page = harness.Page("old.html", "Old");
  harness.Open(page);
  const std::wstring address = harness.Location();
  Store(harness.DataFolder(), address, "Misc", "Old");
  harness.Open(page);
  // Change with an empty category is refused as Add is.
  SetWindowTextW(toolbar.CategoryBox(), L"");
  SetWindowTextW(toolbar.SearchBox(), L"Changed");
  harness.Click(ID_BUTTON_CHANGE);
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{L"Please select category or add a new category."});
  EXPECT_EQ(QueryRows(harness.DataFolder(), "select Category, Description from LinksData"),
            (std::vector<std::vector<std::wstring>>{{L"Misc", L"Old"}}));

  boxes_.clear();
  harness.Click(ID_BUTTON_DELETE);
  auto asked = boxes_.boxes();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text, L"Do you want to delete " + address + L"?");
  EXPECT_EQ(asked[0].caption, L"Delete bookmark");
  EXPECT_EQ(asked[0].type, MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(asked[0].owner, toolbar.GetSafeHwnd());
  EXPECT_EQ(QueryCount(harness.DataFolder(), "LinksData"), 1);

  boxes_.clear();
  boxes_.Answer(IDYES);
  harness.Click(ID_BUTTON_DELETE);
  EXPECT_EQ(boxes_.texts(), (std::vector<std::wstring>{L"Do you want to delete " + address + L"?",
                                                       address + L" is successfully deleted."}));
  EXPECT_EQ(QueryCount(harness.DataFolder(), "LinksData"), 0);

  // A second Delete of the same page, and Change after it: refused in the store's box, nothing stored.
  boxes_.clear();
  boxes_.Answer(IDYES);
  harness.Click(ID_BUTTON_DELETE);
  auto shown = boxes_.boxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].text, address + L" is not bookmarked.");
  EXPECT_EQ(shown[1].caption, L"PendrelBand");
  EXPECT_EQ(shown[1].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
  boxes_.clear();
  SetWindowTextW(toolbar.CategoryBox(), L"Brand new");
  harness.Click(ID_BUTTON_CHANGE);
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{address + L" is not bookmarked."});
  EXPECT_EQ(QueryCount(harness.DataFolder(), "LinksData"), 0);
  EXPECT_EQ(QueryColumn(harness.DataFolder(), "select Category from LinksCategory"),
            std::vector<std::wstring>{L"Misc"});

  // After a store error the store's own box is the only word.
  boxes_.clear();
  ExecuteSql(harness.DataFolder(), "drop table LinksData");
  boxes_.Answer(IDYES);
  harness.Click(ID_BUTTON_DELETE);
  auto texts = boxes_.texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_NE(texts[1].find(L"from LinksData where HomePage"), std::wstring::npos);
  EXPECT_EQ(texts[1].find(L"is successfully deleted"), std::wstring::npos);
}

TEST_F(BookmarkCommandsTest, ShowOpensTheCategoryPageAlsoForAnEmptyBox) {
  BandHarness harness(temp_);
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  Store(harness.DataFolder(), L"http://127.0.0.1:9/cake", "Food", "Cake recipe");
  harness.Open(harness.Page("start.html", "Start"));

  harness.Click(ID_BUTTON_SHOW);
  EXPECT_TRUE(harness.Location().ends_with(L"/Bookmark.html"));
  EXPECT_EQ(harness.Browser().Top().DisplayTitle().find(L"Cake"), std::wstring::npos);
  std::wstring page = ReadPage(harness.DataFolder() + L"/Bookmark.html");
  EXPECT_EQ(page.find(L"Cake recipe"), std::wstring::npos);

  SetWindowTextW(toolbar.CategoryBox(), L"Food");
  harness.Click(ID_BUTTON_SHOW);
  page = ReadPage(harness.DataFolder() + L"/Bookmark.html");
  EXPECT_NE(page.find(L"Cake recipe"), std::wstring::npos);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BookmarkCommandsTest, EveryPageLoadShowsWhetherThePageIsBookmarked) {
  BandHarness harness(temp_);
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  const std::wstring marked = harness.Page("marked.html", "Marked page");
  harness.Open(marked);
  Store(harness.DataFolder(), harness.Location(), "Keep", "Stored words");
  const std::wstring plain = harness.Page("plain.html", "Plain page");

  harness.Open(plain);
  EXPECT_EQ(GetWindowString(toolbar.CategoryBox()), L"");
  EXPECT_EQ(GetWindowString(toolbar.SearchBox()), L"Plain page");
  EXPECT_FALSE(Enabled(toolbar, ID_BUTTON_CHANGE));
  EXPECT_FALSE(Enabled(toolbar, ID_BUTTON_DELETE));
  EXPECT_TRUE(Enabled(toolbar, ID_BUTTON_ADD));

  harness.Open(marked);
  EXPECT_EQ(GetWindowString(toolbar.CategoryBox()), L"Keep");
  EXPECT_EQ(GetWindowString(toolbar.SearchBox()), L"Stored words");
  EXPECT_TRUE(Enabled(toolbar, ID_BUTTON_CHANGE));
  EXPECT_TRUE(Enabled(toolbar, ID_BUTTON_DELETE));
  // The log is off: no row for any of these loads.
  EXPECT_EQ(QueryCount(harness.DataFolder(), "History"), 0);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BookmarkCommandsTest, WithTheHistoryLogOnEveryDownloadWritesOneRow) {
  BandHarness harness(temp_, BandSettings{L"1", L"OR"});
  harness.Open(harness.Page("one.html", "One"));
  const std::wstring first = harness.Location();
  harness.Open(harness.Page("two.html", "Two"));
  EXPECT_EQ(QueryCount(harness.DataFolder(), "History"), 2);
  EXPECT_NE(QueryText(harness.DataFolder(), "select count(*) from History where URL = '" + ToUtf8(first) + "'"),
            "0");

  harness.Toolbar().OnMenuCommand(ID_MENU_HISTORY_SWITCH);
  harness.Open(harness.Page("three.html", "Three"));
  EXPECT_EQ(QueryCount(harness.DataFolder(), "History"), 2);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BookmarkCommandsTest, ARefreshThatCannotReadTheStoreIsReportedAndTheToolbarStaysUsable) {
  BandHarness harness(temp_);
  ExecuteSql(harness.DataFolder(), "drop table LinksData");
  harness.Open(harness.Page("p.html", "P"));
  auto texts = boxes_.texts();
  ASSERT_FALSE(texts.empty());
  EXPECT_TRUE(texts[0].starts_with(L"CTesselToolBarCtrl::UpdateScreen failed"));
  EXPECT_GT(texts[0].size(), std::wstring(L"CTesselToolBarCtrl::UpdateScreen failed").size());
}

}  // namespace
