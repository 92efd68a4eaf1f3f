#include "bench/BenchData.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/ado/Connection.h"
#include "platform/text/WideText.h"

extern char** environ;

namespace {

constexpr size_t kVocabularySize = 3000;


void Exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string message = error ? error : "error";
    sqlite3_free(error);
    throw std::runtime_error(message);
  }
}

// Words of four two-letter syllables: all the same length, so no word holds another and a
// search for one finds exactly the descriptions and addresses that use it.
std::wstring Word(size_t i) {
  static const wchar_t* syllables[] = {L"ka", L"lo", L"mi", L"ne", L"po", L"sa", L"tu", L"vi", L"re", L"da"};
  std::wstring word;
  for (int digit = 0; digit < 4; ++digit, i /= 10) word += syllables[i % 10];
  return word;
}

}  // namespace

std::wstring MakeDescription(const std::vector<std::wstring>& vocabulary, unsigned seed) {
  std::mt19937 rng(seed);
  std::wstring text;
  for (int w = 0; w < 5; ++w) {
    if (w) text += L' ';
    text += vocabulary[rng() % vocabulary.size()];
  }
  return text;
}

BenchStore::BenchStore(size_t bookmarks, size_t historyRows) {
  for (size_t i = 0; i < kVocabularySize; ++i) vocabulary.push_back(Word(i));
  folder = std::filesystem::temp_directory_path() / ("pendrel-bench-" + std::to_string(::getpid()) + "-" +
                                                     std::to_string(reinterpret_cast<std::uintptr_t>(this)));
  std::filesystem::create_directories(folder);
  std::ifstream schemaFile(std::string(PENDREL_SOURCE_DIR) + "/resources/schema.sql");
  std::stringstream schema;
  schema << schemaFile.rdbuf();

  sqlite3* raw = nullptr;
  sqlite3_open((folder / "Bookmark.mdb").c_str(), &raw);
  ado::SqliteHandle db(raw);
  Exec(db.get(), "PRAGMA journal_mode=WAL;");
  Exec(db.get(), schema.str());
  Exec(db.get(), "begin");
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db.get(), "insert into LinksData (HomePage, Category, Description) values (?, ?, ?)", -1, &insert,
                     nullptr);
  std::mt19937 rng(42);
  for (size_t i = 0; i < bookmarks; ++i) {
    std::wstring address = L"http://www.site" + std::to_wstring(i) + L".example/" + vocabulary[rng() % vocabulary.size()] + L"/";
    addresses.push_back(address);
    std::string a = ToUtf8(address), c = "Category " + std::to_string(i % 40),
                d = ToUtf8(MakeDescription(vocabulary, static_cast<unsigned>(i)));
    sqlite3_bind_text(insert, 1, a.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, c.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 3, d.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  for (int c = 0; c < 40; ++c)
    Exec(db.get(), "insert into LinksCategory (Category) values ('Category " + std::to_string(c) + "')");
  sqlite3_prepare_v2(db.get(), "insert into History (URL, Title) values (?, ?)", -1, &insert, nullptr);
  for (size_t i = 0; i < historyRows; ++i) {
    std::string url = "http://visited" + std::to_string(i) + ".example/page", title = "Visited page " + std::to_string(i);
    sqlite3_bind_text(insert, 1, url.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, title.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  Exec(db.get(), "commit");
  Exec(db.get(), "PRAGMA wal_checkpoint(TRUNCATE);");
}

BenchStore::~BenchStore() {
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

std::wstring BenchStore::Folder() const { return FromUtf8(folder.string()); }

namespace {

// The peak resident memory of child `pid`, in KiB, read from its status until it has ended. The
// kernel's own count for a child (wait4) would hold this process's memory, which a spawned child
// shares until it runs its program; the child's status counts its program's memory alone.
long PeakWhileRunning(pid_t pid) {
  const std::string status = "/proc/" + std::to_string(pid) + "/status";
  long peak = 0;
  for (;;) {
    std::ifstream in(status);
    std::string line;
    bool found = false;
    while (std::getline(in, line))
      if (line.rfind("VmHWM:", 0) == 0) {
        peak = std::max(peak, std::stol(line.substr(6)));
        found = true;
      }
    // A child that has ended (a zombie until waited for) has no memory left to count.
    if (!found && peak > 0) return peak;
    if (!found) {
      siginfo_t info{};
      if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid)
        return peak;
    }
    usleep(1000);
  }
}

}  // namespace

long TimePendrel(benchmark::State& state, const std::vector<std::string>& arguments) {
  const std::string program = std::string(PENDREL_BIN_DIR) + "/pendrel";
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  long peak = 0;
  for (auto _ : state) {
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
      state.SkipWithError("pendrel could not be started");
      break;
    }
    peak = std::max(peak, PeakWhileRunning(pid));
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("pendrel failed");
      break;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  return peak;
}

void TimePendrelRun(benchmark::State& state, const std::filesystem::path& script) {
  TimePendrel(state, {"run", script.string()});
}
