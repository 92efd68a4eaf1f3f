// Generated bookmark stores for the benchmarks: N bookmarks with five-word descriptions drawn
// from a fixed vocabulary, and M history rows, in a real database file built from the
// installation schema. The same seed gives the same store.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

struct BenchStore {
  std::filesystem::path folder;          // the data folder (removed by the destructor)
  std::vector<std::wstring> addresses;   // every bookmarked address
  std::vector<std::wstring> vocabulary;  // the words descriptions are made of

  BenchStore(size_t bookmarks, size_t historyRows);
  ~BenchStore();
  BenchStore(const BenchStore&) = delete;
  BenchStore& operator=(const BenchStore&) = delete;
  std::wstring Folder() const;
};

// A description of five vocabulary words, as the generator makes them.
std::wstring MakeDescription(const std::vector<std::wstring>& vocabulary, unsigned seed);

// Times `pendrel run SCRIPT` (the built program, its output thrown away) once per benchmark
// iteration, started as a person starts it; stops the benchmark with an error if a run fails.
namespace benchmark {
class State;
}
void TimePendrelRun(benchmark::State& state, const std::filesystem::path& script);
// The same for `pendrel ARGUMENTS...`; returns the largest peak resident memory of a run, in KiB.
long TimePendrel(benchmark::State& state, const std::vector<std::string>& arguments);
