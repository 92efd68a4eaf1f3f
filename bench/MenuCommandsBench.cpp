// What the setup menu's long commands cost, store and exchange together, with every status text
// going to a real browser object: import of 10,000 shortcuts in 200 folders into an empty store,
// export of 10,000 bookmarks into an empty Favorites folder (target: 1.5 s each), and the repair
// job over 1,000 addresses on a server on 127.0.0.1 answering 200, 301 and 404 in turn (target:
// 3 s). The figures are about this program on a quiet file system: ext4 makes new files slowly
// for some minutes after many were deleted (it scans the inodes deleted recently), and then the
// export's 10,000 new files cost the kernel more than everything else together.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "bench/BenchData.h"
#include "host/engine/BrowserWindow.h"
#include "links/CFavoritesStatusExchange.h"
#include "links/RepairJob.h"
#include "platform/text/WideText.h"
#include "platform/ui/MessageBox.h"
#include "tests/support/LoopbackServer.h"
#include "toolbar/CBookmarkStatusDatabase.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFolders = 200;
constexpr int kPerFolder = 50;
constexpr int kRepairAddresses = 1000;

// A home of the benchmark's own (for its Favorites folder) while it lives; the home before is
// put back, so other benchmarks keep theirs.
class CommandHome {
 public:
  CommandHome() : path_(fs::temp_directory_path() / ("pendrel-bench-menu-" + std::to_string(::getpid()))) {
    if (const char* home = std::getenv("HOME")) previous_ = home;
    fs::create_directories(path_);
    ::setenv("HOME", path_.c_str(), 1);
  }
  ~CommandHome() {
    if (previous_)
      ::setenv("HOME", previous_->c_str(), 1);
    else
      ::unsetenv("HOME");
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  fs::path Favorites() const { return path_ / "Favorites"; }
  // Moves the home to a fresh folder inside it. Folders are only removed at the end: a file
  // system that has just deleted many files makes new ones slowly for a while, which says
  // nothing about an export into a Favorites folder that is simply empty.
  void MoveToFreshFolder() {
    fs::path fresh = path_ / ("run" + std::to_string(++runs_));
    fs::create_directories(fresh);
    ::setenv("HOME", fresh.c_str(), 1);
  }

 private:
  fs::path path_;
  std::optional<std::string> previous_;
  int runs_ = 0;
};

void SilenceMessageBoxes() {
  SetMessageBoxHandler([](const MessageBoxRequest&) { return IDOK; });
}

// The import command's work: walk, bulk add, category list.
void BM_ImportCommand(benchmark::State& state) {
  SilenceMessageBoxes();
  CommandHome home;
  for (int folder = 0; folder < kFolders; ++folder) {
    fs::path dir = home.Favorites() / ("Category " + std::to_string(folder));
    fs::create_directories(dir);
    for (int i = 0; i < kPerFolder; ++i)
      std::ofstream(dir / ("Page " + std::to_string(i) + ".url"))
          << "[InternetShortcut]\r\nURL=http://site" << folder << ".example/page/" << i << "\r\n";
  }
  BrowserWindow window;
  for (auto _ : state) {
    state.PauseTiming();
    std::optional<BenchStore> empty(std::in_place, 0, 0);
    state.ResumeTiming();
    IWebBrowser2* browser = window.Browser();
    browser->put_StatusText(L"Importing bookmarks... Please wait.");
    auto store = MakeCounted<CBookmarkStatusDatabase>(browser, empty->Folder());
    auto exchange = MakeCounted<CFavoritesStatusExchange>(browser);
    CBookmarkRecordList records;
    exchange->CollectFavorites(records);
    if (store->AddBookmarks(records) != StoreOutcome::Done) state.SkipWithError("the store refused the import");
    std::vector<std::wstring> names;
    store->ListCategories(names);
    if (names.size() != kFolders) state.SkipWithError("categories went missing");
    browser->put_StatusText(L"Successfully imported from IE bookmarks");
    state.PauseTiming();
    store.reset();
    empty.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ImportCommand)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3)->ReportAggregatesOnly(true);

// The export command's work: read all, write every shortcut.
void BM_ExportCommand(benchmark::State& state) {
  SilenceMessageBoxes();
  CommandHome home;
  BenchStore data(kFolders * kPerFolder, 0);
  BrowserWindow window;
  for (auto _ : state) {
    state.PauseTiming();
    home.MoveToFreshFolder();
    state.ResumeTiming();
    IWebBrowser2* browser = window.Browser();
    browser->put_StatusText(L"Exporting bookmarks... Please wait.");
    auto store = MakeCounted<CBookmarkStatusDatabase>(browser, data.Folder());
    auto exchange = MakeCounted<CFavoritesStatusExchange>(browser);
    CBookmarkRecordList records;
    store->LoadAllBookmarks(records);
    if (records.size() != static_cast<size_t>(kFolders * kPerFolder)) state.SkipWithError("bookmarks went missing");
    exchange->ExportFavorites(records);
    browser->put_StatusText(L"Successfully exported to IE bookmarks");
  }
}
BENCHMARK(BM_ExportCommand)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3)->ReportAggregatesOnly(true);

// The repair job's worker over 1,000 addresses: a third live, a third moved to a live page, a
// third dead. Each run starts from the addresses as first stored.
void BM_RepairJob(benchmark::State& state) {
  SilenceMessageBoxes();
  DirectConnections direct;
  std::atomic<int> port{0};
  LoopbackServer server([&port](httplib::Server& s) {
    // As web servers do, answers go out without waiting for the acknowledgement of the last
    // packet; otherwise every answer in two pieces costs the client the delayed-ACK wait.
    s.set_tcp_nodelay(true);
    s.Get(R"(/live/.+)", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Live</title></head><body>Here.</body></html>", "text/html");
    });
    s.Get(R"(/moved/(\d+))", [&port](const httplib::Request& q, httplib::Response& r) {
      r.status = 301;
      r.set_header("Location", "http://127.0.0.1:" + std::to_string(port.load()) + "/live/m" + q.matches[1].str());
    });
  });
  port = server.port();
  CBookmarkRecordList records;
  const char* kinds[] = {"live", "moved", "dead"};
  for (int i = 0; i < kRepairAddresses; ++i) {
    std::string path = "/";  // appended: g++ 12 misreads "/" + a temporary as an overlapping copy
    path += kinds[i % 3];
    path += '/';
    path += std::to_string(i);
    records.emplace_back(L"Sites", L"Page " + std::to_wstring(i), server.Url(path));
  }
  for (auto _ : state) {
    state.PauseTiming();
    std::optional<BenchStore> store(std::in_place, 0, 0);
    {
      CBookmarkRecordList copy = records;
      MakeCounted<CBookmarkDatabase>(store->Folder())->AddBookmarks(copy);
    }
    state.ResumeTiming();
    RepairThreadProc(RepairJobOrder{store->Folder(), nullptr, 0, 0}, {});
    state.PauseTiming();
    std::vector<std::wstring> addresses;
    MakeCounted<CBookmarkDatabase>(store->Folder())->ListAddresses(addresses);
    size_t repaired = 0;
    for (const std::wstring& address : addresses) {
      if (address.find(L"/moved/") != std::wstring::npos) state.SkipWithError("a moved address was kept");
      if (address.find(L"/live/m") != std::wstring::npos) ++repaired;
    }
    if (repaired != static_cast<size_t>(kRepairAddresses / 3)) state.SkipWithError("moved addresses went missing");
    store.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RepairJob)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3)->ReportAggregatesOnly(true);

}  // namespace
