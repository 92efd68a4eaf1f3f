#include "fuzz/FuzzSupport.h"

#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/text/WideText.h"
#include "platform/ui/MessageBox.h"

FuzzEnvironment& FuzzEnvironment::Get() {
  static FuzzEnvironment environment;
  return environment;
}

namespace {

// Where the private home goes: in memory where the system offers a folder there, so that the many
// small file writes of the registry and the database, each flushed to the disk, cost little and
// no input times out waiting for a busy disk.
std::filesystem::path TemporaryBase() {
  const std::filesystem::path memory = "/dev/shm";
  std::error_code ec;
  if (std::filesystem::is_directory(memory, ec) && ::access(memory.c_str(), W_OK | X_OK) == 0) return memory;
  return std::filesystem::temp_directory_path();
}

}  // namespace

FuzzEnvironment::FuzzEnvironment() {
  std::random_device rd;
  const std::filesystem::path base = TemporaryBase();
  for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
    auto candidate = base /
                     ("pendrel-fuzz-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) root_ = candidate;
  }
  if (root_.empty()) FuzzFailure("cannot create a temporary folder");
  std::filesystem::create_directories(root_ / "config");
  ::setenv("HOME", root_.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (root_ / "share").c_str(), 1);
  SetMessageBoxHandler([](const MessageBoxRequest& request) { return request.Buttons() == MB_YESNO ? IDNO : IDOK; });
}

FuzzEnvironment::~FuzzEnvironment() {
  database_.reset();
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

const std::wstring& FuzzEnvironment::DataFolder() {
  if (dataFolder_.empty()) {
    std::filesystem::create_directories(root_ / "data");
    dataFolder_ = FromUtf8((root_ / "data").string());
    std::ifstream schemaFile(std::string(PENDREL_SOURCE_DIR) + "/resources/schema.sql");
    std::stringstream schema;
    schema << schemaFile.rdbuf();
    if (schema.str().empty()) FuzzFailure("cannot read the database schema");
    ExecuteSql("PRAGMA journal_mode=WAL;");
    ExecuteSql(schema.str());
  }
  return dataFolder_;
}

void FuzzEnvironment::ExecuteSql(const std::string& sql) {
  if (!database_) {
    sqlite3* raw = nullptr;
    const std::string file = (root_ / "data" / "Bookmark.mdb").string();
    int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    database_.reset(raw);
    if (rc != SQLITE_OK) FuzzFailure("cannot open " + file);
    sqlite3_busy_timeout(database_.get(), 5000);
  }
  char* error = nullptr;
  if (sqlite3_exec(database_.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string message = error ? error : "error";
    sqlite3_free(error);
    FuzzFailure("SQL failed: " + message + " in " + sql);
  }
}

void FuzzEnvironment::ClearRegistry() {
  std::error_code ec;
  std::filesystem::remove_all(root_ / "config" / "pendrel", ec);
}

std::string_view AsBytes(const uint8_t* data, size_t size) {
  return size ? std::string_view(reinterpret_cast<const char*>(data), size) : std::string_view();
}

void FuzzFailure(const std::string& what) {
  std::fprintf(stderr, "fuzz finding: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}
