#include <gtest/gtest.h>

#include "platform/text/WideText.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ReadOnlyFile.h"
#include "tests/support/TestDatabase.h"

namespace {

class BookmarkOperationsTest : public IsolatedTest {
 protected:
  void SetUp() override {
    folder_ = MakeTestDataFolder(temp_);
    store_ = MakeCounted<CBookmarkDatabase>(folder_);
  }
  std::pair<std::wstring, std::wstring> Find(const std::wstring& address) {
    std::wstring category = L"stale", description = L"stale";
    store_->FindBookmark(address, category, description);
    return {category, description};
  }
  long long Links() { return QueryCount(folder_, "LinksData"); }
  std::wstring folder_;
  CComPtr<CBookmarkDatabase> store_;
};

TEST(AlternateAddress, DropsOneFinalSlashOnly) {
  EXPECT_EQ(CBookmarkDatabase::AlternateAddress(L"http://a/b/"), L"http://a/b");
  EXPECT_EQ(CBookmarkDatabase::AlternateAddress(L"http://a//"), L"http://a/");
  EXPECT_EQ(CBookmarkDatabase::AlternateAddress(L"http://a"), L"http://a");
  EXPECT_EQ(CBookmarkDatabase::AlternateAddress(L""), L"");
}

TEST_F(BookmarkOperationsTest, AddingStoresTheCategoryFirstAndFindsTheBookmark) {
  EXPECT_TRUE(store_->AddBookmark(L"http://news.example/", L"News", L"  Daily news  "));
  EXPECT_EQ(QueryText(folder_, "select Category from LinksCategory"), "News");
  EXPECT_EQ(Find(L"http://news.example/"), std::make_pair(std::wstring(L"News"), std::wstring(L"Daily news")));
  EXPECT_TRUE(store_->AddBookmark(L"http://other.example/", L"News", L"Other"));
  EXPECT_EQ(QueryCount(folder_, "LinksCategory"), 1);  // an existing category adds no row
  EXPECT_EQ(Find(L"http://missing.example/"), std::make_pair(std::wstring(), std::wstring()));
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BookmarkOperationsTest, TheAlternateAddressRulesWorkOneWayOnly) {
  ASSERT_TRUE(store_->AddBookmark(L"http://a.example", L"C", L"without slash"));
  // With a final "/" the address finds the row stored without it ...
  EXPECT_FALSE(store_->AddBookmark(L"http://a.example/", L"C", L"again"));
  EXPECT_EQ(boxes_.texts().back(), L"http://a.example/ already exists.");
  EXPECT_EQ(Find(L"http://a.example/").second, L"without slash");

  ASSERT_TRUE(store_->AddBookmark(L"http://b.example/", L"C", L"with slash"));
  // ... but without it, it does not find the row stored with it.
  EXPECT_EQ(Find(L"http://b.example").first, L"");
  EXPECT_TRUE(store_->AddBookmark(L"http://b.example", L"C", L"second row"));
  EXPECT_EQ(Links(), 3);

  // Deleting with the final "/" removes both forms.
  EXPECT_EQ(store_->DeleteBookmark(L"http://b.example/"), StoreOutcome::Done);
  EXPECT_EQ(Links(), 1);
  EXPECT_EQ(QueryCount(folder_, "LinksCategory"), 1);  // the category stays
}

TEST_F(BookmarkOperationsTest, AnExistingAddressOrABadCategoryStoresNothing) {
  ASSERT_TRUE(store_->AddBookmark(L"http://a/", L"C", L"d"));
  boxes_.clear();
  EXPECT_FALSE(store_->AddBookmark(L"http://a/", L"D", L"d"));
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{L"http://a/ already exists."});
  boxes_.clear();
  EXPECT_FALSE(store_->AddBookmark(L"http://b/", L"bad:name", L"d"));
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{L"Invalid character found. Category name cannot include /\\:?<>|."});
  EXPECT_EQ(Links(), 1);
}

