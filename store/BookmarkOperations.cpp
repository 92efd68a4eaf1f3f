// Bookmark operations of the bookmark database object: look up, add, change and delete one
// bookmark, the bulk operations of import, export and repair, and the bookmark pages.
#include <unordered_set>

#include "band/ModuleMessage.h"
#include "platform/text/Format.h"
#include "platform/text/WideText.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"

namespace {

// Holds the statements of a bulk operation in one transaction, so that ten thousand inserts
// cost one commit. Unless the operation abandons the transaction (the bulk add does, on a
// failure that would refuse every record after it), rows a statement stored stay stored
// whatever error ends the operation early: the transaction is then committed on the way out, as
// if each statement had committed on its own. A commit that fails is rolled back and reported as
// every store error that changes data is, so the operation never seems to have stored what it
// did not.
class BulkTransaction {
 public:
  explicit BulkTransaction(CADODatabase& db) : db_(db) {
    try {
      // The file's write lock is taken now, waiting for another writer as any statement does: a
      // transaction that took it only at its first insert would find it taken without waiting
      // (its reads have begun), and fail half way through.
      db_.Execute(L"begin immediate");
      open_ = true;
    } catch (const CCustomException&) {
      // Without a transaction every statement commits by itself: the rows stored before a
      // failure then stay, even where the operation would have abandoned them.
    }
  }
  ~BulkTransaction() {
    try {
      Commit();
    } catch (...) {
      // Reporting must not end the program while an error is on its way to the caller.
    }
  }
  BulkTransaction(const BulkTransaction&) = delete;
  BulkTransaction& operator=(const BulkTransaction&) = delete;

  // Ends the transaction without storing any of it.
  void Abandon() {
    if (!open_) return;
    open_ = false;
    Rollback();
  }

  // Ends the transaction. ErrorReported when the commit failed: then nothing of the transaction
  // is stored and the message box has shown the error and the statement.
  StoreOutcome Commit() {
    if (!open_) return StoreOutcome::Done;
    open_ = false;
    const std::wstring statement = L"commit";
    try {
      db_.Execute(statement);
      return StoreOutcome::Done;
    } catch (const CCustomException& e) {
      Rollback();
      ShowStoreError(e, statement);
      return StoreOutcome::ErrorReported;
    }
  }

 private:
  // A failed commit may leave the transaction open (a deferred constraint) or end it (an engine
  // that gave up); either way none of it stays, and the connection takes new statements again.
  void Rollback() {
    try {
      db_.Execute(L"rollback");
    } catch (const CCustomException&) {
      // No transaction left to roll back.
    }
  }

  CADODatabase& db_;
  bool open_ = false;
};

// The refusal of a change or delete that finds no bookmark, in the box of the store's other refusals.
void ShowNotBookmarked(const std::wstring& address) { ShowMessage(address + L" is not bookmarked."); }

}  // namespace

std::wstring CBookmarkDatabase::AlternateAddress(const std::wstring& address) {
  if (!address.empty() && address.back() == L'/') return address.substr(0, address.size() - 1);
  return address;
}

void CBookmarkDatabase::FindBookmark(const std::wstring& address, std::wstring& category, std::wstring& description) {
  CADORecordset& cursor = BookmarkCursor();
  const std::wstring quoted = DoubleQuotes(address);
  cursor.Open(Format(L"select HomePage, Category, Description from LinksData where HomePage = '%s' or HomePage = '%s'",
                     quoted, AlternateAddress(quoted)));
  category.clear();
  description.clear();
  if (!cursor.IsEOF()) {
    category = cursor.GetFieldText(L"Category");
    description = cursor.GetFieldText(L"Description");
  }
  cursor.Close();
}

bool CBookmarkDatabase::BookmarkExists(const std::wstring& quotedAddress) {
  CADORecordset& cursor = BookmarkCursor();
  cursor.Open(Format(L"select * from LinksData where HomePage = '%s' or HomePage = '%s'", quotedAddress,
                     AlternateAddress(quotedAddress)));
  bool exists = !cursor.IsEOF();
  cursor.Close();
  return exists;
}

