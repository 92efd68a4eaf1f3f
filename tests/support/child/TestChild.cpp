// The child process of the fault tests, killed or left waiting at a point it reports on its
// standard output:
//   lock FILE        holds an exclusive transaction on the database FILE, says "locked", and
//                    keeps it until its standard input ends (then rolls it back)
//   import FOLDER    imports the Favorites into the store in FOLDER, saying "record" before each
//                    record it stores and "done" at the end
//   repair FOLDER    runs a repair job over the store in FOLDER to its end, then says "done"
// Message boxes go to standard error, answered OK.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "links/CFavoritesExchange.h"
#include "links/RepairJob.h"
#include "platform/text/WideText.h"
#include "platform/ui/MessageBox.h"
#include "store/CBookmarkDatabase.h"

namespace {

void Say(const char* line) {
  std::fputs(line, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

class ReportingDatabase final : public CBookmarkDatabase {
 public:
  using CBookmarkDatabase::CBookmarkDatabase;
  void ReportProgress(const std::wstring&) override { Say("record"); }
};

int HoldLock(const std::string& file) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return 3;
  char* error = nullptr;
  if (sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, &error) != SQLITE_OK) {
    std::cerr << "cannot lock: " << (error ? error : "") << "\n";
    sqlite3_free(error);
    sqlite3_close(db);
    return 4;
  }
  Say("locked");
  char c;
  while (::read(STDIN_FILENO, &c, 1) > 0) {
  }
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return 0;
}

int ImportFavorites(const std::wstring& folder) {
  auto store = MakeCounted<ReportingDatabase>(folder);
  auto exchange = MakeCounted<CFavoritesExchange>();
  CBookmarkRecordList records;
  exchange->CollectFavorites(records);
  if (store->AddBookmarks(records) != StoreOutcome::Done) return 5;
  Say("done");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  SetMessageBoxHandler([](const MessageBoxRequest& request) {
    std::cerr << "box: " << ToUtf8(request.text) << "\n";
    return IDOK;
  });
  if (argc != 3) return 2;
  const std::string mode = argv[1];
  if (mode == "lock") return HoldLock(argv[2]);
  if (mode == "import") return ImportFavorites(FromUtf8(argv[2]));
  if (mode == "repair") {
    RepairThreadProc(RepairJobOrder{FromUtf8(argv[2]), nullptr, 0, 0}, {});
    Say("done");
    return 0;
  }
  return 2;
}
