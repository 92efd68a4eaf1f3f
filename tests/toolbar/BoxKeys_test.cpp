// Keys in the two boxes as the browser hands them to the band: Enter searches in the search box
// and renames in the category box, the editing keys edit the field, typing keys go to the field
// through the browser, and keys outside the boxes stay with the browser.
#include <gtest/gtest.h>

#include "platform/text/WideText.h"
#include "tests/reports/PageTestSupport.h"
#include "tests/support/BandHarness.h"
#include "tests/support/TestSupport.h"

namespace {

class BoxKeysTest : public IsolatedTest {
 protected:
  BoxKeysTest() : harness_(temp_) {
    ExecuteSql(harness_.DataFolder(),
               "insert into LinksCategory(Category) values ('Baking'), ('News'), ('Travel');"
               "insert into LinksData(HomePage, Category, Description) values"
               " ('http://127.0.0.1:9/pie', 'Baking', 'apple pie'),"
               " ('http://127.0.0.1:9/bread', 'Baking', 'banana bread'),"
               " ('http://127.0.0.1:9/paper', 'News', 'morning paper')");
    Toolbar().RefreshCategoryList();
    harness_.Open(harness_.Page("start.html", "Start"));
  }
  CTesselToolBarCtrl& Toolbar() { return harness_.Toolbar(); }
  std::wstring ResultPage() { return ReadPage(harness_.DataFolder() + L"/Bookmark.html"); }
  std::vector<std::wstring> Categories() {
    return QueryColumn(harness_.DataFolder(), "select Category from LinksCategory order by Category");
  }

