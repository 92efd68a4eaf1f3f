// Loading the band as the browser does: the toolbar list and the class's InprocServer32 read from
// the registry, the library loaded, its class factory asked for a band, and the band built (its
// settings read, its store opened) and let go again. Target: 20 ms.
//
// In this program the band library is already loaded (it is linked), so BM_BandLoadThroughRegistry
// leaves out the loader's first mapping of the file; BM_PendrelRunWithToolbar and
// BM_PendrelRunWithoutToolbar start `pendrel run` of an empty script with the band registered and
// not, and their difference is the whole cost of the toolbar to a new process: the library's first
// load, the band's creation, and the toolbar's windows.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "band/DllEntryPoints.h"
#include "bench/BenchData.h"
#include "host/core/BandCreation.h"
#include "toolbar/Settings.h"

namespace {

// An empty store, its settings, and the band registered, in a registry of the benchmark's own.
struct BandLoadingData {
  BenchStore store{0, 0};
  std::filesystem::path config = store.folder / "config";
  std::string previousConfig;

  BandLoadingData() {
    if (const char* current = std::getenv("XDG_CONFIG_HOME")) previousConfig = current;
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, store.Folder());
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue, L"0");
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kSearchConditionValue, L"OR");
    DllRegisterServer();
  }
  ~BandLoadingData() {
    if (previousConfig.empty())
      unsetenv("XDG_CONFIG_HOME");
    else
      setenv("XDG_CONFIG_HOME", previousConfig.c_str(), 1);
  }
};

void BM_BandLoadThroughRegistry(benchmark::State& state) {
  BandLoadingData data;
  for (auto _ : state) {
    CreatedBand created = CreateBand();
    benchmark::DoNotOptimize(created.band.get());
  }
}
BENCHMARK(BM_BandLoadThroughRegistry)->Unit(benchmark::kMillisecond)->Iterations(200);

enum class Band { Registered, Unregistered };

void RunPendrel(benchmark::State& state, Band band) {
  BandLoadingData data;
  if (band == Band::Unregistered) DllUnregisterServer();
  const std::filesystem::path script = data.store.folder / "script.txt";
  std::ofstream(script) << "# nothing\n";
  TimePendrelRun(state, script);
}

void BM_PendrelRunWithToolbar(benchmark::State& state) { RunPendrel(state, Band::Registered); }
BENCHMARK(BM_PendrelRunWithToolbar)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_PendrelRunWithoutToolbar(benchmark::State& state) { RunPendrel(state, Band::Unregistered); }
BENCHMARK(BM_PendrelRunWithoutToolbar)->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace
