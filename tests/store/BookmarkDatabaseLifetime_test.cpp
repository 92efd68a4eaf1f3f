#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ado/Connection.h"
#include "platform/text/WideText.h"
#include "store/CBookmarkDatabase.h"
#include "tests/support/TestDatabase.h"

namespace {

// Lends out its connection, as the cursors made on it do, so the test can watch it after the
// database object is gone.
class LendingStore : public CBookmarkDatabase {
 public:
  using CBookmarkDatabase::CBookmarkDatabase;
  CComPtr<ado::Connection> Lend() { return Connection().GetConnection(); }
};

class BookmarkDatabaseLifetimeTest : public IsolatedTest {
 protected:
  void SetUp() override { folder_ = MakeTestDataFolder(temp_); }
  std::filesystem::path WriteAheadLog() const { return std::filesystem::path(ToUtf8(folder_)) / "Bookmark.mdb-wal"; }
  std::wstring folder_;
};

TEST_F(BookmarkDatabaseLifetimeTest, DestructionClosesTheConnectionEvenWhileItIsStillHeld) {
  auto store = MakeCounted<LendingStore>(folder_);
  ASSERT_TRUE(store->AddBookmark(L"http://a/", L"C", L"written before the close"));
  CComPtr<ado::Connection> lent = store->Lend();
  ASSERT_EQ(lent->State(), ado::adStateOpen);
  ASSERT_TRUE(std::filesystem::exists(WriteAheadLog()));

  store.reset();
  EXPECT_EQ(lent->State(), ado::adStateClosed);
  // The last connection to close folds the log back into the file, which then stands alone.
  EXPECT_FALSE(std::filesystem::exists(WriteAheadLog()));
  EXPECT_EQ(QueryCount(folder_, "LinksData"), 1);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BookmarkDatabaseLifetimeTest, AnObjectWithoutAConnectionIsDestroyedQuietly) {
  ado::InjectCreationFailures(2);
  auto store = MakeCounted<LendingStore>(folder_);
  ado::InjectCreationFailures(0);
  EXPECT_FALSE(store->IsConnected());
  EXPECT_FALSE(store->Lend());
  ASSERT_EQ(boxes_.count(), 1u);  // the failed open, shown by the constructor
  store.reset();
  EXPECT_EQ(boxes_.count(), 1u);
}

}  // namespace
