// The data-access objects: a Connection to a database file and a Recordset over the rows of one
// query, over SQLite. They follow the platform's data-access objects that the store was written
// against: every failure raises a ComError carrying a result code, a source and a description.
//
// The connection string names the file with "Data Source=<path>"; a missing file is never
// created. Every connection runs in WAL mode with synchronous=NORMAL and a busy time-out, so
// several connections (the toolbar, the event sink, the repair worker) share one file. That
// busy time-out is the only wait there is: opening a local file has no connection phase to time
// and a statement runs to its end, so the platform's connection and command time-outs have no
// counterpart here.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/CountedObject.h"
#include "platform/com/Variant.h"

struct sqlite3;
struct sqlite3_stmt;

namespace ado {

constexpr long adStateClosed = 0;
constexpr long adStateOpen = 1;
constexpr long adOpenDynamic = 2;
constexpr long adLockOptimistic = 3;
constexpr long adCmdText = 1;

// Owns an SQLite connection handle.
struct SqliteCloser {
  void operator()(sqlite3* db) const;
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

// Owns a prepared statement.
struct StatementFinalizer {
  void operator()(sqlite3_stmt* stmt) const;
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// The value behind "Data Source=" in a connection string; empty when there is none.
std::wstring DataSourceOf(std::wstring_view connectionString);

class Connection : public CountedObject {
 public:
  // Opens the database file named by the connection string. Raises ComError when the file is
  // missing, is not a database, or cannot be opened for reading and writing.
  void Open(std::wstring_view connectionString, std::wstring_view user, std::wstring_view password, long options);
  // Runs one statement that returns no rows; rows it does return are discarded.
  void Execute(std::wstring_view commandText, long* recordsAffected, long options);
  void Close();
  long State() const { return db_ ? adStateOpen : adStateClosed; }

  // The SQLite handle, for the recordsets of this connection; null while closed.
  sqlite3* Handle() const { return db_.get(); }
  // Prepares one statement (after translating the yes/no literals); raises ComError when the
  // engine rejects it or text follows the statement.
  StatementHandle Prepare(std::wstring_view statement) const;
  // The ComError for the engine's last error on this connection.
  [[noreturn]] void RaiseEngineError(int rc) const;

 private:
  SqliteHandle db_;
};

class Recordset : public CountedObject {
 public:
  // Opens the cursor on `source` over `connection`. It stands on the first row, or at the end
  // when there is none.
  void Open(std::wstring_view source, const CComPtr<Connection>& connection, long cursorType, long lockType,
            long options);
  bool IsEOF() const;
  void MoveNext();
  // The named column of the current row (names compare without regard to case).
  Variant Collect(std::wstring_view name) const;
  // -1: a dynamic cursor does not know how many rows it has.
  long RecordCount() const;
  long State() const { return stmt_ ? adStateOpen : adStateClosed; }
  void Close();

 private:
  void Step();

  CComPtr<Connection> connection_;
  StatementHandle stmt_;
  std::vector<std::wstring> columns_;        // the result's column names as the query gives them
  std::vector<std::wstring> foldedColumns_;  // the same in lower case, for lookups without case
  bool eof_ = true;
};

// Creation of the objects, as the platform's component creation does it. Fails with
// E_OUTOFMEMORY while a test has injected creation failures.
HRESULT CreateConnection(CComPtr<Connection>& out);
HRESULT CreateRecordset(CComPtr<Recordset>& out);
// Test hook: the next `count` creations fail.
void InjectCreationFailures(int count);

}  // namespace ado