  BandHarness harness_;
};

TEST_F(BoxKeysTest, EnterInTheSearchBoxSearchesAndListsTheWordsFirstEveryTime) {
  CSearchBox& box = Toolbar().SearchBox();
  SetWindowTextW(box, L"");
  harness_.Type(box, L"apple");
  EXPECT_EQ(GetWindowString(box), L"apple");
  EXPECT_EQ(harness_.Key(box, VK_RETURN), S_FALSE);  // the press is the browser's; the release searches
  EXPECT_EQ(BandHarness::ListOf(box), std::vector<std::wstring>{L"apple"});
  EXPECT_TRUE(harness_.Location().ends_with(L"/Bookmark.html"));
  EXPECT_NE(ResultPage().find(L"apple pie"), std::wstring::npos);
  EXPECT_EQ(ResultPage().find(L"banana bread"), std::wstring::npos);

  // The same words again are listed again, and other words go on top.
  SetWindowTextW(box, L"apple");
  harness_.Key(box, VK_RETURN);
  SetWindowTextW(box, L"bread paper");
  harness_.Key(box, VK_RETURN);
  EXPECT_EQ(BandHarness::ListOf(box), (std::vector<std::wstring>{L"bread paper", L"apple", L"apple"}));
  // OR, the stored condition: either word finds a bookmark.
  EXPECT_NE(ResultPage().find(L"banana bread"), std::wstring::npos);
  EXPECT_NE(ResultPage().find(L"morning paper"), std::wstring::npos);

  // A pick from the list searches for the picked words.
  ASSERT_TRUE(PickComboListItem(box, 1));
  PumpMessages();
  EXPECT_NE(ResultPage().find(L"apple pie"), std::wstring::npos);
  EXPECT_EQ(ResultPage().find(L"banana bread"), std::wstring::npos);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BoxKeysTest, EditingKeysEditTheFieldAndTheRestIsLeftToTheBrowser) {
  CSearchBox& box = Toolbar().SearchBox();
  SetWindowTextW(box, L"");
  harness_.Type(box, L"abcd");
  EXPECT_EQ(harness_.Key(box, VK_LEFT), S_OK);
  EXPECT_EQ(harness_.Key(box, VK_BACK), S_OK);
  EXPECT_EQ(GetWindowString(box), L"abd");
  EXPECT_EQ(harness_.Key(box, VK_HOME), S_OK);
  EXPECT_EQ(harness_.Key(box, VK_DELETE), S_OK);
  EXPECT_EQ(GetWindowString(box), L"bd");
  EXPECT_EQ(harness_.Key(box, VK_END), S_OK);
  EXPECT_EQ(harness_.Key(box, 'X'), S_FALSE);  // typed by the browser's own handling
  EXPECT_EQ(harness_.Key(box, VK_RIGHT), S_OK);
  EXPECT_EQ(harness_.Key(box, VK_UP), S_OK);
  EXPECT_EQ(harness_.Key(box, VK_DOWN), S_OK);
  EXPECT_EQ(GetWindowString(box), L"bdx");
  MSG f5{box.EditControl(), WM_KEYDOWN, 0x74, 0, 0, {}};
  EXPECT_EQ(harness_.Band()->TranslateAcceleratorIO(&f5), S_FALSE);

  // With the focus outside both boxes, every key is the browser's.
  SetFocus(harness_.Window());
  for (UINT key : {UINT{VK_RETURN}, UINT{VK_BACK}, UINT{VK_LEFT}, UINT{VK_DELETE}, UINT{'A'}}) {
    MSG msg{harness_.Window(), WM_KEYUP, key, 0, 0, {}};
    EXPECT_EQ(harness_.Band()->TranslateAcceleratorIO(&msg), S_FALSE) << key;
  }
  EXPECT_EQ(GetWindowString(box), L"bdx");
  EXPECT_EQ(harness_.Band()->TranslateAcceleratorIO(nullptr), S_FALSE);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BoxKeysTest, TypingInTheCategoryBoxRemembersTheNameOnceAndEnterRenamesIt) {
  CCategoryBox& box = Toolbar().CategoryBox();
  ASSERT_TRUE(PickComboListItem(box, 1));  // News
  EXPECT_EQ(Toolbar().RememberedCategory(), L"");  // a pick alone remembers nothing
  harness_.Type(box, L"room");
  EXPECT_EQ(GetWindowString(box), L"Newsroom");
  EXPECT_EQ(Toolbar().RememberedCategory(), L"News");

  harness_.Key(box, VK_RETURN);
  EXPECT_EQ(Categories(), (std::vector<std::wstring>{L"Baking", L"Newsroom", L"Travel"}));
  EXPECT_EQ(QueryText(harness_.DataFolder(), "select Category from LinksData where Description = 'morning paper'"),
            "Newsroom");
  EXPECT_EQ(BandHarness::ListOf(box), (std::vector<std::wstring>{L"Baking", L"Newsroom", L"Travel"}));
  EXPECT_EQ(GetWindowString(box), L"");
  EXPECT_EQ(Toolbar().RememberedCategory(), L"");

  // Enter without an edit renames the category to its own name and still empties the box.
  ASSERT_TRUE(PickComboListItem(box, 0));
  harness_.Key(box, VK_RETURN);
  EXPECT_EQ(Categories(), (std::vector<std::wstring>{L"Baking", L"Newsroom", L"Travel"}));
  EXPECT_EQ(GetWindowString(box), L"");
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BoxKeysTest, ANameShortenedFirstIsRememberedAsItWasBeforeTheEdit) {
  CCategoryBox& box = Toolbar().CategoryBox();
  // Travel → Trave → Travels: the category renamed is Travel, whichever key came first.
  ASSERT_TRUE(PickComboListItem(box, 2));
  harness_.ClickInto(box);
  harness_.Key(box, VK_BACK);
  harness_.Type(box, L"ls");
  harness_.Key(box, VK_RETURN);
  EXPECT_EQ(Categories(), (std::vector<std::wstring>{L"Baking", L"News", L"Travels"}));

  // Deleting the first letter first: Baking → aking → Making.
  ASSERT_TRUE(PickComboListItem(box, 0));
  harness_.ClickInto(box);
  harness_.Key(box, VK_HOME);
  harness_.Key(box, VK_DELETE);
  EXPECT_EQ(Toolbar().RememberedCategory(), L"Baking");
  harness_.Key(box, 'M');
  harness_.Key(box, VK_RETURN);
  EXPECT_EQ(Categories(), (std::vector<std::wstring>{L"News", L"Travels", L"making"}));
  EXPECT_EQ(QueryCount(harness_.DataFolder(), "LinksData"), 3);
  EXPECT_EQ(QueryText(harness_.DataFolder(), "select count(*) from LinksData where Category = 'making'"), "2");
}

TEST_F(BoxKeysTest, AStoredConditionInAnyCaseSearchesAndOneThatIsNeitherSaysWhatToPick) {
  // Stores two pies, opens a page and searches for `words` with Enter; returns the result page.
  auto search = [](BandHarness& harness, const wchar_t* words) {
    ExecuteSql(harness.DataFolder(), "insert into LinksData(HomePage, Category, Description) values"
                                     " ('http://127.0.0.1:9/pie', 'Baking', 'apple pie'),"
                                     " ('http://127.0.0.1:9/tart', 'Baking', 'apple tart')");
    harness.Open(harness.Page("start.html", "Start"));
    CSearchBox& box = harness.Toolbar().SearchBox();
    SetWindowTextW(box, words);
    harness.ClickInto(box);
    harness.Key(box, VK_RETURN);
    return ReadPage(harness.DataFolder() + L"/Bookmark.html");
  };
  {
    // "and" in lower case: no complaint, AND is checked, and two words must both be found.
    TempDir other;
    BandHarness lowerCase(other, BandSettings{L"0", L"and"});
    EXPECT_EQ(boxes_.count(), 0u);
    EXPECT_EQ(lowerCase.Toolbar().SearchCondition(), L"AND");
    const std::wstring page = search(lowerCase, L"APPLE Pie");
    EXPECT_NE(page.find(L"apple pie"), std::wstring::npos);
    EXPECT_EQ(page.find(L"apple tart"), std::wstring::npos);
    EXPECT_EQ(boxes_.count(), 0u);
  }

  // A condition that is neither: one word still searches, two words say which entry to pick.
  TempDir other;
  BandHarness badCondition(other, BandSettings{L"0", L"any"});
  boxes_.clear();
  EXPECT_NE(search(badCondition, L"apple").find(L"apple pie"), std::wstring::npos);
  EXPECT_EQ(boxes_.count(), 0u);
  EXPECT_TRUE(badCondition.Location().ends_with(L"/Bookmark.html"));

  CSearchBox& box = badCondition.Toolbar().SearchBox();
  SetWindowTextW(box, L"apple pie");
  badCondition.Key(box, VK_RETURN);
  auto texts = boxes_.texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_TRUE(texts[0].starts_with(L"CTesselToolBarCtrl::TranslateAcceleratorIO failed")) << texts[0];
  EXPECT_NE(texts[0].find(L"\"any\""), std::wstring::npos) << texts[0];
  EXPECT_NE(texts[0].find(L"\"Switch to AND search condition\" or \"Switch to OR search condition\""),
            std::wstring::npos)
      << texts[0];
  // The words were listed before the search ran; the toolbar goes on working.
  EXPECT_EQ(BandHarness::ListOf(box), (std::vector<std::wstring>{L"apple pie", L"apple"}));
  EXPECT_EQ(badCondition.Key(box, VK_LEFT), S_OK);
}

}  // namespace
