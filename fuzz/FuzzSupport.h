// What the fuzz targets share: a private folder (in memory where the system allows), made once per
// process and removed when it ends, that stands in for the user's home. The registry (XDG_CONFIG_HOME), the data folders and HOME
// all point into it, so no target ever reads or writes the user's real files or registry.
// Message boxes are answered at once and never shown.
#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/ado/Connection.h"

class FuzzEnvironment {
 public:
  // The process's environment, set up on first use.
  static FuzzEnvironment& Get();

  const std::filesystem::path& Root() const { return root_; }
  // A data folder holding a fresh database with the installation's tables (made on first use),
  // as the store expects it: no trailing separator.
  const std::wstring& DataFolder();
  // Runs SQL on the data folder's database over a connection of its own, outside the store;
  // aborts when it fails.
  void ExecuteSql(const std::string& sql);
  // Empties the registry, so that one input's keys do not change how the next one runs.
  void ClearRegistry();

  ~FuzzEnvironment();
  FuzzEnvironment(const FuzzEnvironment&) = delete;
  FuzzEnvironment& operator=(const FuzzEnvironment&) = delete;

 private:
  FuzzEnvironment();
  std::filesystem::path root_;
  std::wstring dataFolder_;
  ado::SqliteHandle database_;  // the data folder's database, for ExecuteSql
};

// The input as text, the way the system's edges read outside bytes.
std::string_view AsBytes(const uint8_t* data, size_t size);

// Stops the run with `what` as the finding; libFuzzer keeps the input that caused it.
[[noreturn]] void FuzzFailure(const std::string& what);
#define FUZZ_CHECK(condition, what)      \
  do {                                   \
    if (!(condition)) FuzzFailure(what); \
  } while (0)