bool CBookmarkDatabase::AddBookmark(const std::wstring& address, const std::wstring& category,
                                    const std::wstring& description) {
  RequireConnection();
  const std::wstring quotedAddress = DoubleQuotes(address);
  if (BookmarkExists(quotedAddress)) {
    ShowMessage(address + L" already exists.");
    return false;
  }
  if (!AddCategory(category)) return false;
  const std::wstring statement =
      Format(L"insert into LinksData (HomePage, Category, Description) values ('%s', '%s', '%s')", quotedAddress,
             DoubleQuotes(category), DoubleQuotes(description));
  try {
    Connection().Execute(statement);
  } catch (const CCustomException& e) {
    ShowStoreError(e, statement);
    return false;  // the caller must not follow the error with a success message
  }
  return true;
}

bool CBookmarkDatabase::UpdateBookmark(const std::wstring& address, const std::wstring& category,
                                       const std::wstring& description, StoreOutcome* outcome) {
  CADORecordset& cursor = CategoryCursor();
  bool categoryAdded = false;
  if (outcome) *outcome = StoreOutcome::Done;
  const std::wstring quotedCategory = DoubleQuotes(category);
  const std::wstring quotedAddress = DoubleQuotes(address);
  std::wstring statement;
  try {
    // Nothing to change: no category is added for it and no success follows.
    statement = Format(L"select * from LinksData where HomePage = '%s' or HomePage = '%s'", quotedAddress,
                       AlternateAddress(quotedAddress));
    if (!BookmarkExists(quotedAddress)) {
      ShowNotBookmarked(address);
      if (outcome) *outcome = StoreOutcome::Refused;
      return false;
    }
    statement = Format(L"select * from LinksCategory where Category = '%s'", quotedCategory);
    cursor.Open(statement);
    bool missing = cursor.IsEOF();
    cursor.Close();
    if (missing) {
      statement = Format(L"insert into LinksCategory(Category) values ('%s')", quotedCategory);
      Connection().Execute(statement);
      categoryAdded = true;
    }
    statement = Format(
        L"update LinksData set Category ='%s', Description = '%s' where HomePage = '%s' or HomePage = '%s'",
        quotedCategory, DoubleQuotes(description), quotedAddress, AlternateAddress(quotedAddress));
    Connection().Execute(statement);
  } catch (const CCustomException& e) {
    ShowStoreError(e, statement);
    if (outcome) *outcome = StoreOutcome::ErrorReported;
  }
  return categoryAdded;
}

StoreOutcome CBookmarkDatabase::DeleteBookmark(const std::wstring& address) {
  RequireConnection();
  const std::wstring quoted = DoubleQuotes(address);
  std::wstring statement =
      Format(L"select * from LinksData where HomePage = '%s' or HomePage = '%s'", quoted, AlternateAddress(quoted));
  try {
    if (!BookmarkExists(quoted)) {
      ShowNotBookmarked(address);
      return StoreOutcome::Refused;
    }
    statement =
        Format(L"delete from LinksData where HomePage = '%s' or HomePage = '%s'", quoted, AlternateAddress(quoted));
    Connection().Execute(statement);
  } catch (const CCustomException& e) {
    ShowStoreError(e, statement);
    return StoreOutcome::ErrorReported;
  }
  return StoreOutcome::Done;
}

void CBookmarkDatabase::ListAddresses(std::vector<std::wstring>& list) {
  list.clear();
  CADORecordset& cursor = BookmarkCursor();
  const std::wstring statement = L"select HomePage from LinksData order by HomePage";
  try {
    cursor.Open(statement);
    while (!cursor.IsEOF()) {
      list.push_back(cursor.GetFieldText(L"HomePage"));
      cursor.MoveNext();
    }
    cursor.Close();
  } catch (const CCustomException& e) {
    ShowStoreError(e, statement);
  }
}

void CBookmarkDatabase::ReplaceAddress(const std::wstring& oldAddress, const std::wstring& newAddress) {
  RequireConnection();
  const std::wstring statement = Format(L"update LinksData set HomePage ='%s' where HomePage = '%s'",
                                        DoubleQuotes(newAddress), DoubleQuotes(oldAddress));
  try {
    Connection().Execute(statement);
  } catch (const CCustomException& e) {
    ShowStoreError(e, statement);
  }
}