TEST_F(BookmarkOperationsTest, AFailedInsertIsReportedOnceAndAnswersFalse) {
  const std::wstring longAddress = L"http://x/" + std::wstring(3000, L'a');
  EXPECT_FALSE(store_->AddBookmark(longAddress, L"C", L"d"));
  ASSERT_EQ(boxes_.count(), 1u);
  std::wstring text = boxes_.texts()[0];
  EXPECT_EQ(text.rfind(L"Error Code = 80040e57 ", 0), 0u);
  EXPECT_NE(text.find(L"\ninsert into LinksData (HomePage, Category, Description) values ('" + longAddress),
            std::wstring::npos);
  EXPECT_EQ(Links(), 0);
}

TEST_F(BookmarkOperationsTest, UpdateChangesTheBookmarkAndReportsANewCategory) {
  ASSERT_TRUE(store_->AddBookmark(L"http://a", L"Old", L"old text"));
  StoreOutcome outcome = StoreOutcome::ErrorReported;
  EXPECT_TRUE(store_->UpdateBookmark(L"http://a/", L"New", L"new text", &outcome));
  EXPECT_EQ(outcome, StoreOutcome::Done);
  EXPECT_EQ(Find(L"http://a"), std::make_pair(std::wstring(L"New"), std::wstring(L"new text")));
  EXPECT_FALSE(store_->UpdateBookmark(L"http://a", L"New", L"newer"));
  // An address that is not stored is refused in a box: no bookmark changes and no category is added.
  EXPECT_FALSE(store_->UpdateBookmark(L"http://unknown", L"Third", L"x", &outcome));
  EXPECT_EQ(outcome, StoreOutcome::Refused);
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{L"http://unknown is not bookmarked."});
  EXPECT_EQ(store_->DeleteBookmark(L"http://unknown/"), StoreOutcome::Refused);
  EXPECT_EQ(boxes_.texts().back(), L"http://unknown/ is not bookmarked.");
  EXPECT_EQ(Links(), 1);
  EXPECT_EQ(QueryCount(folder_, "LinksCategory"), 2);

  EXPECT_FALSE(store_->UpdateBookmark(L"http://a", L"New", std::wstring(2000, L'd'), &outcome));
  EXPECT_EQ(outcome, StoreOutcome::ErrorReported);
  EXPECT_NE(boxes_.texts().back().find(L"\nupdate LinksData set Category ='New', Description = '"), std::wstring::npos);
  EXPECT_EQ(Find(L"http://a").second, L"newer");
}

TEST_F(BookmarkOperationsTest, ApostrophesGoThroughEveryOperation) {
  const std::wstring address = L"http://it's.example/o'neil?q='1'";
  ASSERT_TRUE(store_->AddBookmark(address, L"Bob's", L"O'Neil's page"));
  EXPECT_EQ(Find(address), std::make_pair(std::wstring(L"Bob's"), std::wstring(L"O'Neil's page")));
  EXPECT_FALSE(store_->AddBookmark(address, L"Bob's", L"again"));
  store_->UpdateBookmark(address, L"Ann's", L"it's changed");
  EXPECT_EQ(Find(address).second, L"it's changed");
  store_->ReplaceAddress(address, L"http://new'place/");
  EXPECT_EQ(Find(L"http://new'place/").first, L"Ann's");
  EXPECT_EQ(store_->DeleteBookmark(L"http://new'place/"), StoreOutcome::Done);
  EXPECT_EQ(Links(), 0);
}

