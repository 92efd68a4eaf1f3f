// What `pendrel import` and `pendrel export` cost with another browser's bookmark file of
// 100,000 links in 100 folders. Targets (median, the whole command: file, settings and store):
// import into an empty store 2 s; export of 100,000 bookmarks 1 s. Reading the file alone is
// shown for scale.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "bench/BenchData.h"
#include "host/cli/BookmarkFileCommands.h"
#include "host/core/BookmarkFile.h"
#include "platform/ui/MessageBox.h"
#include "toolbar/Settings.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFolders = 100;
constexpr int kLinks = 100000;

// Settings of their own and the bookmark file, removed at the end.
class BenchFiles {
 public:
  BenchFiles() : path_(fs::temp_directory_path() / ("pendrel-bench-bmfile-" + std::to_string(::getpid()))) {
    fs::create_directories(path_ / "config");
    ::setenv("XDG_CONFIG_HOME", (path_ / "config").c_str(), 1);
    SetMessageBoxHandler([](const MessageBoxRequest&) { return IDOK; });
    std::ofstream(BookmarkFile(), std::ios::binary) << MakeFile();
  }
  ~BenchFiles() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  fs::path BookmarkFile() const { return path_ / "bookmarks.html"; }
  fs::path ExportFile() const { return path_ / "exported.html"; }
  static void UseStore(const BenchStore& store) {
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, store.Folder());
  }

 private:
  // As a browser writes it: dates on every item, an icon on every tenth link, entities in titles.
  static std::string MakeFile() {
    std::string text = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
                       "charset=UTF-8\">\n<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks Menu</H1>\n<DL><p>\n";
    const std::string icon(600, 'A');
    for (int folder = 0; folder < kFolders; ++folder) {
      text += "    <DT><H3 ADD_DATE=\"1700000000\" LAST_MODIFIED=\"1700000000\">Folder " + std::to_string(folder) +
              "</H3>\n    <DL><p>\n";
      for (int i = 0; i < kLinks / kFolders; ++i) {
        std::string n = std::to_string(folder * (kLinks / kFolders) + i);
        text += "        <DT><A HREF=\"https://www.site" + n + ".example/articles/" + n + "?ref=bookmarks&amp;lang=en\" ADD_DATE=\"1700000000\"";
        if (i % 10 == 0) text += " ICON=\"data:image/png;base64," + icon + "\"";
        text += ">Article " + n + " &#8211; News &amp; Views from site " + n + "</A>\n";
      }
      text += "    </DL><p>\n";
    }
    return text + "</DL><p>\n";
  }

  fs::path path_;
};

BenchFiles& Files() {
  static BenchFiles files;
  return files;
}

void BM_ImportBookmarkFile(benchmark::State& state) {
  BenchFiles& files = Files();
  for (auto _ : state) {
    state.PauseTiming();
    auto store = std::make_unique<BenchStore>(0, 0);
    BenchFiles::UseStore(*store);
    std::ostringstream out, err;
    StatusLine status(err, StatusDisplay::Off);
    state.ResumeTiming();
    if (RunImportBookmarkFile({files.BookmarkFile().string()}, out, err, status) != 0) state.SkipWithError(err.str().c_str());
    state.PauseTiming();
    store.reset();
    state.ResumeTiming();
  }
  state.counters["file_bytes"] = static_cast<double>(fs::file_size(files.BookmarkFile()));
}
BENCHMARK(BM_ImportBookmarkFile)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_ExportBookmarkFile(benchmark::State& state) {
  BenchFiles& files = Files();
  static BenchStore store(kLinks, 0);
  BenchFiles::UseStore(store);
  for (auto _ : state) {
    std::ostringstream out, err;
    StatusLine status(err, StatusDisplay::Off);
    if (RunExportBookmarkFile({files.ExportFile().string()}, out, err, status) != 0) state.SkipWithError(err.str().c_str());
  }
  state.counters["file_bytes"] = static_cast<double>(fs::file_size(files.ExportFile()));
}
BENCHMARK(BM_ExportBookmarkFile)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_ReadBookmarkFile(benchmark::State& state) {
  BenchFiles& files = Files();
  for (auto _ : state) {
    std::string bytes, why;
    ReadBookmarkFileBytes(files.BookmarkFile(), bytes, why);
    benchmark::DoNotOptimize(ParseBookmarkFile(bytes));
  }
}
BENCHMARK(BM_ReadBookmarkFile)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

}  // namespace
