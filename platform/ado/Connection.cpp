#include "platform/ado/Connection.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <optional>

#include "platform/ado/JetSql.h"
#include "platform/ado/TextMatch.h"
#include "platform/com/ComError.h"
#include "platform/shell/PrivatePath.h"
#include "platform/text/WideText.h"

namespace ado {

namespace {

const wchar_t kEngineSource[] = L"SQLite";
const wchar_t kConnectionSource[] = L"ADODB.Connection";
const wchar_t kRecordsetSource[] = L"ADODB.Recordset";
// How long a statement waits for another connection's write to end. Writers in this program hold
// the file for milliseconds; a longer hold is another program's transaction, and the person's
// command, which waits on the user-interface thread, fails with the engine's "database is
// locked" after a moment instead of freezing the browser window.
constexpr int kBusyTimeoutMs = 1000;

std::atomic<int> gCreationFailures{0};

[[noreturn]] void Raise(HRESULT code, const wchar_t* source, std::wstring description) {
  throw ComError(code, std::wstring(source), std::move(description));
}

[[noreturn]] void RaiseClosed(const wchar_t* source) {
  Raise(ADO_E_OPERATIONNOTALLOWED_CLOSED, source, L"Operation is not allowed when the object is closed.");
}

// A result code for an engine error, so that callers can tell the kinds apart.
HRESULT CodeForEngineError(int extended, std::string_view message) {
  switch (extended & 0xFF) {
    case SQLITE_ERROR:
      return message.rfind("no such table", 0) == 0 ? DB_E_NOTABLE : DB_E_ERRORSINCOMMAND;
    case SQLITE_CONSTRAINT:
      return extended == SQLITE_CONSTRAINT_CHECK ? DB_E_DATAOVERFLOW : DB_E_INTEGRITYVIOLATION;
    case SQLITE_TOOBIG:
      return DB_E_DATAOVERFLOW;
    case SQLITE_MISMATCH:
      return DISP_E_TYPEMISMATCH;
    case SQLITE_NOMEM:
      return E_OUTOFMEMORY;
    default:
      return E_FAIL;
  }
}

std::wstring DescriptionForEngineError(int extended, const char* message) {
  std::wstring text = FromUtf8(message ? message : "unknown error");
  // Columns carry size limits as CHECK constraints; say what went wrong in the user's words.
  if (extended == SQLITE_CONSTRAINT_CHECK)
    return L"The field is too small to accept the amount of data you attempted to add. (" + text + L")";
  return text;
}

}  // namespace

void SqliteCloser::operator()(sqlite3* db) const { sqlite3_close_v2(db); }
void StatementFinalizer::operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }

namespace {

// Whether the ";" at `semi` ends a value: a name without path separators and "=" follow it, or
// nothing does. So a path that holds a ";" still reads whole.
bool EndsValue(std::wstring_view cs, size_t semi) {
  if (cs.find_first_not_of(L' ', semi + 1) == std::wstring_view::npos) return true;
  size_t eq = cs.find(L'=', semi + 1);
  return eq != std::wstring_view::npos &&
         cs.substr(semi + 1, eq - semi - 1).find_first_of(L";/\\") == std::wstring_view::npos;
}

}  // namespace

std::wstring DataSourceOf(std::wstring_view cs) {
  const std::wstring_view key = L"data source=";
  for (size_t start = 0; start < cs.size();) {
    size_t end = start;
    while ((end = cs.find(L';', end)) != std::wstring_view::npos && !EndsValue(cs, end)) ++end;
    if (end == std::wstring_view::npos) end = cs.size();
    std::wstring_view pair = cs.substr(start, end - start);
    pair.remove_prefix(std::min(pair.find_first_not_of(L' '), pair.size()));
    if (pair.size() >= key.size() && EqualsNoCase(pair.substr(0, key.size()), key))
      return std::wstring(pair.substr(key.size()));
    start = end + 1;
  }
  return L"";
}

