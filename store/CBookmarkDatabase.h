// The bookmark database object: one connection to Bookmark.mdb in the data folder, a bookmark
// cursor, a category cursor and the page file. Every part of the toolbar reaches the database
// through one of these. Reference counted: hold it through CComPtr (see MakeCounted).
//
// Construction never throws: a database that cannot be opened is reported in a message box and
// leaves an object whose operations raise CCustomException instead of touching the database.
//
// Values are passed as plain text; the operations double single quotes where they place a value
// in a statement. Operations that change data report their own store errors in a message box
// (the error, a line feed and the statement); operations that read data raise them.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/CountedObject.h"
#include "store/CADODatabase.h"
#include "store/CADORecordset.h"
#include "store/CCustomException.h"
#include "store/CBookmarkRecord.h"

// Field name to value, ordered by code unit; a name occurs once.
using FormFieldMap = std::map<std::wstring, std::wstring>;

// A saved form: the address of the page it was filled in on, its action attribute as written
// there, and its stored fields.
struct SavedForm {
  std::wstring pageAddress;
  std::wstring action;
  FormFieldMap fields;
};

// Whether an operation that reports its own store errors ran to its end, showed one, or refused
// what it was asked (nothing to act on) and said so in a box.
enum class StoreOutcome { Done, ErrorReported, Refused };

// What a bulk add did with the records it was given, for callers that tell the person.
struct BulkAddCounts {
  size_t stored = 0;
  size_t alreadyStored = 0;  // the address, or its alternate form, was stored before the record came
  size_t refused = 0;        // the database refused the insert (a value longer than its column)
};

class PageFile;

class CBookmarkDatabase : public CountedObject {
 public:
  explicit CBookmarkDatabase(std::wstring dataFolder);
  ~CBookmarkDatabase() override;

  // Called once per bookmark by the bulk operations; does nothing here.
  virtual void ReportProgress(const std::wstring& address);

  std::wstring GetDataFolder() const { return dataFolder_; }
  const std::wstring& GetPagePath() const { return pagePath_; }
  // Whether construction opened the database.
  bool IsConnected() const;

  // Categories.
  void ListCategories(std::vector<std::wstring>& list);
  bool AddCategory(const std::wstring& name);
  void RenameCategory(const std::wstring& newName, const std::wstring& oldName);
  void DeleteCategory(const std::wstring& name);

  // Bookmarks.
  void FindBookmark(const std::wstring& address, std::wstring& category, std::wstring& description);
  bool BookmarkExists(const std::wstring& quotedAddress);
  // False when nothing was stored: the address exists, the category is refused, or the insert
  // failed (each reported in a message box).
  bool AddBookmark(const std::wstring& address, const std::wstring& category, const std::wstring& description);
  // True when this call added the category. `outcome` tells whether a store error was shown, or
  // the address (nor its alternate form) is not bookmarked: then nothing is stored and a box says so.
  bool UpdateBookmark(const std::wstring& address, const std::wstring& category, const std::wstring& description,
                      StoreOutcome* outcome = nullptr);
  // Refused, with a box, when the address (nor its alternate form) is not bookmarked.
  StoreOutcome DeleteBookmark(const std::wstring& address);
  void ListAddresses(std::vector<std::wstring>& list);
  void ReplaceAddress(const std::wstring& oldAddress, const std::wstring& newAddress);
  // Stores the records whose addresses are not stored yet, in one transaction, and empties the
  // list. A record whose values the database refuses is skipped. When a record cannot be stored
  // for another reason (the file is locked, read-only or gone) or the transaction cannot be
  // committed, nothing of it stays stored, the error is shown, the list is left as it was and
  // the result is ErrorReported. `counts`, when given, is
  // set to what happened to the records (all zero after ErrorReported).
  StoreOutcome AddBookmarks(CBookmarkRecordList& list, BulkAddCounts* counts = nullptr);
  void LoadAllBookmarks(CBookmarkRecordList& list);
  std::wstring WriteAllBookmarksPage();
  std::wstring WriteCategoryPage(const std::wstring& category);
  static std::wstring AlternateAddress(const std::wstring& address);

  // Search.
  static std::wstring BuildSearchCondition(const std::wstring& text, const std::wstring& conjunction);
  std::wstring WriteSearchPage(const std::wstring& text, const std::wstring& conjunction);

  // Report pages.
  std::wstring WriteBookmarkPage(const std::wstring& query);
  std::wstring WriteHistoryPage();

  // History log.
  void AddHistoryEntry(const std::wstring& address, const std::wstring& title);
  void ClearHistory();

  // Form store.
  static std::wstring SqlQuote(const std::wstring& text);
  bool FindSavedForm(const std::wstring& site, const FormFieldMap& fields, std::int32_t& formId);
  std::int32_t SaveForm(const std::wstring& pageAddress, const std::wstring& formName, const std::wstring& site,
                        const std::wstring& action, const FormFieldMap& fields);
  bool FormHasFields(std::int32_t formId);
  void DeleteFormFields(std::int32_t formId);
  void AddFormField(std::int32_t formId, const std::wstring& name, const std::wstring& value);
  bool LoadSavedFields(const std::wstring& formName, const std::wstring& site, const std::wstring& action,
                       const FormFieldMap& pageFields, FormFieldMap& output);
  // As LoadSavedFields, with the page address and action stored with the saved form found: what
  // auto-fill checks before it writes anything into a page. `output` is replaced as a whole.
  bool LoadSavedForm(const std::wstring& site, const FormFieldMap& pageFields, SavedForm& output);
  void ActivateFormsOfUrl(const std::wstring& pageAddress);
  void DeactivateFormsOfUrl(const std::wstring& pageAddress);

 protected:
  // Raises CCustomException when construction did not open the database.
  void RequireConnection() const;
  CADODatabase& Connection() { return connection_; }

 private:
  bool FormContainsAllFields(CADORecordset& recordset, std::int32_t formId, const FormFieldMap& fields);
  void ReadSavedFields(std::int32_t formId, FormFieldMap& output);
  CADORecordset& BookmarkCursor();
  CADORecordset& CategoryCursor();

  std::unique_ptr<PageFile> pageFile_;
  std::wstring dataFolder_;
  std::wstring connectionString_;
  std::wstring pagePath_;
  CADODatabase connection_;
  std::unique_ptr<CADORecordset> bookmarkCursor_;
  std::unique_ptr<CADORecordset> categoryCursor_;
};

// Doubles every single quote, for a value placed between the quotes of a statement.
std::wstring DoubleQuotes(std::wstring_view text);

// How operations that change data report their own store errors: an OK box with the error's
// message, one line feed and the statement that failed.
void ShowStoreError(const CCustomException& error, const std::wstring& statement);