TEST_F(BookmarkOperationsTest, HostileTextsComeBackUnchanged) {
  const std::wstring texts[] = {
      L"x'); delete from LinksData; --",
      L"' or ''='",
      L"<script>alert(1)</script> & \"quotes\"",
      L"ctl\x01\x02\x1b\u0085 tab\tin",
      L"\U0001F600\U00010348 beyond the plane",
      L"100% _matches_ [brackets] yes no",
  };
  int n = 0;
  for (const auto& text : texts) {
    std::wstring address = L"http://h/" + std::to_wstring(n++) + text;
    ASSERT_TRUE(store_->AddBookmark(address, L"Cat " + std::to_wstring(n), text)) << ToUtf8(text);
    auto found = Find(address);
    EXPECT_EQ(found.second, text);
  }
  EXPECT_EQ(Links(), static_cast<long long>(std::size(texts)));
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BookmarkOperationsTest, BulkAddSkipsStoredAddressesAndEmptiesTheList) {
  CBookmarkRecordList empty;
  store_->AddBookmarks(empty);
  EXPECT_EQ(Links(), 0);

  ASSERT_TRUE(store_->AddBookmark(L"http://stored", L"A", L"kept"));
  CBookmarkRecordList list = {
      {L"A", L"dup via alternate", L"http://stored/"},
      {L"B", L"new one", L"http://new/"},
      {L"bad|name", L"stored without category row", L"http://bad/"},
      {L"B", L"too long", L"http://long/" + std::wstring(3000, L'x')},
      {L"B", L"after the failure", L"http://after/"},
  };
  boxes_.clear();
  BulkAddCounts counts;
  EXPECT_EQ(store_->AddBookmarks(list, &counts), StoreOutcome::Done);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(Links(), 4);
  EXPECT_EQ(counts.stored, 3u);
  EXPECT_EQ(counts.alreadyStored, 1u);
  EXPECT_EQ(counts.refused, 1u);
  EXPECT_EQ(Find(L"http://stored").second, L"kept");
  EXPECT_EQ(Find(L"http://bad/").first, L"bad|name");
  EXPECT_EQ(QueryText(folder_, "select count(*) from LinksCategory where Category = 'bad|name'"), "0");
  // Only the refused category name is reported; the failed insert is dropped silently.
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{L"Invalid character found. Category name cannot include /\\:?<>|."});

  CBookmarkRecordList again = {{L"A", L"x", L"http://stored"}, {L"B", L"y", L"http://new/"}};
  store_->AddBookmarks(again, &counts);
  EXPECT_TRUE(again.empty());
  EXPECT_EQ(counts.stored, 0u);
  EXPECT_EQ(counts.alreadyStored, 2u);
  EXPECT_EQ(Links(), 4);
}

TEST_F(BookmarkOperationsTest, BulkAddTellsStoredAddressesByTheirExactText) {
  // Values stored with blanks around them, as an older store may hold them: only the same text
  // (or its alternate form) counts as stored.
  ExecuteSql(folder_, "insert into LinksData (HomePage, Category, Description) values (' http://spaced/ ', 'A', 'old')");
  CBookmarkRecordList list = {
      {L"A", L"same text", L" http://spaced/ "},
      {L"A", L"without the blanks", L"http://spaced/"},
      {L"A", L"again, in the same list, as the alternate form", L"http://spaced//"},
      {L"bad|name", L"one", L"http://bad1/"},
      {L"bad|name", L"two", L"http://bad2/"},
  };
  boxes_.clear();
  BulkAddCounts counts;
  ASSERT_EQ(store_->AddBookmarks(list, &counts), StoreOutcome::Done);
  EXPECT_EQ(counts.stored, 3u);
  EXPECT_EQ(counts.alreadyStored, 2u);
  EXPECT_EQ(QueryColumn(folder_, "select Description from LinksData order by Description"),
            (std::vector<std::wstring>{L"old", L"one", L"two", L"without the blanks"}));
  // A refused category name is reported for each record that carries it.
  EXPECT_EQ(boxes_.count(), 2u);
}

// Records the addresses the bulk operations report.
class ProgressStore : public CBookmarkDatabase {
 public:
  using CBookmarkDatabase::CBookmarkDatabase;
  void ReportProgress(const std::wstring& address) override {
    reported.push_back(address);
    if (failAt && reported.size() == failAt) throw CCustomException(L"stop");
  }
  std::vector<std::wstring> reported;
  size_t failAt = 0;
};

