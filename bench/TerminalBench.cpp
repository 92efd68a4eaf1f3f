// What one command prints at the terminal (`pendrel` with a person at the prompt) on a 500 KB
// documentation page: the navigation to it, in bytes (counter "bytes"). Target: a few kilobytes,
// a screenful, however large the page.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/cli/WindowCommands.h"
#include "tests/support/DocumentationPage.h"

namespace {

void BM_TerminalNavigationToA500KilobytePage(benchmark::State& state) {
  std::filesystem::path page = std::filesystem::temp_directory_path() / "pendrel-bench-fs.html";
  std::string html = DocumentationPage();
  std::ofstream(page, std::ios::binary) << html;
  size_t bytes = 0;
  for (auto _ : state) {
    std::istringstream in("navigate " + page.string() + "\n");
    std::ostringstream out;
    StreamLineSource lines(in, out);
    RunWindowAtTerminal({}, lines, out, TerminalOptions{});
    // What the command printed: from its prompt to the next.
    std::string text = out.str();
    size_t start = text.find("pendrel> ");
    size_t end = text.find("pendrel> ", start + 1);
    bytes = (start == std::string::npos || end == std::string::npos) ? text.size() : end - start;
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  state.counters["page_bytes"] = static_cast<double>(html.size());
  std::filesystem::remove(page);
}
BENCHMARK(BM_TerminalNavigationToA500KilobytePage)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
