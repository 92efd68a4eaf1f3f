// What the browser engine costs for the pages it must take in its stride: a 10 MB page and a page
// of 20,000 forms, from a file to the DocumentComplete event. Target: under a second each. And
// what `pendrel browse` of a 10 MB page costs as a whole program, with its peak memory: within
// 1.5 s and 20 times the page's size; of a page of a hostile shape: within 1 s and 200 MB.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchData.h"
#include "host/engine/BrowserWindow.h"
#include "platform/text/WideText.h"

namespace {

std::filesystem::path WritePage(const std::string& name, const std::string& html) {
  std::filesystem::path path = std::filesystem::temp_directory_path() / ("pendrel-bench-" + name);
  std::ofstream(path, std::ios::binary) << html;
  return path;
}

void Load(benchmark::State& state, const std::filesystem::path& page) {
  BrowserWindow window;
  std::wstring address = FromUtf8(page.string());
  for (auto _ : state) window.Navigate(address);
  std::filesystem::remove(page);
}

std::string ParagraphPage() {
  std::string html = "<title>Big</title>";
  while (html.size() < 10u << 20) html += "<p>Some text with a <a href='/x'>link</a> and <b>bold</b> words.</p>\n";
  return html;
}

void BM_LoadTenMegabytePage(benchmark::State& state) { Load(state, WritePage("big.html", ParagraphPage())); }
BENCHMARK(BM_LoadTenMegabytePage)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadTwentyThousandForms(benchmark::State& state) {
  std::string html = "<title>Forms</title>";
  for (int i = 0; i < 20000; ++i) html += "<form action=/a><input name=u value=v><input type=password name=p></form>";
  Load(state, WritePage("forms.html", html));
}
BENCHMARK(BM_LoadTwentyThousandForms)->Unit(benchmark::kMillisecond)->Iterations(3);

// A 10 MB reference manual: sections, headings with links, paragraphs, code, tables and lists.
std::string ManualPage() {
  std::string html = "<!DOCTYPE html><html><head><title>Manual</title></head><body><div id=wrap>";
  for (int i = 0; html.size() < 10u << 20; ++i) {
    std::string n = std::to_string(i);
    html += "<section id=s" + n + "><h2 id=h" + n + "><a class=self-link href='#h" + n + "'>" + n +
            "</a> Section title</h2><p>The parser returns the <code>value()</code> of the element for this "
            "document, as the <a href='https://example.org/doc/" + n + ".html#x' title='see also'>reference</a> "
            "says. <em>Note</em> that the attribute is read once.</p>\n<pre class=example><code>var x = "
            "document.getElementById(\"a" + n + "\");</code></pre><table class=data><thead><tr><th>Name<th>Type"
            "</tr></thead><tbody><tr><td><code>id</code><td>text</tr><tr><td><code>name</code><td>text</tr>"
            "</tbody></table><ul><li><a href='#s1'>first</a></li><li><a href='#s2'>second</a></li></ul></section>\n";
  }
  return html + "</div></body></html>";
}

// Target: within 1.5 s.
void BM_LoadTenMegabyteManual(benchmark::State& state) { Load(state, WritePage("manual.html", ManualPage())); }
BENCHMARK(BM_LoadTenMegabyteManual)->Unit(benchmark::kMillisecond)->Iterations(3);

// `pendrel browse PAGE` as a person runs it, reading, parsing and printing the page; the counters
// give its peak resident memory and that peak over the page's size.
void Browse(benchmark::State& state, const std::string& name, const std::string& html) {
  std::filesystem::path page = WritePage(name, html);
  long peakKiB = TimePendrel(state, {"browse", page.string()});
  state.counters["peak_MiB"] = static_cast<double>(peakKiB) / 1024;
  state.counters["peak_x_page"] = static_cast<double>(peakKiB) * 1024 / static_cast<double>(html.size());
  std::filesystem::remove(page);
}
void BM_BrowseTenMegabyteManual(benchmark::State& state) { Browse(state, "manual.html", ManualPage()); }
BENCHMARK(BM_BrowseTenMegabyteManual)->Unit(benchmark::kMillisecond)->Iterations(3);
void BM_BrowseTenMegabyteParagraphs(benchmark::State& state) { Browse(state, "big.html", ParagraphPage()); }
BENCHMARK(BM_BrowseTenMegabyteParagraphs)->Unit(benchmark::kMillisecond)->Iterations(3);

// Hostile shapes: `part` `count` times, then `end`.
void BrowseHostile(benchmark::State& state, const std::string& start, const std::string& part, int count) {
  std::string html = start;
  for (int i = 0; i < count; ++i) html += part;
  Browse(state, "hostile.html", html + "x");
}
void BM_BrowseFortyThousandNestedDivs(benchmark::State& state) { BrowseHostile(state, "", "<div>", 40000); }
BENCHMARK(BM_BrowseFortyThousandNestedDivs)->Unit(benchmark::kMillisecond)->Iterations(3);
void BM_BrowseTwoHundredThousandUnclosedBold(benchmark::State& state) { BrowseHostile(state, "", "<b>", 200000); }
BENCHMARK(BM_BrowseTwoHundredThousandUnclosedBold)->Unit(benchmark::kMillisecond)->Iterations(3);
// A hundred distinct formatting elements the parser reopens in each of 100,000 paragraphs.
void BM_BrowseFormattingReopenedPerParagraph(benchmark::State& state) {
  std::string open = "<p>";
  for (int i = 0; i < 100; ++i) open += "<b id=" + std::to_string(i) + ">";
  BrowseHostile(state, open + "</p>", "<p>x</p>", 100000);
}
BENCHMARK(BM_BrowseFormattingReopenedPerParagraph)->Unit(benchmark::kMillisecond)->Iterations(3);
void BM_BrowseFiftyThousandNestedSvgGroups(benchmark::State& state) { BrowseHostile(state, "<svg>", "<g>", 50000); }
BENCHMARK(BM_BrowseFiftyThousandNestedSvgGroups)->Unit(benchmark::kMillisecond)->Iterations(3);
void BM_BrowseNestedTablesAndLists(benchmark::State& state) {
  BrowseHostile(state, "", "<table><tr><td><ul><li><b><dl><dd><ol><li><p>", 20000);
}
BENCHMARK(BM_BrowseNestedTablesAndLists)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
