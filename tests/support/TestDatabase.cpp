#include "tests/support/TestDatabase.h"

#include <sqlite3.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "platform/ado/Connection.h"
#include "platform/text/WideText.h"

namespace {

using Db = ado::SqliteHandle;

Db OpenDb(const std::wstring& folder, int flags) {
  sqlite3* raw = nullptr;
  std::string file = ToUtf8(folder) + "/Bookmark.mdb";
  int rc = sqlite3_open_v2(file.c_str(), &raw, flags, nullptr);
  Db db(raw);
  if (rc != SQLITE_OK) throw std::runtime_error("cannot open " + file);
  sqlite3_busy_timeout(db.get(), 5000);
  return db;
}

}  // namespace

std::wstring MakeTestDataFolder(const TempDir& temp, const std::string& name) {
  std::filesystem::path folder = temp.path() / name;
  std::filesystem::create_directories(folder);
  std::ifstream schemaFile(std::string(PENDREL_SOURCE_DIR) + "/resources/schema.sql");
  std::stringstream schema;
  schema << schemaFile.rdbuf();
  std::wstring wide = FromUtf8(folder.string());
  ExecuteSql(wide, "PRAGMA journal_mode=WAL;");
  ExecuteSql(wide, schema.str());
  return wide;
}

void ExecuteSql(const std::wstring& dataFolder, const std::string& sql) {
  Db db = OpenDb(dataFolder, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  char* error = nullptr;
  if (sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string message = error ? error : "error";
    sqlite3_free(error);
    throw std::runtime_error("SQL failed: " + message + " in " + sql);
  }
}

std::string QueryText(const std::wstring& dataFolder, const std::string& sql) {
  Db db = OpenDb(dataFolder, SQLITE_OPEN_READONLY);
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
    throw std::runtime_error(std::string("bad query: ") + sqlite3_errmsg(db.get()));
  std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
  if (sqlite3_step(stmt.get()) != SQLITE_ROW) return "";
  const unsigned char* text = sqlite3_column_text(stmt.get(), 0);
  return text ? reinterpret_cast<const char*>(text) : "";
}

long long QueryCount(const std::wstring& dataFolder, const std::string& table) {
  return std::stoll(QueryText(dataFolder, "select count(*) from " + table));
}

std::vector<std::vector<std::wstring>> QueryRows(const std::wstring& dataFolder, const std::string& sql) {
  Db db = OpenDb(dataFolder, SQLITE_OPEN_READONLY);
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
    throw std::runtime_error(std::string("bad query: ") + sqlite3_errmsg(db.get()));
  std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
  std::vector<std::vector<std::wstring>> rows;
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    std::vector<std::wstring> row;
    for (int i = 0; i < sqlite3_column_count(stmt.get()); ++i) {
      // By byte count, so texts holding any character come back whole.
      const unsigned char* text = sqlite3_column_text(stmt.get(), i);
      auto bytes = static_cast<size_t>(sqlite3_column_bytes(stmt.get(), i));
      row.push_back(text ? FromUtf8(std::string_view(reinterpret_cast<const char*>(text), bytes)) : std::wstring());
    }
    rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) throw std::runtime_error(std::string("query failed: ") + sqlite3_errmsg(db.get()));
  return rows;
}

std::vector<std::wstring> QueryColumn(const std::wstring& dataFolder, const std::string& sql) {
  std::vector<std::wstring> column;
  for (auto& row : QueryRows(dataFolder, sql)) column.push_back(row.empty() ? std::wstring() : row.front());
  return column;
}