TEST_F(BookmarkOperationsTest, BulkOperationsReportEachAddressAndLoadInAddressOrder) {
  auto progress = MakeCounted<ProgressStore>(folder_);
  CBookmarkRecordList list = {{L"C", L"two", L"http://b/"}, {L"C", L"one", L"http://a/"}};
  progress->AddBookmarks(list);
  EXPECT_EQ(progress->reported, (std::vector<std::wstring>{L"http://b/", L"http://a/"}));

  progress->reported.clear();
  CBookmarkRecordList loaded = {{L"pre", L"existing", L"entry"}};
  progress->LoadAllBookmarks(loaded);
  ASSERT_EQ(loaded.size(), 3u);  // appended, not replaced
  EXPECT_EQ(loaded[1], CBookmarkRecord(L"C", L"one", L"http://a/"));
  EXPECT_EQ(loaded[2], CBookmarkRecord(L"C", L"two", L"http://b/"));
  EXPECT_EQ(progress->reported, (std::vector<std::wstring>{L"http://a/", L"http://b/"}));

  // An error from the progress report ends the bulk add, keeps what was stored and the list.
  progress->reported.clear();
  progress->failAt = 2;
  CBookmarkRecordList more = {{L"C", L"x", L"http://x/"}, {L"C", L"y", L"http://y/"}};
  EXPECT_THROW(progress->AddBookmarks(more), CCustomException);
  EXPECT_EQ(more.size(), 2u);
  EXPECT_EQ(Links(), 3);

  // A read that an error ends halfway leaves no cursor open for the next operation.
  progress->reported.clear();
  progress->failAt = 1;
  CBookmarkRecordList partial;
  EXPECT_THROW(progress->LoadAllBookmarks(partial), CCustomException);
  progress->failAt = 0;
  EXPECT_TRUE(progress->AddBookmark(L"http://later/", L"C", L"after the error"));
  EXPECT_EQ(progress->WriteAllBookmarksPage(), folder_ + L"/Bookmark.html");
}

// A store whose connection enforces foreign keys, so that a deferred constraint can refuse the
// commit of a bulk add after every one of its statements went through.
class DeferredCheckStore : public ProgressStore {
 public:
  explicit DeferredCheckStore(std::wstring folder) : ProgressStore(std::move(folder)) {
    Connection().Execute(L"PRAGMA foreign_keys = ON");
  }
};

