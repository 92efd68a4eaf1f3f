// What reading a registry hive costs for the shapes a hostile file can take, all of 32 KB: one key
// line of 16,000 names (refused: deeper than a hive may hold), keys at the greatest depth a hive
// may hold, each with a first name of its own, and one key of 4,000 values. Target (median): each
// well under 10 ms, in proportion to the file's size, and a few megabytes at most. Figure (2 shared
// cores, CPU time): 0.15 ms, 2.2 ms and 0.6 ms, the whole benchmark process at 16.6 MB; before keys
// were kept as a tree the first shape took 22 s and 2.5 GB.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/registry/Hive.h"

namespace {

constexpr size_t kHiveBytes = 32 * 1024;

std::string DeepLine(size_t names, const std::string& first) {
  std::string line = "[" + first;
  for (size_t i = 1; i < names; ++i) line += "\\a";
  return line + "]\n";
}

std::string Shape(int shape) {
  std::string text = "REGEDIT4\n\n";
  switch (shape) {
    case 0: text += DeepLine(16000, "a"); break;
    case 1:
      for (int i = 0; text.size() < kHiveBytes; ++i) text += DeepLine(Hive::kMaxKeyDepth, "k" + std::to_string(i));
      break;
    default:
      text += "[Software\\Wide]\n";
      for (int i = 0; text.size() < kHiveBytes; ++i) text += "\"v" + std::to_string(i) + "\"=\"x\"\n";
      break;
  }
  return text;
}

void BM_ReadHive(benchmark::State& state) {
  const std::string text = Shape(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto hive = Hive::Parse(text);
    benchmark::DoNotOptimize(hive);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  static const char* const kLabels[] = {"16,000 names on one line", "keys 512 deep", "4,000 values"};
  state.SetLabel(kLabels[state.range(0)]);
}
BENCHMARK(BM_ReadHive)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
