// What the toolbar costs a person in the browser window, at 100,000 bookmarks and 100,000
// history rows. Targets:
//   Enter in the search box (three words, OR) to the result page's DocumentComplete: 50 ms;
//   the toolbar's work on a page load (its events and the refresh with history on): 200 us on
//   top of the load itself (BM_PageLoadWithToolbar minus BM_PageLoadBrowserOnly);
//   `pendrel run` of a one-line script from start to exit, with 1,000 categories: 150 ms.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "band/DllEntryPoints.h"
#include "bench/BenchData.h"
#include "host/cli/EngineBrowser.h"
#include "host/core/HostWindow.h"
#include "host/engine/BrowserWindow.h"
#include "platform/text/WideText.h"
#include "platform/ui/MessageLoop.h"
#include "store/CBookmarkDatabase.h"
#include "toolbar/Settings.h"

namespace {

constexpr size_t kBookmarks = 100000;
constexpr size_t kHistory = 100000;

// A store and the settings that point the toolbar at it, in a registry of the benchmark's own.
struct ToolbarBenchData {
  BenchStore store{kBookmarks, kHistory};
  std::filesystem::path config = store.folder / "config";
  std::filesystem::path page = store.folder / "page.html";

  ToolbarBenchData() {
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, store.Folder());
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue, L"1");
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kSearchConditionValue, L"OR");
    DllRegisterServer();  // the host window loads the band from the registry
    std::ofstream(page) << "<html><head><title>A page</title></head><body><p>Some text and "
                           "<a href='page.html'>a link</a>.</p></body></html>";
  }
};

ToolbarBenchData& Data() {
  static ToolbarBenchData data;
  return data;
}

void Silent(const std::wstring&) {}

void BM_SearchBoxEnterToResultPage(benchmark::State& state) {
  ToolbarBenchData& data = Data();
  HostWindow host(Silent, {}, MakeEngineBrowser);
  host.Navigate(FromUtf8(data.page.string()));
  HWND searchBox = GetDlgItem(host.Toolbar(), 103);
  const std::wstring words = data.store.vocabulary[1] + L" " + data.store.vocabulary[2] + L" " +
                             data.store.vocabulary[3];
  for (auto _ : state) {
    state.PauseTiming();
    SetWindowTextW(searchBox, words);
    state.ResumeTiming();
    host.PressKey(103, VK_RETURN);  // returns once the result page's events have all run
  }
}
BENCHMARK(BM_SearchBoxEnterToResultPage)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_PageLoadWithToolbar(benchmark::State& state) {
  ToolbarBenchData& data = Data();
  HostWindow host(Silent, {}, MakeEngineBrowser);
  const std::wstring page = FromUtf8(data.page.string());
  for (auto _ : state) host.Navigate(page);
}
BENCHMARK(BM_PageLoadWithToolbar)->Unit(benchmark::kMicrosecond)->Iterations(2000);

void BM_PageLoadBrowserOnly(benchmark::State& state) {
  ToolbarBenchData& data = Data();
  BrowserWindow window;
  const std::wstring page = FromUtf8(data.page.string());
  for (auto _ : state) {
    window.Navigate(page);
    PumpMessages();
  }
}
BENCHMARK(BM_PageLoadBrowserOnly)->Unit(benchmark::kMicrosecond)->Iterations(2000);

// A separate data folder with 1,000 categories, and `pendrel run` started as a person starts it.
void BM_PendrelRunOneLineScript(benchmark::State& state) {
  BenchStore store(0, 0);
  {
    auto db = MakeCounted<CBookmarkDatabase>(store.Folder());
    for (int i = 0; i < 1000; ++i) db->AddCategory(L"Category " + std::to_wstring(i));
  }
  const std::filesystem::path config = store.folder / "config";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, store.Folder());
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue, L"1");
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kSearchConditionValue, L"OR");
  DllRegisterServer();
  const std::filesystem::path script = store.folder / "script.txt";
  std::ofstream(script) << "show\n";
  TimePendrelRun(state, script);
  // The other benchmarks' settings again.
  setenv("XDG_CONFIG_HOME", Data().config.c_str(), 1);
}
BENCHMARK(BM_PendrelRunOneLineScript)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
