// The history log against a real database file: which visits are logged, what a row holds, and
// that a visit the table refuses disappears quietly.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/com/CountedObject.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"
#include "tests/reports/PageTestSupport.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using Rows = std::vector<std::vector<std::wstring>>;

class HistoryLogTest : public IsolatedTest {
 protected:
  HistoryLogTest() : folder_(MakeTestDataFolder(temp_)), db_(MakeCounted<CBookmarkDatabase>(folder_)) {}

  Rows History() { return QueryRows(folder_, "select URL, Title from History order by rowid"); }
  void Bookmark(const std::string& address) {
    ExecuteSql(folder_, "insert into LinksData(HomePage, Category, Description) values ('" + address +
                                       "', 'News', 'd')");
  }

  std::wstring folder_;
  CComPtr<CBookmarkDatabase> db_;
};

TEST_F(HistoryLogTest, EachVisitAddsOneRowWithItsTime) {
  db_->AddHistoryEntry(L"https://news.example/", L"News");
  db_->AddHistoryEntry(L"https://news.example/", L"News");
  db_->AddHistoryEntry(L"https://other.example/a", L"");
  EXPECT_EQ(History(), (Rows{{L"https://news.example/", L"News"},
                             {L"https://news.example/", L"News"},
                             {L"https://other.example/a", L""}}));
  EXPECT_THAT(QueryColumn(folder_, "select count(*) from History where CreateTime is null or CreateTime = ''"),
              ElementsAre(L"0"));
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(HistoryLogTest, EmptyAddressLogsNothing) {
  db_->AddHistoryEntry(L"", L"A title");
  db_->AddHistoryEntry(L"", L"");
  EXPECT_THAT(History(), IsEmpty());
}

TEST_F(HistoryLogTest, BookmarkedAddressesAreNotLogged) {
  Bookmark("https://news.example/daily");
  Bookmark("https://o''brien.example/");

  db_->AddHistoryEntry(L"https://news.example/daily", L"Daily");
  // The address with one final "/" matches the bookmark stored without it.
  db_->AddHistoryEntry(L"https://news.example/daily/", L"Daily");
  db_->AddHistoryEntry(L"https://o'brien.example/", L"O'Brien");
  EXPECT_THAT(History(), IsEmpty());

  // The other way round there is no match: the address without "/" is a different page.
  db_->AddHistoryEntry(L"https://o'brien.example", L"O'Brien");
  // Two final slashes lose only one.
  db_->AddHistoryEntry(L"https://news.example/daily//", L"Daily");
  EXPECT_EQ(History(), (Rows{{L"https://o'brien.example", L"O'Brien"}, {L"https://news.example/daily//", L"Daily"}}));

  // Once the bookmark is gone the page is logged again.
  ExecuteSql(folder_, "delete from LinksData where HomePage = 'https://news.example/daily'");
  db_->AddHistoryEntry(L"https://news.example/daily", L"Daily");
  EXPECT_EQ(History().size(), 3u);
}

TEST_F(HistoryLogTest, HostileAddressesAndTitlesAreStoredUnchanged) {
  const std::vector<std::pair<std::wstring, std::wstring>> visits{
      {L"https://o'brien.example/?q='", L"O'Brien's ''page''"},
      {L"https://x.example/'); drop table LinksData; --", L"'); delete from History; --"},
      {L"https://x.example/' or '1'='1", L"yes no [yes] \"no\""},
      {L"https://x.example/\x01\x1b[0m", L"tab\there\r\nline\x7f" L"end"},
      {L"https://x.example/\U0001F600", L"\U0001D11E \U00020BB7 %s %i %%"},
  };
  for (const auto& [address, title] : visits) db_->AddHistoryEntry(address, title);

  Rows expected;
  for (const auto& [address, title] : visits) expected.push_back({address, title});
  EXPECT_EQ(History(), expected);
  EXPECT_EQ(QueryText(folder_, "select count(*) from sqlite_master where type = 'table' and name in "
                               "('LinksData', 'LinksCategory', 'History', 'FormURL', 'FormURLData')"),
            "5");
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(HistoryLogTest, AVisitTooLongForTheTableIsLeftOutQuietly) {
  const std::wstring longestAddress = L"https://x.example/" + std::wstring(2048 - 18, L'a');
  const std::wstring longestTitle(1024, L't');
  ASSERT_EQ(longestAddress.size(), 2048u);

  EXPECT_NO_THROW(db_->AddHistoryEntry(longestAddress + L"b", L"too long address"));
  EXPECT_NO_THROW(db_->AddHistoryEntry(L"https://x.example/", longestTitle + L"u"));
  EXPECT_THAT(History(), IsEmpty());
  EXPECT_EQ(boxes_.count(), 0u);

  // At the limits the visit is stored.
  db_->AddHistoryEntry(longestAddress, longestTitle);
  EXPECT_EQ(History(), (Rows{{longestAddress, longestTitle}}));
}

TEST_F(HistoryLogTest, ClearHistoryRemovesEveryRow) {
  db_->AddHistoryEntry(L"https://a.example/", L"A");
  db_->AddHistoryEntry(L"https://b.example/", L"B");
  db_->ClearHistory();
  EXPECT_THAT(History(), IsEmpty());
  EXPECT_NO_THROW(db_->ClearHistory());
  // The bookmarks are not part of the log.
  Bookmark("https://kept.example/");
  db_->ClearHistory();
  EXPECT_THAT(QueryColumn(folder_, "select HomePage from LinksData"), ElementsAre(L"https://kept.example/"));
}

TEST_F(HistoryLogTest, TheHistoryPageListsLoggedVisitsNewestFirstAndNothingAfterClearing) {
  // Logged within the same moment, so the order rests on the table's own time and tie-breaking.
  db_->AddHistoryEntry(L"https://first.example/", L"First");
  db_->AddHistoryEntry(L"https://second.example/", L"Second");
  ASSERT_EQ(db_->WriteHistoryPage(), db_->GetPagePath());
  std::wstring page = ReadPage(db_->GetPagePath());
  size_t second = page.find(L"https://second.example/");
  size_t first = page.find(L"https://first.example/");
  ASSERT_NE(second, std::wstring::npos);
  ASSERT_NE(first, std::wstring::npos);
  EXPECT_LT(second, first);

  db_->ClearHistory();
  ASSERT_EQ(db_->WriteHistoryPage(), db_->GetPagePath());
  EXPECT_EQ(ReadPage(db_->GetPagePath()), PageStart() + page::kPageTail);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(HistoryLogTest, ADatabaseThatDidNotOpenRaisesInsteadOfTouchingTheFile) {
  TempDir empty;
  auto closed = MakeCounted<CBookmarkDatabase>(empty.wpath());
  EXPECT_EQ(boxes_.count(), 1u);  // the open failure, at construction
  EXPECT_THROW(closed->AddHistoryEntry(L"https://a.example/", L"A"), CCustomException);
  EXPECT_THROW(closed->ClearHistory(), CCustomException);
  EXPECT_EQ(boxes_.count(), 1u);
}

}  // namespace
