// What the store costs at the sizes a long-time user reaches: 100,000 bookmarks and 100,000
// history rows. Targets (median): page load (FindBookmark + AddHistoryEntry) 100 us; search
// page with three words 25 ms; all-bookmarks page 150 ms; bulk add of 10,000 bookmarks 1 s.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "bench/BenchData.h"
#include "platform/ui/MessageBox.h"
#include "store/CBookmarkDatabase.h"

namespace {

constexpr size_t kBookmarks = 100000;
constexpr size_t kHistory = 100000;

BenchStore& SharedStore() {
  static BenchStore store(kBookmarks, kHistory);
  return store;
}

void SilenceMessageBoxes() {
  SetMessageBoxHandler([](const MessageBoxRequest&) { return IDOK; });
}

// Every page load: look the address up for the toolbar, then log the visit.
void BM_PageLoad(benchmark::State& state) {
  SilenceMessageBoxes();
  BenchStore& data = SharedStore();
  auto store = MakeCounted<CBookmarkDatabase>(data.Folder());
  std::mt19937 rng(7);
  size_t visit = 0;
  for (auto _ : state) {
    std::wstring address = (rng() % 2) ? data.addresses[rng() % data.addresses.size()]
                                       : L"http://unbookmarked" + std::to_wstring(visit++) + L".example/";
    std::wstring category, description;
    store->FindBookmark(address, category, description);
    store->AddHistoryEntry(address, L"A page title");
    benchmark::DoNotOptimize(category);
  }
}
BENCHMARK(BM_PageLoad)->Unit(benchmark::kMicrosecond)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_SearchPage(benchmark::State& state) {
  SilenceMessageBoxes();
  BenchStore& data = SharedStore();
  auto store = MakeCounted<CBookmarkDatabase>(data.Folder());
  const std::wstring text = data.vocabulary[11] + L" " + data.vocabulary[222] + L", " + data.vocabulary[1333];
  const wchar_t* conjunction = state.range(0) ? L"AND" : L"OR";
  for (auto _ : state) benchmark::DoNotOptimize(store->WriteSearchPage(text, conjunction));
  state.counters["page_bytes"] = static_cast<double>(std::filesystem::file_size(data.folder / "Bookmark.html"));
}
BENCHMARK(BM_SearchPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_AllBookmarksPage(benchmark::State& state) {
  SilenceMessageBoxes();
  auto store = MakeCounted<CBookmarkDatabase>(SharedStore().Folder());
  for (auto _ : state) benchmark::DoNotOptimize(store->WriteAllBookmarksPage());
}
BENCHMARK(BM_AllBookmarksPage)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_AddBookmarks(benchmark::State& state) {
  SilenceMessageBoxes();
  BenchStore& data = SharedStore();
  auto store = MakeCounted<CBookmarkDatabase>(data.Folder());
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    CBookmarkRecordList list;
    for (int i = 0; i < 10000; ++i)
      list.emplace_back(L"Imported " + std::to_wstring(i % 25), MakeDescription(data.vocabulary, 900000 + i),
                        L"http://imported" + std::to_wstring(round) + L"-" + std::to_wstring(i) + L".example/");
    ++round;
    state.ResumeTiming();
    store->AddBookmarks(list);
  }
}
BENCHMARK(BM_AddBookmarks)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