TEST_F(BookmarkOperationsTest, ABulkAddWhoseCommitFailsIsReportedStoresNothingAndKeepsTheList) {
  ASSERT_TRUE(store_->AddBookmark(L"http://stored/", L"Old", L"kept"));
  // Every stored bookmark leaves a row that points nowhere; the check waits for the commit.
  ExecuteSql(folder_,
             "create table Allowed (ID INTEGER PRIMARY KEY);"
             "create table Pending (ID INTEGER REFERENCES Allowed (ID) DEFERRABLE INITIALLY DEFERRED);"
             "create trigger RefuseCommit after insert on LinksData begin insert into Pending values (0); end;");
  auto store = MakeCounted<DeferredCheckStore>(folder_);
  const CBookmarkRecordList records = {{L"New", L"one", L"http://one/"}, {L"New", L"two", L"http://two/"}};
  CBookmarkRecordList list = records;
  boxes_.clear();
  EXPECT_EQ(store->AddBookmarks(list), StoreOutcome::ErrorReported);
  EXPECT_EQ(list, records);
  ASSERT_EQ(boxes_.count(), 1u);
  const std::wstring text = boxes_.texts()[0];
  EXPECT_EQ(text.rfind(L"Error Code = 80040e2f ", 0), 0u) << ToUtf8(text);
  EXPECT_TRUE(text.ends_with(L" \ncommit")) << ToUtf8(text);
  // Rolled back, not left open: the store's own connection sees none of it either.
  std::wstring category, description;
  store->FindBookmark(L"http://one/", category, description);
  EXPECT_EQ(description, L"");
  EXPECT_EQ(Links(), 1);
  EXPECT_EQ(QueryCount(folder_, "LinksCategory"), 1);

  // An error that ends the add early commits what was stored on the way out; when that commit
  // fails, it is reported as well, beside the error that reaches the caller.
  store->reported.clear();
  store->failAt = 2;
  boxes_.clear();
  EXPECT_THROW(store->AddBookmarks(list), CCustomException);
  EXPECT_EQ(list, records);
  ASSERT_EQ(boxes_.count(), 1u);
  EXPECT_TRUE(boxes_.texts()[0].ends_with(L" \ncommit"));
  EXPECT_EQ(Links(), 1);

  // Once nothing refuses the commit, the same connection stores the kept list whole.
  ExecuteSql(folder_, "drop trigger RefuseCommit");
  store->failAt = 0;
  boxes_.clear();
  EXPECT_EQ(store->AddBookmarks(list), StoreOutcome::Done);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(Links(), 3);
  EXPECT_EQ(QueryCount(folder_, "LinksCategory"), 2);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BookmarkOperationsTest, ABulkAddOnAFileItCannotWriteFailsWholeInsteadOfSkippingEveryRecord) {
  ASSERT_TRUE(store_->AddBookmark(L"http://stored/", L"Old", L"kept"));
  const CBookmarkRecordList records = {{L"Old", L"one", L"http://one/"}, {L"Old", L"two", L"http://two/"}};
  const std::string file = ToUtf8(folder_) + "/Bookmark.mdb";
  {
    // Another program holds the file in a transaction of its own.
    ChildProcess holder(TestChildProgram(), {"lock", file});
    ASSERT_EQ(holder.ReadLine(), "locked");
    CBookmarkRecordList list = records;
    BulkAddCounts counts{9, 9, 9};
    boxes_.clear();
    EXPECT_EQ(store_->AddBookmarks(list, &counts), StoreOutcome::ErrorReported);
    EXPECT_EQ(list, records);
    EXPECT_EQ(counts.stored + counts.alreadyStored + counts.refused, 0u);
    ASSERT_EQ(boxes_.count(), 1u);
    EXPECT_NE(boxes_.texts()[0].find(L"database is locked"), std::wstring::npos) << ToUtf8(boxes_.texts()[0]);
    holder.CloseInput();
    EXPECT_EQ(holder.Wait(), 0);
  }
  {
    // A store opened on a read-only file.
    store_.reset();
    ReadOnlyFile readOnly(file);
    ASSERT_TRUE(readOnly.Holds());
    auto store = MakeCounted<CBookmarkDatabase>(folder_);
    CBookmarkRecordList list = records;
    boxes_.clear();
    EXPECT_EQ(store->AddBookmarks(list), StoreOutcome::ErrorReported);
    EXPECT_EQ(list, records);
    ASSERT_FALSE(boxes_.texts().empty());
    EXPECT_NE(boxes_.texts().back().find(L"readonly database"), std::wstring::npos) << ToUtf8(boxes_.texts().back());
  }
  EXPECT_EQ(Links(), 1);
  // The file writable and free again, the same records go in whole.
  store_ = MakeCounted<CBookmarkDatabase>(folder_);
  CBookmarkRecordList list = records;
  boxes_.clear();
  EXPECT_EQ(store_->AddBookmarks(list), StoreOutcome::Done);
  EXPECT_EQ(Links(), 3);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BookmarkOperationsTest, ListAndReplaceAddressesForTheRepairJob) {
  std::vector<std::wstring> list{L"old"};
  store_->ListAddresses(list);
  EXPECT_TRUE(list.empty());
  store_->AddBookmark(L"http://b/", L"C", L"");
  store_->AddBookmark(L"http://a/", L"C", L"");
  store_->ListAddresses(list);
  EXPECT_EQ(list, (std::vector<std::wstring>{L"http://a/", L"http://b/"}));
  store_->ReplaceAddress(L"http://a", L"http://moved/");  // exact match only: nothing changes
  store_->ReplaceAddress(L"http://b/", L"http://a/");     // no check for an existing row
  store_->ListAddresses(list);
  EXPECT_EQ(list, (std::vector<std::wstring>{L"http://a/", L"http://a/"}));
}

TEST_F(BookmarkOperationsTest, ReadErrorsReachTheCaller) {
  ExecuteSql(folder_, "drop table LinksData");
  std::wstring c, d;
  EXPECT_THROW(store_->FindBookmark(L"http://a/", c, d), CCustomException);
  EXPECT_THROW(store_->AddBookmark(L"http://a/", L"C", L"d"), CCustomException);
  CBookmarkRecordList list;
  EXPECT_THROW(store_->LoadAllBookmarks(list), CCustomException);
  std::vector<std::wstring> addresses;
  store_->ListAddresses(addresses);  // reports its own error
  ASSERT_EQ(boxes_.count(), 1u);
  EXPECT_NE(boxes_.texts()[0].find(L"\nselect HomePage from LinksData order by HomePage"), std::wstring::npos);
  // Once the table is back, lookups work again.
  ExecuteSql(folder_, "create table LinksData (HomePage TEXT, Category TEXT, Description TEXT)");
  store_->FindBookmark(L"http://a/", c, d);
  EXPECT_EQ(c, L"");
}

}  // namespace