void Connection::Open(std::wstring_view connectionString, std::wstring_view, std::wstring_view, long) {
  db_.reset();
  std::wstring path = DataSourceOf(connectionString);
  std::string file = ToUtf8(path);
  struct stat st {};
  if (path.empty() || ::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    Raise(E_FAIL, kEngineSource, L"Could not find file '" + path + L"'.");
  // A database, or a folder holding it, that another account can write is never opened: it could
  // have been planted to read the logins the store keeps, or be swapped under the connection.
  std::filesystem::path systemFile(file);
  std::filesystem::path folder = systemFile.has_parent_path() ? systemFile.parent_path() : ".";
  std::optional<std::string> why = WhyNotPrivate(systemFile, PrivateKind::File);
  if (!why) {
    if ((why = WhyNotPrivate(folder, PrivateKind::Folder))) *why = "its folder " + folder.string() + ": " + *why;
  }
  if (why)
    Raise(E_FAIL, kEngineSource, L"Refused to open '" + path + L"' as it is not yours alone: " + FromUtf8(*why) + L".");
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
  SqliteHandle db(raw);
  if (rc != SQLITE_OK) {
    std::wstring message = FromUtf8(raw ? sqlite3_errmsg(raw) : "cannot open the file");
    Raise(E_FAIL, kEngineSource, L"Could not use '" + path + L"'; " + message + L".");
  }
  sqlite3_extended_result_codes(db.get(), 1);
  sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
  // Switching the journal mode reads the file's header: a file that is no database fails here.
  char* error = nullptr;
  // The pages are read through a memory map and a larger cache: a search or a page of all
  // bookmarks walks the whole table, and reading it a page per system call costs most of the time.
  rc = sqlite3_exec(db.get(),
                    "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA mmap_size=1073741824; "
                    "PRAGMA cache_size=-32768;",
                    nullptr, nullptr, &error);
  if (rc != SQLITE_OK) {
    std::wstring message = FromUtf8(error ? error : sqlite3_errmsg(db.get()));
    sqlite3_free(error);
    if ((rc & 0xFF) == SQLITE_NOTADB) Raise(E_FAIL, kEngineSource, L"Unrecognized database format '" + path + L"'.");
    Raise(E_FAIL, kEngineSource, L"Could not use '" + path + L"'; " + message + L".");
  }
  RegisterTextMatch(db.get());
  db_ = std::move(db);
}

StatementHandle Connection::Prepare(std::wstring_view statement) const {
  if (!db_) RaiseClosed(kConnectionSource);
  std::string sql = ToUtf8(TranslateJetLiterals(statement));
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db_.get(), sql.c_str(), static_cast<int>(sql.size() + 1), &raw, &tail);
  StatementHandle stmt(raw);
  if (rc != SQLITE_OK) RaiseEngineError(rc);
  if (!stmt)
    Raise(DB_E_ERRORSINCOMMAND, kEngineSource,
          L"Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.");
  // One statement per call: text after it (a second statement) is refused, never run.
  for (const char* p = tail; p && *p; ++p) {
    if (*p != ';' && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
      Raise(DB_E_ERRORSINCOMMAND, kEngineSource, L"Characters found after end of SQL statement.");
  }
  return stmt;
}

void Connection::RaiseEngineError(int rc) const {
  int extended = db_ ? sqlite3_extended_errcode(db_.get()) : rc;
  const char* message = db_ ? sqlite3_errmsg(db_.get()) : sqlite3_errstr(rc);
  throw ComError(CodeForEngineError(extended, message ? message : ""), std::wstring(kEngineSource),
                 DescriptionForEngineError(extended, message));
}

void Connection::Execute(std::wstring_view commandText, long* recordsAffected, long) {
  StatementHandle stmt = Prepare(commandText);
  // The connection keeps the file it opened even when that file is deleted or replaced under
  // it: a change written there now would be lost with it, while it seemed stored. A statement
  // inside a transaction was checked with the statement that began it, so a bulk write pays
  // the check once rather than per row.
  int moved = 0;
  if (!sqlite3_stmt_readonly(stmt.get()) && sqlite3_get_autocommit(db_.get()) &&
      sqlite3_file_control(db_.get(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved)
    Raise(E_FAIL, kEngineSource,
          L"The database file '" + FromUtf8(sqlite3_db_filename(db_.get(), "main")) +
              L"' has been deleted or replaced since it was opened; nothing was written.");
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) RaiseEngineError(rc);
  if (recordsAffected) *recordsAffected = static_cast<long>(sqlite3_changes(db_.get()));
}

void Connection::Close() {
  if (!db_) RaiseClosed(kConnectionSource);
  db_.reset();
}

void Recordset::Open(std::wstring_view source, const CComPtr<Connection>& connection, long, long, long) {
  if (stmt_) Raise(ADO_E_OPERATIONNOTALLOWED_OPEN, kRecordsetSource, L"Operation is not allowed when the object is open.");
  if (!connection || connection->State() != adStateOpen) RaiseClosed(kConnectionSource);
  StatementHandle stmt = connection->Prepare(source);
  connection_ = connection;
  stmt_ = std::move(stmt);
  columns_.clear();
  foldedColumns_.clear();
  for (int i = 0, n = sqlite3_column_count(stmt_.get()); i < n; ++i) {
    const char* column = sqlite3_column_name(stmt_.get(), i);
    columns_.push_back(FromUtf8(column ? column : ""));
    foldedColumns_.push_back(ToLower(columns_.back()));
  }
  eof_ = false;
  Step();
}

void Recordset::Step() {
  int rc = sqlite3_step(stmt_.get());
  if (rc == SQLITE_ROW) return;
  eof_ = true;
  if (rc != SQLITE_DONE) connection_->RaiseEngineError(rc);
}

bool Recordset::IsEOF() const {
  if (!stmt_) RaiseClosed(kRecordsetSource);
  return eof_;
}

void Recordset::MoveNext() {
  if (!stmt_) RaiseClosed(kRecordsetSource);
  if (eof_)
    Raise(ADO_E_BOF_OR_EOF, kRecordsetSource,
          L"Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
          L"current record.");
  Step();
}

Variant Recordset::Collect(std::wstring_view name) const {
  if (!stmt_) RaiseClosed(kRecordsetSource);
  // Callers mostly spell a column as the query does; only otherwise fold the case.
  int index = -1;
  for (size_t i = 0; i < columns_.size() && index < 0; ++i)
    if (columns_[i] == name) index = static_cast<int>(i);
  if (index < 0) {
    const std::wstring folded = ToLower(name);
    for (size_t i = 0; i < foldedColumns_.size() && index < 0; ++i)
      if (foldedColumns_[i] == folded) index = static_cast<int>(i);
  }
  if (index < 0)
    Raise(ADO_E_ITEMNOTFOUND, kRecordsetSource,
          L"Item cannot be found in the collection corresponding to the requested name or ordinal.");
  if (eof_)
    Raise(ADO_E_BOF_OR_EOF, kRecordsetSource,
          L"Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
          L"current record.");
  switch (sqlite3_column_type(stmt_.get(), index)) {
    case SQLITE_NULL:
      return Variant(VariantNull{});
    case SQLITE_INTEGER: {
      sqlite3_int64 v = sqlite3_column_int64(stmt_.get(), index);
      if (v >= INT32_MIN && v <= INT32_MAX) return Variant(static_cast<std::int32_t>(v));
      return Variant(static_cast<std::int64_t>(v));
    }
    case SQLITE_FLOAT:
      return Variant(sqlite3_column_double(stmt_.get(), index));
    default: {
      const unsigned char* text = sqlite3_column_text(stmt_.get(), index);
      int bytes = sqlite3_column_bytes(stmt_.get(), index);
      return Variant(FromUtf8(std::string_view(reinterpret_cast<const char*>(text ? text : (const unsigned char*)""),
                                               static_cast<size_t>(bytes))));
    }
  }
}

long Recordset::RecordCount() const {
  if (!stmt_) RaiseClosed(kRecordsetSource);
  return -1;
}

void Recordset::Close() {
  if (!stmt_) RaiseClosed(kRecordsetSource);
  stmt_.reset();
  connection_.reset();
  columns_.clear();
  foldedColumns_.clear();
  eof_ = true;
}

HRESULT CreateConnection(CComPtr<Connection>& out) {
  if (gCreationFailures.load() > 0 && gCreationFailures.fetch_sub(1) > 0) return E_OUTOFMEMORY;
  out = MakeCounted<Connection>();
  return S_OK;
}

HRESULT CreateRecordset(CComPtr<Recordset>& out) {
  if (gCreationFailures.load() > 0 && gCreationFailures.fetch_sub(1) > 0) return E_OUTOFMEMORY;
  out = MakeCounted<Recordset>();
  return S_OK;
}

void InjectCreationFailures(int count) { gCreationFailures.store(count); }

}  // namespace ado
