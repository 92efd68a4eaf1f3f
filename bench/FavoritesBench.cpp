// What the Favorites exchange costs for a large Favorites tree: 10,000 shortcuts in 200 folders.
// Targets (median, exchange side only; the store's bulk add and read-all come on top): import
// walk (CollectFavorites) and export (ExportFavorites into an empty Favorites folder) each well
// under 1.5 s, the whole command's budget.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "links/CFavoritesExchange.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFolders = 200;
constexpr int kPerFolder = 50;

// A home of its own for the benchmark's Favorites folder, removed at the end.
class BenchHome {
 public:
  BenchHome() : path_(fs::temp_directory_path() / ("pendrel-bench-home-" + std::to_string(::getpid()))) {
    fs::create_directories(path_);
    ::setenv("HOME", path_.c_str(), 1);
  }
  ~BenchHome() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  fs::path Favorites() const { return path_ / "Favorites"; }

 private:
  fs::path path_;
};

BenchHome& Home() {
  static BenchHome home;
  return home;
}

CBookmarkRecordList MakeRecords() {
  CBookmarkRecordList list;
  for (int folder = 0; folder < kFolders; ++folder)
    for (int i = 0; i < kPerFolder; ++i)
      list.emplace_back(L"Category " + std::to_wstring(folder), L"Page " + std::to_wstring(i) + L" of a long-kept site",
                        L"http://site" + std::to_wstring(folder) + L".example/page/" + std::to_wstring(i));
  return list;
}

void BM_CollectFavorites(benchmark::State& state) {
  fs::remove_all(Home().Favorites());
  for (int folder = 0; folder < kFolders; ++folder) {
    fs::path dir = Home().Favorites() / ("Category " + std::to_string(folder));
    fs::create_directories(dir);
    for (int i = 0; i < kPerFolder; ++i)
      std::ofstream(dir / ("Page " + std::to_string(i) + ".url"))
          << "[InternetShortcut]\r\nURL=http://site" << folder << ".example/page/" << i << "\r\n";
  }
  for (auto _ : state) {
    auto exchange = MakeCounted<CFavoritesExchange>();
    CBookmarkRecordList list;
    exchange->CollectFavorites(list);
    if (list.size() != static_cast<size_t>(kFolders * kPerFolder)) state.SkipWithError("shortcuts went missing");
    benchmark::DoNotOptimize(list);
  }
}
BENCHMARK(BM_CollectFavorites)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_ExportFavorites(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(Home().Favorites());
    CBookmarkRecordList list = MakeRecords();
    auto exchange = MakeCounted<CFavoritesExchange>();
    state.ResumeTiming();
    exchange->ExportFavorites(list);
  }
}
BENCHMARK(BM_ExportFavorites)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3)->ReportAggregatesOnly(true);

}  // namespace