StoreOutcome CBookmarkDatabase::AddBookmarks(CBookmarkRecordList& list, BulkAddCounts* counts) {
  RequireConnection();
  BulkAddCounts done;
  // Categories this call has made sure of. Within its transaction no one else writes, so a
  // category row once there stays, and a hundred thousand records in a hundred categories ask
  // for each category once instead of once per record.
  std::unordered_set<std::wstring> ensured;
  BulkTransaction transaction(Connection());
  // A failed operation keeps none of its rows and reports no counts.
  auto failed = [counts] {
    if (counts) *counts = BulkAddCounts{};
    return StoreOutcome::ErrorReported;
  };
  // Every stored address, trimmed, read in one pass: an address whose forms are not among them
  // is certainly not stored, and needs no query of its own. Any other is tested as always.
  std::unordered_set<std::wstring> storedTrimmed;
  if (!list.empty()) {
    CADORecordset& cursor = BookmarkCursor();
    cursor.Open(L"select HomePage from LinksData");
    while (!cursor.IsEOF()) {
      storedTrimmed.insert(cursor.GetFieldText(L"HomePage"));
      cursor.MoveNext();
    }
    cursor.Close();
  }
  auto mayBeStored = [&](const std::wstring& address) {
    return storedTrimmed.contains(Trim(address)) || storedTrimmed.contains(Trim(AlternateAddress(address)));
  };
  for (const CBookmarkRecord& record : list) {
    ReportProgress(record.address);
    const std::wstring category = DoubleQuotes(record.category);
    const std::wstring description = DoubleQuotes(record.description);
    const std::wstring address = DoubleQuotes(record.address);
    // A refused name is reported for every record that carries it; the bookmark is stored all the same.
    if (!ensured.contains(record.category) && AddCategory(record.category)) ensured.insert(record.category);
    if (mayBeStored(record.address) && BookmarkExists(address)) {
      ++done.alreadyStored;
      continue;
    }
    const std::wstring statement = Format(
        L"insert into LinksData(Category, Description, HomePage) values ('%s', '%s', '%s')", category, description,
        address);
    try {
      Connection().Execute(statement);
      storedTrimmed.insert(Trim(record.address));
      ++done.stored;
    } catch (const CCustomException& e) {
      // A record the database refuses for its values is skipped without a word; the next one
      // follows. Any other failure (a file that is locked, read-only or gone) would refuse every
      // record after it too: the whole operation fails, and none of it stays.
      if (e.Cause() != DB_E_DATAOVERFLOW && e.Cause() != DB_E_INTEGRITYVIOLATION) {
        transaction.Abandon();
        ShowStoreError(e, statement);
        return failed();
      }
      ++done.refused;
    }
  }
  // The list stays as it was when nothing was stored, so the caller still holds the records.
  if (transaction.Commit() == StoreOutcome::ErrorReported) return failed();
  if (counts) *counts = done;
  list.clear();
  return StoreOutcome::Done;
}

void CBookmarkDatabase::LoadAllBookmarks(CBookmarkRecordList& list) {
  CADORecordset& cursor = BookmarkCursor();
  cursor.Open(L"select * from LinksData order by HomePage");
  while (!cursor.IsEOF()) {
    CBookmarkRecord record(cursor.GetFieldText(L"Category"), cursor.GetFieldText(L"Description"),
                           cursor.GetFieldText(L"HomePage"));
    ReportProgress(record.address);
    list.push_back(std::move(record));
    cursor.MoveNext();
  }
  cursor.Close();
}

std::wstring CBookmarkDatabase::WriteAllBookmarksPage() {
  return WriteBookmarkPage(L"select * from LinksData order by Description");
}

std::wstring CBookmarkDatabase::WriteCategoryPage(const std::wstring& category) {
  return WriteBookmarkPage(
      Format(L"select * from LinksData where Category = '%s' order by Description", DoubleQuotes(category)));
}
