#include "store/CBookmarkDatabase.h"

#include "band/ModuleMessage.h"
#include "platform/com/ComError.h"
#include "platform/text/Format.h"
#include "platform/text/WideText.h"
#include "published/BookmarkLimits.h"
#include "reports/PageFile.h"
#include "store/CCustomException.h"

namespace {

const wchar_t kConnectionPrefix[] = L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
const wchar_t kConnectionSuffix[] = L";Jet OLEDB:Database Password=Qm482tk7";

void CloseIfOpen(CADORecordset& cursor) {
  try {
    if (cursor.IsOpen()) cursor.Close();
  } catch (const ComError&) {
    // No recordset object: the operation's own use of the cursor reports that.
  }
}

}  // namespace

std::wstring DoubleQuotes(std::wstring_view text) { return ReplaceAll(text, L"'", L"''"); }

void ShowStoreError(const CCustomException& error, const std::wstring& statement) {
  ShowMessage(error.GetMessage() + L"\n" + statement);
}

CBookmarkDatabase::CBookmarkDatabase(std::wstring dataFolder)
    : pageFile_(std::make_unique<PageFile>()), dataFolder_(std::move(dataFolder)) {
  connectionString_ = kConnectionPrefix + dataFolder_ + L"/Bookmark.mdb" + kConnectionSuffix;
  pagePath_ = dataFolder_ + L"/Bookmark.html";
  try {
    connection_.Open(connectionString_);
    bookmarkCursor_ = std::make_unique<CADORecordset>(connection_.GetConnection());
    categoryCursor_ = std::make_unique<CADORecordset>(connection_.GetConnection());
  } catch (const CCustomException& e) {
    ShowMessage(e.GetMessage());
  }
}

CBookmarkDatabase::~CBookmarkDatabase() {
  try {
    // Asked before the cursors go: being connected is told by the category cursor.
    bool connected = IsConnected();
    for (auto* cursor : {&bookmarkCursor_, &categoryCursor_}) {
      if (*cursor) CloseIfOpen(**cursor);
      cursor->reset();
    }
    if (connected) connection_.Close();
  } catch (const std::exception&) {
    // A connection that fails to close releases its file all the same when it is destroyed.
  } catch (const ComError&) {
  }
}

void CBookmarkDatabase::ReportProgress(const std::wstring&) {}

bool CBookmarkDatabase::IsConnected() const {
  try {
    return categoryCursor_ && connection_.IsOpen();
  } catch (const ComError&) {
    return false;
  }
}

void CBookmarkDatabase::RequireConnection() const {
  if (!IsConnected())
    throw CCustomException(L"The bookmark database " + dataFolder_ + L"/Bookmark.mdb is not open.");
}

// Each operation takes a cursor once, at its start. A cursor that an earlier operation left
// open when a store error ended it is closed here, so one failed read never blocks the next.
CADORecordset& CBookmarkDatabase::BookmarkCursor() {
  RequireConnection();
  CloseIfOpen(*bookmarkCursor_);
  return *bookmarkCursor_;
}

CADORecordset& CBookmarkDatabase::CategoryCursor() {
  RequireConnection();
  CloseIfOpen(*categoryCursor_);
  return *categoryCursor_;
}

void CBookmarkDatabase::ListCategories(std::vector<std::wstring>& list) {
  list.clear();
  CADORecordset& cursor = CategoryCursor();
  cursor.Open(L"select * from LinksCategory order by Category asc");
  while (!cursor.IsEOF()) {
    list.push_back(cursor.GetFieldText(L"Category"));
    cursor.MoveNext();
  }
  cursor.Close();
}

bool CBookmarkDatabase::AddCategory(const std::wstring& name) {
  if (name.find_first_of(kForbiddenCategoryCharacters) != std::wstring::npos) {
    ShowMessage(L"Invalid character found. Category name cannot include " + std::wstring(kForbiddenCategoryCharacters) +
                L".");
    return false;
  }
  CADORecordset& cursor = CategoryCursor();
  std::wstring statement;
  try {
    statement = Format(L"select * from LinksCategory where Category = '%s'", DoubleQuotes(name));
    cursor.Open(statement);
    if (cursor.IsEOF()) {
      statement = Format(L"insert into LinksCategory(Category) values ('%s')", DoubleQuotes(name));
      connection_.Execute(statement);
    }
  } catch (const CCustomException& e) {
    ShowStoreError(e, statement);
  }
  cursor.Close();
  return true;
}

void CBookmarkDatabase::RenameCategory(const std::wstring& newName, const std::wstring& oldName) {
  RequireConnection();
  std::wstring statement;
  try {
    statement = Format(L"update LinksCategory set Category ='%s' where Category= '%s'", DoubleQuotes(newName),
                       DoubleQuotes(oldName));
    connection_.Execute(statement);
    statement = Format(L"update LinksData set Category ='%s' where Category = '%s'", DoubleQuotes(newName),
                       DoubleQuotes(oldName));
    connection_.Execute(statement);
  } catch (const CCustomException& e) {
    ShowStoreError(e, statement);
  }
}

void CBookmarkDatabase::DeleteCategory(const std::wstring& name) {
  RequireConnection();
  std::wstring statement;
  try {
    statement = Format(L"delete from LinksCategory where Category = '%s'", DoubleQuotes(name));
    connection_.Execute(statement);
    statement = Format(L"delete from LinksData where Category = '%s'", DoubleQuotes(name));
    connection_.Execute(statement);
  } catch (const CCustomException& e) {
    ShowStoreError(e, statement);
  }
}
